#include "kit/filters/ZQViewEditing.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQListStyle.h"
#include "kit/render/ZQRender.h"
#include "platform/foundation/UndoManager.h"
#include "platform/text/Font.h"
#include "platform/text/ParagraphStyle.h"
#include "platform/text/TextView.h"

#include "support/InstalledSettings.h"

#include <gtest/gtest.h>

using plat::AttributedString;
using plat::Attributes;
using plat::Range;
using plat::Value;

namespace {

class RenderRepairTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings = installedSettings();
        render = std::make_unique<ZQRender>();
        view.setEditorType(storedValue(ZQEditorType::Rich));
    }

    static ZQHighlighter& styles() { return ZQHighlighter::sharedHighlighter(); }
    Attributes plain() const { return settings->defaultTypingAttribute(ZQEditorType::Rich); }
    plat::TextStorage& text() { return *view.textStorage(); }

    // An ordered item as the list filter writes it; its list style.
    ZQListStylePtr appendItem(qint64 number, const QString& body)
    {
        auto style = ZQListStyle::initWithMarkerFormat(QStringLiteral("{decimal}."), 1);
        style->textLists().back()->setListIndex(quint64(number));
        style->correctLevel();
        text().append(AttributedString(QStringLiteral("\t%1.\t").arg(number), styles().listRich(style)));
        text().append(AttributedString(body + QStringLiteral("\n"), plain()));
        return style;
    }

    ZQListStylePtr listStyleAt(qsizetype index) { return text().attributeAtIndex(ZQAttr::FilterList, index).toObject<ZQListStyle>(); }

    bool repair()
    {
        Attributes typing = view.typingAttributes();
        return render->fixRichContentAttributes(text(), Range(0, 0), typing);
    }

    // A fenced block with the fence key as the code-block filter writes it;
    // the closing fence's range.
    Range appendFence(const QString& key)
    {
        text().append(AttributedString(QStringLiteral("```"), styles().codeblockRich("S", key)));
        text().append(AttributedString(QStringLiteral("swift"), styles().codeblockRich("T", key)));
        text().append(AttributedString(QStringLiteral("\nlet x = 1\n"), styles().codeblockRich("B", key)));
        const Range closing(text().length(), 3);
        text().append(AttributedString(QStringLiteral("```"), styles().codeblockRich("E", key)));
        text().append(AttributedString(QStringLiteral("\nafter\n"), plain()));
        return closing;
    }

    std::shared_ptr<ZSSettings> settings;
    std::unique_ptr<ZQRender> render;
    plat::TextView view;
};

TEST_F(RenderRepairTest, DeletedItemRenumbersTheItemsAfterIt)
{
    std::vector<ZQListStylePtr> items;
    for (int n = 1; n <= 11; ++n)
        items.push_back(appendItem(n, QStringLiteral("item %1").arg(n)));
    const qsizetype third = text().string().indexOf(QStringLiteral("\t3."));
    const qsizetype fourth = text().string().indexOf(QStringLiteral("\t4."));
    text().deleteCharacters(Range(third, fourth - third));
    // A tab typed before the last marker nests that item; its number changes length.
    text().insert(AttributedString(QStringLiteral("\t"), plain()), text().string().indexOf(QStringLiteral("\t11.")));

    render->fixRichAttributes(view);

    QString expected;
    for (int n = 1; n <= 9; ++n)
        expected += QStringLiteral("\t%1.\titem %2\n").arg(n).arg(n < 3 ? n : n + 1);
    expected += QStringLiteral("\t1.\titem 11\n");
    EXPECT_EQ(text().string(), expected);

    // Unchanged numbers keep their marker; the others carry list attributes anew.
    EXPECT_EQ(listStyleAt(0), items[0]);
    EXPECT_EQ(listStyleAt(expected.indexOf(QStringLiteral("\t2."))), items[1]);
    for (int n = 3; n <= 9; ++n) {
        const qsizetype at = expected.indexOf(QStringLiteral("\t%1.\titem").arg(n));
        const auto style = listStyleAt(at);
        ASSERT_TRUE(style) << n;
        EXPECT_EQ(style->textLists().back()->listIndex(), quint64(n));
        EXPECT_EQ(text().attributeAtIndex(plat::ForegroundColorAttribute, at), Value(ZSTextTheme::sharedTheme()->richListColor()));
        EXPECT_EQ(text().attributeAtIndex(ZQAttr::Readonly, at), Value(ZQAttr::FilterList));
    }
    const qsizetype nested = expected.lastIndexOf(QStringLiteral("\t1."));
    const auto nestedStyle = listStyleAt(nested);
    ASSERT_TRUE(nestedStyle);
    EXPECT_EQ(nestedStyle->textLists().size(), 2u);
    const auto paragraph = text().attributeAtIndex(plat::ParagraphStyleAttribute, nested).toObject<plat::ParagraphStyle>();
    ASSERT_TRUE(paragraph);
    EXPECT_TRUE(styles().tabStopsVerify(*paragraph, 2, 0.0, false, false));
}

TEST_F(RenderRepairTest, RepairIsPartOfTheEditsUndoStep)
{
    // Deleting an item renumbers the ones after it; undo takes the
    // renumbering back first, so that the deletion's own undo fits the text.
    auto undo = std::make_shared<plat::UndoManager>();
    undo->setGroupsByEvent(false);
    view.setUndoManager(undo);
    for (int n = 1; n <= 3; ++n)
        appendItem(n, QStringLiteral("item %1").arg(n));
    render->fixRichAttributes(view);
    const plat::AttributedString before(text());
    const qsizetype second = text().string().indexOf(QStringLiteral("\t2."));
    const qsizetype third = text().string().indexOf(QStringLiteral("\t3."));

    undo->beginUndoGrouping();
    ZQViewEditing::replace(view, Range(second, third - second), AttributedString(), Range(second, 0),
                           QStringLiteral("Typing"));
    render->fixRichAttributes(view);
    undo->endUndoGrouping();
    const plat::AttributedString after(text());
    ASSERT_EQ(text().string(), QStringLiteral("\t1.\titem 1\n\t2.\titem 3\n"));

    undo->undo();
    EXPECT_TRUE(text() == before);
    undo->redo();
    EXPECT_TRUE(text() == after);
    undo->removeAllActionsWithTarget(&view);
}

TEST_F(RenderRepairTest, FenceLinesTakeTheBlockKey)
{
    const QString key = QStringLiteral("paired-1234");
    const Range closing = appendFence(key);
    text().setAttributes(plain(), Range(closing.location, closing.length + 1));

    repair();

    EXPECT_EQ(text().attributesAtIndex(closing.location), styles().codeblockRich("E", key));
    Range run;
    text().attributeAtIndexLongestEffectiveRange(ZQAttr::FilterCodeBlock, closing.location, &run, Range(0, text().length()));
    EXPECT_EQ(run.end(), closing.end()) << "the closing line's break stays outside the block";
}

TEST_F(RenderRepairTest, FenceWithoutKeyGetsAPairedKeyOnBothFences)
{
    const Range closing = appendFence(QStringLiteral("paired-old"));
    text().removeAttribute(ZQAttr::Readonly, Range(0, 3));
    text().setAttributes(plain(), closing);

    repair();

    const QString opening = text().attributeAtIndex(ZQAttr::Readonly, 0).toString();
    EXPECT_TRUE(opening.startsWith(QStringLiteral("paired-"))) << opening.toStdString();
    EXPECT_EQ(text().attributeAtIndex(ZQAttr::Readonly, closing.location).toString(), opening);
    EXPECT_EQ(text().attributeAtIndex(ZQAttr::FilterCodeBlock, closing.location), Value("E"));
}

TEST_F(RenderRepairTest, StaleCodeStylingRawFlagsAndIndentsLeavePlainText)
{
    Attributes indented = plain();
    auto indent = settings->defaultParagraphStyle(ZQEditorType::Rich)->mutableCopy();
    indent->setHeadIndent(40);
    indented.set(plat::ParagraphStyleAttribute, Value(indent));
    text().append(AttributedString(QStringLiteral("was indented\n"), indented));
    text().append(AttributedString(QStringLiteral("was code\n"), styles().codeblockRich("B", QStringLiteral("k"))));
    text().append(AttributedString(QStringLiteral("was indented code\n"), styles().indentCodeblockRich()));
    Attributes raw = plain();
    raw.set(ZQAttr::Raw, QStringLiteral("k"));
    text().append(AttributedString(QStringLiteral("raw"), raw));
    const qsizetype tag = text().length();
    text().append(AttributedString(QStringLiteral("tag"), styles().baseRich(ZQHighlighter::Tag)));
    text().append(AttributedString(QStringLiteral("\n"), plain()));

    EXPECT_TRUE(repair());

    for (const QString& name : {ZQAttr::FilterCodeBlock, ZQAttr::IndentBlock}) {
        Range run;
        EXPECT_TRUE(text().attributeAtIndexLongestEffectiveRange(name, 0, &run, Range(0, text().length())).isNull());
        EXPECT_EQ(run.length, text().length()) << name.toStdString();
    }
    const auto paragraph = text().attributeAtIndex(plat::ParagraphStyleAttribute, 0).toObject<plat::ParagraphStyle>();
    ASSERT_TRUE(paragraph);
    EXPECT_EQ(paragraph->headIndent(), 0.0);
    EXPECT_TRUE(text().attributeAtIndex(ZQAttr::Raw, tag - 1).isNull());
    EXPECT_FALSE(text().attributeAtIndex(ZQAttr::Raw, tag).isNull()) << "a tag's raw text stays";
    EXPECT_FALSE(repair()) << "nothing left to report";
}

TEST_F(RenderRepairTest, CaretLeavingATextBlockTypesPlainText)
{
    text().append(AttributedString(QStringLiteral("tag"), styles().baseRich(ZQHighlighter::Tag)));
    text().append(AttributedString(QStringLiteral(" after"), plain()));
    view.setSelectedRange(Range(3, 0));
    ASSERT_TRUE(view.typingAttributes().contains(ZQAttr::TextBlock));

    render->fixRichAttributes(view);

    EXPECT_EQ(view.typingAttributes(), plain());
    EXPECT_EQ(view.selectedRange(), Range(3, 0));
}

TEST(ZQRenderRepair, ItalicRunsWithoutAnItalicFaceAreSlanted)
{
    const auto upright = plat::Font::create(QStringLiteral("Menlo"), 14);
    const auto italic = plat::Font::create(QStringLiteral("Menlo"), 14, false, true);
    struct Case {
        const char* name;
        plat::FontPtr font;
        bool marked;
        bool slanted;
    };
    for (const Case& c : {Case{"marked upright", upright, true, true}, Case{"marked italic", italic, true, false},
                          Case{"unmarked", upright, false, false}}) {
        Attributes attributes{{plat::FontAttribute, Value(c.font)}};
        if (c.marked)
            attributes.set(ZQAttr::FilterItalic, QStringLiteral("Italic"));
        plat::MutableAttributedString text(QStringLiteral("a "));
        text.append(AttributedString(QStringLiteral("word"), attributes));
        ZQRender::applyObliquenessForItalic(text);
        EXPECT_TRUE(text.attributeAtIndex(plat::ObliquenessAttribute, 0).isNull()) << c.name;
        EXPECT_EQ(text.attributeAtIndex(plat::ObliquenessAttribute, 2), c.slanted ? Value(0.4) : Value()) << c.name;
    }
}

} // namespace
