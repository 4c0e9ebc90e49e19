#include "app/library/ZQPageExportReader.h"

#include "app/library/ZQLibraryRecords.h"
#include "app/shell/ZQStringUtil.h"
#include "kit/model/ZQAttachedObjects.h"
#include "kit/model/ZSUtils.h"
#include "kit/render/ZQRender.h"
#include "platform/foundation/Json.h"
#include "platform/graphics/Image.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

plat::Value exportInfoValue(const plat::ValueMap& map, const QString& key)
{
    const auto it = map.find(key);
    return it == map.end() ? plat::Value() : it->second;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

std::optional<QString> ZQPageExportReader::readMarkdown(const plat::ManagedObjectPtr& page,
                                                        std::vector<ZQAttachedStoragePtr>& attachedStorages,
                                                        ZQRender& markupRender, const ZQLinkedImageOptions& linkedOptions)
{
    if (!page)
        return std::nullopt;
    const QString spaceFolder = page->valueForKey(QStringLiteral("spaceFolder")).toString();
    if (!page->valueForKey(QStringLiteral("dropboxPath")).toString().trimmed().isEmpty()) {
        const QUrl file = ZQLibraryRecords::pageFileUrl(page);
        const auto text = file.isEmpty() ? std::nullopt : ZQStringUtil::stringFromFileURL(file);
        if (!text)
            return std::nullopt;
        const QString scan = linkedOptions.loadingImagePath.isEmpty() ? QFileInfo(file.toLocalFile()).path()
                                                                      : linkedOptions.loadingImagePath;
        for (auto& storage : ZQRender::loadExternalImages(plat::AttributedString(*text), scan, linkedOptions.assignedURLPrefix, markupRender))
            attachedStorages.push_back(std::move(storage));
        return text;
    }

    const QDir package(ZSUtils::pageUrl(page->valueForKey(QStringLiteral("uuid")).toString(), spaceFolder).toLocalFile());
    const auto text = ZQStringUtil::stringFromFileURL(QUrl::fromLocalFile(package.filePath(QStringLiteral("main.md"))));
    const auto description = plat::parseJson(readFile(package.filePath(QStringLiteral("main.json"))));
    if (description && description->isMap()) {
        const plat::Value images = exportInfoValue(description->toMap(), QStringLiteral("zqMainStorageImages"));
        for (const plat::Value& item : images.isList() ? images.toList() : plat::ValueList()) {
            try {
                if (!item.isMap())
                    throw std::runtime_error("an image description is no dictionary");
                const auto storage = ZQAttachedImageObject::loadFromJSONDictionary(item.toMap());
                const auto image = storage ? storage->attachedObject() : nullptr;
                if (!image)
                    throw std::runtime_error("no image in the description");
                const QString original = package.filePath(QStringLiteral("img_%1%2").arg(storage->uuid(), image->originalFileName()));
                if (QFileInfo::exists(original))
                    image->setOriginalImage(plat::Image::fromData(readFile(original)));
                const QString shown = package.filePath(QStringLiteral("img_%1m_%2").arg(storage->uuid(), image->originalFileName()));
                if (QFileInfo::exists(shown))
                    image->setImage(plat::Image::fromData(readFile(shown)));
                attachedStorages.push_back(storage);
            } catch (const std::exception& e) {
                qWarning().noquote() << QStringLiteral("Export attachment failed %1").arg(QString::fromUtf8(e.what()));
            }
        }
    }
    return text;
}
