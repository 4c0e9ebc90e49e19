#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Observable.h"

#include <gtest/gtest.h>

using namespace plat;

namespace {

class Sender final : public Object {
public:
    QString className() const override { return QStringLiteral("Sender"); }
};

class Settings final : public Object, public Observable {
public:
    QString className() const override { return QStringLiteral("Settings"); }
    void setThemeID(const QString& id)
    {
        m_themeID = id;
        didChange(QStringLiteral("themeID"));
    }

private:
    QString m_themeID;
};

} // namespace

TEST(NotificationCenter, DeliversByNameAndSenderInOrder)
{
    NotificationCenter center;
    auto a = std::make_shared<Sender>();
    auto b = std::make_shared<Sender>();
    std::vector<QString> log;
    auto record = [&](const char* who) {
        return [&log, who](const Notification& n) {
            log.push_back(QStringLiteral("%1:%2:%3").arg(QLatin1String(who), n.name, n.userInfo.at("k").toString()));
        };
    };
    center.addObserver("changed", nullptr, record("any"));
    center.addObserver("changed", a.get(), record("fromA"));
    const ObserverToken removed = center.addObserver("changed", nullptr, record("removed"));
    center.addObserver("other", nullptr, record("other"));
    center.removeObserver(removed);

    center.post("changed", a, {{"k", "1"}});
    center.post("changed", b, {{"k", "2"}});
    EXPECT_EQ(log, (std::vector<QString>{"any:changed:1", "fromA:changed:1", "any:changed:2"}));
}

TEST(NotificationCenter, ObserverRemovedDuringPostIsNotCalled)
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    ObserverToken second = 0;
    int secondCalls = 0;
    Notification seen;
    const ObserverToken first = center.addObserver("reachability", nullptr, [&](const Notification& n) {
        seen = n;
        center.removeObserver(second);
    });
    second = center.addObserver("reachability", nullptr, [&](const Notification&) { ++secondCalls; });
    auto sender = std::make_shared<Sender>();
    center.post("reachability", sender);
    center.removeObserver(first);
    EXPECT_EQ(secondCalls, 0);
    EXPECT_EQ(seen.object, sender);
    EXPECT_TRUE(seen.userInfo.empty());
}

TEST(Observable, NotifiesObserversOfThePropertyOnly)
{
    Settings settings;
    std::vector<QString> seen;
    const ObserverToken token = settings.addObserver("themeID", [&](const QString& p) { seen.push_back(p); });
    settings.addObserver("markupType", [&](const QString& p) { seen.push_back(p); });
    settings.setThemeID("dark");
    Settings copy = settings; // copies do not take observers along
    copy.setThemeID("light");
    settings.removeObserver(token);
    settings.setThemeID("gray");
    EXPECT_EQ(seen, (std::vector<QString>{"themeID"}));
}
