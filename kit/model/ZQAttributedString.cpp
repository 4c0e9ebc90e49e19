#include "kit/model/ZQAttributedString.h"

#include "kit/foundation/Exs.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQStyles.h"
#include "platform/foundation/Regex.h"
#include "platform/foundation/UndoManager.h"

#include <QDebug>

#include <algorithm>
#include <map>

using plat::Attributes;
using plat::AttributedString;
using plat::CharacterSet;
using plat::MutableAttributedString;
using plat::Range;
using plat::Value;

namespace {

bool isNewline(QChar c)
{
    return CharacterSet::newline().contains(c);
}

Range wholeRange(const AttributedString& s)
{
    return Range(0, s.length());
}

// Rewrites a text from edits given in ascending order, without overlaps, in
// one pass: page-wide rewrites stay linear where edits in place would move the
// tail once per edit. Only the span from the first to the last edit is
// replaced in the target, so text storage sees the smallest edited range.
class Splice {
public:
    explicit Splice(const AttributedString& source) : m_source(source) {}

    void replace(Range range, const AttributedString& with)
    {
        if (m_start < 0)
            m_start = m_next = range.location;
        m_out.append(m_source, Range(m_next, range.location - m_next));
        m_out.append(with);
        m_next = range.end();
    }

    // Plain text inherits as an edit in place would: the first replaced
    // character, else the one before, else (at 0) the one after.
    void replace(Range range, const QString& with)
    {
        Attributes inherited;
        if (range.length > 0 || range.location > 0)
            inherited = m_source.attributesAtIndex(range.length > 0 ? range.location : range.location - 1);
        else if (m_source.length() > 0)
            inherited = m_source.attributesAtIndex(0);
        replace(range, AttributedString(with, inherited));
    }

    void commit(MutableAttributedString& target)
    {
        if (m_start >= 0)
            target.replaceCharacters(Range(m_start, m_next - m_start), m_out);
    }

private:
    const AttributedString& m_source;
    MutableAttributedString m_out;
    qsizetype m_start = -1;
    qsizetype m_next = 0;
};

qsizetype replaceMatches(MutableAttributedString& s, const plat::Regex& regex, const QString& replacement,
                         Range range)
{
    const std::vector<plat::TextCheckingResult> matches = regex.matches(s.string(), range);
    Splice splice(s);
    for (const plat::TextCheckingResult& match : matches)
        splice.replace(match.range(), replacement);
    splice.commit(s);
    return qsizetype(matches.size());
}

// One name's stretch while a selection is walked from its end: runs join it
// only where they end exactly at its start.
struct Cover {
    std::optional<Range> covered;
    Value value;

    bool extend(Range run)
    {
        if (!covered) {
            covered = run;
            return true;
        }
        // The same run seen again through another attribute (a bold font and a
        // "**" marker): it is already covered.
        if (covered->location == run.location)
            return true;
        if (run.end() == covered->location) {
            covered = Range(run.location, covered->end() - run.location);
            return true;
        }
        covered.reset();
        return false;
    }
};

} // namespace

namespace ZQAttributedString {

// --- Line model -----------------------------------------------------------------

Range lineRange(const QString& text, Range range)
{
    plat::checkRange(range, text.size(), "lineRange");
    qsizetype start = range.location;
    while (start > 0 && !isNewline(text[start - 1]))
        --start;
    qsizetype end = range.length > 0 ? range.end() - 1 : range.location;
    while (end < text.size() && !isNewline(text[end]))
        ++end;
    if (end < text.size())
        ++end;
    return Range(start, end - start);
}

Range lineRange(const AttributedString& s, Range range)
{
    return lineRange(s.string(), range);
}

Range lineRange(const AttributedString& s, Range range, bool excludeNewline)
{
    Range line = lineRange(s.string(), range);
    if (excludeNewline && line.length > 0 && isNewline(s.string()[line.end() - 1]))
        --line.length;
    return line;
}

void enumerateLinesUsingBlock(const AttributedString& s, const LineBlock& block)
{
    for (qsizetype position = 0; position < s.length();) {
        const Range line = lineRange(s.string(), Range(position, 0));
        bool stop = false;
        block(s.attributedSubstring(line), &stop);
        if (stop)
            return;
        position = line.end();
    }
}

void enumerateLinesRangeUsingBlock(const AttributedString& s, const LineRangeBlock& block, Range inRange)
{
    if (s.length() == 0)
        return;
    plat::checkRange(Range(inRange.location, 0), s.length(), "enumerateLinesRangeUsingBlock");
    const qsizetype end = inRange.location + std::min(std::max<qsizetype>(inRange.length, 0),
                                                      s.length() - inRange.location);
    for (qsizetype position = inRange.location;;) {
        const Range line = lineRange(s.string(), Range(position, 0));
        bool stop = false;
        block(line, &stop);
        if (stop || line.end() >= end)
            return;
        position = line.end();
    }
}

// --- Copies, substrings and trimming ---------------------------------------------

MutableAttributedString deepCopy(const AttributedString& s)
{
    MutableAttributedString copy(s);
    // One copy per list object, so runs that shared a list in s share its copy.
    std::map<const plat::Object*, plat::ObjectPtr> copies;
    s.enumerateAttribute(ZQAttr::FilterList, wholeRange(s), plat::EnumerationLongestEffectiveRangeNotRequired,
                         [&](const Value& value, Range run, bool*) {
                             const plat::ObjectPtr list = value.toObject();
                             if (!list)
                                 return;
                             plat::ObjectPtr& listCopy = copies[list.get()];
                             if (!listCopy)
                                 listCopy = list->copy();
                             copy.addAttribute(ZQAttr::FilterList, Value(listCopy), run);
                         });
    return copy;
}

AttributedString attributedTrimLeadingSpaces(const AttributedString& s)
{
    return attributedStringByTrimmingLeadingCharactersInSet(s, CharacterSet::whitespace());
}

AttributedString trim(const AttributedString& s)
{
    return s.attributedSubstring(
        ZQShared::rangeOfTrimCharactersInSet(s.string(), CharacterSet::whitespaceAndNewline(), wholeRange(s)));
}

AttributedString attributedSubstringFromIndex(const AttributedString& s, qsizetype index)
{
    if (index >= s.length())
        return AttributedString();
    return s.attributedSubstring(Range(index, s.length() - index));
}

AttributedString attributedStringByTrimmingLeadingCharactersInSet(const AttributedString& s,
                                                                 const CharacterSet& set)
{
    const qsizetype leading = ZQShared::lengthByLeadingCharactersInSet(s.string(), set);
    return leading == 0 ? s : s.attributedSubstring(Range(leading, s.length() - leading));
}

AttributedString attributedStringByTrimmingTrailingCharactersInSet(const AttributedString& s,
                                                                  const CharacterSet& set)
{
    const qsizetype trailing = ZQShared::lengthByTrailingCharactersInSet(s.string(), set);
    return trailing == 0 ? s : s.attributedSubstring(Range(0, s.length() - trailing));
}

AttributedString shrinkSpaces(const AttributedString& s)
{
    if (!ZQShared::isNotBlank(s.string()))
        return AttributedString();
    static const auto spaces = plat::Regex::create(QStringLiteral("\\s+"));
    MutableAttributedString shrunk(trim(s));
    replaceMatches(shrunk, *spaces, QStringLiteral(" "), wholeRange(shrunk));
    return shrunk;
}

// --- Attribute search -------------------------------------------------------------

Range findAttribute(const AttributedString& s, const QString& name, Range range, unsigned options)
{
    Range found = Range::notFound();
    findAttributeValue(s, name, range, options, &found);
    return found;
}

Value findAttributeValue(const AttributedString& s, const QString& name, Range range, unsigned options,
                         Range* effectRange)
{
    Value found;
    s.enumerateAttribute(name, range, options, [&](const Value& value, Range run, bool* stop) {
        if (value.isNull())
            return;
        found = value;
        if (effectRange)
            *effectRange = run;
        *stop = true;
    });
    return found;
}

void printStyleAtIndex(const AttributedString& s, qsizetype index)
{
    const plat::ObjectPtr style = s.attributeAtIndex(plat::ParagraphStyleAttribute, index).toObject();
    qDebug().noquote() << (style ? style->description() : QStringLiteral("(null)"));
}

// --- Masking and typing attributes ---------------------------------------------------

QString escapeRawStringForParagraph(const AttributedString& s, qsizetype index)
{
    QString text = s.string();
    const qsizetype at = index == s.length() ? std::max<qsizetype>(index - 1, 0) : index;
    const Range line = lineRange(text, Range(at, 0));
    s.enumerateAttributes(line, plat::EnumerationReverse, [&](const Attributes& attributes, Range run, bool*) {
        if (attributes.contains(ZQAttr::Raw) || attributes.contains(ZQAttr::Escaped))
            ZQShared::replaceAllBy(text, QStringLiteral("v"), CharacterSet::newline(), run);
    });
    return text;
}

Attributes typingAttributeInRange(const AttributedString& s, Range range, const Attributes& defaultTypeAttributes)
{
    if (s.length() == 0)
        return defaultTypeAttributes;
    plat::checkRange(range, s.length(), "typingAttributeInRange");
    if (range.length == 0) {
        const qsizetype p = range.location;
        if (p == 0)
            return s.attributesAtIndex(0);
        if (p < s.length() && isNewline(s.string()[p - 1]))
            return s.attributesAtIndex(p);
        return s.attributesAtIndex(p - 1);
    }

    std::map<QString, Cover> names;
    Cover bold;
    Cover italic;
    plat::FontPtr font;
    s.enumerateAttributes(range, plat::EnumerationReverse, [&](const Attributes& attributes, Range run, bool*) {
        for (const auto& [name, value] : attributes) {
            if (name == plat::FontAttribute) {
                if (const plat::FontPtr runFont = value.toObject<plat::Font>()) {
                    font = runFont;
                    if (Exs::isBold(*runFont))
                        bold.extend(run);
                    if (Exs::isItalic(*runFont))
                        italic.extend(run);
                }
                continue;
            }
            if (name == ZQAttr::Paired) {
                const auto paired = value.toObject<ZQPairedAttribute>();
                if (!paired)
                    continue;
                const QString& marker = paired->marker();
                Cover* cover = marker == u"**"  ? &bold
                               : marker == u"*" ? &italic
                               : marker == u"~~" ? &names[plat::StrikethroughAttribute]
                               : marker == u"`"  ? &names[ZQAttr::FilterCode]
                               : marker == u"+"  ? &names[ZQAttr::MacroTag]
                                                 : nullptr;
                if (cover && cover->extend(run))
                    cover->value = value;
                continue;
            }
            Cover& cover = names[name];
            if (cover.extend(run))
                cover.value = value;
        }
    });

    Attributes result;
    for (const auto& [name, cover] : names) {
        if (cover.covered == range)
            result.set(name, cover.value);
    }
    if (font) {
        plat::FontPtr typed = font;
        if (bold.covered == range) {
            if (!Exs::isBold(*typed))
                typed = Exs::toHaveBold(*typed);
            result.set(plat::FontAttribute, typed);
        }
        if (italic.covered == range) {
            if (!Exs::isItalic(*typed))
                typed = Exs::toHaveItalic(*typed);
            result.set(plat::FontAttribute, typed);
            result.set(ZQAttr::FilterItalic, QStringLiteral("Italic"));
        }
    }
    for (const auto& [name, value] : defaultTypeAttributes) {
        if (!result.contains(name))
            result.set(name, value);
    }
    return result;
}

} // namespace ZQAttributedString

namespace ZQMutableAttributedString {

// --- Plain-text edits ------------------------------------------------------------

void escapeHTMLEntity(MutableAttributedString& s)
{
    const QString& text = s.string();
    Splice splice(s);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!ZQShared::isAsciiPunctuation(text[i]))
            continue;
        QString escaped(text[i]);
        ZQShared::escapeHTMLEntity(escaped);
        if (escaped.size() != 1)
            splice.replace(Range(i, 1), escaped);
    }
    splice.commit(s);
}

void appendString(MutableAttributedString& s, const QString& string)
{
    s.append(AttributedString(string));
}

void insertString(MutableAttributedString& s, const QString& string, qsizetype atIndex)
{
    s.insert(AttributedString(string), atIndex);
}

void appendString(MutableAttributedString& s, const QString& string, const Attributes& attributes)
{
    s.append(AttributedString(string, attributes));
}

void appendStringBeforeLineEnd(MutableAttributedString& s, const QString& string)
{
    if (ZQShared::hasNewline(s.string()))
        insertString(s, string, s.length() - 1);
    else
        appendString(s, string);
}

void trimInCharacterSet(MutableAttributedString& s, const CharacterSet& set)
{
    trimLeadingCharactersSet(s, set);
    if (s.length() > 0)
        trimTrailingCharactersSet(s, set);
}

void trimLeadingCharactersSet(MutableAttributedString& s, const CharacterSet& set)
{
    const qsizetype leading = ZQShared::lengthByLeadingCharactersInSet(s.string(), set);
    if (leading > 0)
        s.deleteCharacters(Range(0, leading));
}

void trimTrailingCharactersSet(MutableAttributedString& s, const CharacterSet& set)
{
    const qsizetype trailing = ZQShared::lengthByTrailingCharactersInSet(s.string(), set);
    if (trailing > 0)
        s.deleteCharacters(Range(s.length() - trailing, trailing));
}

void trimMutableAttributedString(MutableAttributedString& s)
{
    trimInCharacterSet(s, CharacterSet::whitespaceAndNewline());
}

qsizetype replaceOccurrencesOfString(MutableAttributedString& s, const QString& pattern,
                                     const QString& replacement, Range inRange)
{
    const auto regex = plat::Regex::create(pattern);
    return regex ? replaceMatches(s, *regex, replacement, inRange) : 0;
}

// --- Attribute runs -------------------------------------------------------------------

Range longestRangeForAttribute(const MutableAttributedString& s, const QString& name,
                               qsizetype atSelectionLocation)
{
    if (atSelectionLocation >= s.length())
        return Range::notFound();
    Range longest;
    const Value value =
        s.attributeAtIndexLongestEffectiveRange(name, atSelectionLocation, &longest, wholeRange(s));
    return value.isNull() ? Range::notFound() : longest;
}

Range removeSurroundingAttribute(MutableAttributedString& s, const QString& name, qsizetype surroundLocation)
{
    plat::checkRange(Range(surroundLocation, 0), s.length(), "removeSurroundingAttribute");
    qsizetype start = surroundLocation;
    qsizetype end = surroundLocation;
    Range run;
    while (start > 0 && !s.attributeAtIndex(name, start - 1, &run).isNull())
        start = run.location;
    while (end < s.length() && !s.attributeAtIndex(name, end, &run).isNull())
        end = run.end();
    const Range surrounding(start, end - start);
    if (surrounding.length > 0)
        s.removeAttribute(name, surrounding);
    return surrounding;
}

// --- Tabs and escapes ---------------------------------------------------------------

void tabExpansion(MutableAttributedString& s)
{
    QString expandedText = s.string();
    const std::vector<Range> expanded = ZQShared::tabExpansionRanges(expandedText, true);
    if (expanded.empty())
        return;
    // The ranges come line by line from the last line, left to right within a
    // line, each shifted by the spaces added before it on its own line only: a
    // range that starts before its predecessor opens an earlier line. Their
    // order is the sequence of expansion.
    struct Tab {
        qsizetype at;
        qsizetype width;
        qsizetype sequence;
    };
    std::vector<Tab> tabs;
    tabs.reserve(expanded.size());
    qsizetype added = 0;
    for (std::size_t k = 0; k < expanded.size(); ++k) {
        if (k > 0 && expanded[k].location < expanded[k - 1].location)
            added = 0;
        tabs.push_back({expanded[k].location - added, expanded[k].length, qsizetype(k) + 1});
        added += expanded[k].length - 1;
    }
    std::sort(tabs.begin(), tabs.end(), [](const Tab& a, const Tab& b) { return a.at < b.at; });

    Splice splice(s);
    for (const Tab& tab : tabs) {
        const QString marker = QStringLiteral("%1-%2").arg(tab.width).arg(tab.sequence);
        splice.replace(Range(tab.at, 1), AttributedString(QString(tab.width, u' '), {{ZQAttr::TabExpansion, marker}}));
    }
    splice.commit(s);
}

void restoreTabExpansion(MutableAttributedString& s)
{
    const QString& text = s.string();
    Splice splice(s);
    s.enumerateAttribute(ZQAttr::TabExpansion, wholeRange(s), 0, [&](const Value& value, Range run, bool*) {
        if (value.isNull())
            return;
        MutableAttributedString spaces(s.attributedSubstring(run));
        spaces.removeAttribute(ZQAttr::TabExpansion, Range(0, run.length));
        const QStringView runText = QStringView(text).mid(run.location, run.length);
        const bool untouched = value.toString().section(u'-', 0, 0).toLongLong() == run.length
                               && std::all_of(runText.begin(), runText.end(), [](QChar c) { return c == u' '; });
        if (untouched) {
            splice.replace(run, AttributedString(QStringLiteral("\t"), spaces.attributesAtIndex(0)));
            return;
        }
        const Range line = ZQAttributedString::lineRange(text, run);
        qWarning().noquote() << QStringLiteral("[%1] %2 : %3")
                                    .arg(text.mid(line.location, line.length))
                                    .arg(run.location)
                                    .arg(run.length);
        qWarning().noquote() << "Unexpected - can not restore TAB in range" << plat::toString(run);
        splice.replace(run, spaces);
    });
    splice.commit(s);
}

// Escapes pair from the left, as markup reads them: in "\\\*" the first
// backslash escapes the second and the third escapes the asterisk.
void escapeEscapeSlashToAttribute(MutableAttributedString& s)
{
    const QString& text = s.string();
    Splice splice(s);
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'\\' || !ZQShared::isAsciiPunctuation(text[i + 1]))
            continue;
        MutableAttributedString escaped(s.attributedSubstring(Range(i + 1, 1)));
        escaped.addAttribute(ZQAttr::Escaped, QStringLiteral("esacped %1").arg(i), Range(0, 1));
        splice.replace(Range(i, 2), escaped);
        ++i;
    }
    splice.commit(s);
}

void unescapeSlashFromRawAttribute(MutableAttributedString& s)
{
    const QString& text = s.string();
    Splice splice(s);
    s.enumerateAttribute(ZQAttr::Escaped, wholeRange(s), 0, [&](const Value& value, Range run, bool*) {
        if (value.isNull() || s.attributeAtIndex(ZQAttr::Raw, run.location).isNull()
            || !ZQShared::isAsciiPunctuation(text[run.location]))
            return;
        // The backslash comes without attributes; the run loses its mark, so
        // that a second pass does not escape it again.
        MutableAttributedString restored(QStringLiteral("\\"));
        MutableAttributedString unmarked(s.attributedSubstring(run));
        unmarked.removeAttribute(ZQAttr::Escaped, Range(0, run.length));
        restored.append(unmarked);
        splice.replace(run, restored);
    });
    splice.commit(s);
}

// --- Undoable replacement ------------------------------------------------------------

namespace {

// The inverse captures the manager by address: it is stored in that manager
// and runs only from it, so a shared pointer there would only make a cycle.
void replaceUndoably(MutableAttributedString& s, Range range, const std::optional<AttributedString>& replacement,
                     plat::UndoManager* undoManager, const QString& actionName, bool undoFlag,
                     const ReplacementBlock& afterBlock)
{
    std::optional<AttributedString> old;
    if (range.length > 0)
        old = s.attributedSubstring(range);
    s.beginEditing();
    if (replacement)
        s.replaceCharacters(range, *replacement);
    else
        s.deleteCharacters(range);
    const qsizetype newLength = replacement ? replacement->length() : 0;
    if (afterBlock)
        afterBlock(undoFlag, range.location, newLength);
    s.endEditing();
    if (!undoManager)
        return;
    undoManager->registerUndo(&s, [&s, location = range.location, newLength, old, undoManager, actionName,
                                   undoFlag, afterBlock] {
        replaceUndoably(s, Range(location, newLength), old, undoManager, actionName, !undoFlag, afterBlock);
    });
    undoManager->setActionName(actionName);
}

} // namespace

void replaceCharactersInRange(MutableAttributedString& s, Range range,
                              const std::optional<AttributedString>& withAttributedString,
                              const std::shared_ptr<plat::UndoManager>& undoManager, const QString& actionName,
                              bool undoFlag, const ReplacementBlock& afterBlock)
{
    replaceUndoably(s, range, withAttributedString, undoManager.get(), actionName, undoFlag, afterBlock);
}

void replaceCharactersInRange(MutableAttributedString& s, Range range,
                              const std::optional<AttributedString>& withAttributedString,
                              const std::shared_ptr<plat::UndoManager>& undoManager, const QString& actionName)
{
    replaceUndoably(s, range, withAttributedString, undoManager.get(), actionName, true, {});
}

} // namespace ZQMutableAttributedString
