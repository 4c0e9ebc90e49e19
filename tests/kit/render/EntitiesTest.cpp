#include "kit/model/EntityTable.h"
#include "kit/model/ZQRenderUtil.h"
#include "platform/foundation/Regex.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string replacementOf(const char* name)
{
    const entity_record* r = find_entity(name, std::uint32_t(std::strlen(name)));
    return r ? std::string(r->utf8, r->length) : std::string("<none>");
}

TEST(Entities, NamedLookup)
{
    const std::pair<const char*, const char*> cases[] = {
        {"amp", "&"},
        {"lt", "<"},
        {"quot", "\""},
        {"Tab", "\t"},
        {"NewLine", "\n"},
        {"AMP", "&"},
        {"nbsp", "\xC2\xA0"},
        {"copy", "\xC2\xA9"},
        {"euro", "\xE2\x82\xAC"},
        {"CounterClockwiseContourIntegral", "\xE2\x88\xB3"},
        {"Afr", "\xF0\x9D\x94\x84"},
        {"fjlig", "fj"},
        {"NotEqualTilde", "\xE2\x89\x82\xCC\xB8"},
        // Case matters, and neither prefixes nor extensions of names match.
        {"Amp", "<none>"},
        {"am", "<none>"},
        {"ampp", "<none>"},
        {"CounterClockwiseContourIntegra", "<none>"},
        {"", "<none>"},
        {"a", "<none>"},
        {"CounterClockwiseContourIntegralX", "<none>"},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(replacementOf(name), expected) << name;

    // The name needs no terminator, and out-of-bounds lengths never read it.
    EXPECT_EQ(std::string(find_entity("ampersand", 3)->utf8, 1), "&");
    EXPECT_EQ(find_entity(nullptr, 1), nullptr);
    EXPECT_EQ(find_entity(nullptr, 32), nullptr);

    // Exported from the library under its C name.
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "find_entity"), reinterpret_cast<void*>(&find_entity));

    EXPECT_EQ(ZQRenderUtil::entityUnicode("copy", 4), QString(QChar(0xA9)));
    EXPECT_EQ(ZQRenderUtil::entityUnicode("Afr", 3), QString::fromUcs4(U"\U0001D504"));
    EXPECT_TRUE(ZQRenderUtil::entityUnicode("unknownname", 11).isNull());
}

TEST(Entities, ConvertWholeString)
{
    const QString replacement(QChar(0xFFFD));
    struct Case {
        QString input;
        bool escape;
        QString expected;
    };
    const Case cases[] = {
        {"&amp;", true, "&amp;"},
        {"&amp;", false, "&"},
        {"&quot;", true, "&quot;"},
        {"&copy;", true, QString(QChar(0xA9))},
        {"&#169;", true, QString(QChar(0xA9))},
        {"&#xa9;", true, QString(QChar(0xA9))},
        {"&#XA9;", true, QString(QChar(0xA9))},
        {"&#60;", true, "&lt;"},
        {"&#60;", false, "<"},
        {"&#00000065;", false, "A"},
        {"&fjlig;", false, "fj"},
        {"&NotEqualTilde;", false, QString::fromUcs4(U"\u2242\u0338")},
        // Astral characters become two UTF-16 units.
        {"&#128512;", false, QString::fromUcs4(U"\U0001F600")},
        {"&Afr;&#x1F600;x", false, QString::fromUcs4(U"\U0001D504\U0001F600x")},
        {"&#x10FFFE;", false, QString::fromUcs4(U"\U0010FFFE")},
        // No NUL, lone surrogate or out-of-range code point enters the text.
        {"&#1114111;", false, replacement},
        {"&#x110000;", false, replacement},
        {"&#0;", false, replacement},
        {"&#x0;", false, replacement},
        {"&#xD800;", false, replacement},
        {"&#56319;", false, replacement},
        {"&#xDFFF;", false, replacement},
        {"&#xFFFFFFFF;", false, replacement},
        {"&#99999999;", false, replacement},
        // Adjacent references, each at its shifted position.
        {"&lt;&gt;", false, "<>"},
        {"&lt;&gt;", true, "&lt;&gt;"},
        {"a&lt;b&#x3E;c&euro;d", false, QString::fromUcs4(U"a<b>c\u20ACd")},
        {"&&amp;", false, "&&"},
        {"&x&amp;;", false, "&x&;"},
        // Malformed, unknown or escaped references stay as written.
        {"&unknownname;", false, "&unknownname;"},
        {"&amp", false, "&amp"},
        {"& amp;", false, "& amp;"},
        {"&#123456789;", false, "&#123456789;"},
        {"&#x123456789;", false, "&#x123456789;"},
        {"&#;", false, "&#;"},
        {"&#x;", false, "&#x;"},
        {"&#xG;", false, "&#xG;"},
        {"&;", false, "&;"},
        {"\\&amp;", false, "\\&amp;"},
        {"&amp\\;", false, "&amp\\;"},
        {"&a\\&amp;", false, "&a\\&amp;"},
        {"\\\\&amp;", false, "\\\\&"},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZQRenderUtil::convertEntity(c.input, plat::wholeRange(c.input), c.escape), c.expected)
            << c.input.toStdString() << (c.escape ? " (escaped)" : "");
    }
}

TEST(Entities, ConvertsOnlyInsideTheRange)
{
    const QString text = "&lt; &lt; &lt;";
    EXPECT_EQ(ZQRenderUtil::convertEntity(text, plat::Range(5, 4), false), "&lt; < &lt;");
    // A reference that runs past the range's end is not one.
    EXPECT_EQ(ZQRenderUtil::convertEntity(text, plat::Range(5, 3), false), text);
    EXPECT_EQ(ZQRenderUtil::convertEntity(text, plat::Range(0, 0), false), text);
    EXPECT_THROW(ZQRenderUtil::convertEntity(text, plat::Range(10, 5), false), plat::RangeError);
}

TEST(Entities, LongRunsOfAmpersands)
{
    const qsizetype size = 1 << 20;
    for (const QString& unit : {QString("&"), QString("&#"), QString("&a"), QString("&#x")}) {
        const QString text = unit.repeated(size / unit.size());
        EXPECT_EQ(ZQRenderUtil::convertEntity(text, plat::wholeRange(text), true), text) << unit.toStdString();
    }
    const QString mixed = QString("&#&lt;").repeated(size / 6);
    EXPECT_EQ(ZQRenderUtil::convertEntity(mixed, plat::wholeRange(mixed), false), QString("&#<").repeated(size / 6));
}

} // namespace
