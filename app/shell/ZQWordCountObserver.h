#pragma once
// The window's side of the word counts: it numbers each count an editor
// queues and passes to the indicator only the result of the newest one. The
// counts run concurrently and may finish out of order, so an older result that
// finished late would otherwise replace the newer one on the label.

#include <QtGlobal>
#include <functional>
#include <memory>
#include <mutex>

class ZQWordCountObserver {
public:
    using Delivery = std::function<void(qint64 words, qint64 characters)>;

    explicit ZQWordCountObserver(Delivery delivery) : m_delivery(std::move(delivery)) {}

    // A count is about to be queued: its number, newer than every earlier one.
    qint64 countRequested();
    // Results requested before now are stale from here on (the editor shows other text).
    void discardPending();
    // From the thread that finished the count. A cancelled count or one older
    // than the newest request is dropped.
    void countFinished(qint64 request, bool cancelled, qint64 words, qint64 characters);
    // The window goes away: nothing is delivered any more.
    void detach();

    qint64 newestRequest() const;

private:
    mutable std::mutex m_mutex;
    qint64 m_newestRequest = 0;
    Delivery m_delivery;
};

using ZQWordCountObserverPtr = std::shared_ptr<ZQWordCountObserver>;
