#include "kit/markup/ZQDocTreeParser.h"
#include "kit/markup/ZQTextNode.h"
#include <gtest/gtest.h>
#include <iostream>
TEST(Scratch, Tree)
{
    for (const char* s : {"a\n  b  \n\nc\n", "[foo]: /url\n\n[foo]\n", "[foo]: /url\n[foo]\n", "aaa\\\nbbb  \nccc\n"}) {
        ZQDocTreeParser parser;
        ZQLinkRefMap map;
        QString md = QString::fromUtf8(s);
        ZSTree tree = parser.processDocTree(md, plat::wholeRange(md), &map, nullptr, nullptr, 70);
        std::cout << "=== " << s;
        for (qsizetype i = 0; i < tree.numberOfChildren(); ++i) {
            auto node = plat::objectCast<ZQTextNode>(tree.childAtIndex(i).object());
            std::cout << node->nodeType() << " status " << node->nodeStatus() << " [" << node->content().toStdString() << "] merged " << node->mergedContentRanges().size() << " children " << tree.childAtIndex(i).numberOfChildren() << "\n";
        }
        std::cout << "map " << map.size() << "\n";
    }
}
