#include "kit/storage/ZSAbstractDocumentController.h"

#include "kit/model/ZQRenderContext.h"
#include "kit/foundation/ImageExs.h"
#include "kit/storage/ZSAbstractDocument.h"
#include "platform/document/FileVersion.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Json.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <map>
#include <mutex>

namespace {

const QString OwnerImage = QStringLiteral("ZQMacroImage");

std::optional<QByteArray> readMember(const QUrl& docUrl, const QString& name)
{
    QFile file(QDir(plat::normalizedItemPath(docUrl)).filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// One update of a closed package at a time in this process.
std::mutex& packageLock(const QUrl& docUrl)
{
    static std::mutex registry;
    static std::map<QString, std::unique_ptr<std::mutex>> locks;
    std::lock_guard lock(registry);
    auto& entry = locks[plat::normalizedItemPath(docUrl)];
    if (!entry)
        entry = std::make_unique<std::mutex>();
    return *entry;
}

// Runs work on the main thread, where open documents live, and waits for it.
template <typename T>
T onMain(const std::function<T()>& work)
{
    T result{};
    plat::dispatchMainSync([&] { result = work(); });
    return result;
}

} // namespace

std::shared_ptr<ZSAbstractDocument> ZSAbstractDocumentController::getDocument(const QUrl& docUrl) const
{
    return std::dynamic_pointer_cast<ZSAbstractDocument>(
        plat::DocumentController::sharedDocumentController()->documentForURL(docUrl));
}

std::optional<QString> ZSAbstractDocumentController::loadMarkdownContent(const QUrl& docUrl) const
{
    const std::optional<QByteArray> bytes = readMember(docUrl, QStringLiteral("main.md"));
    if (!bytes) {
        qWarning().noquote() << QStringLiteral("Load %1 failed").arg(QDir(plat::normalizedItemPath(docUrl)).filePath(QStringLiteral("main.md")));
        return std::nullopt;
    }
    return QString::fromUtf8(*bytes);
}

std::optional<QString> ZSAbstractDocumentController::loadMetaInfo(const QUrl& docUrl) const
{
    const std::optional<QByteArray> bytes = readMember(docUrl, QStringLiteral("main.json"));
    if (!bytes) {
        qWarning().noquote() << QStringLiteral("Load %1 failed").arg(QDir(plat::normalizedItemPath(docUrl)).filePath(QStringLiteral("main.json")));
        return std::nullopt;
    }
    return QString::fromUtf8(*bytes);
}

std::optional<std::vector<ZQAttachedStoragePtr>>
ZSAbstractDocumentController::loadAttachmentFromJSON(const QUrl& docUrl, const LoadBlock& block) const
{
    const std::optional<QByteArray> bytes = readMember(docUrl, QStringLiteral("main.json"));
    if (!bytes || bytes->isEmpty()) {
        qWarning().noquote() << QStringLiteral("JSON file does not exist %1").arg(QDir(plat::normalizedItemPath(docUrl)).filePath(QStringLiteral("main.json")));
        if (block)
            block(nullptr, nullptr);
        return std::nullopt;
    }
    const std::optional<plat::Value> parsed = plat::parseJson(*bytes);
    plat::ValueMap description = parsed && parsed->isMap() ? parsed->toMap() : plat::ValueMap();
    std::vector<ZQAttachedStoragePtr> list;
    if (const auto it = description.find(QStringLiteral("zqMainStorageImages")); it != description.end() && it->second.isList()) {
        for (const plat::Value& entry : it->second.toList()) {
            if (entry.isMap())
                if (ZQAttachedStoragePtr record = ZQAttachedImageObject::loadFromJSONDictionary(entry.toMap()))
                    list.push_back(std::move(record));
        }
    }
    if (block && !block(&description, &list))
        return std::nullopt;
    return list;
}

void ZSAbstractDocumentController::persistInfoJson(const QUrl& docUrl, plat::ValueMap infolist,
                                                   const std::vector<ZQAttachedStoragePtr>& attachments) const
{
    plat::ValueList entries;
    for (const ZQAttachedStoragePtr& record : attachments) {
        if (const ZQAttachedImageObjectPtr object = record->attachedObject())
            entries.emplace_back(object->asJSONDictionary(record->uuid()));
    }
    infolist[QStringLiteral("zqMainStorageImages")] = plat::Value(std::move(entries));
    const QByteArray json = plat::jsonData(plat::Value(std::move(infolist)), nullptr, QJsonDocument::Compact);
    if (!json.isEmpty())
        plat::writeFileAtomically(QDir(plat::normalizedItemPath(docUrl)).filePath(QStringLiteral("main.json")), json);
}

std::vector<ZQAttachedStoragePtr> ZSAbstractDocumentController::getAttachmentList(const QUrl& docUrl) const
{
    if (const auto document = getDocument(docUrl)) {
        return onMain<std::vector<ZQAttachedStoragePtr>>(
            [&] { return document->renderContext()->getAttachedStorageByOwner(OwnerImage); });
    }
    return loadAttachmentFromJSON(docUrl, nullptr).value_or(std::vector<ZQAttachedStoragePtr>());
}

bool ZSAbstractDocumentController::isWaitingOriginalAttachmentDownloading(const QUrl& docUrl, const QString& attachUuid,
                                                                          const QString& attachHash) const
{
    const auto awaits = [&](const ZQAttachedStoragePtr& record) {
        const ZQAttachedImageObjectPtr object = record ? record->attachedObject() : nullptr;
        return object && !object->waitingDownloadingFileHash().isEmpty()
            && object->waitingDownloadingFileHash() == attachHash;
    };
    if (const auto document = getDocument(docUrl))
        return onMain<bool>([&] { return awaits(document->renderContext()->getAttachedStorage(attachUuid, OwnerImage)); });
    const auto list = loadAttachmentFromJSON(docUrl, nullptr);
    if (!list)
        return false;
    for (const ZQAttachedStoragePtr& record : *list) {
        if (record->uuid() == attachUuid)
            return awaits(record);
    }
    return false;
}

void ZSAbstractDocumentController::updateImage(const QUrl& docUrl, const ZQAttachedStorage& storage,
                                               const plat::ImagePtr& image, const QString& filehash,
                                               const QDateTime& updatedDate, bool isThumbnail, bool persist) const
{
    const ZQAttachedImageObjectPtr object = storage.attachedObject();
    if (!object || !image)
        return;
    object->setOriginalImage(image);
    const QByteArray bytes = ZSAbstractDocument::storedImageBytes(*image);
    if (!isThumbnail) {
        object->setOriginalImageHash(filehash);
        object->setOriginalUpdatedDate(updatedDate);
        object->setWaitingDownloadingFileHash(QString());
    } else {
        object->setWaitingDownloadingFileHash(filehash);
    }
    const QDir package(plat::normalizedItemPath(docUrl));
    const auto writeMember = [&](const QString& name, const QByteArray& data) {
        if (name.isEmpty()) {
            qWarning().noquote() << QStringLiteral("Unexpected image file name, not written: %1").arg(object->originalFileName());
            return;
        }
        plat::writeFileAtomically(package.filePath(name), data);
    };
    if (persist)
        writeMember(ZSAbstractDocument::imageMemberName(storage.uuid(), object->originalFileName(), true), bytes);
    const QSizeF resize = object->resize();
    if (resize.width() > 0 && resize.height() > 0 && resize != image->size()) {
        if (plat::ImagePtr resized = Exs::imageResize(*image, resize)) {
            object->setImage(resized);
            if (persist)
                writeMember(ZSAbstractDocument::imageMemberName(storage.uuid(), object->originalFileName(), false),
                            Exs::contentOfData(*resized));
        }
    }
}

bool ZSAbstractDocumentController::updateAttachment(const QUrl& docUrl, const QString& attachUuid,
                                                    const plat::ImagePtr& image, const QString& filehash,
                                                    const QDateTime& updatedDate, bool isThumbnail)
{
    if (const auto document = getDocument(docUrl)) {
        return onMain<bool>([&] {
            const ZQAttachedStoragePtr record = document->renderContext()->getAttachedStorage(attachUuid, OwnerImage);
            if (!record)
                return false;
            updateImage(docUrl, *record, image, filehash, updatedDate, isThumbnail, false);
            document->updateChangeCount(plat::Document::ChangeType::Done);
            document->savePresentedItemChanges([](const QString&) {});
            return true;
        });
    }
    std::lock_guard lock(packageLock(docUrl));
    bool stored = false;
    loadAttachmentFromJSON(docUrl, [&](plat::ValueMap* description, std::vector<ZQAttachedStoragePtr>* list) {
        if (!description || !list)
            return false;
        for (const ZQAttachedStoragePtr& record : *list) {
            if (record->uuid() != attachUuid)
                continue;
            updateImage(docUrl, *record, image, filehash, updatedDate, isThumbnail, true);
            persistInfoJson(docUrl, *description, *list);
            stored = true;
            return true;
        }
        return false;
    });
    return stored;
}

void ZSAbstractDocumentController::updateAttachment(const QUrl& docUrl, const QString& attachUuid,
                                                    const QString& dropboxHash, const QString& dropboxRev)
{
    if (const auto document = getDocument(docUrl)) {
        plat::dispatchMainSync([&] {
            const ZQAttachedStoragePtr record = document->renderContext()->getAttachedStorage(attachUuid, OwnerImage);
            if (!record || !record->attachedObject())
                return;
            record->attachedObject()->setDropboxHash(dropboxHash);
            record->attachedObject()->setDropboxRev(dropboxRev);
            document->updateChangeCount(plat::Document::ChangeType::Done);
        });
        return;
    }
    std::lock_guard lock(packageLock(docUrl));
    loadAttachmentFromJSON(docUrl, [&](plat::ValueMap* description, std::vector<ZQAttachedStoragePtr>* list) {
        if (!description || !list)
            return false;
        for (const ZQAttachedStoragePtr& record : *list) {
            if (record->uuid() != attachUuid)
                continue;
            if (!record->attachedObject())
                return false;
            record->attachedObject()->setDropboxHash(dropboxHash);
            record->attachedObject()->setDropboxRev(dropboxRev);
            persistInfoJson(docUrl, *description, *list);
            return true;
        }
        return false;
    });
}
