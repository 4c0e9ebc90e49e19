#pragma once
// Line decisions the layout manager asks about for every line it lays out:
// whether a break may fall before a character, and the final line rectangle
// and baseline (an editor adds its line gaps there).

#include "platform/foundation/Range.h"

#include <QRectF>

namespace plat {

class LayoutManager;

class Typesetter {
public:
    virtual ~Typesetter() = default;

    // False keeps the run across index on one line (the line breaks before
    // the run instead, or where it must when the run is wider than a line).
    virtual bool shouldBreakLineByWordBeforeCharacterAtIndex(qsizetype /*index*/) { return true; }
    // baselineOffset: from the top of lineRect to the baseline. A change of
    // lineRect's height moves every following line.
    virtual void willSetLineFragmentRect(QRectF& /*lineRect*/, Range /*glyphRange*/, QRectF& /*usedRect*/,
                                         qreal& /*baselineOffset*/) {}

    // Set by LayoutManager::setTypesetter; not owned.
    LayoutManager* layoutManager() const { return m_layoutManager; }
    void setLayoutManager(LayoutManager* layoutManager) { m_layoutManager = layoutManager; }

private:
    LayoutManager* m_layoutManager = nullptr;
};

} // namespace plat
