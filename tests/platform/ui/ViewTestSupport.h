#pragma once
// Readable failure messages for Qt strings in the view's tests.
#include <QString>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
