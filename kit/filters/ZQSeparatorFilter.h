#pragma once
// Dividers (thematic breaks): a line of at least three "-", "*" or "_" of one
// kind, blanks allowed between and after them, up to three spaces before.

#include "kit/model/ZQFilterRoles.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Regex.h"

class ZQSeparatorFilter : public plat::Object,
                          public Filter,
                          public ZQRangeFormatter,
                          public ZQCommonMarkBlockFilter,
                          public ZQLeafBlockParser,
                          public ZQAttributeFixer,
                          public ZQRangedAttributeFixer {
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

    // The "-" that completes a divider at the start of a rich line styles it.
    bool filterRichOnFly(const QString& typed, qint64 position, plat::TextView& view,
                         ZQRenderContext& context) override;
    // The divider action: removes a divider, fills an empty line with one, or
    // puts one after a text line, a blank line between.
    bool filterRangeOnFly(plat::Range range, quint64 tag, plat::TextView& view, ZQRenderContext& context) override;

    // A styled line that is no longer a divider loses the style (and so do the
    // typing attributes at it); a divider whose style covers more or less than
    // the line is styled afresh.
    bool fixRichAttribute(plat::MutableAttributedString& content, plat::Range selRange,
                          plat::Attributes& typingAttributes) override;
    bool fixRichAttributeInRange(plat::MutableAttributedString& content, plat::Range selRange,
                                 plat::Attributes& typingAttributes, plat::Range inRange) override;

private:
    QString m_attributeName;
    std::shared_ptr<const plat::Regex> m_markupPattern;
};
