#pragma once
// Test text with characters outside Latin-1, written as UTF-16 literals.

#include <QString>

inline QString S(const char16_t* text)
{
    return QString::fromUtf16(text);
}
