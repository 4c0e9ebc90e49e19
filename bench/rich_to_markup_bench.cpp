// Writing a rich page back as markup (200 KB and 2 MB of rich text: the time
// should grow linearly with the size), as a page and as the conversion alone.

#include "BenchPages.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQListStyle.h"
#include "kit/render/ZQRender.h"
#include "platform/text/AttributedString.h"
#include "platform/text/Font.h"

#include <benchmark/benchmark.h>

namespace {

// Rich text of about size characters: headings, styled paragraphs, quotes,
// nested lists, tasks and fenced code, as the rich editor marks them.
plat::MutableAttributedString samplePage(qsizetype size)
{
    const ZQHighlighter& styles = ZQHighlighter::sharedHighlighter();
    const plat::Attributes body = ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Rich);
    plat::Attributes bold = body;
    bold.set(plat::FontAttribute, plat::Value(plat::Font::create(QStringLiteral("Menlo"), 14, true)));
    plat::Attributes italic = body;
    italic.set(plat::FontAttribute, plat::Value(plat::Font::create(QStringLiteral("Menlo"), 14, false, true)));
    const auto outer = ZQListStyle::initWithTextLists({ZQTextList::initWithMarkerFormat(QStringLiteral("{disc}"), 1)});
    const auto inner = ZQListStyle::initWithTextLists({ZQTextList::initWithMarkerFormat(QStringLiteral("{disc}"), 1),
                                                       ZQTextList::initWithMarkerFormat(QStringLiteral("{decimal}."), 1)});

    plat::MutableAttributedString chunk;
    const auto add = [&](const QString& text, const plat::Attributes& attributes) {
        chunk.append(plat::AttributedString(text, attributes));
    };
    add(QStringLiteral("A heading"), styles.headingRich(2, QStringLiteral("h"), 0));
    add(QStringLiteral("\nA paragraph with "), body);
    add(QStringLiteral("strong"), bold);
    add(QStringLiteral(" and "), body);
    add(QStringLiteral("slanted words"), italic);
    add(QStringLiteral(" that runs on\nover a second line.\n\n"), body);
    add(QStringLiteral("> "), styles.quoteRich());
    add(QStringLiteral("A quote\n"), body);
    add(QStringLiteral("> "), styles.quoteRich());
    add(QStringLiteral("that goes on\n\n"), body);
    add(QStringLiteral("\t\u2022\t"), styles.listRich(outer));
    add(QStringLiteral("item\n"), body);
    add(QStringLiteral("\t1.\t"), styles.listRich(inner));
    add(QStringLiteral("inner item\n"), body);
    add(QStringLiteral("\t[x]\t"), styles.taskRich(outer, QStringLiteral("x")));
    add(QStringLiteral("done task\n\n"), body);
    add(QStringLiteral("```"), styles.codeblockRich(QStringLiteral("S"), QStringLiteral("k")));
    add(QStringLiteral("\nint main() { return 0; }\n"), styles.codeblockRich(QStringLiteral("B"), QStringLiteral("k")));
    add(QStringLiteral("```"), styles.codeblockRich(QStringLiteral("E"), QStringLiteral("k")));
    add(QStringLiteral("\n\n"), body);

    plat::MutableAttributedString page;
    while (page.length() < size)
        page.append(chunk);
    return page;
}

// range(1) 0: a page (endings, then styled for the markup editor); 1: the
// conversion alone, as for a block editor's content.
void richToMarkup(benchmark::State& state)
{
    BenchPages::setUpApplication();
    const plat::MutableAttributedString page = samplePage(state.range(0) * 1024);
    const bool conversionOnly = state.range(1) == 1;
    ZQRender render;
    for (auto _ : state) {
        state.PauseTiming();
        plat::MutableAttributedString rich = page;
        state.ResumeTiming();
        plat::MutableAttributedString markup
            = render.renderRichToMarkdown(&rich, conversionOnly, ZQMarkupType::Markdown);
        benchmark::DoNotOptimize(markup);
    }
    state.SetBytesProcessed(state.iterations() * page.length() * 2);
}

} // namespace

BENCHMARK(richToMarkup)->ArgsProduct({{200, 2048}, {0, 1}})->Unit(benchmark::kMillisecond);
