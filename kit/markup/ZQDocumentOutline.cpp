#include "kit/markup/ZQDocumentOutline.h"

#include "platform/foundation/KeyedArchive.h"

namespace {

const QString IndexKey = QStringLiteral("index");
const QString LevelKey = QStringLiteral("level");
const QString HeadingKey = QStringLiteral("heading");
const QString TagKey = QStringLiteral("tag");
const QString RangeKey = QStringLiteral("range");
const QString EditorTypeKey = QStringLiteral("editorType");

[[maybe_unused]] const bool registered = [] {
    using plat::KeyedUnarchiver;
    KeyedUnarchiver::registerClass(QStringLiteral("ZQDocumentHeading"), [](KeyedUnarchiver& c) -> plat::ObjectPtr {
        return ZQDocumentHeading::initWithIndex(c.decodeInteger(IndexKey), c.decodeInteger(LevelKey),
                                                c.decodeString(HeadingKey), c.decodeRange(RangeKey),
                                                quint64(c.decodeInteger(EditorTypeKey)));
    });
    KeyedUnarchiver::registerClass(QStringLiteral("ZQDocumentTag"), [](KeyedUnarchiver& c) -> plat::ObjectPtr {
        return ZQDocumentTag::initWithIndex(c.decodeInteger(IndexKey), c.decodeString(TagKey), c.decodeRange(RangeKey),
                                            quint64(c.decodeInteger(EditorTypeKey)));
    });
    return true;
}();

} // namespace

std::shared_ptr<ZQDocumentHeading> ZQDocumentHeading::initWithIndex(qint64 index, qint64 level, const QString& heading,
                                                                    plat::Range range, quint64 editorType)
{
    std::shared_ptr<ZQDocumentHeading> h(new ZQDocumentHeading);
    h->m_index = index;
    h->m_level = level;
    h->m_heading = heading;
    h->m_range = range;
    h->m_editorType = editorType;
    return h;
}

void ZQDocumentHeading::encodeWithCoder(plat::KeyedArchiver& coder) const
{
    coder.encodeInteger(IndexKey, m_index);
    coder.encodeInteger(LevelKey, m_level);
    coder.encodeString(HeadingKey, m_heading);
    coder.encodeRange(RangeKey, m_range);
    coder.encodeInteger(EditorTypeKey, qint64(m_editorType));
}

std::shared_ptr<ZQDocumentTag> ZQDocumentTag::initWithIndex(qint64 index, const QString& tag, plat::Range range,
                                                            quint64 editorType)
{
    std::shared_ptr<ZQDocumentTag> t(new ZQDocumentTag);
    t->m_index = index;
    t->m_tagText = tag;
    t->m_range = range;
    t->m_editorType = editorType;
    return t;
}

void ZQDocumentTag::encodeWithCoder(plat::KeyedArchiver& coder) const
{
    coder.encodeInteger(IndexKey, m_index);
    coder.encodeString(TagKey, m_tagText);
    coder.encodeRange(RangeKey, m_range);
    coder.encodeInteger(EditorTypeKey, qint64(m_editorType));
}

std::shared_ptr<ZQDocumentOutline> ZQDocumentOutline::initWithPageUuid(const QString& pageUuid)
{
    return std::shared_ptr<ZQDocumentOutline>(new ZQDocumentOutline(pageUuid));
}
