#pragma once
// One running program per user and data folder: a second start hands its
// files to the running one over a local socket and ends. Also turns SIGTERM
// and SIGINT into a call on the main thread (a signal handler may only write
// to a pipe), so a killed program still saves its pages.

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

class QLocalServer;
class QSocketNotifier;

class ZQAppInstance : public QObject {
    Q_OBJECT
public:
    explicit ZQAppInstance(QObject* parent = nullptr);
    ~ZQAppInstance() override;

    // The socket's name: the user and a digest of the data folder, so tests
    // and instances with their own folders keep apart.
    static QString serverName();
    static QString serverName(const QString& dataFolder);
    // Hands files (made absolute) to a running program; false when none answers.
    static bool sendToRunning(const QStringList& files, int timeoutMs = 1500);

    // Listens for later starts; each hands its files (maybe none) to handler.
    bool listen(std::function<void(const QStringList& files)> handler);

    // Calls handler on the main thread after SIGTERM, SIGINT or SIGHUP; a
    // later call replaces the handler.
    static bool installTerminationHandler(std::function<void()> handler);

private:
    std::unique_ptr<QLocalServer> m_server;
    std::function<void(const QStringList&)> m_handler;
};
