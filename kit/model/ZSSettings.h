#pragma once
// The process-wide settings of the kit: fonts, line spacing, markup type,
// editor options, theme list, identifiers and network status, read from the
// user defaults once when the object is made and never written by it. From
// them it builds the default fonts, paragraph style and typing attributes of
// each editor type: fonts follow the markup settings for Markup and the rich
// ones otherwise, typing colours the rich theme colours for Rich and the
// markup ones otherwise (so Block gets rich fonts and markup colours).
//
// The application makes its own subclass, creates one instance at start and
// installs it with hookPlatformSettings(); sharedSettings() returns it.

#include "kit/foundation/ZSObservableProperties.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/foundation/ZSReachability.h"
#include "kit/model/ZSTextTheme.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/Attributes.h"
#include "platform/text/Font.h"
#include "platform/text/ParagraphStyle.h"

#include <QStringList>
#include <array>

namespace plat {
class TextView;
}

// X(type, name, setter) for every plain property, in declaration order.
#define ZS_SETTINGS_PROPERTIES(X) \
    X(QString, appID, setAppID) \
    X(QString, iCloudDeviceID, setICloudDeviceID) \
    X(QString, iCloudUserID, setICloudUserID) \
    X(bool, iCloudEnabled, setICloudEnabled) \
    X(bool, iCloudAvailable, setICloudAvailable) \
    X(bool, needConfirmRichModeForExternalMD, setNeedConfirmRichModeForExternalMD) \
    X(double, scaleFactor, setScaleFactor) \
    X(bool, hideEditorModeHint, setHideEditorModeHint) \
    X(QString, mdBackgroundImageName, setMdBackgroundImageName) \
    X(QString, backgroundImageName, setBackgroundImageName) \
    X(bool, hideHelpTips, setHideHelpTips) \
    X(bool, hideEditorWinHelp, setHideEditorWinHelp) \
    X(bool, appendNewPageToTail, setAppendNewPageToTail) \
    X(quint64, lineMaxCharacters, setLineMaxCharacters) \
    X(bool, softlineWrapperDisabled, setSoftlineWrapperDisabled) \
    X(bool, renderLinkWithBracketInRich, setRenderLinkWithBracketInRich) \
    X(bool, renderFootnoteWithFNPrefix, setRenderFootnoteWithFNPrefix) \
    X(QString, editorMarkdownFontName, setEditorMarkdownFontName) \
    X(double, editorMarkdownFontSize, setEditorMarkdownFontSize) \
    X(double, editorMarkdownLineSpacing, setEditorMarkdownLineSpacing) \
    X(QString, editorCodeBlockMarkdownFontName, setEditorCodeBlockMarkdownFontName) \
    X(double, editorCodeBlockMarkdownFontSize, setEditorCodeBlockMarkdownFontSize) \
    X(double, editorCodeBlockMarkdownLineSpacing, setEditorCodeBlockMarkdownLineSpacing) \
    X(double, editorRichFontSize, setEditorRichFontSize) \
    X(QString, editorRichFontName, setEditorRichFontName) \
    X(double, editorRichLineSpacing, setEditorRichLineSpacing) \
    X(double, editorCodeBlockRichFontSize, setEditorCodeBlockRichFontSize) \
    X(QString, editorCodeBlockRichFontName, setEditorCodeBlockRichFontName) \
    X(double, editorCodeBlockRichLineSpacing, setEditorCodeBlockRichLineSpacing) \
    X(double, editorRichLineHeight, setEditorRichLineHeight) \
    X(double, editorRichLineGap, setEditorRichLineGap) \
    X(double, editorMarkdownLineHeight, setEditorMarkdownLineHeight) \
    X(double, editorMarkdownLineGap, setEditorMarkdownLineGap) \
    X(double, caretRichHeight, setCaretRichHeight) \
    X(double, caretMarkdownHeight, setCaretMarkdownHeight) \
    X(double, editorRichLineWidth, setEditorRichLineWidth) \
    X(double, editorMarkdownLineWidth, setEditorMarkdownLineWidth) \
    X(double, editorCodeBlockRichLineGap, setEditorCodeBlockRichLineGap) \
    X(double, editorCodeBlockMarkdownLineGap, setEditorCodeBlockMarkdownLineGap) \
    X(double, caretCodeBlockRichHeight, setCaretCodeBlockRichHeight) \
    X(double, caretCodeBlockMarkdownHeight, setCaretCodeBlockMarkdownHeight) \
    X(double, tabInterval, setTabInterval) \
    X(bool, floatToolbar, setFloatToolbar) \
    X(bool, toolbarWithBackground, setToolbarWithBackground) \
    X(double, editorPanelViewWidth, setEditorPanelViewWidth) \
    X(plat::CharacterSet, markupCharSet, setMarkupCharSet) \
    X(qint64, networkStatus, setNetworkStatus) \
    X(QStringList, themes, setThemes) \
    X(QString, themeID, setThemeID) \
    X(qint64, themeCustomMaxID, setThemeCustomMaxID) \
    X(qint64, markdownFontChanging, setMarkdownFontChanging) \
    X(qint64, markdownLParagraphChanging, setMarkdownLParagraphChanging) \
    X(qint64, richFontChanging, setRichFontChanging) \
    X(qint64, richParagraphChanging, setRichParagraphChanging) \
    X(qint64, cbMarkdownFontChanging, setCbMarkdownFontChanging) \
    X(qint64, cbMarkdownLParagraphChanging, setCbMarkdownLParagraphChanging) \
    X(qint64, cbRichFontChanging, setCbRichFontChanging) \
    X(qint64, cbRichParagraphChanging, setCbRichParagraphChanging) \
    X(ZQMarkupType, markupType, setMarkupType)

class ZSSettings : public plat::Object, public ZSObservableProperties {
public:
    // Reads the standard user defaults.
    static std::shared_ptr<ZSSettings> create();
    ~ZSSettings() override;

    // The installed settings object; none until one is installed.
    static std::shared_ptr<ZSSettings> sharedSettings();
    static void hookPlatformSettings(std::shared_ptr<ZSSettings> settings);

#define ZS_SETTINGS_ACCESSORS(Type, name, setter) \
    Type name() const { return get(m_##name); } \
    void setter(const Type& value) { set(m_##name, value, #name); }
    ZS_SETTINGS_PROPERTIES(ZS_SETTINGS_ACCESSORS)
#undef ZS_SETTINGS_ACCESSORS

    const ZSReachabilityPtr& reachability() const { return m_reachability; }
    void reachabilityChanged(const plat::Notification& notification);

    plat::FontPtr defaultFont(ZQEditorType editorType) const;
    plat::FontPtr defaultCodeBlockFont(ZQEditorType editorType) const;
    // The body family at half the body size.
    plat::FontPtr defaultSuperScribeFont(ZQEditorType editorType) const;
    bool isDefaultFont(const plat::FontPtr& font, ZQEditorType editorType) const;
    bool isDefaultTextColorOnMarkdown(const plat::ColorPtr& color) const;
    // A new copy of the shared style: default settings plus twelve left tab
    // stops one tab interval apart (the interval when first asked for).
    plat::ParagraphStylePtr defaultParagraphStyle(ZQEditorType editorType) const;
    plat::Attributes defaultTypingAttribute(ZQEditorType editorType) const;
    plat::Attributes defaultCodeBlockTypingAttribute(ZQEditorType editorType) const;
    plat::Attributes outlineTitleAttribute() const;
    plat::Attributes outlineBodyAttribute() const;
    // Sizes of heading levels 1 to 8 for the editor type's body size b:
    // b+6, b+3.5, b+2.5, b+1, b, b-1, b-2, b-3.
    std::array<double, 8> headingFontSize(ZQEditorType editorType) const;
    // Keeps a heading line's look when the caret is on one, else the defaults.
    void restoreTypingAttribute(plat::TextView& textView, ZQEditorType editorType) const;
    // The line widths from lineMaxCharacters, or the panel width without wrapping.
    void resetLineWidth();

    QString className() const override { return QStringLiteral("ZSSettings"); }

protected:
    ZSSettings();
    // Reads the defaults; subclasses call it once, right after construction.
    void init(plat::UserDefaults& defaults);

private:
#define ZS_SETTINGS_MEMBER(Type, name, setter) Type m_##name{};
    ZS_SETTINGS_PROPERTIES(ZS_SETTINGS_MEMBER)
#undef ZS_SETTINGS_MEMBER

    // The one style behind the copies: typing attributes hold it itself, as
    // attribute values are never changed in place, so a run costs no copy.
    plat::ParagraphStylePtr sharedParagraphStyle(ZQEditorType editorType) const;

    ZSTextThemePtr m_textTheme;
    ZSReachabilityPtr m_reachability;
    plat::ObserverToken m_reachabilityObserver{};
};

using ZSSettingsPtr = std::shared_ptr<ZSSettings>;
