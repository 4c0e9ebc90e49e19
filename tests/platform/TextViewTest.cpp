#include "platform/text/TextView.h"

#include "platform/foundation/UndoManager.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace plat;

namespace {

const QString Style = QStringLiteral("style");

std::shared_ptr<TextStorage> storageABCD()
{
    auto storage = std::make_shared<TextStorage>(AttributedString(QStringLiteral("ab"), Attributes{{Style, "A"}}));
    storage->append(AttributedString(QStringLiteral("cd"), Attributes{{Style, "B"}}));
    return storage;
}

class GuardedView : public TextView {
public:
    using TextView::TextView;
    bool shouldChangeText(Range range, const QString& replacement) override
    {
        asked.emplace_back(range, replacement);
        return !replacement.contains(u'!');
    }
    std::vector<std::pair<Range, QString>> asked;
};

} // namespace

TEST(TextView, TypingAttributesFollowTheSelection)
{
    struct Case {
        Range selection;
        const char* style;
    } cases[] = {
        {{0, 0}, "A"}, // at the start: the first character
        {{2, 0}, "A"}, // the character before the caret
        {{3, 0}, "B"},
        {{4, 0}, "B"},
        {{2, 2}, "B"}, // a selection: its first character
    };
    TextView view(storageABCD());
    for (const Case& c : cases) {
        view.setSelectedRange(c.selection, SelectionAffinity::Upstream);
        EXPECT_EQ(view.selectedRange(), c.selection);
        EXPECT_EQ(view.selectionAffinity(), SelectionAffinity::Upstream);
        EXPECT_EQ(view.typingAttributes().value(Style), Value(c.style)) << c.selection.location;
    }
    view.setTypingAttributes(Attributes{{Style, "C"}});
    EXPECT_EQ(view.typingAttributes().value(Style), Value("C"));
    EXPECT_THROW(view.setSelectedRange(Range(3, 2)), RangeError);

    // An empty text keeps whatever typing attributes were set.
    TextView empty;
    empty.setTypingAttributes(Attributes{{Style, "C"}});
    empty.setSelectedRange(Range(0, 0));
    EXPECT_EQ(empty.typingAttributes().value(Style), Value("C"));
}

TEST(TextView, InsertTextReplacesTheSelectionInTypingAttributes)
{
    GuardedView view(storageABCD());
    int changes = 0;
    int processed = 0;
    view.addTextDidChangeObserver([&](TextView&) { ++changes; });
    view.textStorage()->addObserver([&](TextStorage&, TextStorage::Phase phase) {
        processed += phase == TextStorage::Phase::DidProcessEditing;
    });

    view.setSelectedRange(Range(1, 2));
    view.setTypingAttributes(Attributes{{Style, "C"}});
    view.insertText(QStringLiteral("xyz"));
    EXPECT_EQ(view.string(), QStringLiteral("axyzd"));
    EXPECT_EQ(view.selectedRange(), Range(4, 0));
    EXPECT_EQ(view.textStorage()->attributeAtIndex(Style, 2), Value("C"));
    EXPECT_EQ(view.typingAttributes().value(Style), Value("C"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(processed, 1);

    view.insertText(QStringLiteral("!"));
    EXPECT_EQ(view.string(), QStringLiteral("axyzd"));
    EXPECT_EQ(changes, 1);
    ASSERT_EQ(view.asked.size(), 2u);
    EXPECT_EQ(view.asked[0], std::make_pair(Range(1, 2), QStringLiteral("xyz")));
    EXPECT_EQ(view.asked[1].first, Range(4, 0));
}

TEST(TextView, SelectionStaysOnItsTextWhenTheStorageChanges)
{
    struct Case {
        Range edit;
        const char* replacement;
        Range selectionAfter;
    } cases[] = {
        {{0, 1}, "", {1, 2}},    // before the selection: it moves back
        {{0, 0}, "zz", {4, 2}},  // insertion before: it moves on
        {{4, 1}, "", {2, 2}},    // after it: unchanged
        {{1, 3}, "", {1, 0}},    // deleting the selected text collapses it
        {{3, 2}, "q", {2, 2}},   // the end inside the change goes to the change's end
        {{0, 5}, "", {0, 0}},    // everything deleted
    };
    for (const Case& c : cases) {
        TextView view(std::make_shared<TextStorage>(AttributedString(QStringLiteral("abcde"))));
        view.setSelectedRange(Range(2, 2));
        view.textStorage()->replaceCharacters(c.edit, QString::fromLatin1(c.replacement));
        EXPECT_EQ(view.selectedRange(), c.selectionAfter) << c.edit.location << "," << c.edit.length;
    }
}

TEST(TextView, AnotherStorageTakesOverAndTheOldOneIsLetGo)
{
    auto first = storageABCD();
    TextView view(first);
    view.setSelectedRange(Range(3, 1));
    auto second = std::make_shared<TextStorage>(AttributedString(QStringLiteral("xyz")));
    view.setTextStorage(second);
    EXPECT_EQ(view.textStorage(), second);
    EXPECT_EQ(view.selectedRange(), Range(0, 0));
    EXPECT_TRUE(view.typingAttributes().isEmpty());
    // Edits of the storage shown before no longer move the selection.
    view.setSelectedRange(Range(2, 1));
    first->replaceCharacters(Range(0, 0), QStringLiteral("0123"));
    EXPECT_EQ(view.selectedRange(), Range(2, 1));
    second->replaceCharacters(Range(0, 0), QStringLiteral("w"));
    EXPECT_EQ(view.selectedRange(), Range(3, 1));
}

TEST(TextView, BlockEditorRequestsGoToTheEditorsHandler)
{
    TextView view(storageABCD());
    // Without an editor nothing opens.
    view.openEditorBlockForMacro(QStringLiteral("ZQMacroFootnote"), QStringLiteral("K"), Range(1, 2), nullptr);

    std::vector<std::tuple<QString, QString, Range, ObjectPtr>> opened;
    view.setEditorBlockHandler([&](const QString& macro, const QString& key, Range range, const ObjectPtr& storage) {
        opened.emplace_back(macro, key, range, storage);
    });
    const ObjectPtr storage = std::make_shared<UndoManager>();
    view.openEditorBlockForMacro(QStringLiteral("ZQMacroImage"), QStringLiteral("U"), Range(2, 1), storage);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(std::get<0>(opened[0]), QStringLiteral("ZQMacroImage"));
    EXPECT_EQ(std::get<1>(opened[0]), QStringLiteral("U"));
    EXPECT_EQ(std::get<2>(opened[0]), Range(2, 1));
    EXPECT_EQ(std::get<3>(opened[0]), storage);
}

TEST(TextView, PageTitleRequestsGoToTheEditorsHandler)
{
    TextView view(storageABCD());
    view.updatePageTitle(Range(0, 1)); // without an editor nothing happens
    std::vector<Range> asked;
    view.setPageTitleHandler([&](Range range) { asked.push_back(range); });
    view.updatePageTitle(Range(2, 0));
    EXPECT_EQ(asked, std::vector<Range>{Range(2, 0)});
}
