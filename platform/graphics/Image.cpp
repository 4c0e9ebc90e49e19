#include "platform/graphics/Image.h"

#include "platform/foundation/KeyedArchive.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>

namespace plat {

namespace {

[[maybe_unused]] const bool imageRegistered = [] {
    KeyedUnarchiver::registerClass(QStringLiteral("Image"), [](KeyedUnarchiver& coder) -> ObjectPtr {
        ImagePtr image = Image::fromData(coder.decodeData(QStringLiteral("data")));
        if (!image)
            coder.failWithError(QStringLiteral("An archived image cannot be read"));
        return image;
    });
    return true;
}();

} // namespace

std::shared_ptr<Image> Image::fromData(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return nullptr;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    if (format.isEmpty() || !reader.canRead())
        return nullptr;
    const QSize size = reader.size();
    if (size.isValid() && !size.isEmpty())
        return std::shared_ptr<Image>(new Image(size, bytes, format));
    // A format that tells no size in its header is decoded now.
    QImage image = reader.read();
    if (image.isNull())
        return nullptr;
    return std::shared_ptr<Image>(new Image(std::move(image), bytes, format));
}

const QImage& Image::qimage() const
{
    std::lock_guard lock(m_decodeMutex);
    if (!m_decoded) {
        m_decoded = true;
        QBuffer buffer;
        buffer.setData(m_sourceData);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, m_sourceFormat);
        m_image = reader.read();
    }
    return m_image;
}

std::shared_ptr<Image> Image::fromFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    return fromData(file.readAll());
}

std::shared_ptr<Image> Image::fromQImage(const QImage& image)
{
    if (image.isNull())
        return nullptr;
    return std::shared_ptr<Image>(new Image(image, QByteArray(), QByteArray()));
}

QByteArray Image::encoded(const QByteArray& format, int quality) const
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(qimage()))
        return QByteArray();
    return bytes;
}

ObjectPtr Image::associatedObject(const QString& key) const
{
    const auto it = m_associated.find(key);
    return it == m_associated.end() ? nullptr : it->second;
}

void Image::setAssociatedObject(const QString& key, ObjectPtr object)
{
    if (object)
        m_associated[key] = std::move(object);
    else
        m_associated.erase(key);
}

std::shared_ptr<Object> Image::copy() const
{
    if (!m_sourceData.isEmpty())
        return std::shared_ptr<Image>(new Image(m_size, m_sourceData, m_sourceFormat));
    return std::shared_ptr<Image>(new Image(qimage(), m_sourceData, m_sourceFormat));
}

QString Image::description() const
{
    return QStringLiteral("Image %1x%2 %3")
        .arg(m_size.width())
        .arg(m_size.height())
        .arg(QString::fromLatin1(m_sourceFormat));
}

void Image::encodeWithCoder(KeyedArchiver& coder) const
{
    coder.encodeData(QStringLiteral("data"), m_sourceData.isEmpty() ? encoded("png") : m_sourceData);
}

} // namespace plat
