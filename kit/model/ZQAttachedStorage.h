#pragma once
// The record that ties the UUID carried by a style object in the text to the
// payload the page keeps outside its text. The owner names the payload:
// "ZQMacroImage" an image, "ZQFilterLink" a link, "ZQMacroFootnote" (and any
// other owner) a footnote body. Records are equal only to themselves.

#include "kit/model/ZQAttachedObjects.h"

#include <mutex>

class ZQAttachedStorage : public plat::Object {
public:
    static std::shared_ptr<ZQAttachedStorage> create();

    QString uuid() const { return get(m_uuid); }
    void setUuid(const QString& uuid) { set(m_uuid, uuid); }
    QString owner() const { return get(m_owner); }
    void setOwner(const QString& owner) { set(m_owner, owner); }
    ZQAttachedTextObjectPtr attachedText() const { return get(m_attachedText); }
    void setAttachedText(ZQAttachedTextObjectPtr text) { set(m_attachedText, std::move(text)); }
    ZQAttachedLinkObjectPtr attachedLink() const { return get(m_attachedLink); }
    void setAttachedLink(ZQAttachedLinkObjectPtr link) { set(m_attachedLink, std::move(link)); }
    ZQAttachedImageObjectPtr attachedObject() const { return get(m_attachedObject); }
    void setAttachedObject(ZQAttachedImageObjectPtr image) { set(m_attachedObject, std::move(image)); }

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
    template <typename T>
    T get(const T& member) const
    {
        std::lock_guard lock(m_mutex);
        return member;
    }
    template <typename T, typename U>
    void set(T& member, U&& value)
    {
        std::lock_guard lock(m_mutex);
        member = std::forward<U>(value);
    }

    mutable std::mutex m_mutex;
    QString m_uuid;
    QString m_owner;
    ZQAttachedTextObjectPtr m_attachedText;
    ZQAttachedLinkObjectPtr m_attachedLink;
    ZQAttachedImageObjectPtr m_attachedObject;
};

using ZQAttachedStoragePtr = std::shared_ptr<ZQAttachedStorage>;
