#pragma once
// The per-page state a render call carries: the page's attached storages (content
// kept outside the text: footnote bodies, links, images) by owner and UUID, and
// the facts of the conversion in progress. Conversions that must leave the page's
// state alone work on a copy. Used by one thread at a time.

#include "kit/model/ZQLinkRef.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZQAttachedStorage.h"
#include "platform/foundation/Range.h"
#include "platform/foundation/Value.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace plat {
class AttributedString;
}

class ZQRenderContext : public plat::Object {
public:
    // Render targets of renderTargetType.
    static constexpr quint64 TargetHTML = 1;
    static constexpr quint64 TargetMarkup = 2;
    static constexpr quint64 TargetRich = 3;

    // UUID to storage.
    using StorageTable = QHash<QString, ZQAttachedStoragePtr>;
    using StorageBlock = std::function<void(const ZQAttachedStoragePtr& storage, bool* changed)>;

    // Empty tables for the owners "ZQMacroFootnote", "ZQMacroImage" and "ZQFilterLink".
    ZQRenderContext();
    static std::shared_ptr<ZQRenderContext> initWithAttachedStorage(const std::vector<ZQAttachedStoragePtr>& storages);

    QString className() const override { return QStringLiteral("ZQRenderContext"); }
    // Copies of the storages under the same owners and keys, the caller values and
    // the markup type; target, link map and image prefix start unset.
    plat::ObjectPtr copy() const override;

    QStringList getAttachedStorageProviderNames() const { return m_filterAttachedStroageContainer.keys(); }
    ZQAttachedStoragePtr getAttachedStorage(const QString& uuid, const QString& owner) const;
    // In no particular order; empty for an owner without a table.
    std::vector<ZQAttachedStoragePtr> getAttachedStorageByOwner(const QString& owner) const;
    // Stored under its own UUID, replacing one with that UUID; an owner without a
    // table takes nothing.
    void addAttachedStorage(const ZQAttachedStoragePtr& storage, const QString& owner);
    qsizetype attachedStorageCountFor(const QString& owner) const;
    // A new storage with the owner's payload, already added.
    ZQAttachedStoragePtr createAttachedStroage(const QString& owner, const QString& uuid);
    // Empties every table, then adds each storage under its own owner.
    void restoreAttachedStorage(const std::vector<ZQAttachedStoragePtr>& storages);
    // Once per storage of every owner; a storage whose flag the block set is stored again.
    void enumerateAttachedStorage(const StorageBlock& block);
    // Empties the tables except the image storages'.
    void removeAllAttachedStorage();
    void forceRemoveAllAttachedStorage();
    StorageTable getAllAttachedStorages() const;
    // The storages the text refers to within range (all of them when content is
    // null); a reference without a storage is logged and left out.
    StorageTable getAttachedStoragesForContent(const plat::AttributedString* content, plat::Range inRange,
                                               ZQEditorType fromEditor) const;

    const QHash<QString, StorageTable>& filterAttachedStroageContainer() const
    {
        return m_filterAttachedStroageContainer;
    }
    void setFilterAttachedStroageContainer(QHash<QString, StorageTable> container)
    {
        m_filterAttachedStroageContainer = std::move(container);
        m_storageIndex.reset();
    }
    // The definitions of the text last parsed for this context.
    const std::shared_ptr<ZQLinkRefMap>& linkRefMap() const { return m_linkRefMap; }
    void setLinkRefMap(std::shared_ptr<ZQLinkRefMap> map) { m_linkRefMap = std::move(map); }
    // 1 HTML, 2 markup, 3 rich text; 0 until set.
    quint64 renderTargetType() const { return m_renderTargetType; }
    void setRenderTargetType(quint64 type) { m_renderTargetType = type; }
    // The dialect filters write and read while a conversion runs.
    ZQMarkupType runningMarkupType() const { return m_runningMarkupType; }
    void setRunningMarkupType(ZQMarkupType type) { m_runningMarkupType = type; }
    const plat::ValueMap& contextObject() const { return m_contextObject; }
    plat::ValueMap& contextObject() { return m_contextObject; }
    void setContextObject(plat::ValueMap values) { m_contextObject = std::move(values); }
    // Bounds what expanding link references may add to the output: once the
    // characters they added exceed limit, every further reference stays text.
    // Negative: no bound (the default).
    void setReferenceExpansionLimit(qint64 limit)
    {
        m_referenceExpansionLimit = limit;
        m_referenceExpansionSpent = 0;
    }
    // Records a reference that would add characters; false once over the bound.
    bool spendReferenceExpansion(qint64 characters)
    {
        if (m_referenceExpansionLimit < 0)
            return true;
        if (m_referenceExpansionSpent <= m_referenceExpansionLimit)
            m_referenceExpansionSpent += characters;
        return m_referenceExpansionSpent <= m_referenceExpansionLimit;
    }
    // A lookup over the link storages a conversion builds for itself (the link
    // filter's index of reference labels); not copied, and dropped whenever
    // the storages change. Null: none, the filter looks through the storages.
    const plat::ObjectPtr& storageIndex() const { return m_storageIndex; }
    void setStorageIndex(plat::ObjectPtr index) { m_storageIndex = std::move(index); }
    // Null unless an owner sets it.
    const QString& predefinedExternalImageUrlPrefix() const { return m_predefinedExternalImageUrlPrefix; }
    void setPredefinedExternalImageUrlPrefix(const QString& prefix) { m_predefinedExternalImageUrlPrefix = prefix; }

private:
    QHash<QString, StorageTable> m_filterAttachedStroageContainer;
    QSet<QString> m_unTransientFilter;
    std::shared_ptr<ZQLinkRefMap> m_linkRefMap;
    quint64 m_renderTargetType = 0;
    ZQMarkupType m_runningMarkupType = ZQMarkupType::Markdown;
    plat::ValueMap m_contextObject;
    QString m_predefinedExternalImageUrlPrefix;
    qint64 m_referenceExpansionLimit = -1;
    qint64 m_referenceExpansionSpent = 0;
    plat::ObjectPtr m_storageIndex;
};
