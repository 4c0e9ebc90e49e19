#include "app/shell/ZQUsagePing.h"

#include "platform/foundation/UserDefaults.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace ZQUsagePing {

std::optional<QUrl> pingUrl(const QString& host, const QString& appId, qint64 displayedMessageId)
{
    if (host.trimmed().isEmpty())
        return std::nullopt;
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(host.trimmed());
    url.setPath(QStringLiteral("/quorvel/ping/%1/%2/%3").arg(appId).arg(2015111301).arg(displayedMessageId));
    if (!url.isValid())
        return std::nullopt;
    return url;
}

QString configuredHost()
{
    const QString fromEnvironment = qEnvironmentVariable("QUORVEL_PING_HOST");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return plat::UserDefaults::standardUserDefaults()->stringForKey(hostKey());
}

bool send()
{
    const auto defaults = plat::UserDefaults::standardUserDefaults();
    const std::optional<QUrl> url =
        pingUrl(configuredHost(), defaults->stringForKey(QStringLiteral("com.zolfarin.quorvel.AppID")),
                defaults->integerForKey(QStringLiteral("com.zolfarin.quorvel.AppDisplayedMessageID")));
    if (!url)
        return false;
    auto* manager = new QNetworkAccessManager();
    QNetworkReply* reply = manager->get(QNetworkRequest(*url));
    QObject::connect(reply, &QNetworkReply::finished, manager, [manager, reply] {
        reply->deleteLater();
        manager->deleteLater();
    });
    return true;
}

} // namespace ZQUsagePing
