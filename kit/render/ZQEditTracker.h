#pragma once
// What changed in a text storage since it was last repaired: the union of the
// ranges of its edits, each carried along by the edits after it, so that the
// repair after an edit can look at what the edit touched.

#include "platform/text/TextStorage.h"

#include <memory>

class ZQEditTracker {
public:
    explicit ZQEditTracker(const std::shared_ptr<plat::TextStorage>& storage);
    ~ZQEditTracker();
    ZQEditTracker(const ZQEditTracker&) = delete;
    ZQEditTracker& operator=(const ZQEditTracker&) = delete;

    bool follows(const plat::TextStorage& storage) const;
    // Not found while nothing changed.
    plat::Range editedRange() const { return m_edited; }
    void setEditedRange(plat::Range edited)
    {
        // A range of the followed text as it is now.
        Q_ASSERT(edited.isNotFound() || edited.location >= 0);
        m_edited = edited;
    }

private:
    void takeIn(const plat::TextStorage& storage);

    std::weak_ptr<plat::TextStorage> m_storage;
    const plat::TextStorage* m_followed;
    plat::TextStorage::ObserverId m_observer = 0;
    plat::Range m_edited = plat::Range::notFound();
};
