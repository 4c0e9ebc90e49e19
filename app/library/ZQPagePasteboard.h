#pragma once
// The dragged pages on the clipboard of a drag: one keyed archive per page
// ("uuid", "spaceFolder", "dropboxPath" — none for a library page) under the
// page type, so the space list can read a drag that the page list started.

#include "platform/store/ManagedObject.h"

#include <QString>
#include <memory>
#include <vector>

class QMimeData;

inline QString ZQPagePasteboardType() { return QStringLiteral("com.zolfarin.quorvel.PagePBoardType"); }

struct ZQPagePasteboardItem {
    QString uuid;
    QString spaceFolder;
    QString dropboxPath; // empty for a library page
    bool operator==(const ZQPagePasteboardItem&) const = default;
};

class ZQPagePasteboard {
public:
    ZQPagePasteboard() = delete;

    static QByteArray archiveItem(const ZQPagePasteboardItem& item);
    // Nothing when the archive is damaged or lacks the uuid.
    static std::optional<ZQPagePasteboardItem> unarchiveItem(const QByteArray& data);

    // The items in the order of the records; only the page type is declared.
    static std::unique_ptr<QMimeData> mimeData(const std::vector<plat::ManagedObjectPtr>& pages);
    // The readable items of a drag; empty when it holds no page type.
    static std::vector<ZQPagePasteboardItem> items(const QMimeData* data);
};
