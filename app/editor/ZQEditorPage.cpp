#include "app/editor/ZQEditorPage.h"

#include "app/editor/ZQAbstractEditor.h"
#include "app/editor/ZQEditorSettings.h"
#include "app/editor/ZQEditorTypeSetting.h"
#include "app/editor/ZQLayoutManager.h"
#include "kit/foundation/ZSRegisteredDefaults.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/render/ZQRender.h"
#include "kit/render/ZSTextThemeApply.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/Color.h"
#include "platform/text/KeyEvent.h"

#include <QFile>
#include <QKeyEvent>
#include <QStackedLayout>
#include <QStringDecoder>
#include <QTimer>

namespace {

constexpr int RestylePauseMilliseconds = 400;

// An editor whose keys go to the page's render engine first, as the page
// editors' own key handling does.
class EngineKeyedEditor final : public ZQAbstractEditor {
public:
    EngineKeyedEditor(ZQEditorType type, QWidget* parent) : ZQAbstractEditor(parent)
    {
        setEditorType(storedValue(type));
        auto manager = std::make_shared<ZQLayoutManager>(type);
        manager->setTypesetter(std::make_shared<ZQEditorTypeSetting>(type));
        setLayoutManager(std::move(manager));
        if (const auto& shared = settings(); shared && shared->scaleFactor() > 0)
            setScaleFactor(shared->scaleFactor(), 1.0);
    }

    bool keyDown(QKeyEvent* event, const plat::KeyPress& press) override
    {
        keyDownModifierCheck(press);
        setEditorContentIsChanging(true);
        if (const auto& render = markupRender();
            render && render->processKeyDown(press.keyCode, press.modifierFlags & 0xFFFF0000u, press.characters, *this))
            return true;
        return ZQAbstractEditor::keyDown(event, press);
    }

    void keyUp(QKeyEvent* event, const plat::KeyPress& press) override
    {
        ZQAbstractEditor::keyUp(event, press);
        const auto& render = markupRender();
        if (!render || editorTypeFromStored(editorType()) != ZQEditorType::Rich)
            return;
        if (render->processKeyUp(press.keyCode, press.modifierFlags & 0xFFFF0000u, *this))
            return;
        if (!press.characters.isEmpty() && press.characters.at(0).isPrint() && !isKeyUpInRawText(selectedRange()))
            render->renderOnFly(press.characters, *this);
    }
};

} // namespace

ZQEditorPage::ZQEditorPage(QWidget* parent) : QWidget(parent), m_render(std::make_shared<ZQRender>())
{
    m_stack = new QStackedLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);
    auto undo = std::make_shared<plat::UndoManager>();
    auto makeEditor = [&](ZQEditorType type) {
        auto* editor = new EngineKeyedEditor(type, this);
        editor->setMarkupRender(m_render);
        editor->setUndoManager(undo);
        m_stack->addWidget(editor);
        return editor;
    };
    m_markupEditor = makeEditor(ZQEditorType::Markup);
    m_richEditor = makeEditor(ZQEditorType::Rich);
    m_markupEditor->setIsMarkdownEditorVisible(true);
    m_stack->setCurrentWidget(m_markupEditor);
    m_markupEditor->addTextDidChangeObserver([this](plat::TextView&) { restyleMarkupSoon(); });
    applyThemeColors();
}

void ZQEditorPage::applyThemeColors()
{
    const auto theme = ZSTextTheme::sharedTheme();
    if (!theme)
        return;
    auto color = [](const plat::ColorPtr& value, QColor fallback) { return value ? value->toQColor() : fallback; };
    m_markupEditor->setBackgroundColor(color(theme->mdEditorBackgroundColor(), Qt::white));
    m_markupEditor->setInsertionPointColor(color(theme->mdCaretColor(), Qt::black));
    m_richEditor->setBackgroundColor(color(theme->editorEditorBackgroundColor(), Qt::white));
    m_richEditor->setInsertionPointColor(color(theme->editorCaretColor(), Qt::black));
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

void ZQEditorPage::restyleMarkupSoon()
{
    // The whole text is styled again, so only once typing pauses: keys stay
    // instant on long pages.
    if (!m_restyleTimer) {
        m_restyleTimer = new QTimer(this);
        m_restyleTimer->setSingleShot(true);
        m_restyleTimer->setInterval(RestylePauseMilliseconds);
        connect(m_restyleTimer, &QTimer::timeout, this, [this] {
            if (!m_richVisible)
                m_render->fixMarkupAttributes(*m_markupEditor->textStorage());
        });
    }
    m_restyleTimer->start();
}
