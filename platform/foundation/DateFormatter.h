#pragma once
// Dates written and read with a fixed pattern ("yyyy-MM-dd HH:mm:ss") in the
// local time zone, as the platform's date formatter does with the current
// locale. Qt's pattern letters agree with the platform's for the patterns used.

#include <QDateTime>
#include <QString>

namespace plat {

class DateFormatter {
public:
    explicit DateFormatter(QString pattern) : m_pattern(std::move(pattern)) {}

    QString stringFromDate(const QDateTime& date) const;
    // An invalid date when the text does not follow the pattern.
    QDateTime dateFromString(const QString& text) const;

private:
    QString m_pattern;
};

} // namespace plat
