#include "kit/model/ZQStyles.h"

#include "kit/model/ZSUtils.h"
#include "platform/foundation/KeyedArchive.h"

#include <typeinfo>

namespace {

const QString UuidKey = QStringLiteral("uuid");

[[maybe_unused]] const bool registered = [] {
    using plat::KeyedUnarchiver;
    KeyedUnarchiver::registerClass(QStringLiteral("ZQImageStyle"), [](KeyedUnarchiver& c) -> plat::ObjectPtr {
        return ZQImageStyle::initWithUuid(c.decodeString(UuidKey));
    });
    KeyedUnarchiver::registerClass(QStringLiteral("ZQLinkStyle"), [](KeyedUnarchiver& c) -> plat::ObjectPtr {
        return ZQLinkStyle::initWithUuid(c.decodeString(UuidKey));
    });
    KeyedUnarchiver::registerClass(QStringLiteral("ZQFootnoteStyle"), [](KeyedUnarchiver& c) -> plat::ObjectPtr {
        return ZQFootnoteStyle::initWithUuid(c.decodeString(UuidKey), c.decodeInteger(QStringLiteral("fnIndex")));
    });
    KeyedUnarchiver::registerClass(QStringLiteral("ZQTextBlockStyle"), [](KeyedUnarchiver& c) -> plat::ObjectPtr {
        return ZQTextBlockStyle::initWithUuid(c.decodeString(UuidKey), c.decodeString(QStringLiteral("name")),
                                              plat::objectCast<plat::Color>(c.decodeObject(QStringLiteral("bkColor"))),
                                              plat::objectCast<plat::Color>(c.decodeObject(QStringLiteral("borderColor"))));
    });
    KeyedUnarchiver::registerClass(QStringLiteral("ZQHeadingStyle"), [](KeyedUnarchiver& c) -> plat::ObjectPtr {
        auto style = ZQHeadingStyle::initWithUuid(c.decodeString(UuidKey), quint64(c.decodeInteger(QStringLiteral("level"))));
        style->setHeadingType(quint64(c.decodeInteger(QStringLiteral("headingType"))));
        return style;
    });
    KeyedUnarchiver::registerClass(QStringLiteral("ZQQuoteStyle"), [](KeyedUnarchiver& c) -> plat::ObjectPtr {
        auto style = ZQQuoteStyle::create();
        style->setIsInvalid(c.decodeBool(QStringLiteral("isInvalid")));
        return style;
    });
    KeyedUnarchiver::registerClass(QStringLiteral("ZQPairedAttribute"), [](KeyedUnarchiver& c) -> plat::ObjectPtr {
        auto paired = ZQPairedAttribute::initWithMarker(c.decodeString(QStringLiteral("marker")));
        paired->setUuid(c.decodeString(UuidKey));
        paired->setIsClose(c.decodeBool(QStringLiteral("isClose")));
        return paired;
    });
    return true;
}();

} // namespace

// --- UUID-keyed styles ----------------------------------------------------------

bool ZQUuidStyle::isEqual(const plat::Object& other) const
{
    if (this == &other)
        return true;
    if (typeid(*this) != typeid(other))
        return false;
    const auto& o = static_cast<const ZQUuidStyle&>(other);
    return !m_uuid.isNull() && !o.m_uuid.isNull() && m_uuid == o.m_uuid;
}

std::size_t ZQUuidStyle::hash() const
{
    return qHash(m_uuid);
}

void ZQUuidStyle::encodeWithCoder(plat::KeyedArchiver& coder) const
{
    coder.encodeString(UuidKey, m_uuid);
}

std::shared_ptr<ZQImageStyle> ZQImageStyle::initWithUuid(const QString& uuid)
{
    return std::shared_ptr<ZQImageStyle>(new ZQImageStyle(uuid));
}

std::shared_ptr<ZQLinkStyle> ZQLinkStyle::initWithUuid(const QString& uuid)
{
    return std::shared_ptr<ZQLinkStyle>(new ZQLinkStyle(uuid));
}

std::shared_ptr<ZQFootnoteStyle> ZQFootnoteStyle::initWithUuid(const QString& uuid, qint64 fnIndex)
{
    return std::shared_ptr<ZQFootnoteStyle>(new ZQFootnoteStyle(uuid, fnIndex));
}

void ZQFootnoteStyle::encodeWithCoder(plat::KeyedArchiver& coder) const
{
    ZQUuidStyle::encodeWithCoder(coder);
    coder.encodeInteger(QStringLiteral("fnIndex"), m_fnIndex);
}

std::shared_ptr<ZQTextBlockStyle> ZQTextBlockStyle::initWithUuid(const QString& uuid, const QString& name,
                                                                 plat::ColorPtr bkColor, plat::ColorPtr borderColor)
{
    return std::shared_ptr<ZQTextBlockStyle>(new ZQTextBlockStyle(uuid, name, std::move(bkColor), std::move(borderColor)));
}

std::shared_ptr<plat::Object> ZQTextBlockStyle::copy() const
{
    auto copyOf = [](const plat::ColorPtr& c) { return c ? plat::objectCast<plat::Color>(c->copy()) : nullptr; };
    return initWithUuid(uuid(), m_name, copyOf(m_bkColor), copyOf(m_borderColor));
}

void ZQTextBlockStyle::encodeWithCoder(plat::KeyedArchiver& coder) const
{
    ZQUuidStyle::encodeWithCoder(coder);
    coder.encodeString(QStringLiteral("name"), m_name);
    coder.encodeObject(QStringLiteral("bkColor"), m_bkColor);
    coder.encodeObject(QStringLiteral("borderColor"), m_borderColor);
}

std::shared_ptr<ZQHeadingStyle> ZQHeadingStyle::initWithUuid(const QString& uuid, quint64 level)
{
    return std::shared_ptr<ZQHeadingStyle>(new ZQHeadingStyle(uuid, level));
}

std::shared_ptr<plat::Object> ZQHeadingStyle::copy() const
{
    auto style = initWithUuid(uuid(), m_level);
    style->setHeadingType(m_headingType);
    return style;
}

void ZQHeadingStyle::encodeWithCoder(plat::KeyedArchiver& coder) const
{
    ZQUuidStyle::encodeWithCoder(coder);
    coder.encodeInteger(QStringLiteral("level"), qint64(m_level));
    coder.encodeInteger(QStringLiteral("headingType"), qint64(m_headingType));
}

// --- Quote style ------------------------------------------------------------------

std::shared_ptr<ZQQuoteStyle> ZQQuoteStyle::create()
{
    return std::shared_ptr<ZQQuoteStyle>(new ZQQuoteStyle());
}

std::shared_ptr<plat::Object> ZQQuoteStyle::copy() const
{
    auto style = create();
    style->setIsInvalid(m_isInvalid);
    return style;
}

void ZQQuoteStyle::encodeWithCoder(plat::KeyedArchiver& coder) const
{
    coder.encodeBool(QStringLiteral("isInvalid"), m_isInvalid);
}

// --- Paired marker ------------------------------------------------------------------

std::shared_ptr<ZQPairedAttribute> ZQPairedAttribute::initWithMarker(const QString& marker)
{
    return std::shared_ptr<ZQPairedAttribute>(new ZQPairedAttribute(ZSUtils::uuid(), marker, false));
}

bool ZQPairedAttribute::isPairWith(const ZQPairedAttribute& other) const
{
    return m_uuid == other.m_uuid && m_isClose != other.m_isClose;
}

std::shared_ptr<plat::Object> ZQPairedAttribute::copy() const
{
    return std::shared_ptr<ZQPairedAttribute>(new ZQPairedAttribute(m_uuid, m_marker, true));
}

QString ZQPairedAttribute::description() const
{
    return QStringLiteral("%1 - %2").arg(m_isClose ? QStringLiteral("C") : QStringLiteral("O"), m_marker);
}

void ZQPairedAttribute::encodeWithCoder(plat::KeyedArchiver& coder) const
{
    coder.encodeString(UuidKey, m_uuid);
    coder.encodeString(QStringLiteral("marker"), m_marker);
    coder.encodeBool(QStringLiteral("isClose"), m_isClose);
}
