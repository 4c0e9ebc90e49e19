#include "app/editor/ZQAbstractEditor.h"

#include "app/editor/ZQEditorSettings.h"
#include "app/editor/ZQEditorWindowLink.h"
#include "app/editor/ZQWordCounterOperation.h"
#include "app/shell/ZQPageLink.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/render/ZQMarkupHelper.h"
#include "kit/render/ZQOnFlyManager.h"
#include "kit/render/ZQRender.h"
#include "platform/foundation/Operation.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/Color.h"
#include "platform/text/KeyEvent.h"
#include "platform/ui/LayoutManager.h"
#include "platform/ui/Painter.h"

#include <QAction>
#include <QKeyEvent>
#include <QScrollBar>
#include <QUrl>
#include <cmath>
#include <typeinfo>

namespace {

const QString SpellingDefaultsKey = QStringLiteral("CheckSpellingWhileTyping");
const QString GrammarDefaultsKey = QStringLiteral("CheckGrammarWithSpelling");
const QString CorrectionDefaultsKey = QStringLiteral("CorrectSpellingAutomatically");
const QString ScaleFactorDefaultsKey = QStringLiteral("scaleFactor");

constexpr qreal CaretWidth = 2.5;
constexpr qreal MaximumScaleFactor = 4.6;
constexpr qreal MinimumScaleFactor = 0.6;

// The characters the key's platform event would carry: the function-key
// characters for arrows and forward delete, DEL for backspace.
QString platformCharacters(const plat::KeyPress& press)
{
    switch (press.keyCode) {
    case plat::KeyCode::Up: return QString(QChar(0xF700));
    case plat::KeyCode::Down: return QString(QChar(0xF701));
    case plat::KeyCode::Left: return QString(QChar(0xF702));
    case plat::KeyCode::Right: return QString(QChar(0xF703));
    case plat::KeyCode::ForwardDelete: return QString(QChar(0xF728));
    case plat::KeyCode::Delete: return QString(QChar(0x7F));
    default: return press.characters;
    }
}

namespace ActionTag {
constexpr quint64 Emphasis = 1;
constexpr quint64 Strong = 2;
constexpr quint64 ZoomIn = 3;
constexpr quint64 ZoomOut = 4;
constexpr quint64 ActualSize = 5;
constexpr quint64 Underline = 10;
constexpr quint64 Undo = 60;
constexpr quint64 UndoAgain = 61;
constexpr quint64 CloseBlockEditor = 62;
constexpr quint64 Escape = 63;
} // namespace ActionTag

// Key codes of the ANSI layout.
namespace AnsiKey {
constexpr quint16 Z = 6;
constexpr quint16 B = 11;
constexpr quint16 Equal = 24;
constexpr quint16 Minus = 27;
constexpr quint16 Zero = 29;
constexpr quint16 U = 32;
constexpr quint16 I = 34;
} // namespace AnsiKey

constexpr qreal ZoomStep = 0.2;

bool isArrowKey(quint16 keyCode)
{
    return keyCode == plat::KeyCode::Up || keyCode == plat::KeyCode::Down || keyCode == plat::KeyCode::Left
           || keyCode == plat::KeyCode::Right;
}

} // namespace

ZQAbstractEditor::ZQAbstractEditor(QWidget* parent)
    : plat::TextViewWidget(*this, parent), m_editorPopover(std::make_unique<INPopoverController>()),
      m_wordCountOperationQueue(std::make_shared<plat::OperationQueue>())
{
    setTextTheme(ZSTextTheme::sharedTheme());
    m_markupHelper = std::make_shared<ZQMarkupHelper>();
    m_highlighter = &ZQHighlighter::sharedHighlighter();
    setSettings(editorSharedSettings());
    m_onflyMgr = ZQOnFlyManager::sharedOnFlyManager();
    containerBounds = QRectF();

    INPopoverController& popover = *m_editorPopover;
    popover.setClosesWhenPopoverResignsKey(false);
    popover.setCornerRadius(5.0);
    popover.setBorderWidth(0);
    popover.setBorderColor(QColor());
    popover.setTopHighlightColor(QColor());
    popover.setShadowHighlightColor(QColor());
    popover.setDelegate(this);
    popover.setArrowSize(QSizeF(0, 0));
    // It hosts block editors, which must receive the keys typed into them.
    popover.setTakesKeyboardFocus(true);

    m_openBlockEditorRange = plat::Range::notFound();
    m_openBlockEditorMacro.reset();
    setPasteRender(std::make_shared<ZQRender>());
    m_editorContentIsChanging = false;
    setTextContainerInset(QSizeF(32, 30));

    const auto defaults = plat::UserDefaults::standardUserDefaults();
    m_continuousSpellChecking = defaults->boolForKey(SpellingDefaultsKey);
    m_grammarChecking = defaults->boolForKey(GrammarDefaultsKey);
    m_automaticSpellingCorrection = defaults->boolForKey(CorrectionDefaultsKey);

    if (const auto& shared = settings()) {
        m_markupType = shared->markupType();
        m_markupTypeObserver = shared->addObserver(QStringLiteral("markupType"), [this](const QString&) {
            markupTypeChanged();
        });
    }
    setPageTitleHandler([this](plat::Range range) { handlePageTitle(range); });

    connect(this, &plat::TextViewWidget::selectionChanged, this, [this] { textViewDidChangeSelection(); });
    auto boundsChanged = [this] { synchronizedViewContentBoundsDidChange(); };
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, boundsChanged);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, boundsChanged);
}

ZQAbstractEditor::~ZQAbstractEditor()
{
    // The scroll bars outlive this part of the object.
    verticalScrollBar()->disconnect(this);
    horizontalScrollBar()->disconnect(this);
    if (const auto& shared = settings())
        shared->removeObserver(m_markupTypeObserver);
    setPageTitleHandler({});
    m_editorPopover->setDelegate(nullptr);
    cleanWordCounts();
}

void ZQAbstractEditor::setOpenBlockEditor(const std::optional<QString>& macro, plat::Range range)
{
    // Both set, or neither.
    m_openBlockEditorMacro = macro;
    m_openBlockEditorRange = macro ? range : plat::Range::notFound();
}

bool ZQAbstractEditor::isEditorWindow() const
{
    return m_windowLink && m_windowLink->isEditorWindow();
}

void ZQAbstractEditor::gainFocus()
{
    QWidget* top = window();
    top->show();
    top->raise();
    top->activateWindow();
    setFocus(Qt::OtherFocusReason);
}

void ZQAbstractEditor::handlePageTitle(plat::Range range)
{
    // A stand-alone window shows an external file, which has no page title.
    if (isEditorWindow() || !m_windowLink)
        return;
    const plat::AttributedString text(*textStorage());
    auto title = m_markupHelper->getOutlineTitle(text, editorTypeFromStored(editorType()), range);
    if (title)
        m_windowLink->updateCurrentPageTitle(*title);
}

void ZQAbstractEditor::popoverStyleUpdatedRequired()
{
    const auto& theme = textTheme();
    if (!theme)
        return;
    const plat::ColorPtr color = editorTypeFromStored(editorType()) == ZQEditorType::Markup
                                     ? theme->mdBlockEditorBackgroundColor()
                                     : theme->editorBlockEditorBackgroundColor();
    m_editorPopover->setColor(color ? color->toQColor() : QColor());
}

void ZQAbstractEditor::setScaleFactor(qreal newFactor, qreal oldFactor)
{
    if (newFactor > MaximumScaleFactor || newFactor < MinimumScaleFactor || newFactor == oldFactor)
        return;
    // Relative to the current zoom, as the old factor says.
    const qreal current = scaleFactor();
    setScaleFactor(oldFactor != 0 ? current * newFactor / oldFactor : newFactor);
    if (const auto& shared = settings())
        shared->setScaleFactor(newFactor);
    plat::UserDefaults::standardUserDefaults()->setFloat(float(newFactor), ScaleFactorDefaultsKey);
}

bool ZQAbstractEditor::isKeyUpInRawText(plat::Range) const
{
    return typingAttributes().contains(ZQAttr::Raw);
}

void ZQAbstractEditor::keyDownModifierCheck(const plat::KeyPress& event)
{
    up = down = left = right = del = backspace = false;
    shiftMask = (event.modifierFlags & plat::ModifierFlag::Shift) != 0;
    const QString characters = platformCharacters(event);
    if (characters.size() != 1)
        return;
    const char16_t c = characters.at(0).unicode();
    // Arrow keys carry the numeric-pad flag on the platform.
    if (isArrowKey(event.keyCode)) {
        up = c == 0xF700;
        down = c == 0xF701;
        left = c == 0xF702;
        right = c == 0xF703;
    }
    backspace = c == 0x7F;
    del = c == 0xF728;
}

void ZQAbstractEditor::keyUp(QKeyEvent* event, const plat::KeyPress& press)
{
    fixStylePopover();
    if (editorTypeFromStored(editorType()) != ZQEditorType::Rich)
        plat::TextViewWidget::keyUp(event, press);
}

void ZQAbstractEditor::menuShortcutForAction(quint64 action)
{
    const ZQEditorType type = editorTypeFromStored(editorType());
    switch (action) {
    case ActionTag::ZoomIn:
    case ActionTag::ZoomOut:
    case ActionTag::ActualSize: {
        // A block editor keeps the size of its page.
        if (type == ZQEditorType::Block)
            return;
        const auto& shared = settings();
        const qreal current = shared && shared->scaleFactor() > 0 ? shared->scaleFactor() : 1.0;
        const qreal next = action == ActionTag::ZoomIn    ? current + ZoomStep
                           : action == ActionTag::ZoomOut ? current - ZoomStep
                                                          : 1.0;
        setScaleFactor(next, current);
        return;
    }
    case ActionTag::CloseBlockEditor:
        if (m_openBlockEditorMacro && m_editorPopover->popoverIsVisible()) {
            m_editorPopover->closePopover();
            setOpenBlockEditor(std::nullopt, plat::Range::notFound());
        }
        return;
    case ActionTag::Escape:
        handleEsc();
        return;
    case ActionTag::Undo:
    case ActionTag::UndoAgain:
        // Both tags undo; neither redoes.
        if (const auto& undo = undoManager())
            undo->undo();
        return;
    default:
        break;
    }
    const auto& render = m_markupRender ? m_markupRender : pasteRender();
    remainStylePopoverPosition = true;
    struct ClearFlag {
        bool& flag;
        ~ClearFlag() { flag = false; }
    } clear{remainStylePopoverPosition};
    render->renderShortcutAction(action, *this, selectedRange());
    fixStylePopover();
}

bool ZQAbstractEditor::performKeyEquivalent(const plat::KeyPress& press)
{
    fixStylePopover();
    const quint64 modifiers = press.modifierFlags & 0xFFFF0000u;
    if (modifiers == (plat::ModifierFlag::Shift | plat::ModifierFlag::Command)) {
        // Redo is the menus'; the change it makes counts as the user's.
        if (press.keyCode == AnsiKey::Z)
            m_editorContentIsChanging = true;
        return false;
    }
    if (modifiers != plat::ModifierFlag::Command)
        return false;
    // Keys reach this only through the editor's own key path, so it holds the focus.
    switch (press.keyCode) {
    case AnsiKey::Z:
        m_editorContentIsChanging = true;
        return false;
    case AnsiKey::Equal: menuShortcutForAction(ActionTag::ZoomIn); return true;
    case AnsiKey::Minus: menuShortcutForAction(ActionTag::ZoomOut); return true;
    case AnsiKey::Zero: menuShortcutForAction(ActionTag::ActualSize); return true;
    default: break;
    }
    const plat::Range selection = selectedRange();
    if (selection.length == 0)
        return false;
    quint64 action = 0;
    switch (press.keyCode) {
    case AnsiKey::B: action = ActionTag::Strong; break;
    case AnsiKey::I: action = ActionTag::Emphasis; break;
    case AnsiKey::U: action = ActionTag::Underline; break;
    default: return false;
    }
    const auto& render = m_markupRender ? m_markupRender : pasteRender();
    render->renderShortcutAction(action, *this, selection);
    return true;
}

void ZQAbstractEditor::scrollCharacterRangeToVisible(plat::Range range)
{
    const auto& manager = layoutManager();
    if (!manager || range.location < 0 || range.location > textStorage()->length())
        return;
    const plat::Range glyphs = manager->glyphRangeForCharacterRange(range);
    manager->ensureLayoutForGlyphRange(plat::Range(glyphs.location, 0));
    const QRectF used = manager->lineFragmentUsedRectForGlyphAtIndex(glyphs.location);
    scrollRectToVisible(used.translated(textContainerOrigin()));
}

void ZQAbstractEditor::scrollRectToVisible(const QRectF& rect)
{
    const qreal scale = scaleFactor();
    const QRectF target(rect.x() * scale, rect.y() * scale, rect.width() * scale, rect.height() * scale);
    auto reveal = [](QScrollBar* bar, qreal from, qreal to, int page) {
        const int value = bar->value();
        if (from < value)
            bar->setValue(int(std::floor(from)));
        else if (to > value + page)
            bar->setValue(int(std::ceil(std::min(from, to - page))));
    };
    reveal(verticalScrollBar(), target.top(), target.bottom(), viewport()->height());
    reveal(horizontalScrollBar(), target.left(), target.right(), viewport()->width());
}

void ZQAbstractEditor::toggleSpellingOption(const QObject* sender, const QString& defaultsKey, bool& option)
{
    // Only a plain menu action persists the state it is about to produce.
    if (sender && typeid(*sender) == typeid(QAction)) {
        const auto* action = static_cast<const QAction*>(sender);
        plat::UserDefaults::standardUserDefaults()->setBool(!action->isChecked(), defaultsKey);
    }
    option = !option;
    update();
}

void ZQAbstractEditor::toggleContinuousSpellChecking(const QObject* sender)
{
    toggleSpellingOption(sender, SpellingDefaultsKey, m_continuousSpellChecking);
}

void ZQAbstractEditor::toggleGrammarChecking(const QObject* sender)
{
    toggleSpellingOption(sender, GrammarDefaultsKey, m_grammarChecking);
}

void ZQAbstractEditor::toggleAutomaticSpellingCorrection(const QObject* sender)
{
    toggleSpellingOption(sender, CorrectionDefaultsKey, m_automaticSpellingCorrection);
}

void ZQAbstractEditor::markupTypeChanged()
{
    const auto& shared = settings();
    if (!shared)
        return;
    const ZQMarkupType oldType = m_markupType;
    const ZQMarkupType newType = shared->markupType();
    m_markupType = newType;
    // The rich editor's text does not depend on the dialect.
    if (!m_isMarkdownEditorVisible || editorTypeFromStored(editorType()) != ZQEditorType::Markup
        || oldType == newType)
        return;
    if (const auto& undo = undoManager())
        undo->removeAllActions();
    ZQRender& render = m_markupRender ? *m_markupRender : *pasteRender();
    plat::MutableAttributedString rich =
        render.renderMarkupToRich(plat::AttributedString(*textStorage()), false, oldType);
    plat::MutableAttributedString markup = render.renderRichToMarkdown(&rich, false, newType);
    render.highlightMarkdown(markup);
    textStorage()->setAttributedString(markup);
}

QRectF ZQAbstractEditor::caretRectForProposedRect(const QRectF& proposed) const
{
    QRectF rect(proposed.topLeft(), QSizeF(CaretWidth, proposed.height() - 1));
    const qsizetype length = textStorage()->length();
    const qsizetype caret = selectedRange().location;
    if (length > 0 && caret < length)
        return rect;
    const auto& shared = settings();
    qreal h = 0;
    if (shared)
        h = editorTypeFromStored(editorType()) == ZQEditorType::Rich ? shared->caretRichHeight()
                                                                      : shared->caretMarkdownHeight();
    if (length == 0) {
        rect.setHeight(h - 1);
        return rect;
    }
    qreal lineHeight = 0;
    if (const auto& manager = layoutManager()) {
        const plat::Range glyphs = manager->glyphRangeForCharacterRange(plat::Range(caret, 0));
        lineHeight = manager->boundingRectForGlyphRange(glyphs).height();
    }
    rect.setHeight(std::max(h, lineHeight) - 1);
    return rect;
}

QRectF ZQAbstractEditor::insertionPointRect()
{
    return caretRectForProposedRect(plat::TextViewWidget::insertionPointRect());
}

void ZQAbstractEditor::drawInsertionPointInRect(const QRectF& rect, const QColor& color, bool turnedOn,
                                                 plat::Painter& painter)
{
    // The rectangle is already the editor's own caret (insertionPointRect);
    // the wide caret covers the view's thin one.
    if (turnedOn)
        painter.drawCaret(rect, color);
}

bool ZQAbstractEditor::clickedOnLink(const QVariant& link, qsizetype)
{
    QString target;
    if (link.typeId() == QMetaType::QUrl)
        target = link.toUrl().toString();
    if (const auto page = ZQPageLink::pageForAddress(target); page && m_windowLink)
        m_windowLink->openPage(page->pageUuid, page->spaceFolder);
    // The view never opens a link itself.
    return true;
}

void ZQAbstractEditor::focusInEvent(QFocusEvent* event)
{
    // Taking the keyboard back closes an open block editor.
    if (m_openBlockEditorMacro) {
        m_editorPopover->closePopover();
        setOpenBlockEditor(std::nullopt, plat::Range::notFound());
    }
    plat::TextViewWidget::focusInEvent(event);
}

void ZQAbstractEditor::synchronizedViewContentBoundsDidChange()
{
    containerBounds = QRectF(viewport()->rect());
}

void ZQAbstractEditor::countWords()
{
    if (const auto& options = settings(); options && options->hideEditorModeHint())
        return;
    const qint64 request = m_wordCountObserver ? m_wordCountObserver->countRequested() : 0;
    const auto operation = ZQWordCounterOperation::create(string(), request);
    if (m_wordCountObserver) {
        // The completion block runs once, on the counting thread, while the operation lives.
        ZQWordCounterOperation* counted = operation.get();
        operation->setCompletionBlock([observer = m_wordCountObserver, counted] {
            observer->countFinished(counted->request(), counted->isCancelled(), counted->wordCount(),
                                    counted->charCount());
        });
    }
    m_wordCountOperationQueue->addOperation(operation);
}

void ZQAbstractEditor::cleanWordCounts()
{
    m_wordCountOperationQueue->cancelAllOperations();
    if (m_wordCountObserver)
        m_wordCountObserver->discardPending();
}

void ZQAbstractEditor::replaceTextStorage(std::shared_ptr<plat::TextStorage> storage)
{
    setTextStorage(std::move(storage));
    // An empty page has no text to take typing attributes from: without the
    // editor's own, typed text would carry no font and formatting would miss it.
    if (textStorage()->length() == 0 && settings())
        setTypingAttributes(settings()->defaultTypingAttribute(editorTypeFromStored(editorType())));
    modelStorageChanged();
    textStorageReplaced();
}
