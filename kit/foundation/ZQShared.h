#pragma once
// Character-level string operations of the markup engine: trimming and blank
// tests, leading/trailing runs, line walks, HTML and backslash escapes, tab
// expansion and path comparisons. Positions are UTF-16 units.
//
// Whitespace is the platform's set (Zs + TAB); "newline" the platform's
// newline set; lines follow the string's line model (plat::lineRangeForRange).
// Operations that take a range throw plat::RangeError when it lies outside
// the string, unless they document another answer.

#include "platform/foundation/CharacterSet.h"
#include "platform/foundation/Range.h"

#include <QString>
#include <functional>
#include <vector>

namespace ZQShared {

using LineBlock = std::function<void(plat::Range line, bool* stop)>;

// The 32 printable ASCII characters that are neither letters, digits nor space.
const plat::CharacterSet& asciiPunctuation();
bool isAsciiPunctuation(QChar c);

// --- Immutable operations ---------------------------------------------------

// Both absent (null), or equal strings; an absent string equals no present one.
bool stringIsEqualString(const QString& a, const QString& to);

void print(const QString& s);
void printInRange(const QString& s, plat::Range range);

bool isNotBlank(const QString& s);
bool isNotSpace(const QString& s);
bool isEndByLineSeparator(const QString& s, plat::Range range);
// Tests the last character only.
bool hasNewline(const QString& s);

QString stringWithCharacter(QChar c, qsizetype fillTolength);
bool containOnlyCharactersInSet(const QString& s, const plat::CharacterSet& set, plat::Range range);
QString stringByReplacingCharacters(const QString& s, const plat::CharacterSet& set, const QString& withString);
qsizetype countOfCharaceter(const QString& s, QChar c, plat::Range range);
bool containCharacter(const QString& s, QChar c, plat::Range range);

QString trim(const QString& s);
QString stringByTrimmingLeadingCharactersInSet(const QString& s, const plat::CharacterSet& set);
QString stringByTrimmingTrailingCharactersInSet(const QString& s, const plat::CharacterSet& set);
QString stringByRemoveCharactersInSet(const QString& s, const plat::CharacterSet& set);

bool hasDigit(const QString& s);
bool isAllDigits(const QString& s);

// The leading/trailing run lengths answer 0 for an empty range or one that
// ends beyond the string, and never exceed the range.
qsizetype lengthByLeadingCharacter(const QString& s, QChar c, plat::Range range);
qsizetype lengthByLeadingCharactersInSet(const QString& s, const plat::CharacterSet& set, plat::Range range);
qsizetype lengthByLeadingCharactersInSet(const QString& s, const plat::CharacterSet& set);
qsizetype lengthByTrailingCharactersInSet(const QString& s, const plat::CharacterSet& set, plat::Range range);
qsizetype lengthByTrailingCharactersInSet(const QString& s, const plat::CharacterSet& set);
// The range left after trimming; (range.location, 0) when nothing is left.
plat::Range rangeOfTrimCharactersInSet(const QString& s, const plat::CharacterSet& set, plat::Range range);

bool isImage(const QString& fileExtension);
// The "0x..." object address in a description, else the string itself.
QString getObjectId(const QString& s);
QString escapeForRTF(const QString& s);

bool isSameDirectory(const QString& s, const QString& otherPath);
// s is otherPath or one of its ancestor folders, compared by path components.
bool isParentPath(const QString& s, const QString& otherPath);
QString subpath(const QString& s, const QString& rootPath);

// Line walks; each step moves by the whole line's length (see the .cpp).
void enumerateLinesRangeUsingBlock(const QString& s, const LineBlock& block, plat::Range range);
void enumerateLinesReversedRangeUsingBlock(const QString& s, const LineBlock& block, plat::Range range);

// Trimmed, inner whitespace runs collapsed to one space; "" when blank.
QString shrinkSpaces(const QString& s);
// shrinkSpaces in lower case; " " when blank. Link labels compare in this form.
QString asLinkLabel(const QString& s);

// --- Mutations --------------------------------------------------------------

void tabExpansion(QString& s);
// Expands TABs to 4-column stops per line; with wantRanges, the inserted
// spaces, lines last to first, each range as it stood when its TAB was expanded.
std::vector<plat::Range> tabExpansionRanges(QString& s, bool wantRanges);

void escapeSlashToSafeString(QString& s);
// Masks each backslash escape of ASCII punctuation with "vv" (same length).
void escapeSlashToSafeString(QString& s, std::vector<plat::Range>* escapedRanges);

void insertCharacter(QString& s, QChar c, qsizetype atIndex);
void trimLeadingCharactersInSet(QString& s, const plat::CharacterSet& set, qsizetype maxTrimLength);

void escapeHTMLEntity(QString& s);
void escapeHTMLKeyChar(QString& s);
void escapeHTMLEntityIgnoreEntityAmp(QString& s);
void unescapeHTMLKeyChar(QString& s);
void deleteEscapseSlash(QString& s);

void appendStringBeforeLineEnd(QString& s, const QString& string);
void replaceAllBy(QString& s, const QString& replacement, const plat::CharacterSet& exceptCharacterSet,
                  plat::Range range);

} // namespace ZQShared
