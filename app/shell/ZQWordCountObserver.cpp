#include "app/shell/ZQWordCountObserver.h"

qint64 ZQWordCountObserver::countRequested()
{
    std::lock_guard lock(m_mutex);
    return ++m_newestRequest;
}

void ZQWordCountObserver::discardPending()
{
    std::lock_guard lock(m_mutex);
    ++m_newestRequest;
}

void ZQWordCountObserver::countFinished(qint64 request, bool cancelled, qint64 words, qint64 characters)
{
    // Delivered under the lock, so results reach the label in the order they were accepted.
    std::lock_guard lock(m_mutex);
    if (cancelled || request < m_newestRequest || !m_delivery)
        return;
    m_delivery(words, characters);
}

void ZQWordCountObserver::detach()
{
    std::lock_guard lock(m_mutex);
    m_delivery = nullptr;
}

qint64 ZQWordCountObserver::newestRequest() const
{
    std::lock_guard lock(m_mutex);
    return m_newestRequest;
}
