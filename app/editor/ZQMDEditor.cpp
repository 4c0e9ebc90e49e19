#include "app/editor/ZQMDEditor.h"

#include "app/editor/ZQEditorSettings.h"

#include "app/editor/ZQEditorTypeSetting.h"
#include "app/editor/ZQLayoutManager.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/render/ZQEditTracker.h"
#include "kit/render/ZQRender.h"
#include "platform/text/Color.h"
#include "platform/text/KeyEvent.h"

ZQMDEditor::ZQMDEditor(QWidget* parent) : ZQAbstractEditor(parent)
{
    setEditorType(storedValue(ZQEditorType::Markup));
    popoverStyleUpdatedRequired();
    auto manager = std::make_shared<ZQLayoutManager>(ZQEditorType::Markup);
    manager->setTypesetter(std::make_shared<ZQEditorTypeSetting>(ZQEditorType::Markup));
    setLayoutManager(std::move(manager));
    textStorageReplaced();

    const auto& shared = settings();
    const auto& theme = textTheme();
    if (shared)
        setTypingAttributes(shared->defaultTypingAttribute(ZQEditorType::Markup));
    if (theme) {
        setBackgroundColor(themeColor(theme->mdEditorBackgroundColor(), Qt::white));
        setInsertionPointColor(themeColor(theme->mdCaretColor(), Qt::black));
    }
    if (shared && shared->scaleFactor() > 0)
        setScaleFactor(shared->scaleFactor(), 1.0);
    if (theme && theme->mdEditorBackgroundColor() && theme->mdContainerBackgroundColor()
        && theme->mdEditorBackgroundColor()->isEqual(*theme->mdContainerBackgroundColor()))
        setTextContainerInset(QSizeF(32, 10));
    addTextDidChangeObserver([this](plat::TextView&) { textDidChange(); });
}

ZQMDEditor::~ZQMDEditor()
{
    if (m_delegatedStorage && m_delegatedStorage->delegate() == this)
        m_delegatedStorage->setDelegate(nullptr);
}

ZQRender& ZQMDEditor::render() const
{
    return markupRender() ? *markupRender() : *pasteRender();
}

bool ZQMDEditor::keyDown(QKeyEvent* event, const plat::KeyPress& press)
{
    if (performKeyEquivalent(press))
        return true;
    m_stopKeyUp = true;
    if (press.keyCode == plat::KeyCode::Escape) {
        handleEsc();
        return true;
    }
    keyDownModifierCheck(press);
    setEditorContentIsChanging(true);
    if (render().processKeyDown(press.keyCode & 0xFFFF, press.modifierFlags & 0xFFFF0000u, press.characters, *this))
        return true;
    m_stopKeyUp = false;
    return ZQAbstractEditor::keyDown(event, press);
}

void ZQMDEditor::keyUp(QKeyEvent* event, const plat::KeyPress& press)
{
    // No live styling and no key-up processors in the markup editor.
    ZQAbstractEditor::keyUp(event, press);
}

void ZQMDEditor::handleEsc()
{
    if (openBlockEditorMacro()) {
        editorPopover().closePopover();
        setOpenBlockEditor(std::nullopt, plat::Range::notFound());
    }
}

void ZQMDEditor::textStorageDidProcessEditing(plat::TextStorage&, unsigned editedMask, plat::Range editedRange,
                                              qsizetype)
{
    if (!(editedMask & plat::EditedCharacters) || !isMarkdownEditorVisible() || !editorContentIsChanging())
        return;
    setEditorContentIsChanging(false);
    if (!isEditorWindow())
        updatePageTitle(editedRange);
    // The storage is still processing this edit; colour once it is done.
    m_recolourPending = true;
}

void ZQMDEditor::textDidChange()
{
    if (!isMarkdownEditorVisible())
        return;
    if (m_recolourPending) {
        m_recolourPending = false;
        render().fixMarkupAttributes(textStorage());
    }
    // Only the blocks the edits touched can have lost their colours.
    const plat::Range edited = m_codeEdits ? m_codeEdits->editedRange() : plat::Range(0, textStorage()->length());
    if (!edited.isNotFound())
        render().highlighCodeBlock(textStorage(), ZQEditorType::Markup, {}, edited);
    if (m_codeEdits)
        m_codeEdits->setEditedRange(plat::Range::notFound());
}

void ZQMDEditor::mousePressEvent(QMouseEvent* event)
{
    ZQAbstractEditor::mousePressEvent(event);
    if (openBlockEditorMacro() && editorPopover().popoverIsVisible()) {
        editorPopover().closePopover();
        setOpenBlockEditor(std::nullopt, plat::Range::notFound());
    }
}

// The storage tells its delegate, this editor, when an edit was processed.
void ZQMDEditor::textStorageReplaced()
{
    if (m_delegatedStorage && m_delegatedStorage->delegate() == this)
        m_delegatedStorage->setDelegate(nullptr);
    m_delegatedStorage = textStorage();
    m_delegatedStorage->setDelegate(this);
    m_codeEdits = std::make_unique<ZQEditTracker>(m_delegatedStorage);
}
