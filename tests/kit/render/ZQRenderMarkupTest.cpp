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

#include <gtest/gtest.h>

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
