#include "app/shell/ZQCommonWindowController.h"

#include "app/editor/ZQStyleContextPopover.h"
#include "app/editor/ZQRichScrollView.h"
#include "app/shell/ZQAppFlags.h"
#include "app/shell/ZQButtons.h"
#include "app/shell/ZQStatusViews.h"
#include "app/shell/ZQUsagePing.h"
#include "kit/foundation/ZQError.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/render/ZQMarkupHelper.h"
#include "kit/render/ZQRender.h"
#include "kit/render/ZSTextThemeApply.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/panels/Panels.h"
#include "platform/ui/TextViewWidget.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <cmath>

ZQCommonWindowController::ZQCommonWindowController(bool isEditorWindow, const ZQEditorFactory& editorFactory,
                                                   QWidget* parent)
    : QWidget(parent), m_isEditorWindow(isEditorWindow)
{
    m_settings = ZQSetting::shared();
    m_textTheme = ZSTextTheme::sharedTheme();
    m_markupHelper = std::make_shared<ZQMarkupHelper>();
    m_markupRender = std::make_shared<ZQRender>();
    setAttribute(Qt::WA_DeleteOnClose, false);
    buildEditorArea(editorFactory);
}

ZQCommonWindowController::~ZQCommonWindowController()
{
    // Counts still running must not reach the label after it is gone.
    m_wordCountObserver->detach();
    cleanWordCounts();
    plat::NotificationCenter::defaultCenter().removeObserver(m_helpLabelObserver);
    if (m_settings) {
        m_settings->removeObserver(m_lineWidthObserver);
        m_settings->removeObserver(m_markdownLineWidthObserver);
    }
}

void ZQCommonWindowController::menuForRender(quint64 tag)
{
    visibleEditor().menuShortcutForAction(tag);
}

void ZQCommonWindowController::helpPanelLabelClick(qint64 tag)
{
    // Every window hears the click; only the one the user works in acts.
    if (tag <= 0 || !window()->isActiveWindow())
        return;
    menuForRender(quint64(tag));
}

void ZQCommonWindowController::buildEditorArea(const ZQEditorFactory& editorFactory)
{
    m_mainPanel = new ZQMainPanel(this);
    m_mainPanel->setObjectName(QStringLiteral("editorPanel"));
    auto* column = new QVBoxLayout(m_mainPanel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    m_messageBarView = new ZQMessageBarView(m_mainPanel);
    m_messageBarView->hide();
    column->addWidget(m_messageBarView);

    m_editorStack = new QStackedWidget(m_mainPanel);
    const ZQEditorFactory factory = editorFactory;
    m_editor = factory(ZQEditorType::Rich, m_editorStack);
    m_markupEditor = factory(ZQEditorType::Markup, m_editorStack);
    m_editorStack->addWidget(m_editor->widget());
    m_editorStack->addWidget(m_markupEditor->widget());
    m_editor->setTextEditedHandler([this] { documentEdited(); });
    m_markupEditor->setTextEditedHandler([this] { documentEdited(); });
    m_editor->setMarkupRender(m_markupRender);
    m_markupEditor->setMarkupRender(m_markupRender);
    m_stylePopoverController = std::make_unique<ZQStyleContextPopover>();
    auto recordSelection = [this](plat::Range range) {
        if (m_document)
            m_document->setSelectionRange(range);
    };
    m_editor->setWindowServices(m_isEditorWindow, m_stylePopoverController.get(), recordSelection);
    m_markupEditor->setWindowServices(m_isEditorWindow, m_stylePopoverController.get(), recordSelection);
    m_helpLabelObserver = plat::NotificationCenter::defaultCenter().addObserver(
        ZQStyleContextPopover::clickedNotification(), nullptr, [this](const plat::Notification& note) {
            const auto tag = note.userInfo.find(QStringLiteral("tag"));
            if (tag != note.userInfo.end())
                helpPanelLabelClick(tag->second.toInteger());
        });
    column->addWidget(m_editorStack, 1);
    // Each editor keeps its text in a centred column of the line width.
    m_scrollView = std::make_shared<ZQRichScrollView>(qobject_cast<plat::TextViewWidget*>(m_editor->widget()), false);
    m_markupScrollView =
        std::make_shared<ZQRichScrollView>(qobject_cast<plat::TextViewWidget*>(m_markupEditor->widget()), true);
    if (m_settings) {
        m_lineWidthObserver = m_settings->addObserver(QStringLiteral("editorRichLineWidth"),
                                                      [this](const QString&) { m_scrollView->viewFrameChanged(); });
        m_markdownLineWidthObserver = m_settings->addObserver(
            QStringLiteral("editorMarkdownLineWidth"), [this](const QString&) { m_markupScrollView->viewFrameChanged(); });
    }

    auto* bar = new QWidget(m_mainPanel);
    bar->setObjectName(QStringLiteral("toolbarView"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(8, 2, 8, 2);
    m_addBtn = new ZQHoverButton(bar);
    m_addBtn->setText(QStringLiteral("+"));
    m_addBtn->setToolTip(QStringLiteral("New Page"));
    m_removeBtn = new ZQHoverButton(bar);
    m_removeBtn->setText(QStringLiteral("\u2212"));
    m_markupBtn = new ZQHoverButton(bar);
    m_markupBtn->setText(QStringLiteral("M\u2193"));
    m_markupBtn->setToolTip(QStringLiteral("Switch between the rich and the markup editor"));
    connect(m_markupBtn, &QAbstractButton::clicked, this, [this] { switchEditorMode(); });
    m_indicatorLabel = new ZQIndicatorLabel(bar);
    m_wordCountObserver = std::make_shared<ZQWordCountObserver>(
        [label = m_indicatorLabel](qint64 words, qint64 characters) { label->setWordCount(words, characters); });
    m_editor->setWordCountObserver(m_wordCountObserver);
    m_markupEditor->setWordCountObserver(m_wordCountObserver);
    row->addWidget(m_addBtn);
    row->addWidget(m_removeBtn);
    row->addWidget(m_markupBtn);
    row->addStretch(1);
    row->addWidget(m_indicatorLabel);
    column->addWidget(bar);
}

void ZQCommonWindowController::windowDidLoad()
{
    // A stand-alone window always starts in the markup editor; the library
    // window in the mode it had last.
    bool markdown = m_isEditorWindow;
    if (!m_isEditorWindow)
        markdown = plat::UserDefaults::standardUserDefaults()->stringForKey(editorModeKey()) == QLatin1String("markdown");
    showEditor(markdown);
    applyThemeColors();
    m_markupBtn->setToggled(markdown);
    m_indicatorLabel->setEditorType(markdown ? QStringLiteral("Markdown") : QStringLiteral("Rich"));
    appStartMessage();
}

void ZQCommonWindowController::appStartMessage()
{
    ZQUsagePing::send();
}

void ZQCommonWindowController::showEditor(bool markdown)
{
    m_isMarkdownEditorVisible = markdown;
    m_editorStack->setCurrentWidget(markdown ? m_markupEditor->widget() : m_editor->widget());
}

void ZQCommonWindowController::applyThemeColors()
{
    if (!m_textTheme)
        return;
    const plat::ColorPtr background =
        m_isMarkdownEditorVisible ? m_textTheme->mdEditorBackgroundColor() : m_textTheme->editorEditorBackgroundColor();
    const plat::ColorPtr text = m_isMarkdownEditorVisible ? m_textTheme->mkTextColor() : m_textTheme->richTextColor();
    if (!background || !text)
        return;
    const QColor base = background->toQColor();
    QPalette editorPalette = m_editorStack->palette();
    editorPalette.setColor(QPalette::Window, base);
    editorPalette.setColor(QPalette::Base, base);
    editorPalette.setColor(QPalette::Text, text->toQColor());

    const bool dark = base.lightnessF() < 0.5;
    QPalette chrome = dark ? QPalette(QColor(43, 45, 50)) : QPalette(QColor(240, 240, 240));
    if (dark) {
        chrome.setColor(QPalette::Base, QColor(33, 35, 39));
        chrome.setColor(QPalette::Text, QColor(220, 222, 226));
        chrome.setColor(QPalette::WindowText, QColor(200, 202, 206));
        chrome.setColor(QPalette::ButtonText, QColor(200, 202, 206));
    }
    chrome.setColor(QPalette::Highlight, QColor(33, 120, 200));
    setPalette(chrome);
    m_editorStack->setPalette(editorPalette);
    for (int index = 0; index < m_editorStack->count(); ++index)
        m_editorStack->widget(index)->setPalette(editorPalette);
}

void ZQCommonWindowController::setEditorsEditable(bool editable)
{
    m_editor->setEditable(editable);
    m_markupEditor->setEditable(editable);
}

void ZQCommonWindowController::documentEdited()
{
    if (m_document)
        m_document->updateChangeCount(plat::Document::ChangeType::Done);
    doWordCount();
}

void ZQCommonWindowController::doWordCount()
{
    // The tags page is generated, not written: the label shows no counts there.
    if (ZQAppFlags::inTags)
        return;
    visibleEditor().countWords();
}

void ZQCommonWindowController::cleanWordCounts()
{
    m_editor->cleanWordCounts();
    m_markupEditor->cleanWordCounts();
}

void ZQCommonWindowController::closeEvent(QCloseEvent* event)
{
    event->accept();
}

// Binding

void ZQCommonWindowController::setDocument(const ZQDocumentPtr& document)
{
    const ZQDocumentPtr previous = m_document;
    m_document = document;
    if (!document || document == previous)
        return;
    document->setAutosavingDelay(AutosaveDelaySeconds);
    forceSetDocument(document);
}

void ZQCommonWindowController::highlightCodeBlocks(const std::shared_ptr<plat::TextStorage>& storage,
                                                   ZQEditorType type, const ZQDocumentPtr& document)
{
    std::weak_ptr<ZQDocument> weak = document;
    m_markupRender->highlighCodeBlock(storage, type,
                                      [weak](const std::optional<ZQErrorValue>&, const std::optional<QStringList>& ranges) {
                                          if (const ZQDocumentPtr doc = weak.lock(); doc && ranges && !ranges->isEmpty())
                                              doc->updateChangeCount(plat::Document::ChangeType::Done);
                                      });
}

void ZQCommonWindowController::forceSetDocument(const ZQDocumentPtr& doc)
{
    if (!doc || doc->storageType() == -1)
        return;
    const qint64 markupStorageType = m_settings && m_settings->markupType() == ZQMarkupType::QuorvelMarkup ? 1 : 0;
    try {
        m_markupRender->setRenderContext(doc->renderContext());
        const qint64 type = doc->storageType();
        if (type == 2) {
            if (!m_isMarkdownEditorVisible) {
                setEditorContent(doc, doc->selectionRange(), doc->themeId(), doc->themeVersion());
            } else {
                plat::MutableAttributedString rich(*doc->richTextStorage());
                doc->markupTextStorage()->setAttributedString(m_markupRender->renderRichToMarkdown(&rich));
                highlightCodeBlocks(doc->markupTextStorage(), ZQEditorType::Markup, doc);
                doc->setStorageType(markupStorageType);
                setEditorContent(doc, plat::Range::notFound(), QString(), 0);
            }
        } else if (type == 0 && !doc->isLibraryDocument()) {
            // An external file opens in the markup editor unless the user chose otherwise.
            if (m_settings && m_settings->needConfirmRichModeForExternalMD() && !m_isMarkdownEditorVisible) {
                showEditor(true);
                m_markupBtn->setToggled(true);
                m_indicatorLabel->setEditorType(QStringLiteral("Markdown"));
            }
            if (m_settings && m_settings->markupType() == ZQMarkupType::QuorvelMarkup) {
                m_settings->setMarkupType(ZQMarkupType::Markdown);
                plat::UserDefaults::standardUserDefaults()->setObject(plat::Value(QStringLiteral("Markdown")), QStringLiteral("markupType"));
            }
            if (m_isMarkdownEditorVisible) {
                doc->setStorageType(0);
                setEditorContent(doc, plat::Range::notFound(), QString(), 0);
            } else {
                doc->setStorageType(2);
                doc->renderContext()->removeAllAttachedStorage();
                doc->richTextStorage()->setAttributedString(
                    m_markupRender->renderMarkupToRich(plat::AttributedString(*doc->markupTextStorage())));
                highlightCodeBlocks(doc->richTextStorage(), ZQEditorType::Rich, doc);
                setEditorContent(doc, plat::Range::notFound(), QString(), 0);
            }
        } else if (type == 0 || type == 1) {
            const ZQMarkupType pageDialect = type == 1 ? ZQMarkupType::QuorvelMarkup : ZQMarkupType::Markdown;
            const ZQMarkupType shownDialect = m_settings ? m_settings->markupType() : ZQMarkupType::Markdown;
            if (m_isMarkdownEditorVisible && pageDialect != shownDialect) {
                // The markup editor writes one dialect: the page is shown, and saved, in it.
                const qsizetype oldLength = doc->markupTextStorage()->length();
                plat::MutableAttributedString converted =
                    m_markupRender->convertMarkup(pageDialect, shownDialect, plat::AttributedString(*doc->markupTextStorage()));
                if (converted.length() != oldLength)
                    doc->setSelectionRange(plat::Range::notFound());
                doc->markupTextStorage()->setAttributedString(converted);
                doc->setStorageType(markupStorageType);
                setEditorContent(doc, doc->selectionRange(), QString(), 0);
            } else if (m_isMarkdownEditorVisible) {
                setEditorContent(doc, doc->selectionRange(), doc->themeId(), doc->themeVersion());
            } else {
                doc->renderContext()->removeAllAttachedStorage();
                doc->richTextStorage()->setAttributedString(
                    m_markupRender->renderMarkupToRich(plat::AttributedString(*doc->markupTextStorage())));
                highlightCodeBlocks(doc->richTextStorage(), ZQEditorType::Rich, doc);
                doc->setStorageType(2);
                setEditorContent(doc, plat::Range::notFound(), QString(), 0);
            }
        }
    } catch (const std::exception&) {
        ZQError::presentError(ZQError::errorFromMessage(openFailedMessage()));
    }
}

void ZQCommonWindowController::setEditorContent(const ZQDocumentPtr& doc, plat::Range selection, const QString& theme,
                                                double themeVersion)
{
    m_editor->replaceTextStorage(doc->richTextStorage());
    m_markupEditor->replaceTextStorage(doc->markupTextStorage());
    ZQEditorFace& shown = visibleEditor();
    ZQEditorFace& hidden = m_isMarkdownEditorVisible ? *m_editor : *m_markupEditor;
    const plat::Range range = selection.isNotFound() ? plat::Range(0, 0) : selection;
    try {
        shown.textView().setSelectedRange(range);
    } catch (const plat::RangeError&) {
        // A stored selection the text cannot hold is dropped.
    }
    hidden.textView().setSelectedRange(plat::Range(0, 0));
    if (!theme.isEmpty() && m_textTheme
        && (theme != m_textTheme->themeID() || std::abs(themeVersion - m_textTheme->themeVersion()) >= 1.1920928955078125e-7)) {
        if (m_isMarkdownEditorVisible)
            ZSTextThemeApply::applyThemeForMarkupEditor(*m_textTheme, shown.textView(), *m_markupRender);
        else
            ZSTextThemeApply::applyThemeForRichEditor(*m_textTheme, shown.textView(), *m_markupRender);
    }
    shown.widget()->update();
    doWordCount();
}

// Switching editors

void ZQCommonWindowController::switchEditorMode()
{
    const ZQDocumentPtr doc = m_document;
    const qint64 markupStorageType = m_settings && m_settings->markupType() == ZQMarkupType::QuorvelMarkup ? 1 : 0;
    if (m_isMarkdownEditorVisible) {
        if (m_settings && m_settings->needConfirmRichModeForExternalMD() && doc
            && doc->fileType() == ZQDocument::markdownType()) {
            plat::AlertRequest alert;
            alert.buttons = {QStringLiteral("Rich Mode"), QStringLiteral("Cancel")};
            alert.messageText = richModeWarning();
            alert.informativeText = richModeInformative();
            alert.style = plat::AlertRequest::Style::Warning;
            alert.iconName = QStringLiteral("quorvel.png");
            alert.showsSuppressionButton = true;
            bool suppressed = false;
            if (plat::Panels::current()->runAlert(alert, &suppressed) != 0)
                return;
            m_settings->setNeedConfirmRichModeForExternalMD(!suppressed);
            plat::UserDefaults::standardUserDefaults()->setBool(!suppressed, QStringLiteral("needConfirmRichModeForExternalMD"));
        }
        const qsizetype oldLength = m_markupEditor->textView().string().size();
        const plat::Range oldSelection = m_markupEditor->textView().selectedRange();
        const bool caretAtEnd = oldSelection.location + oldSelection.length >= oldLength;
        m_markupBtn->setToggled(false);
        if (doc) {
            doc->renderContext()->removeAllAttachedStorage();
            doc->richTextStorage()->setAttributedString(
                m_markupRender->renderMarkupToRich(plat::AttributedString(*doc->markupTextStorage())));
            highlightCodeBlocks(doc->richTextStorage(), ZQEditorType::Rich, doc);
            m_editor->replaceTextStorage(doc->richTextStorage());
            doc->setStorageType(2);
        }
        showEditor(false);
        ZSAbstractTextView& view = m_editor->textView();
        view.setSelectedRange(caretAtEnd ? plat::Range(view.string().size(), 0) : plat::Range(0, 0));
        m_editor->widget()->setFocus();
        if (!ZQAppFlags::readOnly)
            m_indicatorLabel->setEditorType(QStringLiteral("Rich"));
    } else {
        const qsizetype oldLength = m_editor->textView().string().size();
        const plat::Range oldSelection = m_editor->textView().selectedRange();
        const bool caretAtEnd = oldSelection.location + oldSelection.length >= oldLength;
        m_markupBtn->setToggled(true);
        if (doc) {
            plat::MutableAttributedString rich(*doc->richTextStorage());
            doc->markupTextStorage()->setAttributedString(m_markupRender->renderRichToMarkdown(&rich));
            highlightCodeBlocks(doc->markupTextStorage(), ZQEditorType::Markup, doc);
            m_markupEditor->replaceTextStorage(doc->markupTextStorage());
            doc->setStorageType(markupStorageType);
        }
        showEditor(true);
        ZSAbstractTextView& view = m_markupEditor->textView();
        view.setSelectedRange(caretAtEnd ? plat::Range(view.string().size(), 0) : plat::Range(0, 0));
        m_markupEditor->widget()->setFocus();
        if (!ZQAppFlags::readOnly)
            m_indicatorLabel->setEditorType(QStringLiteral("Markdown"));
    }
    applyThemeColors();
    doWordCount();
    if (!m_isEditorWindow)
        plat::UserDefaults::standardUserDefaults()->setObject(
            plat::Value(m_isMarkdownEditorVisible ? QStringLiteral("markdown") : QStringLiteral("rich")), editorModeKey());
}

bool ZQCommonWindowController::saveDocumentInPlace(const ZQDocumentPtr& doc)
{
    std::optional<ZQErrorValue> failure;
    doc->saveToURL(doc->fileURL(), doc->fileType(), ZQDocument::SaveOperation::Save,
                   [&failure](const std::optional<ZQErrorValue>& error) { failure = error; });
    if (failure) {
        ZQError::presentError(*failure);
        return false;
    }
    return true;
}
