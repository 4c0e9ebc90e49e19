#include "kit/parsers/ZQDocTreeCheck.h"

#include "kit/model/ZQBlockNodes.h"
#include "kit/model/ZQTextNode.h"

#include <algorithm>
#include <vector>

namespace ZQDocTreeCheck {

namespace {

using plat::Range;

QString rangeText(Range r)
{
    return QStringLiteral("{%1, %2}").arg(r.location).arg(r.length);
}

bool inside(Range inner, Range outer)
{
    return inner.location >= outer.location && inner.end() <= outer.end();
}

// Marker and content ranges are unset (not found, or empty at 0) on some kinds.
bool isSet(Range r)
{
    return !r.isNotFound() && r.length > 0;
}

// Walks without recursion: pages may nest thousands of levels.
class Walker {
public:
    explicit Walker(Range inRange) : m_inRange(inRange) {}

    QString walk(const ZSTree& root)
    {
        if (!ZQBlockNodes::textNodeOf(root))
            return describe(root, QStringLiteral("the node holds no text node"));
        std::vector<Frame> stack;
        stack.push_back(Frame{root, m_inRange.location, m_inRange.location, m_inRange.location, 0, true});
        while (!stack.empty()) {
            Frame& frame = stack.back();
            if (frame.next < frame.tree.numberOfChildren()) {
                const ZSTree child = frame.tree.childAtIndex(frame.next);
                const auto node = ZQBlockNodes::textNodeOf(child);
                if (!node)
                    return describe(child, QStringLiteral("the node holds no text node"));
                const Range line = node->lineRange();
                if (frame.next > 0 && line.location < frame.previousEnd)
                    return describe(child,
                        QStringLiteral("line range %1 overlaps its previous sibling, which ends at %2")
                            .arg(rangeText(line))
                            .arg(frame.previousEnd));
                const QString problem = checkOwnRanges(*node, frame.start);
                if (!problem.isEmpty())
                    return describe(child, problem);
                ++frame.next;
                stack.push_back(Frame{child, line.location, line.end(), line.location, 0, false});
                continue;
            }
            // All children done: the subtree ends at the furthest of them.
            if (!frame.isRoot) {
                const auto node = ZQBlockNodes::textNodeOf(frame.tree);
                // A quote records the marker of each of its lines, which its children hold.
                const Range extent(frame.start, frame.end - frame.start);
                for (const Range r : node->mergedMarkerRanges()) {
                    if (isSet(r) && !inside(r, extent))
                        return describe(frame.tree, QStringLiteral("merged marker range %1 outside the node's lines %2")
                                                        .arg(rangeText(r), rangeText(extent)));
                }
            }
            const qsizetype end = frame.end;
            stack.pop_back();
            if (!stack.empty()) {
                stack.back().previousEnd = std::max(stack.back().previousEnd, end);
                stack.back().end = std::max(stack.back().end, end);
            }
        }
        return QString();
    }

private:
    struct Frame {
        ZSTree tree;
        qsizetype start;       // where the node's line starts
        qsizetype end;         // the end of its subtree so far
        qsizetype previousEnd; // the end of the children walked so far
        qsizetype next;        // the child to walk next
        bool isRoot;
    };

    QString checkOwnRanges(const ZQTextNode& node, qsizetype parentStart) const
    {
        const Range line = node.lineRange();
        if (line.isNotFound() || !inside(line, m_inRange))
            return QStringLiteral("line range %1 outside the parsed range %2")
                .arg(rangeText(line), rangeText(m_inRange));
        if (line.location < parentStart)
            return QStringLiteral("line range %1 starts before its parent at %2").arg(rangeText(line)).arg(parentStart);
        if (isSet(node.contentRange()) && !inside(node.contentRange(), line))
            return QStringLiteral("content range %1 outside its line range %2")
                .arg(rangeText(node.contentRange()), rangeText(line));
        if (isSet(node.markerRange()) && !inside(node.markerRange(), line))
            return QStringLiteral("marker range %1 outside its line range %2")
                .arg(rangeText(node.markerRange()), rangeText(line));
        for (const Range r : node.mergedContentRanges()) {
            if (isSet(r) && !inside(r, line))
                return QStringLiteral("merged content range %1 outside its line range %2")
                    .arg(rangeText(r), rangeText(line));
        }
        return QString();
    }

    static QString describe(const ZSTree& tree, const QString& what)
    {
        const auto node = ZQBlockNodes::textNodeOf(tree);
        return QStringLiteral("%1: %2").arg(node ? node->tidyDescription() : QStringLiteral("(no node)"), what);
    }

    Range m_inRange;
};

} // namespace

QString firstBrokenInvariant(const ZSTree& tree, const QString& text, plat::Range inRange)
{
    if (tree.isNull())
        return QStringLiteral("no tree");
    if (inRange.isNotFound() || inRange.location < 0 || inRange.end() > text.size())
        return QStringLiteral("the parsed range %1 lies outside the text").arg(rangeText(inRange));
    return Walker(inRange).walk(tree);
}

} // namespace ZQDocTreeCheck
