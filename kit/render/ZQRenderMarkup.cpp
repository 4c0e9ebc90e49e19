#include "kit/render/ZQRender.h"

#include "kit/model/ZQBlockNodes.h"
#include "kit/filters/ZQBaseFilter.h"
#include "kit/filters/ZQEscapeFilter.h"
#include "kit/model/ZQFilterDispatch.h"
#include "kit/model/ZQFilterRoles.h"
#include "kit/filters/ZQParagraphParser.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/parsers/ZQDocTreeParser.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQInlineMarker.h"
#include "kit/model/ZQLinkRef.h"
#include "kit/model/ZQStyles.h"
#include "kit/model/ZQTextNode.h"
#include "kit/parsers/ZQFilterPipe.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZQRenderUtil.h"
#include "kit/render/ZQEditTracker.h"
#include "platform/foundation/StringLines.h"
#include "platform/foundation/Url.h"
#include "platform/text/AttributedString.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace {


std::shared_ptr<ZQEscapeFilter> escapeFilterOf(const ZQFilterPipe& pipe)
{
    for (const plat::ObjectPtr& filter : pipe.container()) {
        if (auto escape = std::dynamic_pointer_cast<ZQEscapeFilter>(filter))
            return escape;
    }
    return nullptr;
}

// Styling makes fresh marks each time (quote, code block and tag UUIDs,
// paired markers, heading styles, an image's style and link). A fresh mark that stands wherever it occurs
// on an old mark of the same kind, one for one, is the old mark renamed: the
// old one is kept. Paired markers go by their pair, so both halves are kept
// or both renewed.
class MarkCorrespondence {
public:
    // Notes the values of one stretch.
    void observe(const QString& name, const plat::Value& oldValue, const plat::Value& newValue)
    {
        if (!isMark(name, newValue))
            return;
        const QString group = groupOf(newValue);
        if (!sameKind(name, oldValue, newValue)) {
            m_conflicted.insert(group);
            return;
        }
        const QString oldGroup = groupOf(oldValue);
        const auto mapped = m_groupToOld.constFind(group);
        const auto taken = m_oldToGroup.constFind(oldGroup);
        if ((mapped != m_groupToOld.cend() && *mapped != oldGroup) || (taken != m_oldToGroup.cend() && *taken != group)) {
            m_conflicted.insert(group);
            if (taken != m_oldToGroup.cend())
                m_conflicted.insert(*taken);
            return;
        }
        m_groupToOld.insert(group, oldGroup);
        m_oldToGroup.insert(oldGroup, group);
        const QString key = keyOf(newValue);
        const auto kept = m_kept.constFind(key);
        if (kept == m_kept.cend())
            m_kept.insert(key, oldValue);
        else if (keyOf(*kept) != keyOf(oldValue))
            m_conflicted.insert(group);
    }
    // The value to write for a fresh one.
    plat::Value substitute(const QString& name, const plat::Value& newValue) const
    {
        if (!isMark(name, newValue) || m_conflicted.contains(groupOf(newValue)))
            return newValue;
        return m_kept.value(keyOf(newValue), newValue);
    }

private:
    static bool isMark(const QString& name, const plat::Value& value)
    {
        // Quotes, code blocks (fenced and indented) and tags are keyed by fresh UUID strings.
        if (value.isString())
            return name == ZQAttr::FilterQuote || name == ZQAttr::Raw || name == ZQAttr::MacroTag
                || name == ZQAttr::IndentBlock;
        return value.toObject<ZQPairedAttribute>() || value.toObject<ZQHeadingStyle>()
            || value.toObject<ZQImageStyle>() || !imageLink(value).isNull();
    }
    // An image's link names its UUID ("#IMG" and the UUID); null for any other value.
    static QString imageLink(const plat::Value& value)
    {
        const auto url = value.toObject<plat::Url>();
        return url && url->absoluteString().startsWith(QLatin1String("#IMG")) ? url->absoluteString().mid(4)
                                                                               : QString();
    }
    static bool sameKind(const QString& name, const plat::Value& a, const plat::Value& b)
    {
        if (a.isString() && b.isString())
            return isMark(name, a);
        if (a.toObject<ZQImageStyle>())
            return bool(b.toObject<ZQImageStyle>());
        if (!imageLink(a).isNull())
            return !imageLink(b).isNull();
        if (const auto pa = a.toObject<ZQPairedAttribute>()) {
            const auto pb = b.toObject<ZQPairedAttribute>();
            return pb && pa->marker() == pb->marker() && pa->isClose() == pb->isClose();
        }
        if (const auto ha = a.toObject<ZQHeadingStyle>()) {
            const auto hb = b.toObject<ZQHeadingStyle>();
            return hb && ha->level() == hb->level() && ha->headingType() == hb->headingType();
        }
        return false;
    }
    static QString keyOf(const plat::Value& value)
    {
        if (value.isString())
            return QStringLiteral("s:") + value.toString();
        if (const auto image = value.toObject<ZQImageStyle>())
            return QStringLiteral("i:") + image->uuid();
        if (const QString link = imageLink(value); !link.isNull())
            return QStringLiteral("l:") + link;
        return QStringLiteral("o:") + QString::number(quintptr(value.toObject().get()));
    }
    static QString groupOf(const plat::Value& value)
    {
        if (const auto paired = value.toObject<ZQPairedAttribute>())
            return QStringLiteral("p:") + paired->uuid();
        // An image's style and link go together, by the image's UUID.
        if (const auto image = value.toObject<ZQImageStyle>())
            return QStringLiteral("i:") + image->uuid();
        if (const QString link = imageLink(value); !link.isNull())
            return QStringLiteral("i:") + link;
        return keyOf(value);
    }

    QHash<QString, QString> m_groupToOld;
    QHash<QString, QString> m_oldToGroup;
    QSet<QString> m_conflicted;
    QHash<QString, plat::Value> m_kept; // fresh mark to the old value it stands on
};

struct Run {
    plat::Range range;
    plat::Attributes attributes;
};

// The runs within range, their ranges counted from the range's start.
std::vector<Run> runsOf(const plat::AttributedString& text, plat::Range range)
{
    std::vector<Run> runs;
    text.enumerateAttributes(range, 0, [&](const plat::Attributes& attributes, plat::Range run, bool*) {
        runs.push_back({plat::Range(run.location - range.location, run.length), attributes});
    });
    return runs;
}

// Calls visit(range, old, new) for each stretch over which both texts keep
// their attributes; the texts have the same length.
template <class Visit>
void walkBoth(const std::vector<Run>& before, const std::vector<Run>& after, Visit visit)
{
    size_t i = 0;
    size_t j = 0;
    qsizetype position = 0;
    while (i < before.size() && j < after.size()) {
        const qsizetype end = std::min(before[i].range.end(), after[j].range.end());
        visit(plat::Range(position, end - position), before[i].attributes, after[j].attributes);
        position = end;
        if (before[i].range.end() == end)
            ++i;
        if (after[j].range.end() == end)
            ++j;
    }
}

// Writes into markup, from at on, only the stretches whose styling changed,
// keeping the old marks that fresh ones merely rename; a restyled unchanged
// text is left alone.
void adoptChangedAttributes(plat::MutableAttributedString& markup, const plat::AttributedString& styled,
                            qsizetype at = 0)
{
    const std::vector<Run> before = runsOf(markup, plat::Range(at, styled.length()));
    const std::vector<Run> after = runsOf(styled, plat::Range(0, styled.length()));
    MarkCorrespondence marks;
    walkBoth(before, after, [&](plat::Range, const plat::Attributes& old, const plat::Attributes& fresh) {
        if (old == fresh)
            return;
        for (const auto& [name, value] : fresh) {
            const plat::Value& previous = old.value(name);
            if (previous != value)
                marks.observe(name, previous, value);
        }
    });
    std::vector<Run> changes;
    walkBoth(before, after, [&](plat::Range range, const plat::Attributes& old, const plat::Attributes& fresh) {
        if (old == fresh)
            return;
        plat::Attributes written;
        for (const auto& [name, value] : fresh)
            written.set(name, marks.substitute(name, value));
        if (written != old)
            changes.push_back({range, written});
    });
    if (changes.empty())
        return;
    markup.beginEditing();
    for (const Run& change : changes)
        markup.setAttributes(change.attributes, plat::Range(at + change.range.location, change.range.length));
    markup.endEditing();
}

bool isSpaceOrTab(QChar c)
{
    return c == u' ' || c == u'\t';
}

// A line of spaces whose styling is the plain text's, followed by a line that
// does not start indented (or by nothing): no block before it reaches past it,
// so the text after it styles as a text of its own. An open fence, a list
// item's or a code block's blank line carries their styling, and an indented
// line after a blank one may continue the block before.
class MarkupBoundaries {
public:
    MarkupBoundaries(const plat::AttributedString& markup, const plat::Attributes& base)
        : m_markup(markup), m_text(markup.string()), m_base(base) {}

    // The start of the line after the last boundary before location; 0 when none.
    qsizetype startBefore(qsizetype location) const
    {
        qsizetype lineStart = plat::lineRangeForRange(m_text, plat::Range(location, 0)).location;
        while (lineStart > 0) {
            const plat::Range previous = plat::lineRangeForRange(m_text, plat::Range(lineStart - 1, 0));
            if (isBoundary(previous))
                return lineStart;
            lineStart = previous.location;
        }
        return 0;
    }
    // The end of the first boundary after the line of location; the text's end when none.
    qsizetype endAfter(qsizetype location) const
    {
        const qsizetype length = m_text.size();
        qsizetype at = std::min(location, length);
        at = plat::lineRangeForRange(m_text, plat::Range(at, 0)).end();
        while (at < length) {
            const plat::Range line = plat::lineRangeForRange(m_text, plat::Range(at, 0));
            if (isBoundary(line))
                return line.end();
            at = line.end();
        }
        return length;
    }
    bool isPlainBlank(plat::Range line) const
    {
        for (qsizetype i = line.location; i < line.end(); ++i) {
            const QChar c = m_text.at(i);
            if (!isSpaceOrTab(c) && c != u'\n' && c != u'\r')
                return false;
        }
        plat::Range run;
        return line.length > 0 && m_markup.attributesAtIndex(line.location, &run) == m_base && run.end() >= line.end();
    }

private:
    bool isBoundary(plat::Range line) const
    {
        return isPlainBlank(line) && (line.end() >= m_text.size() || !isSpaceOrTab(m_text.at(line.end())));
    }

    const plat::AttributedString& m_markup;
    const QString& m_text;
    const plat::Attributes& m_base;
};

} // namespace

void ZQRender::highlightMarkdown(plat::MutableAttributedString& markup)
{
    plat::MutableAttributedString styled(markup);
    highlightMarkdown(styled, false);
    adoptChangedAttributes(markup, styled);
}

void ZQRender::highlightMarkdown(plat::MutableAttributedString& markup, bool forBlockEditor)
{
    if (!forBlockEditor) {
        highlightMarkdown(markup, m_renderContext, nullptr);
        return;
    }
    const auto copy = plat::objectCast<ZQRenderContext>(m_renderContext->copy());
    highlightMarkdown(markup, copy, copy);
}

bool ZQRender::highlightMarkdown(plat::MutableAttributedString& markup, const std::shared_ptr<ZQRenderContext>& context,
                                 std::shared_ptr<ZQRenderContext> copyForBodies,
                                 const std::shared_ptr<ZQLinkRefMap>& pageRefs, std::vector<plat::Range>* definitions)
{
    context->setRunningMarkupType(m_settings->markupType());
    context->setRenderTargetType(ZQRenderContext::TargetMarkup);

    const plat::Range whole(0, markup.length());
    // Code colours come from the syntax highlighter, not from parsing: they
    // survive the restyling.
    ZQRenderUtil::CodeHighlighting codeColours = ZQRenderUtil::cachingCodeBlockHighlighting(markup, whole);

    auto refs = std::make_shared<ZQLinkRefMap>();
    refs->reserve(10);
    std::vector<plat::Range> escapes;
    escapes.reserve(10);
    const qint64 option = ZQDocTreeParser::RecordMarkerRanges
        | (context->runningMarkupType() == ZQMarkupType::QuorvelMarkup ? ZQDocTreeParser::QuorvelMarkup : 0);
    const QString text = markup.string();
    std::vector<std::shared_ptr<ZQLinkRef>> duplicates;
    const ZSTree tree = m_textblockParser->processDocTree(text, whole, refs.get(), &duplicates, &escapes, option);
    if (pageRefs && (!refs->isEmpty() || !duplicates.empty()))
        return false;
    if (definitions) {
        definitions->clear();
        for (const auto& group : {std::vector<std::shared_ptr<ZQLinkRef>>(refs->begin(), refs->end()), duplicates}) {
            for (const auto& ref : group) {
                if (ref)
                    definitions->push_back(ref->contentRange());
            }
        }
        std::sort(definitions->begin(), definitions->end(),
                  [](plat::Range a, plat::Range b) { return a.location < b.location; });
    }
    context->setLinkRefMap(pageRefs ? pageRefs : refs);

    const plat::Attributes base = m_settings->defaultTypingAttribute(ZQEditorType::Markup);
    if (markup.length() > 0)
        markup.setAttributes(base, whole);

    if (!escapes.empty()) {
        if (const auto escapeFilter = escapeFilterOf(*m_filterProvider)) {
            auto marker = std::make_shared<ZQInlineMarker>();
            marker->setNodeType(ZQNodeType::BackslashEscape);
            marker->setMarkerAbsoluteRanges(std::move(escapes));
            escapeFilter->highlightMarkdown(markup, marker, *context);
        }
    }

    tree.enumerateTreeRootFirst([&](const ZSTree& treeNode, bool*) {
        if (!treeNode.isRoot())
            highlightNode(markup, treeNode, base, *context);
    });

    if (!refs->isEmpty()) {
        std::vector<std::shared_ptr<ZQLinkRef>> all;
        std::vector<std::shared_ptr<ZQLinkRef>> footnotes;
        for (const std::shared_ptr<ZQLinkRef>& ref : *refs) {
            if (!ref)
                continue;
            all.push_back(ref);
            if (ref->isFootnote())
                footnotes.push_back(ref);
        }
        m_highlighter->highlightLinkRefMarkdown(markup, all);
        highlightFootnoteBodies(markup, footnotes, std::move(copyForBodies));
    }

    ZQRenderUtil::restoreCodeBlockHighlighting(markup, codeColours, whole);

    markup.beginEditing();
    markup.fixAttributes(plat::Range(0, markup.length()));
    markup.endEditing();
    applyObliquenessForItalic(markup);
    return true;
}

void ZQRender::fixMarkupAttributes(const std::shared_ptr<plat::TextStorage>& storage)
{
    plat::TextStorage& markup = *storage;
    const bool followed = m_markupEditTracker && m_markupEditTracker->follows(markup);
    const plat::Range edited = followed ? m_markupEditTracker->editedRange() : plat::Range::notFound();
    if (followed && edited.isNotFound())
        return; // styled, and unchanged since
    if (!followed)
        m_markupEditTracker = std::make_shared<ZQEditTracker>(storage);
    if (!followed || !restyleMarkupAround(markup, edited)) {
        plat::MutableAttributedString styled(markup);
        highlightMarkdown(styled, m_renderContext, nullptr, nullptr, &m_markupDefinitions);
        m_markupRefs = m_renderContext->linkRefMap();
        adoptChangedAttributes(markup, styled);
    }
    // The styling's own attribute edits are no edits to style again.
    m_markupEditTracker->setEditedRange(plat::Range::notFound());
    m_markupStyledLength = markup.length();
}

bool ZQRender::restyleMarkupAround(plat::TextStorage& markup, plat::Range edited)
{
    if (!m_markupRefs)
        return false;
    const plat::Attributes base = m_settings->defaultTypingAttribute(ZQEditorType::Markup);
    const MarkupBoundaries boundaries(markup, base);
    const qsizetype start = boundaries.startBefore(edited.location);
    const plat::Range scope(start, boundaries.endAfter(edited.end()) - start);
    // The edits replaced [edited.location, oldEnd) of the text as it was
    // styled; a definition in the stretch may be one no more (a paragraph
    // now runs into it), which other blocks read.
    const qsizetype delta = markup.length() - m_markupStyledLength;
    const qsizetype oldEnd = edited.end() - delta;
    const qsizetype oldScopeEnd = scope.end() - delta;
    for (const plat::Range definition : m_markupDefinitions) {
        if (definition.location <= oldScopeEnd && scope.location <= definition.end())
            return false;
    }
    plat::MutableAttributedString part(markup.attributedSubstring(scope));
    if (!highlightMarkdown(part, m_renderContext, nullptr, m_markupRefs, nullptr))
        return false;
    // A fence opened in the stretch runs on past its last blank line.
    if (scope.end() < markup.length()) {
        const plat::Range last = plat::lineRangeForRange(part.string(), plat::Range(part.length() - 1, 0));
        if (!MarkupBoundaries(part, base).isPlainBlank(last))
            return false;
    }
    adoptChangedAttributes(markup, part, scope.location);
    for (plat::Range& definition : m_markupDefinitions) {
        if (definition.location >= oldEnd)
            definition.location += delta;
    }
    return true;
}

void ZQRender::highlightNode(plat::MutableAttributedString& markup, const ZSTree& treeNode,
                             const plat::Attributes& base, ZQRenderContext& context)
{
    const auto node = ZQBlockNodes::textNodeOf(treeNode);
    if (!node || (node->nodeStatus() & ZQTextNode::StatusStyled))
        return;
    const quint64 type = node->nodeType();
    if ((type == ZQNodeType::Paragraph || type == ZQNodeType::SetextHeading)
        && !(node->nodeStatus() & ZQTextNode::StatusLiteral)) {
        auto content = std::make_shared<plat::MutableAttributedString>(node->content(), base);
        node->setRenderContent(content);
        ZQParagraphParser::Markers markers;
        markers.reserve(10);
        m_paragraphParser->parseParagraph(*content, &markers, ZQParagraphParser::HighlightOption, context);
        const std::vector<plat::Range> pieces = node->mergedContentRanges().empty()
            ? std::vector<plat::Range>{node->contentRange()}
            : node->mergedContentRanges();
        ZQRenderUtil::convertMarkerAbsoluteRanges(markers, pieces, node->contentRange().location);
        // Consecutive emphasis spans are written together: nested ones would
        // each rewrite the whole body of the one around them.
        ZQBaseFilter* spans = nullptr;
        for (const plat::ObjectPtr& filter : m_inlineFilters) {
            if ((spans = dynamic_cast<ZQBaseFilter*>(filter.get())))
                break;
        }
        std::vector<ZQHighlighter::Paint> paints;
        for (const auto& marker : markers) {
            if (spans && marker && marker->nodeType() == ZQNodeType::Delimiter) {
                auto collect = [&](ZQBaseFilter& filter) {
                    return filter.highlightPaints(markup, marker, context, paints);
                };
                if (ZQFilterDispatch::guardedCall(*spans, collect, "highlightMarkdown"))
                    continue;
            }
            m_highlighter->applyAttributesInOrder(paints, markup);
            paints.clear();
            ZQFilterDispatch::first<ZQCommonMarkInlineFilter>(
                m_inlineFilters,
                [&](ZQCommonMarkInlineFilter& filter) { return filter.highlightMarkdown(markup, marker, context); },
                "highlightMarkdown");
        }
        m_highlighter->applyAttributesInOrder(paints, markup);
    }
    if (type >= ZQNodeType::Quote && type <= ZQNodeType::Task) {
        ZQFilterDispatch::first<ZQCommonMarkBlockFilter>(
            m_commonMarkBlockFilters,
            [&](ZQCommonMarkBlockFilter& filter) { return filter.highlightMarkdown(markup, treeNode, context); },
            "highlightMarkdown");
    }
}

void ZQRender::highlightFootnoteBodies(plat::MutableAttributedString& markup,
                                       const std::vector<std::shared_ptr<ZQLinkRef>>& footnotes,
                                       std::shared_ptr<ZQRenderContext> copyForBodies)
{
    for (const std::shared_ptr<ZQLinkRef>& ref : footnotes) {
        const plat::Range content = ref->contentRange();
        const qsizetype labelEnd = ref->labelRange().location + ref->labelRange().length;
        const plat::Range body(content.location + labelEnd, content.length - labelEnd);
        if (body.length <= 0 || body.end() > markup.length())
            continue;
        plat::MutableAttributedString styled(markup.attributedSubstring(body));
        if (!copyForBodies)
            copyForBodies = plat::objectCast<ZQRenderContext>(m_renderContext->copy());
        highlightMarkdown(styled, copyForBodies, copyForBodies);
        styled.enumerateAttributes(plat::Range(0, styled.length()), 0,
                                   [&](const plat::Attributes& attributes, plat::Range range, bool*) {
                                       markup.setAttributes(attributes,
                                                            plat::Range(body.location + range.location, range.length));
                                   });
    }
}
