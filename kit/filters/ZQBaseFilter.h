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

#include "kit/filters/ZQFilterRoles.h"

#include "platform/foundation/Object.h"

class ZQInlineMarkerTag;

class ZQBaseFilter : public plat::Object,
                     public virtual ZQAttributeNamed,
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
    // Inserts the written marker of the border's node type at its position.
    bool renderRichToMarkdown(QString& markdown, const ZQInlineMarkerBorder& border,
                              ZQRenderContext& context) override;

private:
    struct RunTypes {
        quint64 doubled = 0; // what each pair of marker characters stands for
        quint64 single = 0;  // what an odd last character stands for
    };
    // The run-length reading of a run of c.
    static RunTypes runTypes(char16_t c, quint64 markupType);
    static QString markerFromNodeType(quint64 nodeType, quint64 markupType);
    static quint64 nodeTypeFromMarker(const QString& marker, quint64 markupType);
    static QString getHTMLTag(quint64 nodeType, bool isForEnd);

    using Tags = std::vector<std::shared_ptr<ZQInlineMarkerTag>>;
    static Tags sortDelimiters(const std::vector<std::shared_ptr<ZQInlineMarker>>& spans);
    ZQProcessLength renderMarkdownToRich(plat::MutableAttributedString& markdown,
                                         const std::vector<std::shared_ptr<ZQInlineMarker>>& spans,
                                         ZQRenderContext& context);
    ZQProcessLength renderMarkdownToHTML(plat::MutableAttributedString& markdown,
                                         const std::vector<std::shared_ptr<ZQInlineMarker>>& spans,
                                         ZQRenderContext& context);
    QString htmlOfTag(const ZQInlineMarkerTag& tag, quint64 markupType) const;
    // Applies the style of nodeType over range; the change of length (tags become chips).
    qint64 applyStyleOnRich(quint64 nodeType, plat::MutableAttributedString& content, plat::Range range);
    qint64 convertTagsToRich(plat::MutableAttributedString& content, plat::Range range);

    QString m_attributeName;
};
