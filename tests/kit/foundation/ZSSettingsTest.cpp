#include "kit/model/ZSSettings.h"

#include "kit/foundation/ZSRegisteredDefaults.h"
#include "kit/model/ZQAttributeNames.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/text/TextView.h"

#include "support/ScopedDefaults.h"

#include <gtest/gtest.h>

namespace {

class ZSSettingsTest : public testing::Test {
protected:
    ScopedDefaults defaults;
};

TEST_F(ZSSettingsTest, FreshDefaultsReadTheRegisteredTable)
{
    EXPECT_EQ(ZSRegisteredDefaults::table().size(), 31u);
    const auto s = ZSSettings::create();
    EXPECT_EQ(s->lineMaxCharacters(), 80u);
    EXPECT_EQ(s->scaleFactor(), 1.0);
    EXPECT_EQ(s->themeID(), QStringLiteral("light-twins"));
    EXPECT_EQ(s->themes(), (QStringList{"dark-twins", "light-twins", "dark", "light", "yellow", "gray"}));
    EXPECT_EQ(s->markupType(), ZQMarkupType::Markdown);
    EXPECT_TRUE(s->hideEditorWinHelp());
    EXPECT_TRUE(s->needConfirmRichModeForExternalMD());
    EXPECT_FALSE(s->iCloudEnabled());
    EXPECT_TRUE(s->appID().isNull());
    EXPECT_EQ(s->editorMarkdownFontSize(), 14.0);
    EXPECT_EQ(s->editorRichLineSpacing(), double(1.6f));
    EXPECT_EQ(s->editorRichFontName(), QStringLiteral("Menlo"));
    // Code-block keys have no registered default: they read 0 and fall back.
    EXPECT_EQ(s->editorCodeBlockRichFontSize(), 12.0);
    EXPECT_EQ(s->editorCodeBlockMarkdownLineSpacing(), 1.1);
    EXPECT_EQ(s->editorCodeBlockMarkdownFontName(), QStringLiteral("Menlo"));
    EXPECT_EQ(s->tabInterval(), 36.0);
    EXPECT_TRUE(s->floatToolbar());
    EXPECT_FALSE(s->toolbarWithBackground());
    EXPECT_TRUE(s->markupCharSet().contains(QChar(u'~')));
    EXPECT_TRUE(s->markupCharSet().contains(QChar(u'\n')));
    EXPECT_FALSE(s->markupCharSet().contains(QChar(u'a')));
    EXPECT_EQ(ZSTextTheme::sharedTheme()->themeID(), QStringLiteral("light-twins"));
}

TEST_F(ZSSettingsTest, SizesAndSpacingsOutsideTheLimitsFallBack)
{
    struct Case {
        const char* key;
        float stored;
        double expected;
        double (ZSSettings::*read)() const;
    };
    const Case cases[] = {
        {"editorMarkdownFontSize", 8.0f, 8.0, &ZSSettings::editorMarkdownFontSize},
        {"editorMarkdownFontSize", 32.0f, 32.0, &ZSSettings::editorMarkdownFontSize},
        {"editorMarkdownFontSize", 7.5f, 14.0, &ZSSettings::editorMarkdownFontSize},
        {"editorRichFontSize", 33.0f, 14.0, &ZSSettings::editorRichFontSize},
        {"editorCodeBlockRichFontSize", 7.5f, 12.0, &ZSSettings::editorCodeBlockRichFontSize},
        {"editorCodeBlockMarkdownFontSize", 32.0f, 32.0, &ZSSettings::editorCodeBlockMarkdownFontSize},
        {"editorRichLineSpacing", 1.0f, 1.0, &ZSSettings::editorRichLineSpacing},
        {"editorRichLineSpacing", 10.0f, 10.0, &ZSSettings::editorRichLineSpacing},
        {"editorMarkdownLineSpacing", 0.5f, 1.6, &ZSSettings::editorMarkdownLineSpacing},
        {"editorCodeBlockRichLineSpacing", 0.5f, 1.1, &ZSSettings::editorCodeBlockRichLineSpacing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " " + std::to_string(c.stored));
        defaults->setFloat(c.stored, QString::fromLatin1(c.key));
        EXPECT_EQ((ZSSettings::create().get()->*c.read)(), c.expected);
        defaults->removeObjectForKey(QString::fromLatin1(c.key));
    }
    // Values of the wrong kind read as absent and fall back too.
    defaults->setObject(plat::Value("huge"), "editorRichFontSize");
    defaults->setObject(plat::Value(42), "editorRichFontName");
    const auto s = ZSSettings::create();
    EXPECT_EQ(s->editorRichFontSize(), 14.0);
    EXPECT_EQ(s->editorRichFontName(), QStringLiteral("42"));
}

TEST_F(ZSSettingsTest, ThemeListAndMarkupType)
{
    defaults->setObject(plat::Value(plat::KeyedArchiver::archivedData(plat::Value(plat::ValueList{"dark", "customer-1"}))),
                        "themes");
    EXPECT_EQ(ZSSettings::create()->themes(),
              (QStringList{"light-twins", "dark-twins", "gray", "yellow", "light", "dark", "customer-1"}));
    defaults->setObject(plat::Value("not an archive"), "themes");
    EXPECT_EQ(ZSSettings::create()->themes().size(), 6);

    const std::pair<plat::Value, ZQMarkupType> types[] = {{"Markdown", ZQMarkupType::Markdown},
                                                          {"markdown", ZQMarkupType::Markdown},
                                                          {"QuorvelMarkup", ZQMarkupType::QuorvelMarkup},
                                                          {"Textile", ZQMarkupType::Markdown},
                                                          {1, ZQMarkupType::Markdown}};
    for (const auto& [stored, expected] : types) {
        defaults->setObject(stored, "markupType");
        EXPECT_EQ(ZSSettings::create()->markupType(), expected);
    }
}

TEST_F(ZSSettingsTest, FontsAndColoursByEditorType)
{
    defaults->setFloat(16.0f, "editorRichFontSize");
    defaults->setObject(plat::Value("Courier"), "editorMarkdownFontName");
    const auto s = ZSSettings::create();
    const auto theme = ZSTextTheme::sharedTheme();

    EXPECT_EQ(s->headingFontSize(ZQEditorType::Markup), (std::array<double, 8>{20, 17.5, 16.5, 15, 14, 13, 12, 11}));
    EXPECT_EQ(s->headingFontSize(ZQEditorType::Block), (std::array<double, 8>{22, 19.5, 18.5, 17, 16, 15, 14, 13}));

    struct Case {
        ZQEditorType type;
        const char* family;
        double size;
        plat::ColorPtr colour;
    };
    const Case cases[] = {
        {ZQEditorType::Rich, "Menlo", 16, theme->richTextColor()},
        {ZQEditorType::Block, "Menlo", 16, theme->mkTextColor()}, // the block editor: rich fonts, markup colours
        {ZQEditorType::Markup, "Courier", 14, theme->mkTextColor()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(storedValue(c.type));
        const plat::Attributes typing = s->defaultTypingAttribute(c.type);
        const auto font = typing.value(plat::FontAttribute).toObject<plat::Font>();
        EXPECT_EQ(font->familyName(), QLatin1String(c.family));
        EXPECT_EQ(font->pointSize(), c.size);
        EXPECT_TRUE(s->isDefaultFont(font, c.type));
        EXPECT_EQ(typing.value(plat::ForegroundColorAttribute), plat::Value(c.colour));
        EXPECT_EQ(typing.size(), 3u);
        EXPECT_EQ(s->defaultSuperScribeFont(c.type)->pointSize(), c.size / 2);
    }
    const plat::Attributes code = s->defaultCodeBlockTypingAttribute(ZQEditorType::Rich);
    EXPECT_EQ(code.value(plat::ForegroundColorAttribute), plat::Value(theme->codeBlockEditorForeColor()));
    EXPECT_EQ(code.value(plat::FontAttribute).toObject<plat::Font>()->pointSize(), 12.0);
    EXPECT_FALSE(s->isDefaultFont(plat::Font::create("Menlo", 14), ZQEditorType::Rich));
    EXPECT_FALSE(s->isDefaultFont(nullptr, ZQEditorType::Rich));
    EXPECT_TRUE(s->isDefaultTextColorOnMarkdown(theme->mkTextColor()));

    const auto style = s->defaultParagraphStyle(ZQEditorType::Rich);
    ASSERT_EQ(style->tabStops().size(), 12u);
    EXPECT_EQ(style->tabStops()[0]->location(), 36.0);
    EXPECT_EQ(style->tabStops()[11]->location(), 432.0);
    EXPECT_NE(style, s->defaultParagraphStyle(ZQEditorType::Rich));

    const plat::Attributes title = s->outlineTitleAttribute();
    EXPECT_TRUE(title.value(plat::FontAttribute).toObject<plat::Font>()->isBold());
    EXPECT_EQ(title.value(ZQAttr::OutlineTitle), plat::Value("OutlineTitle"));
    EXPECT_EQ(title.value(plat::ForegroundColorAttribute), plat::Value(plat::Color::rgba(73 / 255.0, 73 / 255.0, 73 / 255.0)));
    EXPECT_EQ(s->outlineBodyAttribute().size(), 1u);
}

TEST_F(ZSSettingsTest, TypingAttributesFollowHeadingLines)
{
    const auto s = ZSSettings::create();
    plat::TextView view;
    view.textStorage()->replaceCharacters(plat::Range(0, 0), QStringLiteral("Title\nbody"));
    const plat::Attributes heading{{ZQAttr::FilterHeading, plat::Value("heading")}};
    view.textStorage()->setAttributes(heading, plat::Range(0, 6));

    view.setSelectedRange(plat::Range(3, 0));
    s->restoreTypingAttribute(view, ZQEditorType::Rich);
    EXPECT_EQ(view.typingAttributes(), heading);

    view.setSelectedRange(plat::Range(8, 0));
    s->restoreTypingAttribute(view, ZQEditorType::Rich);
    EXPECT_EQ(view.typingAttributes(), s->defaultTypingAttribute(ZQEditorType::Rich));

    plat::TextView empty;
    s->restoreTypingAttribute(empty, ZQEditorType::Markup); // nothing to read: the defaults, no exception
    EXPECT_EQ(empty.typingAttributes(), s->defaultTypingAttribute(ZQEditorType::Markup));
}

TEST_F(ZSSettingsTest, LineWidthsAndInstallation)
{
    const auto s = ZSSettings::create();
    s->resetLineWidth();
    EXPECT_GT(s->editorRichLineWidth(), 64.0 + 80);
    EXPECT_EQ(s->editorRichLineWidth(), s->editorMarkdownLineWidth());
    s->setSoftlineWrapperDisabled(true);
    s->setEditorPanelViewWidth(900);
    s->resetLineWidth();
    EXPECT_EQ(s->editorRichLineWidth(), 900.0);

    int told = 0;
    s->addObserver("markupType", [&](const QString&) { ++told; });
    s->setMarkupType(ZQMarkupType::QuorvelMarkup);
    EXPECT_EQ(told, 1);

    ZSSettings::hookPlatformSettings(s);
    EXPECT_EQ(ZSSettings::sharedSettings(), s);
    ZSSettings::hookPlatformSettings(nullptr);
}

TEST(ZSReachability, StatusFromFlags)
{
    struct Case {
        std::uint32_t flags;
        qint64 status;
    };
    const Case cases[] = {
        {0, 0},
        {plat::ReachabilityReachable, 1},
        {plat::ReachabilityReachable | plat::ReachabilityConnectionRequired, 0},
        {plat::ReachabilityReachable | plat::ReachabilityConnectionRequired | plat::ReachabilityConnectionOnTraffic, 1},
        {plat::ReachabilityReachable | plat::ReachabilityConnectionRequired | plat::ReachabilityConnectionOnTraffic
             | plat::ReachabilityInterventionRequired, 0},
        {plat::ReachabilityReachable | plat::ReachabilityConnectionOnDemand, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ZSReachability::networkStatusForFlags(c.flags), c.status) << c.flags;
    EXPECT_EQ(ZSReachability::localWiFiStatusForFlags(plat::ReachabilityReachable), 0);
    EXPECT_EQ(ZSReachability::localWiFiStatusForFlags(plat::ReachabilityReachable | plat::ReachabilityIsDirect), 1);
    EXPECT_EQ(ZSReachability::flagsDescription(0, "networkStatusForFlags"),
              QStringLiteral("Reachability Flag Status: - ------- networkStatusForFlags"));
    EXPECT_EQ(ZSReachability::flagsDescription(0x30007, "x"), QStringLiteral("Reachability Flag Status: R tc---ld x"));

    const auto monitor = ZSReachability::reachabilityForInternetConnection();
    ASSERT_TRUE(monitor);
    EXPECT_TRUE(monitor->startNotifier());
    EXPECT_FALSE(monitor->startNotifier());
    const qint64 status = monitor->currentReachabilityStatus();
    EXPECT_TRUE(status == 0 || status == 1);
    EXPECT_TRUE(ZSReachability::reachabilityForLocalWiFi()->alwaysReturnLocalWiFiStatus());
    EXPECT_FALSE(ZSReachability::reachabilityWithHostName(QString()));
}

} // namespace
