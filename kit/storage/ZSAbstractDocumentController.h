#pragma once
// Gives the sync engine a page package by its address without a window: its
// markup and description, its image records, whether an image still awaits
// its original, and storing a downloaded image. An open page is read and
// changed through its open document on the main thread; a closed page's files
// are read and rewritten directly, one update of a package at a time.

#include "kit/model/ZQAttachedStorage.h"
#include "platform/document/DocumentController.h"
#include "platform/foundation/Value.h"
#include "platform/graphics/Image.h"

#include <QDateTime>
#include <functional>
#include <optional>
#include <vector>

class ZSAbstractDocument;

class ZSAbstractDocumentController : public plat::DocumentController {
public:
    static std::shared_ptr<ZSAbstractDocumentController> create()
    {
        return std::shared_ptr<ZSAbstractDocumentController>(new ZSAbstractDocumentController);
    }

    // The text of "main.md" / "main.json", none (logged) when it cannot be read.
    std::optional<QString> loadMarkdownContent(const QUrl& docUrl) const;
    std::optional<QString> loadMetaInfo(const QUrl& docUrl) const;
    // The page's image records (owner "ZQMacroImage").
    std::vector<ZQAttachedStoragePtr> getAttachmentList(const QUrl& docUrl) const;
    // YES when the image's awaited original has this hash.
    bool isWaitingOriginalAttachmentDownloading(const QUrl& docUrl, const QString& attachUuid,
                                                const QString& attachHash) const;
    // Stores a downloaded image: a thumbnail marks the original of filehash as
    // awaited, a full original clears that mark. YES when the image was stored.
    bool updateAttachment(const QUrl& docUrl, const QString& attachUuid, const plat::ImagePtr& image,
                          const QString& filehash, const QDateTime& updatedDate, bool isThumbnail);
    void updateAttachment(const QUrl& docUrl, const QString& attachUuid, const QString& dropboxHash,
                          const QString& dropboxRev);

    QString className() const override { return QStringLiteral("ZSAbstractDocumentController"); }

protected:
    ZSAbstractDocumentController() = default;

private:
    using LoadBlock = std::function<bool(plat::ValueMap* description, std::vector<ZQAttachedStoragePtr>* list)>;

    // The open page document of the address, via the shared controller.
    std::shared_ptr<ZSAbstractDocument> getDocument(const QUrl& docUrl) const;
    // The image records of a closed page; none when it has no "main.json" or the block answers NO.
    std::optional<std::vector<ZQAttachedStoragePtr>> loadAttachmentFromJSON(const QUrl& docUrl,
                                                                            const LoadBlock& block) const;
    // Writes "main.json" again with the image list replaced, every other key as it was.
    void persistInfoJson(const QUrl& docUrl, plat::ValueMap infolist,
                         const std::vector<ZQAttachedStoragePtr>& attachments) const;
    void updateImage(const QUrl& docUrl, const ZQAttachedStorage& storage, const plat::ImagePtr& image,
                     const QString& filehash, const QDateTime& updatedDate, bool isThumbnail, bool persist) const;
};
