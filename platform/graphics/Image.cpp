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
    QImage image = reader.read();
    if (image.isNull())
        return nullptr;
    return std::shared_ptr<Image>(new Image(std::move(image), bytes, format));
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
    if (!writer.write(m_image))
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
    return std::shared_ptr<Image>(new Image(m_image, m_sourceData, m_sourceFormat));
}

QString Image::description() const
{
    return QStringLiteral("Image %1x%2 %3")
        .arg(m_image.width())
        .arg(m_image.height())
        .arg(QString::fromLatin1(m_sourceFormat));
}

void Image::encodeWithCoder(KeyedArchiver& coder) const
{
    coder.encodeData(QStringLiteral("data"), m_sourceData.isEmpty() ? encoded("png") : m_sourceData);
}

} // namespace plat
