// The library window and the stand-alone editor windows driven as a person
// would: pages written, the program quit or killed and started again, the
// editor mode switched, the trash, external files and the welcome pages.

#include "ShellFixtures.h"

#include "app/library/ZQLibraryRecords.h"
#include "app/shell/ZQAppDelegate.h"
#include "app/shell/ZQAppFlags.h"
#include "app/shell/ZQAppInstance.h"
#include "app/shell/ZQButtons.h"
#include "app/shell/ZQDocumentWindowController.h"
#include "app/shell/ZQDocumentWindowFactory.h"
#include "app/shell/ZQSetting.h"
#include "app/editor/ZQEditorFaces.h"
#include "app/editor/ZQStyleContextPopover.h"
#include "platform/ui/TextViewWidget.h"
#include "app/shell/ZQSplitViews.h"
#include "app/shell/ZQStatusViews.h"
#include "app/shell/ZQUsagePing.h"
#include "kit/model/ZQDocumentOutline.h"
#include "kit/model/ZSUtils.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/NotificationCenter.h"

#include "support/EventLoop.h"

#include <QDir>
#include <QAbstractButton>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>

namespace libwin {

std::shared_ptr<ZQAppDelegate> launchedDelegate()
{
    static std::shared_ptr<ZQAppDelegate> delegate = [] {
        auto made = std::make_shared<ZQAppDelegate>();
        made->applicationWillFinishLaunching(false);
        return made;
    }();
    return delegate;
}

class LibraryWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static const ZQSettingPtr settings = ZQSetting::create();
        ZSSettings::hookPlatformSettings(settings);
        m_settings = settings;
        m_settings->setNeedConfirmRichModeForExternalMD(true);
        delegate = launchedDelegate();
        delegate->setQuitAction([this] { ++quitRequests; });
        auto& factory = ZQDocumentWindowFactory::sharedFactory();
        factory.setEditorFactory(styledEditorFactory());
    }

    void TearDown() override
    {
        ZQAppInstance::installTerminationHandler(nullptr);
        dropWindow();
        ZQAppFlags::inTrash = ZQAppFlags::inTags = ZQAppFlags::readOnly = false;
    }

    // A window as a new start makes it: a new document controller and the restored selection.
    std::shared_ptr<ZQDocumentWindowController> startWindow()
    {
        auto& factory = ZQDocumentWindowFactory::sharedFactory();
        factory.setDocumentController(ZQDocumentController::create());
        factory.create(false);
        auto window = factory.mainWindowController();
        window->show();
        return window;
    }

    void dropWindow()
    {
        auto& factory = ZQDocumentWindowFactory::sharedFactory();
        if (const auto window = factory.mainWindowController())
            window->hide();
        factory.setMainWindowController(nullptr);
        if (const auto documents = factory.documentController()) {
            for (const plat::DocumentPtr& document : documents->documents())
                documents->removeDocument(*document);
        }
        factory.setDocumentController(nullptr);
    }

    QString library() const { return m_settings->appID() + QStringLiteral("ds"); }

    shell::ShellEnvironment env;
    ZQSettingPtr m_settings;
    std::shared_ptr<ZQAppDelegate> delegate;
    int quitRequests = 0;
};

enum class Ending { Quit, Sigterm };

class WritingSurvivesTheEnd : public LibraryWindowTest,
                              public ::testing::WithParamInterface<std::tuple<Ending, QString>> {};

TEST_P(WritingSurvivesTheEnd, APageTypedBeforeTheEndIsThereAfterTheNextStart)
{
    const auto [ending, mode] = GetParam();
    plat::UserDefaults::standardUserDefaults()->setObject(plat::Value(mode), ZQCommonWindowController::editorModeKey());
    auto window = startWindow();
    window->openSpace(library());
    QTest::mouseClick(window->addButton(), Qt::LeftButton);
    const QString uuid = window->openPageUuid();
    ASSERT_FALSE(uuid.isEmpty());
    QWidget* editor = window->visibleEditor().widget();
    QTest::keyClicks(editor, QStringLiteral("# Groceries"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, QStringLiteral("milk eggs"));
    const QString typed = QStringLiteral("# Groceries\nmilk eggs");
    // The rich editor styles the line as a heading and keeps no "# " in its text.
    const QString shown = mode == QLatin1String("markdown") ? typed : QStringLiteral("Groceries\nmilk eggs");
    ASSERT_EQ(window->visibleEditor().textView().string(), shown);

    if (ending == Ending::Quit) {
        EXPECT_TRUE(delegate->applicationShouldTerminate());
    } else {
        ASSERT_TRUE(ZQAppInstance::installTerminationHandler([this] { delegate->applicationShouldTerminate(false); }));
        std::raise(SIGTERM);
        ASSERT_TRUE(testsupport::runEventsUntil([this] { return quitRequests > 0; }, 30));
    }
    EXPECT_EQ(quitRequests, 1);
    const QString package = ZSUtils::pageUrl(uuid, library()).toLocalFile();
    const QString markdown = QString::fromUtf8(shell::readAll(QDir(package).filePath(QStringLiteral("main.md"))));
    EXPECT_EQ(markdown, typed);

    dropWindow();
    window = startWindow();
    EXPECT_EQ(window->openSpaceFolder(), library());
    EXPECT_EQ(window->openPageUuid(), uuid);
    EXPECT_EQ(window->visibleEditor().textView().string(), shown);
    EXPECT_EQ(window->pageTitle(uuid), QStringLiteral("Groceries"));
    EXPECT_EQ(window->pageListView()->currentItem()->text(), QStringLiteral("Groceries"));
}

INSTANTIATE_TEST_SUITE_P(Endings, WritingSurvivesTheEnd,
                         ::testing::Combine(::testing::Values(Ending::Quit, Ending::Sigterm),
                                            ::testing::Values(QStringLiteral("markdown"), QStringLiteral("rich"))));

TEST_F(LibraryWindowTest, APageIsSavedSecondsAfterAnEditWithoutAQuit)
{
    plat::UserDefaults::standardUserDefaults()->setObject(plat::Value(QStringLiteral("markdown")),
                                                          ZQCommonWindowController::editorModeKey());
    auto window = startWindow();
    window->openSpace(library());
    QTest::mouseClick(window->addButton(), Qt::LeftButton);
    const QString package = ZSUtils::pageUrl(window->openPageUuid(), library()).toLocalFile();
    plat::ManualClockScope clock;
    QTest::keyClicks(window->visibleEditor().widget(), QStringLiteral("kept"));
    clock->advance(ZQCommonWindowController::AutosaveDelaySeconds - 1);
    EXPECT_EQ(shell::readAll(QDir(package).filePath(QStringLiteral("main.md"))), QByteArray());
    clock->advance(1);
    EXPECT_EQ(shell::readAll(QDir(package).filePath(QStringLiteral("main.md"))), QByteArray("kept"));
    EXPECT_FALSE(window->document()->isDocumentEdited());
}

TEST_F(LibraryWindowTest, SwitchingEditorsStoresTheModeAndKeepsTheText)
{
    plat::UserDefaults::standardUserDefaults()->setObject(plat::Value(QStringLiteral("rich")),
                                                          ZQCommonWindowController::editorModeKey());
    auto window = startWindow();
    window->openSpace(library());
    QTest::mouseClick(window->addButton(), Qt::LeftButton);
    ASSERT_FALSE(window->isMarkdownEditorVisible());
    QTest::keyClicks(window->visibleEditor().widget(), QStringLiteral("plain words"));

    QTest::mouseClick(window->markupButton(), Qt::LeftButton);
    EXPECT_TRUE(window->isMarkdownEditorVisible());
    EXPECT_EQ(plat::UserDefaults::standardUserDefaults()->stringForKey(ZQCommonWindowController::editorModeKey()),
              QStringLiteral("markdown"));
    EXPECT_EQ(window->visibleEditor().textView().string().trimmed(), QStringLiteral("plain words"));
    EXPECT_EQ(window->document()->storageType(), 0);

    window->switchEditorMode();
    EXPECT_FALSE(window->isMarkdownEditorVisible());
    EXPECT_EQ(plat::UserDefaults::standardUserDefaults()->stringForKey(ZQCommonWindowController::editorModeKey()),
              QStringLiteral("rich"));
    EXPECT_EQ(window->document()->storageType(), 2);
    // A library page never asks.
    EXPECT_TRUE(env.panels->alerts().empty());
}

TEST_F(LibraryWindowTest, TheTrashIsReadOnlyAndSaysSo)
{
    auto window = startWindow();
    window->openSpace(ZQSpaceFolder::trash());
    EXPECT_TRUE(ZQAppFlags::inTrash);
    EXPECT_TRUE(ZQAppFlags::readOnly);
    EXPECT_FALSE(window->messageBarView()->isHidden());
    EXPECT_EQ(window->messageBarView()->message(), QStringLiteral("READ-ONLY TRASH BIN"));
    EXPECT_FALSE(window->editor().isEditable());
    EXPECT_FALSE(window->markupEditor().isEditable());
    const QString before = window->visibleEditor().textView().string();
    QTest::keyClicks(window->visibleEditor().widget(), QStringLiteral("no"));
    EXPECT_EQ(window->visibleEditor().textView().string(), before);
    // Other messages do not replace the trash's.
    window->setMessageBar(QStringLiteral("Something else"));
    EXPECT_EQ(window->messageBarView()->message(), QStringLiteral("READ-ONLY TRASH BIN"));

    window->openSpace(library());
    EXPECT_FALSE(ZQAppFlags::readOnly);
    EXPECT_TRUE(window->messageBarView()->isHidden());
    EXPECT_TRUE(window->editor().isEditable());
}

TEST_F(LibraryWindowTest, TheTagsSpaceShowsTheRebuiltTagsPageAndARowHighlightsItsTag)
{
    auto window = startWindow();
    // A library page whose outline operation stored two tags.
    const auto context = ZSCoreData::sharedCoredData()->pageObjectContext(library());
    const auto page = ZSCoreDataUtil::createPageRecord(QStringLiteral("tagged-page"), plat::AttributedString(QStringLiteral("Trip")),
                                                       library(), QString(), plat::Value());
    plat::ValueList tags;
    for (const QString& text : {QStringLiteral("zebra"), QStringLiteral("bags")})
        tags.push_back(plat::Value(plat::ObjectPtr(ZQDocumentTag::initWithIndex(qint64(tags.size()), text,
                                                                                 plat::Range(0, text.size()), ZQEditorType::Markup))));
    page->setValue(plat::Value(plat::KeyedArchiver::archivedData(plat::Value(tags))), QStringLiteral("tags"));
    ASSERT_TRUE(Exs::persistAndWait(context));

    window->openSpace(ZQSpaceFolder::tags());
    EXPECT_TRUE(ZQAppFlags::inTags);
    EXPECT_FALSE(window->visibleEditor().isEditable());
    const QString text = window->visibleEditor().textView().string();
    EXPECT_TRUE(text.contains(QStringLiteral("Trip in "))) << text.toStdString();
    // One row per tag, sorted, each naming its heading's range in the page.
    QStringList headings;
    for (const QString& uuid : window->listedPageUuids()) {
        const plat::Range range = plat::rangeFromString(uuid);
        headings << text.mid(range.location, range.length);
    }
    ASSERT_GE(headings.size(), 2);
    const qsizetype zebra = headings.indexOf(QStringLiteral("ZEBRA"));
    ASSERT_GE(zebra, 0) << headings.join(',').toStdString();
    EXPECT_LT(headings.indexOf(QStringLiteral("BAGS")), zebra);

    auto* pages = window->findChild<QListWidget*>(QStringLiteral("pageListView"));
    ASSERT_NE(pages, nullptr);
    pages->setCurrentRow(int(zebra));
    EXPECT_EQ(window->visibleEditor().textView().selectedRange(), plat::rangeFromString(window->listedPageUuids()[zebra]));
    EXPECT_EQ(window->openSpaceFolder(), ZQSpaceFolder::tags()); // a tag row opens no page

    window->openSpace(library());
    EXPECT_FALSE(ZQAppFlags::inTags);
    EXPECT_TRUE(window->editor().isEditable());
}

TEST_F(LibraryWindowTest, AnExternalMarkdownFileAsksBeforeTheRichEditorAndCancelChangesNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("notes.md"));
    shell::writeAll(path, "# Notes\n\n*soft*\n");
    const auto window = delegate->openFile(path);
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isMarkdownEditorVisible());
    EXPECT_EQ(window->visibleEditor().textView().string(), QStringLiteral("# Notes\n\n*soft*\n"));

    env.panels->queueAlertResponse(1);
    window->switchEditorMode();
    ASSERT_EQ(env.panels->alerts().size(), 1u);
    const plat::AlertRequest alert = env.panels->alerts().front();
    EXPECT_EQ(alert.buttons, QStringList({QStringLiteral("Rich Mode"), QStringLiteral("Cancel")}));
    EXPECT_EQ(alert.messageText, ZQCommonWindowController::richModeWarning());
    EXPECT_TRUE(window->isMarkdownEditorVisible());
    EXPECT_EQ(window->document()->storageType(), 0);
    EXPECT_FALSE(window->document()->isDocumentEdited());

    env.panels->queueAlertResponse(0);
    window->switchEditorMode();
    EXPECT_FALSE(window->isMarkdownEditorVisible());
    EXPECT_EQ(window->document()->storageType(), 2);
    EXPECT_TRUE(m_settings->needConfirmRichModeForExternalMD());

    // Ticking "do not show again" stores it; the next switch asks nothing.
    window->switchEditorMode();
    env.panels->queueAlertResponse(0);
    env.panels->queueSuppressionButtonOn(true);
    window->switchEditorMode();
    EXPECT_FALSE(window->isMarkdownEditorVisible());
    EXPECT_FALSE(m_settings->needConfirmRichModeForExternalMD());
    EXPECT_FALSE(plat::UserDefaults::standardUserDefaults()->boolForKey(QStringLiteral("needConfirmRichModeForExternalMD")));
    window->switchEditorMode();
    window->switchEditorMode();
    EXPECT_EQ(env.panels->alerts().size(), 3u);
    EXPECT_FALSE(window->isMarkdownEditorVisible());
    plat::UserDefaults::standardUserDefaults()->removeObjectForKey(QStringLiteral("needConfirmRichModeForExternalMD"));
    // Only the library window keeps its mode.
    window->close();
}

TEST_F(LibraryWindowTest, AMarkupPageInTheOtherDialectIsShownInTheEditorsDialect)
{
    const ZQMarkupType before = m_settings->markupType();
    struct Case {
        const char* page; // Quorvel Markup
        ZQMarkupType shown;
        const char* expected;
        bool selectionKept;
    };
    const Case cases[] = {
        // A text whose length changes loses its stored selection.
        {"h2. Title\n\nPlain.\n", ZQMarkupType::Markdown, "## Title\n\nPlain.", false},
        // One of the same length keeps it.
        {"h2. Title\n\nPlain *bold*.\n", ZQMarkupType::Markdown, "## Title\n\nPlain **bold**.", true},
        // The same dialect is shown as it is.
        {"h2. Title\n\nPlain.\n", ZQMarkupType::QuorvelMarkup, "h2. Title\n\nPlain.\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        m_settings->setMarkupType(ZQMarkupType::QuorvelMarkup);
        const ZQDocumentPtr doc = ZQDocument::create();
        auto storage = std::make_shared<plat::TextStorage>();
        storage->setAttributedString(plat::AttributedString(QString::fromUtf8(c.page)));
        doc->createNewDocument(ZQEditorType::Markup, storage, plat::Range(4, 5));
        ASSERT_EQ(doc->storageType(), 1);
        m_settings->setMarkupType(c.shown);
        const auto window = ZQDocumentWindowFactory::sharedFactory().createEditorWindow();
        ASSERT_TRUE(window->isMarkdownEditorVisible());
        window->setDocument(doc);
        EXPECT_EQ(window->markupEditor().textView().string(), QString::fromUtf8(c.expected));
        EXPECT_EQ(doc->storageType(), c.shown == ZQMarkupType::QuorvelMarkup ? 1 : 0);
        EXPECT_EQ(doc->selectionRange().isNotFound(), !c.selectionKept);
        EXPECT_EQ(window->markupEditor().textView().selectedRange(),
                  c.selectionKept ? plat::Range(4, 5) : plat::Range(0, 0));
    }
    m_settings->setMarkupType(before);
}

TEST_F(LibraryWindowTest, AnExternalFileIsWrittenBackAsUtf8)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("latin.md"));
    shell::writeAll(path, QByteArray("caf\xe9 au lait"));
    const auto window = delegate->openFile(path);
    ASSERT_TRUE(window);
    QWidget* editor = window->visibleEditor().widget();
    window->visibleEditor().textView().setSelectedRange(plat::Range(window->visibleEditor().textView().string().size(), 0));
    QTest::keyClicks(editor, QStringLiteral("!"));
    EXPECT_TRUE(window->saveDocument());
    const QByteArray bytes = shell::readAll(path);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    EXPECT_FALSE(utf8.hasError());
    EXPECT_EQ(text, QStringLiteral("caf\u00e9 au lait!"));
    window->close();
}

TEST_F(LibraryWindowTest, AFileThatCannotBeReadGivesAnErrorAndNoWindow)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("folder.md"));
    // A page file that is no archive must not open as Markdown text that a save would write over it.
    shell::writeAll(dir.filePath(QStringLiteral("broken.qrvpage")), "not an archive");
    const QString cases[] = {dir.filePath(QStringLiteral("missing.md")), dir.filePath(QStringLiteral("folder.md")),
                             dir.filePath(QStringLiteral("broken.qrvpage"))};
    for (const QString& path : cases) {
        const auto windows = delegate->editorWindows().size();
        const auto errors = env.panels->presentedErrors().size();
        EXPECT_FALSE(delegate->openFile(path)) << path.toStdString();
        EXPECT_EQ(delegate->editorWindows().size(), windows);
        ASSERT_EQ(env.panels->presentedErrors().size(), errors + 1);
        EXPECT_TRUE(env.panels->presentedErrors().last().contains(QFileInfo(path).fileName()));
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("missing.md"))));
    EXPECT_EQ(shell::readAll(dir.filePath(QStringLiteral("broken.qrvpage"))), QByteArray("not an archive"));
}

TEST_F(LibraryWindowTest, AFailedWelcomeLoadStillRestoresAndAnImportIsSavedAtOnce)
{
    const auto stored = plat::UserDefaults::standardUserDefaults();
    stored->setInteger(0, ZQDocumentWindowController::welcomeVersionKey());
    stored->setObject(plat::Value(library()), ZQDocumentWindowController::selectedSpaceKey());
    QTemporaryDir noResources;
    qputenv("QUORVEL_RESOURCES", noResources.path().toUtf8());
    auto window = startWindow();
    qunsetenv("QUORVEL_RESOURCES");
    EXPECT_EQ(stored->integerForKey(ZQDocumentWindowController::welcomeVersionKey()), 1);
    EXPECT_EQ(window->openSpaceFolder(), library());
    EXPECT_FALSE(ZQAppFlags::readOnly);

    const QStringList before = window->listedPageUuids();
    window->importMarkdown(QStringLiteral("# Plain import\n\nno code here\n"), QString(), library());
    QStringList added = window->listedPageUuids();
    for (const QString& uuid : before)
        added.removeAll(uuid);
    ASSERT_EQ(added.size(), 1);
    const QString package = ZSUtils::pageUrl(added.first(), library()).toLocalFile();
    EXPECT_TRUE(shell::readAll(QDir(package).filePath(QStringLiteral("main.md"))).startsWith("# Plain import"));
}

TEST_F(LibraryWindowTest, AHeadingOrTagChosenInTheOutlineOpensItsPageAndSelectsIt)
{
    auto window = startWindow();
    window->openSpace(library());
    const QStringList before = window->listedPageUuids();
    window->importMarkdown(QStringLiteral("# Trip\n\nPack the bags\n\n## Train times\n\nearly\n"), QString(), library());
    QStringList added = window->listedPageUuids();
    for (const QString& uuid : before)
        added.removeAll(uuid);
    ASSERT_EQ(added.size(), 1);
    const QString trip = added.first();
    ASSERT_FALSE(before.isEmpty());
    window->openPage(before.first(), library());
    ASSERT_NE(window->openPageUuid(), trip);

    // Entries of the markup text while the rich editor shows the page: found by their text.
    const auto heading = ZQDocumentHeading::initWithIndex(1, 2, QStringLiteral("Train times"), plat::Range(25, 14),
                                                          ZQEditorType::Markup);
    heading->setPageUuid(trip);
    window->showHighlightHeading(heading);
    EXPECT_EQ(window->openPageUuid(), trip);
    const QString shown = window->visibleEditor().textView().string();
    const plat::Range selected = window->visibleEditor().textView().selectedRange();
    EXPECT_EQ(shown.mid(selected.location, selected.length), QStringLiteral("Train times")) << shown.toStdString();

    // An entry of the shown text's own kind takes its range as it is.
    const QString bags = QStringLiteral("bags");
    const auto tag = ZQDocumentTag::initWithIndex(0, bags, plat::Range(shown.indexOf(bags), bags.size()), ZQEditorType::Rich);
    tag->setPageUuid(trip);
    window->showHighlightTag(tag);
    EXPECT_EQ(window->visibleEditor().textView().selectedRange(), plat::Range(shown.indexOf(bags), bags.size()));

    // A page that is not listed opens nothing; a range past the text selects nothing.
    const auto stray = ZQDocumentTag::initWithIndex(0, bags, plat::Range(0, 4), ZQEditorType::Rich);
    stray->setPageUuid(QStringLiteral("no-such-page"));
    window->showHighlightTag(stray);
    EXPECT_EQ(window->openPageUuid(), trip);
    const auto past = ZQDocumentTag::initWithIndex(0, bags, plat::Range(shown.size(), 4), ZQEditorType::Rich);
    past->setPageUuid(trip);
    window->showHighlightTag(past);
    EXPECT_EQ(window->visibleEditor().textView().selectedRange(), plat::Range(shown.indexOf(bags), bags.size()));
}

TEST_F(LibraryWindowTest, TheHiddenPaneComesBackAtLeast400WideAndTheMenuQuits)
{
    auto window = startWindow();
    window->resize(1200, 760);
    QCoreApplication::processEvents();
    window->mainSplitView()->setSizes({230, 970});
    window->setDocTreeVisble(false, true);
    EXPECT_FALSE(window->isDocTreeVisible());
    EXPECT_TRUE(plat::UserDefaults::standardUserDefaults()->boolForKey(QStringLiteral("com.zolfarin.quorvel.toggle.doctree")));
    window->setDocTreeVisble(true, true);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->mainSplitView()->sizes().first(), 400);
    EXPECT_FALSE(plat::UserDefaults::standardUserDefaults()->boolForKey(QStringLiteral("com.zolfarin.quorvel.toggle.doctree")));

    window->mainSplitView()->setSizes({513, 687});
    window->setDocTreeVisble(false, true);
    window->setDocTreeVisble(true, true);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->mainSplitView()->sizes().first(), 513);

    int quits = 0;
    window->setQuitHandler([&quits] { ++quits; });
    for (QAction* menu : window->menuBar()->actions()) {
        for (QAction* item : menu->menu()->actions()) {
            if (item->text() == QLatin1String("Quit"))
                item->trigger();
        }
    }
    EXPECT_EQ(quits, 1);
}

TEST(ShellViews, IndicatorTextGroupsCountsAndNamesTheEditor)
{
    EXPECT_EQ(ZQIndicatorLabel::indicatorText(QStringLiteral("12,345"), QStringLiteral("67,890"), QStringLiteral("Rich")),
              QStringLiteral("W 12,345\u30FBC 67,890\u30FBRich"));
    ZQIndicatorLabel label;
    label.setEditorType(QStringLiteral("Rich"));
    label.setWordCount(3, 12);
    QCoreApplication::processEvents();
    label.hideWordCount();
    QCoreApplication::processEvents();
    EXPECT_EQ(label.text(), QStringLiteral("Rich"));
    label.setEditorType(QStringLiteral("Markdown"));
    QCoreApplication::processEvents();
    EXPECT_EQ(label.text(), QStringLiteral("W 3\u30FBC 12\u30FBMarkdown"));
}

TEST(ShellViews, AHelpLabelAnnouncesItsTagWhenClicked)
{
    std::vector<qint64> tags;
    const plat::ObserverToken token = plat::NotificationCenter::defaultCenter().addObserver(
        ZQAntiAliasField::clickedNotification(), nullptr,
        [&tags](const plat::Notification& note) { tags.push_back(note.userInfo.at(QStringLiteral("tag")).toInteger()); });
    ZQAntiAliasField plain;
    ZQAntiAliasField item;
    item.setTag(12);
    QTest::mouseClick(&plain, Qt::LeftButton);
    QTest::mouseClick(&item, Qt::LeftButton);
    plat::NotificationCenter::defaultCenter().removeObserver(token);
    EXPECT_EQ(tags, (std::vector<qint64>{0, 12}));
    EXPECT_EQ(item.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(plain.testAttribute(Qt::WA_SetCursor));
}

TEST(ShellViews, DividersAtTheEdgesAreNotDrawnAndEnsureViewKeepsAViewOfTheSameClass)
{
    EXPECT_EQ(ZQMainSplitView::dividerColor(4, 600), QColor(Qt::transparent));
    EXPECT_EQ(ZQMainSplitView::dividerColor(596, 600), QColor(Qt::transparent));
    EXPECT_EQ(ZQMainSplitView::dividerColor(5, 600), QColor(210, 210, 210));

    QWidget window;
    auto* split = new ZQMainSplitView(&window);
    auto* left = new QWidget(split);
    auto* panel = new ZQMainPanel(split);
    split->addWidget(left);
    split->addWidget(panel);
    auto* otherPanel = new ZQMainPanel(&window);
    split->ensureView(otherPanel, 1);
    EXPECT_EQ(split->widget(1), panel);
    auto* empty = new ZQEmpyPageView(&window);
    split->ensureView(empty, 1);
    EXPECT_EQ(split->widget(1), empty);
    EXPECT_EQ(panel->parentWidget(), &window);
}

TEST(ShellViews, HoverButtonShowsTheToggledImagesOnlyWhileToggled)
{
    QPixmap red(8, 8), blue(8, 8);
    red.fill(Qt::red);
    blue.fill(Qt::blue);
    const QIcon normal(red), toggled(blue), laterNormal(blue);
    ZQHoverButton button;
    button.setNormalImage(normal);
    button.setToggleImage(toggled);
    EXPECT_EQ(button.shownImage().cacheKey(), normal.cacheKey());
    button.setToggled(true);
    EXPECT_EQ(button.shownImage().cacheKey(), toggled.cacheKey());
    // A new normal image waits until the button is untoggled.
    button.setNormalImage(laterNormal);
    EXPECT_EQ(button.shownImage().cacheKey(), toggled.cacheKey());
    button.setToggled(false);
    EXPECT_EQ(button.shownImage().cacheKey(), laterNormal.cacheKey());
}

TEST(UsagePing, NothingIsSentWithoutAHost)
{
    EXPECT_FALSE(ZQUsagePing::pingUrl(QString(), QStringLiteral("ABC"), 0));
    EXPECT_FALSE(ZQUsagePing::pingUrl(QStringLiteral("  "), QStringLiteral("ABC"), 0));
    const auto url = ZQUsagePing::pingUrl(QStringLiteral("ping.example.org"), QStringLiteral("0123ABCD"), 0);
    ASSERT_TRUE(url);
    EXPECT_EQ(url->toString(), QStringLiteral("http://ping.example.org/quorvel/ping/0123ABCD/2015111301/0"));
    qunsetenv("QUORVEL_PING_HOST");
    plat::UserDefaults::standardUserDefaults()->removeObjectForKey(ZQUsagePing::hostKey());
    EXPECT_FALSE(ZQUsagePing::send());
}

TEST(Settings, TheApplicationSettingsAddWindowColoursAndBackgrounds)
{
    const ZQSettingPtr settings = ZQSetting::create();
    EXPECT_FALSE(ZQSetting::backgroundImageNamed(QStringLiteral("bk00.jpg")));
    EXPECT_FALSE(ZQSetting::backgroundImageNamed(QStringLiteral("no-such-image.jpg")));
    EXPECT_DOUBLE_EQ(settings->helpViewBackgroundColor()->red(), 32 / 255.0);
    EXPECT_DOUBLE_EQ(settings->helpViewBackgroundColor()->alpha(), 0.92);
    EXPECT_EQ(settings->contextMenuFont()->familyName(), QStringLiteral("Menlo"));
    EXPECT_NE(settings->contextMenuFont(), settings->contextMenuFont());
    EXPECT_EQ(settings->zenMode(), 0);
    EXPECT_TRUE(settings->needConfirmRichModeForExternalMD());
}

TEST(AppDelegate, OnlyANewerLibraryIsIncompatible)
{
    EXPECT_TRUE(ZQAppDelegate::isCompatibleLibraryVersion(0));
    EXPECT_TRUE(ZQAppDelegate::isCompatibleLibraryVersion(2015111301));
    EXPECT_FALSE(ZQAppDelegate::isCompatibleLibraryVersion(2015111302));
}



QAction* menuActionWithTag(QMenuBar& bar, quint64 tag)
{
    for (QAction* action : bar.findChildren<QAction*>())
        if (!action->menu() && action->data().toULongLong() == tag)
            return action;
    return nullptr;
}


TEST_F(LibraryWindowTest, MenuItemsAndHelpTagsRunOnTheVisibleEditorAndASelectionShowsTheStylePopover)
{
    plat::UserDefaults::standardUserDefaults()->setObject(plat::Value(QStringLiteral("rich")),
                                                          ZQCommonWindowController::editorModeKey());
    m_settings->setScaleFactor(1.0);
    auto window = startWindow();
    window->openSpace(library());
    QTest::mouseClick(window->addButton(), Qt::LeftButton);
    ZQEditorFace& editor = window->visibleEditor();
    QTest::keyClicks(editor.widget(), QStringLiteral("hello world"));
    auto* view = qobject_cast<plat::TextViewWidget*>(editor.widget());
    ASSERT_NE(view, nullptr);

    // A selection is recorded in the page and shows the popover beside it.
    const qsizetype world = editor.textView().string().indexOf("world");
    view->changeSelection(plat::Range(world, 5));
    EXPECT_EQ(window->document()->selectionRange(), plat::Range(world, 5));
    ZQStyleContextPopover* popover = window->stylePopoverController();
    ASSERT_NE(popover, nullptr);
    EXPECT_TRUE(popover->isShown());
    EXPECT_EQ(popover->positioningView(), editor.widget());
    popover->close();

    // Menu items carry their action numbers and key equivalents.
    auto* bar = window->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    for (const auto& [tag, keys] : {std::pair<quint64, QKeySequence>{2, QKeySequence(Qt::CTRL | Qt::Key_B)},
                                    {1, QKeySequence(Qt::CTRL | Qt::Key_I)},
                                    {10, QKeySequence(Qt::CTRL | Qt::Key_U)},
                                    {3, QKeySequence(Qt::CTRL | Qt::Key_Equal)},
                                    {4, QKeySequence(Qt::CTRL | Qt::Key_Minus)},
                                    {5, QKeySequence(Qt::CTRL | Qt::Key_0)}}) {
        QAction* item = menuActionWithTag(*bar, tag);
        ASSERT_NE(item, nullptr) << tag;
        EXPECT_EQ(item->shortcut(), keys) << tag;
    }
    menuActionWithTag(*bar, 3)->trigger();
    EXPECT_NEAR(m_settings->scaleFactor(), 1.2, 1e-9);

    // A help label's or style button's tag reaches the window in front only.
    auto postTag = [](qint64 tag) {
        plat::NotificationCenter::defaultCenter().post(ZQStyleContextPopover::clickedNotification(), nullptr,
                                                       {{QStringLiteral("tag"), plat::Value(tag)}});
    };
    window->activateWindow();
    if (QTest::qWaitForWindowActive(window.get())) {
        postTag(5);
        EXPECT_NEAR(m_settings->scaleFactor(), 1.0, 1e-9);
    }
    window->hide();
    postTag(3);
    EXPECT_NEAR(m_settings->scaleFactor(), 1.0, 1e-9);
    m_settings->setScaleFactor(1.0);
}

} // namespace libwin
