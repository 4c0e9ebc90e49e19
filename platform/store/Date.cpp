#include "platform/store/Date.h"

#include "platform/foundation/KeyedArchive.h"

#include <cmath>

namespace plat {

namespace {

[[maybe_unused]] const bool dateRegistered = [] {
    KeyedUnarchiver::registerClass(QStringLiteral("Date"), [](KeyedUnarchiver& c) -> ObjectPtr {
        return Date::fromSeconds(c.decodeDouble(QStringLiteral("time")));
    });
    return true;
}();

} // namespace

std::shared_ptr<Date> Date::create(const QDateTime& date)
{
    return fromSeconds(double(date.toMSecsSinceEpoch()) / 1000.0);
}

std::shared_ptr<Date> Date::fromSeconds(double secondsSince1970)
{
    // Millisecond steps, so a value read back from a file equals the one written.
    return std::shared_ptr<Date>(new Date(std::round(secondsSince1970 * 1000.0) / 1000.0));
}

std::shared_ptr<Date> Date::now()
{
    return create(QDateTime::currentDateTimeUtc());
}

QDateTime Date::toDateTime() const
{
    return QDateTime::fromMSecsSinceEpoch(qint64(std::llround(m_seconds * 1000.0)), Qt::UTC);
}

bool Date::isEqual(const Object& other) const
{
    const auto* o = dynamic_cast<const Date*>(&other);
    return o && o->m_seconds == m_seconds;
}

void Date::encodeWithCoder(KeyedArchiver& coder) const
{
    coder.encodeDouble(QStringLiteral("time"), m_seconds);
}

QString Date::description() const
{
    return toDateTime().toString(Qt::ISODateWithMs);
}

} // namespace plat
