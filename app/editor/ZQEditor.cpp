#include "app/editor/ZQEditor.h"

#include "app/editor/ZQEditorSettings.h"

#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/render/ZQEditTracker.h"
#include "kit/render/ZQRender.h"
#include "app/editor/ZQEditorTypeSetting.h"
#include "app/editor/ZQLayoutManager.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/text/Color.h"
#include "platform/text/Font.h"
#include "kit/foundation/Exs.h"
#include "platform/text/KeyEvent.h"

#include <QMouseEvent>

namespace {

bool sameColor(const plat::ColorPtr& a, const plat::ColorPtr& b)
{
    return a && b && a->isEqual(*b);
}

} // namespace

ZQEditor::ZQEditor(QWidget* parent, ZQEditorType type) : ZQAbstractEditor(parent)
{
    m_singleLineMode = false;
    setEditorType(storedValue(type));
    // A block editor lays out and sets type like the page editor.
    auto manager = std::make_shared<ZQLayoutManager>(ZQEditorType::Rich);
    manager->setTypesetter(std::make_shared<ZQEditorTypeSetting>(ZQEditorType::Rich));
    setLayoutManager(std::move(manager));
    textStorageReplaced();

    const auto& theme = textTheme();
    const auto& shared = settings();
    if (type == ZQEditorType::Block) {
        setTextContainerInset(QSizeF(5, 8));
        if (theme)
            setBackgroundColor(themeColor(theme->editorBlockEditorBackgroundColor(), Qt::white));
    } else {
        popoverStyleUpdatedRequired();
        if (shared && shared->scaleFactor() > 0)
            setScaleFactor(shared->scaleFactor(), 1.0);
        if (theme) {
            setBackgroundColor(themeColor(theme->editorEditorBackgroundColor(), Qt::white));
            if (sameColor(theme->editorEditorBackgroundColor(), theme->editorContainerBackgroundColor()))
                setTextContainerInset(QSizeF(32, 10));
        }
    }
    if (theme)
        setInsertionPointColor(themeColor(theme->editorCaretColor(), Qt::black));
    if (shared)
        setTypingAttributes(shared->defaultTypingAttribute(ZQEditorType::Rich));
    addTextDidChangeObserver([this](plat::TextView&) { textDidChange(); });
}

ZQEditor::~ZQEditor()
{
    if (m_delegatedStorage && m_delegatedStorage->delegate() == this)
        m_delegatedStorage->setDelegate(nullptr);
}

ZQRender& ZQEditor::render() const
{
    return markupRender() ? *markupRender() : *pasteRender();
}

bool ZQEditor::keyDown(QKeyEvent* event, const plat::KeyPress& press)
{
    if (performKeyEquivalent(press))
        return true;
    if (press.keyCode == plat::KeyCode::Escape) {
        handleEsc();
        return true;
    }
    if (m_singleLineMode && press.keyCode == plat::KeyCode::Return)
        return true; // a block editor's Return closes it (its host closes it on Escape too)
    keyDownModifierCheck(press);
    setEditorContentIsChanging(true);
    if (render().processKeyDown(press.keyCode & 0xFFFF, press.modifierFlags & 0xFFFF0000u, press.characters, *this))
        return true;
    return ZQAbstractEditor::keyDown(event, press);
}

void ZQEditor::keyUp(QKeyEvent* event, const plat::KeyPress& press)
{
    ZQAbstractEditor::keyUp(event, press);
    // Raw text (code, tags) is never styled.
    if (!isKeyUpInRawText(selectedRange())) {
        const auto& shared = settings();
        bool markup = false;
        for (const QChar c : press.characters)
            markup = markup || (shared && shared->markupCharSet().contains(c));
        if (markup)
            setEditorContentIsChanging(render().renderOnFly(press.characters, *this));
    }
    render().processKeyUp(press.keyCode & 0xFFFF, press.modifierFlags & 0xFFFF0000u, *this);
}

void ZQEditor::handleEsc()
{
    if (openBlockEditorMacro()) {
        editorPopover().closePopover();
        setOpenBlockEditor(std::nullopt, plat::Range::notFound());
    }
}

bool ZQEditor::hasStyledAttributes(const plat::Attributes& attributes) const
{
    const auto& theme = textTheme();
    for (const auto& [name, value] : attributes) {
        if (name == plat::FontAttribute) {
            const plat::FontPtr font = value.toObject<plat::Font>();
            if (font && (Exs::isBold(*font) || Exs::isItalic(*font)))
                return true;
        } else if (name == plat::StrikethroughAttribute || name == plat::UnderlineAttribute
                   || name == plat::LinkAttribute) {
            return true;
        } else if (name == plat::ForegroundColorAttribute) {
            const plat::ColorPtr color = value.toObject<plat::Color>();
            if (!theme || !sameColor(color, theme->richTextColor()))
                return true;
        }
    }
    return false;
}

void ZQEditor::textStorageDidProcessEditing(plat::TextStorage&, unsigned editedMask, plat::Range editedRange,
                                            qsizetype)
{
    if (!(editedMask & plat::EditedCharacters) || isMarkdownEditorVisible())
        return;
    // Only a change the user made retitles the page, once.
    if (editorTypeFromStored(editorType()) == ZQEditorType::Rich && editorContentIsChanging() && !isEditorWindow()) {
        setEditorContentIsChanging(false);
        updatePageTitle(editedRange);
    }
}

void ZQEditor::textDidChange()
{
    if (isMarkdownEditorVisible())
        return;
    render().fixRichAttributes(*this);
    // Only the blocks the edits touched can have lost their colours.
    const plat::Range edited = m_codeEdits ? m_codeEdits->editedRange() : plat::Range(0, textStorage()->length());
    if (!edited.isNotFound())
        render().highlighCodeBlock(textStorage(), ZQEditorType::Rich, {}, edited);
    if (m_codeEdits)
        m_codeEdits->setEditedRange(plat::Range::notFound());
}

void ZQEditor::mousePressEvent(QMouseEvent* event)
{
    ZQAbstractEditor::mousePressEvent(event);
    if (openBlockEditorMacro() && editorPopover().popoverIsVisible()) {
        editorPopover().closePopover();
        setOpenBlockEditor(std::nullopt, plat::Range::notFound());
    }
    // A click inside a read-only run takes the whole run; a caret before it stays.
    const plat::Range selection = selectedRange();
    const auto& storage = textStorage();
    if (selection.length != 0 || selection.location >= storage->length())
        return;
    plat::Range run;
    if (storage->attributeAtIndexLongestEffectiveRange(ZQAttr::Readonly, selection.location, &run,
                                                       plat::Range(0, storage->length()))
            .isNull())
        return;
    if (selection.location > run.location) {
        setSelectedRange(run);
        selectionDidChangeOutside();
    }
}

// The storage tells its delegate, this editor, when an edit was processed.
void ZQEditor::textStorageReplaced()
{
    if (m_delegatedStorage && m_delegatedStorage->delegate() == this)
        m_delegatedStorage->setDelegate(nullptr);
    m_delegatedStorage = textStorage();
    m_delegatedStorage->setDelegate(this);
    m_codeEdits = std::make_unique<ZQEditTracker>(m_delegatedStorage);
}
