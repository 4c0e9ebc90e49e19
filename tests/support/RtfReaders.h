#pragma once
// Other programs reading our RTF back: LibreOffice (headless) and pandoc. Tests
// skip when a reader is missing; scripts/setup installs both, so CI runs them.
// LibreOffice starts slowly: convert every file of a test in one call.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

namespace rtfreaders {

inline QString soffice()
{
    return QStandardPaths::findExecutable(QStringLiteral("soffice"));
}

inline QString pandoc()
{
    return QStandardPaths::findExecutable(QStringLiteral("pandoc"));
}

inline QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeAll(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

// Converts the files with LibreOffice into outDir ("html", or
// "txt:Text (encoded):UTF8" for plain text); each result keeps its file's base
// name. A private profile folder keeps runs apart from each other and from a
// user's LibreOffice. An empty answer means success, else the reason.
inline QString convertWithLibreOffice(const QStringList& files, const QString& format, const QString& outDir)
{
    QTemporaryDir profile;
    QProcess process;
    QStringList arguments{QStringLiteral("-env:UserInstallation=file://") + profile.path(),
                          QStringLiteral("--headless"),
                          QStringLiteral("--norestore"),
                          QStringLiteral("--convert-to"),
                          format,
                          QStringLiteral("--outdir"),
                          outDir};
    arguments += files;
    process.start(soffice(), arguments);
    if (!process.waitForFinished(180000)) {
        process.kill();
        process.waitForFinished();
        return QStringLiteral("soffice did not finish");
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("soffice failed: ") + QString::fromUtf8(process.readAllStandardError());
    return QString();
}

// pandoc's HTML of one RTF file; empty with the reason in error on failure.
inline QString pandocHtml(const QString& rtfPath, QString* error)
{
    QProcess process;
    process.start(pandoc(), {QStringLiteral("-f"), QStringLiteral("rtf"), QStringLiteral("-t"), QStringLiteral("html"),
                             rtfPath});
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        if (error)
            *error = QStringLiteral("pandoc failed: ") + QString::fromUtf8(process.readAllStandardError());
        return QString();
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace rtfreaders
