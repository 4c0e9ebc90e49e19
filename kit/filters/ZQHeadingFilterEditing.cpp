// Editing roles of headings: the marker typed in the rich editor, the heading
// level commands in both editors, and Return leaving a heading.

#include "kit/filters/ZQHeadingFilter.h"

#include "kit/filters/ZQViewEditing.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/foundation/Exs.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQStyles.h"
#include "kit/model/ZQRenderContext.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/text/KeyEvent.h"
#include "platform/text/TextView.h"

#include <algorithm>

namespace {

constexpr quint64 MarkerHeading = 0;

std::shared_ptr<const plat::Regex> compile(const char* pattern)
{
    return plat::Regex::create(QString::fromLatin1(pattern), plat::RegexAnchorsMatchLines);
}

// The marker just typed, its blank the last character of the searched range.
const plat::Regex& onFlyPattern(ZQMarkupType markupType)
{
    static const auto quorvel = compile("^ {0,3}(h([1-6])\\.)\\p{Blank}\\z");
    static const auto markdown = compile("^ {0,3}(#{1,6})\\p{Blank}\\z");
    return markupType == ZQMarkupType::QuorvelMarkup ? *quorvel : *markdown;
}

// A line's marker in the running dialect.
const plat::Regex& markerPattern(ZQMarkupType markupType)
{
    static const auto quorvel = compile("^ {0,3}(h([1-6])\\.)\\p{Blank}+");
    static const auto markdown = compile("^ {0,3}(#{1,6})\\p{Blank}+");
    return markupType == ZQMarkupType::QuorvelMarkup ? *quorvel : *markdown;
}

// The level a marker match names: the digit of "hN.", else the number of "#".
qint64 levelOfMarker(const plat::TextCheckingResult& match, const QString& text)
{
    const plat::Range marker = match.rangeAtIndex(1);
    if (text.at(marker.location) == QLatin1Char('#'))
        return marker.length;
    const plat::Range digit = match.rangeAtIndex(2);
    return text.mid(digit.location, digit.length).toLongLong();
}

qint64 richLevelAt(const plat::AttributedString& text, qsizetype index)
{
    if (index >= text.length())
        return 0;
    const auto style = text.attributeAtIndex(ZQAttr::FilterHeading, index).toObject<ZQHeadingStyle>();
    return style ? qint64(style->level()) : 0;
}

// Each line of lines in turn, its terminator included.
template <typename Visit>
void forEachLine(const plat::AttributedString& text, plat::Range lines, const Visit& visit)
{
    qsizetype position = lines.location;
    do {
        const plat::Range line = ZQAttributedString::lineRange(text, plat::Range(position, 0));
        visit(line);
        position = line.end();
    } while (position < lines.end());
}

// The terminator's length at the end of line.
qsizetype terminatorLength(const QString& text, plat::Range line)
{
    return !line.isEmpty() && plat::CharacterSet::newline().contains(text.at(line.end() - 1)) ? 1 : 0;
}

// A heading's own look leaves the line; whatever else its runs carry (links,
// footnote references, images, tags, inline faces) stays with them.
void dropHeading(plat::MutableAttributedString& line, const plat::Attributes& plain)
{
    const plat::FontPtr plainFont = plain.value(plat::FontAttribute).toObject<plat::Font>();
    const plat::Value headingColour =
        ZQHighlighter::sharedHighlighter().headingRich(1, QString(), MarkerHeading).value(plat::ForegroundColorAttribute);
    std::vector<std::pair<plat::Range, plat::Attributes>> runs;
    line.enumerateAttributes(plat::Range(0, line.length()), 0,
                             [&](const plat::Attributes& attributes, plat::Range run, bool*) {
                                 plat::Attributes kept = attributes;
                                 kept.remove(ZQAttr::FilterHeading);
                                 kept.set(plat::ParagraphStyleAttribute, plain.value(plat::ParagraphStyleAttribute));
                                 const plat::FontPtr font = attributes.value(plat::FontAttribute).toObject<plat::Font>();
                                 if (font && plainFont)
                                     kept.set(plat::FontAttribute, plat::Value(Exs::toSize(*font, plainFont->pointSize())));
                                 else
                                     kept.set(plat::FontAttribute, plain.value(plat::FontAttribute));
                                 if (!kept.contains(plat::ForegroundColorAttribute)
                                     || kept.value(plat::ForegroundColorAttribute) == headingColour)
                                     kept.set(plat::ForegroundColorAttribute, plain.value(plat::ForegroundColorAttribute));
                                 runs.emplace_back(run, std::move(kept));
                             });
    for (const auto& [run, attributes] : runs)
        line.setAttributes(attributes, run);
}

// Rich lines take the heading, or lose it when they have that level; either
// way every construct attached to the line stays, as typing a marker keeps it.
plat::MutableAttributedString headingLinesForRich(const plat::AttributedString& text, plat::Range lines, qint64 level)
{
    const plat::Attributes plain = ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Rich);
    const ZQHighlighter& highlighter = ZQHighlighter::sharedHighlighter();
    plat::MutableAttributedString result;
    forEachLine(text, lines, [&](plat::Range line) {
        const qsizetype terminator = terminatorLength(text.string(), line);
        plat::MutableAttributedString lineText(
            text.attributedSubstring(plat::Range(line.location, line.length - terminator)));
        if (richLevelAt(text, line.location) == level)
            dropHeading(lineText, plain);
        else if (lineText.length() > 0)
            highlighter.applyAttributes(highlighter.headingRich(quint64(level), ZSUtils::uuid(), MarkerHeading),
                                        lineText, plat::Range(0, lineText.length()));
        result.append(lineText);
        // Line ends keep the plain style, so the heading never reaches the next line.
        result.append(plat::AttributedString(text.string().mid(line.end() - terminator, terminator), plain));
    });
    return result;
}

// Markup lines get the dialect's marker in place of their own, or lose it
// when it names that level.
plat::MutableAttributedString headingLinesForMarkup(const plat::AttributedString& text, plat::Range lines, qint64 level,
                                                    ZQMarkupType markupType, plat::Range& selection)
{
    const QString markerText = markupType != ZQMarkupType::Markdown ? QStringLiteral("h%1. ").arg(level)
                                               : QString(level, QLatin1Char('#')) + QLatin1Char(' ');
    const plat::AttributedString marker(
        markerText, ZQHighlighter::sharedHighlighter().headingMarkdown(quint64(level), ZSUtils::uuid(), MarkerHeading));
    // The selection lies within lines; each end moves with the text of its line.
    const plat::Range before = selection;
    qsizetype newStart = before.location;
    qsizetype newEnd = before.end();
    plat::MutableAttributedString result;
    forEachLine(text, lines, [&](plat::Range line) {
        const auto match = markerPattern(markupType).firstMatch(text.string(), line);
        const qsizetype removed = match ? match->range().length : 0;
        const qint64 oldLevel = match ? levelOfMarker(*match, text.string()) : 0;
        const qsizetype lineStartAfter = lines.location + result.length();
        const qsizetype added = oldLevel != level ? marker.length() : 0;
        if (added)
            result.append(marker);
        result.append(text.attributedSubstring(plat::Range(line.location + removed, line.length - removed)));
        // A position inside the old marker lands at the start of the line's text.
        const auto moved = [&](qsizetype position) {
            return lineStartAfter + added + std::max<qsizetype>(0, position - line.location - removed);
        };
        const bool lastLine = line.end() >= lines.end();
        if (before.location >= line.location && (before.location < line.end() || lastLine))
            newStart = moved(before.location);
        if (before.end() >= line.location && (before.end() < line.end() || lastLine))
            newEnd = moved(before.end());
    });
    selection = plat::Range(newStart, std::max(newStart, newEnd) - newStart);
    return result;
}

} // namespace

bool ZQHeadingFilter::filterRichOnFly(const QString& typed, qint64 position, plat::TextView& view,
                                      ZQRenderContext& context)
{
    if (!ZQShared::trim(typed).isEmpty())
        return false;
    const plat::TextStorage& storage = *view.textStorage();
    if (position <= 0 || position > storage.length())
        return false;
    const qsizetype lineStart = ZSUtils::containerLineRangeForRich(storage, position).location;
    if (lineStart >= position)
        return false;
    const auto match = onFlyPattern(context.runningMarkupType())
                           .firstMatch(storage.string(), plat::Range(lineStart, position - lineStart));
    if (!match)
        return false;
    const qint64 level = levelOfMarker(*match, storage.string());
    if (level < 1 || level > 6)
        return false;

    const plat::Attributes heading =
        ZQHighlighter::sharedHighlighter().headingRich(quint64(level), ZSUtils::uuid(), MarkerHeading);
    const qsizetype lineEnd = ZQAttributedString::lineRange(storage, plat::Range(position, 0), true).end();
    plat::MutableAttributedString rest(storage.attributedSubstring(plat::Range(position, lineEnd - position)));
    ZQHighlighter::sharedHighlighter().applyAttributes(heading, rest, plat::Range(0, rest.length()));
    const qsizetype start = match->range().location;
    ZQViewEditing::replace(view, plat::Range(start, lineEnd - start), rest, plat::Range(start, 0),
                           QStringLiteral("Heading"));
    view.setTypingAttributes(heading);
    return true;
}

bool ZQHeadingFilter::filterRangeOnFly(plat::Range range, quint64 tag, plat::TextView& view, ZQRenderContext& context)
{
    const qint64 level = qint64(tag) - 20;
    if (level < 1 || level > 6)
        return false;
    const plat::TextStorage& storage = *view.textStorage();
    if (range.isNotFound() || range.location < 0 || range.end() > storage.length())
        return false;
    const plat::Range lines = ZQAttributedString::lineRange(storage, range);
    plat::Range selection = range;
    const plat::MutableAttributedString result =
        ZSUtils::getEditorType(view) == ZQEditorType::Markup
            ? headingLinesForMarkup(storage, lines, level, context.runningMarkupType(), selection)
            : headingLinesForRich(storage, lines, level);
    const qsizetype lengthAfter = storage.length() - lines.length + result.length();
    if (selection.end() > lengthAfter)
        selection = plat::Range(lengthAfter, 0);
    ZQViewEditing::replace(view, lines, result, selection, QStringLiteral("Heading %1").arg(level));
    return true;
}

bool ZQHeadingFilter::processKeyDownEvent(quint16 keyCode, quint64 /*modifyFlag*/, plat::TextView& view,
                                          ZQRenderContext& /*context*/)
{
    if (keyCode == plat::KeyCode::Return && view.typingAttributes().contains(ZQAttr::FilterHeading))
        view.setTypingAttributes(ZSSettings::sharedSettings()->defaultTypingAttribute(ZSUtils::getEditorType(view)));
    return false;
}
