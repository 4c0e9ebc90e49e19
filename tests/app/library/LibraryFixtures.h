#pragma once
// A fresh library for one test: the main store emptied and seeded with the
// six system spaces, scripted panels, an index of its own, a cloud engine
// that records what it is told, and a disk that fails on request.

#include "app/library/ZQCloudEngine.h"
#include "app/library/ZQIndexService.h"
#include "app/library/ZQLibraryDisk.h"
#include "app/library/ZQLibraryRecords.h"
#include "app/library/ZQSpaceListDocument.h"
#include "app/shell/ZQDocumentController.h"
#include "app/shell/ZQPageIndexer.h"
#include "kit/foundation/ZQError.h"
#include "kit/model/ZSUtils.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/panels/Panels.h"

#include "support/InstalledSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>

namespace library {

struct CloudCall {
    qint64 action;
    QString uuid;
    QString title;
    QString folder;
    QString fromFolder;
    bool operator==(const CloudCall&) const = default;
};

class RecordingCloud final : public ZQCloudEngine {
public:
    void doPageAction(qint64 action, const QString& uuid, const QString& title, const QString& folder, bool) override
    {
        pages.push_back({action, uuid, title, folder, QString()});
    }
    void doPageAction(qint64 action, const QString& uuid, const QString& title, const QString& folder,
                      const QString& from, bool) override
    {
        pages.push_back({action, uuid, title, folder, from});
    }
    void doSpaceAction(qint64 action, const QString& folder, const QString& title, const QString& parent, bool) override
    {
        spaces.push_back({action, folder, title, parent, QString()});
    }
    std::vector<CloudCall> pages;
    std::vector<CloudCall> spaces;
};

// Each step fails while its flag is set; otherwise the real disk.
class FailingDisk final : public ZQLibraryDisk {
public:
    bool failMove = false;
    bool failRemove = false;
    bool failTrash = false;
    bool failSave = false;
    bool failCreate = false;
    QStringList trashed;

    bool moveItem(const QString& from, const QString& to, QString* error) override
    {
        return failMove ? fail(error) : ZQLibraryDisk::moveItem(from, to, error);
    }
    bool removeItem(const QString& path, QString* error) override
    {
        return failRemove ? fail(error) : ZQLibraryDisk::removeItem(path, error);
    }
    // Never the desktop's real trash in a test: the item is only recorded and moved aside.
    bool moveToTrash(const QString& path, QString* error) override
    {
        if (failTrash)
            return fail(error);
        trashed << path;
        return QDir().rename(path, path + QStringLiteral(".trashed"));
    }
    bool createEmptyFile(const QString& path, QString* error) override
    {
        return failCreate ? fail(error) : ZQLibraryDisk::createEmptyFile(path, error);
    }
    std::optional<ZQErrorValue> saveDocument(const ZQDocumentPtr& document, const QUrl& url, const QString& type,
                                             ZQDocument::SaveOperation operation) override
    {
        if (failSave)
            return ZQError::errorFromMessage(QStringLiteral("The disk is full."));
        return ZQLibraryDisk::saveDocument(document, url, type, operation);
    }

private:
    static bool fail(QString* error)
    {
        if (error)
            *error = QStringLiteral("The disk is full.");
        return false;
    }
};

class RecordingDelegate final : public ZQLibraryDelegate {
public:
    void cleanEditor() override { ++cleaned; }
    void setMessageBar(const QString& message) override { messages << message; }
    void selectSpace(const QString& folder, bool editTitle) override { selected << folder + (editTitle ? "*" : ""); }
    void pageSelected(const plat::ManagedObjectPtr& page) override
    {
        selectedPages << (page ? page->valueForKey("uuid").toString() : QString());
    }
    bool isMarkdownEditorVisible() const override { return true; }
    int cleaned = 0;
    QStringList messages;
    QStringList selected;
    QStringList selectedPages;
};

inline std::vector<plat::ManagedObjectPtr> allSpaces()
{
    const auto context = ZSCoreData::sharedCoredData()->spaceObjectContext();
    auto spaces = context->executeFetchRequest(plat::FetchRequest("Space")).value_or(std::vector<plat::ManagedObjectPtr>());
    ZQLibraryRecords::sortSpaces(spaces);
    return spaces;
}

inline QStringList folders(const std::vector<plat::ManagedObjectPtr>& records, const char* key = "folder")
{
    QStringList result;
    for (const auto& record : records)
        result << record->valueForKey(key).toString();
    return result;
}

struct Library {
    QTemporaryDir dir;
    std::shared_ptr<plat::ScriptedPanels> panels = std::make_shared<plat::ScriptedPanels>();
    std::shared_ptr<RecordingCloud> cloud = std::make_shared<RecordingCloud>();
    std::shared_ptr<FailingDisk> disk = std::make_shared<FailingDisk>();
    std::shared_ptr<RecordingDelegate> window = std::make_shared<RecordingDelegate>();
    std::shared_ptr<ZQIndexService> index;
    std::unique_ptr<ZQSpaceListDocument> library;
    QString myLibrary;

    Library()
    {
        installedSettings();
        plat::Panels::setCurrent(panels);
        ZQDocumentController::installPanelErrorPresentation();
        plat::DocumentController::setSharedDocumentController(ZQDocumentController::create());
        ZQCloudEngine::setSharedCloudKit(cloud);
        ZQLibraryDisk::setShared(disk);
        index = std::make_shared<ZQIndexService>(dir.filePath("pages.index"));
        ZQPageIndexer::setShared(index);

        // An empty data folder: no space records left from other tests, and
        // the page counter of a new installation.
        clearSpaces();
        plat::UserDefaults::standardUserDefaults()->setInteger(0, "com.zolfarin.quorvel.lastCreatedPageIndex");
        const QString appID = "t" + QUuid::createUuid().toString(QUuid::Id128).left(10);
        EXPECT_TRUE(ZQLibraryRecords::seedSystemSpaces(appID));
        myLibrary = appID + "ds";
        library = std::make_unique<ZQSpaceListDocument>(window);
        library->setIndexService(index);
    }
    ~Library()
    {
        library.reset();
        index->closeIndex();
        plat::Panels::setCurrent(nullptr);
        ZQCloudEngine::setSharedCloudKit(nullptr);
        ZQLibraryDisk::setShared(nullptr);
        ZQPageIndexer::setShared(nullptr);
        plat::DocumentController::setSharedDocumentController(nullptr);
        clearSpaces();
    }

    static void clearSpaces()
    {
        const auto coreData = ZSCoreData::sharedCoredData();
        const auto context = coreData->spaceObjectContext();
        for (const auto& space : allSpaces())
            context->deleteObject(space);
        Exs::persistAndWait(context);
        // The system spaces' folders are the same in every test: empty them.
        for (const QString& folder : {ZQSpaceFolder::trash(), ZQSpaceFolder::filters(), ZQSpaceFolder::tags()}) {
            coreData->removePageContext(folder);
            QDir(ZSUtils::spaceUrl(folder).toLocalFile()).removeRecursively();
        }
    }

    // Shows the space in the page list, as selecting it in the space list
    // does: a new list, so spaces made since are in it.
    ZQPageListDocumentPtr show(const QString& folder)
    {
        library->setCurrentSpace(nullptr);
        auto list = library->getPageListDocument(folder, true);
        library->setCurrentSpace(list);
        list->reloadData();
        return list;
    }

    // A saved page with this text in the shown space.
    QString page(const QString& text)
    {
        QString made;
        library->currentSpace()->createPage([&](const ZQDocumentPtr& document, const QString& uuid, const plat::ManagedObjectPtr&) {
            document->markupTextStorage()->setAttributedString(plat::AttributedString(text));
            made = uuid;
        }, true);
        EXPECT_FALSE(made.isEmpty());
        const QUrl url = ZSUtils::pageUrl(made, library->currentSpace()->openSpaceFolder());
        const auto document = std::dynamic_pointer_cast<ZQDocument>(plat::DocumentController::sharedDocumentController()->documentForURL(url));
        EXPECT_TRUE(document);
        if (document) {
            QString error;
            EXPECT_TRUE(document->saveToURL(url, ZQDocument::pageDocumentType(), &error)) << error.toStdString();
        }
        return made;
    }

    QStringList search(const QString& words)
    {
        index->waitUntilAllWritesAreDone();
        QStringList found;
        for (const QUrl& url : index->search(words))
            found << QFileInfo(QFileInfo(url.toLocalFile()).path()).dir().dirName();
        return found;
    }

    static bool hasPackage(const QString& uuid, const QString& folder)
    {
        return QFileInfo::exists(ZSUtils::pageUrl(uuid, folder).toLocalFile());
    }
    static plat::ManagedObjectPtr record(const QString& uuid, const QString& folder)
    {
        return ZSCoreDataUtil::getPageObjectByUUID(uuid, folder);
    }
};

} // namespace library
