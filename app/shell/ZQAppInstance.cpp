#include "app/shell/ZQAppInstance.h"

#include "platform/foundation/Files.h"
#include "platform/foundation/Md5.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int)
{
    const char byte = 1;
    // Nothing else is safe in a signal handler.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

} // namespace

ZQAppInstance::ZQAppInstance(QObject* parent) : QObject(parent) {}

ZQAppInstance::~ZQAppInstance() = default;

QString ZQAppInstance::serverName()
{
    return serverName(plat::applicationDataDirectory());
}

QString ZQAppInstance::serverName(const QString& dataFolder)
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = QString::number(::getuid());
    const QString folder = QDir(dataFolder).absolutePath();
    return QStringLiteral("quorvel-%1-%2").arg(user, plat::md5Hex(folder.toUtf8()).left(12));
}

bool ZQAppInstance::sendToRunning(const QStringList& files, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QJsonArray list;
    for (const QString& file : files)
        list.append(QFileInfo(file).absoluteFilePath());
    socket.write(QJsonDocument(list).toJson(QJsonDocument::Compact));
    socket.write("\n");
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // The running program answers once it has taken the files.
    return socket.waitForReadyRead(timeoutMs) && socket.readAll().startsWith("ok");
}

bool ZQAppInstance::listen(std::function<void(const QStringList& files)> handler)
{
    m_handler = std::move(handler);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(serverName())) {
        // A name left by a program that crashed: nobody answers on it.
        QLocalServer::removeServer(serverName());
        if (!m_server->listen(serverName()))
            return false;
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine())
                    return;
                const QJsonArray list = QJsonDocument::fromJson(socket->readLine()).array();
                QStringList files;
                for (const QJsonValue& value : list)
                    files << value.toString();
                socket->write("ok\n");
                socket->flush();
                if (m_handler)
                    m_handler(files);
            });
        }
    });
    return true;
}

bool ZQAppInstance::installTerminationHandler(std::function<void()> handler)
{
    // One pipe and one notifier per process; a later call replaces the handler.
    static std::function<void()> installed;
    installed = std::move(handler);
    if (signalPipe[0] >= 0)
        return true;
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return false;
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(signalPipe[1], &byte, 1);
        if (installed)
            installed();
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &action, nullptr) == 0 && ::sigaction(SIGINT, &action, nullptr) == 0
           && ::sigaction(SIGHUP, &action, nullptr) == 0;
}
