#include "kit/filters/ZQSeparatorFilter.h"

#include "kit/model/ZQBlockNodes.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZQLineMapping.h"
#include "kit/model/ZQTextNode.h"

namespace {

const std::shared_ptr<const plat::Regex>& dividerPattern()
{
    static const auto pattern = plat::Regex::create(
        QStringLiteral("^ {0,3}((?:-\\s*){3,}|(?:\\*\\s*){3,}|(?:_\\s*){3,}\\s*)$"), plat::RegexAnchorsMatchLines);
    return pattern;
}

} // namespace

ZQSeparatorFilter::ZQSeparatorFilter()
    : m_attributeName(QStringLiteral("ZQFilterDivider")), m_markupPattern(dividerPattern())
{
}

ZSTree ZQSeparatorFilter::parseLeafBlock(const QString& line, plat::Range lineRange, plat::Range processRange,
                                         const std::vector<plat::Range>& lineTabRanges, const QString& content,
                                         const ZSTree& indentParentNode, qint64 /*parsingOption*/)
{
    const char16_t first = lineMarkerCharacter(line, processRange.location, processRange.end());
    if (first != u'-' && first != u'*' && first != u'_')
        return {};
    const auto match = m_markupPattern->firstMatch(line, processRange, plat::MatchingAnchored);
    if (!match)
        return {};
    const plat::Range marks = match->rangeAtIndex(1);
    auto node = std::make_shared<ZQTextNode>();
    node->setNodeType(ZQNodeType::Divider);
    node->setLineRange(lineRange);
    const plat::Range contentRange = textRangeOfLineRange(
        plat::Range(processRange.location, marks.end() - processRange.location), lineTabRanges, lineRange.location);
    node->setContentRange(contentRange);
    node->setContent(content.mid(contentRange.location, contentRange.length));
    node->setMarkerRange(textRangeOfLineRange(marks, lineTabRanges, lineRange.location));
    ZSTree parent = indentParentNode;
    parent.appendChildObject(node);
    return parent;
}

bool ZQSeparatorFilter::joinHTMLNode(const ZSTree& treeNode, QString& content, ZQRenderContext& /*context*/)
{
    if (!ZQBlockNodes::hasType(treeNode, ZQNodeType::Divider))
        return false;
    content += QStringLiteral("<hr />\n");
    return true;
}

bool ZQSeparatorFilter::joinMarkdownNode(const ZSTree& treeNode, QString& /*content*/, ZQRenderContext& /*context*/)
{
    return ZQBlockNodes::hasType(treeNode, ZQNodeType::Divider);
}

bool ZQSeparatorFilter::highlightMarkdown(plat::MutableAttributedString& markup, const ZSTree& treeNode,
                                          ZQRenderContext& /*context*/)
{
    if (!ZQBlockNodes::hasType(treeNode, ZQNodeType::Divider))
        return false;
    markup.setAttributes(ZQHighlighter::sharedHighlighter().dividerMarkdown(),
                         ZQBlockNodes::textNodeOf(treeNode)->markerRange());
    return true;
}

bool ZQSeparatorFilter::joinRichNode(const ZSTree& treeNode, plat::MutableAttributedString& content,
                                     ZQRenderContext& /*context*/)
{
    if (!ZQBlockNodes::hasType(treeNode, ZQNodeType::Divider))
        return false;
    ZQBlockNodes::appendStyledContent(*ZQBlockNodes::textNodeOf(treeNode),
                                      ZQHighlighter::sharedHighlighter().dividerRich(), content);
    return true;
}

bool ZQSeparatorFilter::fixRichAttribute(plat::MutableAttributedString& content, plat::Range selRange,
                                         plat::Attributes& typingAttributes)
{
    return fixRichAttributeInRange(content, selRange, typingAttributes, plat::wholeRange(content.string()));
}

bool ZQSeparatorFilter::fixRichAttributeInRange(plat::MutableAttributedString& content, plat::Range selRange,
                                                plat::Attributes& typingAttributes, plat::Range inRange)
{
    std::vector<plat::Range> runs;
    content.enumerateAttribute(ZQAttr::FilterDivider, inRange, plat::EnumerationReverse,
                               [&](const plat::Value& value, plat::Range run, bool*) {
                                   if (!value.isNull())
                                       runs.push_back(run);
                               });
    const ZQHighlighter& highlighter = ZQHighlighter::sharedHighlighter();
    bool changed = false;
    for (const plat::Range run : runs) {
        // Neighbouring dividers share one run: each line is held to its own part
        // of it, and every divider of a cleared run is styled again.
        std::vector<plat::Range> dividers;
        std::vector<plat::Range> invalid;
        bool restyle = false;
        for (const plat::Range line : ZSUtils::lineRangesOfContainerBlock(content, run)) {
            const plat::Range styled = plat::intersection(line, run);
            if (styled.isEmpty())
                continue;
            const auto match = m_markupPattern->firstMatch(content.string(), line);
            if (!match) {
                invalid.push_back(line);
                continue;
            }
            dividers.push_back(match->range());
            restyle = restyle || match->range() != styled;
        }
        if (!restyle && invalid.empty())
            continue;
        changed = true;
        content.removeAttribute(ZQAttr::FilterDivider, run);
        for (const plat::Range divider : dividers)
            highlighter.applyAttributes(highlighter.dividerRich(), content, divider);
        for (const plat::Range line : invalid) {
            if (ZSUtils::intersect(line, selRange))
                typingAttributes.remove(ZQAttr::FilterDivider);
        }
    }
    return changed;
}
