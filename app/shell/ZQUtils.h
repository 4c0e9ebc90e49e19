#pragma once
// Small image and file helpers the shell's windows and the export share.

#include "platform/graphics/Image.h"

#include <QSizeF>
#include <QString>
#include <optional>

class ZQUtils {
public:
    ZQUtils() = delete;

    // The MIME type of the file's extension; "application/octet-stream" when
    // the extension names none; none when nothing exists at path.
    static std::optional<QString> mimeTypeForFileAtPath(const QString& path);
    // A new image of newSize with the whole source scaled to fill it.
    static plat::ImagePtr imageResize(const plat::ImagePtr& image, QSizeF newSize);
    // A new image of the source's size, the source drawn at the given opacity (0 to 1).
    static plat::ImagePtr alphaImage(const plat::ImagePtr& image, double fraction);
};
