#pragma once
// A folder held in memory as its regular files by name, as a page package is
// handed between a document and the disk. Member names are single file names:
// a name that could address anything outside the folder is refused.

#include "platform/foundation/FileWrapper.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace plat {

class DirectoryWrapper final : public Object {
public:
    static std::shared_ptr<DirectoryWrapper> create() { return std::shared_ptr<DirectoryWrapper>(new DirectoryWrapper); }
    // The regular files directly inside the folder (sub-folders and other
    // entries are skipped); nullptr with the reason in error when the folder
    // cannot be listed or a file cannot be read.
    static std::shared_ptr<DirectoryWrapper> readFromPath(const QString& path, QString* error = nullptr);

    // A plain file name: not empty, not "." or "..", no "/", "\" or NUL, at most
    // 255 bytes in UTF-8 (the longest name a Linux file system takes).
    static bool isSafeMemberName(const QString& name);

    // Adds (or replaces) a member; false, adding nothing, for an unsafe name.
    bool addRegularFile(const QString& name, const QByteArray& contents);
    // nullptr when there is no such member (always for an unsafe name).
    FileWrapperPtr member(const QString& name) const;
    bool hasMember(const QString& name) const { return member(name) != nullptr; }
    // In the order added (replacing keeps the first place).
    QStringList memberNames() const;
    const std::vector<FileWrapperPtr>& members() const { return m_members; }

    QString className() const override { return QStringLiteral("DirectoryWrapper"); }

private:
    DirectoryWrapper() = default;
    std::vector<FileWrapperPtr> m_members;
};

using DirectoryWrapperPtr = std::shared_ptr<DirectoryWrapper>;

} // namespace plat
