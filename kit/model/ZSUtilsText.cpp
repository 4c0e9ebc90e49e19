#include "kit/model/ZSUtils.h"

#include "kit/foundation/Exs.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQStyles.h"
#include "platform/foundation/Regex.h"
#include "platform/text/TextView.h"

#include <QDebug>

#include <algorithm>
#include <array>
#include <map>

using plat::Attributes;
using plat::AttributedString;
using plat::CharacterSet;
using plat::Range;

namespace {

// The prefixes that a rich line's content begins after.
const std::array<const QString*, 3>& containerNames()
{
    static const std::array<const QString*, 3> names = {&ZQAttr::FilterList, &ZQAttr::FilterQuote,
                                                        &ZQAttr::InListIndent};
    return names;
}

// The end of the last run within line that carries the attribute and ends
// at or before limit; -1 when there is none.
qsizetype lastRunEnd(const AttributedString& text, const QString& name, Range line, qsizetype limit)
{
    qsizetype end = -1;
    text.enumerateAttribute(name, line, plat::EnumerationReverse, [&](const plat::Value& value, Range run, bool* stop) {
        if (!value.isNull() && run.end() <= limit) {
            end = run.end();
            *stop = true;
        }
    });
    return end;
}

std::vector<Range> runsCarrying(const AttributedString& text, const QString& name, Range range)
{
    std::vector<Range> runs;
    text.enumerateAttribute(name, range, plat::EnumerationReverse, [&](const plat::Value& value, Range run, bool*) {
        if (!value.isNull())
            runs.push_back(run);
    });
    return runs;
}

} // namespace

// --- Range algebra ------------------------------------------------------------------

bool ZSUtils::intersect(Range range, Range typingRange)
{
    if (typingRange.isNotFound())
        return false;
    if (typingRange.length == 0)
        return range.location <= typingRange.location && typingRange.location <= range.end();
    return range.end() == typingRange.location
           || (range.location < typingRange.end() && typingRange.location < range.end());
}

bool ZSUtils::isRangeBorder(Range range, qsizetype pos)
{
    return pos == range.location || (range.length > 0 && pos == range.end() - 1);
}

bool ZSUtils::rangeContain(Range range, Range contain)
{
    return range.location <= contain.location && range.end() >= contain.end();
}

std::vector<Range> ZSUtils::sortRanges(const std::vector<Range>& ranges, bool reverse)
{
    std::vector<Range> sorted = ranges;
    std::stable_sort(sorted.begin(), sorted.end(), [reverse](Range a, Range b) {
        return reverse ? a.location > b.location : a.location < b.location;
    });
    return sorted;
}

std::vector<Range> ZSUtils::rangeSubstrcts(Range range, const std::vector<Range>& substrcts)
{
    if (substrcts.empty())
        return {range};
    if (range.length == 0) {
        const bool covered = std::any_of(substrcts.begin(), substrcts.end(),
                                         [&](Range s) { return s.location <= range.location && range.location < s.end(); });
        return covered ? std::vector<Range>{} : std::vector<Range>{range};
    }
    std::vector<Range> pieces;
    qsizetype cursor = range.location;
    const qsizetype end = range.end();
    for (const Range s : sortRanges(substrcts, false)) {
        if (s.location < cursor) {
            if (s.end() > cursor) {
                cursor = s.end();
                if (cursor >= end)
                    break;
            }
        } else if (s.location > cursor) {
            if (s.location > end)
                break;
            pieces.push_back(Range(cursor, s.location - cursor));
            cursor = s.end();
        } else {
            cursor = s.end();
        }
    }
    if (cursor < end)
        pieces.push_back(Range(cursor, end - cursor));
    return pieces;
}

// --- Rich lines ------------------------------------------------------------------------

Range ZSUtils::containerLineRangeForRich(const AttributedString& text, qsizetype position)
{
    const Range line = ZQAttributedString::lineRange(text, Range(position, 0));
    qsizetype start = line.location;
    for (const QString* name : containerNames())
        start = std::max(start, lastRunEnd(text, *name, line, position));
    return Range(start, line.end() - start);
}

std::vector<Range> ZSUtils::lineRangesOfContainerBlock(const AttributedString& text, Range range)
{
    std::vector<Range> lines;
    ZQAttributedString::enumerateLinesRangeUsingBlock(
        text,
        [&](Range line, bool*) {
            qsizetype prefixEnd = -1;
            for (const QString* name : containerNames())
                prefixEnd = std::max(prefixEnd, lastRunEnd(text, *name, line, line.end()));
            lines.push_back(prefixEnd < 0 ? line : Range(prefixEnd, line.end() - prefixEnd));
        },
        range);
    return lines;
}

std::vector<Range> ZSUtils::lineRanges(const AttributedString& text, Range range)
{
    std::vector<Range> lines;
    ZQAttributedString::enumerateLinesRangeUsingBlock(text, [&](Range line, bool*) { lines.push_back(line); }, range);
    return lines;
}

// --- Indentation and tabs -------------------------------------------------------------

qsizetype ZSUtils::locationAfterTabExpansion(const QString& text, qsizetype originalLocation)
{
    if (originalLocation <= 0)
        return originalLocation;
    plat::checkRange(Range(originalLocation, 0), text.size(), "locationAfterTabExpansion");
    const CharacterSet& newline = CharacterSet::newline();
    qsizetype column = 0;
    qsizetype widened = 0;
    for (qsizetype i = 0; i < originalLocation; ++i) {
        const QChar c = text[i];
        if (newline.contains(c)) {
            column = 0;
        } else if (c == u'\t') {
            const qsizetype extra = 3 - column % 4;
            widened += extra;
            column += extra + 1;
        } else {
            ++column;
        }
    }
    return originalLocation + widened;
}

qsizetype ZSUtils::getLineIndentAt(qsizetype position, const QString& content)
{
    if (position < 0 || position >= content.size())
        return 0;
    qsizetype width = 0;
    for (qsizetype i = ZQAttributedString::lineRange(content, Range(position, 0)).location; i < content.size(); ++i) {
        if (content[i] == u' ')
            width += 1;
        else if (content[i] == u'\t')
            width += 4;
        else
            break;
    }
    return width;
}

AttributedString ZSUtils::getIndentForLine(const QString& line, const Attributes& withAttributes, bool increase)
{
    QString indent = line.left(ZQShared::lengthByLeadingCharactersInSet(line, CharacterSet::whitespace()));
    if (indent.isEmpty()) {
        if (increase)
            indent = QStringLiteral("\t");
    } else if (indent.back() == u'\t') {
        if (increase)
            indent += u'\t';
        else
            indent.chop(1);
    } else {
        if (increase)
            indent += QStringLiteral("    ");
        else
            indent.chop(std::min<qsizetype>(4, indent.size()));
    }
    return AttributedString(indent, withAttributes);
}

// --- Attributes -----------------------------------------------------------------------

Attributes ZSUtils::attributesAtInsertionPoint(qsizetype position, const AttributedString& content,
                                               ZQEditorType editType)
{
    std::optional<Attributes> heading;
    try {
        const Attributes lineStart =
            content.attributesAtIndex(ZQAttributedString::lineRange(content, Range(position, 0)).location);
        if (lineStart.contains(ZQAttr::FilterHeading))
            heading = lineStart;
    } catch (const plat::RangeError& e) {
        qWarning().noquote() << "Unable to get line exception" << e.what();
    }
    Attributes here;
    try {
        here = content.attributesAtIndex(position >= content.length() ? std::max<qsizetype>(position - 1, 0) : position);
    } catch (const plat::RangeError&) {
        const std::shared_ptr<ZSSettings> settings = ZSSettings::sharedSettings();
        return settings ? settings->defaultTypingAttribute(editType) : Attributes();
    }
    return heading ? *heading : here;
}

qint64 ZSUtils::textAttributesTokeycode(const Attributes& attributes)
{
    static const std::map<QString, qint64> flags = {
        {ZQAttr::FilterItalic, 0x200},  {plat::StrikethroughAttribute, 0x800}, {ZQAttr::FilterCode, 0x400},
        {ZQAttr::FilterLink, 0x8000},   {ZQAttr::MacroFootnote, 0x100000},     {ZQAttr::MacroImage, 0x200000},
        {ZQAttr::MacroTag, 0x800000},
    };
    qint64 mask = 0;
    for (const auto& [name, value] : attributes) {
        if (name == plat::FontAttribute) {
            if (const plat::FontPtr font = value.toObject<plat::Font>()) {
                if (Exs::isBold(*font))
                    mask |= 0x100;
                if (Exs::isItalic(*font))
                    mask |= 0x200;
            }
        } else if (name == ZQAttr::FilterHeading) {
            mask |= 0x2;
            const auto style = value.toObject<ZQHeadingStyle>();
            if (style && style->level() >= 1 && style->level() <= 6)
                mask |= qint64(0x4) << (style->level() - 1);
        } else if (const auto flag = flags.find(name); flag != flags.end()) {
            mask |= flag->second;
        }
    }
    return mask;
}

bool ZSUtils::canBeMarkerChar(const AttributedString& text, qsizetype pos)
{
    const Attributes attributes = text.attributesAtIndex(pos == text.length() ? pos - 1 : pos);
    return !attributes.contains(ZQAttr::Raw) && !attributes.contains(ZQAttr::Readonly);
}

std::vector<Range> ZSUtils::getRichRawRanges(const AttributedString& text, Range range)
{
    std::vector<Range> runs = runsCarrying(text, ZQAttr::Raw, range);
    const std::vector<Range> readonly = runsCarrying(text, ZQAttr::Readonly, range);
    runs.insert(runs.end(), readonly.begin(), readonly.end());
    return runs;
}

Range ZSUtils::getFirstValidSelectRange(const AttributedString& text, Range range, ZQEditorType, ZQMarkupType)
{
    Range candidate = range;
    if (const std::vector<Range> protectedRuns = getRichRawRanges(text, range); !protectedRuns.empty()) {
        const std::vector<Range> pieces = rangeSubstrcts(range, protectedRuns);
        if (pieces.empty())
            return Range::notFound();
        candidate = pieces.front();
    }
    const QString& s = text.string();
    const CharacterSet& blanks = CharacterSet::whitespaceAndNewline();
    const CharacterSet& newline = CharacterSet::newline();
    const qsizetype from = candidate.location + ZQShared::lengthByLeadingCharactersInSet(s, blanks, candidate);
    qsizetype to = from;
    while (to < candidate.end() && !newline.contains(s[to]))
        ++to;
    return ZQShared::rangeOfTrimCharactersInSet(s, blanks, Range(from, to - from));
}

void ZSUtils::escapeAttributedString(plat::MutableAttributedString& text, const plat::TextCheckingResult& withMatchResult,
                                     ZQEditorType editorType)
{
    const Range whole = withMatchResult.range();
    const Range group = withMatchResult.numberOfRanges() > 1 ? withMatchResult.rangeAtIndex(1) : Range::notFound();
    if (group.isNotFound()) {
        escapeAttributedString(text, whole, editorType);
        return;
    }
    escapeAttributedString(text, Range(whole.location, group.location - whole.location), editorType);
    escapeAttributedString(text, Range(group.end(), whole.end() - group.end()), editorType);
}

void ZSUtils::escapeAttributedString(plat::MutableAttributedString& text, Range inRange, ZQEditorType editorType)
{
    if (inRange.length == 0)
        return;
    const ZSTextThemePtr theme = ZSTextTheme::sharedTheme();
    const plat::ColorPtr color = editorType == ZQEditorType::Markup ? theme->mkEscapeColor() : theme->richEscapeColor();
    // A theme without the colour leaves the text's own colour alone.
    if (color)
        text.addAttribute(plat::ForegroundColorAttribute, plat::Value(color), inRange);
    text.addAttribute(ZQAttr::Escaped, QStringLiteral("esacped"), inRange);
}

const plat::ValueMap& ZSUtils::expandableTextAttribute()
{
    static const plat::ValueMap names = [] {
        // "ZQFilterMacro" has no constant among the attribute names.
        const QString list[] = {ZQAttr::Raw,          ZQAttr::TextBlock,     ZQAttr::FilterCode,
                                ZQAttr::FilterItalic, ZQAttr::MacroFootnote, ZQAttr::MacroTag,
                                ZQAttr::MacroImage,   ZQAttr::FilterQuote,   QStringLiteral("ZQFilterMacro"),
                                ZQAttr::FilterList,   ZQAttr::FilterLink,    ZQAttr::FilterHeading,
                                ZQAttr::FilterDivider, ZQAttr::FilterCodeBlock, ZQAttr::FilterTask};
        plat::ValueMap map;
        for (const QString& name : list)
            map.emplace(name, plat::Value(name));
        return map;
    }();
    return names;
}

ZQEditorType ZSUtils::getEditorType(const plat::TextView& textView)
{
    return editorTypeFromStored(textView.editorType());
}
