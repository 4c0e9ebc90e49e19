// Pages built from received cloud content, and conflicting file versions.
#include "kit/storage/ZSAbstractDocument.h"

#include "kit/model/ZSTextTheme.h"
#include "kit/render/ZQRender.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/foundation/ImageExs.h"
#include "platform/document/FileVersion.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/NotificationCenter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

plat::ValueMap parseMap(const QByteArray& json)
{
    const std::optional<plat::Value> parsed = plat::parseJson(json);
    return parsed && parsed->isMap() ? parsed->toMap() : plat::ValueMap();
}

std::vector<ZQAttachedStoragePtr> imageEntries(const plat::ValueMap& description)
{
    std::vector<ZQAttachedStoragePtr> records;
    const auto it = description.find(QStringLiteral("zqMainStorageImages"));
    if (it == description.end() || !it->second.isList())
        return records;
    for (const plat::Value& entry : it->second.toList()) {
        if (entry.isMap())
            if (ZQAttachedStoragePtr record = ZQAttachedImageObject::loadFromJSONDictionary(entry.toMap()))
                records.push_back(std::move(record));
    }
    return records;
}

// An image file of the package; nullptr when the name is unsafe or the file no image.
plat::ImagePtr packageImage(const QString& packagePath, const QString& memberName)
{
    if (memberName.isEmpty())
        return nullptr;
    QFile file(QDir(packagePath).filePath(memberName));
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    return Exs::loadImageFromData(file.readAll());
}

} // namespace

std::shared_ptr<ZSAbstractDocument> ZSAbstractDocument::initDocumentFromContentUrl(const QUrl& contentUrl,
                                                                                  const QString& markdown,
                                                                                  const QString& metainfo)
{
    auto document = create();
    const plat::ValueMap received = parseMap(metainfo.toUtf8());
    if (const auto sel = received.find(QStringLiteral("zqMainStorageSel")); sel != received.end() && sel->second.isString())
        document->m_selectionRange = plat::rangeFromString(sel->second.toString());
    document->m_storageType = 0;
    document->m_themeId = document->textTheme->themeID();
    document->m_themeVersion = document->textTheme->themeVersion();
    document->m_renderContext->forceRemoveAllAttachedStorage();

    const QString packagePath = plat::normalizedItemPath(contentUrl);
    QHash<QString, ZQAttachedImageObjectPtr> local;
    {
        QFile file(QDir(packagePath).filePath(QStringLiteral("main.json")));
        if (file.open(QIODevice::ReadOnly)) {
            for (const ZQAttachedStoragePtr& record : imageEntries(parseMap(file.readAll())))
                if (record->attachedObject())
                    local.insert(record->uuid(), record->attachedObject());
        }
    }

    QHash<QString, QString> toFetch;
    for (const ZQAttachedStoragePtr& record : imageEntries(received)) {
        const ZQAttachedImageObjectPtr object = record->attachedObject();
        if (!object)
            continue;
        const QString receivedHash = object->originalImageHash();
        const ZQAttachedImageObjectPtr mine = local.value(record->uuid());
        const bool same = mine
            && ((!mine->waitingDownloadingFileHash().isEmpty() && mine->waitingDownloadingFileHash() == receivedHash)
                || mine->originalImageHash() == receivedHash);
        if (!same) {
            toFetch.insert(record->uuid(), receivedHash);
        } else {
            if (plat::ImagePtr original = packageImage(packagePath, imageMemberName(record->uuid(), mine->originalFileName(), true)))
                object->setOriginalImage(std::move(original));
            const QSizeF resize = object->resize();
            if (resize == mine->resize()) {
                if (plat::ImagePtr shown = packageImage(packagePath, imageMemberName(record->uuid(), mine->originalFileName(), false)))
                    object->setImage(std::move(shown));
            } else if (object->originalImage() && resize.width() > 0 && resize.height() > 0) {
                object->setImage(Exs::imageResize(*object->originalImage(), resize));
            }
        }
        document->m_renderContext->addAttachedStorage(record, QStringLiteral("ZQMacroImage"));
    }
    document->m_icloudAttachments = toFetch;
    document->m_markupRender->setRenderContext(document->m_renderContext);
    plat::MutableAttributedString styled{plat::AttributedString(markdown)};
    document->m_markupRender->highlightMarkdown(styled);
    document->m_markupTextStorage->setAttributedString(styled);
    return document;
}

void ZSAbstractDocument::resolveVersionConflict(const plat::FileVersionPtr& version)
{
    const auto provider = plat::FileVersionProvider::current();
    const std::vector<plat::FileVersionPtr> conflicts = provider->unresolvedConflictVersionsOfItemAtURL(fileURL());
    if (conflicts.empty())
        return;
    plat::FileVersionPtr newest = version;
    for (const plat::FileVersionPtr& conflict : conflicts) {
        if (!newest || conflict->modificationDate() > newest->modificationDate())
            newest = conflict;
    }
    if (newest != version) {
        const QUrl url = fileURL();
        QString ignored;
        if (newest->replaceItemAtURL(url, &ignored))
            revertToContentsOfURL(url, pageDocumentType(), &ignored);
        const QFileInfo package(plat::normalizedItemPath(url));
        plat::NotificationCenter::defaultCenter().post(
            QStringLiteral("notifyDocMergedConflict"), shared_from_this(),
            {{QStringLiteral("pageUuid"), plat::Value(package.fileName())},
             {QStringLiteral("spaceFolder"), plat::Value(QFileInfo(package.absolutePath()).fileName())}});
    }
    for (const plat::FileVersionPtr& conflict : conflicts)
        conflict->setResolved(true);
}
