#pragma once
// The text view every editor derives from: the rich page editor and the block
// editor (both rich), and the markup editor. One object is both the widget and
// the text-view model the engine edits. It binds a new editor to the shared
// services, keeps the state the window, the engine and the subclasses share,
// persists the spelling options, follows a change of the markup dialect,
// draws its own caret, zooms, follows page links and hands page titles to the
// window.

#include "app/shell/INPopoverController.h"
#include "app/shell/ZQWordCountObserver.h"
#include "kit/model/ZSAbstractTextView.h"
#include "platform/foundation/ObserverList.h"
#include "platform/ui/TextViewWidget.h"

#include <QRectF>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class ZQEditorWindowLink;
class ZQHighlighter;
class ZQMarkupHelper;
class ZQOnFlyManager;
class ZQRender;
class ZQStyleContextPopover;

namespace plat {
class OperationQueue;
}

class ZQAbstractEditor : public plat::TextViewWidget, public ZSAbstractTextView, public INPopoverControllerDelegate {
    Q_OBJECT
public:
    explicit ZQAbstractEditor(QWidget* parent = nullptr);
    ~ZQAbstractEditor() override;

    // Copy-and-paste modes.
    enum : quint64 { PasteNormal = 0, PastePlainText = 1, CopyNormal = 5, CopyHTML = 6 };

    // --- State shared with the window, the engine and the subclasses ---
    quint64 copyPasteMode = PasteNormal;
    plat::Range lastAnchorPoint;
    quint64 selectionDirection = 0;
    QRectF containerBounds;
    bool remainStylePopoverPosition = false;

    // The current text change comes from the user.
    bool editorContentIsChanging() const { return m_editorContentIsChanging; }
    void setEditorContentIsChanging(bool changing) { m_editorContentIsChanging = changing; }
    bool isMarkdownEditorVisible() const { return m_isMarkdownEditorVisible; }
    void setIsMarkdownEditorVisible(bool visible) { m_isMarkdownEditorVisible = visible; }
    const std::shared_ptr<ZQMarkupHelper>& markupHelper() const { return m_markupHelper; }
    // Owner name of the macro whose block editor is open; none when closed.
    const std::optional<QString>& openBlockEditorMacro() const { return m_openBlockEditorMacro; }
    plat::Range openBlockEditorRange() const { return m_openBlockEditorRange; }
    void setOpenBlockEditor(const std::optional<QString>& macro, plat::Range range);
    // The window's render engine (its render context holds the page's storages).
    const std::shared_ptr<ZQRender>& markupRender() const { return m_markupRender; }
    void setMarkupRender(std::shared_ptr<ZQRender> render) { m_markupRender = std::move(render); }
    ZQHighlighter& highlighter() const { return *m_highlighter; }
    const std::shared_ptr<ZQOnFlyManager>& onflyMgr() const { return m_onflyMgr; }
    INPopoverController& editorPopover() const { return *m_editorPopover; }
    plat::OperationQueue& wordCountOperationQueue() const { return *m_wordCountOperationQueue; }
    ZQEditorWindowLink* windowLink() const { return m_windowLink; }
    // The window's receiver of this editor's word counts.
    const ZQWordCountObserverPtr& wordCountObserver() const { return m_wordCountObserver; }
    void setWordCountObserver(ZQWordCountObserverPtr observer) { m_wordCountObserver = std::move(observer); }

    // Queues a count of the current text, unless the editor-mode hint (which
    // shows the counts) is hidden.
    void countWords();
    // Cancels every queued or running count; their results are not shown.
    void cleanWordCounts();
    void setWindowLink(ZQEditorWindowLink* link) { m_windowLink = link; }

    // --- Operations for the window, the engine and the subclasses ---
    bool isEditorWindow() const;
    void gainFocus();
    void popoverStyleUpdatedRequired();
    // Zooms relative to the current zoom; factors above 4.6 or below 0.6 are refused.
    void setScaleFactor(qreal newFactor, qreal oldFactor);
    using plat::TextViewWidget::setScaleFactor;
    bool isKeyUpInRawText(plat::Range range) const;
    // Records which key is being handled; subclasses call it first on every key-down.
    void keyDownModifierCheck(const plat::KeyPress& event);
    virtual void handleEsc() {}
    // The single entry for editor action numbers (menu tags, help-pane labels,
    // style-popover buttons): zoom, undo and Escape here, the rest formats
    // through the render engine.
    void menuShortcutForAction(quint64 action);
    // The Ctrl key combinations the editor takes itself; true when consumed.
    // A false answer leaves the key to the menus.
    bool performKeyEquivalent(const plat::KeyPress& press);
    void scrollCharacterRangeToVisible(plat::Range range);

    // Spelling options: persisted when the sender is a plain menu action, then toggled.
    bool isContinuousSpellCheckingEnabled() const { return m_continuousSpellChecking; }
    bool isGrammarCheckingEnabled() const { return m_grammarChecking; }
    bool isAutomaticSpellingCorrectionEnabled() const { return m_automaticSpellingCorrection; }
    void toggleContinuousSpellChecking(const QObject* sender);
    void toggleGrammarChecking(const QObject* sender);
    void toggleAutomaticSpellingCorrection(const QObject* sender);

    // The caret for a proposed rectangle: 2.5 wide, its height by editor type.
    QRectF caretRectForProposedRect(const QRectF& proposed) const;

    // --- The view's hooks ---
    QRectF insertionPointRect() override;
    void drawInsertionPointInRect(const QRectF& rect, const QColor& color, bool turnedOn, plat::Painter& painter) override;
    bool clickedOnLink(const QVariant& link, qsizetype characterIndex) override;
    void keyUp(QKeyEvent* event, const plat::KeyPress& press) override;

    // Shows another storage (the bound page's text); the caret goes to its start.
    void replaceTextStorage(std::shared_ptr<plat::TextStorage> storage);

    // --- Selection rules (ZQAbstractEditorSelection.cpp) ---
    // An empty range also becomes the anchor of the next selection.
    void setSelectedRange(plat::Range range,
                          plat::SelectionAffinity affinity = plat::SelectionAffinity::Downstream) override;
    plat::Range willChangeSelection(plat::Range from, plat::Range to, plat::SelectionAffinity& affinity) override;
    // Screens proposed ranges: a caret never stands inside a read-only run, a
    // selection that grows or shrinks takes or lets go of whole blocks. Any
    // failure answers the single range (0, 0).
    std::vector<plat::Range> textViewWillChangeSelection(const std::vector<plat::Range>& oldRanges,
                                                         const std::vector<plat::Range>& newRanges);
    // Records the selection in the page and shows, keeps or closes the style popover.
    void textViewDidChangeSelection();
    // The style flags of the selection's typing attributes.
    qint64 selectionStyleKeycodes() const;

protected:
    void focusInEvent(QFocusEvent* event) override;
    // The editor now shows another storage.
    virtual void textStorageReplaced() {}
    // The hand-off of a new page title after an edit in range.
    void handlePageTitle(plat::Range range);
    // The scroll view's visible area moved.
    virtual void synchronizedViewContentBoundsDidChange();

private:
    // Closes the style popover on an empty selection, else refreshes its buttons.
    void fixStylePopover();
    ZQStyleContextPopover* stylePopoverController() const;
    plat::Attributes selectionTypingAttributes() const;
    void markupTypeChanged();
    // Scrolls the least that shows rect (view coordinates before zoom).
    void scrollRectToVisible(const QRectF& rect);
    void toggleSpellingOption(const QObject* sender, const QString& defaultsKey, bool& option);

    std::unique_ptr<INPopoverController> m_editorPopover;
    std::shared_ptr<plat::OperationQueue> m_wordCountOperationQueue;
    ZQWordCountObserverPtr m_wordCountObserver;
    std::shared_ptr<ZQOnFlyManager> m_onflyMgr;
    bool m_editorContentIsChanging = false;
    bool m_isMarkdownEditorVisible = false;
    std::shared_ptr<ZQMarkupHelper> m_markupHelper;
    std::optional<QString> m_openBlockEditorMacro;
    plat::Range m_openBlockEditorRange = plat::Range::notFound();
    std::shared_ptr<ZQRender> m_markupRender;
    ZQHighlighter* m_highlighter = nullptr; // the process-wide one
    ZQEditorWindowLink* m_windowLink = nullptr;
    bool m_continuousSpellChecking = false;
    bool m_grammarChecking = false;
    bool m_automaticSpellingCorrection = false;
    ZQMarkupType m_markupType = ZQMarkupType::Markdown;
    plat::ObserverToken m_markupTypeObserver{};
};
