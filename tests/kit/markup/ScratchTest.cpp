#include "TreeOutline.h"
#include "kit/markup/ZQDocTreeParser.h"
#include <gtest/gtest.h>
#include <cstdio>

TEST(Scratch, Print)
{
    const char* env = getenv("SCRATCH");
    if (!env) return;
    QString text = QString::fromUtf8(env).replace("\\n", "\n").replace("\\t", "\t");
    ZQDocTreeParser parser;
    ZQLinkRefMap map;
    std::vector<std::shared_ptr<ZQLinkRef>> dups;
    ZSTree tree = parser.processDocTree(text, plat::wholeRange(text), &map, &dups, nullptr, getenv("OPT") ? atoi(getenv("OPT")) : 0);
    printf("%s", qPrintable(treeOutline(tree)));
    for (auto it = map.begin(); it != map.end(); ++it)
        printf("map %s -> %s\n", qPrintable(it.key()), qPrintable(it.value()->description()));
    for (auto& d : dups) printf("dup %s\n", qPrintable(d->description()));
}
