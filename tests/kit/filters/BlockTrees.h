#pragma once
// Block trees of small pages for the block filters' tests.

#include "kit/parsers/ZQDocTreeParser.h"
#include "kit/model/ZQTextNode.h"

namespace BlockTrees {

inline std::shared_ptr<ZQTextNode> nodeOf(const ZSTree& tree)
{
    return plat::objectCast<ZQTextNode>(tree.object());
}

inline ZSTree parse(const QString& page, qint64 option = ZQDocTreeParser::RecordMarkerRanges)
{
    ZQDocTreeParser parser;
    ZQLinkRefMap refs;
    return parser.processDocTree(page, plat::wholeRange(page), &refs, nullptr, nullptr, option);
}

// The first node of the type in the tree, root first.
inline ZSTree firstOfType(const ZSTree& tree, quint64 type)
{
    ZSTree found;
    tree.enumerateTreeRootFirst([&](const ZSTree& node, bool* stop) {
        if (!node.isRoot() && nodeOf(node) && nodeOf(node)->nodeType() == type) {
            found = node;
            *stop = true;
        }
    });
    return found;
}

} // namespace BlockTrees
