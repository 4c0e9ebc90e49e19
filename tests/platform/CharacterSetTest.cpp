#include "platform/foundation/CharacterSet.h"

#include <gtest/gtest.h>

using plat::CharacterSet;

namespace {

struct Membership {
    const char* set;
    const CharacterSet& (*get)();
    std::vector<char32_t> in;
    std::vector<char32_t> out;
};

} // namespace

TEST(CharacterSet, StandardSetsFollowThePlatformDefinitions)
{
    const std::vector<Membership> table = {
        {"whitespace", &CharacterSet::whitespace, {' ', '\t', 0xA0, 0x2003, 0x3000}, {'\n', '\r', 0x0B, 0x0C, 0x85, 0x2028, 'a', 0x200B}},
        {"newline", &CharacterSet::newline, {'\n', 0x0B, 0x0C, '\r', 0x85, 0x2028, 0x2029}, {' ', '\t', 0x09, 0x0E, 0x2027}},
        {"whitespaceAndNewline", &CharacterSet::whitespaceAndNewline, {' ', '\t', '\n', 0x0B, 0x85, 0x2029, 0x3000}, {'x', 0x1C, 0x200B}},
        {"punctuation", &CharacterSet::punctuation, {'.', ',', '!', '-', '(', '_', '#', 0x2014, 0x3001}, {'$', '+', '<', '^', '`', 'a', ' '}},
        {"decimalDigits", &CharacterSet::decimalDigits, {'0', '9', 0x0663, 0xFF15, 0x1D7CE}, {'a', 0x00B2, 0x2155}},
        {"letters", &CharacterSet::letters, {'a', 'Z', 0xE9, 0x0301, 0x4E2D, 0x1D400}, {'1', '_', ' ', 0x1F600}},
        {"alphanumerics", &CharacterSet::alphanumerics, {'a', '7', 0x00B2, 0x2155, 0x0301}, {'_', ' ', '.', 0x1F600}},
    };
    for (const auto& row : table) {
        for (char32_t c : row.in)
            EXPECT_TRUE(row.get().contains(c)) << row.set << " should contain U+" << std::hex << unsigned(c);
        for (char32_t c : row.out)
            EXPECT_FALSE(row.get().contains(c)) << row.set << " should not contain U+" << std::hex << unsigned(c);
    }
}

TEST(CharacterSet, BuiltSetsAndAlgebra)
{
    const CharacterSet fromText = CharacterSet::fromString(QString::fromUtf8("ab\xF0\x9F\x98\x80"));
    EXPECT_TRUE(fromText.contains(U'a'));
    EXPECT_TRUE(fromText.contains(char32_t(0x1F600))); // the pair is one member, not two halves
    EXPECT_FALSE(fromText.contains(char32_t(0xD83D)));
    EXPECT_FALSE(fromText.contains(U'c'));

    const CharacterSet lower = CharacterSet::fromPattern(QStringLiteral("[a-z]"));
    EXPECT_TRUE(lower.contains(QChar('q')));
    EXPECT_FALSE(lower.contains(QChar('Q')));
    EXPECT_FALSE(CharacterSet::fromPattern(QStringLiteral("[a-")).contains(U'a'));

    const CharacterSet notLower = lower.inverted();
    EXPECT_TRUE(notLower.contains(U'Q'));
    EXPECT_FALSE(notLower.contains(U'q'));
    EXPECT_TRUE(lower.contains(U'q')); // the original is unchanged

    const CharacterSet both = lower.united(CharacterSet::decimalDigits());
    EXPECT_TRUE(both.contains(U'q'));
    EXPECT_TRUE(both.contains(U'5'));
    EXPECT_FALSE(both.contains(U'!'));
    EXPECT_FALSE(CharacterSet().contains(U'a'));
}
