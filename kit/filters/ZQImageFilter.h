#pragma once
// Images of both dialects. An image is a payload in an attached storage of the
// render context (owner "ZQMacroImage"); the text holds a span carrying its
// UUID: in rich text the attachment character (or a placeholder while the
// image is not loaded), in markup the image markup with its path. The same
// image written twice in a page shares one payload.

#include "kit/model/ZQFilterRoles.h"
#include "platform/foundation/Object.h"
#include "platform/text/AttributedString.h"

class ZQAttachedImageObject;
class ZQLinkRef;

class ZQImageFilter : public plat::Object,
                      public virtual ZQAttributeNamed,
                      public Filter,
                      public ZQCommonMarkInlineFilter,
                      public ZQInlineMarkerRenderer,
                      public ZQRichToMarkdownWriter {
public:
    ZQImageFilter();

    QString className() const override { return QStringLiteral("ZQImageFilter"); }
    QString attributeName() const override { return m_attributeName; }
    void setAttributeName(const QString& name) override { m_attributeName = name; }

    // An image (node type 21) for the context's target.
    ZQProcessLength renderMarkdown(plat::MutableAttributedString& markdown,
                                   const std::shared_ptr<ZQInlineMarker>& inlineMarker,
                                   ZQRenderContext& context) override;
    // Ties the image markup to its payload and colours it.
    bool highlightMarkdown(plat::MutableAttributedString& markup, const std::shared_ptr<ZQInlineMarker>& highlighter,
                           ZQRenderContext& context) override;
    // The opening border writes the payload's markup in place of the image.
    bool renderRichToMarkdown(QString& markdown, const ZQInlineMarkerBorder& border,
                              ZQRenderContext& context) override;

    // Images are never made while typing: always NO.
    bool filterRichOnFly(const QString& typed, qint64 position, plat::TextView& view,
                         ZQRenderContext& context) override;

    // The rich text of an image: its attachment, or "{IMG}" while it has no image.
    plat::AttributedString getImageAttributeString(const ZQAttachedImageObject& image, const QString& uuid) const;
    // "![alt](path "title")".
    static QString getMarker(const ZQAttachedImageObject& image);
    // An image with neither path, alternative text nor title writes no markup.
    static bool writesNothing(const ZQAttachedImageObject& image);

private:
    ZQProcessLength renderMarkdownToRich(plat::MutableAttributedString& markdown, const ZQInlineMarker& marker,
                                         ZQRenderContext& context);
    ZQProcessLength renderMarkdownToHTML(plat::MutableAttributedString& markdown, const ZQInlineMarker& marker);
    // The payload the image at location of content is tied to: by the UUID the
    // text carries there, else an equal image's, else a new one.
    std::shared_ptr<ZQAttachedStorage> findOrCreateStroage(const plat::AttributedString& content, qsizetype location,
                                                           const ZQLinkRef& linkRef, ZQRenderContext& context);

    QString m_attributeName;
};

// The image macro: inserted from the typing pop-up menu or by the image
// command (action tag 41), both of which open the view's image panel on a new
// payload. At export the page's stored images are written into the export
// folder, under the paths the markup refers to them by.
class ZQImageHandler : public ZQImageFilter,
                       public ZQMacroHandler,
                       public ZQRichMarkerCleaner,
                       public ZQExportHandler,
                       public ZQExportFileNameChecker {
public:
    ZQImageHandler();

    QString className() const override { return QStringLiteral("ZQImageHandler"); }
    QString macroTitle() const override { return m_macroTitle; }
    void setMacroTitle(const QString& title) override { m_macroTitle = title; }

    // YES for a non-empty beginning of "image" or "img".
    bool matchingTypeText(const QString& typed) const override;
    // Both open the image panel on a new payload for range; the rich one
    // answers range unchanged.
    plat::Range handleRichOnFly(plat::TextView& view, plat::Range range, ZQRenderContext& context) override;
    void handleMarkupOnFly(plat::TextView& view, qint64 position, plat::Range range,
                           ZQRenderContext& context) override;
    // The selection's first valid line becomes the alt text of a new image
    // ("{IMG}" in rich text, "![text]()" in markup), one undo step "Image",
    // and the image panel opens on it.
    bool filterRangeOnFly(plat::Range range, quint64 tag, plat::TextView& view, ZQRenderContext& context) override;
    // Marks image runs "pre" so that cleaning style keeps them.
    void handleMarkerFromRich(plat::MutableAttributedString& content) override;

    // The paths in exportDirectory that the stored images would be written to.
    QStringList checkExportFileNames(const std::vector<std::shared_ptr<ZQAttachedStorage>>& storages,
                                     const QString& exportDirectory) override;
    // Writes the stored images; a ZQAttachmentFile for each file written.
    std::vector<plat::ObjectPtr> exportEnding(quint64 renderType, QString& textContent,
                                              const std::vector<std::shared_ptr<ZQAttachedStorage>>& storages,
                                              const QString& exportDirectory, ZQRenderContext* context) override;

private:
    // Known only by a web address: stored nowhere, never written.
    static bool isExternalURL(const ZQAttachedImageObject& image);
    // The file an image is written to, or empty when its path would leave the folder.
    static QString exportPath(const ZQAttachedImageObject& image, const QString& exportDirectory);
    // A new payload for range, with the view's image panel opened on it.
    std::shared_ptr<ZQAttachedStorage> openImagePanel(plat::TextView& view, plat::Range range,
                                                      ZQRenderContext& context);

    QString m_macroTitle;
};
