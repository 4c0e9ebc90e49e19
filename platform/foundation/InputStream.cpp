#include "platform/foundation/InputStream.h"

#include <QMetaObject>
#include <QObject>

namespace plat {

std::shared_ptr<InputStream> InputStream::withFileAtPath(const QString& path)
{
    return std::shared_ptr<InputStream>(new InputStream(path));
}

InputStream::~InputStream()
{
    removeFromCurrentRunLoop();
}

void InputStream::scheduleInCurrentRunLoop()
{
    if (!m_context)
        m_context = new QObject;
}

void InputStream::removeFromCurrentRunLoop()
{
    if (!m_context)
        return;
    // Queued events die with the context; it may be inside one of them right now.
    m_context->deleteLater();
    m_context = nullptr;
}

void InputStream::open()
{
    if (m_status != StreamStatus::NotOpen)
        return;
    if (!m_file.open(QIODevice::ReadOnly)) {
        m_status = StreamStatus::Error;
        post(StreamEvent::ErrorOccurred);
        return;
    }
    m_status = StreamStatus::Open;
    post(StreamEvent::OpenCompleted);
}

qsizetype InputStream::read(char* buffer, qsizetype maxLength)
{
    if (m_status != StreamStatus::Open)
        return m_status == StreamStatus::AtEnd ? 0 : -1;
    const qint64 n = m_file.read(buffer, maxLength);
    if (n < 0) {
        m_status = StreamStatus::Error;
        return -1;
    }
    m_readSinceEvent = true;
    if (n == 0)
        m_status = StreamStatus::AtEnd;
    return qsizetype(n);
}

void InputStream::close()
{
    m_file.close();
    m_status = StreamStatus::Closed;
}

void InputStream::post(StreamEvent event)
{
    if (!m_context)
        return;
    QMetaObject::invokeMethod(
        m_context, [weak = weak_from_this(), context = m_context, event] {
            // Events queued before the stream left the run loop are dropped.
            if (const auto self = weak.lock(); self && self->m_context == context)
                self->deliver(event);
        },
        Qt::QueuedConnection);
}

void InputStream::deliver(StreamEvent event)
{
    const auto delegate = m_delegate.lock();
    if (!delegate || m_status == StreamStatus::Closed || m_status == StreamStatus::NotOpen)
        return;
    m_readSinceEvent = false;
    delegate->stream(*this, event);
    if (event == StreamEvent::OpenCompleted || m_readSinceEvent)
        postNextEvent();
}

void InputStream::postNextEvent()
{
    // Like a run-loop source: news follows the opening, and after that only a
    // read that answered the last announcement.
    if (m_status == StreamStatus::Error) {
        post(StreamEvent::ErrorOccurred);
    } else if (m_status == StreamStatus::Open && !m_file.atEnd()) {
        post(StreamEvent::HasBytesAvailable);
    } else if ((m_status == StreamStatus::Open || m_status == StreamStatus::AtEnd) && !m_endReported) {
        m_endReported = true;
        post(StreamEvent::EndEncountered);
    }
}

} // namespace plat
