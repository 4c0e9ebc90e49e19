#include "kit/render/ZQRender.h"

#include "kit/filters/ZQBlockNodes.h"
#include "kit/filters/ZQEscapeFilter.h"
#include "kit/filters/ZQFilterDispatch.h"
#include "kit/filters/ZQFilterRoles.h"
#include "kit/filters/ZQParagraphParser.h"
#include "kit/foundation/ZSSettings.h"
#include "kit/markup/ZQAttributeNames.h"
#include "kit/markup/ZQDocTreeParser.h"
#include "kit/markup/ZQHighlighter.h"
#include "kit/markup/ZQInlineMarker.h"
#include "kit/markup/ZQLinkRef.h"
#include "kit/markup/ZQStyles.h"
#include "kit/markup/ZQTextNode.h"
#include "kit/render/ZQFilterPipe.h"
#include "kit/render/ZQRenderContext.h"
#include "kit/render/ZQRenderUtil.h"
#include "platform/text/AttributedString.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

constexpr quint64 MarkupEditor = 3;
constexpr quint64 QuorvelMarkupType = 1;

std::shared_ptr<ZQEscapeFilter> escapeFilterOf(const ZQFilterPipe& pipe)
{
    for (const plat::ObjectPtr& filter : pipe.container()) {
        if (auto escape = std::dynamic_pointer_cast<ZQEscapeFilter>(filter))
            return escape;
    }
    return nullptr;
}

// Styling makes fresh marks each time (quote, code block and tag UUIDs,
// paired markers, heading styles). A restyled text whose fresh marks stand
// one for one where the old marks of the same kind stood is the text as it was.
class MarkCorrespondence {
public:
    bool corresponds(const QString& name, const plat::Value& oldValue, const plat::Value& newValue)
    {
        if (!sameKind(name, oldValue, newValue))
            return false;
        const QString newKey = keyOf(newValue);
        const QString oldKey = keyOf(oldValue);
        const auto mapped = m_newToOld.constFind(newKey);
        if (mapped != m_newToOld.cend())
            return *mapped == oldKey;
        if (m_oldTaken.contains(oldKey))
            return false;
        m_oldTaken.insert(oldKey);
        m_newToOld.insert(newKey, oldKey);
        return true;
    }

private:
    static bool sameKind(const QString& name, const plat::Value& a, const plat::Value& b)
    {
        // Quotes, code blocks and tags are keyed by fresh UUID strings.
        if (a.isString() && b.isString())
            return name == ZQAttr::FilterQuote || name == ZQAttr::Raw || name == ZQAttr::MacroTag;
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
        return QStringLiteral("o:") + QString::number(quintptr(value.toObject().get()));
    }

    QHash<QString, QString> m_newToOld;
    QSet<QString> m_oldTaken;
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
        if (!visit(plat::Range(position, end - position), before[i].attributes, after[j].attributes))
            return;
        position = end;
        if (before[i].range.end() == end)
            ++i;
        if (after[j].range.end() == end)
            ++j;
    }
}

bool correspondingAttributes(const plat::Attributes& old, const plat::Attributes& fresh, MarkCorrespondence& marks)
{
    if (old.size() != fresh.size())
        return false;
    for (const auto& [name, value] : fresh) {
        if (!old.contains(name))
            return false;
        const plat::Value& previous = old.value(name);
        if (previous != value && !marks.corresponds(name, previous, value))
            return false;
    }
    return true;
}

// Leaves markup alone when styled only renews its marks; otherwise writes the
// stretches whose attributes differ.
void adoptChangedAttributes(plat::MutableAttributedString& markup, const plat::AttributedString& styled)
{
    const std::vector<Run> before = runsOf(markup);
    const std::vector<Run> after = runsOf(styled);
    MarkCorrespondence marks;
    bool unchanged = true;
    walkBoth(before, after, [&](plat::Range, const plat::Attributes& old, const plat::Attributes& fresh) {
        unchanged = correspondingAttributes(old, fresh, marks);
        return unchanged;
    });
    if (unchanged)
        return;
    std::vector<Run> changes;
    walkBoth(before, after, [&](plat::Range range, const plat::Attributes& old, const plat::Attributes& fresh) {
        if (old != fresh)
            changes.push_back({range, fresh});
        return true;
    });
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
    const std::shared_ptr<ZQRenderContext> context =
        forBlockEditor ? plat::objectCast<ZQRenderContext>(m_renderContext->copy()) : m_renderContext;
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
        | (context->runningMarkupType() == QuorvelMarkupType ? ZQDocTreeParser::QuorvelMarkup : 0);
    const QString text = markup.string();
    const ZSTree tree = m_textblockParser->processDocTree(text, whole, refs.get(), nullptr, &escapes, option);
    context->setLinkRefMap(refs);

    const plat::Attributes base = m_settings->defaultTypingAttribute(MarkupEditor);
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
        highlightFootnoteBodies(markup, footnotes);
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
        for (const auto& marker : markers) {
            ZQFilterDispatch::first<ZQCommonMarkInlineFilter>(
                m_inlineFilters,
                [&](ZQCommonMarkInlineFilter& filter) { return filter.highlightMarkdown(markup, marker, context); },
                "highlightMarkdown");
        }
    }
    if (type >= ZQNodeType::Quote && type <= ZQNodeType::Task) {
        ZQFilterDispatch::first<ZQCommonMarkBlockFilter>(
            m_commonMarkBlockFilters,
            [&](ZQCommonMarkBlockFilter& filter) { return filter.highlightMarkdown(markup, treeNode, context); },
            "highlightMarkdown");
    }
}

void ZQRender::highlightFootnoteBodies(plat::MutableAttributedString& markup,
                                       const std::vector<std::shared_ptr<ZQLinkRef>>& footnotes)
{
    for (const std::shared_ptr<ZQLinkRef>& ref : footnotes) {
        const plat::Range content = ref->contentRange();
        const qsizetype labelEnd = ref->labelRange().location + ref->labelRange().length;
        const plat::Range body(content.location + labelEnd, content.length - labelEnd);
        if (body.length <= 0 || body.end() > markup.length())
            continue;
        plat::MutableAttributedString styled(markup.attributedSubstring(body));
        highlightMarkdown(styled, true);
        styled.enumerateAttributes(plat::Range(0, styled.length()), 0,
                                   [&](const plat::Attributes& attributes, plat::Range range, bool*) {
                                       markup.setAttributes(attributes,
                                                            plat::Range(body.location + range.location, range.length));
                                   });
    }
}
