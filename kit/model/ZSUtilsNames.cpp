#include "kit/model/ZSUtils.h"

#include "kit/model/ZSSettings.h"
#include "platform/foundation/UserDefaults.h"

#include <QFileInfo>

namespace {

const QString SpaceIndexKey = QStringLiteral("com.zolfarin.quorvel.lastCreatedSpaceIndex");
const QString PageIndexKey = QStringLiteral("com.zolfarin.quorvel.lastCreatedPageIndex");
const QString PackageExtension = QStringLiteral("mkqrv");
const QString CounterDigits = QStringLiteral("0123456789abcdefghijklmnopqrstuvwxzy");
constexpr int MaxCandidates = 1000;

qint64 nextCounter(const QString& key)
{
    const auto defaults = plat::UserDefaults::standardUserDefaults();
    const qint64 next = defaults->integerForKey(key) + 1;
    defaults->setInteger(next, key);
    return next;
}

QString deviceID()
{
    const auto settings = ZSSettings::sharedSettings();
    return settings ? settings->iCloudDeviceID() : QString();
}

bool exists(const QUrl& url)
{
    return QFileInfo::exists(url.toLocalFile());
}

} // namespace

qint64 ZSUtils::getUniqueSortIndex()
{
    return nextCounter(SpaceIndexKey);
}

QString ZSUtils::findAvailbleSpaceFolder(qint64 number)
{
    const auto settings = ZSSettings::sharedSettings();
    QString candidate = QStringLiteral("%1%2s").arg(settings ? settings->appID() : QString()).arg(number);
    for (int tried = 1; exists(spaceUrl(candidate)); ++tried) {
        if (tried == MaxCandidates)
            return QString();
        candidate = uuid() + QStringLiteral("xs");
    }
    return candidate;
}

QString ZSUtils::findAvailblePageUuid(const QString& spaceFolder)
{
    const QString device = deviceID();
    for (int tried = 0; tried < MaxCandidates; ++tried) {
        const qint64 number = nextCounter(PageIndexKey);
        const QString name = device.isEmpty()
            ? QStringLiteral("p-%1.%2").arg(number).arg(PackageExtension)
            : QStringLiteral("p%1-%2.%3").arg(device).arg(number).arg(PackageExtension);
        // Either form may be on disk: a page made before the device had an identifier keeps "p-".
        const QString plain = QStringLiteral("p-%1.%2").arg(number).arg(PackageExtension);
        if (spaceFolder.isEmpty()
            || (!exists(pageUrl(name, spaceFolder)) && !exists(pageUrl(plain, spaceFolder))))
            return name;
    }
    return QString();
}

QString ZSUtils::ensureICloudPageName(const QString& pagePackage)
{
    const QString device = deviceID();
    if (!pagePackage.startsWith(QLatin1String("p-")) || device.isEmpty())
        return QString();
    return QString(pagePackage).insert(1, device);
}

QString ZSUtils::nextSalt(const QString& salt)
{
    if (salt.isNull())
        return QStringLiteral("0");
    qsizetype k = 0;
    while (k < salt.size() && salt[salt.size() - 1 - k] == u'z')
        ++k;
    if (k == salt.size())
        return QString(salt.size() + 1, QLatin1Char('0'));
    const qsizetype at = salt.size() - 1 - k;
    const qsizetype position = std::max<qsizetype>(CounterDigits.indexOf(salt[at]), 0);
    // "y", the last digit, never occurs in a counter made here; it carries like "z".
    if (position + 1 >= CounterDigits.size())
        return nextSalt(salt.left(at) + QLatin1Char('z') + salt.mid(at + 1));
    return salt.left(at) + CounterDigits[position + 1] + QString(k, QLatin1Char('0'));
}
