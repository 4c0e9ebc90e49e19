#pragma once
// What the library tells the cloud sync engine about pages and spaces. The
// engine itself comes later; until it is installed, sync counts as off and
// every call does nothing. Tests install a recorder.

#include "platform/foundation/Object.h"

#include <QString>
#include <memory>

namespace ZQCloudAction {
// Page actions.
constexpr qint64 CreatePage = 0;
constexpr qint64 UpdatePage = 1;
constexpr qint64 MovePage = 2;
constexpr qint64 DeletePage = 3;
// A received change that lost to a later local edit.
constexpr qint64 OlderPageVersion = 4;
// Space actions.
constexpr qint64 CreateSpace = 10;
constexpr qint64 RenameSpace = 11;
constexpr qint64 MoveSpace = 12;
constexpr qint64 DeleteSpace = 13;
} // namespace ZQCloudAction

// A page or space action received from the cloud, as the user info "action"
// of "notifyCloudPageAction" and "notifyCloudSpaceAction" carries it.
class ZSICloudAction : public plat::Object {
public:
    qint64 action = -1;
    // The page's uuid, or the space's folder for a space action.
    QString uuid;
    // The folder of the page's space, and its former one for a move.
    QString parentUuid;
    QString fromParentUuid;
    QString title;
    QString pageContent;
    QString pageMetaInfo;
    // Seconds since 1970.
    double actionDate = 0;

    QString className() const override { return QStringLiteral("ZSICloudAction"); }
};

class ZQCloudEngine {
public:
    virtual ~ZQCloudEngine() = default;

    virtual void doPageAction(qint64 action, const QString& pageUuid, const QString& pageTitle,
                              const QString& spaceFolder, bool trigger) = 0;
    virtual void doPageAction(qint64 action, const QString& pageUuid, const QString& pageTitle,
                              const QString& spaceFolder, const QString& fromSpaceFolder, bool trigger) = 0;
    virtual void doSpaceAction(qint64 action, const QString& spaceFolder, const QString& spaceTitle,
                               const QString& parentSpaceFolder, bool trigger) = 0;
    // The outbox still holds actions to upload (attachment downloads do not count).
    virtual bool hasPendingActions() { return false; }
    // Wakes the uploader at once.
    virtual void pushActionsNow() {}

    // The installed engine; one with sync off until another is installed.
    static std::shared_ptr<ZQCloudEngine> sharedCloudKit();
    // nullptr puts the engine with sync off back.
    static void setSharedCloudKit(std::shared_ptr<ZQCloudEngine> engine);
};
