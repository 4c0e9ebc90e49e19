#include "kit/model/ZSTextTheme.h"
#include "kit/model/ZQSyntaxHighlighter.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

ZQSyntaxCSSPtr ZQSyntaxHighlighter::loadSheet(const QString& filename, const QString& path) const
{
    m_readSheets.insert(filename);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    auto css = std::make_shared<ZQSyntaxCSS>();
    css->setFilename(filename);
    css->loadCSSContent(QString::fromUtf8(file.readAll()));
    if (!css->isValid())
        return nullptr;
    if (css->name().isEmpty())
        css->setName(css->filename());
    m_cssMap[filename] = css;
    return css;
}

void ZQSyntaxHighlighter::loadAllSheets() const
{
    if (m_allSheetsRead)
        return;
    for (const auto& [filename, path] : m_cssPaths) {
        if (!m_readSheets.count(filename))
            loadSheet(filename, path);
    }
    m_allSheetsRead = true;
    std::vector<ZQSyntaxCSSPtr> sorted;
    sorted.reserve(m_cssMap.size());
    for (const auto& [name, css] : m_cssMap)
        sorted.push_back(css);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const ZQSyntaxCSSPtr& a, const ZQSyntaxCSSPtr& b) { return a->name() < b->name(); });
    for (std::size_t i = 0; i < sorted.size(); ++i)
        sorted[i]->setIndex(qint64(i));
}

const std::map<QString, ZQSyntaxCSSPtr>& ZQSyntaxHighlighter::cssMap() const
{
    std::lock_guard lock(m_sheetsMutex);
    loadAllSheets();
    return m_cssMap;
}

std::vector<ZQSyntaxCSSPtr> ZQSyntaxHighlighter::availableCSSList() const
{
    std::vector<ZQSyntaxCSSPtr> list;
    for (const auto& [name, css] : cssMap())
        list.push_back(css);
    std::sort(list.begin(), list.end(),
              [](const ZQSyntaxCSSPtr& a, const ZQSyntaxCSSPtr& b) { return a->index() < b->index(); });
    return list;
}

ZQSyntaxCSSPtr ZQSyntaxHighlighter::sheetNamed(const QString& filename) const
{
    std::lock_guard lock(m_sheetsMutex);
    if (const auto it = m_cssMap.find(filename); it != m_cssMap.end())
        return it->second;
    const auto path = m_cssPaths.find(filename);
    if (path == m_cssPaths.end() || m_readSheets.count(filename))
        return nullptr;
    return loadSheet(filename, path->second);
}

qint64 ZQSyntaxHighlighter::indexOfSheet(const QString& filename) const
{
    const auto& sheets = cssMap();
    const auto it = sheets.find(filename);
    return it == sheets.end() ? -1 : it->second->index();
}

QStringList ZQSyntaxHighlighter::readSheetNames() const
{
    std::lock_guard lock(m_sheetsMutex);
    QStringList names;
    for (const QString& name : m_readSheets)
        names << name;
    return names;
}

void ZQSyntaxHighlighter::fillInThemeCodeBlockColor(ZSTextTheme& theme, const QString& cssName,
                                                    ZQEditorType editorType) const
{
    const ZQSyntaxCSSPtr css = sheetNamed(cssName);
    if (!css) {
        qWarning().noquote() << QStringLiteral("Unable to find CSS by name %1").arg(cssName);
        return;
    }
    const auto index = [this, cssName] { return indexOfSheet(cssName); };
    if (editorType == ZQEditorType::Markup) {
        theme.setCodeBlockMdForeColor(css->bodyColor());
        theme.setCodeBlockMdIndexLookup(index);
    } else {
        theme.setCodeBlockEditorForeColor(css->bodyColor());
        theme.setCodeBlockEditorIndexLookup(index);
    }
}

ZSCSSItem ZQSyntaxHighlighter::fillInThemeCodeBlockColor(ZSTextTheme& theme, qint64 cssIndex,
                                                         ZQEditorType editorType) const
{
    for (const auto& [name, css] : cssMap()) {
        if (css->index() == cssIndex) {
            fillInThemeCodeBlockColor(theme, name, editorType);
            return ZSCSSItem{css->name(), css->filename(), css->index()};
        }
    }
    qWarning().noquote() << QStringLiteral("Unable to find CSS by name %1").arg(QString());
    return ZSCSSItem{};
}
