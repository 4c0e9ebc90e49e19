#include "platform/text/ParagraphStyle.h"

#include <QHashFunctions>
#include <algorithm>

namespace plat {

namespace {

template <typename T>
bool sameObjects(const std::vector<std::shared_ptr<T>>& a, const std::vector<std::shared_ptr<T>>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const auto& x, const auto& y) { return objectsEqual(x, y); });
}

const char* alignmentName(TextAlignment alignment)
{
    switch (alignment) {
    case TextAlignment::Left: return "left";
    case TextAlignment::Center: return "center";
    case TextAlignment::Right: return "right";
    case TextAlignment::Justified: return "justified";
    case TextAlignment::Natural: return "natural";
    }
    return "?";
}

} // namespace

std::shared_ptr<TextTab> TextTab::create(TextAlignment alignment, double location)
{
    return std::shared_ptr<TextTab>(new TextTab(alignment, location));
}

bool TextTab::isEqual(const Object& other) const
{
    const auto* tab = dynamic_cast<const TextTab*>(&other);
    return tab && tab->m_alignment == m_alignment && tab->m_location == m_location;
}

std::size_t TextTab::hash() const
{
    return qHashMulti(0, int(m_alignment), m_location);
}

std::shared_ptr<Object> TextTab::copy() const
{
    return create(m_alignment, m_location);
}

QString TextTab::description() const
{
    return QStringLiteral("%1 %2").arg(m_location).arg(QLatin1String(alignmentName(m_alignment)));
}

std::shared_ptr<ParagraphStyle> ParagraphStyle::create()
{
    return std::shared_ptr<ParagraphStyle>(new ParagraphStyle());
}

std::shared_ptr<ParagraphStyle> ParagraphStyle::mutableCopy() const
{
    return std::shared_ptr<ParagraphStyle>(new ParagraphStyle(*this));
}

void ParagraphStyle::setTabStops(std::vector<TextTabPtr> tabStops)
{
    m_tabStops = std::move(tabStops);
    std::stable_sort(m_tabStops.begin(), m_tabStops.end(),
                     [](const TextTabPtr& a, const TextTabPtr& b) { return a->location() < b->location(); });
}

void ParagraphStyle::addTabStop(TextTabPtr tab)
{
    const auto at = std::upper_bound(m_tabStops.begin(), m_tabStops.end(), tab->location(),
                                     [](double location, const TextTabPtr& t) { return location < t->location(); });
    m_tabStops.insert(at, std::move(tab));
}

bool ParagraphStyle::isEqual(const Object& other) const
{
    const auto* p = dynamic_cast<const ParagraphStyle*>(&other);
    if (!p)
        return false;
    if (p == this)
        return true;
    return p->m_defaultTabInterval == m_defaultTabInterval && p->m_headIndent == m_headIndent
           && p->m_firstLineHeadIndent == m_firstLineHeadIndent && p->m_tailIndent == m_tailIndent
           && p->m_lineSpacing == m_lineSpacing && p->m_lineHeightMultiple == m_lineHeightMultiple
           && p->m_paragraphSpacing == m_paragraphSpacing && p->m_paragraphSpacingBefore == m_paragraphSpacingBefore
           && p->m_alignment == m_alignment && sameObjects(p->m_tabStops, m_tabStops)
           && sameObjects(p->m_textLists, m_textLists);
}

std::size_t ParagraphStyle::hash() const
{
    return qHashMulti(0, m_headIndent, m_firstLineHeadIndent, m_lineHeightMultiple, m_tabStops.size(),
                      m_textLists.size());
}

QString ParagraphStyle::description() const
{
    QStringList tabs;
    for (const auto& tab : m_tabStops)
        tabs << tab->description();
    QStringList lists;
    for (const auto& list : m_textLists)
        lists << list->description();
    return QStringLiteral("ParagraphStyle(alignment %1, tabs (%2), default tab interval %3, head indent %4, "
                          "first line head indent %5, tail indent %6, line spacing %7, line height multiple %8, "
                          "paragraph spacing %9 before %10, lists (%11))")
        .arg(QLatin1String(alignmentName(m_alignment)), tabs.join(QStringLiteral(", ")))
        .arg(m_defaultTabInterval)
        .arg(m_headIndent)
        .arg(m_firstLineHeadIndent)
        .arg(m_tailIndent)
        .arg(m_lineSpacing)
        .arg(m_lineHeightMultiple)
        .arg(m_paragraphSpacing)
        .arg(m_paragraphSpacingBefore)
        .arg(lists.join(QStringLiteral(", ")));
}

} // namespace plat
