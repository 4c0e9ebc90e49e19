#pragma once
// A bitmap image as the platform's image object: the pixels, the bytes and
// format it was read from (kept so that an unchanged image is written back
// byte for byte), and objects associated with it by key. An image read from
// bytes is decoded when its pixels are first asked for: opening a page with
// many pictures reads only their headers.

#include "platform/foundation/Object.h"

#include <QByteArray>
#include <QImage>
#include <QSizeF>
#include <map>
#include <mutex>

namespace plat {

class Image final : public Object {
public:
    // nullptr when the bytes or the file are no image (judged by the header: a
    // picture whose body turns out broken has null pixels).
    static std::shared_ptr<Image> fromData(const QByteArray& bytes);
    static std::shared_ptr<Image> fromFile(const QString& path);
    // An image drawn in memory: no source bytes. nullptr for a null image.
    static std::shared_ptr<Image> fromQImage(const QImage& image);

    const QImage& qimage() const;
    // In points; one pixel is one point.
    QSizeF size() const { return QSizeF(m_size); }

    // The bytes the image was read from and their format ("png", "jpeg", ...);
    // empty for a drawn image.
    const QByteArray& sourceData() const { return m_sourceData; }
    const QByteArray& sourceFormat() const { return m_sourceFormat; }

    // Encodes the pixels in a format Qt can write ("png", "jpeg", "bmp", ...),
    // quality 0-100 or -1 for the writer's default; empty when it cannot.
    QByteArray encoded(const QByteArray& format, int quality = -1) const;

    ObjectPtr associatedObject(const QString& key) const;
    void setAssociatedObject(const QString& key, ObjectPtr object);

    QString className() const override { return QStringLiteral("Image"); }
    // A copy has the same pixels and source bytes, but no associated objects.
    std::shared_ptr<Object> copy() const override;
    QString description() const override;
    // Archived as its source bytes, or as PNG when it was drawn in memory.
    bool supportsCoding() const override { return true; }
    void encodeWithCoder(KeyedArchiver& coder) const override;

private:
    Image(QImage image, QByteArray sourceData, QByteArray sourceFormat)
        : m_image(std::move(image)), m_size(m_image.size()), m_decoded(true), m_sourceData(std::move(sourceData)),
          m_sourceFormat(std::move(sourceFormat)) {}
    Image(QSize size, QByteArray sourceData, QByteArray sourceFormat)
        : m_size(size), m_sourceData(std::move(sourceData)), m_sourceFormat(std::move(sourceFormat)) {}

    // Decoded on demand from m_sourceData; any thread may ask first.
    mutable std::mutex m_decodeMutex;
    mutable QImage m_image;
    QSize m_size;
    mutable bool m_decoded = false;
    QByteArray m_sourceData;
    QByteArray m_sourceFormat;
    std::map<QString, ObjectPtr> m_associated;
};

using ImagePtr = std::shared_ptr<Image>;

} // namespace plat
