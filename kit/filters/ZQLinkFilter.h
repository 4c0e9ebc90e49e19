#pragma once
// Links and footnote references of both dialects. The paragraph parser finds
// them and hands each over with its link reference; the filter renders it as a
// rich link tied to a link payload (owner "ZQFilterLink"), a rich footnote
// reference tied to a footnote payload ("ZQMacroFootnote"), or HTML; colours
// it in the markup editor; writes it back as markup, with the reference
// definitions at the end of the page. While the user types in the rich
// editor a bracketed text becomes a link; the link command (action tag 40)
// makes one from the selection, or unlinks; cleaning style drops the brackets.

#include "kit/model/ZQFilterRoles.h"

#include "platform/foundation/Object.h"

class ZQAttachedLinkObject;

class ZQLinkFilter : public plat::Object,
                     public virtual ZQAttributeNamed,
                     public Filter,
                     public ZQRangeFormatter,
                     public ZQRichMarkerCleaner,
                     public ZQCommonMarkInlineFilter,
                     public ZQInlineMarkerRenderer,
                     public ZQRichToMarkdownWriter,
                     public ZQExportHandler {
public:
    ZQLinkFilter();

    QString className() const override { return QStringLiteral("ZQLinkFilter"); }
    QString attributeName() const override { return m_attributeName; }
    void setAttributeName(const QString& name) override { m_attributeName = name; }

    // A link or footnote reference (node type 20) for the context's target.
    ZQProcessLength renderMarkdown(plat::MutableAttributedString& markdown,
                                   const std::shared_ptr<ZQInlineMarker>& inlineMarker,
                                   ZQRenderContext& context) override;
    bool highlightMarkdown(plat::MutableAttributedString& markup, const std::shared_ptr<ZQInlineMarker>& highlighter,
                           ZQRenderContext& context) override;
    // Borders of links (node type 20) and footnote references (32).
    bool renderRichToMarkdown(QString& markdown, const ZQInlineMarkerBorder& border,
                              ZQRenderContext& context) override;
    // For markup: the definitions the reference links of the context need.
    std::vector<plat::ObjectPtr> exportEnding(quint64 renderType, QString& textContent,
                                              const std::vector<std::shared_ptr<ZQAttachedStorage>>& storages,
                                              const QString& exportDirectory, ZQRenderContext* context) override;

    // A typed "]" closing, or "[" opening, a bracketed text without inner
    // brackets makes it a link and asks the view to open the link panel.
    bool filterRichOnFly(const QString& typed, qint64 position, plat::TextView& view,
                         ZQRenderContext& context) override;
    // The link command: unlinks a rich link at range, else makes one of the
    // selection's first valid line (markup: "[text]()", caret inside).
    bool filterRangeOnFly(plat::Range range, quint64 tag, plat::TextView& view, ZQRenderContext& context) override;
    // Each link run loses its closing and opening bracket.
    void handleMarkerFromRich(plat::MutableAttributedString& content) override;

    // A destination as markup writes it: trimmed, in "<" ">" when it holds a
    // blank, a line break or a parenthesis.
    static QString markupDestination(const QString& url);
    // A title as markup writes it, with its quotes and a blank before; empty
    // for an empty title. The link parser reads the same title back; only a
    // title holding both quotes and ")" needs its double quotes escaped.
    static QString markupTitle(const QString& title);

    // Indexes the context's reference labels for referenceLabel, until its
    // storages change; labels changed meanwhile go through relabel.
    static void indexReferenceLabels(ZQRenderContext& context);
    static void relabel(ZQAttachedLinkObject& link, const QString& label, ZQRenderContext& context);

private:
    ZQProcessLength renderMarkdownToRich(plat::MutableAttributedString& markdown, const ZQInlineMarker& marker,
                                         ZQRenderContext& context);
    ZQProcessLength renderMarkdownToHTML(plat::MutableAttributedString& markdown, const ZQInlineMarker& marker);
    // The label a reference payload is written with; empty when it must be
    // written inline (no label, or one that another destination also uses).
    static QString referenceLabel(const ZQAttachedLinkObject& link, ZQRenderContext& context);
    void renderOnFly(plat::TextView& view, plat::Range match, const QString& uuid);
    // The link run at range's location (before it at the end) becomes plain
    // text, undoably ("Unlink"); NO when there is none.
    static bool removeRichLink(plat::TextView& view, plat::Range range);

    QString m_attributeName;
};
