#pragma once
// Small tree helpers the block filters share.

#include "kit/foundation/ZSTree.h"
#include "kit/model/ZQTextNode.h"
#include "platform/text/AttributedString.h"

#include <typeinfo>

namespace ZQBlockNodes {

inline std::shared_ptr<ZQTextNode> textNodeOf(const ZSTree& tree)
{
    plat::ObjectPtr object = tree.object();
    // Tree nodes are of the class itself, which needs no walk of the class graph.
    if (object && typeid(*object) == typeid(ZQTextNode))
        return std::static_pointer_cast<ZQTextNode>(std::move(object));
    return plat::objectCast<ZQTextNode>(object);
}

inline bool hasType(const ZSTree& tree, quint64 type)
{
    const auto node = textNodeOf(tree);
    return node && node->nodeType() == type;
}

template <class Info>
std::shared_ptr<Info> infoOf(const ZQTextNode& node)
{
    return std::dynamic_pointer_cast<Info>(node.nodeInfo());
}

// Tags that close the subtree, written after its last descendant.
inline void insertCloseTagsAfter(const ZSTree& subtree, const QString& tags)
{
    if (const auto node = textNodeOf(subtree))
        node->insertSubtreeCloseTags(tags);
}

// The node's text as written, in the given style, becomes its render content
// and is appended to the rich output.
inline void appendStyledContent(ZQTextNode& node, const plat::Attributes& style, plat::MutableAttributedString& output)
{
    auto rendered = std::make_shared<plat::MutableAttributedString>(node.content(), style);
    node.setRenderContent(rendered);
    output.append(*rendered);
}

} // namespace ZQBlockNodes
