#pragma once
// Backslash escapes of ASCII punctuation in both dialects: resolved when a
// paragraph becomes rich text or HTML (an escaped character keeps the
// "ZQTAEscaped" mark in rich text), written back as escapes, and coloured in
// the markup editor. A backslash typed before punctuation in the rich editor
// (or punctuation typed after one) becomes the escaped character.

#include "kit/model/ZQFilterRoles.h"
#include "platform/foundation/Object.h"


class ZQEscapeFilter : public plat::Object,
                       public ZQOnFlyFilter,
                       public ZQCommonMarkInlineFilter,
                       public ZQDelimiterRenderer,
                       public ZQRichToMarkdownWriter {
public:
    ZQEscapeFilter();

    QString className() const override { return QStringLiteral("ZQEscapeFilter"); }

    // Resolves every escape of the paragraph outside raw text ("ZQTARaw"): the
    // last thing the paragraph parser does. Rich text and HTML are rewritten and
    // answer not handled; markup answers handled.
    ZQProcessLength renderMarkdown(plat::MutableAttributedString& markdown,
                                   const std::vector<std::shared_ptr<ZQInlineMarker>>& delimiters,
                                   ZQRenderContext& context) override;
    // Colours every absolute range of an escape record (node type 33).
    bool highlightMarkdown(plat::MutableAttributedString& markup, const std::shared_ptr<ZQInlineMarker>& highlighter,
                           ZQRenderContext& context) override;
    // At the opening border of an escape record whose body is all punctuation,
    // writes each character as "\" and itself.
    bool renderRichToMarkdown(QString& markdown, const ZQInlineMarkerBorder& border,
                              ZQRenderContext& context) override;

    // typed is one character and position the caret after it; YES when a
    // backslash and the punctuation beside it became the escaped character.
    bool filterRichOnFly(const QString& typed, qint64 position, plat::TextView& view,
                         ZQRenderContext& context) override;

private:
    void resolveEscapes(plat::MutableAttributedString& paragraph, bool html);
};
