#include "kit/model/ZSAbstractTextView.h"
#include "kit/model/ZQEditorTypes.h"

#include "kit/foundation/Exs.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQStyles.h"
#include "support/InstalledSettings.h"

#include <gtest/gtest.h>

namespace {

using plat::Range;

std::shared_ptr<ZQTextBlockStyle> blockStyle(const QString& name, const QString& uuid = QStringLiteral("u1"))
{
    return ZQTextBlockStyle::initWithUuid(uuid, name, nullptr, nullptr);
}

class AbstractTextViewTest : public ::testing::Test {
protected:
    AbstractTextViewTest()
    {
        view.setSettings(settings);
        view.setEditorType(storedValue(ZQEditorType::Rich));
    }

    void setText(const QString& text) { view.textStorage()->replaceCharacters(Range(0, view.string().size()), text); }
    void mark(const QString& name, const plat::Value& value, Range range)
    {
        view.textStorage()->addAttribute(name, value, range);
    }
    void press(bool ZSAbstractTextView::*key, bool shift = false)
    {
        view.up = view.down = view.left = view.right = view.del = view.backspace = false;
        if (key)
            view.*key = true;
        view.shiftMask = shift;
    }

    std::shared_ptr<ZSSettings> settings = installedSettings();
    ZSAbstractTextView view;
};

// "ab [link] cd" with the link drawn as one block.
class TextBlockTest : public AbstractTextViewTest {
protected:
    TextBlockTest()
    {
        setText(QStringLiteral("ab [link] cd"));
        mark(ZQAttr::TextBlock, blockStyle(ZQAttr::FilterLink), block);
    }
    const Range block{3, 6};
};

TEST_F(TextBlockTest, TheFirstDeleteBesideABracketSelectsTheBlock)
{
    view.setSelectedRange(Range(9, 0));
    press(&ZSAbstractTextView::backspace);
    EXPECT_TRUE(view.keyDownTextBlock());
    EXPECT_EQ(view.selectedRange(), block);
    // With the block selected the key goes on to delete it.
    EXPECT_FALSE(view.keyDownTextBlock());

    view.setSelectedRange(Range(3, 0));
    press(&ZSAbstractTextView::del);
    EXPECT_TRUE(view.keyDownTextBlock());
    EXPECT_EQ(view.selectedRange(), block);

    view.setSelectedRange(Range(2, 0));
    press(&ZSAbstractTextView::backspace);
    EXPECT_FALSE(view.keyDownTextBlock());
    EXPECT_EQ(view.selectedRange(), Range(2, 0));
}

TEST_F(TextBlockTest, TypingBesideABlockDoesNotGrowIt)
{
    for (qsizetype caret : {9, 3}) {
        view.setSelectedRange(Range(caret, 0));
        plat::Attributes typing = view.typingAttributes();
        typing.set(ZQAttr::TextBlock, blockStyle(ZQAttr::FilterLink));
        view.setTypingAttributes(typing);
        press(nullptr);
        EXPECT_FALSE(view.keyDownTextBlock());
        EXPECT_FALSE(view.typingAttributes().contains(ZQAttr::TextBlock)) << caret;
    }
}

TEST_F(TextBlockTest, SelectionsTakeBlocksWholeOrNotAtAll)
{
    // Growing into the block takes all of it; shrinking lets it go.
    EXPECT_EQ(view.decideSelectionRangeForBlock(Range(0, 5), 2), Range(0, 9));
    EXPECT_EQ(view.decideSelectionRangeForBlock(Range(0, 5), 1), Range(0, 3));
    // Starting on the opening bracket and ending inside: a caret after the block.
    EXPECT_EQ(view.decideSelectionRangeForBlock(Range(3, 3), 4), Range(9, 0));
    // Inside the brackets the selection is the user's.
    EXPECT_EQ(view.decideSelectionRangeForBlock(Range(4, 2), 2), Range(4, 2));
}

// A fenced block whose two fence lines are one read-only unit.
class ReadonlyTest : public AbstractTextViewTest {
protected:
    ReadonlyTest()
    {
        setText(QStringLiteral("A\n```\nbody\n```\nB"));
        mark(ZQAttr::Readonly, QStringLiteral("paired-1"), openFence);
        mark(ZQAttr::Readonly, QStringLiteral("paired-1"), closeFence);
    }
    const Range openFence{2, 4};
    const Range closeFence{11, 4};
};

TEST_F(ReadonlyTest, ArrowsStepOverAndDeletesSelectAReadonlyRun)
{
    view.setSelectedRange(Range(2, 0));
    press(&ZSAbstractTextView::right);
    EXPECT_TRUE(view.keyDownReadonlyTag());
    EXPECT_EQ(view.selectedRange(), Range(6, 0));

    press(&ZSAbstractTextView::left);
    EXPECT_TRUE(view.keyDownReadonlyTag());
    EXPECT_EQ(view.selectedRange(), Range(2, 0));

    press(&ZSAbstractTextView::right, true);
    EXPECT_FALSE(view.keyDownReadonlyTag());

    view.setSelectedRange(Range(15, 0));
    press(&ZSAbstractTextView::backspace);
    EXPECT_TRUE(view.keyDownReadonlyTag());
    EXPECT_EQ(view.selectedRange(), closeFence);

    press(&ZSAbstractTextView::up);
    EXPECT_FALSE(view.keyDownReadonlyTag());
}

TEST_F(ReadonlyTest, SelectionCuttingAFenceTakesTheWholeBlockOrLetsItGo)
{
    EXPECT_EQ(view.decideSelectionRangeForBlock(Range(0, 4), 2), Range(0, closeFence.end()));
    EXPECT_EQ(view.decideSelectionRangeForBlock(Range(0, 4), 1), Range(0, 2));
    EXPECT_EQ(view.decideSelectionRangeForBlock(Range(13, 3), 3), Range(2, 14));
}

TEST_F(AbstractTextViewTest, PasteIntoMarkupOrOfNothingIsUntouched)
{
    plat::MutableAttributedString content(plat::AttributedString(QStringLiteral("x")));
    content.addAttribute(ZQAttr::FilterCode, QStringLiteral("code"), Range(0, 1));
    const plat::AttributedString same
        = view.mergeTypingAttributeToPasteContent(content, Range(0, 0), ZQEditorType::Markup);
    EXPECT_TRUE(same.attributesAtIndex(0).contains(ZQAttr::FilterCode));
    EXPECT_EQ(
        view.mergeTypingAttributeToPasteContent(plat::AttributedString(), Range(0, 0), ZQEditorType::Rich).length(), 0);
}

TEST_F(TextBlockTest, PasteInsideABlockTakesItsAttributesOrClosesIt)
{
    view.setSelectedRange(Range(5, 0));
    const plat::Attributes typing = view.typingAttributes();
    const plat::AttributedString oneLine = view.mergeTypingAttributeToPasteContent(
        plat::AttributedString(QStringLiteral("abc")), Range(5, 0), ZQEditorType::Rich);
    EXPECT_EQ(oneLine.string(), "abc");
    EXPECT_TRUE(oneLine.attributesAtIndex(1) == typing);

    setText(QStringLiteral("x {tag} y"));
    mark(ZQAttr::TextBlock, blockStyle(ZQAttr::MacroTag), Range(2, 5));
    view.setSelectedRange(Range(4, 0));
    const plat::AttributedString lines = view.mergeTypingAttributeToPasteContent(
        plat::AttributedString(QStringLiteral("a\nb")), Range(4, 0), ZQEditorType::Rich);
    EXPECT_EQ(lines.string(), "}a\nb{");
    EXPECT_TRUE(lines.attributesAtIndex(0) == view.typingAttributes());
    EXPECT_FALSE(lines.attributesAtIndex(1).contains(ZQAttr::TextBlock));
}

TEST_F(AbstractTextViewTest, PastedLinesTakeTheInlineStylesOfTheInsertionPoint)
{
    setText(QStringLiteral("bold"));
    const plat::FontPtr boldFont = Exs::toHaveBold(*settings->defaultFont(ZQEditorType::Rich));
    mark(plat::FontAttribute, boldFont, Range(0, 4));
    view.setSelectedRange(Range(2, 0));

    plat::MutableAttributedString content(plat::AttributedString(QStringLiteral("one two\nmid\nend")));
    const plat::FontPtr italic = Exs::toHaveItalic(*settings->defaultFont(ZQEditorType::Rich));
    content.addAttribute(plat::FontAttribute, italic, Range(4, 3)); // "two" is styled already
    const plat::AttributedString merged
        = view.mergeTypingAttributeToPasteContent(content, Range(2, 0), ZQEditorType::Rich);

    auto fontAt = [&](qsizetype i) { return merged.attributeAtIndex(plat::FontAttribute, i).toObject<plat::Font>(); };
    EXPECT_TRUE(Exs::isBold(*fontAt(0)));
    EXPECT_TRUE(merged.attributeAtIndex(plat::ForegroundColorAttribute, 0) ==
                plat::Value(ZSTextTheme::sharedTheme()->richBoldColor()));
    EXPECT_FALSE(Exs::isBold(*fontAt(4))); // from its first styled run on, the piece keeps its own styles
    EXPECT_TRUE(merged.attributeAtIndex(plat::FontAttribute, 8).isNull()); // the middle is left alone
    EXPECT_TRUE(Exs::isBold(*fontAt(12)));
}

TEST_F(AbstractTextViewTest, PastedBlocksGetNewIdentitiesAndFragmentsBecomePlain)
{
    setText(QStringLiteral("text"));
    view.setSelectedRange(Range(4, 0));
    plat::MutableAttributedString content(plat::AttributedString(QStringLiteral("[a] b]")));
    content.addAttribute(ZQAttr::TextBlock, blockStyle(ZQAttr::FilterLink, QStringLiteral("old")), Range(0, 3));
    content.addAttribute(ZQAttr::TextBlock, blockStyle(ZQAttr::FilterLink, QStringLiteral("cut")), Range(4, 2));
    content.addAttribute(ZQAttr::FilterLink, ZQLinkStyle::initWithUuid(QStringLiteral("cut")), Range(4, 2));
    const plat::AttributedString merged
        = view.mergeTypingAttributeToPasteContent(content, Range(4, 0), ZQEditorType::Rich);

    const auto whole = merged.attributeAtIndex(ZQAttr::TextBlock, 0).toObject<ZQTextBlockStyle>();
    ASSERT_TRUE(whole);
    EXPECT_NE(whole->uuid(), "old");
    EXPECT_TRUE(merged.attributeAtIndex(ZQAttr::TextBlock, 4).isNull());
    EXPECT_TRUE(merged.attributeAtIndex(ZQAttr::FilterLink, 4).isNull());
}

} // namespace
