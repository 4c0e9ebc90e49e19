#include "kit/filters/ZQQuoteFilter.h"

#include "kit/model/ZQBlockNodes.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/filters/ZQLineRewrite.h"
#include "kit/filters/ZQMarkerRuns.h"
#include "kit/filters/ZQViewEditing.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQRenderUtil.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/foundation/Regex.h"
#include "platform/text/TextView.h"

namespace {

const QString kActionName = QStringLiteral("Quote");

// The text before the caret is quote marks only.
const plat::Regex& onFlyPattern()
{
    static const auto regex =
        plat::Regex::create(QStringLiteral("^(>(?:\\p{Blank}*>)*)\\z"), plat::RegexAnchorsMatchLines);
    return *regex;
}

// The quote marks at the start of a line.
const plat::Regex& markerPattern()
{
    static const auto regex =
        plat::Regex::create(QStringLiteral("^(\\p{Blank}*>(?:\\p{Blank}*>)*)"), plat::RegexAnchorsMatchLines);
    return *regex;
}

} // namespace

ZQQuoteFilter::ZQQuoteFilter() : m_attributeName(QStringLiteral("ZQFilterQuote")) {}

bool ZQQuoteFilter::joinHTMLNode(const ZSTree& treeNode, QString& content, ZQRenderContext& /*context*/)
{
    if (!ZQBlockNodes::hasType(treeNode, ZQNodeType::Quote))
        return false;
    content += QStringLiteral("<blockquote>");
    ZQBlockNodes::insertCloseTagsAfter(treeNode, QStringLiteral("</blockquote>"));
    return true;
}

bool ZQQuoteFilter::highlightMarkdown(plat::MutableAttributedString& markup, const ZSTree& treeNode,
                                      ZQRenderContext& /*context*/)
{
    if (!ZQBlockNodes::hasType(treeNode, ZQNodeType::Quote))
        return false;
    const auto node = ZQBlockNodes::textNodeOf(treeNode);
    const ZQHighlighter& highlighter = ZQHighlighter::sharedHighlighter();
    const plat::Attributes style = highlighter.quoteMarkdown();
    if (node->mergedMarkerRanges().empty()) {
        highlighter.applyAttributes(style, markup, node->markerRange());
    } else {
        for (const plat::Range& marker : node->mergedMarkerRanges())
            highlighter.applyAttributes(style, markup, marker);
    }
    return true;
}

bool ZQQuoteFilter::joinRichNode(const ZSTree& treeNode, plat::MutableAttributedString& content,
                                 ZQRenderContext& /*context*/)
{
    if (!ZQBlockNodes::hasType(treeNode, ZQNodeType::Quote))
        return false;
    ZQBlockNodes::appendStyledContent(*ZQBlockNodes::textNodeOf(treeNode),
                                      ZQHighlighter::sharedHighlighter().quoteRich(), content);
    return true;
}

bool ZQQuoteFilter::joinMarkdownNode(const ZSTree& treeNode, QString& /*content*/, ZQRenderContext& /*context*/)
{
    if (!ZQBlockNodes::hasType(treeNode, ZQNodeType::Quote))
        return false;
    const auto node = ZQBlockNodes::textNodeOf(treeNode);
    if (node->nodeStatus() & ZQTextNode::StatusStyled)
        return true;
    node->setContent(ZQRenderUtil::requireTrailingSpaceForRichTreeNode(treeNode) ? QStringLiteral("> ")
                                                                                : QStringLiteral(">"));
    node->setNodeStatus(node->nodeStatus() | ZQTextNode::StatusConverted);
    return true;
}

bool ZQQuoteFilter::filterRichOnFly(const QString& typed, qint64 position, plat::TextView& view,
                                    ZQRenderContext& /*context*/)
{
    if (typed != QLatin1String(">"))
        return false;
    const plat::TextStorage& text = *view.textStorage();
    const qsizetype start = ZSUtils::containerLineRangeForRich(text, position).location;
    if (start >= position)
        return false;
    const auto match = onFlyPattern().firstMatch(text.string(), plat::Range(start, position - start));
    if (!match)
        return false;
    const plat::Range marks = match->rangeAtIndex(1);
    const plat::AttributedString styled(text.string().mid(marks.location, marks.length),
                                        ZQHighlighter::sharedHighlighter().quoteRich());
    ZQViewEditing::replace(view, marks, styled, plat::Range(marks.end(), 0), kActionName);
    ZQHighlighter::sharedHighlighter().settings()->restoreTypingAttribute(view, ZQEditorType::Rich);
    return true;
}

bool ZQQuoteFilter::filterRangeOnFly(plat::Range range, quint64 /*tag*/, plat::TextView& view,
                                     ZQRenderContext& /*context*/)
{
    const plat::TextStorage& text = *view.textStorage();
    const plat::Range affected = ZQAttributedString::lineRange(text, range, true);
    const ZQHighlighter& highlighter = ZQHighlighter::sharedHighlighter();
    const plat::AttributedString marker(QStringLiteral("> "), ZSUtils::getEditorType(view) == ZQEditorType::Markup
                                                                  ? highlighter.quoteMarkdown()
                                                                  : highlighter.quoteRich());
    ZQLineRewrite rewrite(text.attributedSubstring(affected));
    rewrite.forEachLine([&](plat::Range) { rewrite.insert(marker); });
    rewrite.apply(view, affected, kActionName);
    return true;
}

void ZQQuoteFilter::handleMarkerFromRich(plat::MutableAttributedString& content)
{
    // The blank the marker carries goes with it: the line keeps its text only.
    ZQMarkerRuns::deleteMarkers(content, m_attributeName, [&](const plat::Value&, plat::Range run) {
        plat::Range marks = markerPattern().rangeOfFirstMatch(content.string(), run);
        while (!marks.isNotFound() && marks.end() < run.end()
               && plat::CharacterSet::whitespace().contains(content.string().at(marks.end())))
            ++marks.length;
        return marks;
    });
}
