#include "kit/render/ZQOnFlyManager.h"
#include "kit/model/ZQEditorTypes.h"

#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQStyles.h"
#include "platform/foundation/UndoManager.h"
#include "platform/text/TextView.h"
#include "support/InstalledSettings.h"

#include <gtest/gtest.h>

namespace {

class OnFlyManagerTest : public ::testing::Test {
protected:
    OnFlyManagerTest()
    {
        view.setEditorType(storedValue(ZQEditorType::Markup));
        view.setUndoManager(undo);
    }

    void type(const QString& text, qsizetype at)
    {
        view.setSelectedRange(plat::Range(at, 0));
        view.insertText(text);
    }
    bool complete(const QString& marker)
    {
        return manager->markupAutoComplete(marker, view.selectedRange().location, view);
    }
    bool carries(qsizetype index, const plat::Attributes& style) const
    {
        const plat::Attributes at = view.textStorage()->attributesAtIndex(index);
        // The paragraph style is the paragraph's, which the storage fixes after each edit.
        for (const auto& [name, value] : style)
            if (name != QLatin1String("NSParagraphStyle") && (!at.contains(name) || !(at.value(name) == value)))
                return false;
        return true;
    }
    std::shared_ptr<ZQPairedAttribute> pairAt(qsizetype index) const
    {
        return view.textStorage()->attributeAtIndex(ZQAttr::AutoComplete, index).toObject<ZQPairedAttribute>();
    }

    // Installed before the manager, which keeps the settings it first sees.
    std::shared_ptr<ZSSettings> settings = installedSettings();
    std::shared_ptr<plat::UndoManager> undo = std::make_shared<plat::UndoManager>();
    plat::TextView view;
    const ZQHighlighter& highlighter = ZQHighlighter::sharedHighlighter();
    std::shared_ptr<ZQOnFlyManager> manager = ZQOnFlyManager::sharedOnFlyManager();
};

TEST_F(OnFlyManagerTest, ASecondMarkerBetweenThePairGrowsBothRuns)
{
    for (const QString& marker : {QStringLiteral("*"), QStringLiteral("_")}) {
        type(QStringLiteral("word ") + marker, 0);
        EXPECT_TRUE(complete(marker));
        EXPECT_EQ(view.string(), "word " + marker.repeated(2));
        EXPECT_EQ(view.selectedRange(), plat::Range(6, 0));
        const auto open = pairAt(5), close = pairAt(6);
        ASSERT_TRUE(open && close);
        EXPECT_FALSE(open->isClose());
        EXPECT_TRUE(close->isClose());
        EXPECT_EQ(open->uuid(), close->uuid());

        type(marker, 6);
        EXPECT_TRUE(complete(marker));
        EXPECT_EQ(view.string(), "word " + marker.repeated(4));
        EXPECT_EQ(view.selectedRange(), plat::Range(7, 0));
        for (qsizetype i : {5, 6, 7, 8})
            EXPECT_EQ(pairAt(i)->uuid(), open->uuid()) << i;
        EXPECT_TRUE(pairAt(7)->isClose() && pairAt(8)->isClose());
        EXPECT_FALSE(pairAt(6)->isClose());

        // A third makes strong with emphasis: the runs are three long on each side.
        type(marker, 7);
        complete(marker);
        EXPECT_EQ(view.string(), "word " + marker.repeated(6));
        EXPECT_TRUE(carries(5, highlighter.baseMarkdown(22, nullptr)));
        EXPECT_TRUE(carries(7, highlighter.baseMarkdown(23, nullptr)));
        EXPECT_TRUE(carries(8, highlighter.baseMarkdown(23, nullptr)));
        EXPECT_TRUE(carries(10, highlighter.baseMarkdown(22, nullptr)));

        view.textStorage()->replaceCharacters(plat::Range(0, view.string().size()), QString());
    }
}

TEST_F(OnFlyManagerTest, RefusedMarkersAndPositionsChangeNothing)
{
    type(QStringLiteral("a ~"), 0);
    for (const QString& marker : {QStringLiteral("~"), QStringLiteral("`"), QStringLiteral("+")})
        EXPECT_TRUE(complete(marker));
    EXPECT_EQ(view.string(), "a ~");

    view.textStorage()->replaceCharacters(plat::Range(0, 3), QStringLiteral("*"));
    manager->markupAutoComplete(QStringLiteral("*"), 0, view);
    EXPECT_EQ(view.string(), "*");

    // A marker live styling already paired is left alone.
    view.textStorage()->addAttribute(ZQAttr::Paired, ZQPairedAttribute::initWithMarker(QStringLiteral("*")),
                                     plat::Range(0, 1));
    view.setSelectedRange(plat::Range(1, 0));
    complete(QStringLiteral("*"));
    EXPECT_EQ(view.string(), "*");
}

TEST_F(OnFlyManagerTest, WithoutItsClosingHalfAtTheCaretANewPairIsInserted)
{
    type(QStringLiteral("x *"), 0);
    complete(QStringLiteral("*"));
    const QString firstUuid = pairAt(2)->uuid();
    // The closing half is gone, the opening one stays and the caret moves back to it.
    view.textStorage()->replaceCharacters(plat::Range(3, 1), plat::AttributedString(QStringLiteral("y")));
    view.setSelectedRange(plat::Range(3, 0));
    complete(QStringLiteral("*"));
    EXPECT_EQ(view.string(), "x **y");
    EXPECT_NE(pairAt(3)->uuid(), firstUuid);
    EXPECT_TRUE(pairAt(3)->isClose());
    EXPECT_EQ(view.string().mid(4), "y");
}

TEST_F(OnFlyManagerTest, UndoTakesTheCompletionBack)
{
    type(QStringLiteral("word *"), 0);
    complete(QStringLiteral("*"));
    const plat::Range between = view.selectedRange();
    int steps = 0;
    for (; undo->canUndo(); ++steps)
        undo->undo();
    EXPECT_EQ(view.string(), "word *");
    EXPECT_TRUE(view.textStorage()->attributeAtIndex(ZQAttr::AutoComplete, 5).isNull());
    EXPECT_EQ(view.selectedRange(), plat::Range(6, 0));
    // Redo puts the caret back between the two halves.
    for (; steps > 0; --steps)
        undo->redo();
    EXPECT_EQ(view.string(), "word **");
    EXPECT_EQ(view.selectedRange(), between);
}

} // namespace
