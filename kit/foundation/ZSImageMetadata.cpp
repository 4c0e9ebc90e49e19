#include "kit/foundation/ZSImageMetadata.h"

#include <QStringList>

namespace {

struct TypeRow {
    const char* format;
    const char* uti;
};

// Formats whose files the image utilities write back in their own type first.
const TypeRow Types[] = {
    {"png", "public.png"},        {"jpeg", "public.jpeg"},     {"jpg", "public.jpeg"},
    {"jp2", "public.jpeg-2000"},  {"gif", "com.compuserve.gif"}, {"bmp", "com.microsoft.bmp"},
    {"tiff", "public.tiff"},      {"tif", "public.tiff"},      {"webp", "org.webmproject.webp"},
    {"ico", "com.microsoft.ico"}, {"svg", "public.svg-image"},
};

// The types that keep their own type when written (the rest become PNG).
const char* const KeptTypes[] = {"public.png", "public.jpeg", "public.jpeg-2000", "com.compuserve.gif",
                                 "com.microsoft.bmp", "public.tiff"};

} // namespace

std::shared_ptr<ZSImageMetadata> ZSImageMetadata::create(const QString& uti, const plat::ValueMap& properties)
{
    return std::shared_ptr<ZSImageMetadata>(new ZSImageMetadata(uti, properties));
}

QString ZSImageMetadata::utiForFormat(const QByteArray& format)
{
    const QByteArray lower = format.toLower();
    for (const TypeRow& row : Types) {
        if (lower == row.format)
            return QString::fromLatin1(row.uti);
    }
    return lower.isEmpty() ? QString() : QStringLiteral("public.image");
}

QByteArray ZSImageMetadata::writableFormatForUti(const QString& uti)
{
    bool kept = false;
    for (const char* type : KeptTypes)
        kept = kept || uti == QLatin1String(type);
    if (!kept)
        return QByteArray();
    for (const TypeRow& row : Types) {
        if (uti == QLatin1String(row.uti))
            return QByteArray(row.format);
    }
    return QByteArray();
}

QString ZSImageMetadata::description() const
{
    QStringList keys;
    for (const auto& [key, value] : m_properties)
        keys << key;
    return QStringLiteral("ZSImageMetadata %1 {%2}").arg(m_uti, keys.join(QStringLiteral(", ")));
}
