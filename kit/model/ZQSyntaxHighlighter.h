#pragma once
// The process-wide code-block highlighter: the style sheets it colours with,
// from the resources "js/highlight/styles/*.css", each read when first named
// (a program needs the one or two its theme names, of some hundred), and the entry
// point that colours code blocks of a text through highlight.js running in an
// off-screen web page (one worker per run in flight, one idle worker kept).

#include "kit/foundation/ZQErrorValue.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZQSyntaxCSS.h"

#include <QString>
#include <QUrl>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

class ZSTextTheme;
class ZQSyntaxWebViewHighlighter;

namespace plat {
class MutableAttributedString;
}

class ZQSyntaxHighlighter {
public:
    static ZQSyntaxHighlighter& sharedSyntaxHighlighter();

    // Range strings ("{location, length}") of block bodies to their info strings.
    using CodeBlocks = std::map<QString, QString>;
    // Called on the main thread, always after highlight() has returned: no
    // error and the range strings of the blocks coloured, or an error and none.
    using Completion = std::function<void(const std::optional<ZQErrorValue>& error, const QStringList& ranges)>;

    // Colours the blocks of text in place with the sheet of that file name.
    // A block whose text changed while the page worked keeps its colours and
    // is not listed. Call from any thread; the work runs on the main thread.
    void highlight(std::shared_ptr<plat::MutableAttributedString> text, const CodeBlocks& codeBlocks,
                   const QString& cssName, Completion completion);

    // Valid sheets by file name (without folder and extension); reads every sheet.
    const std::map<QString, ZQSyntaxCSSPtr>& cssMap() const;
    // Every valid sheet, sorted by name (case-sensitive); reads every sheet.
    std::vector<ZQSyntaxCSSPtr> availableCSSList() const;
    // The valid sheet of that file name, read on first use; null when none.
    ZQSyntaxCSSPtr sheetNamed(const QString& filename) const;
    // The sheet's place in availableCSSList() (which needs every sheet's name); -1 when none.
    qint64 indexOfSheet(const QString& filename) const;
    // The file names of the sheets read so far.
    QStringList readSheetNames() const;

    // Copies the sheet's body colour and index into the theme's code-block
    // colour of the markup editor (Markup) or of the rich editors (other types).
    // The index is looked up when the theme is first asked for it, so this
    // highlighter must outlive that question.
    void fillInThemeCodeBlockColor(ZSTextTheme& theme, const QString& cssName, ZQEditorType editorType) const;
    // The same for the sheet with that index; describes the sheet (empty when none).
    ZSCSSItem fillInThemeCodeBlockColor(ZSTextTheme& theme, qint64 cssIndex, ZQEditorType editorType) const;

    const QUrl& templURL() const { return m_templURL; }
    const QString& templ() const { return m_templ; }
    // The idle worker kept for the next run, if any.
    const std::shared_ptr<ZQSyntaxWebViewHighlighter>& cachedHighlighter() const { return m_cachedHighlighter; }
    // The workers of runs in flight by request number.
    const std::map<qint64, std::shared_ptr<ZQSyntaxWebViewHighlighter>>& highligherRetain() const
    {
        return m_highligherRetain;
    }
    qint64 highligherRetainKey() const { return m_highligherRetainKey; }

    // Reads the sheets and the page template of the given files (without a
    // template nothing can be coloured); the shared instance reads the resources.
    explicit ZQSyntaxHighlighter(const QStringList& cssPaths, const QString& templPath = QString());

private:
    // Reads the sheet of the path into m_cssMap if valid; the caller holds m_sheetsMutex.
    ZQSyntaxCSSPtr loadSheet(const QString& filename, const QString& path) const;
    // Reads every sheet not yet read and numbers them by name.
    void loadAllSheets() const;
    void startRun(std::shared_ptr<plat::MutableAttributedString> text, const CodeBlocks& codeBlocks,
                  const ZQSyntaxCSSPtr& css, Completion completion);

    // Sheet files by file name; the first folder's file hides later ones.
    std::map<QString, QString> m_cssPaths;
    mutable std::mutex m_sheetsMutex;
    mutable std::map<QString, ZQSyntaxCSSPtr> m_cssMap;
    mutable std::set<QString> m_readSheets; // valid or not
    mutable bool m_allSheetsRead = false;
    QUrl m_templURL;
    QString m_templ;
    std::shared_ptr<ZQSyntaxWebViewHighlighter> m_cachedHighlighter;
    std::map<qint64, std::shared_ptr<ZQSyntaxWebViewHighlighter>> m_highligherRetain;
    qint64 m_highligherRetainKey = 0;
};
