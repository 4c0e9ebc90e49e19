#include "kit/render/ZQMarkdownOutlineReader.h"

#include "support/InstalledSettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <future>
#include <gtest/gtest.h>

namespace {

struct Report {
    std::optional<QString> title;
    QString pageUuid;
    QString spaceFolder;
    QThread* thread = nullptr;
};

class RecordingDelegate : public ZQMarkdownOutlineReaderDelegate {
public:
    void outlineReadComplete(const std::optional<plat::MutableAttributedString>& title, const QString& pageUuid,
                             const QString& spaceFolder) override
    {
        reports.push_back({title ? std::optional<QString>(title->string()) : std::nullopt, pageUuid, spaceFolder,
                           QThread::currentThread()});
        if (onReport)
            onReport();
    }
    std::vector<Report> reports;
    std::function<void()> onReport;
};

// Sets a stream up as the library does: reader as its delegate, scheduled on
// the current thread, opened.
struct Reading {
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    std::shared_ptr<ZQMarkdownOutlineReader> reader;
    std::shared_ptr<plat::InputStream> stream;

    explicit Reading(const QString& path)
    {
        reader = ZQMarkdownOutlineReader::initWithPageUuid(QStringLiteral("page"), QStringLiteral("space"));
        reader->setDelegate(delegate);
        stream = plat::InputStream::withFileAtPath(path);
        stream->setDelegate(reader);
        stream->scheduleInCurrentRunLoop();
        stream->open();
    }
    // Lets the current thread's event loop deliver until the reader is done.
    void run()
    {
        for (int i = 0; i < 10 && stream->isScheduled(); ++i)
            QCoreApplication::sendPostedEvents();
    }
};

QString writeFile(const QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString path = dir.filePath(QStringLiteral("page.md"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    return path;
}

} // namespace

TEST(ZQMarkdownOutlineReader, ReportsOnceFromTheFirstKilobyteWithoutASplitCharacter)
{
    installedSettings();
    // Leading blank lines push the title window up to the 1024-byte limit, so
    // the end of the text read shows in the title.
    const QByteArray euro = "\xE2\x82\xAC";
    struct Case {
        const char* name;
        qsizetype asciiBefore; // bytes before the three-byte character
        QString expected;
    };
    const QByteArray blank(1000, '\n');
    const Case cases[] = {
        {"plain ASCII", 0, QString()},
        {"byte 1024 leads a character", 1023 - blank.size(), QString()},
        {"byte 1024 is inside a character", 1022 - blank.size(), QString()},
        {"byte 1024 completes a character", 1021 - blank.size(), QString::fromUtf8(euro)},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray head(c.asciiBefore, 'a');
        QByteArray bytes = blank + head;
        if (c.asciiBefore > 0)
            bytes += euro;
        bytes += QByteArray(1500 - bytes.size(), 'z');
        ASSERT_EQ(bytes.size(), 1500);
        const QString expected = c.asciiBefore > 0 ? QString::fromLatin1(head) + c.expected
                                                   : QString(24, QLatin1Char('z'));

        Reading reading(writeFile(dir, bytes));
        reading.run();
        ASSERT_EQ(reading.delegate->reports.size(), 1u);
        const Report& report = reading.delegate->reports.front();
        EXPECT_EQ(report.title, expected);
        EXPECT_EQ(report.pageUuid, QStringLiteral("page"));
        EXPECT_EQ(report.spaceFolder, QStringLiteral("space"));
        EXPECT_EQ(reading.stream->streamStatus(), plat::StreamStatus::Closed);
        EXPECT_FALSE(reading.stream->isScheduled());
    }
}

TEST(ZQMarkdownOutlineReader, EmptyFilesAreSilentAndUnreadableFilesReportNoTitle)
{
    installedSettings();
    QTemporaryDir dir;
    struct Case {
        const char* name;
        QString path;
        size_t reports;
    };
    const Case cases[] = {
        {"empty file", writeFile(dir, QByteArray()), 0},
        {"missing file", dir.filePath(QStringLiteral("missing.md")), 1},
        {"a folder", dir.path(), 1},
        {"invalid UTF-8", writeFile(dir, "ab\xFF\xFE"), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reading reading(c.path);
        reading.run();
        ASSERT_EQ(reading.delegate->reports.size(), c.reports);
        if (c.reports) {
            EXPECT_FALSE(reading.delegate->reports.front().title.has_value());
        }
        // The file is closed whatever happened.
        EXPECT_EQ(reading.stream->streamStatus(), plat::StreamStatus::Closed);
        EXPECT_FALSE(reading.stream->isScheduled());
    }
}

TEST(ZQMarkdownOutlineReader, ReportsOnTheThreadThatScheduledTheStream)
{
    installedSettings();
    QTemporaryDir dir;
    const QString path = writeFile(dir, "# Notes\nbody\n");
    QThread worker;
    worker.start();
    std::promise<void> reported;
    std::unique_ptr<Reading> reading;
    QObject onWorker;
    onWorker.moveToThread(&worker);
    QMetaObject::invokeMethod(&onWorker, [&] {
        reading = std::make_unique<Reading>(path);
        reading->delegate->onReport = [&] { reported.set_value(); };
    });
    reported.get_future().wait();
    worker.quit();
    worker.wait();
    ASSERT_EQ(reading->delegate->reports.size(), 1u);
    EXPECT_EQ(reading->delegate->reports.front().thread, &worker);
    // The rich text of the page ends without its trailing line break.
    EXPECT_EQ(reading->delegate->reports.front().title, QStringLiteral("Notes\nbody"));
}
