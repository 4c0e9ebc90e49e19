#pragma once
// Class operations shared by the whole kit, one section per concern; each
// section is implemented in its own ZSUtils*.cpp.

#include "kit/foundation/ZQErrorValue.h"
#include "kit/model/ZQEditorTypes.h"
#include "platform/foundation/Value.h"

#include <QList>
#include <QString>
#include <QUrl>
#include <optional>
#include <vector>

class HTMLNode;

namespace plat {
class Attributes;
class AttributedString;
class MutableAttributedString;
class TextCheckingResult;
class TextView;
} // namespace plat

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

    // --- Text ranges and lines (ZSUtilsText.cpp) --------------------------------
    // Lines follow the attributed-string extensions' model (ZQAttributedString):
    // every newline character ends a line, and a line includes it.

    // NO for a not-found typing range; an empty typing range must lie within
    // range (its end included); otherwise range may touch it at its start or overlap it.
    static bool intersect(plat::Range range, plat::Range typingRange);
    // pos is the range's first position, or the last one of a non-empty range.
    static bool isRangeBorder(plat::Range range, qsizetype pos);
    static bool rangeContain(plat::Range range, plat::Range contain);
    // Ordered by location (descending with reverse); equal locations keep their order.
    static std::vector<plat::Range> sortRanges(const std::vector<plat::Range>& ranges, bool reverse);
    // The parts of range that none of the ranges covers, ascending, none empty;
    // an empty range inside range splits it there.
    static std::vector<plat::Range> rangeSubstrcts(plat::Range range, const std::vector<plat::Range>& substrcts);

    // The line holding position from the end of its list, quote and
    // list-indent prefixes before position.
    static plat::Range containerLineRangeForRich(const plat::AttributedString& text, qsizetype position);
    // Each line of range from the end of its last list, quote or list-indent run.
    static std::vector<plat::Range> lineRangesOfContainerBlock(const plat::AttributedString& text, plat::Range range);
    static std::vector<plat::Range> lineRanges(const plat::AttributedString& text, plat::Range range);

    // The location once the TABs before it are expanded to 4-column stops.
    static qsizetype locationAfterTabExpansion(const QString& text, qsizetype originalLocation);
    // The width of the leading indentation of position's line: a space counts
    // 1, a TAB a flat 4; 0 outside the text.
    static qsizetype getLineIndentAt(qsizetype position, const QString& content);
    // The line's leading whitespace one step deeper (increase) or shallower,
    // with the given attributes; the indentation only.
    static plat::AttributedString getIndentForLine(const QString& line, const plat::Attributes& withAttributes,
                                                   bool increase);

    // The attributes to type with at position: those of the line's start
    // inside a heading, else those at the position (before it at the end),
    // else the settings' defaults for the editor type.
    static plat::Attributes attributesAtInsertionPoint(qsizetype position, const plat::AttributedString& content,
                                                       ZQEditorType editType);
    // The formatting state as the style popover's bit mask.
    static qint64 textAttributesTokeycode(const plat::Attributes& attributes);
    // The character at pos (before it at the end) is neither raw nor read-only;
    // the text must not be empty.
    static bool canBeMarkerChar(const plat::AttributedString& text, qsizetype pos);
    // The raw runs within range, last to first, then the read-only runs, last to first.
    static std::vector<plat::Range> getRichRawRanges(const plat::AttributedString& text, plat::Range range);
    // The first line of the first unprotected stretch of range, trimmed;
    // Range::notFound() when all of it is protected.
    static plat::Range getFirstValidSelectRange(const plat::AttributedString& text, plat::Range range,
                                                ZQEditorType editorType, ZQMarkupType markupType);
    // Marks the match less its group 1 as an escape marker (escape colour and
    // "ZQTAEscaped"); a match without group 1 is marked whole.
    static void escapeAttributedString(plat::MutableAttributedString& text,
                                       const plat::TextCheckingResult& withMatchResult, ZQEditorType editorType);
    static void escapeAttributedString(plat::MutableAttributedString& text, plat::Range inRange,
                                       ZQEditorType editorType);
    // The attribute names that construct runs grow with: each maps to itself.
    static const plat::ValueMap& expandableTextAttribute();
    static ZQEditorType getEditorType(const plat::TextView& textView);
};
