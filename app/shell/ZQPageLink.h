#pragma once
// The address of a link to a page in a generated page (the tags page):
// "#TP_" followed by the page identifier, "_" and the space folder. Both parts
// are written with every character but ASCII letters, digits, "-" and "."
// escaped as "~" and two hex digits per UTF-8 byte, so the one "_" left
// separates them whatever the identifier or folder holds. The escape survives
// the URL layer, which would decode a percent-escaped "_". Links written
// before the escape (split at the last "_") still read the same.

#include <QString>
#include <optional>

class ZQPageLink {
public:
    struct Target {
        QString pageUuid;
        QString spaceFolder;
        friend bool operator==(const Target&, const Target&) = default;
    };

    static QString prefix() { return QStringLiteral("#TP_"); }

    static QString addressForPage(const QString& pageUuid, const QString& spaceFolder);
    // The page an address links to; none when it is no page link.
    static std::optional<Target> pageForAddress(const QString& address);

private:
    static QString escapePart(const QString& part);
    static QString unescapePart(const QString& part);
};
