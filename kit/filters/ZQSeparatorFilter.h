#pragma once
// Dividers (thematic breaks): a line of at least three "-", "*" or "_" of one
// kind, blanks allowed between and after them, up to three spaces before.

#include "kit/filters/ZQFilterRoles.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Regex.h"

class ZQSeparatorFilter : public plat::Object,
                          public ZQAttributeNamed,
                          public ZQCommonMarkBlockFilter,
                          public ZQLeafBlockParser,
                          public ZQAttributeFixer {
public:
    ZQSeparatorFilter();

    QString className() const override { return QStringLiteral("ZQSeparatorFilter"); }
    QString attributeName() const override { return m_attributeName; }
    void setAttributeName(const QString& name) override { m_attributeName = name; }

    bool highlightMarkdown(plat::MutableAttributedString& markup, const ZSTree& treeNode,
                           ZQRenderContext& context) override;
    bool joinRichNode(const ZSTree& treeNode, plat::MutableAttributedString& content, ZQRenderContext& context) override;
    bool joinHTMLNode(const ZSTree& treeNode, QString& content, ZQRenderContext& context) override;
    // A divider is written back as it stands.
    bool joinMarkdownNode(const ZSTree& treeNode, QString& content, ZQRenderContext& context) override;

    // A divider line becomes a node of type 6 under the container, which stays the
    // container.
    ZSTree parseLeafBlock(const QString& line, plat::Range lineRange, plat::Range processRange,
                          const std::vector<plat::Range>& lineTabRanges, const QString& content,
                          const ZSTree& indentParentNode, qint64 parsingOption) override;

    // A styled line that is no longer a divider loses the style (and so do the
    // typing attributes at it); a divider whose style covers more or less than
    // the line is styled afresh.
    bool fixRichAttribute(plat::MutableAttributedString& content, plat::Range selRange,
                          plat::Attributes& typingAttributes) override;

private:
    QString m_attributeName;
    std::shared_ptr<const plat::Regex> m_markupPattern;
};
