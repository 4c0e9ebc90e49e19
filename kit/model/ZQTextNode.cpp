#include "kit/model/ZQTextNode.h"

#include "kit/foundation/ZQShared.h"

namespace {

// Line feeds written as the two characters "\n", so a description stays on one line.
QString oneLine(const QString& s)
{
    if (s.isNull())
        return QStringLiteral("(null)");
    QString text = s;
    return text.replace(u'\n', QStringLiteral("\\n"));
}

QString typeName(quint64 type, const QString& paragraph, const QString& blank)
{
    if (type == ZQNodeType::Paragraph)
        return paragraph;
    if (type == ZQNodeType::BlankLine)
        return blank;
    return QString::number(type);
}

// Every tree made for a page's root holds a text node, whatever layer asks for it.
[[maybe_unused]] const bool rootPayloadInstalled = [] {
    ZSTree::setRootPayloadFactory([] { return std::make_shared<ZQTextNode>(); });
    return true;
}();

} // namespace

QString ZQTextNode::description() const
{
    QString type = typeName(m_nodeType, QStringLiteral("Text"), QStringLiteral("Blank Line"));
    if (m_nodeType > ZQNodeType::BlankLine)
        type = QStringLiteral("Type ") + type;
    return QStringLiteral("%1; Indent:%2; ContentRange=%3; Content=%4; RenderContent=%5; Line:%6; Merged:%7;")
        .arg(type)
        .arg(m_indentLength)
        .arg(plat::toString(m_contentRange), oneLine(m_content), oneLine(m_renderContent ? m_renderContent->string() : QString()),
             plat::toString(m_lineRange), m_isMergedParagraph ? QStringLiteral("Y") : QStringLiteral("N"));
}

QString ZQTextNode::tidyDescription() const
{
    return QStringLiteral("%1,%2,%3,%4")
        .arg(typeName(m_nodeType, QStringLiteral("T"), QStringLiteral("B")), plat::toString(m_contentRange),
             plat::toString(m_markerRange))
        .arg(m_indentLength);
}

void ZQTextNode::recordMerge(const ZQTextNode& other)
{
    if (m_mergedContentRanges.empty()) {
        m_mergedContentRanges.reserve(5);
        m_mergedContentRanges.push_back(m_contentRange);
    }
    m_mergedContentRanges.push_back(other.m_contentRange);
    m_lineRange.length += other.m_lineRange.length;
    m_isMergedParagraph = true;
}

bool ZQTextNode::mergeParagraph(const ZQTextNode& other)
{
    if (!isFollowedBy(other))
        return false;
    recordMerge(other);
    m_content += other.m_content;
    return true;
}

void ZQTextNode::insertCloseTags(const QString& tags)
{
    m_closeTags.prepend(tags);
}

void ZQTextNode::appendRenderContent(const ZQTextNode& other, bool replaceContent)
{
    if (other.m_renderContent) {
        if (!m_renderContent)
            m_renderContent = std::make_shared<plat::MutableAttributedString>();
        m_renderContent->append(*other.m_renderContent);
    }
    // Without any render content there is nothing to take the text from: keep it.
    if (replaceContent && m_renderContent)
        m_content = m_renderContent->string();
}

bool ZQTextNode::mergeRichParagraph(const ZQTextNode& other)
{
    if (!isFollowedBy(other))
        return false;
    recordMerge(other);
    appendRenderContent(other, m_nodeStatus & StatusLiteral);
    return true;
}

bool ZQTextNode::mergeRichIndentCode(const ZQTextNode& other)
{
    if (!isFollowedBy(other))
        return false;
    m_lineRange.length += other.m_lineRange.length;
    m_contentRange.length += other.m_contentRange.length;
    appendRenderContent(other, true);
    return true;
}

QString ZQTextNode::convertContentToRenderHTML() const
{
    QString html = m_content;
    ZQShared::tabExpansion(html);
    ZQShared::escapeHTMLEntity(html);
    return html;
}
