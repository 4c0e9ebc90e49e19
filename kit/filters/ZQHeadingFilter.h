#pragma once
// Headings of both dialects: "#" headings and underlined (setext) headings in
// Markdown, "h1." to "h6." headings in Quorvel Markup.

#include "kit/filters/ZQFilterRoles.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Regex.h"

class ZQHeadingFilter : public plat::Object,
                          public ZQAttributeNamed,
                          public ZQCommonMarkBlockFilter,
                          public ZQLeafBlockParser {
public:
    // Bit of the parsing option that selects Quorvel Markup.
    static constexpr qint64 QuorvelMarkupOption = 0x100000;

    ZQHeadingFilter();

    QString className() const override { return QStringLiteral("ZQHeadingFilter"); }
    QString attributeName() const override { return m_attributeName; }
    void setAttributeName(const QString& name) override { m_attributeName = name; }

    // Block filter; the rich and styling roles decline every node for now.
    bool highlightMarkdown(plat::MutableAttributedString&, const ZSTree&, ZQRenderContext&) override { return false; }
    bool joinRichNode(const ZSTree&, plat::MutableAttributedString&, ZQRenderContext&) override { return false; }
    // Opens the heading element; its text (the child, or the setext node itself)
    // closes it through its close tags.
    bool joinHTMLNode(const ZSTree& treeNode, QString& content, ZQRenderContext& context) override;
    bool joinMarkdownNode(const ZSTree&, QString&, ZQRenderContext&) override { return false; }

    // A marker heading becomes a node of type 7 (its text a paragraph child); an
    // underline turns the container's one-line paragraph into type 8. The
    // container stays the container.
    ZSTree parseLeafBlock(const QString& line, plat::Range lineRange, plat::Range processRange,
                          const std::vector<plat::Range>& lineTabRanges, const QString& content,
                          const ZSTree& indentParentNode, qint64 parsingOption) override;

private:
    bool parseUnderline(const QString& line, plat::Range lineRange, plat::Range processRange,
                        const ZSTree& indentParentNode);

    QString m_attributeName;
    std::shared_ptr<const plat::Regex> m_quorvelPattern;
    std::shared_ptr<const plat::Regex> m_markdownPattern;
    std::shared_ptr<const plat::Regex> m_settextHeaderPattern;
};
