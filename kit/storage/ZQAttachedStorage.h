#pragma once
// The record that ties the UUID carried by a style object in the text to the
// payload the page keeps outside its text. The owner names the payload:
// "ZQMacroImage" an image, "ZQFilterLink" a link, "ZQMacroFootnote" (and any
// other owner) a footnote body. Records are equal only to themselves.

#include "kit/markup/ZQAttachedObjects.h"

#include <mutex>

class ZQAttachedStorage : public plat::Object {
public:
    static std::shared_ptr<ZQAttachedStorage> create();

    QString uuid() const;
    void setUuid(const QString& uuid);
    QString owner() const;
    void setOwner(const QString& owner);
    ZQAttachedTextObjectPtr attachedText() const;
    void setAttachedText(ZQAttachedTextObjectPtr text);
    ZQAttachedLinkObjectPtr attachedLink() const;
    void setAttachedLink(ZQAttachedLinkObjectPtr link);
    ZQAttachedImageObjectPtr attachedObject() const;
    void setAttachedObject(ZQAttachedImageObjectPtr image);

    QString className() const override { return QStringLiteral("ZQAttachedStorage"); }
    // A record with copies of the strings and of each payload.
    std::shared_ptr<plat::Object> copy() const override;
    bool supportsCoding() const override { return true; }
    // "uuid", "owner", "textStorage", "objectStorage", "attachedLink".
    void encodeWithCoder(plat::KeyedArchiver& coder) const override;

protected:
    ZQAttachedStorage() = default;
    // Fills a new record (of the receiver's class) with copies of this one's fields.
    void copyInto(ZQAttachedStorage& copy) const;

private:
    mutable std::mutex m_mutex;
    QString m_uuid;
    QString m_owner;
    ZQAttachedTextObjectPtr m_attachedText;
    ZQAttachedLinkObjectPtr m_attachedLink;
    ZQAttachedImageObjectPtr m_attachedObject;
};

using ZQAttachedStoragePtr = std::shared_ptr<ZQAttachedStorage>;
