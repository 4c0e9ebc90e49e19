#pragma once
// The file type and the properties of an image's file, kept with the image so
// that it is written back in the type it came in.

#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"

#include <QString>

class ZSImageMetadata final : public plat::Object {
public:
    static std::shared_ptr<ZSImageMetadata> create(const QString& uti = QString(), const plat::ValueMap& properties = {});

    // The type identifier ("public.png", "public.jpeg", ...); empty when unknown.
    QString uti() const { return m_uti; }
    void setUti(const QString& uti) { m_uti = uti; }
    // The first image's properties (PixelWidth, PixelHeight, DPIWidth, ...);
    // empty when the file could not be read.
    const plat::ValueMap& properties() const { return m_properties; }
    void setProperties(const plat::ValueMap& properties) { m_properties = properties; }

    // The type identifier of a Qt image format name ("jpeg" -> "public.jpeg").
    static QString utiForFormat(const QByteArray& format);
    // The Qt format name that writes a type; empty for types we do not write.
    static QByteArray writableFormatForUti(const QString& uti);

    QString className() const override { return QStringLiteral("ZSImageMetadata"); }
    std::shared_ptr<plat::Object> copy() const override { return create(m_uti, m_properties); }
    QString description() const override;

private:
    ZSImageMetadata(QString uti, plat::ValueMap properties) : m_uti(std::move(uti)), m_properties(std::move(properties)) {}

    QString m_uti;
    plat::ValueMap m_properties;
};

using ZSImageMetadataPtr = std::shared_ptr<ZSImageMetadata>;
