#include "platform/foundation/DateFormatter.h"

namespace plat {

QString DateFormatter::stringFromDate(const QDateTime& date) const
{
    if (!date.isValid())
        return QString();
    return date.toLocalTime().toString(m_pattern);
}

QDateTime DateFormatter::dateFromString(const QString& text) const
{
    QDateTime date = QDateTime::fromString(text, m_pattern);
    if (date.isValid())
        date.setTimeSpec(Qt::LocalTime);
    return date;
}

} // namespace plat
