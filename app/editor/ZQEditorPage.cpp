#include "app/editor/ZQEditorPage.h"

#include "app/editor/ZQAbstractEditor.h"
#include "app/editor/ZQEditorSettings.h"
#include "app/editor/ZQEditor.h"
#include "app/editor/ZQMDEditor.h"
#include "kit/foundation/ZSRegisteredDefaults.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/render/ZQRender.h"
#include "kit/render/ZSTextThemeApply.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"

#include <QFile>
#include <QStackedLayout>
#include <QStringDecoder>

ZQEditorPage::ZQEditorPage(QWidget* parent) : QWidget(parent), m_render(std::make_shared<ZQRender>())
{
    m_stack = new QStackedLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);
    auto undo = std::make_shared<plat::UndoManager>();
    auto setUp = [&](ZQAbstractEditor* editor) {
        editor->setMarkupRender(m_render);
        editor->setUndoManager(undo);
        m_stack->addWidget(editor);
        return editor;
    };
    m_markupEditor = setUp(new ZQMDEditor(this));
    m_richEditor = setUp(new ZQEditor(this, ZQEditorType::Rich));
    m_markupEditor->setIsMarkdownEditorVisible(true);
    m_stack->setCurrentWidget(m_markupEditor);
}

ZQEditorPage::~ZQEditorPage() = default;

void ZQEditorPage::installServices(const QString& themeID)
{
    if (!ZSSettings::sharedSettings()) {
        ZSRegisteredDefaults::registerTable();
        ZSSettings::hookPlatformSettings(ZSSettings::create());
    }
    const auto settings = ZSSettings::sharedSettings();
    const QString theme = themeID.isEmpty() ? settings->themeID() : themeID;
    ZSTextTheme::loadTheme(theme.isEmpty() ? QStringLiteral("light-twins") : theme, true);
    // The code fills and divider rules reach to the line width.
    settings->resetLineWidth();
}

bool ZQEditorPage::openFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = tr("The file %1 cannot be read: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString markup = decoder.decode(bytes);
    if (decoder.hasError()) {
        if (error)
            *error = tr("The file %1 is not UTF-8 text; it was left as it is.").arg(path);
        return false;
    }
    m_filePath = path;
    // The page opens in the view that shows.
    if (m_richVisible)
        showRich(markup);
    else
        showMarkup(markup);
    return true;
}

void ZQEditorPage::showRich(const QString& markup)
{
    plat::MutableAttributedString rich = m_render->renderMarkupToRich(plat::AttributedString(markup));
    m_richEditor->textStorage()->setAttributedString(rich);
    m_richEditor->setSelectedRange(plat::Range(0, 0));
    if (const auto& theme = ZSTextTheme::sharedTheme())
        ZSTextThemeApply::applyThemeForRichEditor(*theme, *m_richEditor, *m_render);
}

void ZQEditorPage::showMarkup(const QString& markup)
{
    plat::MutableAttributedString styled{plat::AttributedString(markup)};
    m_render->highlightMarkdown(styled);
    m_markupEditor->textStorage()->setAttributedString(styled);
    m_markupEditor->setSelectedRange(plat::Range(0, 0));
    if (const auto& theme = ZSTextTheme::sharedTheme())
        ZSTextThemeApply::applyThemeForMarkupEditor(*theme, *m_markupEditor, *m_render);
}

QString ZQEditorPage::markup() const
{
    if (!m_richVisible)
        return m_markupEditor->textStorage()->string();
    plat::MutableAttributedString rich(*m_richEditor->textStorage());
    return m_render->renderRichToMarkdown(&rich).string();
}

bool ZQEditorPage::saveFile(QString* error)
{
    if (m_filePath.isEmpty()) {
        if (error)
            *error = tr("No file is open.");
        return false;
    }
    return plat::writeFileAtomically(m_filePath, markup().toUtf8(), error);
}

void ZQEditorPage::toggleRichView()
{
    if (m_richVisible) {
        const QString text = markup();
        m_richVisible = false;
        showMarkup(text);
        m_stack->setCurrentWidget(m_markupEditor);
    } else {
        showRich(m_markupEditor->textStorage()->string());
        m_richVisible = true;
        m_stack->setCurrentWidget(m_richEditor);
    }
    m_markupEditor->setIsMarkdownEditorVisible(!m_richVisible);
    m_richEditor->setIsMarkdownEditorVisible(!m_richVisible);
    focusEditor();
}

ZQAbstractEditor& ZQEditorPage::visibleEditor() const
{
    return m_richVisible ? *m_richEditor : *m_markupEditor;
}

void ZQEditorPage::zoomBy(qreal step)
{
    const auto settings = editorSharedSettings();
    const qreal current = settings && settings->scaleFactor() > 0 ? settings->scaleFactor() : 1.0;
    zoomTo(current + step);
}

void ZQEditorPage::zoomTo(qreal factor)
{
    const auto settings = editorSharedSettings();
    const qreal current = settings && settings->scaleFactor() > 0 ? settings->scaleFactor() : 1.0;
    for (ZQAbstractEditor* editor : {m_markupEditor, m_richEditor})
        editor->setScaleFactor(factor, current);
}

void ZQEditorPage::focusEditor()
{
    visibleEditor().setFocus(Qt::OtherFocusReason);
}

