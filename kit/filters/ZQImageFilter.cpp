#include "kit/filters/ZQImageFilter.h"

#include "kit/filters/ZQHTMLWriting.h"
#include "kit/filters/ZQInlineTargets.h"
#include "kit/filters/ZQLinkFilter.h"
#include "kit/model/ZSTextAttachment.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQInlineMarker.h"
#include "kit/model/ZQLinkRef.h"
#include "kit/model/ZQStyles.h"
#include "kit/model/ZQTextNode.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZQRenderUtil.h"
#include "kit/foundation/ImageExs.h"
#include "kit/model/ZQAttachmentFile.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// The shared style factory, reached when first needed: the filters are made
// before the application installs its settings.
ZQHighlighter& styles()
{
    return ZQHighlighter::sharedHighlighter();
}

// What RFC 3986 allows in a query, and "%" so that an address already encoded
// is not encoded twice.
const plat::CharacterSet& sourceSafeCharacters()
{
    static const plat::CharacterSet set = plat::CharacterSet::fromString(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~!$&'()*+,;=:@/?%"));
    return set;
}

QString trimmedOrEmpty(const QString& s)
{
    return s.isNull() ? QString() : ZQShared::trim(s);
}

// An alternative text as HTML attribute text: element markup left out,
// escapes resolved outside raw text, and nothing that could end the attribute.
QString htmlAltText(const plat::AttributedString& paragraph, plat::Range body)
{
    QString alt;
    paragraph.enumerateAttribute(ZQAttr::Raw, body, 0, [&](const plat::Value& value, plat::Range run, bool*) {
        if (value.toString() == ZQHTMLWriting::ElementKey)
            return;
        QString text = paragraph.string().mid(run.location, run.length);
        if (value.isNull())
            ZQShared::deleteEscapseSlash(text);
        alt += text;
    });
    ZQShared::escapeHTMLEntityIgnoreEntityAmp(alt);
    return alt;
}

} // namespace

ZQImageFilter::ZQImageFilter()
    : m_attributeName(QStringLiteral("ZQMacroImage"))
{
}

ZQProcessLength ZQImageFilter::renderMarkdown(plat::MutableAttributedString& markdown,
                                              const std::shared_ptr<ZQInlineMarker>& inlineMarker,
                                              ZQRenderContext& context)
{
    if (!inlineMarker || !inlineMarker->linkRef())
        return {};
    return ZQInlineTargets::render(
        context, [&] { return renderMarkdownToHTML(markdown, *inlineMarker); },
        [&] { return renderMarkdownToRich(markdown, *inlineMarker, context); });
}

std::shared_ptr<ZQAttachedStorage> ZQImageFilter::findOrCreateStroage(const plat::AttributedString& content,
                                                                       qsizetype location, const ZQLinkRef& linkRef,
                                                                       ZQRenderContext& context)
{
    if (location < content.length()) {
        if (const auto style = content.attributeAtIndex(m_attributeName, location).toObject<ZQImageStyle>()) {
            if (auto storage = context.getAttachedStorage(style->uuid(), m_attributeName))
                return storage;
            qWarning().noquote()
                << QStringLiteral("Unable to find attached image storage by UUID %1").arg(style->uuid());
        }
    }
    if (!linkRef.link().isEmpty()) {
        const QString label = trimmedOrEmpty(linkRef.label());
        const QString title = trimmedOrEmpty(linkRef.title());
        for (const auto& storage : context.getAttachedStorageByOwner(m_attributeName)) {
            const auto& image = storage->attachedObject();
            if (image && trimmedOrEmpty(image->imageLabel()) == label && trimmedOrEmpty(image->imageTitle()) == title
                && ZQRenderUtil::getImageMarkerPath(*image) == linkRef.link())
                return storage;
        }
    }
    const QString uuid = ZSUtils::uuid();
    auto storage = context.createAttachedStroage(m_attributeName, uuid);
    const auto& image = storage->attachedObject();
    image->setImageLabel(linkRef.label());
    image->setImageTitle(linkRef.title());
    ZQRenderUtil::loadImageMarkerLink(linkRef.link(), *image, QString(), QString());
    return storage;
}

plat::AttributedString ZQImageFilter::getImageAttributeString(const ZQAttachedImageObject& image,
                                                             const QString& uuid) const
{
    const plat::ImagePtr shown = image.image() ? image.image() : image.originalImage();
    const QString link = QStringLiteral("#IMG") + uuid;
    if (!shown)
        return plat::AttributedString(QStringLiteral("{IMG}"), styles().imageRich(uuid, link, true));
    auto attachment =
        ZSTextAttachment::initWithFileWrapper(ZQRenderUtil::fileWrapperForImage(image.originalFileName(), *shown));
    attachment->setAttachmentCell(ZSTextAttachmentCell::initImageCell(shown));
    plat::MutableAttributedString text(QString(QChar(plat::ObjectReplacementCharacter)),
                                       plat::Attributes{{plat::AttachmentAttribute, plat::Value(attachment)}});
    styles().applyAttributes(styles().imageRich(uuid, link, false), text, plat::Range(0, 1));
    return text;
}

ZQProcessLength ZQImageFilter::renderMarkdownToRich(plat::MutableAttributedString& markdown,
                                                    const ZQInlineMarker& marker, ZQRenderContext& context)
{
    // An image of nothing ("![]()") would write nothing back: its markup stays
    // as written, shown like raw HTML, and reads back the same.
    // Inside another image's alternative text the image stays as written:
    // the outer image keeps it in its label.
    if (marker.isForImageAlt())
        return ZQInlineTargets::replaced(marker, marker.markerRange().length);
    const ZQLinkRef& ref = *marker.linkRef();
    if (ZQShared::trim(ref.link()).isEmpty() && !ZQShared::isNotBlank(ref.label()) && ref.title().isEmpty()) {
        styles().applyAttributes(styles().htmlTagRich(), markdown, marker.markerRange());
        return ZQInlineTargets::replaced(marker, marker.markerRange().length);
    }
    const auto storage = findOrCreateStroage(markdown, marker.markerRange().location, ref, context);
    const plat::AttributedString rich = getImageAttributeString(*storage->attachedObject(), storage->uuid());
    markdown.replaceCharacters(marker.markerRange(), rich);
    return ZQInlineTargets::replaced(marker, rich.length());
}

ZQProcessLength ZQImageFilter::renderMarkdownToHTML(plat::MutableAttributedString& markdown,
                                                    const ZQInlineMarker& marker)
{
    if (marker.isForImageAlt()) {
        // The outer image makes its alternative text of it.
        const QString alt = ZQHTMLWriting::textWithoutElements(markdown, marker.bodyRange());
        markdown.replaceCharacters(marker.markerRange(), alt);
        return ZQInlineTargets::replaced(marker, alt.size());
    }
    const ZQLinkRef& ref = *marker.linkRef();
    const QString source = ZQHTMLWriting::percentEncoded(ref.link(), sourceSafeCharacters());
    const QString alt = htmlAltText(markdown, marker.bodyRange());
    QString element;
    if (!ref.title().isNull()) {
        QString title = ref.title();
        ZQShared::escapeHTMLEntityIgnoreEntityAmp(title);
        element = QStringLiteral("<img src=\"%1\" alt=\"%2\" title=\"%3\" />").arg(source, alt, title);
    } else {
        element = QStringLiteral("<img src=\"%1\" alt=\"%2\" />").arg(source, alt);
    }
    const plat::Attributes raw{{ZQAttr::Raw, QStringLiteral("htmlTag")}};
    markdown.replaceCharacters(marker.markerRange(), plat::AttributedString(element, raw));
    return ZQInlineTargets::replaced(marker, element.size());
}

bool ZQImageFilter::highlightMarkdown(plat::MutableAttributedString& markup,
                                      const std::shared_ptr<ZQInlineMarker>& highlighter, ZQRenderContext& context)
{
    if (!highlighter || highlighter->nodeType() != ZQNodeType::Image || !highlighter->linkRef())
        return false;
    for (const plat::Range& range : highlighter->markerAbsoluteRanges()) {
        const auto storage = findOrCreateStroage(markup, range.location, *highlighter->linkRef(), context);
        styles().applyAttributes(styles().imageMarkdown(storage->uuid()), markup, range);
    }
    return true;
}

QString ZQImageFilter::getMarker(const ZQAttachedImageObject& image)
{
    QString marker = QStringLiteral("![]()");
    if (!image.imageTitle().isEmpty())
        marker.insert(4, ZQLinkFilter::markupTitle(image.imageTitle()));
    marker.insert(4, ZQLinkFilter::markupDestination(ZQRenderUtil::getImageMarkerPath(image)));
    if (!image.imageLabel().isEmpty())
        marker.insert(2, image.imageLabel());
    return marker;
}

bool ZQImageFilter::renderRichToMarkdown(QString& markdown, const ZQInlineMarkerBorder& border,
                                         ZQRenderContext& context)
{
    const auto& marker = border.marker();
    if (!marker || marker->nodeType() != ZQNodeType::Image)
        return false;
    if (!border.openTag())
        return true;
    const plat::Range body = marker->bodyRange();
    if (body.end() <= markdown.size())
        markdown.remove(body.location, body.length);
    if (marker->attachedUuid().isEmpty())
        return true;
    const auto storage = context.getAttachedStorage(marker->attachedUuid(), m_attributeName);
    if (storage && storage->attachedObject() && !writesNothing(*storage->attachedObject()))
        markdown.insert(border.pos1(), getMarker(*storage->attachedObject()));
    return true;
}

bool ZQImageFilter::writesNothing(const ZQAttachedImageObject& image)
{
    // Alternative text or a title is the user's text even before the image
    // has a file: it stays on the page.
    return ZQRenderUtil::getImageMarkerPath(image).isEmpty() && image.imageLabel().isEmpty()
        && image.imageTitle().isEmpty();
}

// ---- ZQImageHandler ---------------------------------------------------------------------

ZQImageHandler::ZQImageHandler() : m_macroTitle(QStringLiteral("Image")) {}

bool ZQImageHandler::isExternalURL(const ZQAttachedImageObject& image)
{
    return !image.originalImage() && image.imageFileName().isEmpty();
}

QString ZQImageHandler::exportPath(const ZQAttachedImageObject& image, const QString& exportDirectory)
{
    const QString path = ZQRenderUtil::getImageMarkerPath(image);
    if (path.isEmpty() || QDir::isAbsolutePath(path) || path.contains(QLatin1Char('\\')))
        return QString();
    const QString folder = QDir::cleanPath(exportDirectory);
    const QString target = QDir::cleanPath(folder + QLatin1Char('/') + path);
    // A page may name any path; only those inside the export folder are written.
    if (!target.startsWith(folder + QLatin1Char('/')) || path.split(QLatin1Char('/')).contains(QStringLiteral("..")))
        return QString();
    // Nor through a link inside the folder that leads out of it.
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    if (!canonicalFolder.isEmpty()) {
        QString existing = QFileInfo(target).absolutePath();
        while (!QFileInfo::exists(existing) && existing.size() > canonicalFolder.size())
            existing = QFileInfo(existing).absolutePath();
        const QString canonical = QFileInfo(existing).canonicalFilePath();
        if ((canonical != canonicalFolder && !canonical.startsWith(canonicalFolder + QLatin1Char('/')))
            || QFileInfo(target).isSymLink())
            return QString();
    }
    return target;
}

QStringList ZQImageHandler::checkExportFileNames(const std::vector<std::shared_ptr<ZQAttachedStorage>>& storages,
                                                 const QString& exportDirectory)
{
    QStringList paths;
    if (storages.empty() || exportDirectory.isEmpty())
        return paths;
    for (const auto& storage : storages) {
        const auto& image = storage->attachedObject();
        if (storage->owner() != attributeName() || !image || isExternalURL(*image))
            continue;
        const QString target = exportPath(*image, exportDirectory);
        if (!target.isEmpty())
            paths << target;
    }
    return paths;
}

std::vector<plat::ObjectPtr>
ZQImageHandler::exportEnding(quint64, QString&, const std::vector<std::shared_ptr<ZQAttachedStorage>>& storages,
                             const QString& exportDirectory, ZQRenderContext*)
{
    std::vector<plat::ObjectPtr> written;
    if (storages.empty() || exportDirectory.isEmpty())
        return written;
    for (const auto& storage : storages) {
        const auto& image = storage->attachedObject();
        if (storage->owner() != attributeName() || !image || isExternalURL(*image))
            continue;
        const plat::ImagePtr shown = image->image() ? image->image() : image->originalImage();
        const QByteArray bytes = shown ? Exs::contentOfData(*shown) : QByteArray();
        if (bytes.isEmpty())
            continue;
        const QString target = exportPath(*image, exportDirectory);
        if (target.isEmpty()) {
            qWarning().noquote() << QStringLiteral("Refusing to export image outside the export folder: %1")
                                        .arg(ZQRenderUtil::getImageMarkerPath(*image));
            continue;
        }
        const QString folder = QFileInfo(target).absolutePath();
        if (ZSUtils::ensurePath(QUrl::fromLocalFile(folder)).isEmpty()) {
            qWarning().noquote() << QStringLiteral("Unable to create image path %1").arg(folder);
            continue;
        }
        QSaveFile file(target);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            continue;
        auto record = ZQAttachmentFile::create();
        record->setUuid(storage->uuid());
        record->setFileUrl(target);
        record->setFileName(image->originalFileName());
        record->setTitle(image->imageTitle());
        record->setLabel(image->imageLabel());
        written.push_back(record);
    }
    return written;
}
