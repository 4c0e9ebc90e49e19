#pragma once
// A self-check of a parsed block tree, for tests and debugging: the invariants
// the filters and the render code rely on when they cut a page's text by the
// ranges of its nodes.

#include "kit/foundation/ZSTree.h"
#include "platform/foundation/Range.h"

#include <QString>

namespace ZQDocTreeCheck {

// The first broken invariant of a tree parsed from text within inRange, or an
// empty string when all hold:
// - every node holds a ZQTextNode, and its line range lies inside inRange;
// - its content range, marker range and merged content ranges lie inside its
//   line range, and merged marker ranges inside the lines of its subtree;
// - a node starts no earlier than its parent;
// - siblings are in text order and do not overlap, a node's whole subtree
//   included.
QString firstBrokenInvariant(const ZSTree& tree, const QString& text, plat::Range inRange);

} // namespace ZQDocTreeCheck
