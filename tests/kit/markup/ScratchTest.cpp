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
#include <QElapsedTimer>
TEST(Scratch, Huge)
{
    const char* env = getenv("HUGE");
    if (!env) return;
    int which = atoi(env);
    QString line = QString(which, QLatin1Char('>'));
    ZQDocTreeParser parser;
    ZQLinkRefMap map;
    QElapsedTimer t; t.start();
    parser.processDocTree(line, plat::wholeRange(line), &map, nullptr, nullptr, 0);
    printf("case %d: %lld ms\n", which, (long long)t.elapsed());
}
