#include "kit/storage/ZSCoreDataUtil.h"

#include "kit/model/ZSSettings.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreData.h"
#include "platform/store/Date.h"
#include "platform/text/AttributedText.h"

#include <stdexcept>

using plat::Value;

namespace {

// Types of the rows the space walk passes over: library title row, saved
// filter, filters root, tags, divider, linked-folders title row and divider.
bool isSkippedSpaceType(qint64 type)
{
    return type == -99 || type == -6 || type == -4 || type == -3 || type == 3 || type == 8 || type == 15;
}

} // namespace

plat::ManagedObjectPtr ZSCoreDataUtil::findFirst(const plat::ManagedObjectContextPtr& context, const QString& entity,
                                                 const QString& format, const plat::ValueList& arguments)
{
    if (!context)
        return nullptr;
    plat::FetchRequest request(entity, plat::Predicate::withFormat(format, arguments));
    request.fetchLimit = 1;
    const auto found = context->executeFetchRequest(request);
    return found && !found->empty() ? found->front() : nullptr;
}

void ZSCoreDataUtil::copyPageObj(const plat::ManagedObjectPtr& source, const plat::ManagedObjectPtr& toPage, qint64 moveType)
{
    const auto copy = [&](const char* key) {
        toPage->setValue(source->valueForKey(QLatin1String(key)), QLatin1String(key));
    };
    copy("title");
    copy("tags");
    copy("uuid");
    toPage->setValue(moveType == 1 ? source->valueForKey(QStringLiteral("spaceFolder")) : Value(QString()),
                     QStringLiteral("sourceSpaceFolder"));
    for (const char* key : {"spaceFolder", "type", "createdDate", "modifiedDate", "sortIndex", "dropboxHash",
                            "dropboxRev", "dropboxPath", "dropboxState", "dropboxUnlinked"})
        copy(key);
}

void ZSCoreDataUtil::iteratorSpaces(const RecordBlock& block)
{
    if (!block)
        throw std::logic_error("a record walk needs a block");
    const auto context = ZSCoreData::sharedCoredData()->spaceObjectContext();
    const auto spaces = context->executeFetchRequest(plat::FetchRequest(QStringLiteral("Space")));
    if (!spaces)
        return;
    std::vector<plat::ManagedObjectPtr> handed;
    for (const auto& space : *spaces) {
        if (!isSkippedSpaceType(space->valueForKey(QStringLiteral("spaceType")).toInteger()))
            handed.push_back(space);
    }
    for (std::size_t i = 0; i < handed.size(); ++i)
        block(handed[i], context, i + 1 == handed.size());
}

void ZSCoreDataUtil::iteratorPages(const QString& spaceFolder, const RecordBlock& block)
{
    if (!block)
        throw std::logic_error("a record walk needs a block");
    const auto context = ZSCoreData::sharedCoredData()->pageObjectContext(spaceFolder);
    const auto pages = context->executeFetchRequest(plat::FetchRequest(QStringLiteral("Node")));
    if (!pages)
        return;
    for (std::size_t i = 0; i < pages->size(); ++i)
        block((*pages)[i], context, i + 1 == pages->size());
}

void ZSCoreDataUtil::updatePage(const QString& uuid, const QString& spaceFolder, const QString& key, const Value& value)
{
    const auto context = ZSCoreData::sharedCoredData()->pageObjectContext(spaceFolder);
    const auto page = findFirst(context, QStringLiteral("Node"), QStringLiteral("uuid==%@"), {Value(uuid)});
    if (!page)
        return;
    page->setValue(value, key);
    Exs::persist(context);
}

plat::ManagedObjectPtr ZSCoreDataUtil::createPageRecord(const QString& uuid, const std::optional<plat::AttributedString>& pageTitle,
                                                        const QString& spaceFolder, const QString& dropboxPath,
                                                        const Value& dropboxFileInode,
                                                        const plat::ManagedObjectContextPtr& pageMoC,
                                                        const plat::PersistentStorePtr& store,
                                                        const CompletionHandler& completionHandler)
{
    plat::ManagedObjectPtr page;
    std::optional<ZQErrorValue> error;
    pageMoC->performAndWait([&] {
        page = pageMoC->insertNewObject(QStringLiteral("Node"));
        if (store)
            pageMoC->assignObject(page, store);
        page->setValue(Value(plat::AttributedText::create(pageTitle.value_or(plat::AttributedString()))), QStringLiteral("title"));
        page->setValue(Value(uuid), QStringLiteral("uuid"));
        page->setValue(Value(spaceFolder), QStringLiteral("spaceFolder"));
        page->setValue(Value(qint64(1)), QStringLiteral("type"));
        const auto now = plat::Date::now();
        page->setValue(Value(now), QStringLiteral("createdDate"));
        page->setValue(Value(now), QStringLiteral("modifiedDate"));
        page->setValue(Value(dropboxPath), QStringLiteral("dropboxPath"));
        page->setValue(dropboxFileInode, QStringLiteral("dropboxFileInode"));
        qint64 sortIndex = 0;
        const auto settings = ZSSettings::sharedSettings();
        if (settings && settings->appendNewPageToTail()) {
            // The count includes the new record, so the first page gets 101.
            const auto pages = pageMoC->countForFetchRequest(plat::FetchRequest(
                QStringLiteral("Node"), plat::Predicate::withFormat(QStringLiteral("type==%ld"), {Value(qint64(1))})));
            sortIndex = pages ? *pages + 100 : 101;
        }
        page->setValue(Value(sortIndex), QStringLiteral("sortIndex"));
        Exs::persistAndWait(pageMoC, &error);
    });
    if (completionHandler)
        completionHandler(page, error);
    return page;
}

plat::ManagedObjectPtr ZSCoreDataUtil::createPageRecord(const QString& uuid, const std::optional<plat::AttributedString>& pageTitle,
                                                        const QString& spaceFolder, const QString& dropboxPath,
                                                        const Value& dropboxFileInode)
{
    return createPageRecord(uuid, pageTitle, spaceFolder, dropboxPath, dropboxFileInode,
                            ZSCoreData::sharedCoredData()->pageObjectContext(spaceFolder), nullptr, nullptr);
}

qint64 ZSCoreDataUtil::pageListSize(const QString& spaceFolder)
{
    const auto context = ZSCoreData::sharedCoredData()->pageObjectContext(spaceFolder);
    const auto n = context->countForFetchRequest(plat::FetchRequest(
        QStringLiteral("Node"), plat::Predicate::withFormat(QStringLiteral("type==%ld"), {Value(qint64(1))})));
    return n.value_or(0);
}

std::optional<std::vector<plat::ManagedObjectPtr>> ZSCoreDataUtil::getAllPages(const plat::ManagedObjectContextPtr& context)
{
    return context->executeFetchRequest(plat::FetchRequest(QStringLiteral("Node")));
}

plat::ManagedObjectPtr ZSCoreDataUtil::createSpaceRecord(const QString& folder, const plat::ManagedObjectPtr& parent,
                                                         const QString& spaceTitle, qint32 spaceType, bool isSystem,
                                                         const plat::ManagedObjectContextPtr& managedObjectContext)
{
    auto space = managedObjectContext->insertNewObject(QStringLiteral("Space"));
    const auto now = plat::Date::now();
    space->setValue(Value(spaceTitle), QStringLiteral("title"));
    space->setValue(Value(folder), QStringLiteral("folder"));
    space->setValue(Value(now), QStringLiteral("createdDate"));
    space->setValue(Value(now), QStringLiteral("modifiedDate"));
    space->setValue(Value(QString(QLatin1String(""))), QStringLiteral("label"));
    space->setValue(Value(isSystem), QStringLiteral("isSystem"));
    space->setValue(Value(qint64(spaceType)), QStringLiteral("spaceType"));
    space->setValue(Value(qint64(0)), QStringLiteral("sortIndex"));
    if (parent)
        space->setValue(Value(parent), QStringLiteral("parent"));
    return space;
}

plat::ManagedObjectPtr ZSCoreDataUtil::getSpaceObject(const QString& folder)
{
    return findFirst(ZSCoreData::sharedCoredData()->spaceObjectContext(), QStringLiteral("Space"),
                     QStringLiteral("folder==%@"), {Value(folder)});
}

plat::ManagedObjectPtr ZSCoreDataUtil::getSpaceTitle(const QString& spaceFolder, const plat::ManagedObjectContextPtr& spaceTitleContext)
{
    return findFirst(spaceTitleContext, QStringLiteral("Node"), QStringLiteral("spaceFolder==%@ and type==%@"),
                     {Value(spaceFolder), Value(qint64(2))});
}

plat::ManagedObjectPtr ZSCoreDataUtil::getPageObjectByDropboxPath(const QString& dropboxPath, const QString& spaceFolder)
{
    return findFirst(ZSCoreData::sharedCoredData()->pageObjectContext(spaceFolder), QStringLiteral("Node"),
                     QStringLiteral("dropboxPath==%@"), {Value(dropboxPath)});
}

plat::ManagedObjectPtr ZSCoreDataUtil::getPageObjectByUUID(const QString& uuid, const QString& spaceFolder)
{
    return getPageObjectByUUID(uuid, ZSCoreData::sharedCoredData()->pageObjectContext(spaceFolder));
}

plat::ManagedObjectPtr ZSCoreDataUtil::getPageObjectByUUID(const QString& uuid, const plat::ManagedObjectContextPtr& pageMoC)
{
    return findFirst(pageMoC, QStringLiteral("Node"), QStringLiteral("uuid==%@"), {Value(uuid)});
}
