#pragma once
// The reference links of a render context by label: whether a label also names
// another destination or title is one lookup instead of a walk through every
// link of the page for each link written (ZQLinkFilter::referenceLabel).

#include "platform/foundation/Object.h"

#include <QHash>
#include <QString>
#include <utility>

class ZQAttachedLinkObject;
class ZQRenderContext;

class ZQReferenceLabels : public plat::Object {
public:
    // The reference links among the context's link storages as they are now.
    explicit ZQReferenceLabels(const ZQRenderContext& context);

    QString className() const override { return QStringLiteral("ZQReferenceLabels"); }

    // Full, collapsed and shortcut references (link types 2 to 4).
    static bool isReference(quint64 linkType) { return linkType == 2 || linkType == 3 || linkType == 4; }
    // The label a reference link is defined under: its own label, else its text.
    static QString labelOf(const ZQAttachedLinkObject& link);

    // Whether a reference link other than this one has the link's label but
    // another destination or title.
    bool namesOtherTarget(const ZQAttachedLinkObject& link) const;
    // Counts an indexed link again after its label changed.
    void update(const ZQAttachedLinkObject& link);

private:
    using Target = std::pair<QString, QString>; // destination (trimmed), title
    struct Entry {
        QString key;
        Target target;
    };
    static Entry entryOf(const ZQAttachedLinkObject& link);
    void add(const Entry& entry);
    void remove(const Entry& entry);

    // Label key to the links' targets under it, each with its number of links.
    QHash<QString, QHash<Target, int>> m_targets;
    QHash<const ZQAttachedLinkObject*, Entry> m_indexed;
};
