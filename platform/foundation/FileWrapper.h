#pragma once
// A regular file held in memory with its names, as rich text attachments and
// page packages carry files.

#include "platform/foundation/Object.h"

#include <QByteArray>
#include <QString>

namespace plat {

class FileWrapper final : public Object {
public:
    static std::shared_ptr<FileWrapper> initRegularFileWithContents(const QByteArray& contents)
    {
        return std::shared_ptr<FileWrapper>(new FileWrapper(contents));
    }

    const QByteArray& regularFileContents() const { return m_contents; }
    const QString& filename() const { return m_filename; }
    void setFilename(const QString& name) { m_filename = name; }
    const QString& preferredFilename() const { return m_preferredFilename; }
    void setPreferredFilename(const QString& name) { m_preferredFilename = name; }

    QString className() const override { return QStringLiteral("FileWrapper"); }

private:
    explicit FileWrapper(QByteArray contents) : m_contents(std::move(contents)) {}
    QByteArray m_contents;
    QString m_filename;
    QString m_preferredFilename;
};

using FileWrapperPtr = std::shared_ptr<FileWrapper>;

} // namespace plat
