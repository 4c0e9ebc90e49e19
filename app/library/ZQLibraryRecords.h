#pragma once
// What the library's records mean: the space types, the folders of the system
// and decoration spaces, and the order of spaces and pages. Records are read
// and written by key name; the entities have no classes of their own.

#include "platform/store/ManagedObject.h"

#include <QString>
#include <QUrl>
#include <vector>

namespace ZQSpaceType {
constexpr qint32 Library = 1;
constexpr qint32 LinkedFolder = 10;
constexpr qint32 Trash = -2;
constexpr qint32 Tags = -3;
constexpr qint32 FiltersRoot = -4;
constexpr qint32 SavedFilter = -6;
constexpr qint32 LibraryTitle = -99;
constexpr qint32 LibraryDivider = 3;
constexpr qint32 LinkedTitle = 8;
constexpr qint32 LinkedDivider = 15;
} // namespace ZQSpaceType

namespace ZQNodeType {
constexpr qint64 Page = 1;
constexpr qint64 SpaceTitle = 2;
} // namespace ZQNodeType

namespace ZQSpaceFolder {
inline QString trash() { return QStringLiteral("sys__trash"); }
inline QString tags() { return QStringLiteral("__tags_s"); }
inline QString filters() { return QStringLiteral("sys__filters"); }
inline QString libraryTitle() { return QStringLiteral("__spacetitle_s"); }
inline QString libraryDivider() { return QStringLiteral("__divider_s"); }
inline QString linkedTitle() { return QStringLiteral("__ext_title_s"); }
inline QString linkedDivider() { return QStringLiteral("__ext_divider_s"); }
} // namespace ZQSpaceFolder

// A dragged space declares only this type and carries no data.
inline QString ZQSpacePasteboardType() { return QStringLiteral("com.zolfarin.quorvel.SpacePBoardType"); }

class ZQLibraryRecords {
public:
    ZQLibraryRecords() = delete;

    // The space list's order: non-system first, then by type, sort index, and
    // newest first.
    static bool spaceOrderLess(const plat::ManagedObjectPtr& a, const plat::ManagedObjectPtr& b);
    static void sortSpaces(std::vector<plat::ManagedObjectPtr>& spaces);
    // Decoration rows separate groups in the list and are never opened.
    static bool isDecoration(qint32 spaceType);

    // After a reorder: non-system spaces take their 0-based position among
    // their siblings, system spaces keep theirs; pages are numbered from 1.
    static void renumberSpaces(const std::vector<plat::ManagedObjectPtr>& siblings);
    static void renumberPages(const std::vector<plat::ManagedObjectPtr>& pages);

    // The first launch's six rows, top-level, in the main context, saved
    // waiting: library title, "My Library" ("<appID>ds"), divider, tags,
    // filters, trash. False when the save fails.
    static bool seedSystemSpaces(const QString& appID);

    // The disk path of a linked folder: its own "dropboxPath" after those of
    // the spaces above it that have one; empty when the space has none.
    static QString spaceFolderPath(const plat::ManagedObjectPtr& space);
    // The file of a linked-folder page; empty when it has none.
    static QUrl pageFileUrl(const plat::ManagedObjectPtr& page);
    // The space or one of its ancestors is the trash.
    static bool liesInTrash(const plat::ManagedObjectPtr& space);
    // A page record's title as plain text (stored as attributed text).
    static QString pageTitle(const plat::ManagedObjectPtr& page);

    // The space above a space; none for a top-level space (or no space).
    static plat::ManagedObjectPtr parentOf(const plat::ManagedObjectPtr& space);
    // A stored date as seconds, 0 when absent, for ordering.
    static double seconds(const plat::Value& date);

    // path when nothing exists there, else the first free "<base> <n>.<ext>"
    // for n = 1, 2, 3 ...
    static QString uniqueFileSystemName(const QString& path);
};
