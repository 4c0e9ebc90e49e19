#include "app/library/ZQPagePasteboard.h"

#include "platform/foundation/KeyedArchive.h"

#include <QMimeData>

namespace {

const QString kPasteUuid = QStringLiteral("uuid");
const QString kPasteSpaceFolder = QStringLiteral("spaceFolder");
const QString kPasteDropboxPath = QStringLiteral("dropboxPath");

} // namespace

QByteArray ZQPagePasteboard::archiveItem(const ZQPagePasteboardItem& item)
{
    plat::ValueMap map;
    map.emplace(kPasteUuid, plat::Value(item.uuid));
    map.emplace(kPasteSpaceFolder, plat::Value(item.spaceFolder));
    map.emplace(kPasteDropboxPath, item.dropboxPath.isEmpty() ? plat::Value() : plat::Value(item.dropboxPath));
    return plat::KeyedArchiver::archivedData(plat::Value(std::move(map)));
}

std::optional<ZQPagePasteboardItem> ZQPagePasteboard::unarchiveItem(const QByteArray& data)
{
    const std::optional<plat::Value> root = plat::KeyedUnarchiver::unarchiveValue(data);
    if (!root || !root->isMap())
        return std::nullopt;
    const plat::ValueMap& map = root->toMap();
    const auto value = [&map](const QString& key) {
        const auto it = map.find(key);
        return it == map.end() ? QString() : it->second.toString();
    };
    ZQPagePasteboardItem item{value(kPasteUuid), value(kPasteSpaceFolder), value(kPasteDropboxPath)};
    if (item.uuid.isEmpty())
        return std::nullopt;
    return item;
}

std::unique_ptr<QMimeData> ZQPagePasteboard::mimeData(const std::vector<plat::ManagedObjectPtr>& pages)
{
    plat::ValueList archives;
    for (const auto& page : pages) {
        if (!page)
            continue;
        archives.emplace_back(archiveItem({page->valueForKey(kPasteUuid).toString(), page->valueForKey(kPasteSpaceFolder).toString(),
                                           page->valueForKey(kPasteDropboxPath).toString()}));
    }
    auto data = std::make_unique<QMimeData>();
    data->setData(ZQPagePasteboardType(), plat::KeyedArchiver::archivedData(plat::Value(std::move(archives))));
    return data;
}

std::vector<ZQPagePasteboardItem> ZQPagePasteboard::items(const QMimeData* data)
{
    std::vector<ZQPagePasteboardItem> result;
    if (!data || !data->hasFormat(ZQPagePasteboardType()))
        return result;
    const std::optional<plat::Value> root = plat::KeyedUnarchiver::unarchiveValue(data->data(ZQPagePasteboardType()));
    if (!root || !root->isList())
        return result;
    for (const plat::Value& archive : root->toList()) {
        if (auto item = unarchiveItem(archive.toData()))
            result.push_back(std::move(*item));
    }
    return result;
}
