#pragma once
// Task items: "- [ ]", "- [x]" and the other states of a task marker.

#include "kit/filters/ZQFilterRoles.h"
#include "platform/foundation/Object.h"

class ZQTaskFilter : public plat::Object, public ZQAttributeNamed, public ZQCommonMarkBlockFilter {
public:
    ZQTaskFilter() : m_attributeName(QStringLiteral("ZQFilterTask")) {}

    QString className() const override { return QStringLiteral("ZQTaskFilter"); }
    QString attributeName() const override { return m_attributeName; }
    void setAttributeName(const QString& name) override { m_attributeName = name; }

    // The rich and styling roles decline every node for now.
    bool highlightMarkdown(plat::MutableAttributedString&, const ZSTree&, ZQRenderContext&) override { return false; }
    bool joinRichNode(const ZSTree&, plat::MutableAttributedString&, ZQRenderContext&) override { return false; }
    // The first task of a run opens a task list of disabled check boxes.
    bool joinHTMLNode(const ZSTree& treeNode, QString& content, ZQRenderContext& context) override;
    bool joinMarkdownNode(const ZSTree&, QString&, ZQRenderContext&) override { return false; }

private:
    QString m_attributeName;
};
