#pragma once
// The payloads that constructs keep outside the text, tied to it by the UUID
// of their style object through an attached storage: a footnote's body, a
// link's address and title, an image with its files and sizes.

#include "platform/foundation/Object.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/Value.h"
#include "platform/graphics/Image.h"
#include "platform/text/AttributedString.h"
#include "platform/text/TextStorage.h"

#include <QDateTime>
#include <QSizeF>
#include <optional>

class ZQAttachedStorage;

// A footnote body: rich text with the text storage and undo manager an editor of it uses.
class ZQAttachedTextObject final : public plat::Object {
public:
    static std::shared_ptr<ZQAttachedTextObject> create();

    // The body as last taken from the text storage.
    const plat::MutableAttributedString& content() const { return m_content; }
    // The body editor's selection as text; kept, not interpreted.
    const QString& selection() const { return m_selection; }
    void setSelection(const QString& selection) { m_selection = selection; }
    const std::shared_ptr<plat::UndoManager>& undoMgr() const { return m_undoMgr; }
    const std::shared_ptr<plat::TextStorage>& textStorage() const { return m_textStorage; }
    quint64 footIndex() const { return m_footIndex; }
    void setFootIndex(quint64 index) { m_footIndex = index; }
    const std::optional<plat::AttributedString>& renderedContent() const { return m_renderedContent; }
    void setRenderedContent(std::optional<plat::AttributedString> content) { m_renderedContent = std::move(content); }

    // Sets the content and replaces the text storage's whole text with it.
    void setAttributedString(const plat::AttributedString& text);
    // The text storage's text, taken into the content first.
    plat::AttributedString getAttributedString();

    QString className() const override { return QStringLiteral("ZQAttachedTextObject"); }
    // Its own text storage and undo manager; no footnote number, no rendered content.
    std::shared_ptr<plat::Object> copy() const override;
    bool supportsCoding() const override { return true; }
    // Archives the text storage's current text as "content", and "selection".
    void encodeWithCoder(plat::KeyedArchiver& coder) const override;

private:
    ZQAttachedTextObject();
    void refreshContent() const;

    mutable plat::MutableAttributedString m_content;
    QString m_selection;
    std::shared_ptr<plat::UndoManager> m_undoMgr;
    std::shared_ptr<plat::TextStorage> m_textStorage;
    quint64 m_footIndex = 0;
    std::optional<plat::AttributedString> m_renderedContent;
};

// A plain property: name() and setName().
#define ZQ_ATTACHED_FIELD(Type, name, setter, init) \
public: \
    const Type& name() const { return m_##name; } \
    void setter(Type value) { m_##name = std::move(value); } \
private: \
    Type m_##name init;

class ZQAttachedLinkObject final : public plat::Object {
    ZQ_ATTACHED_FIELD(QString, linkUrl, setLinkUrl, )
    ZQ_ATTACHED_FIELD(QString, linkTitle, setLinkTitle, )
    ZQ_ATTACHED_FIELD(QString, linkRefLabel, setLinkRefLabel, )
    // The kind of link: 1 inline, 2 full, 3 collapsed, 4 shortcut reference.
    ZQ_ATTACHED_FIELD(quint64, linkType, setLinkType, = 0)
    // The link's text; copied but not archived.
    ZQ_ATTACHED_FIELD(QString, linkLabel, setLinkLabel, )

public:
    static std::shared_ptr<ZQAttachedLinkObject> create();

    QString className() const override { return QStringLiteral("ZQAttachedLinkObject"); }
    std::shared_ptr<plat::Object> copy() const override;
    bool supportsCoding() const override { return true; }
    void encodeWithCoder(plat::KeyedArchiver& coder) const override;
};

class ZQAttachedImageObject final : public plat::Object {
    ZQ_ATTACHED_FIELD(bool, resizeAssociated, setResizeAssociated, = false)
    ZQ_ATTACHED_FIELD(plat::ImagePtr, originalImage, setOriginalImage, )
    ZQ_ATTACHED_FIELD(QString, originalFileName, setOriginalFileName, )
    ZQ_ATTACHED_FIELD(QString, originalImageHash, setOriginalImageHash, )
    // Invalid when there is none.
    ZQ_ATTACHED_FIELD(QDateTime, originalUpdatedDate, setOriginalUpdatedDate, )
    ZQ_ATTACHED_FIELD(QString, waitingDownloadingFileHash, setWaitingDownloadingFileHash, )
    ZQ_ATTACHED_FIELD(QString, imageLabel, setImageLabel, )
    ZQ_ATTACHED_FIELD(plat::ImagePtr, image, setImage, )
    ZQ_ATTACHED_FIELD(QString, imageHash, setImageHash, )
    ZQ_ATTACHED_FIELD(QString, imageTitle, setImageTitle, )
    ZQ_ATTACHED_FIELD(QString, imageFileName, setImageFileName, )
    ZQ_ATTACHED_FIELD(QString, url, setUrl, )
    ZQ_ATTACHED_FIELD(quint64, resizePercentage, setResizePercentage, = 0)
    ZQ_ATTACHED_FIELD(QString, dropboxHash, setDropboxHash, )
    ZQ_ATTACHED_FIELD(QString, dropboxRev, setDropboxRev, )
    // Where the file lies; copied, neither archived nor in the JSON form.
    ZQ_ATTACHED_FIELD(QString, filePath, setFilePath, )
    ZQ_ATTACHED_FIELD(QSizeF, originalSize, setOriginalSize, = QSizeF(0, 0))
    ZQ_ATTACHED_FIELD(QSizeF, resize, setResize, = QSizeF(0, 0))

public:
    // Resize percentage 100, width and height resized together.
    static std::shared_ptr<ZQAttachedImageObject> create();
    // Everything empty or zero, as an archive starts from.
    static std::shared_ptr<ZQAttachedImageObject> createEmpty();

    // The 16-key dictionary of the page description; every text present (empty when unset).
    plat::ValueMap asJSONDictionary(const QString& attachedStorageUuid) const;
    // A storage of owner "ZQMacroImage" holding a payload read from such a
    // dictionary; dated now when the date key is absent.
    static std::shared_ptr<ZQAttachedStorage> loadFromJSONDictionary(const plat::ValueMap& dictionary);

    QString className() const override { return QStringLiteral("ZQAttachedImageObject"); }
    // Copies of both images, each with a copy of its metadata; everything else taken over.
    std::shared_ptr<plat::Object> copy() const override;
    bool supportsCoding() const override { return true; }
    void encodeWithCoder(plat::KeyedArchiver& coder) const override;

private:
    ZQAttachedImageObject() = default;
};

#undef ZQ_ATTACHED_FIELD

using ZQAttachedTextObjectPtr = std::shared_ptr<ZQAttachedTextObject>;
using ZQAttachedLinkObjectPtr = std::shared_ptr<ZQAttachedLinkObject>;
using ZQAttachedImageObjectPtr = std::shared_ptr<ZQAttachedImageObject>;
