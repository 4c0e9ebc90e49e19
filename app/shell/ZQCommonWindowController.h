#pragma once
// The base of every window that shows a page: the library window and the
// stand-alone editor windows. It builds the editor area (message bar, the rich
// and the markup editor of which one is shown, the indicator label and the
// toolbar buttons), binds a page document to the editors, converting its text
// when its storage type differs from the editor shown, and switches between
// the two editors.

#include "app/shell/ZQDocument.h"
#include "app/shell/ZQEditorFace.h"
#include "app/shell/ZQSetting.h"
#include "app/shell/ZQWordCountObserver.h"

#include "platform/foundation/ObserverList.h"

#include <QWidget>
#include <memory>

class QStackedWidget;
class ZQHoverButton;
class ZQIndicatorLabel;
class ZQMarkupHelper;
class ZQMessageBarView;
class ZQRender;
class ZQStyleContextPopover;
class ZQRichScrollView;
class ZSTextTheme;

// The editor area: message bar, editors, indicator and buttons.
class ZQMainPanel : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
};

class ZQCommonWindowController : public QWidget {
    Q_OBJECT
public:
    // The key under which the library window keeps its editor mode.
    static QString editorModeKey() { return QStringLiteral("com.zolfarin.quorvel.editorMode"); }
    // A page shown in a window is saved this long after its last unsaved edit
    // began, so a crash loses at most these seconds of typing.
    static constexpr double AutosaveDelaySeconds = 5.0;

    static QString openFailedMessage() { return QStringLiteral("Sorry, Quorvel is failed to open this file."); }
    static QString richModeWarning()
    {
        return QStringLiteral("Warning - Markdown marker or content format may be changed at switching between markdown and rich mode.");
    }
    static QString richModeInformative()
    {
        return QStringLiteral("If the conversion is unexpected, please use \"File\"->\"Browse All Versions\" to restore the old version and keep using your preferred editing mode.");
    }

    ZQCommonWindowController(bool isEditorWindow, const ZQEditorFactory& editorFactory, QWidget* parent = nullptr);
    ~ZQCommonWindowController() override;

    // The window is built: the first editor shown (rich unless the stored mode or
    // the window kind says markup) and the usage ping sent.
    virtual void windowDidLoad();

    bool isEditorWindow() const { return m_isEditorWindow; }
    bool isMarkdownEditorVisible() const { return m_isMarkdownEditorVisible; }
    ZQEditorFace& editor() { return *m_editor; }
    ZQEditorFace& markupEditor() { return *m_markupEditor; }
    ZQEditorFace& visibleEditor() { return m_isMarkdownEditorVisible ? *m_markupEditor : *m_editor; }
    const std::shared_ptr<ZQRender>& markupRender() const { return m_markupRender; }
    ZQMainPanel* mainPanel() const { return m_mainPanel; }
    ZQMessageBarView* messageBarView() const { return m_messageBarView; }
    ZQIndicatorLabel* indicatorLabel() const { return m_indicatorLabel; }
    ZQHoverButton* markupButton() const { return m_markupBtn; }
    ZQHoverButton* addButton() const { return m_addBtn; }
    ZQHoverButton* removeButton() const { return m_removeBtn; }
    // The column keepers of the rich and the markup editor.
    ZQRichScrollView& scrollView() const { return *m_scrollView; }
    ZQRichScrollView& markupScrollView() const { return *m_markupScrollView; }

    const ZQDocumentPtr& document() const { return m_document; }
    // Binds a new document; nothing for none or the same one.
    virtual void setDocument(const ZQDocumentPtr& document);
    // (Re)binds and converts the document's text for the editor shown.
    void forceSetDocument(const ZQDocumentPtr& document);
    // Switches between the rich and the markup editor (an external Markdown
    // file asks first before it is shown as rich text).
    void switchEditorMode();
    // Saves the shown document in place; a failure is presented and answers false.
    bool saveDocumentInPlace(const ZQDocumentPtr& doc);

    // A formatting, zoom, undo or close action by number, run on the visible editor.
    void menuForRender(quint64 tag);
    // The popover of formatting buttons shown at an editor's selection.
    ZQStyleContextPopover* stylePopoverController() const { return m_stylePopoverController.get(); }

    // Queues a count of the visible editor's text; its result reaches the indicator.
    void doWordCount();
    // Cancels the editors' counts; none still running reaches the indicator.
    void cleanWordCounts();
    const ZQWordCountObserverPtr& wordCountObserver() const { return m_wordCountObserver; }
    void setEditorsEditable(bool editable);
    // The window takes the shared theme's editor colours; a dark editor
    // background darkens the whole window.
    void applyThemeColors();

protected:
    void closeEvent(QCloseEvent* event) override;
    void setEditorContent(const ZQDocumentPtr& document, plat::Range selection, const QString& theme,
                          double themeVersion);
    // Colours the code blocks of storage; a colouring that coloured any block
    // marks the document as changed, so it is saved in its new form.
    void highlightCodeBlocks(const std::shared_ptr<plat::TextStorage>& storage, ZQEditorType type,
                             const ZQDocumentPtr& document);
    void showEditor(bool markdown);
    virtual void documentEdited();

    ZQSettingPtr m_settings;
    std::shared_ptr<ZSTextTheme> m_textTheme;
    std::shared_ptr<ZQMarkupHelper> m_markupHelper;
    std::shared_ptr<ZQRender> m_markupRender;

private:
    void buildEditorArea(const ZQEditorFactory& editorFactory);
    void appStartMessage();
    // A help label or style-popover button was clicked: its tag runs on this
    // window's visible editor when this window is the one in front.
    void helpPanelLabelClick(qint64 tag);

    bool m_isEditorWindow;
    bool m_isMarkdownEditorVisible = false;
    ZQDocumentPtr m_document;
    ZQMainPanel* m_mainPanel = nullptr;
    ZQMessageBarView* m_messageBarView = nullptr;
    QStackedWidget* m_editorStack = nullptr;
    ZQIndicatorLabel* m_indicatorLabel = nullptr;
    ZQHoverButton* m_addBtn = nullptr;
    ZQHoverButton* m_removeBtn = nullptr;
    ZQHoverButton* m_markupBtn = nullptr;
    // Outlives the editors, which point at it.
    std::unique_ptr<ZQStyleContextPopover> m_stylePopoverController;
    plat::ObserverToken m_helpLabelObserver{};
    std::shared_ptr<ZQEditorFace> m_editor;
    std::shared_ptr<ZQEditorFace> m_markupEditor;
    ZQWordCountObserverPtr m_wordCountObserver;
    std::shared_ptr<ZQRichScrollView> m_scrollView;
    std::shared_ptr<ZQRichScrollView> m_markupScrollView;
    plat::ObserverToken m_lineWidthObserver{};
    plat::ObserverToken m_markdownLineWidthObserver{};
};
