#include "platform/foundation/UserDefaults.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace plat;

// Named, not anonymous: the fixture is the base of the test classes below.
namespace defaults_test {

class Defaults : public ::testing::Test {
protected:
    QString path() const { return m_dir.filePath("Quorvel.ini"); }
    // A fresh object on the same file: what the next launch reads.
    std::unique_ptr<UserDefaults> reopen() const { return std::make_unique<UserDefaults>(path()); }

    QTemporaryDir m_dir;
};

class UncodableObject final : public Object {
public:
    QString className() const override { return QStringLiteral("UncodableObject"); }
};

} // namespace defaults_test

using namespace defaults_test;

TEST_F(Defaults, EveryKindSurvivesTheFile)
{
    const std::vector<std::pair<QString, Value>> cases{
        {"bool", true},
        {"integer", qint64(9007199254740993)}, // beyond a double's exact range
        {"negative", -42},
        {"double", 0.1},
        {"string", "a, \"quoted\" = value; with\nnewline"},
        {"empty string", ""},
        {"data", QByteArray("\x00\xff\x10", 3)},
        {"list", ValueList{"dark", 3, ValueList{}, QByteArray("z")}},
        {"map", ValueMap{{"nested", ValueMap{{"x", 1.5}}}, {"flag", false}}},
        {"com.zolfarin.quorvel.AppID", "id"},
    };
    {
        UserDefaults defaults(path());
        for (const auto& [key, value] : cases)
            defaults.setObject(value, key);
        defaults.setFloat(1.6f, "float");
        ASSERT_TRUE(defaults.synchronize());
    }
    auto defaults = reopen();
    for (const auto& [key, value] : cases) {
        const Value read = defaults->objectForKey(key);
        EXPECT_EQ(read, value) << qPrintable(key);
        EXPECT_EQ(read.storage().index(), value.storage().index()) << qPrintable(key);
    }
    EXPECT_FALSE(defaults->stringForKey("empty string").isNull());
    EXPECT_EQ(defaults->doubleForKey("float"), 1.600000023841858);
    EXPECT_EQ(defaults->stringForKey("float"), "1.6");
}

TEST_F(Defaults, ReadsCoerceAsThePlatformDoes)
{
    UserDefaults defaults(path());
    struct Case {
        const char* key;
        Value stored;
        qint64 integer;
        bool flag;
        double number;
        const char* text; // nullptr: none
    };
    const Case cases[] = {
        {"absent", Value(), 0, false, 0.0, nullptr},
        {"yes", "YES", 1, true, 0.0, "YES"},
        {"true", "true", 1, true, 0.0, "true"},
        {"no", "NO", 0, false, 0.0, "NO"},
        {"digits", " 42abc", 42, true, 42.0, " 42abc"},
        {"fraction text", "3.9", 3, true, 3.9, "3.9"},
        {"zero text", "0", 0, false, 0.0, "0"},
        {"double", 2.9, 2, true, 2.9, "2.9"},
        {"negative double", -2.9, -2, true, -2.9, "-2.9"},
        {"half", 0.5, 0, true, 0.5, "0.5"},
        {"bool", true, 1, true, 1.0, "1"},
        {"integer", 80, 80, true, 80.0, "80"},
        {"list", ValueList{1}, 0, false, 0.0, nullptr},
    };
    for (const Case& c : cases)
        defaults.setObject(c.stored, c.key);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(defaults.integerForKey(c.key), c.integer);
        EXPECT_EQ(defaults.boolForKey(c.key), c.flag);
        EXPECT_EQ(defaults.doubleForKey(c.key), c.number);
        EXPECT_EQ(defaults.floatForKey(c.key), float(c.number));
        if (c.text)
            EXPECT_EQ(defaults.stringForKey(c.key), QString::fromUtf8(c.text));
        else
            EXPECT_TRUE(defaults.stringForKey(c.key).isNull());
    }
    // Floats are single precision whichever way they were stored.
    defaults.setDouble(1.6, "spacing");
    EXPECT_EQ(double(defaults.floatForKey("spacing")), 1.600000023841858);
    EXPECT_EQ(defaults.doubleForKey("spacing"), 1.6);
}

TEST_F(Defaults, RegisteredDefaultsAreAFallbackNeverWritten)
{
    {
        UserDefaults defaults(path());
        defaults.registerDefaults({{"themeID", "light-twins"}, {"lineMaxCharacters", 80}});
        defaults.registerDefaults({{"lineMaxCharacters", 72}});
        EXPECT_EQ(defaults.stringForKey("themeID"), "light-twins");
        EXPECT_EQ(defaults.integerForKey("lineMaxCharacters"), 72);

        defaults.setObject("dark", "themeID");
        EXPECT_EQ(defaults.stringForKey("themeID"), "dark");
        defaults.removeObjectForKey("themeID");
        EXPECT_EQ(defaults.stringForKey("themeID"), "light-twins");
        defaults.setInteger(100, "lineMaxCharacters");
        defaults.synchronize();
    }
    auto defaults = reopen();
    EXPECT_TRUE(defaults->objectForKey("themeID").isNull());
    EXPECT_EQ(defaults->integerForKey("lineMaxCharacters"), 100);
}

TEST_F(Defaults, WrongKindsAndDamagedValuesReadAsAbsent)
{
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[General]\n"
               "count=i:12x\n"
               "list=\"l:[\\\"s:a\\\", 5]\"\n"
               "data=x:@@@\n"
               "plain=hello\n");
    file.close();
    auto defaults = reopen();
    EXPECT_TRUE(defaults->objectForKey("count").isNull());
    EXPECT_EQ(defaults->integerForKey("count"), 0);
    EXPECT_FALSE(defaults->arrayForKey("list"));
    EXPECT_FALSE(defaults->dataForKey("data"));
    EXPECT_EQ(defaults->stringForKey("plain"), "hello"); // written by hand: a string
    EXPECT_FALSE(defaults->arrayForKey("plain"));
    EXPECT_FALSE(defaults->dictionaryForKey("plain"));
    EXPECT_FALSE(defaults->dataForKey("plain"));

    // What a property list cannot hold is refused and leaves the old value.
    defaults->setObject(ValueList{std::make_shared<UncodableObject>()}, "plain");
    defaults->setObject(Range(1, 2), "plain");
    EXPECT_EQ(defaults->stringForKey("plain"), "hello");
    defaults->setObject(Value(), "plain");
    EXPECT_TRUE(defaults->objectForKey("plain").isNull());
}

TEST(StandardDefaults, LiveInTheConfiguredFolder)
{
    QTemporaryDir dir;
    const QByteArray saved = qgetenv("QUORVEL_CONFIG_DIR");
    qputenv("QUORVEL_CONFIG_DIR", dir.path().toUtf8());
    UserDefaults::setStandardUserDefaults(nullptr);
    auto defaults = UserDefaults::standardUserDefaults();
    EXPECT_EQ(defaults, UserDefaults::standardUserDefaults());
    defaults->setBool(true, "hideHelpTips");
    EXPECT_TRUE(defaults->synchronize());
    EXPECT_TRUE(QFile::exists(dir.filePath("Quorvel.ini")));
    qputenv("QUORVEL_CONFIG_DIR", saved);
    UserDefaults::setStandardUserDefaults(nullptr);
}
