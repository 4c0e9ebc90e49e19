#pragma once
// Bulleted and numbered lists: "-", "*", "+" and "1." or "1)" in Markdown; the
// own dialect also numbers "#" items.

#include "kit/filters/ZQFilterRoles.h"
#include "platform/foundation/Object.h"

class ZQListFilter : public plat::Object, public ZQAttributeNamed, public ZQCommonMarkBlockFilter {
public:
    ZQListFilter() : m_attributeName(QStringLiteral("ZQFilterList")) {}

    QString className() const override { return QStringLiteral("ZQListFilter"); }
    QString attributeName() const override { return m_attributeName; }
    void setAttributeName(const QString& name) override { m_attributeName = name; }

    // The rich and styling roles decline every node for now.
    bool highlightMarkdown(plat::MutableAttributedString&, const ZSTree&, ZQRenderContext&) override { return false; }
    bool joinRichNode(const ZSTree&, plat::MutableAttributedString&, ZQRenderContext&) override { return false; }
    // The first item of a list writes the list's opening and prepares every item
    // of the run (tightness, item tags, closing tags); later items write what was
    // prepared for them.
    bool joinHTMLNode(const ZSTree& treeNode, QString& content, ZQRenderContext& context) override;
    bool joinMarkdownNode(const ZSTree&, QString&, ZQRenderContext&) override { return false; }

    // Whether the items of the run make a loose list.
    static bool isLooseList(const std::vector<ZSTree>& items);

private:
    QString m_attributeName;
};
