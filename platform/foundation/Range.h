#pragma once
// A run of UTF-16 code units: location and length, as the text model counts them.

#include <QString>
#include <limits>
#include <stdexcept>

namespace plat {

// The "not found" location: the largest signed 64-bit value.
inline constexpr qsizetype NotFound = std::numeric_limits<qsizetype>::max();

// Raised for positions or ranges outside a string; callers that expect it catch it.
class RangeError : public std::out_of_range {
public:
    using std::out_of_range::out_of_range;
};

struct Range {
    qsizetype location = 0;
    qsizetype length = 0;

    constexpr Range() = default;
    constexpr Range(qsizetype loc, qsizetype len) : location(loc), length(len) {}

    static constexpr Range notFound() { return Range(NotFound, 0); }

    constexpr qsizetype end() const { return location + length; }
    constexpr bool isEmpty() const { return length == 0; }
    constexpr bool isNotFound() const { return location == NotFound; }

    // True when loc lies in [location, end).
    constexpr bool contains(qsizetype loc) const { return loc >= location && loc - location < length; }
    // True when other lies inside this range (an empty range at the end counts).
    constexpr bool containsRange(Range other) const
    {
        return other.location >= location && other.end() <= end();
    }

    friend constexpr bool operator==(Range a, Range b) { return a.location == b.location && a.length == b.length; }
    friend constexpr bool operator!=(Range a, Range b) { return !(a == b); }
};

// The overlap of two ranges; (0, 0) when they do not overlap.
Range intersection(Range a, Range b);
// The smallest range covering both.
Range unionRange(Range a, Range b);
// "{location, length}", the platform's textual form.
QString toString(Range r);
// Reads "{a, b}" (or any text with two numbers); (0, 0) when there are none.
Range rangeFromString(const QString& text);

// Throws RangeError unless r lies within a string of the given length.
void checkRange(Range r, qsizetype length, const char* where);

} // namespace plat
