#pragma once
// Watches whether a host, an address, the internet connection or the local
// link can be reached, and posts kReachabilityChangedNotification (object:
// the monitor) on the thread that started it whenever its flags change.

#include "platform/foundation/Object.h"
#include "platform/network/NetworkReachability.h"

#include <QString>
#include <cstdint>
#include <memory>

inline const QString kReachabilityChangedNotification = QStringLiteral("kNetworkReachabilityChangedNotification");

// Network status: 0 not reachable, 1 reachable.
enum ZSNetworkStatus : qint64 { ZSNotReachable = 0, ZSReachable = 1 };

class ZSReachability final : public plat::Object {
public:
    // nullptr when no target can be made.
    static std::shared_ptr<ZSReachability> reachabilityWithHostName(const QString& hostName);
    static std::shared_ptr<ZSReachability> reachabilityWithAddress(quint32 ipv4HostOrder);
    // The default route (0.0.0.0).
    static std::shared_ptr<ZSReachability> reachabilityForInternetConnection();
    // The link-local network 169.254.0.0, judged by localWiFiStatusForFlags.
    static std::shared_ptr<ZSReachability> reachabilityForLocalWiFi();
    ~ZSReachability() override;

    bool alwaysReturnLocalWiFiStatus() const { return m_alwaysReturnLocalWiFiStatus; }

    bool startNotifier();
    void stopNotifier();
    // 0 when the flags cannot be read.
    qint64 currentReachabilityStatus() const;
    bool connectionRequired() const;

    // Status from flags; each evaluation logs the flags (flagsDescription).
    static qint64 networkStatusForFlags(std::uint32_t flags);
    static qint64 localWiFiStatusForFlags(std::uint32_t flags);
    // "Reachability Flag Status: R -cCiDld networkStatusForFlags": a letter per
    // set flag, "-" per clear one.
    static QString flagsDescription(std::uint32_t flags, const char* operation);

    QString className() const override { return QStringLiteral("ZSReachability"); }

private:
    ZSReachability(std::unique_ptr<plat::NetworkReachabilityTarget> target, bool localWiFi);

    std::unique_ptr<plat::NetworkReachabilityTarget> m_target;
    bool m_alwaysReturnLocalWiFiStatus;
};

using ZSReachabilityPtr = std::shared_ptr<ZSReachability>;
