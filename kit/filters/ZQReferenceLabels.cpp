#include "kit/filters/ZQReferenceLabels.h"

#include "kit/foundation/ZQShared.h"
#include "kit/model/ZQAttachedObjects.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQRenderContext.h"

ZQReferenceLabels::ZQReferenceLabels(const ZQRenderContext& context)
{
    for (const auto& storage : context.getAttachedStorageByOwner(ZQAttr::FilterLink)) {
        const auto& link = storage ? storage->attachedLink() : nullptr;
        if (!link || !isReference(link->linkType()) || m_indexed.contains(link.get()))
            continue;
        const Entry entry = entryOf(*link);
        m_indexed.insert(link.get(), entry);
        add(entry);
    }
}

QString ZQReferenceLabels::labelOf(const ZQAttachedLinkObject& link)
{
    return ZQShared::isNotBlank(link.linkRefLabel()) ? link.linkRefLabel() : link.linkLabel();
}

ZQReferenceLabels::Entry ZQReferenceLabels::entryOf(const ZQAttachedLinkObject& link)
{
    return {ZQShared::asLinkLabel(labelOf(link)), {ZQShared::trim(link.linkUrl()), link.linkTitle()}};
}

void ZQReferenceLabels::add(const Entry& entry)
{
    ++m_targets[entry.key][entry.target];
}

void ZQReferenceLabels::remove(const Entry& entry)
{
    const auto targets = m_targets.find(entry.key);
    if (targets == m_targets.end())
        return;
    const auto count = targets->find(entry.target);
    if (count != targets->end() && --*count <= 0)
        targets->erase(count);
    if (targets->isEmpty())
        m_targets.erase(targets);
}

bool ZQReferenceLabels::namesOtherTarget(const ZQAttachedLinkObject& link) const
{
    const Entry own = entryOf(link);
    const auto targets = m_targets.constFind(own.key);
    if (targets == m_targets.constEnd())
        return false;
    // The link itself only ever counts under its own target.
    return targets->size() > 1 || targets->constBegin().key() != own.target;
}

void ZQReferenceLabels::update(const ZQAttachedLinkObject& link)
{
    const auto indexed = m_indexed.find(&link);
    if (indexed == m_indexed.end())
        return;
    remove(*indexed);
    *indexed = entryOf(link);
    add(*indexed);
}
