#include "platform/document/AtomicPackage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef RENAME_EXCHANGE
#define RENAME_EXCHANGE (1 << 1)
#endif
#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace plat {

namespace {

std::mutex g_hookMutex;
PackageWriteFaultHook g_hook;
std::atomic<bool> g_exchangeDisabled{false};

bool faultAt(const QString& step)
{
    std::lock_guard lock(g_hookMutex);
    return g_hook && g_hook(step);
}

QString systemError(const QString& what)
{
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
}

// Closes a descriptor when it leaves scope.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

bool writeAll(int fd, const QByteArray& data)
{
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

int renameAt2(int dirFd, const QByteArray& from, const QByteArray& to, unsigned flags)
{
    return ::renameat2(dirFd, from.constData(), dirFd, to.constData(), flags);
}

QString hiddenName(const QString& name, const char* kind)
{
    return QStringLiteral(".%1.%2-%3").arg(name, QLatin1String(kind))
        .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

QStringList leftovers(const QDir& parent, const QString& name, const char* kind)
{
    return parent.entryList({QStringLiteral(".%1.%2-*").arg(name, QLatin1String(kind))},
                            QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Time);
}

} // namespace

void setPackageWriteFaultHook(PackageWriteFaultHook hook)
{
    std::lock_guard lock(g_hookMutex);
    g_hook = std::move(hook);
}

void setPackageExchangeDisabled(bool disabled)
{
    g_exchangeDisabled = disabled;
}

bool recoverInterruptedPackageSave(const QString& path)
{
    const QFileInfo info(QDir::cleanPath(path));
    if (info.exists())
        return false;
    const QDir parent = info.absoluteDir();
    // Newest first: only the latest interrupted save can have left one.
    const QStringList aside = leftovers(parent, info.fileName(), "old");
    if (aside.isEmpty())
        return false;
    return QDir().rename(parent.filePath(aside.first()), info.absoluteFilePath());
}

bool writePackageAtomically(const QString& path, const DirectoryWrapper& package, QString* error)
{
    const auto fail = [&](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    const QFileInfo info(QDir::cleanPath(path));
    const QString name = info.fileName();
    if (!DirectoryWrapper::isSafeMemberName(name))
        return fail(QStringLiteral("\"%1\" cannot name a package").arg(path));
    const QDir parent = info.absoluteDir();
    Fd parentFd(::open(QFile::encodeName(parent.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (parentFd.fd < 0)
        return fail(systemError(QStringLiteral("Could not open the folder of \"%1\"").arg(path)));

    // What an interrupted save left: the old package back in place, its other leftovers gone.
    recoverInterruptedPackageSave(info.absoluteFilePath());
    for (const char* kind : {"new", "old"}) {
        for (const QString& stale : leftovers(parent, name, kind))
            QDir(parent.filePath(stale)).removeRecursively();
    }

    const QString tempName = hiddenName(name, "new");
    const QByteArray temp = QFile::encodeName(tempName);
    const QByteArray target = QFile::encodeName(name);
    if (::mkdirat(parentFd.fd, temp.constData(), 0755) != 0)
        return fail(systemError(QStringLiteral("Could not create a folder beside \"%1\"").arg(path)));
    const auto abandon = [&](const QString& message) {
        QDir(parent.filePath(tempName)).removeRecursively();
        return fail(message);
    };

    {
        Fd tempFd(::openat(parentFd.fd, temp.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (tempFd.fd < 0)
            return abandon(systemError(QStringLiteral("Could not open the new package of \"%1\"").arg(path)));
        for (const FileWrapperPtr& member : package.members()) {
            const QString memberName = member->filename();
            if (faultAt(QStringLiteral("member:") + memberName))
                return abandon(QStringLiteral("Could not write \"%1\" (injected fault)").arg(memberName));
            Fd fd(::openat(tempFd.fd, QFile::encodeName(memberName).constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644));
            if (fd.fd < 0 || !writeAll(fd.fd, member->regularFileContents()) || ::fsync(fd.fd) != 0)
                return abandon(systemError(QStringLiteral("Could not write \"%1\" of \"%2\"").arg(memberName, path)));
        }
        if (faultAt(QStringLiteral("flush")) || ::fsync(tempFd.fd) != 0)
            return abandon(systemError(QStringLiteral("Could not flush the new package of \"%1\"").arg(path)));
    }

    if (faultAt(QStringLiteral("swap")))
        return abandon(QStringLiteral("Could not put the new package of \"%1\" in place (injected fault)").arg(path));
    QString oldName;
    struct stat st;
    const bool exists = ::fstatat(parentFd.fd, target.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists) {
        if (renameAt2(parentFd.fd, temp, target, RENAME_NOREPLACE) != 0
            && !((errno == EINVAL || errno == ENOSYS) && ::renameat(parentFd.fd, temp.constData(), parentFd.fd,
                                                                    target.constData()) == 0))
            return abandon(systemError(QStringLiteral("Could not put the new package of \"%1\" in place").arg(path)));
    } else if (!g_exchangeDisabled && renameAt2(parentFd.fd, temp, target, RENAME_EXCHANGE) == 0) {
        oldName = tempName; // the swap left the old package under the new one's name
    } else {
        if (!g_exchangeDisabled && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
            return abandon(systemError(QStringLiteral("Could not put the new package of \"%1\" in place").arg(path)));
        oldName = hiddenName(name, "old");
        const QByteArray aside = QFile::encodeName(oldName);
        if (::renameat(parentFd.fd, target.constData(), parentFd.fd, aside.constData()) != 0)
            return abandon(systemError(QStringLiteral("Could not move the old package of \"%1\" aside").arg(path)));
        if (::renameat(parentFd.fd, temp.constData(), parentFd.fd, target.constData()) != 0) {
            const QString message = systemError(QStringLiteral("Could not put the new package of \"%1\" in place").arg(path));
            ::renameat(parentFd.fd, aside.constData(), parentFd.fd, target.constData());
            return abandon(message);
        }
    }
    // Makes the renames themselves durable before the old package goes.
    ::fsync(parentFd.fd);
    if (!oldName.isEmpty() && !faultAt(QStringLiteral("cleanup")))
        QDir(parent.filePath(oldName)).removeRecursively();
    return true;
}

} // namespace plat
