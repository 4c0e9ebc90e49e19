#pragma once
// Reads the beginning of a Markdown file of a linked folder and reports the
// outline title made from it. The caller opens an input stream on the file,
// makes the reader its delegate, schedules it on the current thread and keeps
// the reader alive until the report; reports arrive on that thread.

#include "platform/foundation/InputStream.h"
#include "platform/foundation/Object.h"
#include "platform/text/AttributedString.h"

#include <QString>
#include <memory>
#include <optional>

// Implemented by the window controller and the bookmarks of linked folders,
// which store the title in the page record and drop the reader.
class ZQMarkdownOutlineReaderDelegate {
public:
    virtual ~ZQMarkdownOutlineReaderDelegate() = default;
    // title is none when the file could not be read.
    virtual void outlineReadComplete(const std::optional<plat::MutableAttributedString>& title,
                                     const QString& pageUuid, const QString& spaceFolder) = 0;
};

class ZQMarkdownOutlineReader final : public plat::Object, public plat::StreamDelegate {
public:
    // Only this many bytes of a file ever count.
    static constexpr qsizetype MaxBytes = 1024;

    static std::shared_ptr<ZQMarkdownOutlineReader> initWithPageUuid(const QString& pageUuid,
                                                                     const QString& spaceFolder);

    QString className() const override { return QStringLiteral("ZQMarkdownOutlineReader"); }

    const QString& pageUuid() const { return m_pageUuid; }
    void setPageUuid(const QString& uuid) { m_pageUuid = uuid; }
    const QString& spaceFolder() const { return m_spaceFolder; }
    void setSpaceFolder(const QString& folder) { m_spaceFolder = folder; }
    // Held strongly: the delegate drops the reader when it hears from it.
    const std::shared_ptr<ZQMarkdownOutlineReaderDelegate>& delegate() const { return m_delegate; }
    void setDelegate(std::shared_ptr<ZQMarkdownOutlineReaderDelegate> delegate) { m_delegate = std::move(delegate); }

    void stream(plat::InputStream& stream, plat::StreamEvent event) override;

private:
    ZQMarkdownOutlineReader(QString pageUuid, QString spaceFolder)
        : m_pageUuid(std::move(pageUuid)), m_spaceFolder(std::move(spaceFolder))
    {
    }
    // The bytes as UTF-8 without a multi-byte sequence cut off at the end; none
    // when they are not valid UTF-8.
    static std::optional<QString> readUTF8String(const char* bytes, qsizetype byteCount);
    void report(const std::optional<plat::MutableAttributedString>& title) const;

    QString m_pageUuid;
    QString m_spaceFolder;
    std::shared_ptr<ZQMarkdownOutlineReaderDelegate> m_delegate;
};
