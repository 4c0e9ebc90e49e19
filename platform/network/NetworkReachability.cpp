#include "platform/network/NetworkReachability.h"

#include <QFile>
#include <QNetworkInformation>
#include <QNetworkInterface>
#include <QTimer>

namespace plat {

namespace {

constexpr quint32 LinkLocalNetwork = 0xA9FE0000; // 169.254.0.0
constexpr int PollIntervalMs = 5000;

// A default route that is up in the kernel's IPv4 routing table.
bool hasDefaultRoute()
{
    QFile routes(QStringLiteral("/proc/net/route"));
    if (!routes.open(QIODevice::ReadOnly))
        return false;
    routes.readLine(); // header
    while (!routes.atEnd()) {
        const QList<QByteArray> fields = routes.readLine().simplified().split(' ');
        if (fields.size() < 4)
            continue;
        bool ok = false;
        const uint flags = fields[3].toUInt(&ok, 16);
        if (fields[1] == "00000000" && ok && (flags & 0x1))
            return true;
    }
    return false;
}

// An interface other than loopback that is up and running.
bool hasActiveInterface()
{
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        const auto f = iface.flags();
        if ((f & QNetworkInterface::IsUp) && (f & QNetworkInterface::IsRunning)
            && !(f & QNetworkInterface::IsLoopBack))
            return true;
    }
    return false;
}

// The system's own view when a backend is loaded and knows the state.
bool flagsFromNetworkInformation(std::uint32_t* out)
{
    static const bool loaded =
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    QNetworkInformation* info = loaded ? QNetworkInformation::instance() : nullptr;
    if (!info)
        return false;
    switch (info->reachability()) {
    case QNetworkInformation::Reachability::Online:
        *out = ReachabilityReachable;
        return true;
    case QNetworkInformation::Reachability::Site:
    case QNetworkInformation::Reachability::Local:
        *out = ReachabilityReachable | ReachabilityIsLocalAddress;
        return true;
    case QNetworkInformation::Reachability::Disconnected:
        *out = 0;
        return true;
    case QNetworkInformation::Reachability::Unknown:
        break;
    }
    return false;
}

} // namespace

NetworkReachabilityTarget::NetworkReachabilityTarget(Kind kind, QString host, quint32 address)
    : m_kind(kind), m_host(std::move(host)), m_address(address)
{
}

NetworkReachabilityTarget::~NetworkReachabilityTarget() = default;

std::unique_ptr<NetworkReachabilityTarget> NetworkReachabilityTarget::withHostName(const QString& host)
{
    if (host.isEmpty())
        return nullptr;
    return std::unique_ptr<NetworkReachabilityTarget>(new NetworkReachabilityTarget(Kind::Host, host, 0));
}

std::unique_ptr<NetworkReachabilityTarget> NetworkReachabilityTarget::withAddress(quint32 ipv4)
{
    Kind kind = Kind::Address;
    if (ipv4 == 0)
        kind = Kind::DefaultRoute;
    else if ((ipv4 & 0xFFFF0000) == LinkLocalNetwork)
        kind = Kind::LinkLocal;
    return std::unique_ptr<NetworkReachabilityTarget>(new NetworkReachabilityTarget(kind, QString(), ipv4));
}

bool NetworkReachabilityTarget::flags(std::uint32_t* out) const
{
    if (m_kind == Kind::LinkLocal) {
        // The local link needs a running interface, not a route out.
        *out = hasActiveInterface() ? (ReachabilityReachable | ReachabilityIsDirect) : 0;
        return true;
    }
    if ((m_kind == Kind::Address) && ((m_address >> 24) == 127)) {
        *out = ReachabilityReachable | ReachabilityIsLocalAddress | ReachabilityIsDirect;
        return true;
    }
    if (flagsFromNetworkInformation(out))
        return true;
    *out = hasDefaultRoute() ? std::uint32_t(ReachabilityReachable) : 0u;
    return true;
}

void NetworkReachabilityTarget::setCallback(std::function<void(std::uint32_t)> callback)
{
    m_callback = std::move(callback);
}

bool NetworkReachabilityTarget::schedule()
{
    if (m_poll)
        return false;
    m_haveLast = flags(&m_lastFlags);
    m_poll = std::make_unique<QTimer>();
    m_poll->setInterval(PollIntervalMs);
    QObject::connect(m_poll.get(), &QTimer::timeout, [this] { checkForChange(); });
    m_poll->start();
    return true;
}

void NetworkReachabilityTarget::unschedule()
{
    m_poll.reset();
}

void NetworkReachabilityTarget::checkForChange()
{
    std::uint32_t now = 0;
    if (!flags(&now))
        return;
    if (m_haveLast && now == m_lastFlags)
        return;
    m_lastFlags = now;
    m_haveLast = true;
    if (m_callback)
        m_callback(now);
}

} // namespace plat
