#pragma once
// One file written at export: which storage it came from, where it went, and
// the names and texts that go with it.

#include "platform/foundation/Object.h"

#include <QString>

class ZQAttachmentFile final : public plat::Object {
public:
    static std::shared_ptr<ZQAttachmentFile> create() { return std::shared_ptr<ZQAttachmentFile>(new ZQAttachmentFile); }

    const QString& uuid() const { return m_uuid; }
    void setUuid(const QString& uuid) { m_uuid = uuid; }
    // The written file's path.
    const QString& fileUrl() const { return m_fileUrl; }
    void setFileUrl(const QString& path) { m_fileUrl = path; }
    const QString& fileName() const { return m_fileName; }
    void setFileName(const QString& name) { m_fileName = name; }
    const QString& title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    const QString& label() const { return m_label; }
    void setLabel(const QString& label) { m_label = label; }

    QString className() const override { return QStringLiteral("ZQAttachmentFile"); }

private:
    ZQAttachmentFile() = default;
    QString m_uuid;
    QString m_fileUrl;
    QString m_fileName;
    QString m_title;
    QString m_label;
};

using ZQAttachmentFilePtr = std::shared_ptr<ZQAttachmentFile>;
