#pragma once
// The emphasis family of both dialects: strong, emphasis, strike-through, code
// span, underline and inline tag. It renders the spans the paragraph parser
// pairs to rich text and HTML, styles them in the markup editor and writes their
// markers back when rich text becomes markup.
//
// Markers, Markdown (read / written) and Quorvel Markup:
//   strong "**" "__" / "**"   "*"       emphasis "*" "_" / "*"   "~"
//   strike "~~"               "-"       code     "`"             "`"
//   underline (none)          "_"       tag      "+"             "+"
// A tag is its name between two "+" («+a,b+» holds two tags).
//
// While the user types in the rich editor a just-closed (or just-opened) span
// becomes styled text, and the formatting commands (action tags 1 emphasis,
// 2 strong, 10 underline, 11 strike-through, 12 code, 43 tag) toggle a style
// on the selection, or the markers around it in the markup editor.

#include "kit/model/ZQFilterRoles.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZQHighlighter.h"

#include "platform/foundation/Object.h"

class ZQInlineMarkerTag;

namespace plat {
class Regex;
}

class ZQBaseFilter : public plat::Object,
                     public virtual ZQAttributeNamed,
                     public Filter,
                     public ZQRangeFormatter,
                     public ZQCommonMarkInlineFilter,
                     public ZQDelimiterRenderer,
                     public ZQRichToMarkdownWriter {
public:
    ZQBaseFilter();

    QString className() const override { return QStringLiteral("ZQBaseFilter"); }
    QString attributeName() const override { return m_attributeName; }
    void setAttributeName(const QString& name) override { m_attributeName = name; }

    // Paired spans (node type 28) for the context's target: rich text and HTML
    // rewrite the paragraph; markup leaves it alone but answers handled. On
    // return each span tag's markerRange is where its replacement stands.
    ZQProcessLength renderMarkdown(plat::MutableAttributedString& markdown,
                                   const std::vector<std::shared_ptr<ZQInlineMarker>>& delimiters,
                                   ZQRenderContext& context) override;
    // Styles a span record (node type 28) by its absolute ranges.
    bool highlightMarkdown(plat::MutableAttributedString& markup, const std::shared_ptr<ZQInlineMarker>& highlighter,
                           ZQRenderContext& context) override;
    // What highlightMarkdown writes, as paints in the order it writes them.
    bool highlightPaints(const plat::AttributedString& markup, const std::shared_ptr<ZQInlineMarker>& highlighter,
                         ZQRenderContext& context, std::vector<ZQHighlighter::Paint>& paints);
    // Inserts the written marker of the border's node type at its position.
    bool renderRichToMarkdown(QString& markdown, const ZQInlineMarkerBorder& border,
                              ZQRenderContext& context) override;

    // A typed marker character that closes (or opens) a span on the caret's line
    // styles the span's body and drops its markers, as one undo step.
    bool filterRichOnFly(const QString& typed, qint64 position, plat::TextView& view,
                         ZQRenderContext& context) override;
    // Toggles the style of the action tag on range; YES when the text changed.
    bool filterRangeOnFly(plat::Range range, quint64 tag, plat::TextView& view, ZQRenderContext& context) override;

private:
    struct RunTypes {
        quint64 doubled = 0; // what each pair of marker characters stands for
        quint64 single = 0;  // what an odd last character stands for
    };
    // The run-length reading of a run of c.
    static RunTypes runTypes(char16_t c, ZQMarkupType markupType);
    static QString markerFromNodeType(quint64 nodeType, ZQMarkupType markupType);
    // Writes one border of a code span so that its body reads back unchanged.
    static bool writeCodeSpanBorder(QString& markdown, const ZQInlineMarkerBorder& border);
    static quint64 nodeTypeFromMarker(const QString& marker, ZQMarkupType markupType);
    static QString getHTMLTag(quint64 nodeType, bool isForEnd);

    using Tags = std::vector<std::shared_ptr<ZQInlineMarkerTag>>;
    static Tags sortDelimiters(const std::vector<std::shared_ptr<ZQInlineMarker>>& spans);
    ZQProcessLength renderMarkdownToRich(plat::MutableAttributedString& markdown,
                                         const std::vector<std::shared_ptr<ZQInlineMarker>>& spans,
                                         ZQRenderContext& context);
    ZQProcessLength renderMarkdownToHTML(plat::MutableAttributedString& markdown,
                                         const std::vector<std::shared_ptr<ZQInlineMarker>>& spans,
                                         ZQRenderContext& context);
    QString htmlOfTag(const ZQInlineMarkerTag& tag, ZQMarkupType markupType) const;
    // Applies the style of nodeType over range; the change of length (tags become chips).
    qint64 applyStyleOnRich(quint64 nodeType, plat::MutableAttributedString& content, plat::Range range);
    // Replaces range by a chip for each comma-separated name of written.
    qint64 convertTagsToRich(plat::MutableAttributedString& content, plat::Range range, const QString& written);

    // Live typing and commands.
    static quint64 nodeTypeFromMenuTag(quint64 tag);
    static QString actionFromTextNodeType(quint64 nodeType);
    using Patterns = std::vector<const plat::Regex*>;
    static Patterns getOnFlyPattenForKeyChar(const QString& key, bool isFoward, ZQMarkupType markupType);
    void renderRichOnFly(plat::Range markerRange, plat::Range bodyRange, plat::TextView& view, bool backward,
                         ZQRenderContext& context);
    // The caret goes after the styled body, or before it (forward).
    void processReplaceOnRich(quint64 nodeType, plat::TextView& view, plat::Range range, plat::Range bodyRange,
                              bool replaceItalic, bool forward);
    bool filterMarkupRange(plat::Range range, quint64 nodeType, plat::TextView& view, ZQRenderContext& context);
    void filterRichRange(plat::Range range, quint64 tag, quint64 nodeType, plat::TextView& view);
    static void removeStyleOnRich(quint64 nodeType, plat::MutableAttributedString& content, plat::Range range);

    QString m_attributeName;
};
