#pragma once
// A compact outline of a block tree for tests: one line per node, two spaces of
// indentation per level, the node's kind and its content with line ends shown.

#include "kit/foundation/ZSTree.h"
#include "kit/model/ZQTextNode.h"

#include "support/QStringPrinting.h"

#include <QString>
#include <ostream>

inline QString nodeKind(const ZQTextNode& node)
{
    static const char* const names[] = {"para", "blank", "quote", "item", "code", "fence", "hr",
                                        "h",    "setext", "html", "task"};
    const quint64 type = node.nodeType();
    QString kind = type <= 10 ? QString::fromLatin1(names[type]) : QString::number(type);
    if (auto heading = std::dynamic_pointer_cast<ZQTextNodeHeading>(node.nodeInfo()))
        kind += QString::number(heading->headingLevel());
    if (auto fenced = std::dynamic_pointer_cast<ZQTextNodeFencedBlock>(node.nodeInfo());
        fenced && fenced->fencedBlockType() == QLatin1String("E"))
        kind += QStringLiteral("-end");
    return kind;
}

inline QString treeOutline(const ZSTree& root)
{
    QString out;
    root.enumerateDescendantsWithOptions(ZSTree::DescendantsPreOrder, [&](const ZSTree& tree, bool*) {
        if (tree == root)
            return;
        auto node = plat::objectCast<ZQTextNode>(tree.object());
        QString content = node->content();
        content.replace(QLatin1Char('\n'), QLatin1String("\\n"));
        content.replace(QLatin1Char('\r'), QLatin1String("\\r"));
        out += QString((tree.depth() - 1) * 2, QLatin1Char(' ')) + nodeKind(*node) + QLatin1Char(' ')
            + content + QLatin1Char('\n');
    });
    return out;
}
