#include "kit/foundation/ZSReachability.h"

#include "platform/foundation/NotificationCenter.h"

#include <QDebug>
#include <QLoggingCategory>

// Every status read logs its flags: for debugging the network monitor only
// (QT_LOGGING_RULES="quorvel.reachability.debug=true").
namespace {
Q_LOGGING_CATEGORY(lcReachability, "quorvel.reachability", QtInfoMsg)
} // namespace

using namespace plat;

ZSReachability::ZSReachability(std::unique_ptr<NetworkReachabilityTarget> target, bool localWiFi)
    : m_target(std::move(target)), m_alwaysReturnLocalWiFiStatus(localWiFi)
{
}

ZSReachability::~ZSReachability()
{
    stopNotifier();
}

std::shared_ptr<ZSReachability> ZSReachability::reachabilityWithHostName(const QString& hostName)
{
    auto target = NetworkReachabilityTarget::withHostName(hostName);
    return target ? std::shared_ptr<ZSReachability>(new ZSReachability(std::move(target), false)) : nullptr;
}

std::shared_ptr<ZSReachability> ZSReachability::reachabilityWithAddress(quint32 ipv4HostOrder)
{
    auto target = NetworkReachabilityTarget::withAddress(ipv4HostOrder);
    return target ? std::shared_ptr<ZSReachability>(new ZSReachability(std::move(target), false)) : nullptr;
}

std::shared_ptr<ZSReachability> ZSReachability::reachabilityForInternetConnection()
{
    return reachabilityWithAddress(0);
}

std::shared_ptr<ZSReachability> ZSReachability::reachabilityForLocalWiFi()
{
    auto target = NetworkReachabilityTarget::withAddress(0xA9FE0000);
    return target ? std::shared_ptr<ZSReachability>(new ZSReachability(std::move(target), true)) : nullptr;
}

bool ZSReachability::startNotifier()
{
    // The target does not keep the monitor alive.
    std::weak_ptr<ZSReachability> weak = std::static_pointer_cast<ZSReachability>(shared_from_this());
    m_target->setCallback([weak](std::uint32_t) {
        if (const auto monitor = weak.lock())
            NotificationCenter::defaultCenter().post(kReachabilityChangedNotification, monitor);
    });
    return m_target->schedule();
}

void ZSReachability::stopNotifier()
{
    if (m_target)
        m_target->unschedule();
}

qint64 ZSReachability::currentReachabilityStatus() const
{
    std::uint32_t flags = 0;
    if (!m_target->flags(&flags))
        return ZSNotReachable;
    return m_alwaysReturnLocalWiFiStatus ? localWiFiStatusForFlags(flags) : networkStatusForFlags(flags);
}

bool ZSReachability::connectionRequired() const
{
    std::uint32_t flags = 0;
    return m_target->flags(&flags) && (flags & ReachabilityConnectionRequired);
}

QString ZSReachability::flagsDescription(std::uint32_t flags, const char* operation)
{
    auto flag = [flags](std::uint32_t bit, char letter) { return QChar::fromLatin1((flags & bit) ? letter : '-'); };
    return QStringLiteral("Reachability Flag Status: %1 %2%3%4%5%6%7%8 %9")
        .arg(flag(ReachabilityReachable, 'R'), flag(ReachabilityTransientConnection, 't'),
             flag(ReachabilityConnectionRequired, 'c'), flag(ReachabilityConnectionOnTraffic, 'C'),
             flag(ReachabilityInterventionRequired, 'i'), flag(ReachabilityConnectionOnDemand, 'D'),
             flag(ReachabilityIsLocalAddress, 'l'), flag(ReachabilityIsDirect, 'd'), QLatin1String(operation));
}

qint64 ZSReachability::networkStatusForFlags(std::uint32_t flags)
{
    qCDebug(lcReachability).noquote() << flagsDescription(flags, "networkStatusForFlags");
    if (!(flags & ReachabilityReachable))
        return ZSNotReachable;
    if ((flags & (ReachabilityConnectionOnDemand | ReachabilityConnectionOnTraffic))
        && !(flags & ReachabilityInterventionRequired))
        return ZSReachable;
    return (flags & ReachabilityConnectionRequired) ? ZSNotReachable : ZSReachable;
}

qint64 ZSReachability::localWiFiStatusForFlags(std::uint32_t flags)
{
    qCDebug(lcReachability).noquote() << flagsDescription(flags, "localWiFiStatusForFlags");
    return (flags & ReachabilityReachable) && (flags & ReachabilityIsDirect) ? ZSReachable : ZSNotReachable;
}
