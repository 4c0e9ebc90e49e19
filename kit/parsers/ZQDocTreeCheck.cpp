#include "kit/parsers/ZQDocTreeCheck.h"

#include "kit/model/ZQBlockNodes.h"
#include "kit/model/ZQTextNode.h"

#include <optional>

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

class Walker {
public:
    explicit Walker(Range inRange) : m_inRange(inRange) {}

    // The end of the node's subtree in the text, or nothing once an invariant broke.
    std::optional<qsizetype> walk(const ZSTree& tree, qsizetype parentStart, bool isRoot)
    {
        const auto node = ZQBlockNodes::textNodeOf(tree);
        if (!node)
            return fail(tree, QStringLiteral("the node holds no text node"));
        qsizetype end = parentStart;
        qsizetype start = parentStart;
        if (!isRoot) {
            const Range line = node->lineRange();
            if (line.isNotFound() || !inside(line, m_inRange))
                return fail(tree, QStringLiteral("line range %1 outside the parsed range %2")
                                      .arg(rangeText(line), rangeText(m_inRange)));
            if (line.location < parentStart)
                return fail(tree, QStringLiteral("line range %1 starts before its parent at %2")
                                      .arg(rangeText(line))
                                      .arg(parentStart));
            if (isSet(node->contentRange()) && !inside(node->contentRange(), line))
                return fail(tree, QStringLiteral("content range %1 outside its line range %2")
                                      .arg(rangeText(node->contentRange()), rangeText(line)));
            if (isSet(node->markerRange()) && !inside(node->markerRange(), line))
                return fail(tree, QStringLiteral("marker range %1 outside its line range %2")
                                      .arg(rangeText(node->markerRange()), rangeText(line)));
            for (const Range r : node->mergedContentRanges()) {
                if (isSet(r) && !inside(r, line))
                    return fail(tree, QStringLiteral("merged content range %1 outside its line range %2")
                                          .arg(rangeText(r), rangeText(line)));
            }
            start = line.location;
            end = line.end();
        }
        qsizetype previousEnd = start;
        for (qsizetype i = 0; i < tree.numberOfChildren(); ++i) {
            const ZSTree child = tree.childAtIndex(i);
            const auto childNode = ZQBlockNodes::textNodeOf(child);
            if (childNode && i > 0 && childNode->lineRange().location < previousEnd)
                return fail(child, QStringLiteral("line range %1 overlaps its previous sibling, which ends at %2")
                                       .arg(rangeText(childNode->lineRange()))
                                       .arg(previousEnd));
            const std::optional<qsizetype> childEnd = walk(child, start, false);
            if (!childEnd)
                return std::nullopt;
            previousEnd = std::max(previousEnd, *childEnd);
            end = std::max(end, *childEnd);
        }
        // A quote records the marker of each of its lines, which its children hold.
        if (!isRoot) {
            const Range extent(start, end - start);
            for (const Range r : node->mergedMarkerRanges()) {
                if (isSet(r) && !inside(r, extent))
                    return fail(tree, QStringLiteral("merged marker range %1 outside the node's lines %2")
                                          .arg(rangeText(r), rangeText(extent)));
            }
        }
        return end;
    }

    QString problem() const { return m_problem; }

private:
    std::optional<qsizetype> fail(const ZSTree& tree, const QString& what)
    {
        const auto node = ZQBlockNodes::textNodeOf(tree);
        m_problem = QStringLiteral("%1: %2").arg(node ? node->tidyDescription() : QStringLiteral("(no node)"), what);
        return std::nullopt;
    }

    Range m_inRange;
    QString m_problem;
};

} // namespace

QString firstBrokenInvariant(const ZSTree& tree, const QString& text, plat::Range inRange)
{
    if (tree.isNull())
        return QStringLiteral("no tree");
    if (inRange.isNotFound() || inRange.location < 0 || inRange.end() > text.size())
        return QStringLiteral("the parsed range %1 lies outside the text").arg(rangeText(inRange));
    Walker walker(inRange);
    walker.walk(tree, inRange.location, true);
    return walker.problem();
}

} // namespace ZQDocTreeCheck
