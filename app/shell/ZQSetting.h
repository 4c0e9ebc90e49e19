#pragma once
// The application's settings object over the kit's: the window colours, the
// editor backgrounds and the options the shell's windows read. One manager
// registers the defaults table and installs the object before any window or
// document asks for settings.

#include "kit/model/ZSSettings.h"
#include "platform/graphics/Image.h"
#include "platform/text/Color.h"

#include <mutex>

class ZQSetting : public ZSSettings {
public:
    static std::shared_ptr<ZQSetting> create();

    // The installed settings as the application's own; none before the manager ran.
    static std::shared_ptr<ZQSetting> shared();

    plat::ImagePtr backgroundImage() const;
    void setBackgroundImage(plat::ImagePtr image);
    plat::ImagePtr mdBackgroundImage() const;
    void setMdBackgroundImage(plat::ImagePtr image);

    const plat::ColorPtr& helpViewBackgroundColor() const { return m_helpViewBackgroundColor; }
    const plat::ColorPtr& helpActionBackgroundColor() const { return m_helpActionBackgroundColor; }
    const plat::ColorPtr& outlineTitleColor() const { return m_outlineTitleColor; }
    const plat::ColorPtr& spaceDividerColor() const { return m_spaceDividerColor; }
    const plat::ColorPtr& editorBaseBackgroundColor() const { return m_editorBaseBackgroundColor; }

    bool disableFormatStylePopover() const { return m_disableFormatStylePopover; }
    qint64 appendLevelToSpaceTitle() const { return m_appendLevelToSpaceTitle; }
    bool showEmptyFolderInPageListView() const { return m_showEmptyFolderInPageListView; }
    bool managedExternalMarkdownImages() const { return m_managedExternalMarkdownImages; }
    bool hideHelpPanelAtZenMode() const { return false; }
    // Bits: 2 zen mode on, 4 the pane hidden by it, 8 the help panel hidden by it.
    qint64 zenMode() const;
    void setZenMode(qint64 mode);

    // The editor pop-up menus' font, a new copy on every call.
    plat::FontPtr contextMenuFont() const;

    // The named application image made 80 % opaque; none for "bk00.jpg" or an unknown name.
    static plat::ImagePtr backgroundImageNamed(const QString& name);

    QString className() const override { return QStringLiteral("ZQSetting"); }

protected:
    ZQSetting();

private:
    mutable std::mutex m_mutex;
    plat::ImagePtr m_backgroundImage;
    plat::ImagePtr m_mdBackgroundImage;
    plat::ColorPtr m_helpViewBackgroundColor;
    plat::ColorPtr m_helpActionBackgroundColor;
    plat::ColorPtr m_outlineTitleColor;
    plat::ColorPtr m_spaceDividerColor;
    plat::ColorPtr m_editorBaseBackgroundColor;
    bool m_disableFormatStylePopover = false;
    qint64 m_appendLevelToSpaceTitle = 1;
    bool m_showEmptyFolderInPageListView = false;
    bool m_managedExternalMarkdownImages = true;
    qint64 m_zenMode = 0;
};

using ZQSettingPtr = std::shared_ptr<ZQSetting>;

class ZQSettingManager {
public:
    // Registers the defaults table and installs a new ZQSetting, once per
    // process; later calls return the same manager.
    static ZQSettingManager& initialiseSettings();

    const ZQSettingPtr& settings() const { return m_settings; }
    void setSettings(ZQSettingPtr settings);

private:
    ZQSettingManager();
    ZQSettingPtr m_settings;
};
