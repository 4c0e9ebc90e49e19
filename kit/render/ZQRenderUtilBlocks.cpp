#include "kit/render/ZQRenderUtil.h"

#include "kit/foundation/ZSTree.h"
#include "kit/markup/ZQTextNode.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/foundation/Regex.h"

bool ZQRenderUtil::richNodeHasSpacePrefix(const ZQTextNode& node)
{
    if (node.nodeType() == ZQNodeType::ListItem)
        return false;
    QChar first;
    if (node.nodeType() == ZQNodeType::Paragraph) {
        const auto& rendered = node.renderContent();
        if (!rendered || rendered->length() == 0)
            return false;
        first = rendered->string().at(0);
    } else {
        if (node.content().isEmpty())
            return false;
        first = node.content().at(0);
    }
    return plat::CharacterSet::whitespace().contains(first);
}

bool ZQRenderUtil::requireTrailingSpaceForRichTreeNode(const ZSTree& treeNode)
{
    const auto node = treeNode ? plat::objectCast<ZQTextNode>(treeNode.object()) : nullptr;
    const ZSTree child = treeNode ? treeNode.firstChild() : ZSTree();
    const auto first = child ? plat::objectCast<ZQTextNode>(child.object()) : nullptr;
    if (!node || !first || first->lineRange().location != node->lineRange().location)
        return true;
    return !richNodeHasSpacePrefix(*first);
}

std::optional<QString> ZQRenderUtil::parseTaskStateFromMarker(const QString& text, quint64 editorType,
                                                             plat::Range range, plat::Range* markerRange,
                                                             plat::Range* stateRange)
{
    static const auto markup =
        plat::Regex::create(QStringLiteral("^ {0,3}[*-] {0,3}(\\[([ -x]?)\\])"), plat::RegexAnchorsMatchLines);
    static const auto rich = plat::Regex::create(QStringLiteral("^\\t?(\\[([ -x]?)\\])\\t?"),
                                                 plat::RegexAnchorsMatchLines);
    const auto match = (editorType == 3 ? markup : rich)->firstMatch(text, range);
    if (!match)
        return std::nullopt;
    const plat::Range state = match->rangeAtIndex(2);
    if (markerRange)
        *markerRange = match->rangeAtIndex(1);
    if (stateRange)
        *stateRange = state;
    return state.length > 0 ? text.mid(state.location, state.length) : QStringLiteral(" ");
}
