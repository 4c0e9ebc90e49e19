#pragma once
// Class operations that create, find, update, copy, count and walk space
// records (entity Space, main store) and page records (entity Node, each
// space's own store). Finders return the first match or none; a failed fetch
// counts as no match. Run them on the queue of the context they use.

#include "kit/foundation/ZQErrorValue.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/text/AttributedString.h"

#include <optional>

class ZSCoreDataUtil {
public:
    ZSCoreDataUtil() = delete;

    using RecordBlock = std::function<void(const plat::ManagedObjectPtr& record,
                                           const plat::ManagedObjectContextPtr& context, bool last)>;
    using CompletionHandler = std::function<void(const plat::ManagedObjectPtr& record,
                                                 const std::optional<ZQErrorValue>& error)>;

    // Copies the page fields onto target; "sourceSpaceFolder" is the source's
    // space for move type 1, else "". "dropboxFileInode" stays. Saves nothing.
    static void copyPageObj(const plat::ManagedObjectPtr& source, const plat::ManagedObjectPtr& toPage, qint64 moveType);
    // Every space but the decoration, filter and tag rows, in the main context.
    static void iteratorSpaces(const RecordBlock& block);
    // Every record of the space's store, of any type.
    static void iteratorPages(const QString& spaceFolder, const RecordBlock& block);
    // Sets the value and persists; a missing page changes nothing.
    static void updatePage(const QString& uuid, const QString& spaceFolder, const QString& key, const plat::Value& value);

    // A new page record (type 1), saved with persistAndWait on the context's
    // queue while the caller waits. A save failure reaches the handler.
    static plat::ManagedObjectPtr createPageRecord(const QString& uuid, const std::optional<plat::AttributedString>& pageTitle,
                                                   const QString& spaceFolder, const QString& dropboxPath,
                                                   const plat::Value& dropboxFileInode,
                                                   const plat::ManagedObjectContextPtr& pageMoC,
                                                   const plat::PersistentStorePtr& store,
                                                   const CompletionHandler& completionHandler);
    static plat::ManagedObjectPtr createPageRecord(const QString& uuid, const std::optional<plat::AttributedString>& pageTitle,
                                                   const QString& spaceFolder, const QString& dropboxPath,
                                                   const plat::Value& dropboxFileInode);

    // Pages (type 1) of the space; 0 when counting fails.
    static qint64 pageListSize(const QString& spaceFolder);
    static std::optional<std::vector<plat::ManagedObjectPtr>> getAllPages(const plat::ManagedObjectContextPtr& context);
    // Inserted, unsaved.
    static plat::ManagedObjectPtr createSpaceRecord(const QString& folder, const plat::ManagedObjectPtr& parent,
                                                    const QString& spaceTitle, qint32 spaceType, bool isSystem,
                                                    const plat::ManagedObjectContextPtr& managedObjectContext);
    static plat::ManagedObjectPtr getSpaceObject(const QString& folder);
    static plat::ManagedObjectPtr getSpaceTitle(const QString& spaceFolder, const plat::ManagedObjectContextPtr& spaceTitleContext);
    static plat::ManagedObjectPtr getPageObjectByDropboxPath(const QString& dropboxPath, const QString& spaceFolder);
    static plat::ManagedObjectPtr getPageObjectByUUID(const QString& uuid, const QString& spaceFolder);
    static plat::ManagedObjectPtr getPageObjectByUUID(const QString& uuid, const plat::ManagedObjectContextPtr& pageMoC);

    // The first record of the entity matching the condition, or none.
    static plat::ManagedObjectPtr findFirst(const plat::ManagedObjectContextPtr& context, const QString& entity,
                                            const QString& format, const plat::ValueList& arguments);
};
