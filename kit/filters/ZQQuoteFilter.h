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

    // The rich and styling roles decline every node for now.
    bool highlightMarkdown(plat::MutableAttributedString&, const ZSTree&, ZQRenderContext&) override { return false; }
    bool joinRichNode(const ZSTree&, plat::MutableAttributedString&, ZQRenderContext&) override { return false; }
    // Opens the element; the quote's last leaf closes it.
    bool joinHTMLNode(const ZSTree& treeNode, QString& content, ZQRenderContext& context) override;
    bool joinMarkdownNode(const ZSTree&, QString&, ZQRenderContext&) override { return false; }

private:
    QString m_attributeName;
};
