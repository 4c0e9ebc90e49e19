#pragma once
// Class operations shared by the whole kit, one section per concern; each
// section is implemented in its own ZSUtils*.cpp.

#include "kit/foundation/ZQErrorValue.h"

#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

class HTMLNode;

class ZSUtils {
public:
    ZSUtils() = delete;

    // --- Paths and identifiers (ZSUtilsPaths.cpp) -----------------------------
    // Folder URLs are file URLs without a trailing slash. An empty QUrl is "none".

    // The application data folder, computed and created on first use (a
    // failure to create it is ignored) and kept for the life of the process.
    static QUrl appDirectory();
    // The folder, created with its parents when missing; empty on failure,
    // with the reason in error.
    static QUrl ensurePath(const QUrl& directory, std::optional<ZQErrorValue>* error = nullptr);
    // The named folder of the data folder (the data folder itself for a null
    // name), created when missing; empty on failure.
    static QUrl ensureSandboxPath(const QString& folder, std::optional<ZQErrorValue>* error = nullptr);
    // Places only; nothing is created.
    static QUrl spaceUrl(const QString& spaceFolder);
    static QUrl pageUrl(const QString& pagePackage, const QString& spaceFolder);
    static QUrl spaceSandboxUrl(const QString& spaceFolder);
    static QUrl pageSandboxUrl(const QString& pagePackage, const QString& spaceFolder);
    // The database file in the space folder (created when missing), or in the
    // data folder for a null folder; empty when the folder cannot be made.
    static QUrl databaseUrl(const QString& database, const QString& spaceFolder);
    // A new folder named by a new UUID in the system's temporary folder.
    static QUrl tempDir();
    // Direct entries, hidden ones skipped; empty when unreadable.
    static QList<QUrl> listFilesUnderDirectory(const QUrl& directory);
    // Equal, or equal once one trailing "/" is dropped from each.
    static bool isSameFileURL(const QUrl& url, const QUrl& with);
    // A new random UUID, 36 upper-case characters in groups 8-4-4-4-12.
    static QString uuid();

    // --- Space and page names (ZSUtilsNames.cpp) -------------------------------
    // Counters live in the user defaults; a name handed out never names an
    // existing file or folder.

    // The next space sort index (the stored counter plus one, stored again).
    static qint64 getUniqueSortIndex();
    // "<appID><n>s", else "<uuid>xs" names until one is free; none after 1000 taken names.
    static QString findAvailbleSpaceFolder(qint64 number);
    // The next page package "p<deviceID>-<n>.mkqrv" ("p-<n>.mkqrv" without a
    // device identifier), skipping numbers whose package exists in the space
    // folder; none after 1000 taken names.
    static QString findAvailblePageUuid(const QString& spaceFolder);
    // "p-<n>.mkqrv" with the settings' device identifier put after the "p";
    // none for any other name, or when there is no device identifier.
    static QString ensureICloudPageName(const QString& pagePackage);
    // The counter after the given one over "0123456789abcdefghijklmnopqrstuvwxzy"
    // ("z" carries); none gives "0".
    static QString nextSalt(const QString& salt);

    // --- HTML tags (ZSUtilsHTML.cpp) ------------------------------------------

    // One of the 22 block-level names (table, div, h1-h6, lists, p, br, ...).
    static bool isBlockTag(const HTMLNode& node);
    // The text begins (after spaces and tabs) with a block element: an opening
    // block tag, or a closing tag followed later by its opening partner.
    static bool isStartByBlockHtmlTag(const QString& text);
    // The same from the end of the text backwards.
    static bool isEndByBlockHtmlTag(const QString& text);
};
