#pragma once
// The process-wide code-block highlighter: the style sheets it colours with,
// loaded once from the resources "js/highlight/styles/*.css".

#include "kit/markup/ZQSyntaxCSS.h"

#include <QString>
#include <map>
#include <memory>
#include <vector>

class ZSTextTheme;

class ZQSyntaxHighlighter {
public:
    static ZQSyntaxHighlighter& sharedSyntaxHighlighter();

    // Valid sheets by file name (without folder and extension).
    const std::map<QString, ZQSyntaxCSSPtr>& cssMap() const { return m_cssMap; }
    // Every loaded sheet, sorted by name (case-sensitive).
    std::vector<ZQSyntaxCSSPtr> availableCSSList() const;

    // Copies the sheet's body colour and index into the theme's code-block
    // colour of the markup editor (type 3) or of the rich editors (other types).
    void fillInThemeCodeBlockColor(ZSTextTheme& theme, const QString& cssName, quint64 editorType) const;
    // The same for the sheet with that index; describes the sheet (empty when none).
    ZSCSSItem fillInThemeCodeBlockColor(ZSTextTheme& theme, qint64 cssIndex, quint64 editorType) const;

    // Reads the sheets of a folder; the shared instance reads the resources.
    explicit ZQSyntaxHighlighter(const QStringList& cssPaths);

private:
    void loadCss(const QStringList& cssPaths);

    std::map<QString, ZQSyntaxCSSPtr> m_cssMap;
};
