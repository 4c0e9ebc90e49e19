#pragma once
// The base of every page document. It owns what a page is while it is open
// (its rich and markup text, its render context and render engine, the
// selection and the theme it was saved with) and turns it into the page
// package and back:
//   "main.md"       always: the page's markup (for a rich page, made from its rich text)
//   "rich.qrvpage"  rich pages: keyed archive of the text and the non-image records
//   "img_<uuid>m_<name>", "img_<uuid><name>"  the shown and the original image of each image record
//   "main.json"     always, last: type, selection, theme and the image records
// The platform document saves the package in one step.

#include "kit/foundation/ZQErrorValue.h"
#include "kit/model/ZQAttachedStorage.h"
#include "platform/document/Document.h"
#include "platform/document/FileVersion.h"
#include "platform/foundation/Range.h"
#include "platform/text/TextStorage.h"

#include <QHash>
#include <QSet>
#include <mutex>
#include <optional>

class ZQMarkupHelper;
class ZQRender;
class ZQRenderContext;
class ZSSettings;
class ZSTextTheme;

class ZSAbstractDocument : public plat::Document {
public:
    static QString pageDocumentType() { return QStringLiteral("com.zolfarin.osx.uti.quorvel.page.commonmark"); }
    static constexpr qint64 AttachedStorageVersion = 20141102;

    // A configured, empty document.
    static std::shared_ptr<ZSAbstractDocument> create();
    // A markup page (type 0) of received content, its images matched against
    // the local package at contentUrl: unchanged images take the local files,
    // the others are listed in icloudAttachments to be fetched.
    static std::shared_ptr<ZSAbstractDocument> initDocumentFromContentUrl(const QUrl& contentUrl,
                                                                          const QString& markdown,
                                                                          const QString& metainfo);

    // Settings, theme, a markup helper and render engine of its own, empty
    // texts, selection {0, 0}, storage type -1, an empty render context.
    void configureDoc();

    // The package of the page; nullptr with the error when a rich page cannot
    // be archived (a broken rich member never replaces a stored one).
    plat::DirectoryWrapperPtr fileWrapper(std::optional<ZQErrorValue>* error = nullptr);
    // Fills the document from a package. Bad parts lose nothing else: an
    // unreadable "main.json" reads as empty and the page as markup; an
    // unreadable rich member opens the page from its markup and says so
    // (richContentUnreadable); a missing or broken image file leaves that image
    // empty and keeps its record. Fails, leaving the document as it was, only
    // when the package has no markup to read.
    bool readFromFileWrapper(const plat::DirectoryWrapper& package, std::optional<ZQErrorValue>* error = nullptr);
    // Keeps the newest of version and the conflicting versions of the
    // document's address, reverting to it when it is not version.
    void resolveVersionConflict(const plat::FileVersionPtr& version);
    // A package ("...mkqrv") directly inside the folder of the space its parent folder names.
    bool isLibraryDocument() const;
    // Empty here; the application's document replaces or versions the page.
    virtual void mergeICloudMarkdown(const QString& markdown, const QString& metainfo, bool asVersion);

    // The package member of an image: "img_" + uuid + ("m_" for the shown
    // image) + file name, each "/", "\" and NUL made "_" so that it names one
    // file inside the package; empty when even that is no file name (too long).
    static QString imageMemberName(const QString& uuid, const QString& originalFileName, bool original);
    // The bytes an image is stored as: those it was read from while it is
    // unchanged (no re-encoding, so JPEG quality and GIF frames survive), else
    // its encoding in its own type.
    static QByteArray storedImageBytes(const plat::Image& image);

    // The platform's save and open go through fileWrapper and readFromFileWrapper.
    std::shared_ptr<plat::DirectoryWrapper> fileWrapperOfType(const QString& typeName, QString* error) override;
    bool readFromFileWrapper(const plat::DirectoryWrapper& package, const QString& typeName, QString* error) override;

    qint64 storageType() const { return m_storageType; }
    void setStorageType(qint64 type) { m_storageType = type; }
    const std::shared_ptr<plat::TextStorage>& richTextStorage() const { return m_richTextStorage; }
    const std::shared_ptr<plat::TextStorage>& markupTextStorage() const { return m_markupTextStorage; }
    plat::Range selectionRange() const { return m_selectionRange; }
    void setSelectionRange(plat::Range range) { m_selectionRange = range; }
    const std::shared_ptr<ZQRenderContext>& renderContext() const { return m_renderContext; }
    void setRenderContext(std::shared_ptr<ZQRenderContext> context) { m_renderContext = std::move(context); }
    const std::shared_ptr<ZQRender>& markupRender() const { return m_markupRender; }
    QString themeId() const { return m_themeId; }
    void setThemeId(const QString& themeId) { m_themeId = themeId; }
    double themeVersion() const { return m_themeVersion; }
    void setThemeVersion(double version) { m_themeVersion = version; }
    const QHash<QString, QString>& icloudAttachments() const { return m_icloudAttachments; }
    void setIcloudAttachments(QHash<QString, QString> attachments) { m_icloudAttachments = std::move(attachments); }
    // The last read found a rich member it could not decode and opened the markup instead.
    bool richContentUnreadable() const { return m_richContentUnreadable; }

    QString className() const override { return QStringLiteral("ZSAbstractDocument"); }

    // Read directly by the application's document.
    std::shared_ptr<ZSSettings> settings;
    std::shared_ptr<ZSTextTheme> textTheme;
    std::shared_ptr<ZQMarkupHelper> markupHelper;

protected:
    ZSAbstractDocument();

    // Archived rich text carries empty attachments; the images come back from their records.
    static void cleanAttachment(plat::MutableAttributedString& content);
    static void reloadImageAttachments(plat::MutableAttributedString& content,
                                       const std::vector<ZQAttachedStoragePtr>& attachedStorages);

private:
    void saveImageToFileWrapper(const ZQAttachedImageObject& image, const QString& uuid,
                                plat::DirectoryWrapper& fileWrapper, bool isOriginal) const;
    // storedImageBytes, with the encodings of drawn images kept between saves.
    QByteArray encodedImageBytes(const plat::Image& image) const;
    // The rich text of a rich member, or none with the reason.
    struct RichMember {
        plat::MutableAttributedString text;
        std::vector<ZQAttachedStoragePtr> storages;
    };
    static std::optional<RichMember> decodeRichMember(const QByteArray& data, QString* error);
    // Sets the markup page from text and the image records.
    void takeMarkup(const QString& markup, const std::vector<ZQAttachedStoragePtr>& images);

    qint64 m_storageType = -1;
    std::shared_ptr<plat::TextStorage> m_richTextStorage;
    std::shared_ptr<plat::TextStorage> m_markupTextStorage;
    plat::Range m_selectionRange{0, 0};
    std::shared_ptr<ZQRenderContext> m_renderContext;
    std::shared_ptr<ZQRender> m_markupRender;
    QString m_themeId;
    double m_themeVersion = 0;
    QHash<QString, QString> m_icloudAttachments;
    bool m_richContentUnreadable = false;
    // Image members that were no image we can decode, by name: written back as they were.
    QHash<QString, QByteArray> m_undecodedImageFiles;
    mutable std::mutex m_encodedMutex;
    mutable QHash<QString, QByteArray> m_encodedImages;
    mutable QSet<QString> m_encodedUsed;
};

using ZSAbstractDocumentPtr = std::shared_ptr<ZSAbstractDocument>;
