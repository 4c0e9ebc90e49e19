// Once a view's text was repaired, later repairs look only at the constructs
// around the edits. Whatever the edit, the result must be the one a repair of
// the whole text gives.

#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZQListStyle.h"
#include "kit/model/ZQStyles.h"
#include "kit/render/ZQRender.h"
#include "platform/foundation/StringLines.h"
#include "platform/text/TextView.h"

#include "support/InstalledSettings.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

using plat::AttributedString;
using plat::Range;

namespace {

const QString RepairPage = QStringLiteral(
    "# Title of the page\n\n"
    "First paragraph with a footnote[^a] and text,\nits second line.\n\n"
    "1. one\n2. two\n3. three\n\n"
    "1. four\n2. five\n\n"
    "- [ ] task one\n- [x] task two\n\n"
    "```swift\nlet x = 1\n\nlet y = 2\n```\n\n"
    "    indented code\n    more of it\n\n"
    "> quote line\n> second line\n\n"
    "Middle paragraph[^b] here.\n\n"
    "```\nsecond block\n```\n\n"
    "After the second block.\n\nAnd another paragraph.\n\n"
    "Setext heading\n--------------\n\n"
    "* * *\n\n"
    "Last paragraph[^c].\n\n"
    "Closing words.\n\n"
    "[^a]: Body a.\n[^b]: Body b.\n[^c]: Body c.\n");

// A copy whose list styles are objects of its own: the repair changes them in
// place. Styles shared within the text stay shared.
plat::MutableAttributedString ownCopy(const AttributedString& text)
{
    std::map<const plat::Object*, plat::ObjectPtr> copies;
    plat::MutableAttributedString copy(text);
    text.enumerateAttributes(Range(0, text.length()), 0, [&](const plat::Attributes& attributes, Range run, bool*) {
        for (const QString& name : {ZQAttr::FilterList, ZQAttr::FilterTask, ZQAttr::InListIndent}) {
            const auto style = attributes.value(name).toObject<ZQListStyle>();
            if (!style)
                continue;
            plat::ObjectPtr& own = copies[style.get()];
            if (!own)
                own = style->copy();
            copy.addAttribute(name, own, run);
        }
    });
    return copy;
}

// The keys a repair makes up (code blocks, indented blocks, task boxes) named
// by their order of appearance, so that two repairs can be compared.
AttributedString withKeysInOrder(const AttributedString& text)
{
    QHash<QString, QString> names;
    auto named = [&](const QString& key) {
        auto found = names.find(key);
        if (found == names.end())
            found = names.insert(key, QStringLiteral("key-%1").arg(names.size()));
        return *found;
    };
    plat::MutableAttributedString result(text);
    text.enumerateAttributes(Range(0, text.length()), 0, [&](const plat::Attributes& attributes, Range run, bool*) {
        for (const QString& name : {ZQAttr::Raw, ZQAttr::Readonly, ZQAttr::IndentBlock}) {
            const plat::Value value = attributes.value(name);
            if (value.isString())
                result.addAttribute(name, named(value.toString()), run);
        }
        if (const auto block = attributes.value(ZQAttr::TextBlock).toObject<ZQTextBlockStyle>()) {
            const auto renamed = plat::objectCast<ZQTextBlockStyle>(block->copy());
            renamed->setUuid(named(block->uuid()));
            result.addAttribute(ZQAttr::TextBlock, renamed, run);
        }
    });
    return result;
}

// Where two texts of equal characters first differ in attributes, and how.
std::string firstDifference(const AttributedString& a, const AttributedString& b)
{
    for (qsizetype i = 0; i < a.length(); ++i) {
        const plat::Attributes x = a.attributesAtIndex(i);
        const plat::Attributes y = b.attributesAtIndex(i);
        if (x == y)
            continue;
        QStringList names;
        for (const auto& [name, value] : x) {
            if (!(y.value(name) == value))
                names << name;
        }
        for (const auto& [name, value] : y) {
            if (!x.contains(name))
                names << name + QStringLiteral(" (only after a whole repair)");
        }
        return QStringLiteral("at %1 \"%2\": %3")
            .arg(i)
            .arg(a.string().mid(std::max<qsizetype>(0, i - 10), 20).replace(u'\n', QStringLiteral("\\n")))
            .arg(names.join(QStringLiteral(", ")))
            .toStdString();
    }
    return {};
}

qsizetype at(const plat::TextStorage& text, const char* snippet)
{
    const qsizetype found = text.string().indexOf(QString::fromUtf8(snippet));
    EXPECT_GE(found, 0) << snippet;
    return std::max<qsizetype>(found, 0);
}

// The whole line holding the snippet.
Range lineOf(const plat::TextStorage& text, const char* snippet)
{
    return plat::lineRangeForRange(text.string(), Range(at(text, snippet), 0));
}

struct Edit {
    const char* name;
    std::function<void(plat::TextStorage&)> apply;
};

class RepairAfterEdits : public ::testing::Test {
protected:
    RepairAfterEdits() : settings(installedSettings())
    {
        const plat::MutableAttributedString rich
            = ZQRender().renderMarkupToRich(AttributedString(RepairPage), false, ZQMarkupType::Markdown);
        for (plat::TextView* view : {&followed, &whole}) {
            view->setEditorType(storedValue(ZQEditorType::Rich));
            view->textStorage()->setAttributedString(ownCopy(rich));
        }
        render.fixRichAttributes(followed);
    }

    // The edit on both views, the caret where it ends; then the followed view
    // is repaired after its edits, the other one as a whole.
    void expectSameRepair(const Edit& edit, qsizetype caretFromEnd = -1)
    {
        SCOPED_TRACE(edit.name);
        // What the last repair changed itself is looked at once more; then
        // only the edit is left to look at.
        render.fixRichAttributes(followed);
        ZQRender().fixRichAttributes(whole);
        for (plat::TextView* view : {&followed, &whole}) {
            edit.apply(*view->textStorage());
            const qsizetype length = view->textStorage()->length();
            view->setSelectedRange(Range(caretFromEnd < 0 ? 0 : length - caretFromEnd, 0));
        }
        render.fixRichAttributes(followed);
        ZQRender().fixRichAttributes(whole);
        ASSERT_EQ(followed.string().toStdString(), whole.string().toStdString());
        const AttributedString repaired = withKeysInOrder(*followed.textStorage());
        const AttributedString expected = withKeysInOrder(*whole.textStorage());
        EXPECT_TRUE(repaired == expected) << firstDifference(repaired, expected);
        EXPECT_EQ(followed.selectedRange(), whole.selectedRange());
        EXPECT_TRUE(followed.typingAttributes() == whole.typingAttributes());
    }

    std::shared_ptr<ZSSettings> settings;
    ZQRender render;
    plat::TextView followed;
    plat::TextView whole;
};

TEST_F(RepairAfterEdits, EditsOfEveryConstructRepairAsTheWholeText)
{
    const plat::AttributedString plainLetter(QStringLiteral("x"), settings->defaultTypingAttribute(ZQEditorType::Rich));
    const Edit edits[] = {
        {"a letter in a paragraph", [&](plat::TextStorage& t) { t.insert(plainLetter, at(t, " here.")); }},
        {"a footnote reference deleted renumbers those after it", [](plat::TextStorage& t) {
             Range reference;
             t.attributeAtIndexLongestEffectiveRange(ZQAttr::MacroFootnote, at(t, "[1]"), &reference,
                                                     Range(0, t.length()));
             t.deleteCharacters(reference);
         }},
        {"a footnote reference copied before the others", [](plat::TextStorage& t) {
             const qsizetype second = at(t, "[2]");
             t.insert(t.attributedSubstring(Range(second, 3)), at(t, "First paragraph"));
         }},
        {"a deleted list item renumbers the rest", [](plat::TextStorage& t) { t.deleteCharacters(lineOf(t, "one")); }},
        {"the blank line of a loose list", [](plat::TextStorage& t) {
             t.deleteCharacters(Range(at(t, "three\n\t\n") + 6, 2));
         }},
        {"a tab typed before a list item nests it", [](plat::TextStorage& t) {
             t.insert(AttributedString(QStringLiteral("\t")), lineOf(t, "two").location);
         }},
        {"a line break in a heading", [](plat::TextStorage& t) {
             t.insert(AttributedString(QStringLiteral("\n")), at(t, "of the page"));
         }},
        {"a paragraph joined to a quote", [](plat::TextStorage& t) {
             t.deleteCharacters(Range(at(t, "Middle paragraph") - 1, 1));
         }},
        {"a letter in a code block", [&](plat::TextStorage& t) { t.insert(plainLetter, at(t, "let y")); }},
        {"a paragraph indented into code", [](plat::TextStorage& t) {
             t.insert(AttributedString(QStringLiteral("    ")), at(t, "Last paragraph"));
         }},
        {"the blank line before indented code", [](plat::TextStorage& t) {
             t.deleteCharacters(Range(at(t, "    indented") - 1, 1));
         }},
        {"edits far apart before one repair", [&](plat::TextStorage& t) {
             t.insert(plainLetter, at(t, "Closing"));
             t.insert(AttributedString(QStringLiteral("\t")), lineOf(t, "five").location);
             t.deleteCharacters(Range(at(t, "Title"), 3));
         }},
        {"a closing fence removed opens the block to the end", [](plat::TextStorage& t) {
             t.deleteCharacters(plat::lineRangeForRange(t.string(), Range(at(t, "= 2\n```") + 4, 0)));
         }},
        {"a closing fence removed takes in the paragraphs after it", [](plat::TextStorage& t) {
             t.deleteCharacters(plat::lineRangeForRange(t.string(), Range(at(t, "second block\n") + 13, 0)));
         }},
        {"an opening fence removed leaves plain lines", [](plat::TextStorage& t) {
             t.deleteCharacters(lineOf(t, "```swift"));
         }},
    };
    for (const Edit& edit : edits)
        expectSameRepair(edit);
    // The caret at the end, far from the edit.
    expectSameRepair(edits[0], 0);
}

TEST_F(RepairAfterEdits, RepairWithoutEditsChangesNothing)
{
    const AttributedString before = *followed.textStorage();
    render.fixRichAttributes(followed);
    EXPECT_TRUE(AttributedString(*followed.textStorage()) == before);
}

} // namespace
