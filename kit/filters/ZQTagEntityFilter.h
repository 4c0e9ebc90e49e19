#pragma once
// Raw HTML (node type 30), autolinks (29) and entities (31) found by the
// paragraph parser at "<" and "&": rendered to rich text and HTML, entities
// written back as their source, all three coloured in the markup editor.
// A "<...>" completed by typing in the rich editor is styled as raw HTML or
// an autolink.

#include "kit/model/ZQFilterRoles.h"
#include "platform/foundation/Object.h"


class ZQTagEntityFilter : public plat::Object,
                         public ZQOnFlyFilter,
                         public ZQCommonMarkInlineFilter,
                         public ZQInlineMarkerRenderer,
                         public ZQRichToMarkdownWriter {
public:
    ZQTagEntityFilter();

    QString className() const override { return QStringLiteral("ZQTagEntityFilter"); }

    // The processed length is the construct's length less one.
    ZQProcessLength renderMarkdown(plat::MutableAttributedString& markdown,
                                   const std::shared_ptr<ZQInlineMarker>& inlineMarker,
                                   ZQRenderContext& context) override;
    bool highlightMarkdown(plat::MutableAttributedString& markup, const std::shared_ptr<ZQInlineMarker>& highlighter,
                           ZQRenderContext& context) override;
    // An entity's opening border: its body becomes the entity as written.
    bool renderRichToMarkdown(QString& markdown, const ZQInlineMarkerBorder& border,
                              ZQRenderContext& context) override;

    // typed ">" closes, or "<" opens, a tag or autolink on the caret's line.
    bool filterRichOnFly(const QString& typed, qint64 position, plat::TextView& view,
                         ZQRenderContext& context) override;

private:
    ZQProcessLength renderMarkdownToRich(plat::MutableAttributedString& markdown, const ZQInlineMarker& marker);
    ZQProcessLength renderMarkdownToHTML(plat::MutableAttributedString& markdown, const ZQInlineMarker& marker);
};
