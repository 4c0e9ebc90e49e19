#include "kit/model/ZSSettings.h"

#include "kit/model/ZQAttributeNames.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/StringLines.h"
#include "platform/text/FontManager.h"
#include "platform/text/TextView.h"

#include <QDebug>
#include <mutex>

namespace {

std::mutex sharedMutex;
ZSSettingsPtr& installed()
{
    static ZSSettingsPtr settings;
    return settings;
}

const char* const SystemThemes[] = {"dark", "light", "yellow", "gray", "dark-twins", "light-twins"};

// A stored size or spacing outside the limits (or not a number at all) gives the fallback.
double withinLimits(float value, double low, double high, double fallback)
{
    return value >= low && value <= high ? double(value) : fallback;
}

QStringList storedThemes(const plat::UserDefaults& defaults)
{
    QStringList themes;
    if (const std::optional<QByteArray> data = defaults.dataForKey(QStringLiteral("themes"))) {
        if (const std::optional<plat::Value> list = plat::KeyedUnarchiver::unarchiveValue(*data)) {
            for (const plat::Value& item : list->toList()) {
                if (item.isString())
                    themes << item.toString();
            }
        }
    }
    for (const char* id : SystemThemes) {
        if (!themes.contains(QLatin1String(id)))
            themes.prepend(QString::fromLatin1(id));
    }
    return themes;
}

} // namespace

ZSSettings::ZSSettings() = default;

ZSSettings::~ZSSettings()
{
    plat::NotificationCenter::defaultCenter().removeObserver(m_reachabilityObserver);
}

std::shared_ptr<ZSSettings> ZSSettings::create()
{
    std::shared_ptr<ZSSettings> settings(new ZSSettings());
    settings->init(*plat::UserDefaults::standardUserDefaults());
    return settings;
}

std::shared_ptr<ZSSettings> ZSSettings::sharedSettings()
{
    std::lock_guard lock(sharedMutex);
    return installed();
}

void ZSSettings::hookPlatformSettings(std::shared_ptr<ZSSettings> settings)
{
    std::lock_guard lock(sharedMutex);
    installed() = std::move(settings);
}

void ZSSettings::init(plat::UserDefaults& defaults)
{
    std::weak_ptr<ZSSettings> weak = std::static_pointer_cast<ZSSettings>(shared_from_this());
    m_reachabilityObserver = plat::NotificationCenter::defaultCenter().addObserver(
        kReachabilityChangedNotification, nullptr, [weak](const plat::Notification& notification) {
            if (const auto settings = weak.lock())
                settings->reachabilityChanged(notification);
        });
    m_reachability = ZSReachability::reachabilityForInternetConnection();
    if (m_reachability) {
        m_reachability->startNotifier();
        setNetworkStatus(m_reachability->currentReachabilityStatus());
    }

    setThemes(storedThemes(defaults));
    setAppID(defaults.stringForKey(QStringLiteral("com.zolfarin.quorvel.AppID")));
    setThemeID(defaults.stringForKey(QStringLiteral("themeID")));
    setICloudDeviceID(defaults.stringForKey(QStringLiteral("com.zolfarin.quorvel.iCloud.deviceID")));
    setICloudUserID(defaults.stringForKey(QStringLiteral("com.zolfarin.quorvel.iCloud.userID")));

    m_textTheme = ZSTextTheme::sharedTheme();
    ZSTextTheme::loadTheme(themeID(), true);

    setLineMaxCharacters(quint64(std::max<qint64>(defaults.integerForKey(QStringLiteral("lineMaxCharacters")), 0)));
    setSoftlineWrapperDisabled(defaults.boolForKey(QStringLiteral("softlineWrapperDisabled")));
    setHideEditorModeHint(defaults.boolForKey(QStringLiteral("hideEditorModeHint")));
    setHideHelpTips(defaults.boolForKey(QStringLiteral("hideHelpTips")));
    setHideEditorWinHelp(defaults.boolForKey(QStringLiteral("hideEditorWinHelp")));
    const QString markup = defaults.stringForKey(QStringLiteral("markupType"));
    setMarkupType(markup == QLatin1String("QuorvelMarkup") ? ZQMarkupType::QuorvelMarkup : ZQMarkupType::Markdown);
    setScaleFactor(defaults.floatForKey(QStringLiteral("scaleFactor")));
    setAppendNewPageToTail(defaults.boolForKey(QStringLiteral("appendNewPageToTail")));
    setThemeCustomMaxID(defaults.integerForKey(QStringLiteral("themeCustomMaxID")));
    setNeedConfirmRichModeForExternalMD(defaults.boolForKey(QStringLiteral("needConfirmRichModeForExternalMD")));
    setICloudEnabled(defaults.boolForKey(QStringLiteral("iCloudEnabled")));

    auto size = [&](const char* key, double fallback) {
        return withinLimits(defaults.floatForKey(QLatin1String(key)), 8.0, 32.0, fallback);
    };
    auto spacing = [&](const char* key, double fallback) {
        return withinLimits(defaults.floatForKey(QLatin1String(key)), 1.0, 10.0, fallback);
    };
    auto fontName = [&](const char* key) {
        const QString name = defaults.stringForKey(QLatin1String(key));
        return name.isNull() ? QStringLiteral("Menlo") : name;
    };
    setEditorMarkdownFontSize(size("editorMarkdownFontSize", 14.0));
    setEditorMarkdownLineSpacing(spacing("editorMarkdownLineSpacing", 1.6));
    setEditorMarkdownFontName(fontName("editorMarkdownFontName"));
    setEditorCodeBlockMarkdownFontSize(size("editorCodeBlockMarkdownFontSize", 12.0));
    setEditorCodeBlockMarkdownLineSpacing(spacing("editorCodeBlockMarkdownLineSpacing", 1.1));
    setEditorCodeBlockMarkdownFontName(fontName("editorCodeBlockMarkdownFontName"));
    setEditorRichFontSize(size("editorRichFontSize", 14.0));
    setEditorRichLineSpacing(spacing("editorRichLineSpacing", 1.6));
    setEditorRichFontName(fontName("editorRichFontName"));
    setEditorCodeBlockRichFontSize(size("editorCodeBlockRichFontSize", 12.0));
    setEditorCodeBlockRichLineSpacing(spacing("editorCodeBlockRichLineSpacing", 1.1));
    setEditorCodeBlockRichFontName(fontName("editorCodeBlockRichFontName"));

    setToolbarWithBackground(false);
    setFloatToolbar(true);
    const bool centimetres =
        defaults.stringForKey(QStringLiteral("AppleMeasurementUnits")) == QLatin1String("Centimeters");
    setTabInterval(centimetres ? 28.346456692913385 : 36.0);
    setMarkupCharSet(plat::CharacterSet::fromString(QStringLiteral("!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~ \r\n")));
}

void ZSSettings::reachabilityChanged(const plat::Notification& notification)
{
    if (const auto monitor = plat::objectCast<ZSReachability>(notification.object))
        setNetworkStatus(monitor->currentReachabilityStatus());
}

plat::FontPtr ZSSettings::defaultFont(ZQEditorType editorType) const
{
    return editorType == ZQEditorType::Markup
        ? plat::FontManager::fontWithFamily(editorMarkdownFontName(), 0, 1, editorMarkdownFontSize())
        : plat::FontManager::fontWithFamily(editorRichFontName(), 0, 1, editorRichFontSize());
}

plat::FontPtr ZSSettings::defaultCodeBlockFont(ZQEditorType editorType) const
{
    return editorType == ZQEditorType::Markup
        ? plat::FontManager::fontWithFamily(editorCodeBlockMarkdownFontName(), 0, 1, editorCodeBlockMarkdownFontSize())
        : plat::FontManager::fontWithFamily(editorCodeBlockRichFontName(), 0, 1, editorCodeBlockRichFontSize());
}

plat::FontPtr ZSSettings::defaultSuperScribeFont(ZQEditorType editorType) const
{
    const plat::FontPtr body = defaultFont(editorType);
    return plat::FontManager::fontWithFamily(body->familyName(), 0, 1, body->pointSize() * 0.5);
}

bool ZSSettings::isDefaultFont(const plat::FontPtr& font, ZQEditorType editorType) const
{
    if (!font)
        return false;
    const bool markup = editorType == ZQEditorType::Markup;
    return font->familyName() == (markup ? editorMarkdownFontName() : editorRichFontName())
        && font->pointSize() == (markup ? editorMarkdownFontSize() : editorRichFontSize());
}

bool ZSSettings::isDefaultTextColorOnMarkdown(const plat::ColorPtr& color) const
{
    const plat::ColorPtr text = m_textTheme ? m_textTheme->mkTextColor() : nullptr;
    return color && text && color->isEqual(*text);
}

plat::ParagraphStylePtr ZSSettings::defaultParagraphStyle(ZQEditorType editorType) const
{
    return sharedParagraphStyle(editorType)->mutableCopy();
}

plat::ParagraphStylePtr ZSSettings::sharedParagraphStyle(ZQEditorType /*editorType*/) const
{
    static const plat::ParagraphStylePtr shared = [interval = tabInterval()] {
        auto style = plat::ParagraphStyle::create();
        std::vector<plat::TextTabPtr> stops;
        for (int i = 1; i <= 12; ++i)
            stops.push_back(plat::TextTab::create(plat::TextAlignment::Left, interval * i));
        style->setTabStops(std::move(stops));
        return style;
    }();
    return shared;
}

plat::Attributes ZSSettings::defaultTypingAttribute(ZQEditorType editorType) const
{
    plat::Attributes attributes;
    if (m_textTheme)
        attributes.set(plat::ForegroundColorAttribute,
                       editorType == ZQEditorType::Rich ? m_textTheme->richTextColor() : m_textTheme->mkTextColor());
    attributes.set(plat::FontAttribute, defaultFont(editorType));
    attributes.set(plat::ParagraphStyleAttribute, sharedParagraphStyle(editorType));
    return attributes;
}

plat::Attributes ZSSettings::defaultCodeBlockTypingAttribute(ZQEditorType editorType) const
{
    plat::Attributes attributes;
    if (m_textTheme)
        attributes.set(plat::ForegroundColorAttribute,
                       editorType == ZQEditorType::Rich ? m_textTheme->codeBlockEditorForeColor()
                                                        : m_textTheme->codeBlockMdForeColor());
    attributes.set(plat::FontAttribute, defaultCodeBlockFont(editorType));
    attributes.set(plat::ParagraphStyleAttribute, sharedParagraphStyle(editorType));
    return attributes;
}

plat::Attributes ZSSettings::outlineTitleAttribute() const
{
    plat::Attributes attributes = outlineBodyAttribute();
    attributes.set(ZQAttr::OutlineTitle, QStringLiteral("OutlineTitle"));
    attributes.set(plat::FontAttribute,
                   plat::FontManager::convertFont(*defaultFont(ZQEditorType::Rich), plat::FontManager::Bold));
    return attributes;
}

plat::Attributes ZSSettings::outlineBodyAttribute() const
{
    return plat::Attributes{{plat::ForegroundColorAttribute, plat::Color::rgba(73 / 255.0, 73 / 255.0, 73 / 255.0, 1.0)}};
}

std::array<double, 8> ZSSettings::headingFontSize(ZQEditorType editorType) const
{
    const double b = editorType == ZQEditorType::Markup ? editorMarkdownFontSize() : editorRichFontSize();
    return {b + 6, b + 3.5, b + 2.5, b + 1, b, b - 1, b - 2, b - 3};
}

void ZSSettings::restoreTypingAttribute(plat::TextView& textView, ZQEditorType editorType) const
{
    const plat::Range selection = textView.selectedRange();
    if (!selection.isNotFound()) {
        try {
            const plat::TextStorage& storage = *textView.textStorage();
            const plat::Range line = plat::lineRangeForRange(storage.string(), plat::Range(selection.location, 0));
            const plat::Attributes attributes = storage.attributesAtIndex(line.location);
            if (attributes.contains(ZQAttr::FilterHeading)) {
                textView.setTypingAttributes(attributes);
                return;
            }
        } catch (const std::exception& exception) {
            qWarning().noquote() << QStringLiteral("Unable to get line exception %1").arg(QString::fromUtf8(exception.what()));
        }
    }
    textView.setTypingAttributes(defaultTypingAttribute(editorType));
}

void ZSSettings::resetLineWidth()
{
    if (softlineWrapperDisabled()) {
        setEditorMarkdownLineWidth(editorPanelViewWidth());
        setEditorRichLineWidth(editorPanelViewWidth());
        return;
    }
    // A stored count beyond any screen is measured as a screenful.
    const QString line(qsizetype(std::min<quint64>(lineMaxCharacters(), 4096)), QLatin1Char('X'));
    setEditorMarkdownLineWidth(plat::FontManager::sizeOfString(line, *defaultFont(ZQEditorType::Markup)).width()
                               + 64.0);
    setEditorRichLineWidth(plat::FontManager::sizeOfString(line, *defaultFont(ZQEditorType::Rich)).width() + 64.0);
}
