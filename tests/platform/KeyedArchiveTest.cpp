#include "platform/foundation/KeyedArchive.h"

#include <QCborArray>
#include <QCborMap>
#include <QCborValue>
#include <QRandomGenerator>
#include <gtest/gtest.h>

using plat::KeyedArchiver;
using plat::KeyedUnarchiver;
using plat::ObjectPtr;
using plat::Range;
using plat::Value;

// Named, not anonymous: the fixture is the base of the test classes below.
namespace keyed_archive {

class Note : public plat::Object {
public:
    QString className() const override { return QStringLiteral("TestNote"); }
    bool supportsCoding() const override { return true; }
    void encodeWithCoder(KeyedArchiver& coder) const override
    {
        coder.encodeString(QStringLiteral("title"), title);
        coder.encodeInteger(QStringLiteral("count"), count);
        coder.encodeDouble(QStringLiteral("ratio"), ratio);
        coder.encodeBool(QStringLiteral("flag"), flag);
        coder.encodeData(QStringLiteral("bytes"), bytes);
        coder.encodeRange(QStringLiteral("span"), span);
        coder.encodeObject(QStringLiteral("link"), link);
        coder.encodeValue(QStringLiteral("extra"), extra);
    }
    static ObjectPtr decode(KeyedUnarchiver& coder)
    {
        ++decoded;
        auto note = std::make_shared<Note>();
        note->title = coder.decodeString(QStringLiteral("title"));
        note->count = coder.decodeInteger(QStringLiteral("count"));
        note->ratio = coder.decodeDouble(QStringLiteral("ratio"));
        note->flag = coder.decodeBool(QStringLiteral("flag"));
        note->bytes = coder.decodeData(QStringLiteral("bytes"));
        note->span = coder.decodeRange(QStringLiteral("span"));
        note->link = coder.decodeObject(QStringLiteral("link"));
        note->extra = coder.decodeValue(QStringLiteral("extra"));
        note->hadTitle = coder.containsValue(QStringLiteral("title"));
        if (note->title == QStringLiteral("reject"))
            coder.failWithError(QStringLiteral("rejected"));
        if (note->title == QStringLiteral("throw"))
            throw std::runtime_error("thrown");
        return note;
    }

    QString title;
    qint64 count = 0;
    double ratio = 0;
    bool flag = false;
    QByteArray bytes;
    Range span;
    ObjectPtr link;
    Value extra;
    bool hadTitle = false;
    static inline int decoded = 0;
};

// An object with no fields, decoded as a Note: every key is missing.
class Blank : public plat::Object {
public:
    QString className() const override { return QStringLiteral("TestBlank"); }
    bool supportsCoding() const override { return true; }
};

class Opaque : public plat::Object {
public:
    QString className() const override { return QStringLiteral("TestOpaque"); }
};

class KeyedArchive : public ::testing::Test {
protected:
    void SetUp() override
    {
        KeyedUnarchiver::registerClass(QStringLiteral("TestNote"), &Note::decode);
        KeyedUnarchiver::registerClass(QStringLiteral("TestBlank"), &Note::decode);
        Note::decoded = 0;
    }

    // A root note whose link is also the first element of its extra list.
    static std::shared_ptr<Note> sampleGraph()
    {
        auto child = std::make_shared<Note>();
        child->title = QStringLiteral("child");
        auto root = std::make_shared<Note>();
        root->title = QString::fromUtf8("r\xC3\xA9sum\xC3\xA9 \xF0\x9F\x98\x80");
        root->count = -1234567890123;
        root->ratio = 1.6;
        root->flag = true;
        root->bytes = QByteArray("\x00\x01\xFF", 3);
        root->span = Range(plat::NotFound, 0);
        root->link = child;
        root->extra = plat::ValueList{
            child,
            plat::ValueMap{{"range", Range(3, 4)}, {"double", 2.0}, {"int", 2}, {"none", Value()},
                           {"list", plat::ValueList{true, "s", QByteArray("d")}}},
        };
        return root;
    }

    static QCborMap topOf(const QByteArray& archive) { return QCborValue::fromCbor(archive).toMap(); }
};

} // namespace keyed_archive

using namespace keyed_archive;

TEST_F(KeyedArchive, RoundTripKeepsValuesAndSharing)
{
    QString error;
    const QByteArray data = KeyedArchiver::archivedData(sampleGraph(), &error);
    ASSERT_FALSE(data.isEmpty()) << error.toStdString();

    auto root = plat::objectCast<Note>(KeyedUnarchiver::unarchiveObject(data, &error));
    ASSERT_TRUE(root) << error.toStdString();
    EXPECT_TRUE(error.isEmpty());
    const auto original = sampleGraph();
    EXPECT_EQ(root->title, original->title);
    EXPECT_EQ(root->count, original->count);
    EXPECT_EQ(root->ratio, 1.6);
    EXPECT_TRUE(root->flag);
    EXPECT_EQ(root->bytes, original->bytes);
    EXPECT_EQ(root->span, original->span);
    const plat::ValueList& extra = root->extra.toList();
    ASSERT_EQ(extra.size(), 2u);
    EXPECT_EQ(extra[0].toObject(), root->link); // one object again, not two copies
    EXPECT_EQ(Note::decoded, 2);
    const plat::ValueMap& map = extra[1].toMap();
    EXPECT_EQ(map.at("range"), Value(Range(3, 4)));
    EXPECT_TRUE(map.at("double").isDouble());
    EXPECT_TRUE(map.at("int").isInteger());
    EXPECT_TRUE(map.at("none").isNull());
    EXPECT_EQ(map.at("list"), Value(plat::ValueList{true, "s", QByteArray("d")}));

    // A plain value as the root, and an archive of nothing.
    const Value plain = plat::ValueMap{{"k", plat::ValueList{1, 2.5, "x"}}};
    const auto back = KeyedUnarchiver::unarchiveValue(KeyedArchiver::archivedData(plain), &error);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, plain);
    EXPECT_EQ(KeyedUnarchiver::unarchiveObject(KeyedArchiver::archivedData(ObjectPtr()), &error), nullptr);
    EXPECT_TRUE(error.isEmpty());
}

TEST_F(KeyedArchive, MissingKeysReadAsNothing)
{
    const QByteArray data = KeyedArchiver::archivedData(std::make_shared<Blank>());
    auto note = plat::objectCast<Note>(KeyedUnarchiver::unarchiveObject(data));
    ASSERT_TRUE(note);
    EXPECT_TRUE(note->title.isNull());
    EXPECT_EQ(note->count, 0);
    EXPECT_EQ(note->ratio, 0.0);
    EXPECT_FALSE(note->flag);
    EXPECT_TRUE(note->bytes.isEmpty());
    EXPECT_EQ(note->span, Range(0, 0));
    EXPECT_EQ(note->link, nullptr);
    EXPECT_TRUE(note->extra.isNull());
    EXPECT_FALSE(note->hadTitle);
}

TEST_F(KeyedArchive, GraphsThatCannotBeArchivedGiveNoData)
{
    auto holdsOpaque = std::make_shared<Note>();
    holdsOpaque->extra = plat::ValueMap{{"x", std::make_shared<Opaque>()}};
    auto cyclic = std::make_shared<Note>();
    cyclic->link = std::make_shared<Note>();
    objectCast<Note>(cyclic->link)->link = cyclic;

    for (const auto& root : {ObjectPtr(holdsOpaque), ObjectPtr(cyclic)}) {
        QString error;
        EXPECT_TRUE(KeyedArchiver::archivedData(root, &error).isEmpty());
        EXPECT_FALSE(error.isEmpty());
    }
    objectCast<Note>(cyclic->link)->link = nullptr; // let the pair be freed
}

TEST_F(KeyedArchive, ForeignOrDamagedArchivesFailAsAWhole)
{
    const QByteArray valid = KeyedArchiver::archivedData(sampleGraph());
    const QCborMap top = topOf(valid);
    const QCborTag referenceTag = top.value(QStringLiteral("$root")).tag();
    const auto edited = [&](const std::function<void(QCborMap&)>& edit) {
        QCborMap copy = top;
        edit(copy);
        return copy.toCborValue().toCbor();
    };
    const auto withObjectField = [&](const QString& key, const QCborValue& value) {
        return edited([&](QCborMap& m) {
            QCborArray objects = m.value(QStringLiteral("$objects")).toArray();
            QCborArray entry = objects.at(0).toArray();
            QCborMap fields = entry.at(1).toMap();
            fields.insert(key, value);
            entry[1] = fields;
            objects[0] = entry;
            m.insert(QStringLiteral("$objects"), objects);
        });
    };

    const std::vector<std::pair<const char*, QByteArray>> cases = {
        {"empty", QByteArray()},
        {"random bytes", QByteArray("\x9f\x12\xff\x00garbage", 11)},
        {"another CBOR shape", QCborValue(QCborArray{1, 2, 3}).toCbor()},
        {"trailing bytes", valid + QByteArray(1, '\0')},
        {"no archiver name", edited([](QCborMap& m) { m.remove(QStringLiteral("$archiver")); })},
        {"newer version", edited([](QCborMap& m) { m.insert(QStringLiteral("$version"), 2); })},
        {"no object table", edited([](QCborMap& m) { m.remove(QStringLiteral("$objects")); })},
        {"root out of range", edited([&](QCborMap& m) { m.insert(QStringLiteral("$root"), QCborValue(referenceTag, 99)); })},
        {"negative reference", edited([&](QCborMap& m) { m.insert(QStringLiteral("$root"), QCborValue(referenceTag, -1)); })},
        {"unknown class", edited([](QCborMap& m) { m.insert(QStringLiteral("$classes"), QCborArray{"NoSuchClass"}); })},
        {"class index out of range", edited([](QCborMap& m) { m.insert(QStringLiteral("$classes"), QCborArray{}); })},
        {"malformed object entry", edited([](QCborMap& m) { m.insert(QStringLiteral("$objects"), QCborArray{QCborArray{0}}); })},
        {"self reference", withObjectField(QStringLiteral("link"), QCborValue(referenceTag, 0))},
        {"nested bad reference", withObjectField(QStringLiteral("extra"), QCborArray{QCborValue(referenceTag, 7)})},
        {"unknown tag", withObjectField(QStringLiteral("extra"), QCborValue(QCborTag(12345), 1))},
        {"map with integer keys", withObjectField(QStringLiteral("extra"), QCborMap{{1, 2}})},
        {"decoder rejects", withObjectField(QStringLiteral("title"), QStringLiteral("reject"))},
        {"decoder throws", withObjectField(QStringLiteral("title"), QStringLiteral("throw"))},
        {"root not an object", KeyedArchiver::archivedData(Value(42))},
    };
    for (const auto& [name, data] : cases) {
        QString error;
        EXPECT_EQ(KeyedUnarchiver::unarchiveObject(data, &error), nullptr) << name;
        EXPECT_FALSE(error.isEmpty()) << name;
    }

    QCborValue deep = QCborArray{};
    for (int i = 0; i < 2000; ++i)
        deep = QCborArray{deep};
    QString error;
    EXPECT_FALSE(KeyedUnarchiver::unarchiveValue(
        edited([&](QCborMap& m) { m.insert(QStringLiteral("$root"), deep); }), &error));
    EXPECT_FALSE(error.isEmpty());
}

// Truncations always fail; byte flips either fail with a message or give a whole graph.
TEST_F(KeyedArchive, TruncatedAndFlippedArchivesNeverYieldHalfObjects)
{
    const QByteArray valid = KeyedArchiver::archivedData(sampleGraph());
    for (qsizetype n = 0; n < valid.size(); ++n) {
        QString error;
        EXPECT_EQ(KeyedUnarchiver::unarchiveObject(valid.left(n), &error), nullptr) << n;
        EXPECT_FALSE(error.isEmpty()) << n;
    }
    QRandomGenerator random(7);
    for (qsizetype i = 0; i < valid.size(); ++i) {
        for (char mask : {char(0x01), char(0x20), char(0x80), char(random.bounded(1, 256))}) {
            QByteArray damaged = valid;
            damaged[i] = char(damaged[i] ^ mask);
            QString error;
            const ObjectPtr object = KeyedUnarchiver::unarchiveObject(damaged, &error);
            EXPECT_EQ(object == nullptr, !error.isEmpty()) << i;
        }
    }
}

// Other writers may use CBOR's indefinite forms: maps and arrays closed by a
// break, strings sent in chunks. They read like the definite ones, and a
// break missing at any point fails.
TEST_F(KeyedArchive, IndefiniteFormsReadLikeDefiniteOnes)
{
    QByteArray data;
    const auto text = [&](const char* s) {
        data.append(char(0x60 + qstrlen(s)));
        data.append(s);
    };
    data.append(char(0xbf)); // map of unstated length
    text("$archiver");
    data.append(char(0x7f)); // "QuorvelKeyedArchive" in two chunks
    text("Quorvel");
    text("KeyedArchive");
    data.append(char(0xff));
    text("$version");
    data.append(char(0x01));
    text("$classes");
    data.append("\x9f\xff", 2); // empty array of unstated length
    text("$objects");
    data.append(char(0x80));
    text("$root");
    data.append(char(0x9f));
    data.append(char(0x7f)); // "abc" as "a" + "bc"
    text("a");
    text("bc");
    data.append(char(0xff));
    data.append("\x5f\x41\x01\x42\x02\x03\xff", 7); // bytes 01 02 03 in two chunks
    data.append(char(0xbf));
    text("k");
    data.append(char(0x01));
    data.append(char(0xff));
    data.append(char(0xff)); // root array
    data.append(char(0xff)); // top map

    QString error;
    const auto root = KeyedUnarchiver::unarchiveValue(data, &error);
    ASSERT_TRUE(root) << error.toStdString();
    EXPECT_EQ(*root, Value(plat::ValueList{"abc", QByteArray("\x01\x02\x03", 3), plat::ValueMap{{"k", 1}}}));

    for (qsizetype n = 0; n < data.size(); ++n) {
        error.clear();
        EXPECT_FALSE(KeyedUnarchiver::unarchiveValue(data.left(n), &error)) << n;
        EXPECT_FALSE(error.isEmpty()) << n;
    }
}
