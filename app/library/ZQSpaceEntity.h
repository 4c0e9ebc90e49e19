#pragma once
// One space as a page list sees it: its folder, where its pages and their
// store live, and the titles it is shown under. Two entities for one folder
// are equal whatever their titles.

#include "platform/store/ManagedObject.h"

#include <QString>
#include <QUrl>
#include <memory>

class ZQSpaceEntity;
using ZQSpaceEntityPtr = std::shared_ptr<ZQSpaceEntity>;

class ZQSpaceEntity {
public:
    // Both create the space's folder when it is missing.
    ZQSpaceEntity(const QString& folder, const QString& title);
    explicit ZQSpaceEntity(const plat::ManagedObjectPtr& entity);

    const QString& spaceFolder() const { return m_spaceFolder; }
    void setSpaceFolder(const QString& folder) { m_spaceFolder = folder; }
    const QUrl& spaceUrl() const { return m_spaceUrl; }
    void setSpaceUrl(const QUrl& url) { m_spaceUrl = url; }
    const QUrl& spaceStoreUrl() const { return m_spaceStoreUrl; }
    void setSpaceStoreUrl(const QUrl& url) { m_spaceStoreUrl = url; }
    const QString& spaceTitle() const { return m_spaceTitle; }
    void setSpaceTitle(const QString& title) { m_spaceTitle = title; }
    const QString& spaceGroupTitle() const { return m_spaceGroupTitle; }
    void setSpaceGroupTitle(const QString& title) { m_spaceGroupTitle = title; }
    const plat::ManagedObjectPtr& spaceObj() const { return m_spaceObj; }
    void setSpaceObj(const plat::ManagedObjectPtr& space) { m_spaceObj = space; }
    const ZQSpaceEntityPtr& parent() const { return m_parent; }
    void setParent(const ZQSpaceEntityPtr& parent) { m_parent = parent; }

    // The title a space's pages are grouped under, by the "appendLevelToSpaceTitle"
    // preference: 1 puts "../" before it once per ancestor, 2 its ancestors'
    // titles each followed by "/", anything else nothing.
    static QString groupTitle(const plat::ManagedObjectPtr& space);
    static QString groupTitle(const plat::ManagedObjectPtr& space, qint64 appendLevelToSpaceTitle);

    bool operator==(const ZQSpaceEntity& other) const { return m_spaceFolder == other.m_spaceFolder; }

private:
    void locate();

    QString m_spaceFolder;
    QUrl m_spaceUrl;
    QUrl m_spaceStoreUrl;
    QString m_spaceTitle;
    QString m_spaceGroupTitle;
    plat::ManagedObjectPtr m_spaceObj;
    ZQSpaceEntityPtr m_parent;
};

template <>
struct std::hash<ZQSpaceEntity> {
    size_t operator()(const ZQSpaceEntity& entity) const noexcept { return qHash(entity.spaceFolder()); }
};
