#pragma once
// Headings of both dialects: "#" headings and underlined (setext) headings in
// Markdown, "h1." to "h6." headings in Quorvel Markup.

#include "kit/model/ZQFilterRoles.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Regex.h"

class ZQHeadingFilter : public plat::Object,
                        public Filter,
                        public ZQRangeFormatter,
                        public ZQKeyPrcessorRender,
                        public ZQCommonMarkBlockFilter,
                        public ZQMarkupPreJoiner,
                        public ZQLeafBlockParser,
                        public ZQAttributeFixer,
                        public ZQRangedAttributeFixer {
public:
    // Bit of the parsing option that selects Quorvel Markup.
    static constexpr qint64 QuorvelMarkupOption = 0x100000;

    ZQHeadingFilter();

    QString className() const override { return QStringLiteral("ZQHeadingFilter"); }
    QString attributeName() const override { return m_attributeName; }
    void setAttributeName(const QString& name) override { m_attributeName = name; }

    // Colours the heading's text and, apart, its marker or underline.
    bool highlightMarkdown(plat::MutableAttributedString& markup, const ZSTree& treeNode,
                           ZQRenderContext& context) override;
    // Gives the heading's text (a marker heading's children, an underlined
    // heading's own text) the rich heading style under a fresh UUID.
    bool preJoinMarkupToRich(const ZSTree& treeNode, ZQRenderContext& context) override;
    // A marker heading adds nothing itself: its styled children carry the text.
    // An underlined heading is declined, so the driver appends its text.
    bool joinRichNode(const ZSTree& treeNode, plat::MutableAttributedString& content,
                      ZQRenderContext& context) override;
    // Opens the heading element; its text (the child, or the setext node itself)
    // closes it through its close tags.
    bool joinHTMLNode(const ZSTree& treeNode, QString& content, ZQRenderContext& context) override;
    // Sets the node's content to its marker in the running dialect: "h2. ",
    // "## ", or for a Markdown underlined heading an underline line merged
    // into its text (the marker then empty).
    bool joinMarkdownNode(const ZSTree& treeNode, QString& content, ZQRenderContext& context) override;

    // Keeps the heading style off line ends, so a heading never spills onto the
    // next line.
    bool fixRichAttribute(plat::MutableAttributedString& content, plat::Range selRange,
                          plat::Attributes& typingAttributes) override;
    bool fixRichAttributeInRange(plat::MutableAttributedString& content, plat::Range selRange,
                                 plat::Attributes& typingAttributes, plat::Range inRange) override;

    // A blank typed after "## " (or "h2. " in Quorvel Markup) at the start of a
    // rich line makes the line a heading of that level; the marker goes.
    bool filterRichOnFly(const QString& typed, qint64 position, plat::TextView& view,
                         ZQRenderContext& context) override;
    // Tags 21 to 26 give the whole lines of range that heading level; a line
    // that already has it loses its heading.
    bool filterRangeOnFly(plat::Range range, quint64 tag, plat::TextView& view, ZQRenderContext& context) override;
    // Return leaves the heading: the typing attributes go back to the defaults.
    // Never consumes the key.
    bool processKeyDownEvent(quint16 keyCode, quint64 modifyFlag, plat::TextView& view,
                             ZQRenderContext& context) override;

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
