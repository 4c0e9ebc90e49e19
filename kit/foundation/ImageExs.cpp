#include "kit/foundation/ImageExs.h"

#include <QDebug>
#include <QImageReader>
#include <QPainter>
#include <cmath>
#include <stdexcept>

namespace Exs {

namespace {

const QString MetadataKey = QStringLiteral("metadata");

// The properties the platform's image-source service reports that we can know.
plat::ValueMap propertiesOf(QImageReader& reader, const QImage& image)
{
    plat::ValueMap properties;
    properties[QStringLiteral("PixelWidth")] = qint64(image.width());
    properties[QStringLiteral("PixelHeight")] = qint64(image.height());
    properties[QStringLiteral("DPIWidth")] = std::round(image.dotsPerMeterX() * 0.0254);
    properties[QStringLiteral("DPIHeight")] = std::round(image.dotsPerMeterY() * 0.0254);
    properties[QStringLiteral("HasAlpha")] = image.hasAlphaChannel();
    properties[QStringLiteral("Depth")] = qint64(image.depth());
    for (const QString& key : reader.textKeys())
        properties[key] = reader.text(key);
    return properties;
}

} // namespace

plat::ImagePtr loadImageFromData(const QByteArray& bytes)
{
    return plat::Image::fromData(bytes);
}

plat::ImagePtr imageWithContentsOfFile(const QString& path)
{
    return plat::Image::fromFile(path);
}

ZSImageMetadataPtr imageMetadata(const QUrl& fileUrl)
{
    QImageReader reader(fileUrl.toLocalFile());
    const QByteArray format = reader.format();
    const QImage image = reader.read();
    if (image.isNull())
        return ZSImageMetadata::create();
    return ZSImageMetadata::create(ZSImageMetadata::utiForFormat(format), propertiesOf(reader, image));
}

ZSImageMetadataPtr metadata(const plat::Image& image)
{
    return plat::objectCast<ZSImageMetadata>(image.associatedObject(MetadataKey));
}

void setMetadata(plat::Image& image, ZSImageMetadataPtr metadata)
{
    image.setAssociatedObject(MetadataKey, std::move(metadata));
}

plat::ImagePtr imageResize(const plat::Image& image, QSizeF size)
{
    const int width = int(std::lround(size.width()));
    const int height = int(std::lround(size.height()));
    if (width <= 0 || height <= 0)
        return nullptr;
    QImage canvas(width, height, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.drawImage(QRectF(0, 0, width, height), image.qimage());
    }
    plat::ImagePtr resized = plat::Image::fromQImage(canvas);
    if (const ZSImageMetadataPtr source = metadata(image))
        setMetadata(*resized, plat::objectCast<ZSImageMetadata>(source->copy()));
    return resized;
}

plat::ImagePtr makeThumbnailOfSize(const plat::Image& image, QSizeF size, qint64 contentMode)
{
    if (contentMode != 0 && contentMode != 1)
        throw std::invalid_argument(QStringLiteral("Unsupported content mode: %1").arg(contentMode).toStdString());
    const QSizeF own = image.size();
    if (own.isEmpty())
        return nullptr;
    const double sx = size.width() / own.width();
    const double sy = size.height() / own.height();
    const double factor = contentMode == 0 ? std::min(sx, sy) : std::max(sx, sy);
    return imageResize(image, QSizeF(own.width() * factor, own.height() * factor));
}

plat::ImagePtr fitImageMaxSize(const plat::ImagePtr& image, QSizeF maxSize)
{
    if (!image)
        return nullptr;
    const QSizeF own = image->size();
    if (own.width() <= maxSize.width() && own.height() <= maxSize.height())
        return image;
    return makeThumbnailOfSize(*image, maxSize, 0);
}

QByteArray compressThumbnail(const plat::ImagePtr& image, QSizeF maxSize)
{
    const plat::ImagePtr fitted = fitImageMaxSize(image, maxSize);
    if (!fitted)
        return QByteArray();
    // JPEG has no alpha: transparent parts are laid on white rather than black.
    QImage flat(fitted->qimage().size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        painter.drawImage(0, 0, fitted->qimage());
    }
    return plat::Image::fromQImage(flat)->encoded("jpeg", 0);
}

QByteArray contentOfData(const plat::Image& image)
{
    const ZSImageMetadataPtr meta = metadata(image);
    const QByteArray format = meta && !meta->properties().empty()
        ? ZSImageMetadata::writableFormatForUti(meta->uti()) : QByteArray();
    if (!format.isEmpty()) {
        // Unchanged since it was read: its own bytes keep every property of the file.
        if (!image.sourceData().isEmpty()
            && ZSImageMetadata::utiForFormat(image.sourceFormat()) == meta->uti())
            return image.sourceData();
        const QByteArray bytes = image.encoded(format);
        if (!bytes.isEmpty())
            return bytes;
    }
    return image.encoded("png");
}

void printMetadata(const plat::Image& image)
{
    const ZSImageMetadataPtr meta = metadata(image);
    qDebug().noquote() << QStringLiteral("Type = %1").arg(meta ? meta->uti() : QString());
    if (!meta)
        return;
    for (const auto& [key, value] : meta->properties()) {
        const QString text = value.isString() ? value.toString()
            : value.isDouble()                 ? QString::number(value.toDouble())
                                               : QString::number(value.toInteger());
        qDebug().noquote() << QStringLiteral("%1:%2").arg(key, text);
    }
}

} // namespace Exs
