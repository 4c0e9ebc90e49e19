#include "app/shell/ZQDocumentWindowController.h"

#include "app/editor/ZQEditorMenu.h"
#include "app/library/ZQLibraryRecords.h"
#include "app/library/ZQOutlineOperation.h"
#include "app/library/ZQTagsService.h"
#include "platform/ui/TextViewWidget.h"
#include "app/shell/ZQAppFlags.h"
#include "app/shell/ZQButtons.h"
#include "app/shell/ZQDocumentController.h"
#include "app/shell/ZQSplitViews.h"
#include "app/shell/ZQStatusViews.h"
#include "kit/foundation/ZQError.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZSUtils.h"
#include "kit/render/ZQMarkupHelper.h"
#include "kit/render/ZQRender.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"
#include "platform/foundation/Md5.h"
#include "platform/foundation/Resources.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/AttributedText.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The outline operations of pages the window leaves: counts, headings and tags
// stored for the page list's popover and the tags space.
plat::OperationQueue& windowPageOutlineQueue()
{
    // Never destroyed: at exit it must not wait for an operation that needs the main thread.
    static plat::OperationQueue* const queue = new plat::OperationQueue();
    return *queue;
}

const QString kTitle = QStringLiteral("title");
const QString kFolder = QStringLiteral("folder");
constexpr int FolderRole = Qt::UserRole + 1;

std::shared_ptr<plat::UserDefaults> defaults()
{
    return plat::UserDefaults::standardUserDefaults();
}

QString recordTitle(const plat::ManagedObjectPtr& record)
{
    const plat::Value value = record->valueForKey(kTitle);
    if (const auto text = value.toObject<plat::AttributedText>())
        return text->text().string();
    return value.toString();
}

// The first line of a page title, as a list row shows it.
QString rowTitle(const QString& title)
{
    const QString line = title.section(u'\n', 0, 0);
    return line.isEmpty() ? QStringLiteral("Untitled") : line;
}

} // namespace

ZQEmpyPageView::ZQEmpyPageView(QWidget* parent) : QWidget(parent), m_message(new QLabel(this)), m_hint(new QLabel(this))
{
    auto* column = new QVBoxLayout(this);
    column->addStretch(1);
    column->addWidget(m_message, 0, Qt::AlignHCenter);
    column->addWidget(m_hint, 0, Qt::AlignHCenter);
    column->addStretch(1);
    QFont font = m_message->font();
    font.setPointSizeF(18);
    m_message->setFont(font);
}

void ZQEmpyPageView::setMessage(const QString& message, const QString& hint)
{
    m_message->setText(message);
    m_hint->setText(hint);
}

QString ZQEmpyPageView::message() const
{
    return m_message->text();
}

ZQDocumentWindowController::ZQDocumentWindowController(const ZQEditorFactory& editorFactory,
                                                       std::shared_ptr<ZQDocumentController> documents)
    : ZQCommonWindowController(false, editorFactory), m_documents(std::move(documents))
{
    setWindowTitle(QStringLiteral("Quorvel"));
    buildPanes();
    buildMenus();
    connect(addButton(), &QAbstractButton::clicked, this, [this] {
        if (m_documents)
            m_documents->createOrPutbackPage();
    });
}

ZQDocumentWindowController::~ZQDocumentWindowController() = default;

void ZQDocumentWindowController::buildPanes()
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_mainSplitView = new ZQMainSplitView(this);
    m_leftPanel = new ZQDocTreeSplitView(m_mainSplitView);
    m_spaceListView = new QListWidget(m_leftPanel);
    m_spaceListView->setObjectName(QStringLiteral("spaceListView"));
    m_pageListView = new QListWidget(m_leftPanel);
    m_pageListView->setObjectName(QStringLiteral("pageListView"));
    m_leftPanel->addWidget(m_spaceListView);
    m_leftPanel->addWidget(m_pageListView);
    m_mainSplitView->addWidget(m_leftPanel);
    m_mainSplitView->addWidget(mainPanel());
    m_mainSplitView->setStretchFactor(1, 1);
    layout->addWidget(m_mainSplitView);
    m_emptyPageView = new ZQEmpyPageView(this);
    m_emptyPageView->hide();

    connect(m_spaceListView, &QListWidget::currentRowChanged, this, [this](int row) {
        if (m_reloading || row < 0)
            return;
        openSpace(m_spaceListView->item(row)->data(FolderRole).toString());
    });
    connect(m_pageListView, &QListWidget::currentRowChanged, this, [this](int row) {
        if (m_reloading || row < 0)
            return;
        if (ZQAppFlags::inTags)
            return highlightTagRow(row);
        openPage(m_pageListView->item(row)->data(FolderRole).toString(), m_openSpaceFolder);
    });
    connect(m_mainSplitView, &QSplitter::splitterMoved, this, [this] {
        if (isDocTreeVisible())
            defaults()->setFloat(static_cast<float>(m_leftPanel->width()), QStringLiteral("com.zolfarin.quorvel.MainSplitViewDiv0"));
    });
    connect(m_leftPanel, &QSplitter::splitterMoved, this, [this] {
        defaults()->setFloat(static_cast<float>(m_spaceListView->width()), QStringLiteral("com.zolfarin.quorvel.DocTreeSplitViewDiv0"));
    });
}

void ZQDocumentWindowController::buildMenus()
{
    m_menuBar = new QMenuBar(this);
    layout()->setMenuBar(m_menuBar);
    QMenu* file = m_menuBar->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("New Page"), QKeySequence::New, this, [this] {
        if (m_documents)
            m_documents->createOrPutbackPage();
    });
    file->addAction(ZQDocumentController::newLibraryTitle(), this, [this] {
        if (m_documents)
            m_documents->createSpace();
    });
    file->addAction(ZQDocumentController::importMenuTitle(), this, [this] {
        if (m_documents)
            m_documents->importMarkdownToLibrary();
    });
    file->addSeparator();
    file->addAction(QStringLiteral("Quit"), QKeySequence::Quit, this, [this] {
        if (m_quitHandler)
            m_quitHandler();
        else
            close();
    });
    QMenu* view = m_menuBar->addMenu(QStringLiteral("&View"));
    view->addAction(QStringLiteral("Switch Rich / Markdown Editor"), QKeySequence(Qt::CTRL | Qt::Key_E), this,
                    [this] { switchEditorMode(); });
    QAction* pane = view->addAction(QStringLiteral("Hide Document & Space Pane"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D),
                                    this, [this] { setDocTreeVisble(!isDocTreeVisible(), true); });
    connect(view, &QMenu::aboutToShow, this, [this, pane] {
        pane->setText(isDocTreeVisible() ? QStringLiteral("Hide Document & Space Pane") : QStringLiteral("Show Document & Space Pane"));
    });
    ZQEditorMenu::addMenus(*m_menuBar, view, this, [this](quint64 tag) { menuForRender(tag); });
    QMenu* help = m_menuBar->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("Reload Welcome Page"), this, [this] { menuResetIntroductionSpace(); });
    help->addAction(QStringLiteral("Reload Demo Page"), this, [this] { menuReloadDemoPage(); });
}

void ZQDocumentWindowController::windowDidLoad()
{
    ZQCommonWindowController::windowDidLoad();
    const auto stored = defaults();
    if (!stored->boolForKey(QStringLiteral("com.zolfarin.quorvel.toggle.doctree"))) {
        const double saved = stored->doubleForKey(QStringLiteral("com.zolfarin.quorvel.toggle.doctree.width"));
        const double pane = std::max(400.0, saved > 0 ? saved : stored->doubleForKey(QStringLiteral("com.zolfarin.quorvel.MainSplitViewDiv0")));
        const double savedSpace = stored->doubleForKey(QStringLiteral("com.zolfarin.quorvel.toggle.space.width"));
        const double space = std::max(150.0, savedSpace > 0 ? savedSpace : stored->doubleForKey(QStringLiteral("com.zolfarin.quorvel.DocTreeSplitViewDiv0")));
        m_leftPanel->show();
        m_mainSplitView->setSizes({qRound(pane), std::max(400, width() - qRound(pane))});
        m_leftPanel->setSizes({qRound(space), std::max(200, qRound(pane - space))});
        stored->removeObjectForKey(QStringLiteral("com.zolfarin.quorvel.toggle.doctree.width"));
        stored->removeObjectForKey(QStringLiteral("com.zolfarin.quorvel.toggle.space.width"));
    } else {
        m_leftPanel->hide();
    }

    reloadSpaces();
    if (stored->integerForKey(welcomeVersionKey()) < 1) {
        // Stored first, so that a failing import is not repeated at every start.
        stored->setInteger(1, welcomeVersionKey());
        const QString library = m_settings ? m_settings->appID() + QStringLiteral("ds") : QString();
        loadDemoPage(library, nullptr);
        // The restore step runs whether or not the welcome page could be made.
        if (!loadWelcomePage(library, [this, library, stored] {
                stored->setObject(plat::Value(library), selectedSpaceKey());
                stored->setObject(plat::Value(m_lastCreatedPage), selectedPageKey());
                restoreState();
            }))
            restoreState();
    } else {
        restoreState();
    }
}

// Restore step: read-only until a space is shown, then the last space and page.
void ZQDocumentWindowController::restoreState()
{
    ZQAppFlags::readOnly = true;
    const auto stored = defaults();
    QString space = stored->stringForKey(selectedSpaceKey());
    if (space.isEmpty() || spaceType(space) == 0)
        space = firstWritableSpaceFolder();
    if (space.isEmpty())
        return;
    const QString page = stored->stringForKey(selectedPageKey());
    openSpace(space);
    if (!page.isEmpty() && listedPageUuids().contains(page))
        openPage(page, space);
    else if (!listedPageUuids().isEmpty())
        openPage(listedPageUuids().first(), space);
}

qint32 ZQDocumentWindowController::spaceType(const QString& spaceFolder) const
{
    const plat::ManagedObjectPtr space = ZSCoreDataUtil::getSpaceObject(spaceFolder);
    return space ? static_cast<qint32>(space->valueForKey(QStringLiteral("spaceType")).toInteger()) : 0;
}

bool ZQDocumentWindowController::isInsideSpace(const QString& spaceFolder, const QString& parentFolder) const
{
    plat::ManagedObjectPtr space = ZSCoreDataUtil::getSpaceObject(spaceFolder);
    for (int depth = 0; space && depth < 64; ++depth) {
        if (space->valueForKey(kFolder).toString() == parentFolder)
            return true;
        space = space->valueForKey(QStringLiteral("parent")).toObject<plat::ManagedObject>();
    }
    return false;
}

void ZQDocumentWindowController::reloadSpaces()
{
    const auto context = ZSCoreData::sharedCoredData()->spaceObjectContext();
    std::vector<plat::ManagedObjectPtr> spaces =
        context->executeFetchRequest(plat::FetchRequest(QStringLiteral("Space"))).value_or(std::vector<plat::ManagedObjectPtr>());
    ZQLibraryRecords::sortSpaces(spaces);
    m_reloading = true;
    m_spaceListView->clear();
    for (const plat::ManagedObjectPtr& space : spaces) {
        const qint32 type = static_cast<qint32>(space->valueForKey(QStringLiteral("spaceType")).toInteger());
        if (ZQLibraryRecords::isDecoration(type))
            continue;
        auto* item = new QListWidgetItem(recordTitle(space), m_spaceListView);
        item->setData(FolderRole, space->valueForKey(kFolder).toString());
    }
    m_reloading = false;
}

void ZQDocumentWindowController::reloadPages()
{
    m_reloading = true;
    m_pageListView->clear();
    if (!m_openSpaceFolder.isEmpty()) {
        const auto context = ZSCoreData::sharedCoredData()->pageObjectContext(m_openSpaceFolder);
        std::vector<plat::ManagedObjectPtr> pages =
            ZSCoreDataUtil::getAllPages(context).value_or(std::vector<plat::ManagedObjectPtr>());
        std::stable_sort(pages.begin(), pages.end(), [](const auto& a, const auto& b) {
            return a->valueForKey(QStringLiteral("sortIndex")).toInteger() < b->valueForKey(QStringLiteral("sortIndex")).toInteger();
        });
        for (const plat::ManagedObjectPtr& page : pages) {
            auto* item = new QListWidgetItem(rowTitle(recordTitle(page)), m_pageListView);
            item->setData(FolderRole, page->valueForKey(QStringLiteral("uuid")).toString());
        }
    }
    m_reloading = false;
}

QStringList ZQDocumentWindowController::listedSpaceFolders() const
{
    QStringList folders;
    for (int row = 0; row < m_spaceListView->count(); ++row)
        folders << m_spaceListView->item(row)->data(FolderRole).toString();
    return folders;
}

QStringList ZQDocumentWindowController::listedPageUuids() const
{
    QStringList uuids;
    for (int row = 0; row < m_pageListView->count(); ++row)
        uuids << m_pageListView->item(row)->data(FolderRole).toString();
    return uuids;
}

QString ZQDocumentWindowController::pageTitle(const QString& pageUuid) const
{
    for (int row = 0; row < m_pageListView->count(); ++row) {
        if (m_pageListView->item(row)->data(FolderRole).toString() == pageUuid)
            return m_pageListView->item(row)->text();
    }
    return QString();
}

void ZQDocumentWindowController::selectPageRow(const QString& pageUuid)
{
    m_reloading = true;
    const int row = static_cast<int>(listedPageUuids().indexOf(pageUuid));
    m_pageListView->setCurrentRow(row);
    m_reloading = false;
}

// Spaces

void ZQDocumentWindowController::openSpace(const QString& spaceFolder)
{
    if (spaceFolder.isEmpty())
        return;
    if (spaceFolder != m_openSpaceFolder) {
        // The page left behind gets its stored counts, headings and tags renewed.
        if (saveOpenPage() && !m_openPageUuid.isEmpty() && !ZQAppFlags::readOnly)
            windowPageOutlineQueue().addOperation(ZQOutlineOperation::initWithPageUuid(m_openPageUuid, m_openSpaceFolder));
        m_openSpaceFolder = spaceFolder;
        m_openPageUuid.clear();
        setDocument(nullptr);
    }
    m_reloading = true;
    m_spaceListView->setCurrentRow(static_cast<int>(listedSpaceFolders().indexOf(spaceFolder)));
    m_reloading = false;
    defaults()->setObject(plat::Value(spaceFolder), selectedSpaceKey());
    switchToSpace(spaceFolder);
    if (ZQAppFlags::inTags)
        return showTagsPage();
    reloadPages();
    if (m_pageListView->count() == 0)
        emptyPageWithMessage(QStringLiteral("No Page"), ZQAppFlags::readOnly ? QString() : QStringLiteral("Press + to write a new page"));
}

void ZQDocumentWindowController::switchToSpace(const QString& spaceFolder)
{
    ZQAppFlags::inTrash = isInsideSpace(spaceFolder, ZQSpaceFolder::trash());
    ZQAppFlags::inTags = spaceFolder == ZQSpaceFolder::tags();
    ZQAppFlags::inFilters = isInsideSpace(spaceFolder, ZQSpaceFolder::filters());
    ZQAppFlags::readOnly = ZQAppFlags::inTrash || ZQAppFlags::inTags;

    messageBarView()->hide();
    cleanWordCounts();
    indicatorLabel()->setWordCount(0, 0);
    if (ZQAppFlags::inTrash) {
        messageBarView()->setMessage(trashMessage());
        messageBarView()->show();
        setEditorsEditable(false);
        indicatorLabel()->setEditorType(QStringLiteral("Trash Bin"));
        addButton()->setToolTip(QStringLiteral("Put Back"));
        removeButton()->setToolTip(QStringLiteral("Delete Permanently"));
        m_mainSplitView->ensureView(mainPanel(), 1);
    } else if (ZQAppFlags::inTags) {
        setEditorsEditable(false);
        indicatorLabel()->setEditorType(QStringLiteral("Tags"));
        indicatorLabel()->hideWordCount();
    } else {
        m_mainSplitView->ensureView(mainPanel(), 1);
        indicatorLabel()->setEditorType(ZQCommonWindowController::isMarkdownEditorVisible() ? QStringLiteral("Markdown")
                                                                                           : QStringLiteral("Rich"));
        setEditorsEditable(true);
        addButton()->setToolTip(QStringLiteral("New Page"));
        removeButton()->setToolTip(QStringLiteral("Zen Mode"));
    }
    visibleEditor().widget()->update();
}

void ZQDocumentWindowController::showTagsPage()
{
    if (!m_tagsService)
        m_tagsService = std::make_unique<ZQTagsService>();
    const plat::AttributedString page = m_tagsService->rebuildTagTree();
    reloadPages();
    setDocument(nullptr);
    if (page.length() == 0) {
        emptyPageWithMessage(QStringLiteral("You do not have any documents with tags"), QString());
        return;
    }
    ensureEditorView();
    visibleEditor().replaceTextStorage(std::make_shared<plat::TextStorage>(page));
}

void ZQDocumentWindowController::highlightTagRow(int row)
{
    // A tag row's uuid is the range of its heading in the tags page.
    highlightRange(plat::rangeFromString(m_pageListView->item(row)->data(FolderRole).toString()));
}

void ZQDocumentWindowController::showHighlightHeading(const ZQDocumentHeadingPtr& heading)
{
    if (heading)
        highlightOutlineEntry(*heading, heading->heading());
}

void ZQDocumentWindowController::showHighlightTag(const ZQDocumentTagPtr& tag)
{
    if (tag)
        highlightOutlineEntry(*tag, tag->tagText());
}

void ZQDocumentWindowController::highlightOutlineEntry(const ZQDocumentOutlineEntry& entry, const QString& text)
{
    // The popover shows a page of the listed space; it may not be the open one.
    if (entry.pageUuid() != m_openPageUuid) {
        if (!listedPageUuids().contains(entry.pageUuid()))
            return;
        openPage(entry.pageUuid(), m_openSpaceFolder);
        if (entry.pageUuid() != m_openPageUuid)
            return;
    }
    // The entry's range is in the text its outline was taken from; the other
    // editor shows the page with other offsets, so there the text is looked up.
    const ZQEditorType shown = isMarkdownEditorVisible() ? ZQEditorType::Markup : ZQEditorType::Rich;
    if (entry.editorType() == shown) {
        highlightRange(entry.range());
        return;
    }
    const qsizetype at = text.isEmpty() ? -1 : visibleEditor().textView().string().indexOf(text);
    if (at >= 0)
        highlightRange(plat::Range(at, text.size()));
}

void ZQDocumentWindowController::highlightRange(plat::Range range)
{
    plat::TextView& text = visibleEditor().textView();
    const auto& storage = text.textStorage();
    if (!storage || range.location < 0 || range.length < 0 || range.location + range.length > storage->length())
        return;
    text.setSelectedRange(range);
    if (auto* view = dynamic_cast<plat::TextViewWidget*>(visibleEditor().widget()))
        view->scrollRangeToVisible(range);
}

QString ZQDocumentWindowController::firstWritableSpaceFolder() const
{
    const auto context = ZSCoreData::sharedCoredData()->spaceObjectContext();
    std::vector<plat::ManagedObjectPtr> spaces =
        context->executeFetchRequest(plat::FetchRequest(QStringLiteral("Space"))).value_or(std::vector<plat::ManagedObjectPtr>());
    ZQLibraryRecords::sortSpaces(spaces);
    for (const plat::ManagedObjectPtr& space : spaces) {
        if (space->valueForKey(QStringLiteral("spaceType")).toInteger() == ZQSpaceType::Library)
            return space->valueForKey(kFolder).toString();
    }
    return QString();
}

// Editor area

void ZQDocumentWindowController::ensureEditorView()
{
    m_mainSplitView->ensureView(mainPanel(), 1);
    if (!ZQAppFlags::inTrash)
        messageBarView()->hide();
}

void ZQDocumentWindowController::emptyPageWithMessage(const QString& message, const QString& hint)
{
    m_emptyPageView->setMessage(message, hint);
    m_mainSplitView->ensureView(m_emptyPageView, 1);
}

void ZQDocumentWindowController::setMessageBar(const QString& text)
{
    if (ZQAppFlags::inTrash)
        return;
    messageBarView()->setMessage(text);
    messageBarView()->setVisible(!text.isEmpty());
}

void ZQDocumentWindowController::cleanEditor()
{
    m_openPageUuid.clear();
    markupRender()->setRenderContext(std::make_shared<ZQRenderContext>());
    editor().replaceTextStorage(std::make_shared<plat::TextStorage>());
    markupEditor().replaceTextStorage(std::make_shared<plat::TextStorage>());
    setDocument(nullptr);
    cleanWordCounts();
    indicatorLabel()->setWordCount(0, 0);
}

bool ZQDocumentWindowController::isDocTreeVisible() const
{
    return m_leftPanel->isVisible();
}

void ZQDocumentWindowController::setDocTreeVisble(bool show, bool updateUserDefault)
{
    const auto stored = defaults();
    if (show) {
        const double saved = stored->doubleForKey(QStringLiteral("com.zolfarin.quorvel.toggle.doctree.width"));
        m_leftPanel->show();
        const int position = saved > 400 ? static_cast<int>(saved) : 400;
        m_mainSplitView->setSizes({position, std::max(400, m_mainSplitView->width() - position)});
        const double space = stored->doubleForKey(QStringLiteral("com.zolfarin.quorvel.toggle.space.width"));
        m_leftPanel->setSizes({qRound(std::max(150.0, space)), std::max(200, position - qRound(std::max(150.0, space)))});
        stored->removeObjectForKey(QStringLiteral("com.zolfarin.quorvel.toggle.doctree.width"));
        stored->removeObjectForKey(QStringLiteral("com.zolfarin.quorvel.toggle.space.width"));
    } else {
        stored->setFloat(static_cast<float>(m_leftPanel->width()), QStringLiteral("com.zolfarin.quorvel.toggle.doctree.width"));
        stored->setFloat(static_cast<float>(m_spaceListView->width()), QStringLiteral("com.zolfarin.quorvel.toggle.space.width"));
        m_leftPanel->hide();
    }
    if (updateUserDefault)
        stored->setBool(!show, QStringLiteral("com.zolfarin.quorvel.toggle.doctree"));
}

// Pages

void ZQDocumentWindowController::openPage(const QString& pageUuid, const QString& spaceFolder)
{
    if (pageUuid == m_openPageUuid && spaceFolder == m_openSpaceFolder && !ZQAppFlags::inFilters)
        return;
    if (spaceFolder != m_openSpaceFolder)
        openSpace(spaceFolder);
    if (saveOpenPage() && !m_openPageUuid.isEmpty())
        windowPageOutlineQueue().addOperation(ZQOutlineOperation::initWithPageUuid(m_openPageUuid, m_openSpaceFolder));
    const QUrl url = ZSUtils::pageUrl(pageUuid, spaceFolder);
    const ZQDocumentPtr doc = m_documents ? m_documents->loadDocument(url) : nullptr;
    if (!doc) {
        emptyPageWithMessage(QStringLiteral("This page cannot be opened"), url.toLocalFile());
        return;
    }
    if (m_documents && !m_documents->documentForURL(url))
        m_documents->addDocument(doc);
    m_openPageUuid = pageUuid;
    defaults()->setObject(plat::Value(pageUuid), selectedPageKey());
    selectPageRow(pageUuid);
    ensureEditorView();
    setDocument(doc);
}

bool ZQDocumentWindowController::saveOpenPage()
{
    const ZQDocumentPtr doc = document();
    if (!doc || !doc->isDocumentEdited() || doc->fileURL().isEmpty())
        return true;
    return saveDocumentInPlace(doc);
}

void ZQDocumentWindowController::documentEdited()
{
    ZQCommonWindowController::documentEdited();
    const ZQDocumentPtr doc = document();
    if (!doc)
        return;
    const bool markdown = ZQCommonWindowController::isMarkdownEditorVisible();
    const plat::AttributedString& content = markdown ? *doc->markupTextStorage() : *doc->richTextStorage();
    // Only an edit inside the title's window can change the title.
    const qsizetype caret = visibleEditor().textView().selectedRange().location;
    const plat::Range dirty(std::max<qsizetype>(0, caret - 1), 0);
    const std::optional<plat::MutableAttributedString> title =
        m_markupHelper->getOutlineTitle(content, markdown ? ZQEditorType::Markup : ZQEditorType::Rich, dirty);
    if (title)
        updateCurrentPageTitle(*title);
}

void ZQDocumentWindowController::updateCurrentPageTitle(const plat::AttributedString& title)
{
    if (m_openPageUuid.isEmpty() || m_openSpaceFolder.isEmpty())
        return;
    const auto context = ZSCoreData::sharedCoredData()->pageObjectContext(m_openSpaceFolder);
    const plat::ManagedObjectPtr record = ZSCoreDataUtil::getPageObjectByUUID(m_openPageUuid, context);
    if (!record)
        return;
    if (recordTitle(record) == title.string())
        return;
    record->setValue(plat::Value(plat::AttributedText::create(title)), kTitle);
    Exs::persist(context);
    for (int row = 0; row < m_pageListView->count(); ++row) {
        if (m_pageListView->item(row)->data(FolderRole).toString() == m_openPageUuid)
            m_pageListView->item(row)->setText(rowTitle(title.string()));
    }
}

void ZQDocumentWindowController::showCreatedPage(const QString& pageUuid, const QString& spaceFolder)
{
    if (spaceFolder != m_openSpaceFolder)
        openSpace(spaceFolder);
    reloadPages();
    openPage(pageUuid, spaceFolder);
    visibleEditor().widget()->setFocus();
}

void ZQDocumentWindowController::putbackPage(const QString& pageUuid)
{
    // Moving pages between spaces belongs to the library's controller.
    qWarning() << "Put back is not available yet for" << pageUuid;
}

std::optional<ZQErrorValue> ZQDocumentWindowController::createSpace(const QString& title)
{
    const QString folder = ZSUtils::findAvailbleSpaceFolder(0);
    if (folder.isEmpty())
        return ZQError::errorFromMessage(QStringLiteral("No folder is free for a new library"));
    const auto context = ZSCoreData::sharedCoredData()->spaceObjectContext();
    ZSCoreDataUtil::createSpaceRecord(folder, nullptr, title, ZQSpaceType::Library, false, context);
    std::optional<ZQErrorValue> error;
    if (!Exs::persistAndWait(context, &error))
        return error;
    reloadSpaces();
    openSpace(folder);
    return std::nullopt;
}

void ZQDocumentWindowController::linkFolder(const QUrl& folder)
{
    qWarning() << "Linked folders are not available yet:" << folder.toLocalFile();
}

bool ZQDocumentWindowController::isKeyWindow() const
{
    return isActiveWindow();
}

void ZQDocumentWindowController::makeKeyAndOrderFront()
{
    show();
    raise();
    activateWindow();
}

void ZQDocumentWindowController::paintEvent(QPaintEvent* event)
{
    ZQCommonWindowController::paintEvent(event);
    if (!m_firstPaintHandler)
        return;
    // After the children of this pass have painted too.
    QTimer::singleShot(0, this, [handler = std::move(m_firstPaintHandler)] { handler(); });
    m_firstPaintHandler = nullptr;
}

void ZQDocumentWindowController::closeEvent(QCloseEvent* event)
{
    saveOpenPage();
    ZSCoreData::sharedCoredData()->persistAllUnsavedAndWait();
    ZQCommonWindowController::closeEvent(event);
}

// Welcome pages and Markdown import

QString ZQDocumentWindowController::createPageFromMarkdown(const QString& markdown, const QString& spaceFolder,
                                                          const std::vector<ZQAttachedStoragePtr>& images,
                                                          ZQDocumentPtr* created)
{
    std::optional<ZQErrorValue> failure;
    if (ZSUtils::ensurePath(ZSUtils::spaceUrl(spaceFolder), &failure).isEmpty())
        return QString();
    const QString uuid = ZSUtils::findAvailblePageUuid(spaceFolder);
    if (uuid.isEmpty())
        return QString();
    const bool markdownShown = ZQCommonWindowController::isMarkdownEditorVisible();
    ZQDocumentPtr doc = ZQDocument::create();
    doc->createNewDocument(markdownShown ? ZQEditorType::Markup : ZQEditorType::Rich, nullptr, plat::Range(0, 0));
    for (const ZQAttachedStoragePtr& image : images)
        doc->renderContext()->addAttachedStorage(image, QStringLiteral("ZQMacroImage"));
    markupRender()->setRenderContext(doc->renderContext());
    markupRender()->renderContext()->removeAllAttachedStorage();
    plat::MutableAttributedString text{plat::AttributedString(markdown)};
    std::shared_ptr<plat::TextStorage> storage;
    if (markdownShown) {
        markupRender()->highlightMarkdown(text);
        storage = doc->markupTextStorage();
    } else {
        text = markupRender()->renderMarkupToRich(text);
        storage = doc->richTextStorage();
    }
    storage->setAttributedString(text);
    const std::optional<plat::MutableAttributedString> title = m_markupHelper->getOutlineTitle(
        *storage, markdownShown ? ZQEditorType::Markup : ZQEditorType::Rich, plat::Range(0, storage->length()));
    // Saved whether or not a code block gets coloured: an unsaved page is lost at quit.
    doc->saveToURL(ZSUtils::pageUrl(uuid, spaceFolder), ZQDocument::pageDocumentType(), ZQDocument::SaveOperation::SaveAs,
                   [&failure](const std::optional<ZQErrorValue>& error) { failure = error; });
    if (failure) {
        ZQError::presentError(*failure);
        return QString();
    }
    std::weak_ptr<ZQDocument> weak = doc;
    markupRender()->highlighCodeBlock(storage, markdownShown ? ZQEditorType::Markup : ZQEditorType::Rich,
                                      [weak](const std::optional<ZQErrorValue>&, const std::optional<QStringList>& ranges) {
                                          const ZQDocumentPtr page = weak.lock();
                                          if (page && ranges && !ranges->isEmpty())
                                              page->saveToURL(page->fileURL(), page->fileType(), ZQDocument::SaveOperation::Save, nullptr);
                                      });
    ZSCoreDataUtil::createPageRecord(uuid, title ? std::optional<plat::AttributedString>(*title) : std::nullopt,
                                     spaceFolder, QString(), plat::Value());
    if (created)
        *created = doc;
    m_lastCreatedPage = uuid;
    return uuid;
}

bool ZQDocumentWindowController::loadPage(const QString& name, const QHash<QString, QString>& images,
                                          const QString& spaceFolder, const std::function<void()>& completion)
{
    if (spaceFolder.isEmpty() || spaceType(spaceFolder) != ZQSpaceType::Library)
        return false;
    const bool quorvelMarkup = m_settings && m_settings->markupType() == ZQMarkupType::QuorvelMarkup;
    const QString resource = quorvelMarkup ? QStringLiteral("%1_quorvel").arg(name) : name;
    QFile file(plat::Resources::pathForResource(resource, QStringLiteral("md"), QStringLiteral("welcome")));
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning().noquote() << QStringLiteral("%1 page load failed").arg(name);
        return false;
    }
    std::vector<ZQAttachedStoragePtr> storages;
    for (auto it = images.begin(); it != images.end(); ++it) {
        const QFileInfo info(it.key());
        const QString path = plat::Resources::pathForResource(info.completeBaseName(), info.suffix(), QStringLiteral("welcome"));
        const plat::ImagePtr image = path.isEmpty() ? nullptr : plat::Image::fromFile(path);
        if (!image)
            continue;
        const auto object = ZQAttachedImageObject::create();
        object->setOriginalImage(image);
        object->setOriginalSize(image->size());
        object->setResize(image->size());
        object->setOriginalFileName(it.key());
        object->setImageFileName(it.key());
        object->setImageLabel(it.value());
        object->setOriginalUpdatedDate(QDateTime::currentDateTime());
        object->setOriginalImageHash(plat::md5Hex(image->sourceData()));
        const auto storage = ZQAttachedStorage::create();
        storage->setUuid(ZSUtils::uuid());
        storage->setOwner(QStringLiteral("ZQMacroImage"));
        storage->setAttachedObject(object);
        storages.push_back(storage);
    }
    try {
        if (createPageFromMarkdown(QString::fromUtf8(file.readAll()), spaceFolder, storages, nullptr).isEmpty()) {
            qWarning().noquote() << QStringLiteral("%1 page load failed").arg(name);
            return false;
        }
    } catch (const std::exception&) {
        qWarning().noquote() << QStringLiteral("%1 page load failed").arg(name);
        return false;
    }
    if (completion)
        completion();
    return true;
}

bool ZQDocumentWindowController::loadWelcomePage(const QString& spaceFolder, const std::function<void()>& completion)
{
    return loadPage(QStringLiteral("tutorial_v2"), {}, spaceFolder, completion);
}

bool ZQDocumentWindowController::loadDemoPage(const QString& spaceFolder, const std::function<void()>& completion)
{
    return loadPage(QStringLiteral("demo_v2"), {{QStringLiteral("quorvel-demo.png"), QStringLiteral("Demo picture")}},
                    spaceFolder, completion);
}

void ZQDocumentWindowController::menuResetIntroductionSpace()
{
    if (loadWelcomePage(m_openSpaceFolder, nullptr))
        reloadPages();
}

void ZQDocumentWindowController::menuReloadDemoPage()
{
    if (loadDemoPage(m_openSpaceFolder, nullptr))
        reloadPages();
}

ZQLibraryWindowLink::ImportResult ZQDocumentWindowController::importMarkdown(const QString& markdown,
                                                                             const QString& scanImagePath,
                                                                             const QString& toSpace)
{
    ImportResult result;
    try {
        std::vector<ZQAttachedStoragePtr> images =
            ZQRender::loadExternalImages(plat::AttributedString(markdown), scanImagePath, QString(), *markupRender());
        for (const ZQAttachedStoragePtr& image : images) {
            const auto object = image->attachedObject();
            if (!object || !object->originalImage())
                result.pendingImages.push_back(image);
        }
        ZQDocumentPtr created;
        if (createPageFromMarkdown(markdown, toSpace, images, &created).isEmpty())
            throw std::runtime_error("page not created");
        if (!ZQCommonWindowController::isMarkdownEditorVisible())
            result.richContent = created->richTextStorage();
        if (toSpace == m_openSpaceFolder)
            reloadPages();
    } catch (const std::exception&) {
        ZQError::presentError(ZQError::errorFromMessage(QStringLiteral("Failed to import this markdown into libary.")));
    }
    return result;
}

void ZQDocumentWindowController::updateImageRichContent(const std::shared_ptr<plat::TextStorage>&,
                                                        const QHash<QString, ZQAttachedImageObjectPtr>&)
{
    visibleEditor().widget()->update();
}
