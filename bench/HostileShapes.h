#pragma once
// Hostile pages: shapes that drive a markup engine into its worst paths
// (deep nesting, runs of openers without closers, long runs of one character,
// constructs left unclosed), each generated at any size. The pathological
// benchmark times them; the hang check runs them at 1 MB. Both run the same
// four conversions through these helpers.

#include "kit/render/ZQRender.h"
#include "platform/text/AttributedString.h"

#include <QString>
#include <functional>
#include <vector>

namespace HostileShapes {

enum Conversion : unsigned {
    ToHTML = 1,       // renderMarkupToHTML
    ToRich = 2,       // renderMarkupToRich
    RichToMarkup = 4, // renderRichToMarkdown of the rich result
    Styling = 8,      // highlightMarkdown in place
    AllConversions = ToHTML | ToRich | RichToMarkup | Styling,
};

inline const char* conversionName(Conversion conversion)
{
    switch (conversion) {
    case ToHTML:
        return "html";
    case ToRich:
        return "rich";
    case RichToMarkup:
        return "markup";
    case Styling:
        return "styling";
    default:
        return "?";
    }
}

inline const std::vector<Conversion>& conversions()
{
    static const std::vector<Conversion> all = {ToHTML, ToRich, RichToMarkup, Styling};
    return all;
}

struct Shape {
    const char* name;
    // A page of about size characters.
    std::function<QString(qsizetype size)> page;
    // The conversions that grow faster than linearly on this shape today: the
    // hang check skips them until the parsers are fixed. Clear a bit once the
    // benchmark shows that conversion linear.
    unsigned knownQuadratic = 0;
};

// unit repeated to about size characters.
inline QString repeated(const QString& unit, qsizetype size)
{
    QString page;
    page.reserve(size + unit.size());
    while (page.size() < size)
        page += unit;
    return page;
}

// prefix-unit repeated over half the size, then the suffix unit over the rest.
inline QString halves(const QString& first, const QString& second, qsizetype size, const QString& end = QString())
{
    return repeated(first, size / 2) + repeated(second, size / 2) + end;
}

// Runs of the unit of growing length (1, 2, 3, ... times), each followed by
// the separator, starting over once a run reaches maxRun.
inline QString growingRuns(const QString& unit, const QString& separator, qsizetype size, int maxRun)
{
    QString page;
    page.reserve(size + maxRun * unit.size() + separator.size());
    for (int run = 1; page.size() < size; run = run % maxRun + 1) {
        for (int i = 0; i < run; ++i)
            page += unit;
        page += separator;
    }
    return page;
}

// A staircase: line i indented i times by the step (up to maxDepth, then
// over again), each line holding the text.
inline QString staircase(const QString& step, const QString& text, qsizetype size, int maxDepth)
{
    QString page;
    page.reserve(size + maxDepth * step.size() + text.size());
    for (int depth = 0; page.size() < size; depth = (depth + 1) % maxDepth) {
        for (int i = 0; i < depth; ++i)
            page += step;
        page += text;
    }
    return page;
}

// The same unit with a counter in it, so that labels and footnotes differ.
inline QString numbered(const std::function<QString(int)>& unit, qsizetype size)
{
    QString page;
    for (int i = 0; page.size() < size; ++i)
        page += unit(i);
    return page;
}

inline QString str(const char* text)
{
    return QString::fromUtf8(text);
}

// knownQuadratic below: measured with `pathological_bench --sizes 4,16 --budget 2`
// on a loaded machine: a fourfold input cost over 6 times the time (above
// 1 s per MB), or the 16 KB run would have passed the budget, or it already
// took over 100 s per MB (too slow to finish at 1 MB within the hang check's
// budget). Rerun at the full sizes to clear an entry.
inline const std::vector<Shape>& shapes()
{
    static const std::vector<Shape> all = {
        // --- Containers nested or repeated without end ---
        {"nested-quotes", [](qsizetype n) { return repeated(str("> "), n) + str("a\n"); }, ToHTML | ToRich | RichToMarkup},
        {"quote-markers-then-emphasis", [](qsizetype n) { return halves(str(">"), str("a*"), n, str("\n")); }, ToHTML | ToRich | RichToMarkup},
        {"list-markers-before-word", [](qsizetype n) { return repeated(str("* "), n) + str("a\n"); }, ToHTML | ToRich | RichToMarkup | Styling},
        {"ordered-markers-before-word", [](qsizetype n) { return repeated(str("1. "), n) + str("a\n"); }, ToHTML | ToRich | RichToMarkup | Styling},
        {"quote-list-alternating", [](qsizetype n) { return repeated(str("> - "), n) + str("a\n"); }, ToHTML | ToRich | RichToMarkup},
        {"empty-items-then-blanks", [](qsizetype n) { return halves(str("-\n"), str("\n"), n, str("a\n")); }, ToHTML},
        {"empty-items-then-blanks-in-quote", [](qsizetype n) { return halves(str("> -\n"), str(">\n"), n, str("> a\n")); }, Styling},
        {"list-staircase", [](qsizetype n) { return staircase(str("  "), str("- a\n"), n, 400); }},
        {"quote-staircase", [](qsizetype n) { return staircase(str(">"), str(" a\n"), n, 400); }},
        {"tab-nested-items", [](qsizetype n) { return repeated(str("-\t"), n) + str("a\n"); }, ToHTML | ToRich | RichToMarkup | Styling},
        {"lazy-continuations", [](qsizetype n) { return repeated(str("> a\nb\n"), n); }},
        {"items-with-indented-code", [](qsizetype n) { return repeated(str("- a\n\n      code\n"), n); }, ToHTML | ToRich | RichToMarkup},
        {"many-list-items", [](qsizetype n) { return repeated(str("- item\n"), n); }, ToHTML},
        {"many-tasks", [](qsizetype n) { return repeated(str("- [ ] task\n"), n); }},

        // --- Inline openers without closers, closers without openers ---
        {"link-openers-emphasis-closers", [](qsizetype n) { return repeated(str("[ a_"), n); }, ToHTML | ToRich},
        {"unclosed-images-with-emphasis-and-code", [](qsizetype n) { return repeated(str("![*a* `b` "), n); }, ToHTML | RichToMarkup},
        {"star-underscore", [](qsizetype n) { return repeated(str("*_"), n); }, ToHTML | Styling},
        {"emphasis-openers", [](qsizetype n) { return repeated(str("*a "), n); }, RichToMarkup},
        {"emphasis-closers", [](qsizetype n) { return repeated(str("a* "), n); }},
        {"strong-openers-then-closers", [](qsizetype n) { return halves(str("**a "), str("a** "), n); }, ToRich | Styling},
        {"nested-emphasis", [](qsizetype n) { return halves(str("*"), str("a*"), n); }, ToHTML},
        {"triple-delimiters", [](qsizetype n) { return repeated(str("***a_"), n); }, RichToMarkup},
        {"strike-openers", [](qsizetype n) { return repeated(str("~~a "), n); }, RichToMarkup},
        {"open-brackets", [](qsizetype n) { return repeated(str("["), n) + str("a\n"); }},
        {"close-brackets", [](qsizetype n) { return repeated(str("a]"), n); }},
        {"nested-brackets", [](qsizetype n) { return halves(str("["), str("]"), n, str("(u)\n")); }},
        {"unclosed-inline-links", [](qsizetype n) { return repeated(str("[a](b "), n); }},
        {"unclosed-link-destinations", [](qsizetype n) { return repeated(str("[a](<b"), n); }},
        {"unclosed-link-titles", [](qsizetype n) { return repeated(str("[a](b \"t "), n); }},
        {"bracket-paren-runs", [](qsizetype n) { return repeated(str("]("), n); }},
        {"images-in-links", [](qsizetype n) { return repeated(str("[![a](b)](c) "), n); }, ToHTML},
        {"emphasis-around-links", [](qsizetype n) { return repeated(str("*[a](b)"), n); }, ToRich},

        // --- Code spans, raw HTML, entities, escapes ---
        {"backtick-runs-every-length", [](qsizetype n) { return growingRuns(str("`"), str("a"), n, 1000); }},
        {"unclosed-code-spans", [](qsizetype n) { return repeated(str("`a "), n); }},
        {"angle-runs", [](qsizetype n) { return repeated(str("<"), n) + str("a\n"); }},
        {"unclosed-tags", [](qsizetype n) { return repeated(str("<a href='x "), n); }},
        {"unclosed-comments", [](qsizetype n) { return repeated(str("a <!-- "), n); }},
        {"unclosed-processing", [](qsizetype n) { return repeated(str("<? a <![CDATA[ "), n); }},
        {"unclosed-autolinks", [](qsizetype n) { return repeated(str("<http://a "), n); }},
        {"entity-runs", [](qsizetype n) { return repeated(str("&amp;&#123;&#x1F600;&copy"), n); }, RichToMarkup | Styling},
        {"unfinished-entities", [](qsizetype n) { return repeated(str("&#12345678&"), n); }},
        {"backslash-runs", [](qsizetype n) { return repeated(str("\\*\\"), n); }, RichToMarkup},
        {"html-blocks", [](qsizetype n) { return repeated(str("<div>\na\n\n"), n); }},
        {"html-block-never-closed", [](qsizetype n) { return str("<!--\n") + repeated(str("a -- b\n"), n); }},
        {"nul-characters", [](qsizetype n) { return repeated(QString(QChar(0)) + str("a*"), n); }},

        // --- Lines and blocks ---
        {"table-of-pipes", [](qsizetype n) { return repeated(str("|a|b|\n|-|-|\n"), n); }, ToRich},
        {"pipe-runs", [](qsizetype n) { return repeated(str("|"), n) + str("\n"); }},
        {"tab-runs", [](qsizetype n) { return repeated(str("\t"), n) + str("a\n"); }},
        {"one-long-line", [](qsizetype n) { return repeated(str("word "), n) + str("\n"); }},
        {"hard-breaks", [](qsizetype n) { return repeated(str("a  \n"), n); }},
        {"many-headings", [](qsizetype n) { return repeated(str("# heading\n"), n); }, ToRich},
        {"setext-underlines", [](qsizetype n) { return repeated(str("a\n=\n"), n); }, RichToMarkup},
        {"long-setext-paragraph", [](qsizetype n) { return repeated(str("a\n"), n) + str("---\n"); }, RichToMarkup},
        {"fence-never-closed", [](qsizetype n) { return str("```\n") + repeated(str("code\n"), n); }},
        {"tilde-fences-with-backticks", [](qsizetype n) { return repeated(str("~~~ a`b\nc\n"), n); }},
        {"indented-code", [](qsizetype n) { return repeated(str("    code\n"), n); }},
        {"blank-lines", [](qsizetype n) { return str("a\n") + repeated(str("\n"), n) + str("b\n"); }},
        {"crlf-lines", [](qsizetype n) { return repeated(str("a *b*\r\n"), n); }},

        // --- References and footnotes ---
        // A 128-character target in every use: 32 times the input as output.
        {"long-reference-used-everywhere",
         [](qsizetype n) { return str("[a]: /") + QString(128, QLatin1Char('u')) + str("\n\n") + repeated(str("[a] "), n); }, RichToMarkup},
        {"many-reference-definitions",
         [](qsizetype n) { return numbered([](int i) { return QStringLiteral("[r%1] [r%1]: /u%1\n\n").arg(i); }, n); }},
        {"unused-reference-definitions",
         [](qsizetype n) { return numbered([](int i) { return QStringLiteral("[r%1]: /u\n").arg(i); }, n); }, RichToMarkup},
        {"long-labels", [](qsizetype n) { return repeated(str("[") + QString(990, QLatin1Char('a')) + str("] "), n); }},
        {"many-footnotes",
         [](qsizetype n) { return numbered([](int i) { return QStringLiteral("a[^f%1]\n\n[^f%1]: b\n\n").arg(i); }, n); }, ToHTML | ToRich | RichToMarkup | Styling},
        {"one-footnote-used-everywhere", [](qsizetype n) { return str("[^a]: note\n\n") + repeated(str("x[^a] "), n); }, RichToMarkup},
    };
    return all;
}

// Runs one conversion of the page. rich is the result of ToRich and the input
// of RichToMarkup (which consumes it).
inline qsizetype runConversion(ZQRender& render, Conversion conversion, const QString& page,
                               plat::MutableAttributedString& rich)
{
    const plat::AttributedString markup(page);
    switch (conversion) {
    case ToHTML:
        return render.renderMarkupToHTML(markup, QString(), nullptr).size();
    case ToRich:
        rich = render.renderMarkupToRich(markup);
        return rich.length();
    case RichToMarkup:
        return render.renderRichToMarkdown(&rich).length();
    case Styling: {
        plat::MutableAttributedString styled(markup);
        render.highlightMarkdown(styled);
        return styled.length();
    }
    default:
        return 0;
    }
}

} // namespace HostileShapes
