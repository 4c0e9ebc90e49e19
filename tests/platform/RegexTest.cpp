#include "platform/foundation/Regex.h"

#include <gtest/gtest.h>

using plat::Range;
using plat::Regex;

namespace {

std::shared_ptr<const Regex> compile(const char* pattern, unsigned options = 0)
{
    QString error;
    auto regex = Regex::create(QString::fromUtf8(pattern), options, &error);
    EXPECT_TRUE(regex) << pattern << ": " << error.toStdString();
    return regex;
}

std::vector<Range> matchRanges(const Regex& regex, const QString& text, Range range, unsigned options = 0)
{
    std::vector<Range> out;
    for (const auto& m : regex.matches(text, range, options))
        out.push_back(m.range());
    return out;
}

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

} // namespace

// The application's own patterns: ICU syntax that other engines reject.
TEST(Regex, ApplicationPatternsCompile)
{
    const unsigned lines = plat::RegexAnchorsMatchLines, dotAll = plat::RegexDotMatchesLineSeparators;
    const std::vector<std::pair<const char*, unsigned>> patterns = {
        {R"re(^( {0,3})((?:[-+*](?: {1,4}|$))|(?:[0-9]+[.)](?: {1,4}|$)))( *))re", lines},
        {R"re(^( {0,3})(?:(>) ?))re", lines},
        {R"re(^ {0,3}\[([^\[\]]*)\]:)re", lines | dotAll},
        {R"re(^ {0,3}((?:-\s*){3,}|(?:\*\s*){3,}|(?:_\s*){3,}\s*)$)re", lines},
        {R"re(\s*(([-+*]|[0-9]+)[.)]?)\s*)re", 0},
        {R"re(^( {0,3})((?:```+)|(?:~~~+)) *([^`~]*?) *$)re", lines},
        {R"re(^ {0,3}((?:\[([ -x]?)\])(?: {1,4}|$))( *))re", 0},
        {R"re(^ {0,3}</?([a-zA-Z][a-zA-Z0-9]*)(?:\s+|(?:/?>)))re", 0},
        {R"re(^ {0,3}(?:(?:<!)|(?:<\?)))re", 0},
        {R"re(^((\p{Blank}*(```+)\p{Blank}*)([^`\r\n]*))[\r\n]\z)re", lines},
        {R"re(^(>(?:\p{Blank}*>)*)\z)re", lines},
        {R"re(^(\p{Blank}*>(?:\p{Blank}*>)*))re", lines},
        {R"re(^ {0,3}(#{1,6})\p{Blank}\z)re", lines},
        {R"re(^ {0,3}(h([1-6])\.)\p{Blank}+)re", lines},
        {R"re(^( {0,3}(#{1,6})\s+)(.*?)\s*?(?:\s+#+\s*)?$)re", lines},
        {R"re(^( {0,3}(h([1-6])\.)[\p{Blank}]+)(.*?)$)re", lines},
        {R"re(^( {0,3})([-=]+)\s*$)re", lines},
        {R"re(^ {0,3}(\[([ -x]?)\])\z)re", lines},
        {R"re(\*\*([^\p{Space}\*]|(?:[^\p{Space}\*](?:[^\*\r\n]*?)[^\p{Space}\*]))\*\*\z)re", 0},
        {R"re(\A\~\~([^\p{Space}\~]|(?:[^\p{Space}\~](?:[^\~\r\n]*?)[^\p{Space}\~]))\~\~)re", 0},
        {R"re(^[ \t]*((?:[-+*]|(?:[0-9]+[.)]))+)[ \t]\z)re", lines},
        {R"re(((?:[-#*]|(?:[0-9]+[.)])|(?:[iIaA]\.))+)[ \t]\z)re", lines},
        {R"re(\A(\[)(?:[^\[\]]*)(\]))re", 0},
        {R"re((\[)(?:[^\[\]]*)(\])\z)re", 0},
        {"\\t\\p{P}\\t", 0},
        {"\\t\\p{S}\\t", 0},
        {R"re(^\s*[MDCLXVI]+\.\s+)re", 0},
        {R"re(^\s*\p{L}\s+)re", 0},
        {R"re([\s|(]+(0x\w+)[\s|)]+)re", 0},
        {R"re(^ {0,3}[*-] {0,3}(\[([ -x]?)\]))re", 0},
        {R"re(^&(#[0-9]{1,8}|#[xX][a-fA-F0-9]{1,8}|[a-zA-Z0-9]+);)re", 0},
        {R"re(^\s*(?:(?:[^"'=<>` ]+(?=[ |(?:/?>)]))|("|').*?\1))re", dotAll},
        {R"re(^[a-zA-Z0-9.!#$%&'*+\/=?^_`{|}~-]+@[a-zA-Z0-9](?:[a-zA-Z0-9-]{0,61}[a-zA-Z0-9])?(?:\.[a-zA-Z0-9](?:[a-zA-Z0-9-]{0,61}[a-zA-Z0-9])?)*>)re", dotAll},
        {R"re(^--((?:(?!--).)*)-->)re", dotAll},
        {R"re(\[CDATA\[.*?]]>)re", dotAll},
        {R"re(\?.*?\?>)re", dotAll},
        {R"re((?<=\s)x(?<!\p{Blank}y))re", 0},
    };
    for (const auto& [pattern, options] : patterns)
        compile(pattern, options);
}

TEST(Regex, InvalidPatternGivesNullAndMessage)
{
    for (const char* bad : {"(", "[a-", "\\p{NoSuchProperty}", "a{2,1}", "(?<=a+)b"}) {
        QString error;
        EXPECT_EQ(Regex::create(u(bad), 0, &error), nullptr) << bad;
        EXPECT_FALSE(error.isEmpty()) << bad;
    }
    EXPECT_EQ(Regex::create(u("("))  , nullptr); // no error out-parameter needed
}

TEST(Regex, RangeBoundsAnchorAndHideOutside)
{
    struct Case {
        const char* pattern;
        const char* text;
        Range range;
        unsigned matching;
        Range expected;
    };
    const std::vector<Case> cases = {
        {"^a", "ba", {1, 1}, 0, {1, 1}},
        {"\\Aa", "ba", {1, 1}, 0, {1, 1}},
        {"a$", "ab", {0, 1}, 0, {0, 1}},
        {"a\\z", "ab", {0, 1}, 0, {0, 1}},
        {"^a", "ba", {1, 1}, plat::MatchingWithoutAnchoringBounds, Range::notFound()},
        {"a\\z", "ab", {0, 1}, plat::MatchingWithoutAnchoringBounds, Range::notFound()},
        {"(?<=b)a", "ba", {1, 1}, 0, Range::notFound()},
        {"(?<=b)a", "ba", {1, 1}, plat::MatchingWithTransparentBounds, {1, 1}},
        {"a(?=b)", "ab", {0, 1}, 0, Range::notFound()},
        {"\\ba", "ba", {1, 1}, 0, {1, 1}},
        {"b", "abab", {0, 3}, 0, {1, 1}},
        {"b", "abab", {2, 2}, 0, {3, 1}},
        {"b", "abab", {0, 1}, 0, Range::notFound()},
        // Anchored: only a match that starts at the range's start counts.
        {"b", "abab", {1, 3}, plat::MatchingAnchored, {1, 1}},
        {"b", "abab", {0, 4}, plat::MatchingAnchored, Range::notFound()},
    };
    for (const auto& c : cases) {
        auto regex = compile(c.pattern);
        EXPECT_EQ(regex->rangeOfFirstMatch(u(c.text), c.range, c.matching), c.expected)
            << c.pattern << " in " << c.text << " " << plat::toString(c.range).toStdString();
    }
    auto regex = compile("a");
    EXPECT_EQ(regex->numberOfMatches(u("aaa"), Range(0, 3), plat::MatchingAnchored), 1);
    EXPECT_THROW(regex->matches(u("aaa"), Range(2, 2)), plat::RangeError);
}

TEST(Regex, LineTerminatorsForAnchorsAndDot)
{
    // Multi-line ^ matches after every ICU line terminator, CRLF counting as one.
    const QString text = u("x\rx\nx\xE2\x80\xA8x\r\nx\xC2\x85x\x0Bx\x0Cx");
    auto lineStart = compile("^x", plat::RegexAnchorsMatchLines);
    EXPECT_EQ(lineStart->numberOfMatches(text, plat::wholeRange(text)), 8);
    auto lineEnd = compile("x$", plat::RegexAnchorsMatchLines);
    EXPECT_EQ(lineEnd->numberOfMatches(text, plat::wholeRange(text)), 8);
    auto unixLines = compile("^x", plat::RegexAnchorsMatchLines | plat::RegexUseUnixLineSeparators);
    EXPECT_EQ(unixLines->numberOfMatches(text, plat::wholeRange(text)), 3); // start, after LF, after CRLF
    auto notMultiline = compile("^x");
    EXPECT_EQ(notMultiline->numberOfMatches(text, plat::wholeRange(text)), 1);

    auto dot = compile("a.b");
    auto dotAll = compile("a.b", plat::RegexDotMatchesLineSeparators);
    for (const char* terminator : {"\n", "\r", "\x0B", "\x0C", "\xC2\x85", "\xE2\x80\xA8", "\xE2\x80\xA9"}) {
        const QString s = u("a") + u(terminator) + u("b");
        EXPECT_FALSE(dot->firstMatch(s, plat::wholeRange(s))) << int(s[1].unicode());
        EXPECT_TRUE(dotAll->firstMatch(s, plat::wholeRange(s))) << int(s[1].unicode());
    }
    const QString blanks = u("a\xC2\xA0\t b");
    EXPECT_EQ(compile("a\\p{Blank}+b")->rangeOfFirstMatch(blanks, plat::wholeRange(blanks)), Range(0, 5));
}

TEST(Regex, GroupsEmptyMatchesAndUtf16Positions)
{
    auto alternatives = compile("(a)|(b)");
    const auto m = alternatives->firstMatch(u("xb"), Range(0, 2));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->numberOfRanges(), 3);
    EXPECT_EQ(m->rangeAtIndex(1).location, plat::NotFound);
    EXPECT_EQ(m->rangeAtIndex(2), Range(1, 1));
    EXPECT_THROW(m->rangeAtIndex(3), plat::RangeError);
    EXPECT_EQ(alternatives->numberOfCaptureGroups(), 2);

    // Empty matches advance and never split a surrogate pair.
    auto stars = compile("a*");
    EXPECT_EQ(matchRanges(*stars, u("baac"), Range(0, 4)),
              (std::vector<Range>{{0, 0}, {1, 2}, {3, 0}, {4, 0}}));
    const QString astral = u("\xF0\x9F\x98\x80x\xF0\x9F\x98\x80");
    EXPECT_EQ(matchRanges(*compile("y*"), astral, plat::wholeRange(astral)),
              (std::vector<Range>{{0, 0}, {2, 0}, {3, 0}, {5, 0}}));
    EXPECT_EQ(matchRanges(*compile("."), astral, plat::wholeRange(astral)),
              (std::vector<Range>{{0, 2}, {2, 1}, {3, 2}}));
    EXPECT_EQ(compile("x")->rangeOfFirstMatch(astral, plat::wholeRange(astral)), Range(2, 1));

    int calls = 0;
    compile("a")->enumerateMatches(u("aaaa"), Range(0, 4), 0, [&](const plat::TextCheckingResult&, bool* stop) {
        *stop = ++calls == 2;
    });
    EXPECT_EQ(calls, 2);
}

TEST(Regex, OptionsChangeMatching)
{
    struct Case {
        const char* pattern;
        unsigned options;
        const char* text;
        bool matches;
    };
    const std::vector<Case> cases = {
        {"abc", 0, "ABC", false},
        {"abc", plat::RegexCaseInsensitive, "ABC", true},
        {"a.c", plat::RegexIgnoreMetacharacters, "abc", false},
        {"a.c", plat::RegexIgnoreMetacharacters, "xa.c", true},
        {"a b # comment", plat::RegexAllowCommentsAndWhitespace, "ab", true},
        {"a b", 0, "ab", false},
        {"\\s\\d\\w", 0, "\xE3\x80\x80\xD9\xA3\xC3\xA9", true},
    };
    for (const auto& c : cases) {
        const QString text = u(c.text);
        EXPECT_EQ(bool(compile(c.pattern, c.options)->firstMatch(text, plat::wholeRange(text))), c.matches)
            << c.pattern << " / " << c.text;
    }
}

TEST(Regex, TemplateReplacement)
{
    auto regex = compile("(\\w)(\\w)?-");
    struct Case {
        const char* templ;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"[$2$1]", "[ba][c]"}, // the absent group 2 of "c-" expands to nothing
        {"$0$0", "ab-ab-c-c-"},
        {"\\$1\\\\", "$1\\$1\\"},
        {"$12", "a2c2"},        // only one digit names an existing group
        {"$9|$", "|$|$"},      // a group that does not exist expands to nothing
        {"", ""},
    };
    const QString text = u("ab-c-");
    for (const auto& c : cases)
        EXPECT_EQ(regex->stringByReplacingMatches(text, plat::wholeRange(text), u(c.templ)), u(c.expected)) << c.templ;

    auto spaces = compile("\\s+");
    const QString spaced = u("a  b  c");
    EXPECT_EQ(spaces->stringByReplacingMatches(spaced, Range(0, 4), u(" ")), u("a b  c"));
    EXPECT_EQ(spaces->stringByReplacingMatches(u("abc"), Range(0, 3), u("-")), u("abc"));
    EXPECT_EQ(compile("^")->stringByReplacingMatches(u("ab"), Range(0, 2), u(">")), u(">ab"));

    const QString literal = u("a.b*(c)[d]{e}$^|\\+?#-");
    const QString escaped = Regex::escapedPattern(literal);
    EXPECT_EQ(compile(escaped.toUtf8().constData())->rangeOfFirstMatch(u("x") + literal, Range(0, literal.size() + 1)),
              Range(1, literal.size()));
}
