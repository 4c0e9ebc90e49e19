#pragma once
// Code blocks of both dialects: fenced (three or more backquotes or tildes, an
// optional info string, body lines, a closing fence) and indented.

#include "kit/model/ZQFilterRoles.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Regex.h"

class ZQTextNode;

class ZQCodeBlockFilter : public plat::Object,
                          public Filter,
                          public ZQRangeFormatter,
                          public ZQKeyPrcessorRender,
                          public ZQKeyUpProcessor,
                          public ZQRichMarkerCleaner,
                          public ZQCommonMarkBlockFilter,
                          public ZQMarkupPreJoiner,
                          public ZQLeafBlockParser,
                          public ZQAttributeFixer {
public:
    ZQCodeBlockFilter();

    QString className() const override { return QStringLiteral("ZQCodeBlockFilter"); }
    QString attributeName() const override { return m_attributeName; }
    void setAttributeName(const QString& name) override { m_attributeName = name; }

    // Styles the markup editor's text: a fenced block's parts share one paired
    // marker's UUID as key; an indented block's run of lines shares one UUID.
    bool highlightMarkdown(plat::MutableAttributedString& markup, const ZSTree& treeNode,
                           ZQRenderContext& context) override;
    // Gives a fenced block's lines their part codes under one "paired-" key;
    // indented code becomes plain body text.
    bool preJoinMarkupToRich(const ZSTree& treeNode, ZQRenderContext& context) override;
    // Appends the node's prepared rich text; the driver appends each body line.
    bool joinRichNode(const ZSTree& treeNode, plat::MutableAttributedString& content,
                      ZQRenderContext& context) override;
    // A fenced block writes its body lines (marking them as written); an indented
    // block writes its run of code lines with the blank lines between them.
    bool joinHTMLNode(const ZSTree& treeNode, QString& content, ZQRenderContext& context) override;
    // The driver writes code back as it stands.
    bool joinMarkdownNode(const ZSTree&, QString&, ZQRenderContext&) override { return false; }

    // An opening fence becomes a node of type 5 under the container; that node is
    // the container of the block's following lines.
    ZSTree parseLeafBlock(const QString& line, plat::Range lineRange, plat::Range processRange,
                          const std::vector<plat::Range>& lineTabRanges, const QString& content,
                          const ZSTree& indentParentNode, qint64 parsingOption) override;

    // Text typed after an opening fence becomes its info string.
    bool fixRichAttribute(plat::MutableAttributedString& content, plat::Range selRange,
                          plat::Attributes& typingAttributes) override;

    // A line break typed after a fence line of backquotes (and an info string)
    // makes that line a rich code block with an empty body holding the caret.
    bool filterRichOnFly(const QString& typed, qint64 position, plat::TextView& view,
                         ZQRenderContext& context) override;
    // Wraps the whole lines of range in a code block of three backquotes.
    bool filterRangeOnFly(plat::Range range, quint64 tag, plat::TextView& view, ZQRenderContext& context) override;
    bool processKeyDownEvent(quint16, quint64, plat::TextView&, ZQRenderContext&) override { return false; }
    // Return after a closing fence: what follows is ordinary text. Never consumes the key.
    bool processKeyUpEvent(quint16 keyCode, quint64 modifyFlag, plat::TextView& view,
                           ZQRenderContext& context) override;
    // Deletes the fences; an info string stays as the first line's plain text.
    void handleMarkerFromRich(plat::MutableAttributedString& content) override;

    // Indent, fence, info string. Only a backtick fence forbids backticks in
    // its info string: a tilde fence takes any.
    static const std::shared_ptr<const plat::Regex>& fencedBlockMarkerPattern();

private:
    static bool renderOnFly(plat::TextView& view, plat::Range typingRange);
    static void joinFencedHTML(const ZSTree& treeNode, ZQTextNode& node, QString& content);
    static void joinIndentedHTML(const ZSTree& treeNode, QString& content);
    static void applyRichAttributes(ZQTextNode& node, const QString& key, const plat::Attributes& defaultAttrs);
    static void highlightFenced(plat::MutableAttributedString& markup, const ZSTree& treeNode, const ZQTextNode& node);
    static void highlightIndented(plat::MutableAttributedString& markup, const ZSTree& treeNode);

    QString m_attributeName;
    std::shared_ptr<const plat::Regex> m_fencedBlockMarkerPattern;
};
