#include "kit/foundation/HTMLNode.h"
#include "kit/foundation/ZSHTMLParser.h"
#include "kit/model/ZSUtils.h"

#include <gtest/gtest.h>

namespace {

// Records the calls as "start", "end", "T:<tag>", "C:content".
class Recorder : public ZSHTMLListener {
public:
    QStringList calls;
    void startDocument() override { calls << "start"; }
    void endDocument() override { calls << "end"; }
    void tag(const QString& tag) override { calls << "T:" + tag; }
    void content(const QString& content) override { calls << "C:" + content; }
};

TEST(ZSHTMLParser, ReportsEveryCharacterOnceInOrder)
{
    const std::pair<QString, QStringList> cases[] = {
        {"a<b>c", {"start", "C:a", "T:<b>", "C:c", "end"}},
        {"x < y", {"start", "C:x ", "C:<", "C: y", "end"}},
        {"<a>", {"start", "T:<a>", "end"}},
        {"", {"start", "C:", "end"}},
        {"<a title=\"1>2\">t</a>", {"start", "T:<a title=\"1>", "C:2\">t", "T:</a>", "end"}},
        {"<<b>", {"start", "T:<<b>", "end"}},
        {"a<", {"start", "C:a", "C:<", "end"}},
    };
    ZSHTMLParser parser;
    for (const auto& [html, expected] : cases) {
        Recorder recorder;
        parser.scan(html, recorder);
        EXPECT_EQ(recorder.calls, expected) << html.toStdString();
    }
}

TEST(ZSHTMLParser, TagNamesAndPairs)
{
    const std::tuple<QString, QString, bool> cases[] = {
        {"</h2>", "h2", true},
        {"  <DIV class=x>", "div", false},
        {"<br/>", "br", false},
        {"<!-- x -->", QString(), false},
        {"< p>", QString(), false},
        {"<p", QString(), false},
    };
    for (const auto& [tag, name, closes] : cases) {
        const HTMLNode node(tag);
        EXPECT_EQ(node.tagName(), name) << tag.toStdString();
        EXPECT_EQ(node.tagName().isNull(), name.isNull()) << tag.toStdString();
        EXPECT_EQ(node.closeTag(), closes) << tag.toStdString();
    }
    EXPECT_TRUE(HTMLNode("<P>").isPaired(HTMLNode("</p>")));
    EXPECT_FALSE(HTMLNode("<p>").isPaired(HTMLNode("<p>")));
    EXPECT_FALSE(HTMLNode("<!-- -->").isPaired(HTMLNode("</ >")));
}

TEST(ZSHTMLParser, BlockElementAtStartOrEnd)
{
    const std::tuple<QString, bool, bool> cases[] = {
        // text, starts with a block element, ends with one
        {"  <DIV class=x>text", true, false},
        {"text<p>", false, true},
        {"<span>", false, false},
        {"<p>text</p>", true, true},
        {"<b>x</b>", false, false},
        {"</p> text <p>", true, true},  // a closing tag decides by its partner
        {"</li><b>x</b><li>", true, true},
        {"<b>x</p>", false, false},
        {"<td>x</td>\t ", true, true},
        {"<br", false, false},
        {"\n<p>", false, true},  // only spaces and tabs are skipped
        {"", false, false},
    };
    for (const auto& [text, starts, ends] : cases) {
        EXPECT_EQ(ZSUtils::isStartByBlockHtmlTag(text), starts) << text.toStdString();
        EXPECT_EQ(ZSUtils::isEndByBlockHtmlTag(text), ends) << text.toStdString();
    }
    EXPECT_FALSE(ZSUtils::isStartByBlockHtmlTag(QString()));
    EXPECT_TRUE(ZSUtils::isBlockTag(HTMLNode("<BlockQuote>")));
    EXPECT_FALSE(ZSUtils::isBlockTag(HTMLNode("<pre>")));
}

} // namespace
