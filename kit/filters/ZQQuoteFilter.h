#pragma once
// Block quotes of both dialects: one ">" per level at the start of a line.

#include "kit/model/ZQFilterRoles.h"
#include "platform/foundation/Object.h"

class ZQQuoteFilter : public plat::Object,
                      public ZQAttributeNamed,
                      public ZQOnFlyFilter,
                      public ZQRangeFormatter,
                      public ZQCommonMarkBlockFilter,
                      public ZQRichMarkerCleaner {
public:
    ZQQuoteFilter();

    QString className() const override { return QStringLiteral("ZQQuoteFilter"); }
    QString attributeName() const override { return m_attributeName; }
    void setAttributeName(const QString& name) override { m_attributeName = name; }

    // A ">" typed where the line's content holds only quote marks styles them.
    bool filterRichOnFly(const QString& typed, qint64 position, plat::TextView& view,
                         ZQRenderContext& context) override;
    // Puts "> " before every line the range touches.
    bool filterRangeOnFly(plat::Range range, quint64 tag, plat::TextView& view, ZQRenderContext& context) override;
    // Deletes the quote marks at the start of every quote run.
    void handleMarkerFromRich(plat::MutableAttributedString& content) override;

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
