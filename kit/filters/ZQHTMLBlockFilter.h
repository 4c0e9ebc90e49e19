#pragma once
// HTML blocks of both dialects. The drivers write them as they stand.

#include "kit/model/ZQFilterRoles.h"
#include "platform/foundation/Object.h"

class ZQHTMLBlockFilter : public plat::Object, public ZQAttributeNamed, public ZQCommonMarkBlockFilter {
public:
    ZQHTMLBlockFilter() : m_attributeName(QStringLiteral("ZQTEXT_HTMLTAG")) {}

    QString className() const override { return QStringLiteral("ZQHTMLBlockFilter"); }
    QString attributeName() const override { return m_attributeName; }
    void setAttributeName(const QString& name) override { m_attributeName = name; }

    // Colours all lines of the block.
    bool highlightMarkdown(plat::MutableAttributedString& markup, const ZSTree& treeNode,
                           ZQRenderContext& context) override;
    bool joinRichNode(const ZSTree& treeNode, plat::MutableAttributedString& content, ZQRenderContext& context) override;
    bool joinHTMLNode(const ZSTree&, QString&, ZQRenderContext&) override { return false; }
    bool joinMarkdownNode(const ZSTree&, QString&, ZQRenderContext&) override { return false; }

private:
    QString m_attributeName;
};
