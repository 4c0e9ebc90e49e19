#include "kit/render/ZQEditTracker.h"

#include <algorithm>

ZQEditTracker::ZQEditTracker(const std::shared_ptr<plat::TextStorage>& storage)
    : m_storage(storage), m_followed(storage.get())
{
    m_observer = storage->addObserver([this](plat::TextStorage& edited, plat::TextStorage::Phase phase) {
        if (phase == plat::TextStorage::Phase::DidProcessEditing)
            takeIn(edited);
    });
}

ZQEditTracker::~ZQEditTracker()
{
    if (const auto storage = m_storage.lock())
        storage->removeObserver(m_observer);
}

bool ZQEditTracker::follows(const plat::TextStorage& storage) const
{
    return &storage == m_followed && !m_storage.expired();
}

void ZQEditTracker::takeIn(const plat::TextStorage& storage)
{
    // The batch's range is in the text as it is now; what was edited before
    // moves with the text around the batch.
    const plat::Range batch = storage.editedRange();
    if (batch.isNotFound())
        return;
    const qsizetype length = storage.length();
    Q_ASSERT(batch.location >= 0 && batch.end() <= length);
    if (m_edited.isNotFound()) {
        m_edited = batch;
        return;
    }
    const qsizetype delta = storage.changeInLength();
    const qsizetype oldEnd = batch.end() - delta;
    // The batch replaced oldEnd - location characters of the text before it,
    // which held what was edited earlier.
    Q_ASSERT(oldEnd >= batch.location);
    Q_ASSERT(m_edited.location >= 0 && m_edited.end() <= length - delta);
    auto carry = [&](qsizetype position, qsizetype inside) {
        if (position <= batch.location)
            return position;
        if (position >= oldEnd)
            return position + delta;
        return inside;
    };
    const qsizetype start = std::min(carry(m_edited.location, batch.location), batch.location);
    const qsizetype end = std::max(carry(m_edited.end(), batch.end()), batch.end());
    m_edited = plat::Range(start, end - start);
    Q_ASSERT(m_edited.location >= 0 && m_edited.end() <= length && m_edited.containsRange(batch));
}
