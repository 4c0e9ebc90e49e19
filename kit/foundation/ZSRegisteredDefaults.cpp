#include "kit/foundation/ZSRegisteredDefaults.h"

#include "platform/foundation/KeyedArchive.h"

namespace ZSRegisteredDefaults {

namespace {

plat::Value singlePrecision(float value)
{
    return plat::Value(double(value));
}

} // namespace

const plat::ValueMap& table()
{
    static const plat::ValueMap defaults = [] {
        const plat::ValueList themes = {"dark-twins", "light-twins", "dark", "light", "yellow", "gray"};
        plat::ValueMap map;
        map["lineMaxCharacters"] = qint64(80);
        map["scaleFactor"] = singlePrecision(1.0f);
        map["themeCustomMaxID"] = qint64(0);
        map["themeID"] = "light-twins";
        map["backgroundImageName"] = "bk1.jpg";
        map["mdBackgroundImageName"] = "bk5.jpg";
        map["themes"] = plat::KeyedArchiver::archivedData(plat::Value(themes));
        map["markupType"] = "Markdown";
        map["appendNewPageToTail"] = false;
        map["hideEditorModeHint"] = false;
        map["hideHelpTips"] = false;
        map["com.zolfarin.quorvel.toggle.help"] = true;
        map["hideEditorWinHelp"] = true;
        map["needConfirmRichModeForExternalMD"] = true;
        map["editorMarkdownFontSize"] = singlePrecision(14.0f);
        map["editorMarkdownLineSpacing"] = singlePrecision(1.6f);
        map["editorMarkdownFontName"] = "Menlo";
        map["editorRichFontSize"] = singlePrecision(14.0f);
        map["editorRichLineSpacing"] = singlePrecision(1.6f);
        map["editorRichFontName"] = "Menlo";
        map["com.zolfarin.quorvel.MainSplitViewDiv0"] = singlePrecision(460.0f);
        map["com.zolfarin.quorvel.DocTreeSplitViewDiv0"] = singlePrecision(190.0f);
        map["com.zolfarin.quorvel.ImportMDWithImages"] = qint64(1);
        map["com.zolfarin.quorvel.ExportMDWithImages"] = qint64(1);
        map["ManagedExternalMarkdownImages"] = true;
        map["appendLevelToSpaceTitle"] = qint64(1);
        map["showEmptyFolderInPageListView"] = false;
        map["softlineWrapperDisabled"] = false;
        map["CheckSpellingWhileTyping"] = false;
        map["CheckGrammarWithSpelling"] = false;
        // There is no system spell checker to follow here: automatic correction is off.
        map["CorrectSpellingAutomatically"] = false;
        return map;
    }();
    return defaults;
}

void registerTable(plat::UserDefaults* defaults)
{
    (defaults ? *defaults : *plat::UserDefaults::standardUserDefaults()).registerDefaults(table());
}

} // namespace ZSRegisteredDefaults
