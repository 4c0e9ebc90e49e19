// Quorvel Markup's "#" items export as the numbered list Markdown writes "1." for;
// in Markdown "#" stays a heading.

#include "HTMLExport.h"

#include <gtest/gtest.h>

TEST(HTMLExport, NumberSignItemsOfQuorvelMarkupAreAnOrderedList)
{
    const struct {
        const char* quorvel;
        const char* markdown;
    } cases[] = {
        {"# one\n# two\n", "1. one\n2. two\n"},
        {"# one\n\n# two\n", "1. one\n\n2. two\n"},         // loose
        {"# one\n- bullet\n# again\n", "1. one\n- bullet\n1. again\n"}, // a bullet ends the list
        {"- a\n  # b\n  # c\n", "- a\n  1. b\n  2. c\n"},     // nested
    };
    for (const auto& c : cases) {
        const std::string quorvel = HTMLExport::body(QString::fromUtf8(c.quorvel), HTMLExport::QuorvelMarkup).toStdString();
        EXPECT_NE(quorvel.find("<ol>"), std::string::npos) << c.quorvel;
        EXPECT_EQ(quorvel, HTMLExport::body(QString::fromUtf8(c.markdown), HTMLExport::Markdown).toStdString())
            << c.quorvel;
    }
    EXPECT_EQ(HTMLExport::body(QStringLiteral("# one\n"), HTMLExport::Markdown).toStdString(), "<h1>one</h1>");
}
