#pragma once
// The value objects that mark constructs in rich text. Image, link, footnote,
// text-block and heading styles are equal when their UUIDs are; quote styles
// and paired markers only to themselves. All of them archive under fixed keys.

#include "platform/foundation/Object.h"
#include "platform/text/Color.h"

#include <QString>

// Base of the styles that are one construct per UUID.
class ZQUuidStyle : public plat::Object {
public:
    const QString& uuid() const { return m_uuid; }
    void setUuid(const QString& uuid) { m_uuid = uuid; }

    // Same class and the same UUID; two styles without a UUID are unequal.
    bool isEqual(const plat::Object& other) const override;
    std::size_t hash() const override;
    bool supportsCoding() const override { return true; }
    void encodeWithCoder(plat::KeyedArchiver& coder) const override;

protected:
    explicit ZQUuidStyle(QString uuid) : m_uuid(std::move(uuid)) {}

private:
    QString m_uuid;
};

class ZQImageStyle final : public ZQUuidStyle {
public:
    static std::shared_ptr<ZQImageStyle> initWithUuid(const QString& uuid);
    QString className() const override { return QStringLiteral("ZQImageStyle"); }
    std::shared_ptr<plat::Object> copy() const override { return initWithUuid(uuid()); }

private:
    using ZQUuidStyle::ZQUuidStyle;
};

class ZQLinkStyle final : public ZQUuidStyle {
public:
    static std::shared_ptr<ZQLinkStyle> initWithUuid(const QString& uuid);
    QString className() const override { return QStringLiteral("ZQLinkStyle"); }
    std::shared_ptr<plat::Object> copy() const override { return initWithUuid(uuid()); }

private:
    using ZQUuidStyle::ZQUuidStyle;
};

class ZQFootnoteStyle final : public ZQUuidStyle {
public:
    static std::shared_ptr<ZQFootnoteStyle> initWithUuid(const QString& uuid, qint64 fnIndex);
    qint64 fnIndex() const { return m_fnIndex; }
    void setFnIndex(qint64 index) { m_fnIndex = index; }

    QString className() const override { return QStringLiteral("ZQFootnoteStyle"); }
    std::shared_ptr<plat::Object> copy() const override { return initWithUuid(uuid(), m_fnIndex); }
    void encodeWithCoder(plat::KeyedArchiver& coder) const override;

private:
    ZQFootnoteStyle(QString uuid, qint64 fnIndex) : ZQUuidStyle(std::move(uuid)), m_fnIndex(fnIndex) {}
    qint64 m_fnIndex;
};

class ZQTextBlockStyle final : public ZQUuidStyle {
public:
    static std::shared_ptr<ZQTextBlockStyle> initWithUuid(const QString& uuid, const QString& name,
                                                          plat::ColorPtr bkColor, plat::ColorPtr borderColor);
    const QString& name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }
    plat::ColorPtr bkColor() const { return m_bkColor; }
    void setBkColor(plat::ColorPtr color) { m_bkColor = std::move(color); }
    plat::ColorPtr borderColor() const { return m_borderColor; }
    void setBorderColor(plat::ColorPtr color) { m_borderColor = std::move(color); }

    QString className() const override { return QStringLiteral("ZQTextBlockStyle"); }
    // Copies both colours.
    std::shared_ptr<plat::Object> copy() const override;
    void encodeWithCoder(plat::KeyedArchiver& coder) const override;

private:
    ZQTextBlockStyle(QString uuid, QString name, plat::ColorPtr bkColor, plat::ColorPtr borderColor)
        : ZQUuidStyle(std::move(uuid)), m_name(std::move(name)), m_bkColor(std::move(bkColor)),
          m_borderColor(std::move(borderColor)) {}
    QString m_name;
    plat::ColorPtr m_bkColor;
    plat::ColorPtr m_borderColor;
};

class ZQHeadingStyle final : public ZQUuidStyle {
public:
    static std::shared_ptr<ZQHeadingStyle> initWithUuid(const QString& uuid, quint64 level);
    quint64 level() const { return m_level; }
    void setLevel(quint64 level) { m_level = level; }
    // 0 marker heading, 1 underlined heading.
    quint64 headingType() const { return m_headingType; }
    void setHeadingType(quint64 type) { m_headingType = type; }

    QString className() const override { return QStringLiteral("ZQHeadingStyle"); }
    std::shared_ptr<plat::Object> copy() const override;
    void encodeWithCoder(plat::KeyedArchiver& coder) const override;

private:
    ZQHeadingStyle(QString uuid, quint64 level) : ZQUuidStyle(std::move(uuid)), m_level(level) {}
    quint64 m_level;
    quint64 m_headingType = 0;
};

// A quoted paragraph's mark; equal only to itself.
class ZQQuoteStyle final : public plat::Object {
public:
    static std::shared_ptr<ZQQuoteStyle> create();
    bool isInvalid() const { return m_isInvalid; }
    void setIsInvalid(bool invalid) { m_isInvalid = invalid; }

    QString className() const override { return QStringLiteral("ZQQuoteStyle"); }
    std::shared_ptr<plat::Object> copy() const override;
    bool supportsCoding() const override { return true; }
    void encodeWithCoder(plat::KeyedArchiver& coder) const override;

private:
    ZQQuoteStyle() = default;
    bool m_isInvalid = false;
};

// One half of a paired marker (emphasis markers, code fences). Both halves
// share a UUID; a copy is always the closing half.
class ZQPairedAttribute final : public plat::Object {
public:
    // The opening half, with a fresh UUID.
    static std::shared_ptr<ZQPairedAttribute> initWithMarker(const QString& marker);

    bool isClose() const { return m_isClose; }
    void setIsClose(bool close) { m_isClose = close; }
    const QString& uuid() const { return m_uuid; }
    void setUuid(const QString& uuid) { m_uuid = uuid; }
    const QString& marker() const { return m_marker; }
    void setMarker(const QString& marker) { m_marker = marker; }

    // Same UUID, the other half.
    bool isPairWith(const ZQPairedAttribute& other) const;

    QString className() const override { return QStringLiteral("ZQPairedAttribute"); }
    std::shared_ptr<plat::Object> copy() const override;
    QString description() const override;
    bool supportsCoding() const override { return true; }
    void encodeWithCoder(plat::KeyedArchiver& coder) const override;

private:
    ZQPairedAttribute(QString uuid, QString marker, bool isClose)
        : m_isClose(isClose), m_uuid(std::move(uuid)), m_marker(std::move(marker)) {}
    bool m_isClose;
    QString m_uuid;
    QString m_marker;
};

using ZQImageStylePtr = std::shared_ptr<ZQImageStyle>;
using ZQLinkStylePtr = std::shared_ptr<ZQLinkStyle>;
using ZQFootnoteStylePtr = std::shared_ptr<ZQFootnoteStyle>;
using ZQTextBlockStylePtr = std::shared_ptr<ZQTextBlockStyle>;
using ZQHeadingStylePtr = std::shared_ptr<ZQHeadingStyle>;
using ZQQuoteStylePtr = std::shared_ptr<ZQQuoteStyle>;
using ZQPairedAttributePtr = std::shared_ptr<ZQPairedAttribute>;
