// Documents: change counting, autosave on the test clock, revert, the
// registry of open documents and conflicting file versions.

#include "platform/document/AtomicPackage.h"
#include "platform/document/Document.h"
#include "platform/document/DocumentController.h"
#include "platform/document/FileVersion.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A document whose contents are one text member.
class TextDocument final : public plat::Document {
public:
    static std::shared_ptr<TextDocument> create() { return std::shared_ptr<TextDocument>(new TextDocument); }
    QString text;
    bool failWriting = false;
    std::shared_ptr<plat::DirectoryWrapper> fileWrapperOfType(const QString&, QString* error) override
    {
        if (failWriting) {
            *error = QStringLiteral("no");
            return nullptr;
        }
        auto package = plat::DirectoryWrapper::create();
        package->addRegularFile(QStringLiteral("main.md"), text.toUtf8());
        return package;
    }
    bool readFromFileWrapper(const plat::DirectoryWrapper& package, const QString&, QString* error) override
    {
        const auto member = package.member(QStringLiteral("main.md"));
        if (!member) {
            *error = QStringLiteral("no main.md");
            return false;
        }
        text = QString::fromUtf8(member->regularFileContents());
        return true;
    }

private:
    TextDocument() = default;
};

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QString Type = QStringLiteral("page");

} // namespace

TEST(Document, CountsChangesAndClearsThemOnSave)
{
    QTemporaryDir dir;
    const QUrl url = QUrl::fromLocalFile(dir.filePath(QStringLiteral("a.mkqrv")));
    auto doc = TextDocument::create();
    doc->updateChangeCount(plat::Document::ChangeType::Done);
    doc->updateChangeCount(plat::Document::ChangeType::Done);
    doc->updateChangeCount(plat::Document::ChangeType::Undone);
    EXPECT_TRUE(doc->isDocumentEdited());
    doc->text = QStringLiteral("one");
    ASSERT_TRUE(doc->saveToURL(url, Type));
    EXPECT_FALSE(doc->isDocumentEdited());
    EXPECT_EQ(doc->fileURL(), url);
    // Writing elsewhere (a copy) leaves the document's own state alone.
    doc->updateChangeCount(plat::Document::ChangeType::Done);
    ASSERT_TRUE(doc->saveToURL(QUrl::fromLocalFile(dir.filePath(QStringLiteral("copy.mkqrv"))), Type));
    EXPECT_TRUE(doc->isDocumentEdited());
    EXPECT_EQ(doc->fileURL(), url);
    // A failed save keeps the changes unsaved and the file as it was.
    doc->text = QStringLiteral("two");
    doc->failWriting = true;
    QString error;
    EXPECT_FALSE(doc->saveToURL(url, Type, &error));
    EXPECT_EQ(error, QStringLiteral("no"));
    EXPECT_TRUE(doc->isDocumentEdited());
    EXPECT_EQ(readFile(url.toLocalFile() + QStringLiteral("/main.md")), QByteArray("one"));
}

TEST(Document, SavesItselfInPlaceOnceAChangeHasWaited)
{
    plat::ManualClockScope clock;
    QTemporaryDir dir;
    const QUrl url = QUrl::fromLocalFile(dir.filePath(QStringLiteral("a.mkqrv")));
    auto doc = TextDocument::create();
    doc->text = QStringLiteral("one");
    ASSERT_TRUE(doc->saveToURL(url, Type));
    doc->setAutosavingDelay(5);
    EXPECT_FALSE(doc->hasAutosaveScheduled());
    doc->text = QStringLiteral("two");
    doc->updateChangeCount(plat::Document::ChangeType::Done);
    EXPECT_TRUE(doc->hasAutosaveScheduled());
    clock->advance(4.9);
    EXPECT_EQ(readFile(url.toLocalFile() + QStringLiteral("/main.md")), QByteArray("one"));
    clock->advance(0.2);
    EXPECT_EQ(readFile(url.toLocalFile() + QStringLiteral("/main.md")), QByteArray("two"));
    EXPECT_FALSE(doc->isDocumentEdited());
    EXPECT_FALSE(doc->hasAutosaveScheduled());
    // An undone change leaves nothing to save: no autosave is pending.
    doc->updateChangeCount(plat::Document::ChangeType::Done);
    doc->updateChangeCount(plat::Document::ChangeType::Undone);
    EXPECT_FALSE(doc->hasAutosaveScheduled());
    EXPECT_EQ(clock->pendingCount(), 0u);
}

TEST(Document, RevertDropsUnsavedChanges)
{
    QTemporaryDir dir;
    const QUrl url = QUrl::fromLocalFile(dir.filePath(QStringLiteral("a.mkqrv")));
    auto doc = TextDocument::create();
    doc->text = QStringLiteral("saved");
    ASSERT_TRUE(doc->saveToURL(url, Type));
    doc->text = QStringLiteral("edited");
    doc->updateChangeCount(plat::Document::ChangeType::Done);
    ASSERT_TRUE(doc->revertToContentsOfURL(url, Type));
    EXPECT_EQ(doc->text, QStringLiteral("saved"));
    EXPECT_FALSE(doc->isDocumentEdited());
    // A package without its member cannot be read: the document stays as it was.
    auto empty = plat::DirectoryWrapper::create();
    empty->addRegularFile(QStringLiteral("other"), "x");
    ASSERT_TRUE(plat::writePackageAtomically(url.toLocalFile(), *empty));
    doc->text = QStringLiteral("kept");
    QString error;
    EXPECT_FALSE(doc->revertToContentsOfURL(url, Type, &error));
    EXPECT_EQ(doc->text, QStringLiteral("kept"));
    EXPECT_FALSE(error.isEmpty());
}

TEST(DocumentController, FindsOpenDocumentsByAnySpellingOfTheirAddress)
{
    QTemporaryDir dir;
    auto controller = plat::DocumentController::create();
    auto doc = TextDocument::create();
    doc->setFileURL(QUrl::fromLocalFile(dir.filePath(QStringLiteral("space/a.mkqrv"))));
    controller->addDocument(doc);
    controller->addDocument(doc);
    EXPECT_EQ(controller->documents().size(), 1u);
    EXPECT_EQ(controller->documentForURL(QUrl::fromLocalFile(dir.filePath(QStringLiteral("space/./x/../a.mkqrv/")))), doc);
    EXPECT_EQ(controller->documentForURL(QUrl::fromLocalFile(dir.filePath(QStringLiteral("space/b.mkqrv")))), nullptr);
    EXPECT_EQ(controller->documentForURL(QUrl()), nullptr);
    // A document that moved is found at its new address only.
    doc->setFileURL(QUrl::fromLocalFile(dir.filePath(QStringLiteral("space/b.mkqrv"))));
    EXPECT_EQ(controller->documentForURL(QUrl::fromLocalFile(dir.filePath(QStringLiteral("space/a.mkqrv")))), nullptr);
    EXPECT_EQ(controller->documentForURL(QUrl::fromLocalFile(dir.filePath(QStringLiteral("space/b.mkqrv")))), doc);
    controller->removeDocument(*doc);
    EXPECT_TRUE(controller->documents().empty());
}

TEST(FileVersion, TheStandardProviderReportsNoConflictsAndTheListedOneItsOwn)
{
    QTemporaryDir dir;
    const QUrl item = QUrl::fromLocalFile(dir.filePath(QStringLiteral("a.mkqrv")));
    EXPECT_TRUE(plat::FileVersionProvider::current()->unresolvedConflictVersionsOfItemAtURL(item).empty());
    EXPECT_EQ(plat::FileVersionProvider::current()->currentVersionOfItemAtURL(item), nullptr);

    plat::ListedFileVersionProvider listed;
    auto version = plat::FileVersion::create(QUrl::fromLocalFile(dir.filePath(QStringLiteral("v1"))), QDateTime::currentDateTime());
    listed.addConflictVersion(item, version);
    EXPECT_EQ(listed.unresolvedConflictVersionsOfItemAtURL(item).size(), 1u);
    version->setResolved(true);
    EXPECT_TRUE(listed.unresolvedConflictVersionsOfItemAtURL(item).empty());
}
