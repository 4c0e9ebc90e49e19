#include "InlineRendering.h"
#include <gtest/gtest.h>
#include <iostream>
using namespace InlineRendering;
TEST(Scratch, Print)
{
    auto refs = std::make_shared<ZQLinkRefMap>();
    define(*refs, "b", "/b-url");
    define(*refs, "^1", "note one");
    for (const char* s : {"*a* **b** ***c***", "a < b & \"c\" > d", "`` a ` b ``", "&auml; &#128512; &#1114111; &nosuch;",
                          "\\*not\\*", "[t](a(b)c) [t](<x y> \"T\")", "[a] [b] and [^1]", "<http://a.b/{x}&y> <me@x.org>",
                          "<a href=\"x\" title='y'> <br/> <a b> <!----> <!--a--->", "![a [b](u)](v)", "[x [y](u) z](v)",
                          "foo_bar_", "*foo _bar* baz_", "**foo*", "![a *b* `c<d`](x.png \"t\")", "<![CDATA[x]]> <![x]"}) {
        std::cout << s << "\n   -> " << html(QString::fromUtf8(s), Markdown, refs).toStdString() << "\n";
    }
    for (const char* s : {"*s* ~e~ -d- _u_ +a,b+", "~x~ and -x-"}) {
        std::cout << s << "\n   Q> " << html(QString::fromUtf8(s), QuorvelMarkup).toStdString() << "\n";
    }
}
