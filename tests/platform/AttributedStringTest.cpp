#include "platform/text/AttributedString.h"
#include "platform/text/ParagraphStyle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace plat;

namespace {

// Equal to any other with the same key, like the UUID-keyed styles.
class KeyedStyle final : public Object {
public:
    explicit KeyedStyle(QString key) : m_key(std::move(key)) {}
    QString className() const override { return QStringLiteral("KeyedStyle"); }
    bool isEqual(const Object& other) const override
    {
        const auto* s = dynamic_cast<const KeyedStyle*>(&other);
        return s && s->m_key == m_key;
    }
    std::shared_ptr<Object> copy() const override { return std::make_shared<KeyedStyle>(m_key); }

private:
    QString m_key;
};

// Equal only to itself, like a paired marker.
class Marker final : public Object {
public:
    QString className() const override { return QStringLiteral("Marker"); }
};

ObjectPtr keyed(const char* key)
{
    return std::make_shared<KeyedStyle>(QString::fromLatin1(key));
}

const QString Style = QStringLiteral("style");
const QString Tag = QStringLiteral("tag");

struct Run {
    Range range;
    Value value;
};

std::vector<Run> runsOf(const AttributedString& s, const QString& name, unsigned options = 0)
{
    std::vector<Run> runs;
    s.enumerateAttribute(name, Range(0, s.length()), options,
                         [&](const Value& v, Range r, bool*) { runs.push_back({r, v}); });
    return runs;
}

std::vector<Range> rangesOf(const AttributedString& s, const QString& name, unsigned options = 0)
{
    std::vector<Range> ranges;
    for (const Run& run : runsOf(s, name, options))
        ranges.push_back(run.range);
    return ranges;
}

} // namespace

TEST(AttributedString, NeighboursMergeByTheValuesOwnEquality)
{
    MutableAttributedString s(QStringLiteral("aabbccddee"));
    const ObjectPtr first = keyed("u1");
    s.addAttribute(Style, first, Range(0, 2));
    s.addAttribute(Style, keyed("u1"), Range(2, 2));
    s.addAttribute(Style, keyed("u2"), Range(4, 2));
    const auto marker = std::make_shared<Marker>();
    s.addAttribute(Tag, marker, Range(0, 1));
    s.addAttribute(Tag, marker, Range(1, 1));
    s.addAttribute(Tag, std::make_shared<Marker>(), Range(2, 1));

    EXPECT_EQ(rangesOf(s, Style), (std::vector<Range>{{0, 4}, {4, 2}, {6, 4}}));
    EXPECT_EQ(runsOf(s, Style).front().value.toObject(), first);
    EXPECT_TRUE(runsOf(s, Style).back().value.isNull());
    EXPECT_EQ(rangesOf(s, Tag), (std::vector<Range>{{0, 2}, {2, 1}, {3, 7}}));

    // Whole-dictionary runs are maximal as well.
    Range effective;
    s.attributesAtIndex(3, &effective);
    EXPECT_EQ(effective, Range(3, 1));
    s.removeAttribute(Tag, Range(0, 10));
    s.attributesAtIndex(3, &effective);
    EXPECT_EQ(effective, Range(0, 4));
}

TEST(AttributedString, ReplacedTextInheritsAttributes)
{
    struct Case {
        const char* text;
        Range range;
        const char* expectedStyle; // of the new text; nullptr for none
        const char* expectedText;
    } cases[] = {
        {"abc", {0, 0}, "A", "xabc"}, // at the start: the character after
        {"abc", {1, 0}, "A", "axbc"}, // in the middle: the character before
        {"abc", {3, 0}, "C", "abcx"}, // at the end: the last character
        {"abc", {1, 2}, "B", "ax"},   // a range: its first character
        {"", {0, 0}, nullptr, "x"},   // into empty text: nothing
    };
    for (const Case& c : cases) {
        MutableAttributedString s(QString::fromLatin1(c.text));
        for (qsizetype i = 0; i < s.length(); ++i)
            s.addAttribute(Style, QString(QChar(char16_t(u'A' + i))), Range(i, 1));
        s.replaceCharacters(c.range, QStringLiteral("x"));
        EXPECT_EQ(s.string(), QString::fromLatin1(c.expectedText));
        const Value style = s.attributeAtIndex(Style, c.range.location);
        if (c.expectedStyle)
            EXPECT_EQ(style, Value(c.expectedStyle)) << c.range.location;
        else
            EXPECT_TRUE(style.isNull());
    }

    // Attributed replacements bring their own attributes, also when they are the string itself.
    MutableAttributedString s(QStringLiteral("ab"), Attributes{{Style, "A"}});
    s.append(AttributedString(QStringLiteral("cd")));
    s.insert(s, 1);
    EXPECT_EQ(s.string(), QStringLiteral("aabcdbcd"));
    EXPECT_EQ(rangesOf(s, Style), (std::vector<Range>{{0, 3}, {3, 2}, {5, 1}, {6, 2}}));

    // Replacing the whole text, by another string or by itself, takes its runs
    // as they are; later edits still merge and split them.
    MutableAttributedString whole(QStringLiteral("xyz"), Attributes{{Style, "B"}});
    whole.setAttributedString(s);
    EXPECT_EQ(whole, s);
    whole.setAttributedString(whole);
    EXPECT_EQ(whole, s);
    whole.addAttribute(Style, "A", Range(3, 3));
    EXPECT_EQ(rangesOf(whole, Style), (std::vector<Range>{{0, 6}, {6, 2}}));
}

TEST(AttributedString, EffectiveAndLongestRanges)
{
    // Style S over 0..6, cut into three runs by a tag in the middle.
    MutableAttributedString s(QStringLiteral("0123456789"));
    s.addAttribute(Style, "S", Range(0, 7));
    s.addAttribute(Tag, 1, Range(3, 2));

    Range range;
    EXPECT_EQ(s.attributeAtIndex(Style, 4, &range), Value("S"));
    EXPECT_EQ(range, Range(3, 2));
    EXPECT_EQ(s.attributeAtIndexLongestEffectiveRange(Style, 4, &range, Range(0, 10)), Value("S"));
    EXPECT_EQ(range, Range(0, 7));
    s.attributeAtIndexLongestEffectiveRange(Style, 4, &range, Range(2, 4));
    EXPECT_EQ(range, Range(2, 4));
    EXPECT_TRUE(s.attributeAtIndexLongestEffectiveRange(Style, 8, &range, Range(0, 10)).isNull());
    EXPECT_EQ(range, Range(7, 3));
    const Attributes at5 = s.attributesAtIndexLongestEffectiveRange(5, &range, Range(5, 5));
    EXPECT_EQ(at5.value(Style), Value("S"));
    EXPECT_EQ(range, Range(5, 2));

    // Enumeration merges for one attribute unless told not to, in both directions.
    EXPECT_EQ(rangesOf(s, Style), (std::vector<Range>{{0, 7}, {7, 3}}));
    EXPECT_EQ(rangesOf(s, Style, EnumerationReverse), (std::vector<Range>{{7, 3}, {0, 7}}));
    EXPECT_EQ(rangesOf(s, Style, EnumerationLongestEffectiveRangeNotRequired),
              (std::vector<Range>{{0, 3}, {3, 2}, {5, 2}, {7, 3}}));
    std::vector<Range> clipped;
    s.enumerateAttributes(Range(4, 4), EnumerationReverse, [&](const Attributes&, Range r, bool* stop) {
        clipped.push_back(r);
        *stop = clipped.size() == 2;
    });
    EXPECT_EQ(clipped, (std::vector<Range>{{7, 1}, {5, 2}}));
}

TEST(AttributedString, ReverseEnumerationMayEditFromTheEnd)
{
    // Delete every tagged stretch while walking backwards, and replace the untagged ones.
    MutableAttributedString s(QStringLiteral("aaXXbbYYcc"));
    s.addAttribute(Tag, "t", Range(2, 2));
    s.addAttribute(Tag, "t", Range(6, 2));
    s.enumerateAttribute(Tag, Range(0, s.length()), EnumerationReverse, [&](const Value& v, Range r, bool*) {
        if (v.isNull())
            s.replaceCharacters(r, QStringLiteral("-"));
        else
            s.deleteCharacters(r);
    });
    EXPECT_EQ(s.string(), QStringLiteral("---"));

    // Forward edits that shorten the text end the walk at the new end.
    MutableAttributedString t(QStringLiteral("abcd"));
    t.addAttribute(Tag, 1, Range(0, 1));
    int visits = 0;
    t.enumerateAttribute(Tag, Range(0, 4), 0, [&](const Value&, Range, bool*) {
        ++visits;
        t.deleteCharacters(Range(1, t.length() - 1));
    });
    EXPECT_EQ(visits, 1);
}

TEST(AttributedString, FixAttributesPerParagraph)
{
    const auto first = ParagraphStyle::create();
    const auto second = ParagraphStyle::create();
    second->setHeadIndent(20);
    const auto attachment = std::make_shared<Marker>();
    // Paragraphs: "ab\r\n" (CR LF ends once), "c\u2028d\n" (a line separator does not), "ef".
    MutableAttributedString s(QString::fromUtf16(u"ab\r\nc\u2028d\nef"));
    s.addAttribute(ParagraphStyleAttribute, first, Range(0, 1));
    s.addAttribute(ParagraphStyleAttribute, second, Range(1, 3));
    s.addAttribute(ParagraphStyleAttribute, second, Range(6, 1));
    s.replaceCharacters(Range(9, 0), QString(QChar(ObjectReplacementCharacter)));
    s.addAttribute(AttachmentAttribute, attachment, Range(8, 2));
    s.fixAttributes(Range(2, 1));
    EXPECT_EQ(rangesOf(s, ParagraphStyleAttribute), (std::vector<Range>{{0, 4}, {4, 2}, {6, 1}, {7, 4}}));
    EXPECT_EQ(s.attributeAtIndex(ParagraphStyleAttribute, 3).toObject(), first);

    s.fixAttributes(Range(s.length(), 0));
    EXPECT_EQ(rangesOf(s, AttachmentAttribute), (std::vector<Range>{{0, 9}, {9, 1}, {10, 1}}));
    EXPECT_EQ(s.attributeAtIndex(AttachmentAttribute, 9).toObject(), attachment);
    s.fixAttributes(Range(5, 0));
    EXPECT_EQ(rangesOf(s, ParagraphStyleAttribute), (std::vector<Range>{{0, 4}, {4, 7}}));
}

TEST(AttributedString, CopiesShareValueObjects)
{
    const auto style = ParagraphStyle::create();
    MutableAttributedString s(QStringLiteral("hello"), Attributes{{ParagraphStyleAttribute, style}});
    const AttributedString copy = s;
    const AttributedString part = s.attributedSubstring(Range(1, 2));
    const Attributes taken = s.attributesAtIndex(0);
    for (const Value& v : {copy.attributeAtIndex(ParagraphStyleAttribute, 0),
                           part.attributeAtIndex(ParagraphStyleAttribute, 1), taken.value(ParagraphStyleAttribute)})
        EXPECT_EQ(v.toObject(), style);

    // Editing a shared style in place shows everywhere; editing one string's runs does not.
    style->setHeadIndent(12);
    EXPECT_EQ(copy.attributeAtIndex(ParagraphStyleAttribute, 0).toObject<ParagraphStyle>()->headIndent(), 12);
    s.addAttribute(Tag, 1, Range(0, 5));
    EXPECT_TRUE(copy.attributeAtIndex(Tag, 0).isNull());
    EXPECT_FALSE(taken.contains(Tag));
    EXPECT_NE(s, copy);
    s.removeAttribute(Tag, Range(0, 5));
    EXPECT_EQ(s, copy);
}

TEST(AttributedString, OutOfRangeThrows)
{
    MutableAttributedString s(QStringLiteral("abc"));
    Range r;
    EXPECT_THROW(s.attributesAtIndex(3), RangeError);
    EXPECT_THROW(s.attributeAtIndex(Tag, -1), RangeError);
    EXPECT_THROW(s.attributeAtIndexLongestEffectiveRange(Tag, 2, &r, Range(0, 2)), RangeError);
    EXPECT_THROW(s.attributedSubstring(Range(2, 2)), RangeError);
    EXPECT_THROW(s.replaceCharacters(Range(4, 0), QStringLiteral("x")), RangeError);
    EXPECT_THROW(s.addAttribute(Tag, 1, Range(1, 3)), RangeError);
    EXPECT_THROW(s.enumerateAttributes(Range(0, 4), 0, [](const Attributes&, Range, bool*) {}), RangeError);
    EXPECT_EQ(s.string(), QStringLiteral("abc"));
    EXPECT_NO_THROW(s.attributedSubstring(Range(3, 0)));
}

// The run tree against a per-character model, over many random edits.
TEST(AttributedString, MatchesAPerCharacterModelUnderRandomEdits)
{
    std::mt19937 random(7);
    auto pick = [&](qsizetype n) { return qsizetype(random() % (n + 1)); };
    auto randomAttributes = [&] {
        Attributes a;
        if (random() % 3)
            a.set(Tag, int(random() % 3));
        if (random() % 2)
            a.set(Style, keyed(random() % 2 ? "u1" : "u2"));
        return a;
    };

    // Runs without Style can then be stepped over.
    ASSERT_NE(AttributeRuns::nameBit(Style), AttributeRuns::nameBit(Tag));
    MutableAttributedString s;
    QString text;
    std::vector<Attributes> model;
    for (int step = 0; step < 3000; ++step) {
        const qsizetype location = pick(text.size());
        const Range range(location, pick(std::min<qsizetype>(text.size() - location, 6)));
        const int op = int(random() % 5);
        if (op == 0) {
            const QString insert = QString(int(random() % 8), QChar(char16_t(u'a' + step % 26)));
            Attributes inherited;
            if (!range.isEmpty() || range.location > 0)
                inherited = model[range.isEmpty() ? range.location - 1 : range.location];
            else if (!model.empty())
                inherited = model[0];
            s.replaceCharacters(range, insert);
            text.replace(range.location, range.length, insert);
            model.erase(model.begin() + range.location, model.begin() + range.end());
            model.insert(model.begin() + range.location, insert.size(), inherited);
        } else if (op == 1) {
            const Attributes a = randomAttributes();
            const qsizetype n = qsizetype(random() % 8);
            s.replaceCharacters(range, AttributedString(QString(n, QChar(char16_t(u'A' + step % 26))), a));
            text.replace(range.location, range.length, QString(n, QChar(char16_t(u'A' + step % 26))));
            model.erase(model.begin() + range.location, model.begin() + range.end());
            model.insert(model.begin() + range.location, n, a);
        } else if (op == 2) {
            const Attributes a = randomAttributes();
            s.setAttributes(a, range);
            std::fill(model.begin() + range.location, model.begin() + range.end(), a);
        } else if (op == 3) {
            const Value v = int(random() % 3);
            s.addAttribute(Tag, v, range);
            for (qsizetype i = range.location; i < range.end(); ++i)
                model[i].set(Tag, v);
        } else {
            s.removeAttribute(Style, range);
            for (qsizetype i = range.location; i < range.end(); ++i)
                model[i].remove(Style);
        }

        ASSERT_EQ(s.string(), text) << step;
        qsizetype covered = 0;
        Attributes previous;
        s.enumerateAttributes(Range(0, s.length()), 0, [&](const Attributes& a, Range r, bool*) {
            ASSERT_EQ(r.location, covered);
            ASSERT_TRUE(covered == 0 || a != previous) << "runs not maximal at step " << step;
            for (qsizetype i = r.location; i < r.end(); ++i)
                ASSERT_EQ(a, model[i]) << "step " << step << " index " << i;
            covered = r.end();
            previous = a;
        });
        ASSERT_EQ(covered, text.size());
        // One attribute's spans, absent stretches stepped over, in both directions.
        const qsizetype from = pick(text.size());
        const Range part(from, pick(text.size() - from));
        std::vector<::Run> expected;
        for (qsizetype i = part.location; i < part.end(); ++i) {
            const Value v = model[i].value(Style);
            if (!expected.empty() && expected.back().value == v)
                ++expected.back().range.length;
            else
                expected.push_back({Range(i, 1), v});
        }
        for (const unsigned options : {0u, unsigned(EnumerationReverse)}) {
            std::vector<::Run> spans;
            s.enumerateAttribute(Style, part, options, [&](const Value& v, Range r, bool*) { spans.push_back({r, v}); });
            if (options)
                std::reverse(spans.begin(), spans.end());
            ASSERT_EQ(spans.size(), expected.size()) << "step " << step;
            for (std::size_t k = 0; k < spans.size(); ++k) {
                ASSERT_EQ(spans[k].range, expected[k].range) << "step " << step;
                ASSERT_TRUE(spans[k].value == expected[k].value) << "step " << step;
            }
        }
        if (!text.isEmpty()) {
            const qsizetype i = pick(text.size() - 1);
            Range effective;
            ASSERT_EQ(s.attributesAtIndex(i, &effective), model[i]);
            ASSERT_TRUE(effective.contains(i));
        }
    }
}
