#include "kit/filters/ZQBaseFilter.h"

#include "kit/filters/ZQInlineTargets.h"
#include "kit/filters/ZQRunBuilder.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQInlineMarker.h"
#include "kit/model/ZQStyles.h"
#include "kit/model/ZQTextNode.h"
#include "kit/model/ZQRenderContext.h"

#include <algorithm>
#include <map>

namespace {

// The shared style factory, reached when first needed: the filters are made
// before the application installs its settings.
ZQHighlighter& styles()
{
    return ZQHighlighter::sharedHighlighter();
}


quint64 quorvelTypeOf(char16_t c)
{
    switch (c) {
    case u'*':
        return ZQNodeType::Strong;
    case u'~':
        return ZQNodeType::Emphasis;
    case u'-':
        return ZQNodeType::StrikeThrough;
    case u'`':
        return ZQNodeType::CodeSpan;
    case u'_':
        return ZQNodeType::Underline;
    case u'+':
        return ZQNodeType::TagMacro;
    default:
        return 0;
    }
}

} // namespace

ZQBaseFilter::ZQBaseFilter()
    : m_attributeName(QStringLiteral("ZQFilterBase"))
{
}

// ---- Dialect maps -------------------------------------------------------------

ZQBaseFilter::RunTypes ZQBaseFilter::runTypes(char16_t c, ZQMarkupType markupType)
{
    if (markupType == ZQMarkupType::QuorvelMarkup)
        return {quorvelTypeOf(c), quorvelTypeOf(c)};
    switch (c) {
    case u'*':
    case u'_':
        return {ZQNodeType::Strong, ZQNodeType::Emphasis};
    case u'~':
        return {ZQNodeType::StrikeThrough, ZQNodeType::StrikeThrough};
    case u'`':
        return {ZQNodeType::CodeSpan, ZQNodeType::CodeSpan};
    case u'+':
        return {ZQNodeType::TagMacro, ZQNodeType::TagMacro};
    default:
        return {};
    }
}

QString ZQBaseFilter::markerFromNodeType(quint64 nodeType, ZQMarkupType markupType)
{
    const bool quorvel = markupType == ZQMarkupType::QuorvelMarkup;
    switch (nodeType) {
    case ZQNodeType::Strong:
        return quorvel ? QStringLiteral("*") : QStringLiteral("**");
    case ZQNodeType::Emphasis:
        return quorvel ? QStringLiteral("~") : QStringLiteral("*");
    case ZQNodeType::StrikeThrough:
        return quorvel ? QStringLiteral("-") : QStringLiteral("~~");
    case ZQNodeType::CodeSpan:
        return QStringLiteral("`");
    case ZQNodeType::Underline:
        return quorvel ? QStringLiteral("_") : QString();
    case ZQNodeType::TagMacro:
        return QStringLiteral("+");
    default:
        return QString();
    }
}

quint64 ZQBaseFilter::nodeTypeFromMarker(const QString& marker, ZQMarkupType markupType)
{
    if (markupType == ZQMarkupType::QuorvelMarkup)
        return marker.size() == 1 ? quorvelTypeOf(marker.at(0).unicode()) : 0;
    if (marker == u"**" || marker == u"__")
        return ZQNodeType::Strong;
    if (marker == u"*" || marker == u"_")
        return ZQNodeType::Emphasis;
    if (marker == u"~~")
        return ZQNodeType::StrikeThrough;
    if (marker == u"`")
        return ZQNodeType::CodeSpan;
    if (marker == u"+")
        return ZQNodeType::TagMacro;
    return 0;
}

QString ZQBaseFilter::getHTMLTag(quint64 nodeType, bool isForEnd)
{
    // Strong to tag, in node type order.
    static const char* const names[] = {"strong", "em", "del", "code", "u", "mark"};
    if (nodeType < ZQNodeType::Strong || nodeType > ZQNodeType::TagMacro)
        return QStringLiteral("?");
    const QLatin1String name(names[nodeType - ZQNodeType::Strong]);
    return (isForEnd ? QStringLiteral("</") : QStringLiteral("<")) + name + QLatin1Char('>');
}

// ---- Rendering ---------------------------------------------------------------------

ZQBaseFilter::Tags ZQBaseFilter::sortDelimiters(const std::vector<std::shared_ptr<ZQInlineMarker>>& spans)
{
    Tags tags;
    tags.reserve(spans.size() * 2);
    for (const auto& span : spans) {
        span->startTag()->setCloseTag(span->endTag());
        tags.push_back(span->startTag());
        tags.push_back(span->endTag());
    }
    // Ascending: the paragraph is rebuilt once from its first tag to its last,
    // so no edit ever moves text that another edit still has to find.
    std::sort(tags.begin(), tags.end(), [](const auto& a, const auto& b) {
        return a->markerRange().location < b->markerRange().location;
    });
    return tags;
}

ZQProcessLength ZQBaseFilter::renderMarkdown(plat::MutableAttributedString& markdown,
                                             const std::vector<std::shared_ptr<ZQInlineMarker>>& delimiters,
                                             ZQRenderContext& context)
{
    if (delimiters.empty())
        return {};
    return ZQInlineTargets::render(
        context, [&] { return renderMarkdownToHTML(markdown, delimiters, context); },
        [&] { return renderMarkdownToRich(markdown, delimiters, context); });
}

QString ZQBaseFilter::htmlOfTag(const ZQInlineMarkerTag& tag, ZQMarkupType markupType) const
{
    if (tag.isForImageAlt())
        return QString();
    const char16_t c = tag.delimiter();
    const bool end = !tag.openTag();
    if (c == u'`')
        return getHTMLTag(ZQNodeType::CodeSpan, end);
    // Quorvel Markup spans keep their element: the character alone decides.
    if (markupType == ZQMarkupType::QuorvelMarkup)
        return getHTMLTag(quorvelTypeOf(c), end);
    const qsizetype length = tag.markerRange().length;
    const quint64 doubledType = nodeTypeFromMarker(QString(2, QChar(c)), markupType);
    const quint64 singleType = c == u'~' ? 0 : nodeTypeFromMarker(QString(QChar(c)), markupType);
    const QString doubled = doubledType ? getHTMLTag(doubledType, end).repeated(length / 2) : QString();
    const QString single = (length % 2 && singleType) ? getHTMLTag(singleType, end) : QString();
    return end ? single + doubled : doubled + single;
}

ZQProcessLength ZQBaseFilter::renderMarkdownToHTML(plat::MutableAttributedString& markdown,
                                                   const std::vector<std::shared_ptr<ZQInlineMarker>>& spans,
                                                   ZQRenderContext& context)
{
    const Tags tags = sortDelimiters(spans);
    const qsizetype start = tags.front()->markerRange().location;
    const qsizetype end = tags.back()->markerRange().end();
    ZQRunBuilder rebuilt;
    qsizetype cursor = start;
    qint64 processed = 0;
    for (size_t k = 0; k < tags.size(); ++k) {
        const auto& tag = tags[k];
        const plat::Range range = tag->markerRange();
        if (cursor < range.location) {
            const plat::Range between(cursor, range.location - cursor);
            const auto& before = tags[k - 1];
            if (before->openTag() && before->delimiter() == u'`' && !before->isForImageAlt()
                && before->closeTag() == tag) {
                // A code span's body: its white space runs collapsed, then escaped.
                QString body = ZQShared::shrinkSpaces(markdown.string().mid(between.location, between.length));
                ZQShared::escapeHTMLEntity(body);
                rebuilt.append(body, markdown.attributesAtIndex(between.location));
            } else {
                rebuilt.append(markdown, between);
            }
        }
        const QString html = htmlOfTag(*tag, context.runningMarkupType());
        tag->setMarkerRange(plat::Range(start + rebuilt.length(), html.size()));
        rebuilt.append(html, markdown.attributesAtIndex(range.location));
        processed += range.length;
        cursor = range.end();
    }
    const plat::MutableAttributedString text = rebuilt.build();
    markdown.replaceCharacters(plat::Range(start, end - start), text);
    return {processed, text.length() - (end - start), 0, 1};
}

ZQProcessLength ZQBaseFilter::renderMarkdownToRich(plat::MutableAttributedString& markdown,
                                                   const std::vector<std::shared_ptr<ZQInlineMarker>>& spans,
                                                   ZQRenderContext& context)
{
    const Tags tags = sortDelimiters(spans);
    const qsizetype start = tags.front()->markerRange().location;
    const qsizetype end = tags.back()->markerRange().end();
    std::map<const ZQInlineMarkerTag*, QString> writtenBodies;
    for (const auto& span : spans) {
        if (span->startTag()->delimiter() == u'+')
            writtenBodies.emplace(span->startTag().get(), span->writtenBody());
    }

    // The markers go; each tag is left where its body begins or ends.
    ZQRunBuilder rebuilt;
    qsizetype cursor = start;
    qint64 processed = 0;
    std::vector<qsizetype> lengths;
    lengths.reserve(tags.size());
    for (const auto& tag : tags) {
        const plat::Range range = tag->markerRange();
        if (cursor < range.location)
            rebuilt.append(markdown, plat::Range(cursor, range.location - cursor));
        tag->setMarkerRange(plat::Range(start + rebuilt.length(), 0));
        lengths.push_back(range.length);
        processed += range.length;
        cursor = range.end();
    }
    markdown.replaceCharacters(plat::Range(start, end - start), rebuilt.build());
    qint64 change = rebuilt.length() - (end - start);

    // Styles, outer spans first. A tag span becomes chips of another length:
    // what follows it moves, and spans inside it are gone with its text.
    struct Chip {
        qsizetype start, end;
        qint64 delta;
    };
    // Chips come in text order and never overlap: the shift at a position is
    // the sum of the deltas of the chips ending before it, found by a binary
    // search over running sums (a page of thousands of tags stays linear).
    std::vector<Chip> chips;
    std::vector<qint64> shiftAfter; // sum of the deltas of chips[0..k]
    auto addChip = [&](const Chip& chip) {
        shiftAfter.push_back((shiftAfter.empty() ? 0 : shiftAfter.back()) + chip.delta);
        chips.push_back(chip);
    };
    auto shiftAt = [&](qsizetype position) -> qint64 {
        const auto after = std::upper_bound(chips.begin(), chips.end(), position,
                                            [](qsizetype p, const Chip& chip) { return p < chip.end; });
        return after == chips.begin() ? 0 : shiftAfter[size_t(after - chips.begin()) - 1];
    };
    const ZQMarkupType markupType = context.runningMarkupType();
    for (size_t k = 0; k < tags.size(); ++k) {
        const auto& open = tags[k];
        if (!open->openTag())
            continue;
        const qsizetype bodyStart = open->markerRange().location;
        const qsizetype bodyEnd = open->closeTag()->markerRange().location;
        if (!chips.empty() && bodyStart >= chips.back().start && bodyEnd <= chips.back().end)
            continue;
        const char16_t c = open->delimiter();
        const qsizetype length = lengths[k];
        std::vector<quint64> types;
        if (markupType == ZQMarkupType::QuorvelMarkup || (c != u'*' && c != u'_')) {
            types.push_back(runTypes(c, markupType).single);
        } else {
            if (length >= 2)
                types.push_back(ZQNodeType::Strong);
            if (length % 2)
                types.push_back(ZQNodeType::Emphasis);
        }
        const qint64 shift = shiftAt(bodyStart);
        for (const quint64 type : types) {
            const plat::Range body(bodyStart + shift, bodyEnd - bodyStart);
            if (type != ZQNodeType::TagMacro) {
                applyStyleOnRich(type, markdown, body);
                continue;
            }
            const auto written = writtenBodies.find(open.get());
            const QString names = written != writtenBodies.end() && !written->second.isNull()
                ? written->second
                : markdown.string().mid(body.location, body.length);
            addChip({bodyStart, bodyEnd, convertTagsToRich(markdown, body, names)});
        }
    }
    if (!chips.empty()) {
        for (const auto& tag : tags) {
            const qsizetype location = tag->markerRange().location;
            tag->setMarkerRange(plat::Range(location + shiftAt(location), 0));
        }
        for (const Chip& chip : chips)
            change += chip.delta;
    }
    return {processed, change, 0, 1};
}

qint64 ZQBaseFilter::applyStyleOnRich(quint64 nodeType, plat::MutableAttributedString& content, plat::Range range)
{
    if (nodeType == ZQNodeType::TagMacro)
        return convertTagsToRich(content, range, content.string().mid(range.location, range.length));
    if (nodeType != 0)
        styles().applyAttributes(styles().baseRich(int(nodeType)), content, range);
    return 0;
}

qint64 ZQBaseFilter::convertTagsToRich(plat::MutableAttributedString& content, plat::Range range,
                                       const QString& written)
{
    // An escaped comma is part of a name.
    QStringList names;
    qsizetype nameStart = 0;
    for (qsizetype k = 0; k < written.size(); ++k) {
        if (written.at(k) == u'\\')
            ++k;
        else if (written.at(k) == u',') {
            names.push_back(written.mid(nameStart, k - nameStart));
            nameStart = k + 1;
        }
    }
    names.push_back(written.mid(nameStart));
    // One chip per name, side by side, as typing a comma in a chip makes them:
    // written back they are one tag again.
    plat::MutableAttributedString chips;
    for (qsizetype k = 0; k < names.size(); ++k) {
        chips.append(plat::AttributedString(QLatin1Char('<') + names[k] + QLatin1Char('>'),
                                            styles().baseRich(ZQNodeType::TagMacro)));
    }
    content.replaceCharacters(range, chips);
    return chips.length() - range.length;
}

// ---- Markup editor and writing back ----------------------------------------------------

bool ZQBaseFilter::highlightMarkdown(plat::MutableAttributedString& markup,
                                     const std::shared_ptr<ZQInlineMarker>& highlighter, ZQRenderContext& context)
{
    std::vector<ZQHighlighter::Paint> paints;
    if (!highlightPaints(markup, highlighter, context, paints))
        return false;
    for (const ZQHighlighter::Paint& paint : paints)
        styles().applyAttributes(paint.attributes, markup, paint.range);
    return true;
}

bool ZQBaseFilter::highlightPaints(const plat::AttributedString& markup,
                                   const std::shared_ptr<ZQInlineMarker>& highlighter, ZQRenderContext& context,
                                   std::vector<ZQHighlighter::Paint>& paints)
{
    if (!highlighter || highlighter->nodeType() != ZQNodeType::Delimiter || !highlighter->startTag()
        || !highlighter->endTag())
        return false;
    const auto& open = highlighter->startTag();
    const auto& close = highlighter->endTag();
    const plat::Range openRange = open->markerRange();
    const plat::Range closeRange = close->markerRange();
    const RunTypes types = runTypes(highlighter->delimiter(), context.runningMarkupType());

    for (const plat::Range& range : highlighter->markerAbsoluteRanges()) {
        const qsizetype bodyStart = std::max(range.location, openRange.end());
        const qsizetype bodyEnd = std::min(range.end(), closeRange.location);
        if (bodyStart >= bodyEnd)
            continue;
        const plat::Range body(bodyStart, bodyEnd - bodyStart);
        if (openRange.length % 2)
            paints.push_back({styles().baseBodyMarkdown(int(types.single)), body});
        if (openRange.length >= 2)
            paints.push_back({styles().baseBodyMarkdown(int(types.doubled)), body});
    }

    // Opening pairs from the start, an odd last character alone; the closing
    // marker mirrors them, its odd character first.
    const QString text = markup.string();
    std::vector<ZQPairedAttributePtr> opening;
    for (qsizetype k = 0; k + 1 < openRange.length; k += 2) {
        const plat::Range pair(openRange.location + k, 2);
        opening.push_back(ZQPairedAttribute::initWithMarker(text.mid(pair.location, 2)));
        paints.push_back({styles().baseMarkdown(int(types.doubled), opening.back()), pair});
    }
    ZQPairedAttributePtr odd;
    if (openRange.length % 2) {
        const plat::Range last(openRange.end() - 1, 1);
        odd = ZQPairedAttribute::initWithMarker(text.mid(last.location, 1));
        paints.push_back({styles().baseMarkdown(int(types.single), odd), last});
    }
    qsizetype position = closeRange.location;
    if (closeRange.length % 2 && odd) {
        paints.push_back({styles().baseMarkdown(int(types.single),
                                                std::static_pointer_cast<ZQPairedAttribute>(odd->copy())),
                          plat::Range(position, 1)});
        ++position;
    }
    for (auto it = opening.rbegin(); it != opening.rend() && position + 2 <= closeRange.end(); ++it, position += 2) {
        paints.push_back({styles().baseMarkdown(int(types.doubled),
                                                std::static_pointer_cast<ZQPairedAttribute>((*it)->copy())),
                          plat::Range(position, 2)});
    }
    return true;
}

bool ZQBaseFilter::renderRichToMarkdown(QString& markdown, const ZQInlineMarkerBorder& border,
                                        ZQRenderContext& context)
{
    if (!border.marker())
        return false;
    if (border.marker()->nodeType() == ZQNodeType::CodeSpan)
        return writeCodeSpanBorder(markdown, border);
    QString marker = markerFromNodeType(border.marker()->nodeType(), context.runningMarkupType());
    if (marker.isEmpty())
        return false;
    if (border.marker()->delimiter() == u'_' && context.runningMarkupType() != ZQMarkupType::QuorvelMarkup)
        marker.fill(u'_');
    markdown.insert(border.pos1(), marker);
    return true;
}

// The body of a code span is written as it is, so its delimiter is a run of
// backticks of a length the body does not hold, kept apart by a blank from a
// backtick at the body's edge (backticks outside code are written escaped).
// The closing border is written first (borders go from the end of the
// paragraph), while the body is still the rich text's; it leaves the run in
// the span's start tag for the opening one.
bool ZQBaseFilter::writeCodeSpanBorder(QString& markdown, const ZQInlineMarkerBorder& border)
{
    ZQInlineMarker& span = *border.marker();
    const qsizetype at = border.pos1();
    if (border.openTag()) {
        const auto opening = span.startTag();
        const QString backticks(opening ? opening->markerRange().length : 1, u'`');
        const bool blank = at < markdown.size() && markdown.at(at) == u'`';
        markdown.insert(at, blank ? backticks + u' ' : backticks);
        return true;
    }
    const QStringView body = QStringView(markdown).mid(border.pos2(), at - border.pos2());
    std::vector<qsizetype> runs;
    for (qsizetype i = 0; i < body.size(); ++i) {
        qsizetype end = i;
        while (end < body.size() && body[end] == u'`')
            ++end;
        if (end > i)
            runs.push_back(end - i);
        i = end;
    }
    qsizetype length = 1;
    while (std::find(runs.begin(), runs.end(), length) != runs.end())
        ++length;
    span.setStartTag(ZQInlineMarkerTag::tagWithRange(plat::Range(border.pos2(), length), true, u'`'));
    const QString backticks(length, u'`');
    markdown.insert(at, body.endsWith(u'`') ? u' ' + backticks : backticks);
    return true;
}
