#include "kit/render/ZQFixAttribute.h"

#include "kit/model/ZQTextNode.h"

namespace {

bool isItem(const std::shared_ptr<ZQTextNode>& node)
{
    return node && (node->nodeType() == ZQNodeType::ListItem || node->nodeType() == ZQNodeType::Task);
}

} // namespace

std::shared_ptr<ZQFixAttribute> ZQFixAttribute::initWithListStyle(std::shared_ptr<ZQListStyle> listStyle,
                                                                  const ZSTree& node, bool forTab,
                                                                  plat::Range markerRange, plat::Range lineRange,
                                                                  const QString& taskStateMarker, qint64 needFixLevel)
{
    auto fix = forRange(markerRange, lineRange, needFixLevel);
    fix->m_listStyle = std::move(listStyle);
    fix->m_taskStateMarker = taskStateMarker;

    const auto textNode = std::dynamic_pointer_cast<ZQTextNode>(node.object());
    const bool task = textNode && textNode->nodeType() == ZQNodeType::Task;
    fix->m_attributeFixType = forTab ? (task ? TaskIndentTab : ListIndentTab) : (task ? TaskMarker : ListMarker);

    if ((needFixLevel & FixTabStops) && textNode) {
        // A nested list that begins on its parent's line.
        for (ZSTree ancestor = node.parent(); ancestor && !ancestor.isRoot(); ancestor = ancestor.parent()) {
            const auto ancestorNode = std::dynamic_pointer_cast<ZQTextNode>(ancestor.object());
            if (!ancestorNode || ancestorNode->lineRange() != textNode->lineRange())
                break;
            if (isItem(ancestorNode)) {
                fix->m_needFix &= ~FixTabStops;
                break;
            }
        }
    }
    return fix;
}

std::shared_ptr<ZQFixAttribute> ZQFixAttribute::initForUnusedTabRange(plat::Range range)
{
    return forRange(range, plat::Range(), FixUnusedTab);
}

std::shared_ptr<ZQFixAttribute> ZQFixAttribute::initForParagraphTabStopFix(plat::Range range)
{
    return forRange(range, range, FixDefaultParagraph);
}

std::shared_ptr<ZQFixAttribute> ZQFixAttribute::initForDeletedTabRange(plat::Range range)
{
    return forRange(range, plat::Range(), FixDeleteTab);
}

std::shared_ptr<ZQFixAttribute> ZQFixAttribute::forRange(plat::Range markerRange, plat::Range lineRange, qint64 needFix)
{
    auto fix = std::make_shared<ZQFixAttribute>();
    fix->m_markerRange = markerRange;
    fix->m_lineRange = lineRange;
    fix->m_needFix = needFix;
    return fix;
}

QString ZQFixAttribute::description() const
{
    return QStringLiteral("Fix %1 type %2 marker %3 line %4")
        .arg(m_needFix)
        .arg(m_attributeFixType)
        .arg(plat::toString(m_markerRange), plat::toString(m_lineRange));
}
