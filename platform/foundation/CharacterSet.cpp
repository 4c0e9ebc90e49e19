#include "platform/foundation/CharacterSet.h"
#include "platform/foundation/IcuAlias.h"

#include <unicode/uniset.h>
#include <unicode/unistr.h>

namespace plat {

struct CharacterSet::Impl {
    icu::UnicodeSet set; // frozen: contains() uses ICU's BMP lookup tables

    explicit Impl(const icu::UnicodeSet& s) : set(s) { set.freeze(); }
};

namespace {

// A modifiable copy (copies of a frozen set stay frozen).
std::unique_ptr<icu::UnicodeSet> thawed(const icu::UnicodeSet& set)
{
    return std::unique_ptr<icu::UnicodeSet>(set.cloneAsThawed());
}

} // namespace

CharacterSet::CharacterSet()
{
    static const auto empty = std::make_shared<const Impl>(icu::UnicodeSet());
    d = empty;
}
CharacterSet::CharacterSet(std::shared_ptr<const Impl> impl) : d(std::move(impl)) {}
CharacterSet::CharacterSet(const CharacterSet&) = default;
CharacterSet& CharacterSet::operator=(const CharacterSet&) = default;
CharacterSet::CharacterSet(CharacterSet&&) noexcept = default;
CharacterSet& CharacterSet::operator=(CharacterSet&&) noexcept = default;
CharacterSet::~CharacterSet() = default;

const CharacterSet& CharacterSet::whitespace()
{
    static const CharacterSet set = fromPattern(QStringLiteral("[\\p{Zs}\\u0009]"));
    return set;
}

const CharacterSet& CharacterSet::newline()
{
    static const CharacterSet set = fromPattern(QStringLiteral("[\\u000A-\\u000D\\u0085\\u2028\\u2029]"));
    return set;
}

const CharacterSet& CharacterSet::whitespaceAndNewline()
{
    static const CharacterSet set = fromPattern(QStringLiteral("[\\p{Zs}\\u0009\\u000A-\\u000D\\u0085\\u2028\\u2029]"));
    return set;
}

const CharacterSet& CharacterSet::punctuation()
{
    static const CharacterSet set = fromPattern(QStringLiteral("[\\p{P}]"));
    return set;
}

const CharacterSet& CharacterSet::decimalDigits()
{
    static const CharacterSet set = fromPattern(QStringLiteral("[\\p{Nd}]"));
    return set;
}

const CharacterSet& CharacterSet::letters()
{
    static const CharacterSet set = fromPattern(QStringLiteral("[\\p{L}\\p{M}]"));
    return set;
}

const CharacterSet& CharacterSet::alphanumerics()
{
    static const CharacterSet set = fromPattern(QStringLiteral("[\\p{L}\\p{M}\\p{N}]"));
    return set;
}

CharacterSet CharacterSet::fromString(const QString& characters)
{
    icu::UnicodeSet set;
    set.addAll(aliasOf(characters));
    return CharacterSet(std::make_shared<const Impl>(set));
}

CharacterSet CharacterSet::fromPattern(const QString& icuPattern)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeSet set(aliasOf(icuPattern), status);
    if (U_FAILURE(status))
        return CharacterSet();
    return CharacterSet(std::make_shared<const Impl>(set));
}

bool CharacterSet::contains(char32_t codePoint) const
{
    return d->set.contains(UChar32(codePoint));
}

CharacterSet CharacterSet::inverted() const
{
    auto set = thawed(d->set);
    set->complement();
    return CharacterSet(std::make_shared<const Impl>(*set));
}

CharacterSet CharacterSet::united(const CharacterSet& other) const
{
    auto set = thawed(d->set);
    set->addAll(other.d->set);
    return CharacterSet(std::make_shared<const Impl>(*set));
}

} // namespace plat
