#include "kit/model/ZQRenderContext.h"

#include "kit/model/ZQStyles.h"
#include "platform/text/AttributedString.h"

#include <QDateTime>
#include <QDebug>

namespace {

const QString FootnoteOwner = QStringLiteral("ZQMacroFootnote");
const QString ImageOwner = QStringLiteral("ZQMacroImage");
const QString LinkOwner = QStringLiteral("ZQFilterLink");

} // namespace

ZQRenderContext::ZQRenderContext()
    : m_filterAttachedStroageContainer{{FootnoteOwner, {}}, {ImageOwner, {}}, {LinkOwner, {}}},
      m_unTransientFilter{ImageOwner}
{
}

std::shared_ptr<ZQRenderContext> ZQRenderContext::initWithAttachedStorage(
    const std::vector<ZQAttachedStoragePtr>& storages)
{
    auto context = std::make_shared<ZQRenderContext>();
    context->restoreAttachedStorage(storages);
    return context;
}

plat::ObjectPtr ZQRenderContext::copy() const
{
    auto context = std::make_shared<ZQRenderContext>();
    context->m_contextObject = m_contextObject;
    context->m_runningMarkupType = m_runningMarkupType;
    for (auto owner = m_filterAttachedStroageContainer.begin(); owner != m_filterAttachedStroageContainer.end();
         ++owner) {
        StorageTable& table = context->m_filterAttachedStroageContainer[owner.key()];
        for (auto entry = owner->begin(); entry != owner->end(); ++entry)
            table.insert(entry.key(), plat::objectCast<ZQAttachedStorage>(entry.value()->copy()));
    }
    return context;
}

ZQAttachedStoragePtr ZQRenderContext::getAttachedStorage(const QString& uuid, const QString& owner) const
{
    return m_filterAttachedStroageContainer.value(owner).value(uuid);
}

std::vector<ZQAttachedStoragePtr> ZQRenderContext::getAttachedStorageByOwner(const QString& owner) const
{
    const auto table = m_filterAttachedStroageContainer.constFind(owner);
    if (table == m_filterAttachedStroageContainer.constEnd())
        return {};
    return std::vector<ZQAttachedStoragePtr>(table->begin(), table->end());
}

void ZQRenderContext::addAttachedStorage(const ZQAttachedStoragePtr& storage, const QString& owner)
{
    const auto table = m_filterAttachedStroageContainer.find(owner);
    if (storage && table != m_filterAttachedStroageContainer.end()) {
        table->insert(storage->uuid(), storage);
        m_storageIndex.reset();
    }
}

qsizetype ZQRenderContext::attachedStorageCountFor(const QString& owner) const
{
    return m_filterAttachedStroageContainer.value(owner).size();
}

ZQAttachedStoragePtr ZQRenderContext::createAttachedStroage(const QString& owner, const QString& uuid)
{
    auto storage = ZQAttachedStorage::create();
    storage->setUuid(uuid);
    storage->setOwner(owner);
    if (owner == ImageOwner) {
        auto image = ZQAttachedImageObject::create();
        image->setOriginalUpdatedDate(QDateTime::currentDateTime());
        image->setUrl(m_predefinedExternalImageUrlPrefix);
        storage->setAttachedObject(image);
    } else if (owner == LinkOwner) {
        storage->setAttachedLink(ZQAttachedLinkObject::create());
    } else {
        storage->setAttachedText(ZQAttachedTextObject::create());
    }
    addAttachedStorage(storage, owner);
    return storage;
}

void ZQRenderContext::restoreAttachedStorage(const std::vector<ZQAttachedStoragePtr>& storages)
{
    forceRemoveAllAttachedStorage();
    for (const ZQAttachedStoragePtr& storage : storages) {
        if (storage)
            addAttachedStorage(storage, storage->owner());
    }
}

void ZQRenderContext::enumerateAttachedStorage(const StorageBlock& block)
{
    m_storageIndex.reset();
    for (auto owner = m_filterAttachedStroageContainer.begin(); owner != m_filterAttachedStroageContainer.end();
         ++owner) {
        // The block may store the storage again; walk a snapshot of the table.
        const StorageTable snapshot = *owner;
        for (const ZQAttachedStoragePtr& storage : snapshot) {
            bool changed = false;
            block(storage, &changed);
            if (changed)
                owner->insert(storage->uuid(), storage);
        }
    }
}

void ZQRenderContext::removeAllAttachedStorage()
{
    m_storageIndex.reset();
    for (auto owner = m_filterAttachedStroageContainer.begin(); owner != m_filterAttachedStroageContainer.end();
         ++owner) {
        if (!m_unTransientFilter.contains(owner.key()))
            owner->clear();
    }
}

void ZQRenderContext::forceRemoveAllAttachedStorage()
{
    m_storageIndex.reset();
    for (StorageTable& table : m_filterAttachedStroageContainer)
        table.clear();
}

ZQRenderContext::StorageTable ZQRenderContext::getAllAttachedStorages() const
{
    StorageTable all;
    for (const StorageTable& table : m_filterAttachedStroageContainer)
        all.insert(table);
    return all;
}

ZQRenderContext::StorageTable ZQRenderContext::getAttachedStoragesForContent(const plat::AttributedString* content,
                                                                             plat::Range inRange,
                                                                             ZQEditorType /*fromEditor*/) const
{
    if (!content)
        return getAllAttachedStorages();
    StorageTable found;
    for (auto owner = m_filterAttachedStroageContainer.begin(); owner != m_filterAttachedStroageContainer.end();
         ++owner) {
        content->enumerateAttribute(owner.key(), inRange, plat::EnumerationReverse,
                                    [&](const plat::Value& value, plat::Range, bool*) {
                                        const auto style = value.toObject<ZQUuidStyle>();
                                        if (!style)
                                            return;
                                        if (const ZQAttachedStoragePtr storage = owner->value(style->uuid()))
                                            found.insert(style->uuid(), storage);
                                        else
                                            qWarning().noquote()
                                                << QStringLiteral("Unexpected, storage is nil for key %1").arg(style->uuid());
                                    });
    }
    return found;
}
