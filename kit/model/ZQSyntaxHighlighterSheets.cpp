#include "kit/model/ZSTextTheme.h"
#include "kit/model/ZQSyntaxHighlighter.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

void ZQSyntaxHighlighter::loadCss(const QStringList& cssPaths)
{
    for (const QString& path : cssPaths) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        auto css = std::make_shared<ZQSyntaxCSS>();
        css->setFilename(QFileInfo(path).completeBaseName());
        css->loadCSSContent(QString::fromUtf8(file.readAll()));
        if (!css->isValid())
            continue;
        if (css->name().isEmpty())
            css->setName(css->filename());
        m_cssMap[css->filename()] = css;
    }
    const std::vector<ZQSyntaxCSSPtr> sorted = availableCSSList();
    for (std::size_t i = 0; i < sorted.size(); ++i)
        sorted[i]->setIndex(qint64(i));
}

std::vector<ZQSyntaxCSSPtr> ZQSyntaxHighlighter::availableCSSList() const
{
    std::vector<ZQSyntaxCSSPtr> list;
    list.reserve(m_cssMap.size());
    for (const auto& [name, css] : m_cssMap)
        list.push_back(css);
    std::stable_sort(list.begin(), list.end(),
                     [](const ZQSyntaxCSSPtr& a, const ZQSyntaxCSSPtr& b) { return a->name() < b->name(); });
    return list;
}

void ZQSyntaxHighlighter::fillInThemeCodeBlockColor(ZSTextTheme& theme, const QString& cssName,
                                                    ZQEditorType editorType) const
{
    const auto it = m_cssMap.find(cssName);
    if (it == m_cssMap.end()) {
        qWarning().noquote() << QStringLiteral("Unable to find CSS by name %1").arg(cssName);
        return;
    }
    if (editorType == ZQEditorType::Markup) {
        theme.setCodeBlockMdForeColor(it->second->bodyColor());
        theme.setCodeBlockMdIndex(it->second->index());
    } else {
        theme.setCodeBlockEditorForeColor(it->second->bodyColor());
        theme.setCodeBlockEditorIndex(it->second->index());
    }
}

ZSCSSItem ZQSyntaxHighlighter::fillInThemeCodeBlockColor(ZSTextTheme& theme, qint64 cssIndex,
                                                         ZQEditorType editorType) const
{
    for (const auto& [name, css] : m_cssMap) {
        if (css->index() == cssIndex) {
            fillInThemeCodeBlockColor(theme, name, editorType);
            return ZSCSSItem{css->name(), css->filename(), css->index()};
        }
    }
    qWarning().noquote() << QStringLiteral("Unable to find CSS by name %1").arg(QString());
    return ZSCSSItem{};
}
