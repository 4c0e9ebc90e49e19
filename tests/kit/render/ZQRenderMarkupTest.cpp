// Markup coloured in place for the markup editor.

#include "kit/model/ZSSettings.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/render/ZQRender.h"
#include "kit/model/ZQRenderContext.h"
#include "platform/text/Color.h"
#include "platform/text/AttributedString.h"
#include "platform/text/TextStorage.h"

#include "support/InstalledSettings.h"
#include "support/QStringPrinting.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <functional>

namespace {

const QString Page = QStringLiteral("# Heading\n"
                                    "\n"
                                    "Some **strong** and *em* text with `code`, a [link](http://u) and \\* escape.\n"
                                    "\n"
                                    "> quoted *words*\n"
                                    "\n"
                                    "- item\n"
                                    "- [ ] task\n"
                                    "\n"
                                    "***\n"
                                    "\n"
                                    "```c\n"
                                    "int x;\n"
                                    "```\n"
                                    "\n"
                                    "<div>\n"
                                    "html\n"
                                    "</div>\n"
                                    "\n"
                                    "Note[^1] and [ref][r].\n"
                                    "\n"
                                    "[^1]: foot *body* `c`\n"
                                    "[r]: http://r \"T\"\n");

plat::Attributes base()
{
    return installedSettings()->defaultTypingAttribute(ZQEditorType::Markup);
}

qsizetype at(const QString& what)
{
    return Page.indexOf(what);
}

// Counts every character whose attributes differ from the base attributes.
qsizetype styledCount(const plat::AttributedString& text, plat::Range range)
{
    qsizetype count = 0;
    for (qsizetype i = range.location; i < range.end(); ++i)
        count += text.attributesAtIndex(i) != base() ? 1 : 0;
    return count;
}

// Records the edits a text storage sees.
class EditCounter : public plat::TextStorage {
public:
    using plat::TextStorage::TextStorage;
    int edits = 0;

protected:
    void edited(unsigned mask, plat::Range range, qsizetype change) override
    {
        ++edits;
        plat::TextStorage::edited(mask, range, change);
    }
};

} // namespace

TEST(ZQRenderMarkup, EveryConstructOfAPageIsColouredAndTheCharactersStay)
{
    installedSettings()->setMarkupType(ZQMarkupType::Markdown);
    ZQRender render;
    plat::MutableAttributedString text{plat::AttributedString(Page)};
    render.highlightMarkdown(text);
    EXPECT_EQ(text.string(), Page);
    EXPECT_EQ(render.renderContext()->renderTargetType(), ZQRenderContext::TargetMarkup);

    const ZQHighlighter& styles = ZQHighlighter::sharedHighlighter();
    // Plain words keep the base attributes.
    EXPECT_EQ(text.attributesAtIndex(at("Some")), base());
    EXPECT_EQ(text.attributesAtIndex(at(" text with")), base());
    // Inline markers and their bodies.
    EXPECT_GT(styledCount(text, plat::Range(at("**strong**"), 10)), 0);
    EXPECT_GT(styledCount(text, plat::Range(at("*em*"), 4)), 0);
    EXPECT_GT(styledCount(text, plat::Range(at("`code`"), 6)), 0);
    EXPECT_EQ(styledCount(text, plat::Range(at("[link](http://u)"), 16)), 16);
    EXPECT_EQ(text.attributesAtIndex(at("\\*")), styles.escapeMarkdown());
    // Inline constructs inside blocks and footnote bodies.
    EXPECT_GT(styledCount(text, plat::Range(at("*words*"), 7)), 0);
    EXPECT_GT(styledCount(text, plat::Range(at("*body*"), 6)), 0);
    EXPECT_GT(styledCount(text, plat::Range(at("`c`"), 3)), 0);
    // Blocks.
    EXPECT_TRUE(text.attributeAtIndex(ZQAttr::FilterQuote, at("> quoted")).isString());
    EXPECT_EQ(text.attributesAtIndex(at("***")), styles.dividerMarkdown());
    EXPECT_GT(styledCount(text, plat::Range(at("<div>"), 5)), 0);
    // Definitions.
    EXPECT_GT(styledCount(text, plat::Range(at("[r]:"), 4)), 0);
    EXPECT_GT(styledCount(text, plat::Range(at("[^1]:"), 5)), 0);
}

TEST(ZQRenderMarkup, RestylingAStyledPageChangesNothing)
{
    for (const ZQMarkupType dialect : {ZQMarkupType::Markdown, ZQMarkupType::QuorvelMarkup}) {
        SCOPED_TRACE(storedValue(dialect));
        installedSettings()->setMarkupType(dialect);
        ZQRender render;
        EditCounter storage{plat::AttributedString(Page)};
        render.highlightMarkdown(storage);
        const plat::AttributedString first(storage);
        const int edits = storage.edits;
        EXPECT_GT(edits, 0);

        render.highlightMarkdown(storage);
        EXPECT_EQ(storage.edits, edits);
        EXPECT_EQ(plat::AttributedString(storage), first);

        // An edit restyles the edited paragraph: the new emphasis is coloured,
        // and the marks elsewhere stay the same marks.
        const qsizetype word = at("Some");
        storage.replaceCharacters(plat::Range(word, 4), QStringLiteral("_New_"));
        const int beforeRestyle = storage.edits;
        render.highlightMarkdown(storage);
        EXPECT_GT(styledCount(storage, plat::Range(word, 5)), 0);
        EXPECT_LT(storage.edits - beforeRestyle, edits / 2);
        for (const char* mark : {"> quoted", "```c", "# Heading"}) {
            SCOPED_TRACE(mark);
            const qsizetype old = at(mark);
            const qsizetype now = old < word ? old : old + 1;
            EXPECT_EQ(storage.attributesAtIndex(now), first.attributesAtIndex(old));
        }
    }
    installedSettings()->setMarkupType(ZQMarkupType::Markdown);
}

TEST(ZQRenderMarkup, RestylingTheRoundTripPagesChangesNothing)
{
    // The data pages, and the shapes that once made fresh marks on every pass.
    std::vector<std::pair<QString, QString>> pages = {
        {QStringLiteral("shapes"), QStringLiteral("a\n\n    indented code\n\n![]() and ![]() and ![a](b.png)\n\n"
                                                  "- x\n\n        code in an item\n")},
    };
    const QDir folder(qEnvironmentVariable("QUORVEL_TEST_DATA") + QStringLiteral("/roundtrip"));
    for (const QString& name : folder.entryList({QStringLiteral("*.md"), QStringLiteral("*.qm")}, QDir::Files)) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        pages.emplace_back(name, QString::fromUtf8(file.readAll()));
    }
    ASSERT_GT(pages.size(), 10u);
    for (const ZQMarkupType dialect : {ZQMarkupType::Markdown, ZQMarkupType::QuorvelMarkup}) {
        installedSettings()->setMarkupType(dialect);
        for (const auto& [name, page] : pages) {
            SCOPED_TRACE(name.toStdString() + (dialect == ZQMarkupType::QuorvelMarkup ? " (Quorvel Markup)" : " (Markdown)"));
            ZQRender render;
            EditCounter storage{plat::AttributedString(page)};
            render.highlightMarkdown(storage);
            const plat::AttributedString first(storage);
            const int edits = storage.edits;
            render.highlightMarkdown(storage);
            EXPECT_EQ(storage.edits, edits);
            // Run by run, so that a failure names the first stretch that changed.
            qsizetype changed = -1;
            first.enumerateAttributes(plat::Range(0, first.length()), 0,
                                      [&](const plat::Attributes& attributes, plat::Range run, bool* stop) {
                                          plat::Range now;
                                          if (storage.attributesAtIndex(run.location, &now) != attributes
                                              || now.end() < run.end()) {
                                              changed = run.location;
                                              *stop = true;
                                          }
                                      });
            EXPECT_EQ(changed, -1) << "restyled from " << changed << ": "
                                   << page.mid(std::max<qsizetype>(changed, 0), 40).toStdString();
        }
    }
    installedSettings()->setMarkupType(ZQMarkupType::Markdown);
}

TEST(ZQRenderMarkup, CodeColoursSurviveAndEmptyTextsStayEmpty)
{
    installedSettings()->setMarkupType(ZQMarkupType::Markdown);
    ZQRender render;
    plat::MutableAttributedString text{plat::AttributedString(Page)};
    render.highlightMarkdown(text);
    // The syntax highlighter coloured "int".
    const plat::Range keyword(at("int"), 3);
    const plat::Value red(plat::Color::rgba(1, 0, 0));
    text.addAttribute(ZQAttr::CodeBlockKeyword, red, keyword);
    text.addAttribute(plat::ForegroundColorAttribute, red, keyword);
    render.highlightMarkdown(text);
    EXPECT_EQ(text.attributeAtIndex(ZQAttr::CodeBlockKeyword, keyword.location), red);
    EXPECT_EQ(text.attributeAtIndex(plat::ForegroundColorAttribute, keyword.location + 2), red);

    plat::MutableAttributedString empty;
    render.highlightMarkdown(empty);
    EXPECT_EQ(empty.length(), 0);
}

// Once the markup editor's text was styled, later stylings look only at the
// blocks around the edits. Whatever the edit, the colours must be those that
// styling the whole edited text gives.

namespace markupafteredits {

using plat::Range;

const QString Page = QStringLiteral(
    "# Title of the page\n\n"
    "First paragraph with a footnote[^a], a [link][ref] and *text*,\nits second line.\n\n"
    "1. one\n2. two\n\n"
    "- loose item\n\n  continued item\n\n- [ ] task one\n- [x] task two\n\n"
    "```swift\nlet x = 1\n\nlet y = 2\n```\n\n"
    "    indented code\n\n    more of it\n\n"
    "> quote line\n> second line\n\n"
    "<div>\nhtml block\n</div>\n\n"
    "Middle paragraph with **strong** and `code`.\n\n"
    "Setext heading\n--------------\n\n"
    "Last paragraph.\n\n"
    "[ref]: https://example.com \"Title\"\n"
    "[^a]: Body a.\n");

struct Edit {
    const char* name;
    std::function<void(plat::TextStorage&)> apply;
};

void insertAt(plat::TextStorage& text, const char* after, const QString& what)
{
    const qsizetype found = text.string().indexOf(QString::fromUtf8(after));
    ASSERT_GE(found, 0) << after;
    text.replaceCharacters(Range(found + qsizetype(strlen(after)), 0), what);
}

void remove(plat::TextStorage& text, const char* what)
{
    const qsizetype found = text.string().indexOf(QString::fromUtf8(what));
    ASSERT_GE(found, 0) << what;
    text.replaceCharacters(Range(found, qsizetype(strlen(what))), QString());
}

// Where the colours, fonts or links of two texts of equal characters first differ.
std::string firstDifference(const plat::AttributedString& typed, const plat::AttributedString& whole)
{
    for (qsizetype i = 0; i < whole.length(); ++i) {
        for (const QString& name : {plat::ForegroundColorAttribute, plat::FontAttribute, plat::LinkAttribute}) {
            if (!(typed.attributeAtIndex(name, i) == whole.attributeAtIndex(name, i)))
                return QStringLiteral("%1 at %2 \"%3\"")
                    .arg(name)
                    .arg(i)
                    .arg(whole.string().mid(std::max<qsizetype>(0, i - 10), 20).replace(u'\n', QStringLiteral("\\n")))
                    .toStdString();
        }
    }
    return {};
}

class MarkupAfterEdits : public ::testing::Test {
protected:
    MarkupAfterEdits() : settings(installedSettings()) { settings->setMarkupType(ZQMarkupType::Markdown); }

    // Styles the page, edits it, styles it again, and compares with styling
    // the edited text whole.
    void expectAsWhole(const std::vector<Edit>& edits)
    {
        ZQRender render;
        auto storage = std::make_shared<plat::TextStorage>();
        storage->replaceCharacters(Range(0, 0), Page);
        render.fixMarkupAttributes(storage);
        for (const Edit& edit : edits) {
            edit.apply(*storage);
            render.fixMarkupAttributes(storage);
        }
        plat::MutableAttributedString whole{plat::AttributedString(storage->string())};
        ZQRender().fixMarkupAttributes(whole);
        ASSERT_EQ(storage->string(), whole.string());
        EXPECT_EQ(firstDifference(*storage, whole), "") << edits.back().name;
    }

    std::shared_ptr<ZSSettings> settings;
};

TEST_F(MarkupAfterEdits, EditsOfEveryConstructStyleAsTheWholeText)
{
    const std::vector<Edit> edits{
        {"emphasis closed", [](auto& t) { insertAt(t, "Middle paragraph", " *now*"); }},
        {"emphasis opened", [](auto& t) { insertAt(t, "Middle paragraph with ", "*"); }},
        {"heading made", [](auto& t) { insertAt(t, "Setext heading\n--------------\n\n", "## "); }},
        {"list item typed", [](auto& t) { insertAt(t, "2. two", "\n3. three"); }},
        {"continuation indented", [](auto& t) { insertAt(t, "- loose item\n\n", "  "); }},
        {"continuation unindented", [](auto& t) { remove(t, "  continued"); }},
        {"code made by indenting", [](auto& t) { insertAt(t, "Last paragraph.\n\n", "    "); }},
        {"fence opened", [](auto& t) { insertAt(t, "Middle paragraph with **strong** and `code`.\n\n", "```\n"); }},
        {"fence opened before a blank line", [](auto& t) { insertAt(t, "# Title of the page\n\n", "~~~\n"); }},
        {"closing fence removed", [](auto& t) { remove(t, "let y = 2\n```"); }},
        {"blank line in a fence", [](auto& t) { insertAt(t, "let x = 1\n", "\n\nplain?\n"); }},
        {"quote joined", [](auto& t) { remove(t, "\n\n<div>"); }},
        {"html block broken", [](auto& t) { insertAt(t, "html block\n", "\n"); }},
        {"reference used", [](auto& t) { insertAt(t, "Last paragraph", " [again][ref]"); }},
        {"reference undefined", [](auto& t) { insertAt(t, "Last paragraph", " [none][nowhere]"); }},
        {"definition typed", [](auto& t) { insertAt(t, "Last paragraph.\n\n", "[nowhere]: /x\n\n"); }},
        {"definition removed whole", [](auto& t) { remove(t, "[ref]: https://example.com \"Title\"\n"); }},
        {"definition label edited", [](auto& t) { insertAt(t, "[^a", "b"); }},
        {"page emptied", [](auto& t) { t.replaceCharacters(Range(0, t.length()), QString()); }},
    };
    for (const Edit& edit : edits)
        expectAsWhole({edit});
}

TEST_F(MarkupAfterEdits, EditsFarApartStyledTogetherAndEveryCharacterTyped)
{
    // Two edits, styled once: an undo is not styled when it happens.
    expectAsWhole({{"two places",
                    [](auto& t) {
                        insertAt(t, "Title", " *a*");
                        insertAt(t, "Last paragraph", " **b**");
                    }}});

    // Every character of the page deleted in turn, and typed again.
    for (qsizetype i = 0; i < Page.size(); ++i) {
        expectAsWhole({{"deleted", [i](auto& t) { t.replaceCharacters(Range(i, 1), QString()); }}});
        expectAsWhole({{"typed", [i](auto& t) { t.replaceCharacters(Range(i, 0), QString(Page.at(i))); }}});
        if (HasFailure())
            FAIL() << "at " << i;
    }
}

} // namespace markupafteredits
