#include "app/shell/ZQUtils.h"

#include "kit/foundation/ImageExs.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

plat::ImagePtr drawn(const plat::ImagePtr& source, QSize size, double opacity)
{
    if (!source || size.isEmpty())
        return nullptr;
    QImage canvas(size, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setOpacity(std::clamp(opacity, 0.0, 1.0));
    painter.drawImage(QRect(QPoint(0, 0), size), source->qimage());
    painter.end();
    return plat::Image::fromQImage(canvas);
}

} // namespace

std::optional<QString> ZQUtils::mimeTypeForFileAtPath(const QString& path)
{
    if (!QFileInfo::exists(path))
        return std::nullopt;
    // By the extension only, as the type identifier of the name is.
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    if (!type.isValid() || type.isDefault())
        return QStringLiteral("application/octet-stream");
    return type.name();
}

plat::ImagePtr ZQUtils::imageResize(const plat::ImagePtr& image, QSizeF newSize)
{
    return image ? Exs::imageResize(*image, newSize) : nullptr;
}

plat::ImagePtr ZQUtils::alphaImage(const plat::ImagePtr& image, double fraction)
{
    return image ? drawn(image, image->qimage().size(), fraction) : nullptr;
}
