#pragma once
// The value of each node of a page's block tree: one line, or several lines
// merged into a paragraph, with the ranges of its marker and content in the
// page text (absolute UTF-16 positions) and what the filters rendered from it.
// A node is used by one thread at a time, so its fields are plain members.

#include "kit/foundation/ZSTree.h"
#include "kit/model/ZQTextNodeInfo.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Range.h"
#include "platform/text/AttributedString.h"

#include <QString>
#include <memory>
#include <vector>

class ZSTreeNode;

// Kinds of block (0-10, on text nodes) and inline span (20-33, on inline markers).
namespace ZQNodeType {
inline constexpr quint64 Paragraph = 0;
inline constexpr quint64 BlankLine = 1;
inline constexpr quint64 Quote = 2;
inline constexpr quint64 ListItem = 3;
inline constexpr quint64 IndentedCode = 4;
inline constexpr quint64 FencedCode = 5;
inline constexpr quint64 Divider = 6;
inline constexpr quint64 Heading = 7;
inline constexpr quint64 SetextHeading = 8;
inline constexpr quint64 HtmlBlock = 9;
inline constexpr quint64 Task = 10;
inline constexpr quint64 Link = 20;
inline constexpr quint64 Image = 21;
inline constexpr quint64 Strong = 22;
inline constexpr quint64 Emphasis = 23;
inline constexpr quint64 StrikeThrough = 24;
inline constexpr quint64 CodeSpan = 25;
inline constexpr quint64 Underline = 26;
inline constexpr quint64 TagMacro = 27;
inline constexpr quint64 Delimiter = 28;
inline constexpr quint64 Autolink = 29;
inline constexpr quint64 RawHtml = 30;
inline constexpr quint64 Entity = 31;
inline constexpr quint64 FootnoteReference = 32;
inline constexpr quint64 BackslashEscape = 33;
} // namespace ZQNodeType

class ZQTextNode : public ZSTreePayload {
public:
    // Bits of nodeStatus.
    static constexpr qint64 StatusLiteral = 2;      // code or HTML body: no inline parsing
    static constexpr qint64 StatusFenceClosed = 4;  // a fenced block that takes no more lines
    static constexpr qint64 StatusConverted = 8;    // already taken into an earlier node's output
    static constexpr qint64 StatusStyled = 16;      // rendered or styled with its group
    static constexpr qint64 StatusFencedChild = 32; // written by its fenced block, not on its own

    QString className() const override { return QStringLiteral("ZQTextNode"); }
    // "Text; Indent:0; ContentRange={0, 3}; Content=abc\n; RenderContent=...; Line:{0, 4}; Merged:N;".
    QString description() const override;
    // "T,{content},{marker},indent"; one line of the tree's debug print.
    QString tidyDescription() const override;

    // Each merge joins the other node's line only when it starts exactly where this
    // node's lines end, and answers whether it did.
    // Plain text: the contents are joined.
    bool mergeParagraph(const ZQTextNode& other);
    // Rich text: the render contents are joined; a literal node's content becomes
    // the joined plain text.
    bool mergeRichParagraph(const ZQTextNode& other);
    // Indented code from rich text: the content range grows too, the content becomes
    // the joined plain text, and no merged ranges are recorded.
    bool mergeRichIndentCode(const ZQTextNode& other);
    // The content with tabs expanded and HTML's special characters escaped.
    QString convertContentToRenderHTML() const;
    // Prepends, so the tags inserted last are emitted first.
    void insertCloseTags(const QString& tags);
    // Tags written once the node's whole subtree is: a container keeps its own,
    // so closing a deeply nested one needs no walk down to its last leaf.
    // Prepends, as insertCloseTags does.
    void insertSubtreeCloseTags(const QString& tags) { m_subtreeCloseTags.prepend(tags); }
    const QString& subtreeCloseTags() const { return m_subtreeCloseTags; }

    bool isMergedParagraph() const { return m_isMergedParagraph; }
    void setIsMergedParagraph(bool merged) { m_isMergedParagraph = merged; }
    bool isTightList() const { return m_isTightList; }
    void setIsTightList(bool tight) { m_isTightList = tight; }
    bool isListMarkerInsideLine() const { return m_isListMarkerInsideLine; }
    void setIsListMarkerInsideLine(bool inside) { m_isListMarkerInsideLine = inside; }
    // On a root's value: the child last appended to the root. Weak, so it never
    // keeps a removed node alive; the tree clears it when that child is removed.
    const std::weak_ptr<ZSTreeNode>& level2LastChild() const { return m_level2LastChild; }
    void setLevel2LastChild(std::weak_ptr<ZSTreeNode> child) { m_level2LastChild = std::move(child); }
    // A root text node is the tree's memory of its last child.
    std::weak_ptr<ZSTreeNode> rememberedLastChild() const override { return m_level2LastChild; }
    void setRememberedLastChild(std::weak_ptr<ZSTreeNode> child) override { m_level2LastChild = std::move(child); }
    quint64 nodeType() const { return m_nodeType; }
    void setNodeType(quint64 type) { m_nodeType = type; }
    // Columns (tabs expanded) continuation lines need to stay inside this node.
    qint64 indentLength() const { return m_indentLength; }
    void setIndentLength(qint64 length) { m_indentLength = length; }
    const QString& content() const { return m_content; }
    void setContent(const QString& content) { m_content = content; }
    const std::vector<plat::Range>& mergedMarkerRanges() const { return m_mergedMarkerRanges; }
    std::vector<plat::Range>& mergedMarkerRanges() { return m_mergedMarkerRanges; }
    void setMergedMarkerRanges(std::vector<plat::Range> ranges) { m_mergedMarkerRanges = std::move(ranges); }
    // Empty until the first merge, which records this node's own content range first.
    const std::vector<plat::Range>& mergedContentRanges() const { return m_mergedContentRanges; }
    std::vector<plat::Range>& mergedContentRanges() { return m_mergedContentRanges; }
    void setMergedContentRanges(std::vector<plat::Range> ranges) { m_mergedContentRanges = std::move(ranges); }
    qint64 nodeStatus() const { return m_nodeStatus; }
    void setNodeStatus(qint64 status) { m_nodeStatus = status; }
    const std::shared_ptr<ZQTextNodeInfo>& nodeInfo() const { return m_nodeInfo; }
    void setNodeInfo(std::shared_ptr<ZQTextNodeInfo> info) { m_nodeInfo = std::move(info); }
    const std::shared_ptr<plat::MutableAttributedString>& renderContent() const { return m_renderContent; }
    void setRenderContent(std::shared_ptr<plat::MutableAttributedString> content)
    {
        m_renderContent = std::move(content);
    }
    const QString& renderHtml() const { return m_renderHtml; }
    QString& renderHtml() { return m_renderHtml; }
    void setRenderHtml(const QString& html) { m_renderHtml = html; }
    const QString& closeTags() const { return m_closeTags; }
    void setCloseTags(const QString& tags) { m_closeTags = tags; }
    plat::Range lineRange() const { return m_lineRange; }
    void setLineRange(plat::Range range) { m_lineRange = range; }
    plat::Range contentRange() const { return m_contentRange; }
    void setContentRange(plat::Range range) { m_contentRange = range; }
    plat::Range markerRange() const { return m_markerRange; }
    void setMarkerRange(plat::Range range) { m_markerRange = range; }

private:
    bool isFollowedBy(const ZQTextNode& other) const { return m_lineRange.end() == other.m_lineRange.location; }
    // The bookkeeping every kind of merge shares.
    void recordMerge(const ZQTextNode& other);
    // Appends the other's render content; the content becomes the joined plain text.
    void appendRenderContent(const ZQTextNode& other, bool replaceContent);

    bool m_isMergedParagraph = false;
    bool m_isTightList = false;
    bool m_isListMarkerInsideLine = false;
    std::weak_ptr<ZSTreeNode> m_level2LastChild;
    quint64 m_nodeType = 0;
    qint64 m_indentLength = 0;
    QString m_content;
    std::vector<plat::Range> m_mergedMarkerRanges;
    std::vector<plat::Range> m_mergedContentRanges;
    qint64 m_nodeStatus = 0;
    std::shared_ptr<ZQTextNodeInfo> m_nodeInfo;
    std::shared_ptr<plat::MutableAttributedString> m_renderContent;
    QString m_renderHtml;
    QString m_closeTags;
    QString m_subtreeCloseTags;
    plat::Range m_lineRange;
    plat::Range m_contentRange;
    plat::Range m_markerRange;
};
