#include "kit/model/ZQLinkRef.h"

#include "platform/foundation/KeyedArchive.h"

namespace {

void encodePresent(plat::KeyedArchiver& coder, const QString& key, const QString& value)
{
    if (!value.isNull())
        coder.encodeString(key, value);
}

QString decodePresent(const plat::KeyedUnarchiver& coder, const QString& key)
{
    return coder.containsValue(key) ? coder.decodeString(key) : QString();
}

const bool registered = [] {
    plat::KeyedUnarchiver::registerClass(QStringLiteral("ZQLinkRef"), [](plat::KeyedUnarchiver& coder) {
        auto ref = std::make_shared<ZQLinkRef>();
        ref->setLink(decodePresent(coder, QStringLiteral("link")));
        ref->setTitle(decodePresent(coder, QStringLiteral("title")));
        ref->setLabel(decodePresent(coder, QStringLiteral("label")));
        ref->setRefLabel(decodePresent(coder, QStringLiteral("refLabel")));
        ref->setLinkType(quint64(coder.decodeInteger(QStringLiteral("linkType"))));
        return plat::ObjectPtr(ref);
    });
    return true;
}();

} // namespace

std::shared_ptr<ZQLinkRef> ZQLinkRef::initWithLink(const QString& link, const QString& title)
{
    auto ref = std::make_shared<ZQLinkRef>();
    ref->m_link = link;
    ref->m_title = title;
    ref->m_footnoteIndex = 1;
    return ref;
}

plat::ObjectPtr ZQLinkRef::copy() const
{
    auto ref = std::make_shared<ZQLinkRef>();
    ref->m_title = m_title;
    ref->m_link = m_link;
    ref->m_label = m_label;
    ref->m_refLabel = m_refLabel;
    ref->m_linkType = m_linkType;
    return ref;
}

QString ZQLinkRef::description() const
{
    return QStringLiteral("Link:%1; Title:%2; Label:%3; FN:%4; Index:%5; Type %6")
        .arg(m_link, m_title, m_label, m_isFootnote ? QStringLiteral("Y") : QStringLiteral("N"))
        .arg(m_footnoteIndex)
        .arg(m_linkType);
}

void ZQLinkRef::encodeWithCoder(plat::KeyedArchiver& coder) const
{
    encodePresent(coder, QStringLiteral("link"), m_link);
    encodePresent(coder, QStringLiteral("title"), m_title);
    encodePresent(coder, QStringLiteral("label"), m_label);
    encodePresent(coder, QStringLiteral("refLabel"), m_refLabel);
    coder.encodeInteger(QStringLiteral("linkType"), qint64(m_linkType));
}
