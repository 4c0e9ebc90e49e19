#pragma once
// Attributed-string operations of the markup engine: their own line model,
// attribute search, masking of raw and escaped text, the typing attributes of
// a selection, tab expansion that can be undone, backslash escapes kept as
// attributes, trimming and an undoable replacement. Positions are UTF-16
// units; positions or ranges outside the text throw plat::RangeError.
//
// Line model: unlike the string's line range (plat::lineRangeForRange), every
// character of the newline set ends a line on its own, so CR LF is two lines.
// A line range includes its terminator.

#include "platform/foundation/CharacterSet.h"
#include "platform/text/AttributedString.h"

#include <functional>
#include <memory>
#include <optional>

namespace plat {
class UndoManager;
}

namespace ZQAttributedString {

using LineBlock = std::function<void(const plat::AttributedString& line, bool* stop)>;
using LineRangeBlock = std::function<void(plat::Range line, bool* stop)>;

// --- Line model -----------------------------------------------------------------

// From the position after the last newline character before range.location
// to the position after the first newline character at or after the range's
// last position (its location when empty), or the end of the text.
plat::Range lineRange(const QString& text, plat::Range range);
plat::Range lineRange(const plat::AttributedString& s, plat::Range range);
// The same without the one terminating newline character.
plat::Range lineRange(const plat::AttributedString& s, plat::Range range, bool excludeNewline);

// Every line once, in order, empty lines and a last line without terminator included.
void enumerateLinesUsingBlock(const plat::AttributedString& s, const LineBlock& block);
// The lines from range.location to the range's end (cut to the text); the
// first line is visited even for an empty range.
void enumerateLinesRangeUsingBlock(const plat::AttributedString& s, const LineRangeBlock& block,
                                   plat::Range inRange);

// --- Copies, substrings and trimming ---------------------------------------------

// A copy whose list styles are copies too (shared among its runs as in s), so
// that they can change without touching s.
plat::MutableAttributedString deepCopy(const plat::AttributedString& s);
plat::AttributedString attributedTrimLeadingSpaces(const plat::AttributedString& s);
// Without leading and trailing whitespace and newlines; empty when blank.
plat::AttributedString trim(const plat::AttributedString& s);
// Empty when index is at or beyond the end.
plat::AttributedString attributedSubstringFromIndex(const plat::AttributedString& s, qsizetype index);
plat::AttributedString attributedStringByTrimmingLeadingCharactersInSet(const plat::AttributedString& s,
                                                                        const plat::CharacterSet& set);
plat::AttributedString attributedStringByTrimmingTrailingCharactersInSet(const plat::AttributedString& s,
                                                                         const plat::CharacterSet& set);
// Trimmed, every whitespace run (newlines included) collapsed to one space
// that keeps the attributes of the run's first character; empty when blank.
plat::AttributedString shrinkSpaces(const plat::AttributedString& s);

// --- Attribute search -------------------------------------------------------------

// The first run within range, forward or with plat::EnumerationReverse from the
// end, that carries the attribute; Range::notFound() when none does.
plat::Range findAttribute(const plat::AttributedString& s, const QString& name, plat::Range range,
                          unsigned options);
// That run's value (null when none), its range written to effectRange only when found.
plat::Value findAttributeValue(const plat::AttributedString& s, const QString& name, plat::Range range,
                               unsigned options, plat::Range* effectRange = nullptr);
void printStyleAtIndex(const plat::AttributedString& s, qsizetype index);

// --- Masking and typing attributes ---------------------------------------------------

// The whole plain text with every character of index's line that carries
// "ZQTARaw" or "ZQTAEscaped" replaced by "v", newlines excepted; the length
// never changes. An index at the end counts as the last character.
QString escapeRawStringForParagraph(const plat::AttributedString& s, qsizetype index);

// The attributes that typing over range should use: at a caret those of the
// neighbouring character; over a selection the attributes (bold and italic
// included, also from paired markers) that cover all of it, completed from
// defaults. An empty text gives defaults.
plat::Attributes typingAttributeInRange(const plat::AttributedString& s, plat::Range range,
                                        const plat::Attributes& defaultTypeAttributes);

} // namespace ZQAttributedString

namespace ZQMutableAttributedString {

// Receives the undo flag, the replaced range's location and the new length.
using ReplacementBlock = std::function<void(bool undoFlag, qsizetype location, qsizetype length)>;

// --- Plain-text edits ------------------------------------------------------------

// Each of & < > " becomes its entity, which takes the character's attributes.
void escapeHTMLEntity(plat::MutableAttributedString& s);
// Without attributes: the new text carries none at all.
void appendString(plat::MutableAttributedString& s, const QString& string);
void insertString(plat::MutableAttributedString& s, const QString& string, qsizetype atIndex);
void appendString(plat::MutableAttributedString& s, const QString& string, const plat::Attributes& attributes);
// Inserted (without attributes) before a final newline character, else appended.
void appendStringBeforeLineEnd(plat::MutableAttributedString& s, const QString& string);

void trimInCharacterSet(plat::MutableAttributedString& s, const plat::CharacterSet& set);
void trimLeadingCharactersSet(plat::MutableAttributedString& s, const plat::CharacterSet& set);
void trimTrailingCharactersSet(plat::MutableAttributedString& s, const plat::CharacterSet& set);
void trimMutableAttributedString(plat::MutableAttributedString& s);

// Replaces every match of the pattern (an unescaped ICU pattern, no options)
// inside range by the plain replacement, which takes the attributes of the
// first replaced character; the number of matches, 0 for an invalid pattern.
qsizetype replaceOccurrencesOfString(plat::MutableAttributedString& s, const QString& pattern,
                                     const QString& replacement, plat::Range inRange);

// --- Attribute runs -------------------------------------------------------------------

// The longest range around location over which the attribute keeps its value
// there; Range::notFound() at or beyond the end or where it is absent.
plat::Range longestRangeForAttribute(const plat::MutableAttributedString& s, const QString& name,
                                     qsizetype atSelectionLocation);
// Removes the attribute from the adjacent runs carrying it on both sides of
// location (backward from location - 1, forward from location) and returns
// their union; (location, 0) when neither side carries it.
plat::Range removeSurroundingAttribute(plat::MutableAttributedString& s, const QString& name,
                                       qsizetype surroundLocation);

// --- Tabs and escapes ---------------------------------------------------------------

// Expands each TAB to the next 4-column stop of its line; the spaces of one
// TAB carry only "ZQTATabExpansion" = "<spaces>-<sequence>".
void tabExpansion(plat::MutableAttributedString& s);
// Turns each untouched expansion back into a TAB with the attributes of its
// first space; an edited one is logged and stays spaces.
void restoreTabExpansion(plat::MutableAttributedString& s);
// Deletes the backslash of each escape of ASCII punctuation and marks the
// escaped character "ZQTAEscaped" = "esacped <n>" (n differs per escape).
void escapeEscapeSlashToAttribute(plat::MutableAttributedString& s);
// Writes the backslash back before each escaped run whose first character is
// raw ASCII punctuation, and drops the run's escape mark.
void unescapeSlashFromRawAttribute(plat::MutableAttributedString& s);

// --- Undoable replacement ------------------------------------------------------------

// Replaces range by replacement (deletes it for none) in one editing batch,
// calls block with (undoFlag, location, new length), and registers the inverse
// with undoManager (target &s) under actionName, with the flag negated, so that
// undo and redo alternate it. Whoever destroys s must first remove the
// manager's actions with that target.
void replaceCharactersInRange(plat::MutableAttributedString& s, plat::Range range,
                              const std::optional<plat::AttributedString>& withAttributedString,
                              const std::shared_ptr<plat::UndoManager>& undoManager, const QString& actionName,
                              bool undoFlag, const ReplacementBlock& afterBlock);
// With the undo flag set and no block.
void replaceCharactersInRange(plat::MutableAttributedString& s, plat::Range range,
                              const std::optional<plat::AttributedString>& withAttributedString,
                              const std::shared_ptr<plat::UndoManager>& undoManager, const QString& actionName);

} // namespace ZQMutableAttributedString
