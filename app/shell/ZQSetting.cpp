#include "app/shell/ZQSetting.h"

#include <QGuiApplication>
#include <QScreen>

#include "kit/foundation/ZSRegisteredDefaults.h"
#include "platform/foundation/Resources.h"

#include <QFileInfo>
#include <QPainter>

namespace {

plat::ColorPtr deviceRGB(int red, int green, int blue, double alpha)
{
    return plat::Color::rgba(red / 255.0, green / 255.0, blue / 255.0, alpha);
}

} // namespace

ZQSetting::ZQSetting()
    : m_helpViewBackgroundColor(deviceRGB(32, 33, 37, 0.92)),
      m_helpActionBackgroundColor(deviceRGB(32, 34, 36, 0.85)),
      m_outlineTitleColor(plat::Color::rgba(0, 0, 0, 1)),
      m_spaceDividerColor(deviceRGB(20, 21, 23, 0.5)),
      m_editorBaseBackgroundColor(deviceRGB(50, 52, 56, 1.0))
{
}

std::shared_ptr<ZQSetting> ZQSetting::create()
{
    std::shared_ptr<ZQSetting> settings(new ZQSetting());
    plat::UserDefaults& defaults = *plat::UserDefaults::standardUserDefaults();
    settings->init(defaults);
    settings->m_backgroundImage = backgroundImageNamed(defaults.stringForKey(QStringLiteral("backgroundImageName")));
    settings->m_mdBackgroundImage = backgroundImageNamed(defaults.stringForKey(QStringLiteral("mdBackgroundImageName")));
    settings->m_disableFormatStylePopover = defaults.boolForKey(QStringLiteral("disableFormatStylePopover"));
    settings->m_appendLevelToSpaceTitle = defaults.integerForKey(QStringLiteral("appendLevelToSpaceTitle"));
    settings->m_showEmptyFolderInPageListView = defaults.boolForKey(QStringLiteral("showEmptyFolderInPageListView"));
    settings->m_managedExternalMarkdownImages = defaults.boolForKey(QStringLiteral("ManagedExternalMarkdownImages"));
    return settings;
}

std::shared_ptr<ZQSetting> ZQSetting::shared()
{
    return std::dynamic_pointer_cast<ZQSetting>(ZSSettings::sharedSettings());
}

plat::ImagePtr ZQSetting::backgroundImageNamed(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String("bk00.jpg"))
        return nullptr;
    const QFileInfo info(name);
    const QString path = plat::Resources::pathForResource(info.completeBaseName(), info.suffix(), QStringLiteral("images"));
    const plat::ImagePtr image = path.isEmpty() ? nullptr : plat::Image::fromFile(path);
    if (!image)
        return nullptr;
    QImage faded(image->qimage().size(), QImage::Format_ARGB32_Premultiplied);
    faded.fill(Qt::transparent);
    QPainter painter(&faded);
    painter.setOpacity(0.8);
    painter.drawImage(0, 0, image->qimage());
    painter.end();
    return plat::Image::fromQImage(faded);
}

plat::ImagePtr ZQSetting::backgroundImage() const
{
    std::lock_guard lock(m_mutex);
    return m_backgroundImage;
}

void ZQSetting::setBackgroundImage(plat::ImagePtr image)
{
    {
        std::lock_guard lock(m_mutex);
        m_backgroundImage = std::move(image);
    }
    didChange("backgroundImage");
}

plat::ImagePtr ZQSetting::mdBackgroundImage() const
{
    std::lock_guard lock(m_mutex);
    return m_mdBackgroundImage;
}

void ZQSetting::setMdBackgroundImage(plat::ImagePtr image)
{
    {
        std::lock_guard lock(m_mutex);
        m_mdBackgroundImage = std::move(image);
    }
    didChange("mdBackgroundImage");
}

qint64 ZQSetting::zenMode() const
{
    std::lock_guard lock(m_mutex);
    return m_zenMode;
}

void ZQSetting::setZenMode(qint64 mode)
{
    {
        std::lock_guard lock(m_mutex);
        m_zenMode = mode;
    }
    didChange("zenMode");
}

plat::FontPtr ZQSetting::contextMenuFont() const
{
    return plat::Font::create(QStringLiteral("Menlo"), 14);
}

ZQSettingManager::ZQSettingManager()
{
    ZSRegisteredDefaults::registerTable();
    setSettings(ZQSetting::create());
    // The editors' column widths come from the screen or the characters per line.
    const QScreen* screen = QGuiApplication::primaryScreen();
    m_settings->setEditorPanelViewWidth(screen ? screen->geometry().width() : 0);
    m_settings->resetLineWidth();
}

ZQSettingManager& ZQSettingManager::initialiseSettings()
{
    static ZQSettingManager manager;
    return manager;
}

void ZQSettingManager::setSettings(ZQSettingPtr settings)
{
    m_settings = std::move(settings);
    ZSSettings::hookPlatformSettings(m_settings);
}
