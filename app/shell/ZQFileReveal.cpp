#include "app/shell/ZQFileReveal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {

std::shared_ptr<ZQFileReveal>& installedReveal()
{
    static std::shared_ptr<ZQFileReveal> reveal;
    return reveal;
}

} // namespace

std::shared_ptr<ZQFileReveal> ZQFileReveal::current()
{
    if (!installedReveal())
        installedReveal() = std::make_shared<ZQFileReveal>();
    return installedReveal();
}

void ZQFileReveal::setCurrent(std::shared_ptr<ZQFileReveal> reveal)
{
    installedReveal() = std::move(reveal);
}

bool ZQFileReveal::reveal(const QString& path)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                                           QStringLiteral("/org/freedesktop/FileManager1"),
                                                           QStringLiteral("org.freedesktop.FileManager1"),
                                                           QStringLiteral("ShowItems"));
        call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
        // Bounded: a bus without a file manager answers with an error quickly.
        const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
        if (reply.type() == QDBusMessage::ReplyMessage)
            return true;
    }
    const QFileInfo info(path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.isDir() ? info.absoluteFilePath() : info.absolutePath()));
}
