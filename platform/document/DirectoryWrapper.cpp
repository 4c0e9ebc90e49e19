#include "platform/document/DirectoryWrapper.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace plat {

bool DirectoryWrapper::isSafeMemberName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() == 0)
            return false;
    }
    return name.toUtf8().size() <= 255;
}

bool DirectoryWrapper::addRegularFile(const QString& name, const QByteArray& contents)
{
    if (!isSafeMemberName(name))
        return false;
    auto file = FileWrapper::initRegularFileWithContents(contents);
    file->setFilename(name);
    file->setPreferredFilename(name);
    for (FileWrapperPtr& existing : m_members) {
        if (existing->filename() == name) {
            existing = std::move(file);
            return true;
        }
    }
    m_members.push_back(std::move(file));
    return true;
}

FileWrapperPtr DirectoryWrapper::member(const QString& name) const
{
    for (const FileWrapperPtr& file : m_members) {
        if (file->filename() == name)
            return file;
    }
    return nullptr;
}

QStringList DirectoryWrapper::memberNames() const
{
    QStringList names;
    for (const FileWrapperPtr& file : m_members)
        names << file->filename();
    return names;
}

std::shared_ptr<DirectoryWrapper> DirectoryWrapper::readFromPath(const QString& path, QString* error)
{
    const QDir dir(path);
    if (!QFileInfo(path).isDir() || !dir.isReadable()) {
        if (error)
            *error = QStringLiteral("\"%1\" is not a readable folder").arg(path);
        return nullptr;
    }
    auto wrapper = create();
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo& entry : entries) {
        QFile file(entry.absoluteFilePath());
        if (!file.open(QIODevice::ReadOnly)) {
            if (error)
                *error = QStringLiteral("Could not read \"%1\": %2").arg(entry.absoluteFilePath(), file.errorString());
            return nullptr;
        }
        wrapper->addRegularFile(entry.fileName(), file.readAll());
    }
    return wrapper;
}

} // namespace plat
