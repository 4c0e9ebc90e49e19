#include "platform/foundation/Regex.h"
#include "platform/foundation/IcuAlias.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <atomic>

namespace plat {

struct Regex::Impl {
    std::unique_ptr<icu::RegexPattern> pattern; // immutable after compiling; shared by all matchers
    // One matcher kept for reuse: a fresh matcher regrows its backtracking stack on
    // every search, which costs more than the search itself on short lines. Whoever
    // finds it free takes it; a concurrent or nested search makes its own.
    std::unique_ptr<icu::RegexMatcher> spareMatcher;
    std::atomic<bool> spareInUse{false};
};

namespace {

uint32_t icuFlags(unsigned options)
{
    uint32_t flags = 0;
    if (options & RegexCaseInsensitive) flags |= UREGEX_CASE_INSENSITIVE;
    if (options & RegexAllowCommentsAndWhitespace) flags |= UREGEX_COMMENTS;
    if (options & RegexIgnoreMetacharacters) flags |= UREGEX_LITERAL;
    if (options & RegexDotMatchesLineSeparators) flags |= UREGEX_DOTALL;
    if (options & RegexAnchorsMatchLines) flags |= UREGEX_MULTILINE;
    if (options & RegexUseUnixLineSeparators) flags |= UREGEX_UNIX_LINES;
    if (options & RegexUseUnicodeWordBoundaries) flags |= UREGEX_UWORD;
    return flags;
}

// Ranges in the text from a matcher whose input begins at offset.
void readResult(const icu::RegexMatcher& matcher, qsizetype offset, TextCheckingResult& result)
{
    UErrorCode status = U_ZERO_ERROR;
    const int32_t groups = matcher.groupCount();
    result = TextCheckingResult();
    for (int32_t i = 0; i <= groups; ++i) {
        const int64_t start = matcher.start64(i, status);
        const int64_t end = matcher.end64(i, status);
        result.append(start < 0 ? Range::notFound() : Range(offset + qsizetype(start), qsizetype(end - start)));
    }
}

} // namespace

TextCheckingResult::TextCheckingResult(const std::vector<Range>& ranges)
{
    for (const Range& range : ranges)
        append(range);
}

void TextCheckingResult::append(Range range)
{
    if (m_count < NearRanges)
        m_near[size_t(m_count)] = range;
    else
        m_far.push_back(range);
    ++m_count;
}

Range TextCheckingResult::rangeAtIndex(int i) const
{
    if (i < 0 || i >= numberOfRanges())
        throw RangeError("TextCheckingResult::rangeAtIndex: no such group");
    return i < NearRanges ? m_near[size_t(i)] : m_far[size_t(i - NearRanges)];
}

Regex::Regex() : d(std::make_unique<Impl>()) {}
Regex::~Regex() = default;

std::shared_ptr<const Regex> Regex::create(const QString& pattern, unsigned options, QString* error)
{
    UParseError parseError{};
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(aliasOf(pattern), icuFlags(options), parseError, status));
    if (U_FAILURE(status) || !compiled) {
        if (error) {
            *error = QStringLiteral("Invalid regular expression \"%1\": %2 at offset %3")
                         .arg(pattern, QString::fromLatin1(u_errorName(status)))
                         .arg(parseError.offset);
        }
        return nullptr;
    }
    std::shared_ptr<Regex> regex(new Regex());
    regex->d->pattern = std::move(compiled);
    regex->m_pattern = pattern;
    regex->m_options = options;
    return regex;
}

int Regex::numberOfCaptureGroups() const
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(d->pattern->matcher(status));
    return U_SUCCESS(status) ? int(matcher->groupCount()) : 0;
}

template <typename Block>
void Regex::search(const QString& text, Range range, unsigned matchingOptions, const Block& block) const
{
    checkRange(range, text.size(), "Regex::enumerateMatches");
    if (text.size() > std::numeric_limits<int32_t>::max())
        throw RangeError("Regex::enumerateMatches: text too long for ICU");
    // With opaque, anchoring bounds (the default) the matcher reads only the range: ICU's
    // look-behind would otherwise see text before a region. The alias reads the QString's
    // buffer in place and must outlive the matcher.
    const bool onlyRange = (matchingOptions & (MatchingWithTransparentBounds | MatchingWithoutAnchoringBounds)) == 0;
    const icu::UnicodeString input = onlyRange ? aliasOf(text, range) : aliasOf(text);
    const qsizetype offset = onlyRange ? range.location : 0;
    UErrorCode status = U_ZERO_ERROR;
    bool free = false;
    const bool reuse = d->spareInUse.compare_exchange_strong(free, true, std::memory_order_acquire);
    struct Release {
        std::atomic<bool>* flag;
        ~Release()
        {
            if (flag)
                flag->store(false, std::memory_order_release);
        }
    } release{reuse ? &d->spareInUse : nullptr};
    std::unique_ptr<icu::RegexMatcher> own;
    icu::RegexMatcher* matcher = nullptr;
    if (reuse && d->spareMatcher) {
        matcher = d->spareMatcher.get();
        matcher->reset(input);
    } else {
        own.reset(d->pattern->matcher(input, status));
        if (U_FAILURE(status))
            return;
        matcher = own.get();
    }
    matcher->useAnchoringBounds((matchingOptions & MatchingWithoutAnchoringBounds) == 0);
    matcher->useTransparentBounds((matchingOptions & MatchingWithTransparentBounds) != 0);
    if (!onlyRange)
        matcher->region(int64_t(range.location), int64_t(range.end()), status);
    if (U_FAILURE(status))
        return;
    // The spare matcher keeps its input until its next use resets it: nothing reads
    // the input in between, and closing it never touches the text.
    if (reuse && !d->spareMatcher)
        d->spareMatcher = std::move(own);

    bool stop = false;
    TextCheckingResult result;
    if (matchingOptions & MatchingAnchored) {
        if (matcher->lookingAt(status) && U_SUCCESS(status)) {
            readResult(*matcher, offset, result);
            block(result, &stop);
        }
        return;
    }
    // find() itself steps past an empty match, so the loop always advances.
    while (!stop && matcher->find(status) && U_SUCCESS(status)) {
        readResult(*matcher, offset, result);
        block(result, &stop);
    }
}

void Regex::enumerateMatches(const QString& text, Range range, unsigned matchingOptions,
                             const std::function<void(const TextCheckingResult&, bool* stop)>& block) const
{
    search(text, range, matchingOptions, block);
}

std::vector<TextCheckingResult> Regex::matches(const QString& text, Range range, unsigned matchingOptions) const
{
    std::vector<TextCheckingResult> all;
    search(text, range, matchingOptions, [&](const TextCheckingResult& r, bool*) { all.push_back(r); });
    return all;
}

std::optional<TextCheckingResult> Regex::firstMatch(const QString& text, Range range,
                                                    unsigned matchingOptions) const
{
    std::optional<TextCheckingResult> first;
    search(text, range, matchingOptions, [&](const TextCheckingResult& r, bool* stop) {
        first = r;
        *stop = true;
    });
    return first;
}

Range Regex::rangeOfFirstMatch(const QString& text, Range range, unsigned matchingOptions) const
{
    Range first = Range::notFound();
    search(text, range, matchingOptions, [&](const TextCheckingResult& r, bool* stop) {
        first = r.range();
        *stop = true;
    });
    return first;
}

qsizetype Regex::numberOfMatches(const QString& text, Range range, unsigned matchingOptions) const
{
    qsizetype count = 0;
    search(text, range, matchingOptions, [&](const TextCheckingResult&, bool*) { ++count; });
    return count;
}

QString Regex::stringByReplacingMatches(const QString& text, Range range, const QString& templ,
                                        unsigned matchingOptions) const
{
    QString out;
    qsizetype copied = 0;
    bool replaced = false;
    search(text, range, matchingOptions, [&](const TextCheckingResult& r, bool*) {
        out += QStringView(text).mid(copied, r.range().location - copied);
        out += replacementString(r, text, templ);
        copied = r.range().end();
        replaced = true;
    });
    if (!replaced)
        return text;
    out += QStringView(text).mid(copied);
    return out;
}

QString Regex::replacementString(const TextCheckingResult& result, const QString& text, const QString& templ) const
{
    // "$n" takes as many digits as still name an existing group; "\" makes the next character literal.
    const int groups = result.numberOfRanges() - 1;
    const auto digitAt = [&](qsizetype i) {
        return i < templ.size() && templ[i] >= u'0' && templ[i] <= u'9' ? templ[i].unicode() - u'0' : -1;
    };
    QString out;
    out.reserve(templ.size());
    for (qsizetype i = 0; i < templ.size(); ++i) {
        const QChar c = templ[i];
        if (c == u'\\' && i + 1 < templ.size()) {
            out += templ[++i];
            continue;
        }
        if (c != u'$' || digitAt(i + 1) < 0) {
            out += c;
            continue;
        }
        int group = digitAt(++i);
        while (digitAt(i + 1) >= 0) {
            const int longer = group * 10 + digitAt(i + 1);
            if (longer > groups)
                break;
            group = longer;
            ++i;
        }
        if (group <= groups) {
            const Range r = result.rangeAtIndex(group);
            if (!r.isNotFound())
                out += QStringView(text).mid(r.location, r.length);
        }
    }
    return out;
}

QString Regex::escapedPattern(const QString& text)
{
    static const QString special = QStringLiteral("\\^$.|?*+()[]{}#-");
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (special.contains(c))
            out += u'\\';
        out += c;
    }
    return out;
}

} // namespace plat
