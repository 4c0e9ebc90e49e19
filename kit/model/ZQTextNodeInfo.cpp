#include "kit/model/ZQTextNodeInfo.h"

#include "kit/model/ZQListStyle.h"

#include <QStringList>

namespace {

QString describe(const plat::Object* object)
{
    return object ? object->description() : QStringLiteral("(null)");
}

template <typename List>
QString describeList(const List& list)
{
    QStringList items;
    for (const auto& item : list)
        items << describe(item.get());
    return u'(' + items.join(QStringLiteral(", ")) + u')';
}

QString orNull(const QString& s)
{
    return s.isNull() ? QStringLiteral("(null)") : s;
}

} // namespace

QString ZQTextNodeListIndentTabs::description() const
{
    return QStringLiteral("Tabs %1; LineRange %2").arg(describeList(m_tabs), plat::toString(m_lineRange));
}

qint64 ZQTextNodeListIndentTabs::addTab(plat::Range markerRange, std::shared_ptr<ZQListStyle> listStyle)
{
    auto tab = std::make_shared<ZQTextNodeTab>();
    tab->setMarkerRange(markerRange);
    tab->setLevel(listStyle ? listStyle->depth() : 1);
    tab->setListStyle(std::move(listStyle));
    m_tabs.push_back(tab);
    return tab->level();
}

std::shared_ptr<ZQTextNodeListItem> ZQTextNodeListItem::initForTaskWithStateMarker(const QString& stateMarker)
{
    auto item = std::make_shared<ZQTextNodeListItem>();
    item->m_taskStateMarker = stateMarker;
    item->m_isCompletedTask = stateMarker.toLower() == u"x";
    return item;
}

QString ZQTextNodeListItem::description() const
{
    return QStringLiteral("Marker %1; ListStyle %2; Tabs %3")
        .arg(orNull(m_richMarkerFormat), describe(m_listStyle.get()), describeList(m_listIndentTabs));
}

bool ZQTextNodeListItem::isSameList(const ZQTextNodeListItem* other) const
{
    if (!other || m_marker.isEmpty() || other->m_marker.isEmpty())
        return false;
    if (m_isOrdered && other->m_isOrdered)
        return m_marker.back() == other->m_marker.back();
    return m_marker == other->m_marker;
}
