#pragma once
// ICU regular expressions over UTF-16 text, with the platform's semantics:
// a search "in a range" uses a matcher region with anchoring bounds on and
// transparent bounds off, so ^, $, \A and \z match at the range's bounds.

#include "platform/foundation/Range.h"

#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace plat {

// Compile options (the platform's values).
enum RegexOption : unsigned {
    RegexCaseInsensitive = 1u << 0,
    RegexAllowCommentsAndWhitespace = 1u << 1,
    RegexIgnoreMetacharacters = 1u << 2,
    RegexDotMatchesLineSeparators = 1u << 3,
    RegexAnchorsMatchLines = 1u << 4,
    RegexUseUnixLineSeparators = 1u << 5,
    RegexUseUnicodeWordBoundaries = 1u << 6,
};

// Matching options (the platform's values).
enum MatchingOption : unsigned {
    MatchingAnchored = 1u << 2,            // match only at the start of the range
    MatchingWithTransparentBounds = 1u << 3,
    MatchingWithoutAnchoringBounds = 1u << 4,
};

// One match: range 0 is the whole match, range i group i; a group that did not
// take part has location NotFound.
class TextCheckingResult {
public:
    TextCheckingResult() = default;
    explicit TextCheckingResult(const std::vector<Range>& ranges);

    Range range() const { return m_count == 0 ? Range::notFound() : m_near[0]; }
    Range rangeAtIndex(int i) const;
    int numberOfRanges() const { return m_count; }

    void append(Range range);

private:
    // Patterns have a few groups: their ranges are kept inline, without allocating.
    static constexpr int NearRanges = 6;
    std::array<Range, NearRanges> m_near;
    std::vector<Range> m_far;
    int m_count = 0;
};

class Regex {
public:
    // Compiles the pattern; nullptr (with the ICU message in error) when invalid.
    static std::shared_ptr<const Regex> create(const QString& pattern, unsigned options = 0,
                                               QString* error = nullptr);
    ~Regex();

    const QString& pattern() const { return m_pattern; }
    unsigned options() const { return m_options; }
    int numberOfCaptureGroups() const;

    // Walks the matches inside range; the callback may set *stop.
    void enumerateMatches(const QString& text, Range range, unsigned matchingOptions,
                          const std::function<void(const TextCheckingResult&, bool* stop)>& block) const;
    std::vector<TextCheckingResult> matches(const QString& text, Range range, unsigned matchingOptions = 0) const;
    std::optional<TextCheckingResult> firstMatch(const QString& text, Range range, unsigned matchingOptions = 0) const;
    // The whole match's range, or Range::notFound().
    Range rangeOfFirstMatch(const QString& text, Range range, unsigned matchingOptions = 0) const;
    qsizetype numberOfMatches(const QString& text, Range range, unsigned matchingOptions = 0) const;

    // Replaces every match inside range with the template ("$1" refers to group 1, "\\$" is a dollar).
    QString stringByReplacingMatches(const QString& text, Range range, const QString& templ,
                                     unsigned matchingOptions = 0) const;
    // The template expanded for one match of text.
    QString replacementString(const TextCheckingResult& result, const QString& text, const QString& templ) const;

    // The pattern that matches the text literally.
    static QString escapedPattern(const QString& text);

private:
    // Calls block(result, &stop) for the matches inside range.
    template <typename Block>
    void search(const QString& text, Range range, unsigned matchingOptions, const Block& block) const;

    Regex();
    struct Impl;
    std::unique_ptr<Impl> d;
    QString m_pattern;
    unsigned m_options = 0;
};

// Convenience: all of text.
inline Range wholeRange(const QString& text) { return Range(0, text.size()); }

} // namespace plat
