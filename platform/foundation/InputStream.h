#pragma once
// A file input stream that tells its delegate of events on the event loop of the
// thread that scheduled it, one queued event at a time, as a run-loop source does.

#include <QFile>
#include <QString>
#include <memory>

class QObject;

namespace plat {

class InputStream;

enum class StreamEvent : unsigned {
    OpenCompleted = 1u << 0,
    HasBytesAvailable = 1u << 1,
    ErrorOccurred = 1u << 3,
    EndEncountered = 1u << 4,
};

enum class StreamStatus { NotOpen, Open, AtEnd, Closed, Error };

class StreamDelegate {
public:
    virtual ~StreamDelegate() = default;
    virtual void stream(InputStream& stream, StreamEvent event) = 0;
};

class InputStream : public std::enable_shared_from_this<InputStream> {
public:
    static std::shared_ptr<InputStream> withFileAtPath(const QString& path);
    ~InputStream();

    // Not owned: whoever set up the stream keeps the delegate alive.
    void setDelegate(std::weak_ptr<StreamDelegate> delegate) { m_delegate = std::move(delegate); }

    // Events are delivered only while scheduled, on the scheduling thread.
    void scheduleInCurrentRunLoop();
    void removeFromCurrentRunLoop();
    bool isScheduled() const { return m_context != nullptr; }

    // Queues "open completed" (or "error occurred" when the file cannot be read).
    void open();
    // Bytes read, 0 at the end, -1 on error.
    qsizetype read(char* buffer, qsizetype maxLength);
    void close();
    StreamStatus streamStatus() const { return m_status; }

private:
    explicit InputStream(const QString& path) : m_file(path) {}
    void post(StreamEvent event);
    void deliver(StreamEvent event);
    // After the delegate has consumed an event: what the stream has to say next.
    void postNextEvent();

    QFile m_file;
    StreamStatus m_status = StreamStatus::NotOpen;
    std::weak_ptr<StreamDelegate> m_delegate;
    QObject* m_context = nullptr;
    bool m_readSinceEvent = false;
    bool m_endReported = false;
};

} // namespace plat
