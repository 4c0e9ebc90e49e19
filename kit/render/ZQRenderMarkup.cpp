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

std::vector<Run> runsOf(const plat::AttributedString& text)
{
    std::vector<Run> runs;
    text.enumerateAttributes(plat::Range(0, text.length()), 0,
                             [&](const plat::Attributes& attributes, plat::Range range, bool*) {
                                 runs.push_back({range, attributes});
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

// Writes into markup only the stretches whose styling changed, keeping the old
// marks that fresh ones merely rename; a restyled unchanged text is left alone.
void adoptChangedAttributes(plat::MutableAttributedString& markup, const plat::AttributedString& styled)
{
    const std::vector<Run> before = runsOf(markup);
    const std::vector<Run> after = runsOf(styled);
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
        markup.setAttributes(change.attributes, change.range);
    markup.endEditing();
}

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

void ZQRender::highlightMarkdown(plat::MutableAttributedString& markup, const std::shared_ptr<ZQRenderContext>& context,
                                 std::shared_ptr<ZQRenderContext> copyForBodies)
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
    const ZSTree tree = m_textblockParser->processDocTree(text, whole, refs.get(), nullptr, &escapes, option);
    context->setLinkRefMap(refs);

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
