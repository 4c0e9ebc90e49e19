#pragma once
// Block quotes of both dialects: one ">" per level at the start of a line.

#include "kit/filters/ZQFilterRoles.h"
#include "platform/foundation/Object.h"

class ZQQuoteFilter : public plat::Object, public ZQAttributeNamed, public ZQCommonMarkBlockFilter {
public:
    ZQQuoteFilter();

    QString className() const override { return QStringLiteral("ZQQuoteFilter"); }
    QString attributeName() const override { return m_attributeName; }
    void setAttributeName(const QString& name) override { m_attributeName = name; }

    // Colours the ">" of every line of the quote.
    bool highlightMarkdown(plat::MutableAttributedString& markup, const ZSTree& treeNode,
                           ZQRenderContext& context) override;
    bool joinRichNode(const ZSTree& treeNode, plat::MutableAttributedString& content, ZQRenderContext& context) override;
    // Opens the element; the quote's last leaf closes it.
    bool joinHTMLNode(const ZSTree& treeNode, QString& content, ZQRenderContext& context) override;
    // Sets the quote's content to its marker ">".
    bool joinMarkdownNode(const ZSTree& treeNode, QString& content, ZQRenderContext& context) override;

private:
    QString m_attributeName;
};
