#pragma once
// Stand-in for the system's reachability targets: the flags of a host, an IPv4
// address or the default route, from QNetworkInformation where a backend
// exists, else from the kernel's routing table; changes are reported on the
// thread that scheduled the target.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class QTimer;

namespace plat {

// Flag bits, the platform's values.
enum ReachabilityFlag : std::uint32_t {
    ReachabilityTransientConnection = 0x1,
    ReachabilityReachable = 0x2,
    ReachabilityConnectionRequired = 0x4,
    ReachabilityConnectionOnTraffic = 0x8,
    ReachabilityInterventionRequired = 0x10,
    ReachabilityConnectionOnDemand = 0x20,
    ReachabilityIsLocalAddress = 0x10000,
    ReachabilityIsDirect = 0x20000,
};

class NetworkReachabilityTarget {
public:
    // nullptr for an empty host name or an address that is not IPv4.
    static std::unique_ptr<NetworkReachabilityTarget> withHostName(const QString& host);
    static std::unique_ptr<NetworkReachabilityTarget> withAddress(quint32 ipv4HostOrder);
    ~NetworkReachabilityTarget();

    // False when the flags cannot be determined.
    bool flags(std::uint32_t* out) const;

    // Called with the new flags whenever they change while scheduled.
    void setCallback(std::function<void(std::uint32_t)> callback);
    // Starts watching on the calling thread; false when already scheduled.
    bool schedule();
    void unschedule();

private:
    enum class Kind { Host, DefaultRoute, LinkLocal, Address };
    NetworkReachabilityTarget(Kind kind, QString host, quint32 address);
    void checkForChange();

    Kind m_kind;
    QString m_host;
    quint32 m_address;
    std::function<void(std::uint32_t)> m_callback;
    std::unique_ptr<QTimer> m_poll;
    std::uint32_t m_lastFlags = 0;
    bool m_haveLast = false;
};

} // namespace plat
