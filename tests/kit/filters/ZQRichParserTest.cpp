#include "kit/parsers/ZQRichParser.h"
#include "kit/model/ZQEditorTypes.h"

#include "kit/model/TreeOutline.h"
#include "kit/model/ZQAttachedObjects.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQListStyle.h"
#include "kit/model/ZQStyles.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZQAttachedStorage.h"
#include "platform/text/ParagraphStyle.h"
#include "platform/text/TextList.h"
#include "RichText.h"

#include <gtest/gtest.h>

using namespace RichText;

namespace {

using enum ZQMarkupType;

// The outline with each paragraph's rich text (merged lines included).
std::string tree(const ZSTree& root)
{
    root.enumerateTreeRootFirst([](const ZSTree& node, bool*) {
        const auto text = plat::objectCast<ZQTextNode>(node.object());
        if (text && text->nodeType() == ZQNodeType::Paragraph && text->renderContent()
            && !(text->nodeStatus() & ZQTextNode::StatusLiteral))
            text->setContent(text->renderContent()->string());
    });
    return treeOutline(root).toStdString();
}

std::string outline(const plat::AttributedString& rich)
{
    ZQRichParser parser;
    return tree(parser.processDocTree(rich, nullptr, plat::wholeRange(rich.string())));
}

// Outline lines with the render content of paragraphs instead of their content.
QString markerRanges(const ZSTree& root)
{
    QString out;
    root.enumerateTreeRootFirst([&](const ZSTree& tree, bool*) {
        const auto node = plat::objectCast<ZQTextNode>(tree.object());
        if (tree.isRoot() || node->nodeType() != ZQNodeType::ListItem)
            return;
        const auto info = std::dynamic_pointer_cast<ZQTextNodeListItem>(node->nodeInfo());
        out += QStringLiteral("%1:%2 ").arg(node->markerRange().location).arg(info->markerOrderIndex());
    });
    return out.trimmed();
}

plat::Attributes nativeList(const QString& format)
{
    auto style = plat::ParagraphStyle::create();
    style->setTextLists({plat::TextList::create(format)});
    return with(plat::ParagraphStyleAttribute, plat::Value(style));
}

} // namespace

TEST(ZQRichParserTree, HeadingsQuotesAndParagraphsFromBlockAttributes)
{
    Builder rich;
    rich.add("Title\n", styles().headingRich(2, "h-1", 0))
        .add("Body one\nbody two\n")
        .add("> ", styles().quoteRich())
        .add("q1\n")
        .add("> ", styles().quoteRich())
        .add("q2\n")
        .add("between\n")
        .add("> ", styles().quoteRich())
        .add("q3\n")
        .add("---\n", styles().dividerRich())
        .add("Under\n", styles().headingRich(1, "h-2", 1));
    EXPECT_EQ(outline(rich.text()), "h2 \n"
                                    "  para Title\\n\n"
                                    "para Body one\\nbody two\\n\n"
                                    "quote > \n"
                                    "  para q1\\nq2\\n\n"
                                    "para between\\n\n"
                                    "quote > \n"
                                    "  para q3\\n\n"
                                    "hr ---\\n\n"
                                    "setext1 \n"
                                    "  para Under\\n\n");
}

TEST(ZQRichParserTree, FencedAndIndentedCode)
{
    Builder rich;
    rich.add("```", styles().codeblockRich("S", "k"))
        .add("js", styles().codeblockRich("T", "k"))
        .add("\n")
        .add("let a;\n\n", styles().codeblockRich("B", "k"))
        .add("```", styles().codeblockRich("E", "k"))
        .add("\nafter\n    not code\n\n    code\n    more\n");
    EXPECT_EQ(outline(rich.text()), "fence ```js\\n\n"
                                    "  para let a;\\n\n"
                                    "  para \\n\n"
                                    "  para ```\\n\n"
                                    "para after\\n    not code\\n\n"
                                    "blank \\n\n"
                                    "code     code\\n    more\\n\n");
}

TEST(ZQRichParserTree, NativeListItemsTakeTheirOwnMarkersAndContinuationLines)
{
    Builder rich;
    rich.add("Intro\n")
        .add("\t\u2022\tone\n\t\u2022\ttwo\nsecond line\n\t\u2022\tthree\n", nativeList("{disc}"))
        .add("\t1.\tfirst\n\t2.\tsecond\n", nativeList("{decimal}."));
    ZQRichParser parser;
    const ZSTree root = parser.processDocTree(rich.text(), nullptr, plat::wholeRange(rich.text().string()));
    EXPECT_EQ(tree(root), "para Intro\\n\n"
                          "item \t\u2022\t\n"
                          "  para one\\n\n"
                          "item \t\u2022\t\n"
                          "  para two\\nsecond line\\n\n"
                          "item \t\u2022\t\n"
                          "  para three\\n\n"
                          "item \t1.\t\n"
                          "  para first\\n\n"
                          "item \t2.\t\n"
                          "  para second\\n\n");
    // Each item knows where its marker stands; ordered items their number.
    EXPECT_EQ(markerRanges(root).toStdString(), "6:1 13:1 32:1 41:1 51:2");
}

TEST(ZQRichParserTree, RichListsNestByLevelAndIndentTabsAttachLaterParagraphs)
{
    const auto outer = listOf({"{disc}"});
    const auto inner = listOf({"{disc}", "{circle}"});
    Builder rich;
    rich.add("\t\u2022\t", styles().listRich(outer))
        .add("a\n")
        .add("\t\u25e6\t", styles().listRich(inner))
        .add("b\n")
        .add("\t", styles().listIndentTabRich(outer, false))
        .add("\t", styles().listIndentTabRich(inner, false))
        .add("b2\n")
        .add("\t\u2022\t", styles().listRich(outer))
        .add("c\n")
        .add("\t", styles().listIndentTabRich(outer, false))
        .add("after c\n")
        .add("\t[x]\t", styles().taskRich(outer, "x"))
        .add("done\n")
        .add("plain\n");
    ZQRichParser parser;
    ZQRichParser::IndentTabsList unused;
    const ZSTree root = parser.processDocTree(rich.text(), &unused, plat::wholeRange(rich.text().string()));
    EXPECT_EQ(tree(root), "item \t\u2022\t\n"
                          "  para a\\n\n"
                          "  item \t\u25e6\t\n"
                          "    para b\\nb2\\n\n"
                          "item \t\u2022\t\n"
                          "  para c\\nafter c\\n\n"
                          "task \t[x]\t\n"
                          "  para done\\n\n"
                          "para plain\\n\n");
    EXPECT_TRUE(unused.empty());
    const auto task = plat::objectCast<ZQTextNode>(root.childAtIndex(2).object());
    const auto info = std::dynamic_pointer_cast<ZQTextNodeListItem>(task->nodeInfo());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->taskStateMarker(), "x");
}

TEST(ZQRichParserTree, QuoteMarksAfterIndentTabsStayInTheItem)
{
    const auto outer = listOf({"{disc}"});
    Builder rich;
    rich.add("\t\u2022\t", styles().listRich(outer))
        .add("a\n")
        .add("\t", styles().listIndentTabRich(outer, false))
        .add("> ", styles().quoteRich())
        .add("quoted\n")
        .add("\t", styles().listIndentTabRich(outer, false))
        .add("> ", styles().quoteRich())
        .add("two\n")
        .add("> ", styles().quoteRich())
        .add("outside\n");
    EXPECT_EQ(outline(rich.text()), "item \t\u2022\t\n"
                                    "  para a\\n\n"
                                    "  quote > \n"
                                    "    para quoted\\ntwo\\n\n"
                                    "quote > \n"
                                    "  para outside\\n\n");
}

TEST(ZQRichParserTree, IndentTabsNoItemTakesAreReported)
{
    Builder rich;
    rich.add("para\n").add("\t", styles().listIndentTabRich(listOf({"{disc}"}), false)).add("stray\n");
    ZQRichParser parser;
    ZQRichParser::IndentTabsList unused;
    const ZSTree root = parser.processDocTree(rich.text(), &unused, plat::wholeRange(rich.text().string()));
    EXPECT_EQ(tree(root), "para para\\n\tstray\\n\n");
    ASSERT_EQ(unused.size(), 1u);
    EXPECT_EQ(unused[0]->tabs().at(0)->markerRange(), plat::Range(5, 1));
}

TEST(ZQRichParserTree, EmptyAndUnterminatedText)
{
    EXPECT_EQ(outline(plat::AttributedString()), "");
    EXPECT_EQ(outline(plat::AttributedString("a\r\nb")), "para a\\r\\nb\n");
    EXPECT_EQ(outline(plat::AttributedString("\tcode")), "code \tcode\n");
}

// ---- paragraphs ----------------------------------------------------------

namespace {

struct ParagraphCase {
    const char* name;
    std::function<void(Builder&)> build;
    QString markdown;
    QString quorvel;
};

QString paragraphMarkup(const plat::AttributedString& rich, ZQMarkupType markupType,
                        std::shared_ptr<ZQRenderContext> context = nullptr)
{
    if (!context)
        context = std::make_shared<ZQRenderContext>();
    context->setRunningMarkupType(markupType);
    context->setRenderTargetType(ZQRenderContext::TargetMarkup);
    ZQRichParser parser;
    return parser.parseParagraph(rich, *context);
}

} // namespace

TEST(ZQRichParserParagraph, StylesBecomeNestedNeverCrossingMarkup)
{
    const plat::Attributes bold = font(true, false);
    const plat::Attributes italic = font(false, true);
    const plat::Attributes boldItalic = font(true, true);
    const plat::Attributes code = with(ZQAttr::FilterCode, QStringLiteral("Code"));
    const std::vector<ParagraphCase> cases = {
        {"plain", [](Builder& b) { b.add("just text"); }, "just text", "just text"},
        {"bold italic word", [&](Builder& b) { b.add("a ").add("word", boldItalic).add(" b"); },
         "a ***word*** b", "a *~word~* b"},
        {"adjacent bold runs merge",
         [&](Builder& b) { b.add("x ").add("bo", bold).add("ld", with(ZQAttr::Escaped, QStringLiteral("ESC"), bold)); },
         "x **bold**", "x *bold*"},
        {"bold inside italic",
         [&](Builder& b) { b.add("it ", italic).add("both", boldItalic).add(" it", italic); },
         "*it **both** it*", "~it *both* it~"},
        {"crossing code is cut",
         [&](Builder& b) {
             b.add("01234", bold).add("56789", with(ZQAttr::FilterCode, QStringLiteral("Code"), bold)).add("abcde", code);
         },
         "**01234`56789`**`abcde`", "*01234`56789`*`abcde`"},
        {"trailing blank outside", [&](Builder& b) { b.add("slanted ", italic).add("rest"); },
         "*slanted* rest", "~slanted~ rest"},
        {"blank-only style writes nothing", [&](Builder& b) { b.add("a").add("  ", bold).add("b"); }, "a  b",
         "a  b"},
        {"strike and underline",
         [&](Builder& b) {
             b.add("gone", with(plat::StrikethroughAttribute, qint64(1)))
                 .add(" ")
                 .add("under", with(plat::UnderlineAttribute, qint64(1)));
         },
         "~~gone~~ under", "-gone- _under_"},
        {"escape and entity",
         [&](Builder& b) {
             b.add("*", with(ZQAttr::Escaped, QStringLiteral("ESC"))).add(" and ").add("\u00a9",
                 with(ZQAttr::Entity, QStringLiteral("&copy;")));
         },
         "\\* and &copy;", "\\* and &copy;"},
        {"astral and right-to-left text",
         [&](Builder& b) { b.add("\u05e9\u05dc\u05d5\u05dd ").add("\U0001F600x", bold); },
         "\u05e9\u05dc\u05d5\u05dd **\U0001F600x**", "\u05e9\u05dc\u05d5\u05dd *\U0001F600x*"},
    };
    for (const ParagraphCase& c : cases) {
        Builder rich;
        c.build(rich);
        EXPECT_EQ(paragraphMarkup(rich.text(), Markdown), c.markdown) << c.name;
        EXPECT_EQ(paragraphMarkup(rich.text(), QuorvelMarkup), c.quorvel) << c.name;
    }
}

TEST(ZQRichParserParagraph, LinksStayWholeAndReferenceLinksAreLabelledWithTheirWholeText)
{
    auto context = std::make_shared<ZQRenderContext>();
    const auto addLink = [&](const QString& uuid, quint64 type, const QString& url) {
        auto storage = context->createAttachedStroage(ZQAttr::FilterLink, uuid);
        auto link = std::make_shared<ZQAttachedLinkObject>();
        link->setLinkType(type);
        link->setLinkUrl(url);
        storage->setAttachedLink(link);
        return link;
    };
    addLink("L1", 1, "https://example.com/a b");
    const auto reference = addLink("L2", 2, "/ref");

    Builder rich;
    rich.add("see ", font(true, false))
        .add("the", with(ZQAttr::FilterLink, plat::Value(ZQLinkStyle::initWithUuid("L1")), font(true, false)))
        .add(" site", with(ZQAttr::FilterLink, plat::Value(ZQLinkStyle::initWithUuid("L1"))))
        .add(" and ")
        .add("ref", with(ZQAttr::FilterLink, plat::Value(ZQLinkStyle::initWithUuid("L2")), font(false, true)))
        .add(" text", with(ZQAttr::FilterLink, plat::Value(ZQLinkStyle::initWithUuid("L2"))));
    // The bold words are cut where the link starts, never the link.
    EXPECT_EQ(paragraphMarkup(rich.text(), Markdown, context),
              "**see** [**the** site](<https://example.com/a b>) and [*ref* text]");
    EXPECT_EQ(reference->linkLabel(), "ref text");
}

TEST(ZQRichParserParagraph, ImageCharacterGivesOneMarkerWithTheStyleUuid)
{
    auto context = std::make_shared<ZQRenderContext>();
    auto storage = context->createAttachedStroage(ZQAttr::MacroImage, "I1");
    auto image = storage->attachedObject();
    ASSERT_TRUE(image);
    image->setImageLabel("alt");
    image->setImageFileName("pic.png");
    Builder rich;
    plat::Attributes attributes = styles().imageRich("I1", "pic.png", false);
    attributes.set(plat::AttachmentAttribute, plat::Value(std::make_shared<ZQRichAttribute>()));
    rich.add("a ").add(QString(QChar(plat::ObjectReplacementCharacter)), attributes).add(" b");
    EXPECT_EQ(paragraphMarkup(rich.text(), Markdown, context), "a ![alt](pic.png) b");
}
