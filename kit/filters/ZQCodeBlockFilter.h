#pragma once
// Code blocks of both dialects: fenced (three or more backquotes or tildes, an
// optional info string, body lines, a closing fence) and indented.

#include "kit/filters/ZQFilterRoles.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Regex.h"

class ZQTextNode;

class ZQCodeBlockFilter : public plat::Object,
                          public ZQAttributeNamed,
                          public ZQCommonMarkBlockFilter,
                          public ZQLeafBlockParser {
public:
    ZQCodeBlockFilter();

    QString className() const override { return QStringLiteral("ZQCodeBlockFilter"); }
    QString attributeName() const override { return m_attributeName; }
    void setAttributeName(const QString& name) override { m_attributeName = name; }

    // Block filter; the rich and styling roles decline every node for now.
    bool highlightMarkdown(plat::MutableAttributedString&, const ZSTree&, ZQRenderContext&) override { return false; }
    bool joinRichNode(const ZSTree&, plat::MutableAttributedString&, ZQRenderContext&) override { return false; }
    // A fenced block writes its body lines (marking them as written); an indented
    // block writes its run of code lines with the blank lines between them.
    bool joinHTMLNode(const ZSTree& treeNode, QString& content, ZQRenderContext& context) override;
    // The driver writes code back as it stands.
    bool joinMarkdownNode(const ZSTree&, QString&, ZQRenderContext&) override { return false; }

    // An opening fence becomes a node of type 5 under the container; that node is
    // the container of the block's following lines.
    ZSTree parseLeafBlock(const QString& line, plat::Range lineRange, plat::Range processRange,
                          const std::vector<plat::Range>& lineTabRanges, const QString& content,
                          const ZSTree& indentParentNode, qint64 parsingOption) override;

    // "^( {0,3})((?:```+)|(?:~~~+)) *([^`~]*?) *$": indent, fence, info string.
    static const std::shared_ptr<const plat::Regex>& fencedBlockMarkerPattern();

private:
    static void joinFencedHTML(const ZSTree& treeNode, ZQTextNode& node, QString& content);
    static void joinIndentedHTML(const ZSTree& treeNode, QString& content);

    QString m_attributeName;
    std::shared_ptr<const plat::Regex> m_fencedBlockMarkerPattern;
};
