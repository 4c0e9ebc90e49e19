// The page document in its three file forms, its save steps, changes made on
// disk by other programs, the choice of window and printing.

#include "platform/document/FileVersion.h"
#include "ShellFixtures.h"

#include "app/shell/ZQAppFlags.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/text/AttributedText.h"

#include "support/EventLoop.h"

#include <QDateTime>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace shell;

namespace {

const QString Markup = QStringLiteral("# Title of the page\n\nSome *text* and a [link](https://example.com).\n\n- one\n- two\n");

// An attribute value that cannot be archived.
class Unarchivable final : public plat::Object {
public:
    QString className() const override { return QStringLiteral("Unarchivable"); }
};

struct PostedUpdates {
    std::vector<plat::ValueMap> userInfos;
    plat::ObserverToken token;
    PostedUpdates()
    {
        token = plat::NotificationCenter::defaultCenter().addObserver(
            ZQDocument::pageUpdatedNotification(), nullptr,
            [this](const plat::Notification& n) { userInfos.push_back(n.userInfo); });
    }
    ~PostedUpdates() { plat::NotificationCenter::defaultCenter().removeObserver(token); }
};

bool save(const ZQDocumentPtr& doc, const QString& path, const QString& type,
          std::optional<ZQErrorValue>* failure = nullptr)
{
    bool saved = false;
    doc->saveToURL(QUrl::fromLocalFile(path), type, ZQDocument::SaveOperation::Save,
                   [&](const std::optional<ZQErrorValue>& error) {
                       saved = !error;
                       if (failure)
                           *failure = error;
                   });
    return saved;
}

ZQDocumentPtr open(const QString& path, const QString& type)
{
    ZQDocumentPtr doc = ZQDocument::create();
    QString error;
    return doc->readFromURL(QUrl::fromLocalFile(path), type, &error) ? doc : nullptr;
}

// Another program's write, dated clearly after the document's copy.
void writeAsAnotherProgram(const QString& path, const QByteArray& bytes)
{
    const QDateTime later = QFileInfo(path).lastModified().addSecs(5);
    writeAll(path, bytes);
    QFile file(path);
    file.open(QIODevice::ReadWrite);
    file.setFileTime(later, QFileDevice::FileModificationTime);
}

} // namespace

TEST(PageDocument, PagesComeBackWithTheirTextAndStorageTypeInEachForm)
{
    ShellEnvironment env;
    struct Case {
        bool rich;
        QString type;
        QString name;
    };
    const Case cases[] = {
        {false, ZQDocument::pageDocumentType(), QStringLiteral("md.mkqrv")},
        {true, ZQDocument::pageDocumentType(), QStringLiteral("rich.mkqrv")},
        {false, ZQDocument::standalonePageType(), QStringLiteral("md.qrvpage")},
        {true, ZQDocument::standalonePageType(), QStringLiteral("rich.qrvpage")},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const ZQDocumentPtr doc = newPage(c.rich, Markup);
        const QString text = pageText(*doc);
        ASSERT_TRUE(save(doc, dir.filePath(c.name), c.type));
        EXPECT_FALSE(doc->isDocumentEdited());

        const ZQDocumentPtr reopened = open(dir.filePath(c.name), c.type);
        ASSERT_TRUE(reopened);
        EXPECT_EQ(reopened->storageType(), c.rich ? 2 : 0);
        EXPECT_EQ(pageText(*reopened), text);
        EXPECT_EQ(reopened->selectionRange(), plat::Range(2, 3));
    }
}

TEST(PageDocument, ANewMarkupPageTakesTheDialectOfTheSettings)
{
    ShellEnvironment env;
    QTemporaryDir dir;
    const auto settings = ZSSettings::sharedSettings();
    const ZQMarkupType before = settings->markupType();
    settings->setMarkupType(ZQMarkupType::QuorvelMarkup);
    const ZQDocumentPtr doc = newPage(false, Markup);
    settings->setMarkupType(before);
    EXPECT_EQ(doc->storageType(), 1);
    const QString path = dir.filePath(QStringLiteral("q.mkqrv"));
    ASSERT_TRUE(save(doc, path, ZQDocument::pageDocumentType()));
    const ZQDocumentPtr reopened = open(path, ZQDocument::pageDocumentType());
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->storageType(), 1);
    EXPECT_EQ(reopened->markupTextStorage()->string(), Markup);
}

TEST(PageDocument, StandalonePageFileCarriesItsTypeNameVersionAndText)
{
    ShellEnvironment env;
    QTemporaryDir dir;
    for (const bool rich : {false, true}) {
        const ZQDocumentPtr doc = newPage(rich, Markup);
        const QString path = dir.filePath(rich ? QStringLiteral("r.qrvpage") : QStringLiteral("m.qrvpage"));
        ASSERT_TRUE(save(doc, path, QStringLiteral("qrvpage"))); // the bare extension names the type too
        const auto root = plat::KeyedUnarchiver::unarchiveValue(readAll(path));
        ASSERT_TRUE(root && root->isMap());
        const plat::ValueMap& map = root->toMap();
        EXPECT_EQ(map.at("zqAttachedStorageVersion").toInteger(), 20141102);
        EXPECT_EQ(map.at("zqMainStorageType").toString(), rich ? QStringLiteral("zqRich") : QStringLiteral("Markdown"));
        EXPECT_EQ(map.at("zqMainStorage").toObject<plat::AttributedText>()->text().string(), pageText(*doc));
        EXPECT_EQ(map.at("zqMainStorageSel").toString(), plat::toString(plat::Range(2, 3)));
    }
}

TEST(PageDocument, ARichStandalonePageKeepsItsImageAndNote)
{
    ShellEnvironment env;
    QTemporaryDir dir;
    const ZQDocumentPtr doc = newPage(true, QStringLiteral("A ![picture](pic.png) and a note[^1].\n\n[^1]: The note.\n"));
    const auto images = doc->renderContext()->getAttachedStorageByOwner(QStringLiteral("ZQMacroImage"));
    ASSERT_EQ(images.size(), 1u);
    QImage picture(10, 6, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    const plat::ImagePtr image = plat::Image::fromQImage(picture);
    images[0]->attachedObject()->setOriginalImage(image);
    images[0]->attachedObject()->setOriginalSize(image->size());
    plat::MutableAttributedString rich(*doc->richTextStorage());
    QHash<QString, ZQAttachedImageObjectPtr> shown;
    shown.insert(images[0]->uuid(), images[0]->attachedObject());
    doc->markupRender()->updateImageRichContent(rich, shown);
    doc->richTextStorage()->setAttributedString(rich);
    const QString path = dir.filePath(QStringLiteral("p.qrvpage"));
    ASSERT_TRUE(save(doc, path, ZQDocument::standalonePageType()));

    const ZQDocumentPtr reopened = open(path, ZQDocument::standalonePageType());
    ASSERT_TRUE(reopened);
    EXPECT_EQ(pageText(*reopened), pageText(*doc));
    const auto back = reopened->renderContext()->getAttachedStorageByOwner(QStringLiteral("ZQMacroImage"));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0]->uuid(), images[0]->uuid());
    ASSERT_TRUE(back[0]->attachedObject()->originalImage());
    EXPECT_EQ(back[0]->attachedObject()->originalImage()->size(), QSizeF(10, 6));
    // Written back as markup, the note's body is still there.
    const auto markup = reopened->dataOfType(ZQDocument::markdownType());
    ASSERT_TRUE(markup);
    EXPECT_TRUE(markup->contains("The note.")) << markup->toStdString();
}

TEST(PageDocument, ASnapshotThatCannotBeArchivedFailsTheSaveAndKeepsTheFile)
{
    ShellEnvironment env;
    PostedUpdates posted;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.qrvpage"));
    const ZQDocumentPtr doc = newPage(false, Markup);
    ASSERT_TRUE(save(doc, path, ZQDocument::standalonePageType()));
    const QByteArray before = readAll(path);
    env.index->updated.clear();
    posted.userInfos.clear();

    doc->markupTextStorage()->addAttribute(QStringLiteral("ZQBroken"), plat::Value(std::make_shared<Unarchivable>()),
                                           plat::Range(0, 3));
    doc->updateChangeCount(plat::Document::ChangeType::Done);
    std::optional<ZQErrorValue> failure;
    EXPECT_FALSE(save(doc, path, ZQDocument::standalonePageType(), &failure));
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->code(), 512);
    EXPECT_EQ(readAll(path), before);
    EXPECT_TRUE(doc->isDocumentEdited());
    EXPECT_EQ(env.panels->presentedErrors().size(), 1);
    EXPECT_TRUE(env.index->updated.empty());
    EXPECT_TRUE(posted.userInfos.empty());
}

TEST(PageDocument, ASavedPageIsIndexedAndAnnounced)
{
    ShellEnvironment env;
    PostedUpdates posted;
    QTemporaryDir dir;
    const ZQDocumentPtr doc = newPage(false, Markup);
    const QString path = dir.filePath(QStringLiteral("p.mkqrv"));
    doc->saveToURL(QUrl::fromLocalFile(path), ZQDocument::pageDocumentType(), ZQDocument::SaveOperation::AutosaveInPlace, nullptr);
    ASSERT_EQ(env.index->updated.size(), 1u);
    EXPECT_EQ(env.index->updated[0].url, QUrl::fromLocalFile(path));
    EXPECT_EQ(env.index->updated[0].title, QStringLiteral("Title of the page"));
    EXPECT_EQ(env.index->updated[0].text, Markup);
    ASSERT_EQ(posted.userInfos.size(), 1u);
    EXPECT_EQ(posted.userInfos[0].at("saveOperation").toInteger(), 4);

    // A save that cannot write (no such folder) does none of it.
    std::optional<ZQErrorValue> failure;
    EXPECT_FALSE(save(doc, dir.filePath(QStringLiteral("missing/p.md")), ZQDocument::markdownType(), &failure));
    EXPECT_TRUE(failure);
    EXPECT_EQ(env.index->updated.size(), 1u);
    EXPECT_EQ(posted.userInfos.size(), 1u);
}

TEST(PageDocument, ExternalLatin1MarkdownOpensAndIsWrittenBackAsUtf8)
{
    ShellEnvironment env;
    QTemporaryDir dir;
    const QString text = QStringLiteral("# Caf\u00e9\n\nD\u00e9j\u00e0 vu, na\u00efve gar\u00e7on \u00e0 la cr\u00e8me.\n");
    const QString path = dir.filePath(QStringLiteral("latin.md"));
    writeAll(path, text.toLatin1());

    const ZQDocumentPtr doc = open(path, ZQDocument::markdownType());
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->storageType(), 0);
    EXPECT_EQ(doc->markupTextStorage()->string(), text);
    EXPECT_EQ(doc->themeId(), QStringLiteral("light-twins"));
    EXPECT_TRUE(doc->selectionRange().isNotFound());

    ASSERT_TRUE(save(doc, path, doc->fileType()));
    EXPECT_EQ(readAll(path), text.toUtf8());
}

TEST(PageDocument, AnExternalRichPageIsWrittenAsItsMarkup)
{
    ShellEnvironment env;
    QTemporaryDir dir;
    const ZQDocumentPtr doc = newPage(true, QStringLiteral("Some **bold** words.\n"));
    const QString path = dir.filePath(QStringLiteral("r.md"));
    ASSERT_TRUE(save(doc, path, ZQDocument::markdownType()));
    EXPECT_EQ(QString::fromUtf8(readAll(path)).trimmed(), QStringLiteral("Some **bold** words."));
}

TEST(PageDocument, AnUndecodableExternalFileIsRefusedWithTheMessage)
{
    ShellEnvironment env;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bin.md"));
    writeAll(path, QByteArray("\x00\x01\x02\xff\xfe\x00\x00\x9f", 8));
    ZQDocumentPtr doc = ZQDocument::create();
    QString error;
    EXPECT_FALSE(doc->readFromURL(QUrl::fromLocalFile(path), ZQDocument::markdownType(), &error));
    EXPECT_FALSE(doc->readFromURL(QUrl::fromLocalFile(path), ZQDocument::standalonePageType(), &error));
    EXPECT_EQ(env.panels->presentedErrors(), QStringList{ZQDocument::cannotOpenMessage()});
    EXPECT_EQ(doc->storageType(), -1);
}

TEST(PageDocument, AChangeOnDiskRevertsOnlyAnUnchangedPageWithAnOlderCopy)
{
    ShellEnvironment env;
    struct Case {
        const char* name;
        bool unsaved;
        int diskAge; // seconds the disk's copy is after (+) or before (-) the document's
        bool reverted;
    };
    const Case cases[] = {
        {"newer on disk", false, 5, true},
        {"unsaved changes", true, 5, false},
        {"older on disk", false, -5, false},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromLatin1(c.name) + QStringLiteral(".md"));
        writeAll(path, "before\n");
        const ZQDocumentPtr doc = open(path, ZQDocument::markdownType());
        ASSERT_TRUE(doc);
        if (c.unsaved)
            doc->updateChangeCount(plat::Document::ChangeType::Done);
        const QDateTime stamp = doc->fileModificationDate().addSecs(c.diskAge);
        writeAll(path, "after\n");
        QFile file(path);
        file.open(QIODevice::ReadWrite);
        file.setFileTime(stamp, QFileDevice::FileModificationTime);
        file.close();
        doc->presentedItemDidChange();
        EXPECT_EQ(doc->markupTextStorage()->string(), c.reverted ? QStringLiteral("after\n") : QStringLiteral("before\n"));
    }
}

TEST(PageDocument, AnExternalFileChangedByAnotherProgramIsReloaded)
{
    ShellEnvironment env;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("watched.md"));
    writeAll(path, "first\n");
    const ZQDocumentPtr doc = open(path, ZQDocument::markdownType());
    ASSERT_TRUE(doc);
    // Shown in its window, the file is watched.
    EXPECT_EQ(doc->makeWindowControllers(), ZQDocument::WindowKind::EditorWindow);

    // Our own save is not taken for an outside change, and the new file stays watched.
    doc->markupTextStorage()->setAttributedString(plat::AttributedString(QStringLiteral("ours\n")));
    doc->updateChangeCount(plat::Document::ChangeType::Done);
    ASSERT_TRUE(save(doc, path, doc->fileType()));

    int reverts = 0;
    const plat::ObserverToken token = plat::NotificationCenter::defaultCenter().addObserver(
        ZQDocument::extPageUpdatedNotification(), nullptr, [&](const plat::Notification&) { ++reverts; });
    writeAsAnotherProgram(path, "theirs\n");
    EXPECT_TRUE(testsupport::runEventsUntil([&] { return doc->markupTextStorage()->string() == QStringLiteral("theirs\n"); }, 30));
    EXPECT_EQ(reverts, 1);
    plat::NotificationCenter::defaultCenter().removeObserver(token);
}

TEST(PageDocument, ADeletedExternalFileClosesOnlyAnUnchangedPage)
{
    ShellEnvironment env;
    QTemporaryDir dir;
    const auto controller = plat::DocumentController::sharedDocumentController();
    struct Case {
        const char* name;
        bool edited;
        bool writtenAgain;
        bool staysOpen;
    };
    for (const Case c : {Case{"unchanged.md", false, false, false}, Case{"edited.md", true, false, true},
                         Case{"rewritten.md", false, true, true}}) {
        const QString path = dir.filePath(QString::fromUtf8(c.name));
        writeAll(path, "text\n");
        const ZQDocumentPtr doc = open(path, ZQDocument::markdownType());
        ASSERT_TRUE(doc) << c.name;
        controller->addDocument(doc);
        EXPECT_EQ(doc->makeWindowControllers(), ZQDocument::WindowKind::EditorWindow);
        if (c.edited)
            doc->updateChangeCount(plat::Document::ChangeType::Done);

        QFile::remove(path);
        // A program that saves by deleting and writing again: the page is not closed.
        if (c.writtenAgain)
            writeAll(path, "text\n");
        const bool settled = testsupport::runEventsUntil(
            [&] { return !controller->documentForURL(QUrl::fromLocalFile(path)); },
            c.staysOpen ? 2 : 30);
        EXPECT_EQ(settled, !c.staysOpen) << c.name;
        if (c.staysOpen) {
            EXPECT_EQ(controller->documentForURL(QUrl::fromLocalFile(path)), doc) << c.name;
        }
        controller->removeDocument(*doc);
        doc->close();
    }
}

TEST(PageDocument, WindowFollowsTheFileFormAndTheVersionBrowser)
{
    ShellEnvironment env;
    QTemporaryDir dir;
    struct Case {
        QString type;
        bool versionBrowser;
        ZQDocument::WindowKind kind;
    };
    const Case cases[] = {
        {ZQDocument::pageDocumentType(), false, ZQDocument::WindowKind::LibraryWindow},
        {QStringLiteral("MKQRV"), false, ZQDocument::WindowKind::LibraryWindow},
        {ZQDocument::standalonePageType(), false, ZQDocument::WindowKind::LibraryWindow},
        {ZQDocument::markdownType(), false, ZQDocument::WindowKind::EditorWindow},
        {ZQDocument::pageDocumentType(), true, ZQDocument::WindowKind::EditorWindow},
    };
    for (const Case& c : cases) {
        ZQAppFlags::inVersionBrowser = c.versionBrowser;
        const ZQDocumentPtr doc = ZQDocument::create();
        doc->setFileType(c.type);
        doc->setFileURL(QUrl::fromLocalFile(dir.filePath(QStringLiteral("x/page.md"))));
        EXPECT_EQ(doc->makeWindowControllers(), c.kind) << c.type.toStdString();
        const bool external = ZQDocument::fileFormOfType(c.type) == ZQDocument::FileForm::ExternalMarkdown;
        EXPECT_EQ(doc->isExternalAttachFolderSet(), external);
        if (external) {
            EXPECT_EQ(doc->externalSpaceProperties().loadingImagePath, dir.filePath(QStringLiteral("x")));
        }
    }
    ZQAppFlags::inVersionBrowser = false;
}

TEST(PageDocument, ManagedImagesOfAnExternalPageAreWrittenIntoItsFolderOnly)
{
    ShellEnvironment env;
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("from"));
    QDir(dir.path()).mkpath(QStringLiteral("to/sub"));
    QImage picture(6, 4, QImage::Format_RGB32);
    picture.fill(Qt::red);
    picture.save(dir.filePath(QStringLiteral("from/pic.png")));
    picture.save(dir.filePath(QStringLiteral("outside.png")));
    const QString source = dir.filePath(QStringLiteral("from/page.md"));
    // The second image lies beside the image folder: written back by its
    // name it would land outside the folder the page is saved with.
    writeAll(source, "![a](pic.png) and ![b](../outside.png)\n");

    for (const bool managed : {false, true}) {
        SCOPED_TRACE(managed);
        const ScopedBoolDefault setting(QStringLiteral("ManagedExternalMarkdownImages"), managed);
        ZQDocumentPtr doc = ZQDocument::create();
        doc->setIsExternalAttachFolderSet(1);
        doc->setExternalSpaceProperties({dir.filePath(QStringLiteral("from")), QString(), 0});
        ASSERT_TRUE(doc->readFromURL(QUrl::fromLocalFile(source), ZQDocument::markdownType()));
        doc->setExternalSpaceProperties({dir.filePath(QStringLiteral("to/sub")), QString(), 0});
        ASSERT_TRUE(save(doc, dir.filePath(QStringLiteral("to/sub/page.md")), ZQDocument::markdownType()));
        EXPECT_EQ(QFileInfo::exists(dir.filePath(QStringLiteral("to/sub/pic.png"))), managed);
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("to/outside.png"))));
    }
}

TEST(PageDocument, PrintsToAPdfAfterThePrintPanelAndNotWhenDeclined)
{
    ShellEnvironment env;
    QTemporaryDir dir;
    const ZQDocumentPtr doc = newPage(false, Markup);
    for (const bool accept : {false, true}) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = dir.filePath(accept ? QStringLiteral("yes.pdf") : QStringLiteral("no.pdf"));
        printer.setOutputFileName(pdf);
        env.panels->queuePrintPanelAnswer(accept);
        QString error;
        EXPECT_EQ(doc->printOperationWithSettings(printer, &error), accept) << error.toStdString();
        EXPECT_EQ(readAll(pdf).startsWith("%PDF"), accept);
    }
    ASSERT_EQ(env.panels->printPanels().size(), 2u);
    EXPECT_EQ(env.panels->printPanels()[0].jobTitle, QStringLiteral("Title of the page"));
    EXPECT_TRUE(env.panels->printPanels()[0].showsPaperSize);
}

TEST(PageDocument, ReceivedContentReplacesThePageUnlessKeptAsAVersion)
{
    ShellEnvironment env;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.mkqrv"));
    const ZQDocumentPtr doc = newPage(false, Markup);
    ASSERT_TRUE(save(doc, path, ZQDocument::pageDocumentType()));
    env.index->updated.clear();

    std::vector<plat::ValueMap> conflicts;
    const plat::ObserverToken token = plat::NotificationCenter::defaultCenter().addObserver(
        ZQDocument::mergedConflictNotification(), nullptr,
        [&](const plat::Notification& note) { conflicts.push_back(note.userInfo); });
    doc->mergeICloudMarkdown(QStringLiteral("# Received\n"), QString(), true);
    plat::NotificationCenter::defaultCenter().removeObserver(token);
    EXPECT_EQ(doc->markupTextStorage()->string(), Markup);
    EXPECT_TRUE(env.index->updated.empty());
    // The received copy is kept as a version of the page, not lost.
    ASSERT_EQ(conflicts.size(), 1u);
    EXPECT_EQ(conflicts[0].at("pageUuid").toString(), QStringLiteral("p.mkqrv"));
    EXPECT_EQ(conflicts[0].at("spaceFolder").toString(), QFileInfo(dir.path()).fileName());
    const auto versions = plat::FileVersionProvider::current()->otherVersionsOfItemAtURL(QUrl::fromLocalFile(path));
    ASSERT_EQ(versions.size(), 1u);
    const ZQDocumentPtr kept = open(versions[0]->url().toLocalFile(), ZQDocument::pageDocumentType());
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->markupTextStorage()->string(), QStringLiteral("# Received\n"));
    QDir(plat::FileVersionProvider::versionFolderOfItemAtURL(QUrl::fromLocalFile(path))).removeRecursively();

    doc->mergeICloudMarkdown(QStringLiteral("# Received\n"), QString(), false);
    EXPECT_EQ(doc->markupTextStorage()->string(), QStringLiteral("# Received\n"));
    EXPECT_FALSE(doc->isDocumentEdited());
    ASSERT_EQ(env.index->updated.size(), 1u);
    EXPECT_EQ(env.index->updated[0].title, QStringLiteral("Received"));
    const ZQDocumentPtr reopened = open(path, ZQDocument::pageDocumentType());
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->markupTextStorage()->string(), QStringLiteral("# Received\n"));
}
