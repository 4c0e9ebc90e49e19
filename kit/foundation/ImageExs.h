#pragma once
// Loading, resizing, fitting and encoding page images. An image's metadata
// (its file type and properties) travels with it as an associated object, so
// that an image written back keeps the type it came in.

#include "kit/foundation/ZSImageMetadata.h"
#include "platform/graphics/Image.h"

#include <QByteArray>
#include <QSizeF>
#include <QUrl>

namespace Exs {

// nullptr when the bytes or the file are no image.
plat::ImagePtr loadImageFromData(const QByteArray& bytes);
plat::ImagePtr imageWithContentsOfFile(const QString& path);
// The file's type and its first image's properties; both empty when the file
// cannot be read as an image.
ZSImageMetadataPtr imageMetadata(const QUrl& fileUrl);

ZSImageMetadataPtr metadata(const plat::Image& image);
void setMetadata(plat::Image& image, ZSImageMetadataPtr metadata);

// A new image of exactly that size (aspect ratio not kept) with a copy of the
// metadata; nullptr for an empty size.
plat::ImagePtr imageResize(const plat::Image& image, QSizeF size);
// Scaled to fit inside (mode 0) or to cover (mode 1) the box; any other mode
// throws std::invalid_argument("Unsupported content mode: N").
plat::ImagePtr makeThumbnailOfSize(const plat::Image& image, QSizeF size, qint64 contentMode);
// The image itself when it fits, else a scaled-down copy; never enlarged.
plat::ImagePtr fitImageMaxSize(const plat::ImagePtr& image, QSizeF maxSize);
// JPEG bytes of the image fitted into the size, transparency on white, most compressed.
QByteArray compressThumbnail(const plat::ImagePtr& image, QSizeF maxSize);

// The image as file bytes in its metadata's type (PNG, JPEG, JPEG 2000, GIF,
// BMP, TIFF) when it has metadata with properties, else PNG; an unchanged
// image of that type gives back the very bytes it was read from. Empty when
// it cannot be encoded.
QByteArray contentOfData(const plat::Image& image);

void printMetadata(const plat::Image& image);

} // namespace Exs
