#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZQStyles.h"
#include "kit/model/ZQRenderUtil.h"
#include "platform/foundation/Uuid.h"
#include "platform/text/AttributedString.h"

#include <gtest/gtest.h>

namespace {

struct Marked {
    QString text;
    plat::Value value; // null: no mark
};

// Text assembled from pieces, each marked under name when it has a value.
plat::MutableAttributedString assemble(const QString& name, std::initializer_list<Marked> pieces)
{
    plat::MutableAttributedString s;
    for (const Marked& piece : pieces) {
        plat::Attributes attributes;
        if (!piece.value.isNull())
            attributes.set(name, piece.value);
        s.append(plat::AttributedString(piece.text, attributes));
    }
    return s;
}

plat::Value heading(quint64 level, quint64 headingType = 0)
{
    auto style = ZQHeadingStyle::initWithUuid(plat::newUuidString(), level);
    style->setHeadingType(headingType);
    return plat::Value(style);
}

} // namespace

TEST(ZQRenderUtilOutline, HeadingsInTextOrderIndexedFromTheLast)
{
    struct Case {
        const char* name;
        ZQEditorType editorType;
        plat::MutableAttributedString content;
        std::vector<std::tuple<qint64, qint64, QString, plat::Range>> expected; // index, level, text, range
        QString afterRemoval;
    };
    Case cases[] = {
        {"rich", ZQEditorType::Rich,
         assemble(ZQAttr::FilterHeading, {{" Intro\n", heading(1)}, {"body\n", {}}, {"Deep\n", heading(3)}}),
         {{1, 1, "Intro", {0, 7}}, {0, 3, "Deep", {12, 5}}},
         "body\n"},
        {"markup marks are dropped", ZQEditorType::Markup,
         assemble(ZQAttr::FilterHeading,
                  {{"## Intro ##\n", heading(2)}, {"x\n", {}}, {"Under ##\n", heading(1, 1)}, {"#\n", heading(1)}}),
         {{2, 2, "Intro", {0, 12}}, {1, 1, "Under ##", {14, 9}}, {0, 1, "", {23, 2}}},
         "x\n"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        const plat::AttributedString before(c.content);
        const auto kept = ZQRenderUtil::extractHeadingsFromContent(c.content, c.editorType, false);
        EXPECT_EQ(c.content, before);
        const auto removed = ZQRenderUtil::extractHeadingsFromContent(c.content, c.editorType, true);
        EXPECT_EQ(c.content.string(), c.afterRemoval);
        for (const auto& list : {kept, removed}) {
            ASSERT_EQ(list.size(), c.expected.size());
            for (size_t i = 0; i < list.size(); ++i) {
                const auto& [index, level, text, range] = c.expected[i];
                EXPECT_EQ(list[i]->index(), index);
                EXPECT_EQ(list[i]->level(), level);
                EXPECT_EQ(list[i]->heading(), text);
                EXPECT_EQ(list[i]->range(), range);
                EXPECT_EQ(list[i]->editorType(), c.editorType);
            }
        }
    }
}

TEST(ZQRenderUtilOutline, TagsLoseAngleBracketsAndMarkupPlusMarksWithTheRun)
{
    const auto content = [] {
        return assemble(ZQAttr::MacroTag, {{"+", {}},
                                           {"<work>", plat::Value(QStringLiteral("T1"))},
                                           {"+ and +", {}},
                                           {" play ", plat::Value(QStringLiteral("T2"))},
                                           {"+ end", {}}});
    };
    for (const ZQEditorType editorType : {ZQEditorType::Rich, ZQEditorType::Markup}) {
        SCOPED_TRACE(storedValue(editorType));
        auto text = content();
        const auto tags = ZQRenderUtil::extractTags(text, editorType, true);
        ASSERT_EQ(tags.size(), 2u);
        EXPECT_EQ(tags[0]->tagText(), QStringLiteral("work"));
        EXPECT_EQ(tags[0]->index(), 1);
        EXPECT_EQ(tags[0]->range(), plat::Range(1, 6));
        EXPECT_EQ(tags[1]->tagText(), QStringLiteral("play"));
        EXPECT_EQ(tags[1]->index(), 0);
        EXPECT_EQ(tags[1]->range(), plat::Range(14, 6));
        EXPECT_EQ(text.string(),
                  editorType == ZQEditorType::Markup ? QStringLiteral(" and  end") : QStringLiteral("++ and ++ end"));
    }
}

TEST(ZQRenderUtilOutline, FrontMatterLengthAndTitle)
{
    const QString filler = QStringLiteral("key: value\n").repeated(70);
    struct Case {
        const char* name;
        QString text;
        qsizetype length;
        QString title;
    };
    const Case cases[] = {
        {"plain", "---\ntitle: Hello\n---\nbody", 21, "Hello"},
        {"blank lines first, key case", "\n \n---\nTitle:  Hi there \n---\n", 29, "Hi there"},
        {"quoted", "---\ntitle: \"A: b\"\n---\n", 22, "A: b"},
        {"quoted over lines", "---\ntitle: 'One\n  two'\ndate: x\n---\n", 35, "One two"},
        {"no title", "---\ndate: x\n---\nbody", 16, ""},
        {"empty title takes no other value", "---\ntitle:\nauthor: me\n---\n", 26, ""},
        {"quoted dashes stay in the value", "---\ntitle: \"a\n---\nb\"\n---\n", 25, "a --- b"},
        {"not at the start", "text\n---\ntitle: x\n---\n", 0, "unchanged"},
        {"line without a colon", "---\ntitle: x\nplain\n---\n", 0, "unchanged"},
        {"never closed", "---\ntitle: x\n", 0, "unchanged"},
        {"closed too late", "---\n" + filler + "---\n", 0, "unchanged"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString title = QStringLiteral("unchanged");
        EXPECT_EQ(ZQRenderUtil::jekllyStylePageFrontMatterLength(c.text, &title), c.length);
        EXPECT_EQ(title, c.title);
    }
}
