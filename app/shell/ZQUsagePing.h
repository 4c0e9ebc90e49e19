#pragma once
// Tells the product server that a page window of the program opened. The
// server's host is configuration (the defaults key or QUORVEL_PING_HOST);
// with none configured, the default, nothing is sent.

#include <QString>
#include <QUrl>
#include <optional>

namespace ZQUsagePing {

inline QString hostKey() { return QStringLiteral("com.zolfarin.quorvel.pingHost"); }

// The address of the ping, none without a host.
std::optional<QUrl> pingUrl(const QString& host, const QString& appId, qint64 displayedMessageId);
// The configured host: QUORVEL_PING_HOST, else the defaults key; empty when neither.
QString configuredHost();
// Sends the ping without waiting; the reply is ignored. False when nothing was sent.
bool send();

} // namespace ZQUsagePing
