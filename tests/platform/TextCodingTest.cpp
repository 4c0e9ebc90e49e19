#include "platform/foundation/KeyedArchive.h"
#include "platform/text/AttributedText.h"
#include "platform/text/Color.h"
#include "platform/text/Font.h"
#include "platform/text/ParagraphStyle.h"

#include <gtest/gtest.h>

namespace {

using namespace plat;

TEST(TextCoding, AttributedTextKeepsValuesAndSharing)
{
    auto style = ParagraphStyle::create();
    style->setTabStops({TextTab::create(TextAlignment::Left, 36), TextTab::create(TextAlignment::Right, 72)});
    style->setHeadIndent(12);
    style->setTextLists({TextList::create("{decimal}.", 0, 3)});
    const auto font = Font::create("Menlo", 13, true, false);
    MutableAttributedString text(QStringLiteral("one two three"));
    text.setAttributes(Attributes{{FontAttribute, Value(font)}, {ParagraphStyleAttribute, Value(style)}}, Range(0, 3));
    text.setAttributes(Attributes{{FontAttribute, Value(font)}, {ForegroundColorAttribute, Value(Color::rgba(0.1, 0.2, 0.3, 0.4))}},
                       Range(8, 5));

    QString error;
    const QByteArray data = KeyedArchiver::archivedData(AttributedText::create(text), &error);
    ASSERT_FALSE(data.isEmpty()) << error.toStdString();
    const auto decoded = objectCast<AttributedText>(KeyedUnarchiver::unarchiveObject(data, &error));
    ASSERT_TRUE(decoded) << error.toStdString();
    EXPECT_EQ(decoded->text(), AttributedString(text));
    // One font object in two runs stays one object.
    EXPECT_EQ(decoded->text().attributeAtIndex(FontAttribute, 0).toObject(),
              decoded->text().attributeAtIndex(FontAttribute, 9).toObject());
    const auto back = decoded->text().attributeAtIndex(ParagraphStyleAttribute, 0).toObject<ParagraphStyle>();
    EXPECT_TRUE(back->isEqual(*style));
}

TEST(TextCoding, EqualValuesAreArchivedOnce)
{
    // Styling gives every run its own font and paragraph style objects; an
    // archive of them must not grow with the number of runs.
    const auto archive = [](int runs, bool distinct) {
        MutableAttributedString text(QString(runs * 2, QLatin1Char('x')));
        for (int i = 0; i < runs; ++i) {
            auto style = ParagraphStyle::create();
            style->setHeadIndent(distinct ? i : 12);
            text.setAttributes(Attributes{{FontAttribute, Value(Font::create("Menlo", 13, i % 2 == 0, false))},
                                          {ParagraphStyleAttribute, Value(style)}},
                               Range(i * 2, 2));
        }
        return KeyedArchiver::archivedData(AttributedText::create(text));
    };
    const QByteArray few = archive(10, false);
    const QByteArray many = archive(1000, false);
    ASSERT_FALSE(few.isEmpty());
    EXPECT_LT(many.size(), few.size() + 1000 * 120) << "equal values are stored per run";

    // Distinct values all survive, and equal ones decode equal.
    const QByteArray data = archive(50, true);
    QString error;
    const auto decoded = objectCast<AttributedText>(KeyedUnarchiver::unarchiveObject(data, &error));
    ASSERT_TRUE(decoded) << error.toStdString();
    for (int i = 0; i < 50; ++i) {
        const auto style = decoded->text().attributeAtIndex(ParagraphStyleAttribute, i * 2).toObject<ParagraphStyle>();
        ASSERT_TRUE(style);
        EXPECT_EQ(style->headIndent(), i);
        const auto font = decoded->text().attributeAtIndex(FontAttribute, i * 2).toObject<Font>();
        EXPECT_EQ(font->isBold(), i % 2 == 0);
    }
}

} // namespace

namespace {

TEST(TextCoding, UnreadableImageBytesFailTheArchive)
{
    class JunkImage : public plat::Object {
    public:
        QString className() const override { return QStringLiteral("Image"); }
        bool supportsCoding() const override { return true; }
        void encodeWithCoder(plat::KeyedArchiver& c) const override { c.encodeData("data", QByteArray("junk")); }
    };
    QString error;
    EXPECT_FALSE(plat::KeyedUnarchiver::unarchiveObject(plat::KeyedArchiver::archivedData(std::make_shared<JunkImage>()), &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace

namespace {

// An archive of text whose one run has the given range.
QByteArray textArchiveWithRun(const QString& string, plat::Range range)
{
    class ForgedText : public plat::Object {
    public:
        ForgedText(QString string, plat::Range range) : m_string(std::move(string)), m_range(range) {}
        QString className() const override { return QStringLiteral("AttributedString"); }
        bool supportsCoding() const override { return true; }
        void encodeWithCoder(plat::KeyedArchiver& c) const override
        {
            c.encodeString(QStringLiteral("string"), m_string);
            c.encodeValue(QStringLiteral("runs"),
                          plat::Value(plat::ValueList{plat::Value(plat::ValueMap{
                              {QStringLiteral("range"), plat::Value(m_range)},
                              {QStringLiteral("attributes"), plat::Value(plat::ValueMap{})}})}));
        }

    private:
        QString m_string;
        plat::Range m_range;
    };
    return plat::KeyedArchiver::archivedData(std::make_shared<ForgedText>(string, range));
}

TEST(TextCoding, RunRangesBeyondTheTextFailTheArchive)
{
    const qsizetype huge = qsizetype(1) << 62;
    const qsizetype max = std::numeric_limits<qsizetype>::max();
    struct Case {
        plat::Range range;
        bool accepted;
    } cases[] = {
        {plat::Range(0, 3), true},          {plat::Range(3, 0), true},
        {plat::Range(2, 2), false},         {plat::Range(4, 0), false},
        {plat::Range(huge, huge), false},   {plat::Range(1, max), false},
        {plat::Range(max, 1), false},       {plat::Range(-1, 2), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.range.location << ", " << c.range.length);
        QString error;
        const auto decoded = plat::KeyedUnarchiver::unarchiveObject(textArchiveWithRun(QStringLiteral("abc"), c.range), &error);
        EXPECT_EQ(bool(decoded), c.accepted) << error.toStdString();
        EXPECT_EQ(error.isEmpty(), c.accepted);
    }
}

} // namespace

namespace {

// An archive of "abcd" whose runs are the given table of lengths and dictionaries.
QByteArray textArchiveWithRunTable(plat::ValueList table)
{
    class ForgedTable : public plat::Object {
    public:
        explicit ForgedTable(plat::ValueList table) : m_table(std::move(table)) {}
        QString className() const override { return QStringLiteral("AttributedString"); }
        bool supportsCoding() const override { return true; }
        void encodeWithCoder(plat::KeyedArchiver& c) const override
        {
            c.encodeString(QStringLiteral("string"), QStringLiteral("abcd"));
            c.encodeValue(QStringLiteral("attributeRuns"), plat::Value(m_table));
        }

    private:
        plat::ValueList m_table;
    };
    return plat::KeyedArchiver::archivedData(std::make_shared<ForgedTable>(std::move(table)));
}

TEST(TextCoding, RunTablesMustTileTheTextExactly)
{
    using plat::Value;
    const Value font(plat::Font::create("Menlo", 13, false, false));
    struct Case {
        const char* name;
        plat::ValueList table;
        bool accepted;
    } cases[] = {
        {"two runs", {Value(1), Value(), Value(3), Value()}, true},
        {"too short", {Value(1), Value(), Value(2), Value()}, false},
        {"too long", {Value(4), Value(), Value(1), Value()}, false},
        {"negative", {Value(-1), Value(), Value(5), Value()}, false},
        {"huge", {Value(qint64(1) << 62), Value(), Value(qint64(1) << 62), Value()}, false},
        {"odd count", {Value(4)}, false},
        {"length not a number", {Value("4"), Value()}, false},
        {"a font for a dictionary", {Value(4), font}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        const auto decoded = plat::KeyedUnarchiver::unarchiveObject(textArchiveWithRunTable(c.table), &error);
        EXPECT_EQ(bool(decoded), c.accepted) << error.toStdString();
    }
}

TEST(TextCoding, RunsSharingADictionaryStoreItOnce)
{
    // A page's runs repeat a few dictionaries: the archive grows by a few bytes a run.
    const auto archive = [](int runs) {
        plat::MutableAttributedString text(QString(runs, QLatin1Char('x')));
        for (int i = 0; i < runs; ++i)
            text.setAttributes(plat::Attributes{{plat::FontAttribute, plat::Value(plat::Font::create("Menlo", 13, i % 2 == 0, false))},
                                                {QStringLiteral("ZQTAFilterItalic"), plat::Value(QStringLiteral("Italic"))}},
                               plat::Range(i, 1));
        return plat::KeyedArchiver::archivedData(plat::AttributedText::create(text));
    };
    const QByteArray few = archive(10);
    const QByteArray many = archive(1010);
    EXPECT_LT(many.size() - few.size(), 1000 * 12);
    const auto decoded = plat::objectCast<plat::AttributedText>(plat::KeyedUnarchiver::unarchiveObject(many));
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(decoded->text().attributeAtIndex(plat::FontAttribute, 7).toObject<plat::Font>()->isEqual(
        *plat::Font::create("Menlo", 13, false, false)));
}

} // namespace
