#include "InlineRendering.h"
#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <iostream>
using namespace InlineRendering;
TEST(Scratch, Attacks)
{
    auto refs = std::make_shared<ZQLinkRefMap>();
    define(*refs, "a", "/a");
    struct C { const char* name; QString text; };
    const qsizetype big = 1 << 20;
    std::vector<C> cases = {
        {"stars", QString(10000, '*')}, {"brackets", QString(10000, '[')}, {"closers", QString(10000, ']')},
        {"nested", QString(5000, '[') + "a" + QString(5000, ']')},
        {"lt a", QStringLiteral("<a ").repeated(big / 3)}, {"a star", QStringLiteral("a* ").repeated(big / 3)},
        {"star a", QStringLiteral("*a ").repeated(big / 3)}, {"pi", QStringLiteral("<?").repeated(big / 2)},
        {"cdata", QStringLiteral("<![CDATA[").repeated(big / 9)}, {"decl", QStringLiteral("<!A").repeated(big / 3)},
        {"comment", QStringLiteral("<!--").repeated(big / 4)}, {"ticks", QString("` `` ``` ```` ").repeated(big / 15)},
        {"inline open", QStringLiteral("[a](b ").repeated(big / 6)}, {"full open", QStringLiteral("[a][b ").repeated(big / 6)},
        {"emph", QStringLiteral("*a* _b_ **c** ").repeated(big / 15)}, {"entities", QStringLiteral("&amp; &#65; < > \" ").repeated(big / 18)},
        {"links", QStringLiteral("[a](u) [a] ![x](y) ").repeated(big / 20)}, {"escapes", QStringLiteral("\\* \\\\ a").repeated(big/7)},
        {"alt nest", QString(3000, '!').replace("!", "![") + "x" + QString(3000, ']')},
        {"img open", QStringLiteral("![*a* `b` ").repeated(big / 11)}, {"rich links", QStringLiteral("[a](b) ").repeated(big / 7)},
    };
    const char* only = getenv("CASE");
    const char* tgt = getenv("TARGET");
    for (const C& c : cases) {
        if (only && strcmp(only, c.name)) continue;
        for (quint64 target : {1, 3, 2}) {
            if (tgt && quint64(atoi(tgt)) != target) continue;
            QElapsedTimer t; t.start();
            ZQParagraphParser parser;
            auto ctx = context(target, Markdown, refs);
            plat::MutableAttributedString p(c.text);
            ZQParagraphParser::Markers m;
            parser.parseParagraph(p, &m, target == 1 ? 70 : target == 3 ? 12 : 16, *ctx);
            std::cout << c.name << " target " << target << " len " << c.text.size() << " -> " << t.elapsed() << " ms\n";
        }
    }
}
TEST(Scratch, Alloc)
{
    QElapsedTimer t; t.start();
    std::vector<std::shared_ptr<ZQInlineMarker>> v;
    for (int i = 0; i < 350000; ++i) v.push_back(std::make_shared<ZQInlineMarker>());
    std::cout << "alloc " << t.elapsed() << " ms size " << sizeof(ZQInlineMarker) << "\n";
}
