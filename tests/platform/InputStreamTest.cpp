#include "platform/foundation/InputStream.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Records events and reads chunkSize bytes at each announcement (none with 0).
class Recorder : public plat::StreamDelegate {
public:
    explicit Recorder(qsizetype chunkSize) : m_chunkSize(chunkSize) {}
    void stream(plat::InputStream& stream, plat::StreamEvent event) override
    {
        events.push_back(event);
        if (event == plat::StreamEvent::HasBytesAvailable && m_chunkSize > 0) {
            QByteArray buffer(m_chunkSize, '\0');
            const qsizetype n = stream.read(buffer.data(), m_chunkSize);
            read += buffer.left(n);
        }
    }
    std::vector<plat::StreamEvent> events;
    QByteArray read;

private:
    qsizetype m_chunkSize;
};

void deliverAll()
{
    for (int i = 0; i < 20; ++i)
        QCoreApplication::sendPostedEvents();
}

} // namespace

TEST(InputStream, AnnouncesBytesUntilTheEndOnlyWhileReadAndScheduled)
{
    using E = plat::StreamEvent;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("abcde");
    file.close();

    struct Case {
        const char* name;
        QString path;
        qsizetype chunk;
        std::vector<E> events;
    };
    const Case cases[] = {
        {"read in chunks", path, 2, {E::OpenCompleted, E::HasBytesAvailable, E::HasBytesAvailable, E::HasBytesAvailable,
                                     E::EndEncountered}},
        {"announcement left unanswered", path, 0, {E::OpenCompleted, E::HasBytesAvailable}},
        {"missing file", dir.filePath(QStringLiteral("none")), 2, {E::ErrorOccurred}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto recorder = std::make_shared<Recorder>(c.chunk);
        auto stream = plat::InputStream::withFileAtPath(c.path);
        stream->setDelegate(recorder);
        stream->scheduleInCurrentRunLoop();
        stream->open();
        EXPECT_TRUE(recorder->events.empty()); // nothing before the event loop runs
        deliverAll();
        EXPECT_EQ(recorder->events, c.events);
        EXPECT_EQ(recorder->read, c.chunk && c.path == path ? QByteArray("abcde") : QByteArray());
    }

    // Events queued before the stream leaves the run loop are dropped.
    auto recorder = std::make_shared<Recorder>(2);
    auto stream = plat::InputStream::withFileAtPath(path);
    stream->setDelegate(recorder);
    stream->scheduleInCurrentRunLoop();
    stream->open();
    stream->removeFromCurrentRunLoop();
    deliverAll();
    EXPECT_TRUE(recorder->events.empty());
}
