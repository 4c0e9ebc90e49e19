#include "kit/model/ZSTextTheme.h"

#include "kit/foundation/ZQColor.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQSyntaxHighlighter.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Resources.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QStringList SystemThemes = {"dark", "light", "yellow", "gray", "dark-twins", "light-twins"};

QString themeFile(const QString& id)
{
    return QDir(ZSUtils::ensureSandboxPath("themes").toLocalFile()).filePath(id + ".json");
}

QJsonObject readJson(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QJsonDocument::fromJson(file.readAll()).object();
}

void writeJson(const QString& id, const QJsonObject& object)
{
    QFile file(themeFile(id));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QJsonDocument(object).toJson());
}

void writeText(const QString& id, const QByteArray& text)
{
    QFile file(themeFile(id));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

double luminance(const plat::ColorPtr& c)
{
    return 0.2126 * c->red() + 0.7152 * c->green() + 0.0722 * c->blue();
}

void expectSameFields(const ZSTextTheme& a, const ZSTextTheme& b)
{
    for (const ZSTextTheme::Field& field : ZSTextTheme::fields())
        EXPECT_EQ(a.fieldValue(field.name), b.fieldValue(field.name)) << field.name.toStdString();
}

TEST(ZSTextTheme, SystemThemesNameEveryPropertyAndTheirSheets)
{
    const auto& sheets = ZQSyntaxHighlighter::sharedSyntaxHighlighter().cssMap();
    for (const QString& id : SystemThemes) {
        SCOPED_TRACE(id.toStdString());
        const auto theme = ZSTextTheme::loadTheme(id, false);
        ASSERT_TRUE(theme);
        EXPECT_EQ(theme->themeID(), id);
        EXPECT_TRUE(theme->isSystemTheme());
        for (const ZSTextTheme::Field& field : ZSTextTheme::fields())
            EXPECT_FALSE(theme->fieldValue(field.name).isNull()) << field.name.toStdString();
        for (const QString& name : theme->prefRows())
            EXPECT_FALSE(name.isEmpty());
        EXPECT_EQ(theme->prefMatrixByFieldName().size(), 62u);

        const bool dark = id.startsWith("dark");
        EXPECT_EQ(luminance(theme->editorEditorBackgroundColor()) < 0.3, dark);
        EXPECT_EQ(luminance(theme->richTextColor()) > 0.6, dark);

        ASSERT_TRUE(sheets.count(theme->editorCodeBlockCSS()));
        ASSERT_TRUE(sheets.count(theme->mdCodeBlockCSS()));
        const auto& sheet = sheets.at(theme->editorCodeBlockCSS());
        EXPECT_TRUE(theme->codeBlockEditorForeColor()->isEqual(*sheet->bodyColor()));
        EXPECT_EQ(theme->codeBlockEditorIndex(), sheet->index());
        EXPECT_TRUE(theme->codeBlockMdForeColor()->isEqual(*sheets.at(theme->mdCodeBlockCSS())->bodyColor()));
    }
}

TEST(ZSTextTheme, LoadSaveLoadKeepsEveryValueExactly)
{
    const auto theme = ZSTextTheme::loadTheme("dark", false);
    ASSERT_TRUE(theme);
    // Alphas whose float percent truncates to one less, and a colour with no alpha.
    for (const char* text : {"12345601", "ABCDEF29", "00FF0003"})
        theme->setRichTagBackgroundColor(ZQColor::colorFromHexString(text));
    theme->setMkTagColor(ZQColor::colorFromHexString("ABCDEF29"));
    theme->setRichLinkColor(ZQColor::colorFromHexString("FEDCBA00"));
    theme->setMdPopoverStyle(-3);
    theme->setThemeID("customer-90");
    theme->saveNow();

    const auto again = ZSTextTheme::loadTheme("customer-90", false);
    ASSERT_TRUE(again);
    expectSameFields(*theme, *again);
    EXPECT_EQ(again->themeName(), theme->themeName());
    EXPECT_EQ(again->prefRows(), theme->prefRows());
    EXPECT_EQ(again->richLinkColor()->alpha(), 0.0);

    const QJsonObject json = readJson(themeFile("customer-90"));
    const QJsonObject entry = json["rich"].toArray()[0].toObject();
    EXPECT_EQ(entry["name"].toString(), QStringLiteral("richTextColor"));
    EXPECT_EQ(entry["pref"].toObject()["label"].toString(), QStringLiteral("Text"));
    EXPECT_EQ(json["editor"].toArray().size(), 10);
    EXPECT_EQ(json["markupeditor"].toArray().size(), 10);
}

TEST(ZSTextTheme, ColourEntriesAndFlagsReadAsWritten)
{
    QJsonObject theme = readJson(themeFile("customer-90"));
    QJsonArray rich;
    auto colour = [](const char* name, QJsonObject value) {
        return QJsonObject{{"name", name}, {"value", value}, {"pref", QJsonObject{{"row", 1}, {"index", 0}}}};
    };
    rich.append(colour("richTextColor", {{"color", "#336699"}, {"alpha", 50}}));
    rich.append(colour("richBoldColor", {{"color", "#336699"}, {"alpha", 5}}));
    rich.append(colour("richCodeColor", {{"color", "336699"}, {"alpha", 100}}));
    rich.append(colour("richQuoteColor", {{"color", "336699"}}));
    rich.append(colour("richListColor", {{"color", "33669"}, {"alpha", 100}}));
    theme["rich"] = rich;
    theme["editor"] = QJsonArray{QJsonObject{{"name", "editorDisableBackgroundImage"}, {"value", "yes"}},
                                 QJsonObject{{"name", "editorPopoverStyle"}, {"value", " 12px"}}};
    writeJson("customer-91", theme);

    const auto loaded = ZSTextTheme::loadTheme("customer-91", false);
    ASSERT_TRUE(loaded);
    const auto expect = [](const plat::ColorPtr& c, double alpha) {
        ASSERT_TRUE(c);
        EXPECT_EQ(c->red(), 0x33 / 255.0);
        EXPECT_EQ(c->blue(), 0x99 / 255.0);
        EXPECT_EQ(c->alpha(), alpha);
    };
    expect(loaded->richTextColor(), double(0.5f));
    expect(loaded->richBoldColor(), double(0.05f));
    expect(loaded->richCodeColor(), 1.0);
    expect(loaded->richQuoteColor(), 0.0);
    EXPECT_FALSE(loaded->richListColor());
    EXPECT_FALSE(loaded->editorDisableBackgroundImage());
    EXPECT_EQ(loaded->editorPopoverStyle(), 12);
    EXPECT_EQ(loaded->prefMatrixByFieldName().at("richTextColor")->rowLabel, theme["preference"].toObject()["rows"].toArray()[1].toString());
}

// Whatever is wrong with a file, the shared theme stays exactly as it was and
// a separate load gives nothing.
TEST(ZSTextTheme, BadFilesNeverChangeTheCurrentTheme)
{
    const auto shared = ZSTextTheme::loadTheme("gray", true);
    ASSERT_EQ(shared->themeID(), QStringLiteral("gray"));
    const auto before = ZSTextTheme::loadTheme("gray", false);
    const qint64 counter = shared->blockEditorChanging();

    QJsonObject good = readJson(themeFile("customer-90"));
    auto withRich = [&](QJsonValue rich) {
        QJsonObject t = good;
        t["rich"] = rich;
        t["name"] = "broken";
        return t;
    };
    QJsonArray unknown = good["rich"].toArray();
    unknown.append(QJsonObject{{"name", "richSparkleColor"}, {"value", QJsonObject{{"color", "FFFFFF"}}}});
    QJsonArray badRow = good["rich"].toArray();
    badRow.append(QJsonObject{{"name", "richTextColor"}, {"value", QJsonObject{{"color", "000000"}}},
                              {"pref", QJsonObject{{"row", 400}, {"index", 0}}}});
    QJsonArray colourAsText = good["rich"].toArray();
    colourAsText.prepend(QJsonObject{{"name", "richTextColor"}, {"value", "FFFFFF"}});
    QJsonObject nameAsNumber = good;
    nameAsNumber["name"] = 7;

    writeText("bad-json", "{ \"id\": ");
    writeText("bad-array", "[1, 2]");
    writeJson("bad-type", withRich("not an array"));
    writeJson("bad-unknown", withRich(unknown));
    writeJson("bad-row", withRich(badRow));
    writeJson("bad-colour", withRich(colourAsText));
    writeJson("bad-header", nameAsNumber);

    for (const char* id : {"bad-json", "bad-array", "bad-type", "bad-unknown", "bad-row", "bad-colour", "bad-header",
                           "missing", "../themes/customer-90", ""}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(ZSTextTheme::loadTheme(id, false));
        EXPECT_EQ(ZSTextTheme::loadTheme(id, true), shared);
        EXPECT_EQ(shared->themeID(), QStringLiteral("gray"));
        EXPECT_EQ(shared->blockEditorChanging(), counter);
        expectSameFields(*shared, *before);
    }
}

// Numbers no integer holds, where the file gives an alpha, a row, an index,
// an integer property or the version: the file is bad, never undefined.
TEST(ZSTextTheme, NumbersNoIntegerHoldsMakeTheFileBad)
{
    const QJsonObject good = readJson(plat::Resources::pathForResource("gray", "json", "themes"));
    ASSERT_FALSE(good.isEmpty());
    const double placeholder = 12345.5;
    auto withRichFirst = [&](const char* part, const char* key) {
        QJsonObject t = good;
        QJsonArray rich = t["rich"].toArray();
        QJsonObject entry = rich[0].toObject();
        QJsonObject inner = entry[part].toObject();
        inner[key] = placeholder;
        entry[part] = inner;
        rich[0] = entry;
        t["rich"] = rich;
        return t;
    };
    QJsonObject integer = good;
    QJsonArray editor = integer["editor"].toArray();
    editor.append(QJsonObject{{"name", "editorPopoverStyle"}, {"value", placeholder}});
    integer["editor"] = editor;
    QJsonObject version = good;
    version["version"] = placeholder;

    const std::pair<const char*, QJsonObject> places[] = {
        {"alpha", withRichFirst("value", "alpha")}, {"row", withRichFirst("pref", "row")},
        {"index", withRichFirst("pref", "index")},  {"integer", integer},
        {"version", version},
    };
    for (const auto& [place, json] : places) {
        for (const char* number : {"1e300", "-1e300", "1e400", "1e39"}) {
            SCOPED_TRACE(std::string(place) + " " + number);
            writeText("huge-number", QJsonDocument(json).toJson().replace("12345.5", number));
            EXPECT_FALSE(ZSTextTheme::loadTheme("huge-number", false));
        }
    }
    // Ordinary numbers still load.
    QJsonObject small = integer;
    writeText("huge-number", QJsonDocument(small).toJson().replace("12345.5", "3"));
    const auto loaded = ZSTextTheme::loadTheme("huge-number", false);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->editorPopoverStyle(), 3);
}

TEST(ZSTextTheme, SelectingComparesIdentifiersNotNames)
{
    QJsonObject named = readJson(themeFile("customer-90"));
    named["id"] = "customer-92";
    named["name"] = "dark"; // a display name equal to another theme's identifier
    writeJson("customer-92", named);

    const auto shared = ZSTextTheme::loadTheme("customer-92", true);
    ASSERT_EQ(shared->themeID(), QStringLiteral("customer-92"));
    const qint64 counter = shared->blockEditorForRichChanging();
    EXPECT_EQ(ZSTextTheme::loadTheme("customer-92", true), shared);
    EXPECT_EQ(shared->blockEditorForRichChanging(), counter); // nothing was loaded
    ZSTextTheme::loadTheme("dark", true);
    EXPECT_EQ(shared->themeID(), QStringLiteral("dark"));
    EXPECT_EQ(shared->blockEditorForRichChanging(), counter + 1);
}

TEST(ZSTextTheme, CloneRenameAndDelete)
{
    const auto shared = ZSTextTheme::loadTheme("dark", true);
    const auto clone = shared->cloneTheme(shared, "customer-3", "Dark 3", true);
    ASSERT_EQ(clone, shared);
    EXPECT_EQ(clone->themeID(), QStringLiteral("customer-3"));
    EXPECT_EQ(clone->themeName(), QStringLiteral("Dark 3"));
    EXPECT_EQ(clone->themeVersion(), 1.0);
    EXPECT_FALSE(clone->isSystemTheme());
    EXPECT_EQ(clone->inheritThemeID(), QStringLiteral("dark"));

    const auto fromFile = ZSTextTheme::loadTheme("customer-3", false);
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(fromFile->themeName(), QStringLiteral("Dark 3"));
    EXPECT_FALSE(fromFile->isSystemTheme());
    expectSameFields(*fromFile, *ZSTextTheme::loadTheme("dark", false));

    EXPECT_TRUE(ZSTextTheme::deleteTheme("customer-3"));
    EXPECT_FALSE(ZSTextTheme::deleteTheme("customer-3"));
    EXPECT_FALSE(ZSTextTheme::deleteTheme("dark"));
    EXPECT_FALSE(ZSTextTheme::deleteTheme("../themes/customer-90"));
    EXPECT_FALSE(ZSTextTheme::loadTheme("customer-3", false));
}

TEST(ZSTextTheme, SaveWritesOnceTwoSecondsAfterTheLastChange)
{
    plat::ManualClockScope clock;
    const auto source = ZSTextTheme::loadTheme("light", false);
    const auto theme = source->cloneTheme(source, "customer-4", "Light 4", false);
    ASSERT_TRUE(theme);
    QFile::remove(themeFile("customer-4"));

    theme->setThemeName("Renamed");
    theme->save();
    clock->advance(1.0);
    theme->setRichTextColor(ZQColor::colorFromHexString("01020340"));
    theme->save();
    clock->advance(1.9); // 2.9 s after the first call, 1.9 s after the second
    ASSERT_FALSE(theme->saveQueue());
    EXPECT_FALSE(QFile::exists(themeFile("customer-4")));
    clock->advance(0.2);
    ASSERT_TRUE(theme->saveQueue());
    EXPECT_EQ(theme->saveQueue()->label(), QStringLiteral("ThemeSaveQueue"));
    theme->saveQueue()->sync([] {});
    const auto saved = ZSTextTheme::loadTheme("customer-4", false);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->themeName(), QStringLiteral("Renamed"));
    EXPECT_TRUE(saved->richTextColor()->isEqual(*theme->richTextColor()));
    EXPECT_EQ(clock->pendingCount(), 0u);

    // A system theme is never saved by the debounce, only by saveNow.
    const auto system = ZSTextTheme::loadTheme("yellow", false);
    QFile::remove(themeFile("yellow"));
    system->save();
    clock->advance(5.0);
    EXPECT_FALSE(system->saveQueue());
    EXPECT_FALSE(QFile::exists(themeFile("yellow")));
    system->saveNow();
    EXPECT_TRUE(QFile::exists(themeFile("yellow")));
    QFile::remove(themeFile("yellow"));
}

// The first load of a process falls back once to "light-twins" and then to the
// built-in theme; run in a fresh process, since the shared theme lives for good.
TEST(ZSTextThemeDeathTest, FirstLoadFallsBackOnceThenToTheBuiltInTheme)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const auto theme = ZSTextTheme::loadTheme("no-such-theme", true);
            std::exit(theme->themeID() == "light-twins" ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");

    QTemporaryDir empty;
    const QByteArray saved = qgetenv("QUORVEL_RESOURCES");
    qputenv("QUORVEL_RESOURCES", empty.path().toUtf8());
    EXPECT_EXIT(
        {
            const auto theme = ZSTextTheme::loadTheme("no-such-theme", true);
            std::exit(theme->themeID() == "built-in" && theme->richTextColor() && theme->codeBlockMdForeColor() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    qputenv("QUORVEL_RESOURCES", saved);
}

} // namespace
