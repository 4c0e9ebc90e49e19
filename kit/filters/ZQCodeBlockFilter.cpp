#include "kit/filters/ZQCodeBlockFilter.h"

#include "kit/model/ZQBlockNodes.h"
#include "kit/filters/ZQCodeBlockParts.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQLineMapping.h"
#include "kit/model/ZQTextNode.h"
#include "kit/model/ZQRenderUtil.h"
#include "platform/foundation/CharacterSet.h"

namespace {

using namespace ZQCodeBlockParts;

bool isCodeNode(const ZQTextNode& node)
{
    return node.nodeType() == ZQNodeType::FencedCode || node.nodeType() == ZQNodeType::IndentedCode;
}

QString partOf(const ZQTextNode& node)
{
    const auto info = ZQBlockNodes::infoOf<ZQTextNodeFencedBlock>(node);
    return info ? info->fencedBlockType() : QString();
}

void addStatus(ZQTextNode& node, qint64 bits)
{
    node.setNodeStatus(node.nodeStatus() | bits);
}

// A page range taken relative to the start of text that begins at origin; a
// range that is not found or falls outside the text is left out.
bool relativeRange(plat::Range range, qsizetype origin, qsizetype length, plat::Range& relative)
{
    if (range.isNotFound() || range.location < origin || range.end() - origin > length)
        return false;
    relative = plat::Range(range.location - origin, range.length);
    return true;
}

} // namespace

const std::shared_ptr<const plat::Regex>& ZQCodeBlockFilter::fencedBlockMarkerPattern()
{
    static const auto pattern = plat::Regex::create(
        QStringLiteral("^( {0,3})((?:```+(?![^\\r\\n]*`))|(?:~~~+)) *(.*?) *$"), plat::RegexAnchorsMatchLines);
    return pattern;
}

ZQCodeBlockFilter::ZQCodeBlockFilter()
    : m_attributeName(QStringLiteral("ZQFilterCodeBlock")), m_fencedBlockMarkerPattern(fencedBlockMarkerPattern())
{
}

ZSTree ZQCodeBlockFilter::parseLeafBlock(const QString& line, plat::Range lineRange, plat::Range processRange,
                                         const std::vector<plat::Range>& lineTabRanges, const QString& content,
                                         const ZSTree& indentParentNode, qint64 /*parsingOption*/)
{
    const char16_t first = lineMarkerCharacter(line, processRange.location, processRange.end());
    if (first != u'`' && first != u'~')
        return {};
    const auto match = m_fencedBlockMarkerPattern->firstMatch(line, processRange, plat::MatchingAnchored);
    if (!match)
        return {};
    const plat::Range fence = match->rangeAtIndex(2);
    const plat::Range info = match->rangeAtIndex(3);

    auto node = std::make_shared<ZQTextNode>();
    node->setNodeType(ZQNodeType::FencedCode);
    node->setLineRange(lineRange);
    node->setMarkerRange(textRangeOfLineRange(fence, lineTabRanges, lineRange.location));
    const plat::Range contentRange = textRangeToLineEnd(processRange.location, lineTabRanges, lineRange);
    node->setContentRange(contentRange);
    node->setContent(content.mid(contentRange.location, contentRange.length));
    if (auto parent = plat::objectCast<ZQTextNode>(indentParentNode.object()))
        node->setIndentLength(parent->indentLength());

    auto fenced = std::make_shared<ZQTextNodeFencedBlock>();
    fenced->setFencedBlockType(QStringLiteral("S"));
    fenced->setFencedMarker(line.mid(fence.location, fence.length));
    fenced->setFencedMarkerIndent(quint64(match->rangeAtIndex(1).length));
    if (!info.isNotFound() && info.length > 0) {
        const plat::Range tagRange = textRangeOfLineRange(info, lineTabRanges, lineRange.location);
        fenced->setFencedTagRange(tagRange);
        fenced->setFencedBlockInfoTag(content.mid(tagRange.location, tagRange.length));
    }
    node->setNodeInfo(fenced);

    ZSTree block = ZSTree::treeWithObject(node);
    ZSTree parent = indentParentNode;
    parent.appendChild(block);
    return block;
}

bool ZQCodeBlockFilter::joinHTMLNode(const ZSTree& treeNode, QString& content, ZQRenderContext& /*context*/)
{
    const auto node = ZQBlockNodes::textNodeOf(treeNode);
    if (!node)
        return false;
    if (node->nodeType() == ZQNodeType::FencedCode) {
        joinFencedHTML(treeNode, *node, content);
        return true;
    }
    if (node->nodeType() != ZQNodeType::IndentedCode)
        return false;
    // An earlier line of the same block wrote this one.
    if (!(node->nodeStatus() & ZQTextNode::StatusStyled))
        joinIndentedHTML(treeNode, content);
    return true;
}

void ZQCodeBlockFilter::joinFencedHTML(const ZSTree& treeNode, ZQTextNode& node, QString& content)
{
    const auto info = ZQBlockNodes::infoOf<ZQTextNodeFencedBlock>(node);
    QString tag = info ? ZQShared::trim(info->fencedBlockInfoTag()) : QString();
    if (!tag.isEmpty()) {
        const plat::CharacterSet& blanks = plat::CharacterSet::whitespaceAndNewline();
        for (qsizetype i = 0; i < tag.length(); ++i) {
            if (blanks.contains(tag.at(i))) {
                tag.truncate(i);
                break;
            }
        }
        tag = ZQRenderUtil::convertEntity(tag, plat::Range(0, tag.length()), true);
        ZQShared::deleteEscapseSlash(tag);
        // The info string comes from the page: it must never leave the attribute.
        ZQShared::escapeHTMLEntityIgnoreEntityAmp(tag);
        content += QStringLiteral("<pre><code class=\"language-") + tag + QStringLiteral("\">");
    } else {
        content += QStringLiteral("<pre><code>");
    }
    const qint64 indent = qint64(info ? info->fencedMarkerIndent() : 0) + node.indentLength();
    for (qsizetype i = 0; i < treeNode.numberOfChildren(); ++i) {
        const auto line = ZQBlockNodes::textNodeOf(treeNode.childAtIndex(i));
        if (!line)
            continue;
        line->setNodeStatus(line->nodeStatus() | ZQTextNode::StatusFencedChild);
        const auto lineInfo = ZQBlockNodes::infoOf<ZQTextNodeFencedBlock>(*line);
        if (lineInfo && lineInfo->fencedBlockType() == QLatin1String("E"))
            break;
        QString html = line->convertContentToRenderHTML();
        if (indent > 0)
            ZQShared::trimLeadingCharactersInSet(html, plat::CharacterSet::whitespace(), indent);
        line->setRenderHtml(html);
        content += html;
    }
    ZQShared::appendStringBeforeLineEnd(content, QStringLiteral("\n</code></pre>"));
}

void ZQCodeBlockFilter::joinIndentedHTML(const ZSTree& treeNode, QString& content)
{
    QString pendingBlanks;
    bool first = true;
    for (ZSTree sibling = treeNode; sibling; sibling = sibling.nextSibling()) {
        const auto line = ZQBlockNodes::textNodeOf(sibling);
        if (!line)
            break;
        const qint64 indent = line->indentLength() + 4;
        if (line->nodeType() == ZQNodeType::IndentedCode) {
            content += pendingBlanks;
            pendingBlanks.clear();
            line->setNodeStatus(line->nodeStatus() | ZQTextNode::StatusStyled);
            QString html = line->convertContentToRenderHTML();
            ZQShared::trimLeadingCharactersInSet(html, plat::CharacterSet::whitespace(), indent);
            if (first)
                html.prepend(QStringLiteral("<pre><code>"));
            first = false;
            line->setRenderHtml(html);
            content += html;
        } else if (line->nodeType() == ZQNodeType::BlankLine) {
            QString blank = line->content();
            ZQShared::trimLeadingCharactersInSet(blank, plat::CharacterSet::whitespace(), indent);
            pendingBlanks += blank;
        } else {
            break;
        }
    }
    ZQShared::appendStringBeforeLineEnd(content, QStringLiteral("\n</code></pre>"));
}

bool ZQCodeBlockFilter::preJoinMarkupToRich(const ZSTree& treeNode, ZQRenderContext& /*context*/)
{
    const auto node = ZQBlockNodes::textNodeOf(treeNode);
    if (!node || !isCodeNode(*node))
        return false;
    if (node->nodeStatus() & ZQTextNode::StatusConverted)
        return true;
    const plat::Attributes defaults =
        ZQHighlighter::sharedHighlighter().settings()->defaultTypingAttribute(ZQEditorType::Rich);
    if (node->nodeType() == ZQNodeType::IndentedCode) {
        node->setRenderContent(std::make_shared<plat::MutableAttributedString>(node->content(), defaults));
        return true;
    }
    const QString key = QStringLiteral("paired-") + ZSUtils::uuid();
    applyRichAttributes(*node, key, defaults);
    for (qsizetype i = 0; i < treeNode.numberOfChildren(); ++i) {
        if (const auto line = ZQBlockNodes::textNodeOf(treeNode.childAtIndex(i))) {
            applyRichAttributes(*line, key, defaults);
            addStatus(*line, ZQTextNode::StatusConverted);
        }
    }
    return true;
}

void ZQCodeBlockFilter::applyRichAttributes(ZQTextNode& node, const QString& key, const plat::Attributes& defaultAttrs)
{
    auto rendered = std::make_shared<plat::MutableAttributedString>(node.content(), defaultAttrs);
    node.setRenderContent(rendered);
    const ZQHighlighter& highlighter = ZQHighlighter::sharedHighlighter();
    const QString part = partOf(node);
    const qsizetype origin = node.contentRange().location;
    plat::Range relative;
    if (part == StartPart) {
        if (relativeRange(node.markerRange(), origin, rendered->length(), relative))
            rendered->setAttributes(highlighter.codeblockRich(StartPart, key), relative);
        const auto info = ZQBlockNodes::infoOf<ZQTextNodeFencedBlock>(node);
        if (!info->fencedTagRange().isEmpty()
            && relativeRange(info->fencedTagRange(), origin, rendered->length(), relative))
            rendered->setAttributes(highlighter.codeblockRich(TagPart, key), relative);
    } else if (part == EndPart) {
        if (relativeRange(node.markerRange(), origin, rendered->length(), relative))
            rendered->setAttributes(highlighter.codeblockRich(EndPart, key), relative);
    } else if (rendered->length() > 0) {
        rendered->setAttributes(highlighter.codeblockRich(BodyPart, key), plat::wholeRange(rendered->string()));
    }
}

bool ZQCodeBlockFilter::joinRichNode(const ZSTree& treeNode, plat::MutableAttributedString& content,
                                     ZQRenderContext& context)
{
    const auto node = ZQBlockNodes::textNodeOf(treeNode);
    if (!node || !isCodeNode(*node))
        return false;
    // A driver that skipped the first pass still gets the block's rich text.
    if (!node->renderContent())
        preJoinMarkupToRich(treeNode, context);
    if (node->renderContent())
        content.append(*node->renderContent());
    return true;
}

bool ZQCodeBlockFilter::highlightMarkdown(plat::MutableAttributedString& markup, const ZSTree& treeNode,
                                          ZQRenderContext& /*context*/)
{
    const auto node = ZQBlockNodes::textNodeOf(treeNode);
    if (!node || !isCodeNode(*node))
        return false;
    if (node->nodeStatus() & ZQTextNode::StatusStyled)
        return true;
    if (node->nodeType() == ZQNodeType::IndentedCode)
        highlightIndented(markup, treeNode);
    else
        highlightFenced(markup, treeNode, *node);
    return true;
}

void ZQCodeBlockFilter::highlightIndented(plat::MutableAttributedString& markup, const ZSTree& treeNode)
{
    const ZQHighlighter& highlighter = ZQHighlighter::sharedHighlighter();
    const plat::Attributes style = highlighter.indentCodeblockMarkdown(ZSUtils::uuid());
    for (ZSTree sibling = treeNode; sibling; sibling = sibling.nextSibling()) {
        const auto line = ZQBlockNodes::textNodeOf(sibling);
        if (!line || (line->nodeType() != ZQNodeType::IndentedCode && line->nodeType() != ZQNodeType::BlankLine))
            break;
        highlighter.applyAttributes(style, markup, line->contentRange());
        addStatus(*line, ZQTextNode::StatusStyled);
    }
}

void ZQCodeBlockFilter::highlightFenced(plat::MutableAttributedString& markup, const ZSTree& treeNode,
                                        const ZQTextNode& node)
{
    const ZQHighlighter& highlighter = ZQHighlighter::sharedHighlighter();
    const auto paired = ZQPairedAttribute::initWithMarker(ThreeBackquotes);
    const QString& key = paired->uuid();
    if (partOf(node) == StartPart) {
        highlighter.applyAttributes(highlighter.codeblockMarkdown(StartPart, paired, key), markup, node.markerRange());
        const plat::Range tag = ZQBlockNodes::infoOf<ZQTextNodeFencedBlock>(node)->fencedTagRange();
        if (!tag.isEmpty())
            highlighter.applyAttributes(highlighter.codeblockMarkdown(TagPart, nullptr, key), markup, tag);
    }
    for (qsizetype i = 0; i < treeNode.numberOfChildren(); ++i) {
        const auto line = ZQBlockNodes::textNodeOf(treeNode.childAtIndex(i));
        if (!line)
            continue;
        addStatus(*line, ZQTextNode::StatusFencedChild);
        if (partOf(*line) == EndPart) {
            const auto closing = plat::objectCast<ZQPairedAttribute>(paired->copy());
            highlighter.applyAttributes(highlighter.codeblockMarkdown(EndPart, closing, key), markup,
                                        line->markerRange());
            break;
        }
        highlighter.applyAttributes(highlighter.codeblockMarkdown(BodyPart, nullptr, key), markup,
                                    line->contentRange());
        addStatus(*line, ZQTextNode::StatusStyled);
    }
}

bool ZQCodeBlockFilter::fixRichAttribute(plat::MutableAttributedString& content, plat::Range selRange,
                                         plat::Attributes& /*typingAttributes*/)
{
    if (selRange.isNotFound() || selRange.location < 0 || selRange.end() > content.length())
        return false;
    const plat::Range lines = ZQAttributedString::lineRange(content, selRange, true);
    plat::Range partRange;
    const plat::Value part =
        ZQAttributedString::findAttributeValue(content, ZQAttr::FilterCodeBlock, lines, 0, &partRange);
    if (part.toString() != StartPart)
        return false;
    const QString key = content.attributeAtIndex(ZQAttr::Raw, partRange.location).toString();
    if (key.isEmpty())
        return false;
    const auto match = m_fencedBlockMarkerPattern->firstMatch(content.string(), lines);
    const plat::Range info = match ? match->rangeAtIndex(3) : plat::Range::notFound();
    // An empty info string has nothing to restyle.
    if (info.isNotFound() || info.isEmpty())
        return false;
    const ZQHighlighter& highlighter = ZQHighlighter::sharedHighlighter();
    highlighter.applyAttributes(highlighter.codeblockRich(TagPart, key), content, info);
    return true;
}
