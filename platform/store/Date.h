#pragma once
// A moment in time as a record value: seconds since 1970-01-01 UTC, kept to
// the millisecond. Stores write it as a REAL column that the sqlite3 command
// line reads with datetime(x, 'unixepoch').

#include "platform/foundation/Object.h"

#include <QDateTime>

namespace plat {

class Date final : public Object {
public:
    static std::shared_ptr<Date> create(const QDateTime& date);
    static std::shared_ptr<Date> fromSeconds(double secondsSince1970);
    // The wall-clock time now.
    static std::shared_ptr<Date> now();

    double secondsSince1970() const { return m_seconds; }
    QDateTime toDateTime() const;

    QString className() const override { return QStringLiteral("Date"); }
    bool isEqual(const Object& other) const override;
    std::size_t hash() const override { return std::hash<double>()(m_seconds); }
    bool supportsCoding() const override { return true; }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    QString description() const override;

private:
    explicit Date(double seconds) : m_seconds(seconds) {}
    double m_seconds;
};

using DatePtr = std::shared_ptr<Date>;

} // namespace plat
