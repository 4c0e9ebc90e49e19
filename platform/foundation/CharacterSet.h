#pragma once
// Character sets as the platform defines them (not QChar's notions):
// whitespace = Zs + TAB; newline = U+000A-000D, U+0085, U+2028, U+2029.

#include <QString>
#include <memory>

namespace plat {

class CharacterSet {
public:
    static const CharacterSet& whitespace();
    static const CharacterSet& newline();
    static const CharacterSet& whitespaceAndNewline();
    static const CharacterSet& punctuation();   // Unicode P categories
    static const CharacterSet& decimalDigits(); // Nd
    static const CharacterSet& letters();       // L and M categories
    static const CharacterSet& alphanumerics(); // L, M and N categories

    // A set of exactly the characters of the string (code points).
    static CharacterSet fromString(const QString& characters);
    // A set from an ICU set pattern such as "[a-z]" or "[:Zs:]"; empty when invalid.
    static CharacterSet fromPattern(const QString& icuPattern);

    CharacterSet();
    CharacterSet(const CharacterSet&);
    CharacterSet& operator=(const CharacterSet&);
    CharacterSet(CharacterSet&&) noexcept;
    CharacterSet& operator=(CharacterSet&&) noexcept;
    ~CharacterSet();

    bool contains(char32_t codePoint) const;
    bool contains(QChar c) const { return contains(char32_t(c.unicode())); }

    CharacterSet inverted() const;
    CharacterSet united(const CharacterSet& other) const;

private:
    struct Impl;
    std::shared_ptr<const Impl> d;
    explicit CharacterSet(std::shared_ptr<const Impl> impl);
};

} // namespace plat
