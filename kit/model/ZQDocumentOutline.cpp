#include "kit/model/ZQDocumentOutline.h"

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
                                                editorTypeFromStored(quint64(c.decodeInteger(EditorTypeKey))));
    });
    KeyedUnarchiver::registerClass(QStringLiteral("ZQDocumentTag"), [](KeyedUnarchiver& c) -> plat::ObjectPtr {
        return ZQDocumentTag::initWithIndex(c.decodeInteger(IndexKey), c.decodeString(TagKey), c.decodeRange(RangeKey),
                                            editorTypeFromStored(quint64(c.decodeInteger(EditorTypeKey))));
    });
    return true;
}();

} // namespace

void ZQDocumentOutlineEntry::encodeWithCoder(plat::KeyedArchiver& coder) const
{
    coder.encodeInteger(IndexKey, m_index);
    coder.encodeRange(RangeKey, m_range);
    coder.encodeInteger(EditorTypeKey, qint64(storedValue(m_editorType)));
}

std::shared_ptr<ZQDocumentHeading> ZQDocumentHeading::initWithIndex(qint64 index, qint64 level, const QString& heading,
                                                                    plat::Range range, ZQEditorType editorType)
{
    std::shared_ptr<ZQDocumentHeading> h(new ZQDocumentHeading(index, range, editorType));
    h->m_level = level;
    h->m_heading = heading;
    return h;
}

void ZQDocumentHeading::encodeWithCoder(plat::KeyedArchiver& coder) const
{
    ZQDocumentOutlineEntry::encodeWithCoder(coder);
    coder.encodeInteger(LevelKey, m_level);
    coder.encodeString(HeadingKey, m_heading);
}

std::shared_ptr<ZQDocumentTag> ZQDocumentTag::initWithIndex(qint64 index, const QString& tag, plat::Range range,
                                                            ZQEditorType editorType)
{
    std::shared_ptr<ZQDocumentTag> t(new ZQDocumentTag(index, range, editorType));
    t->m_tagText = tag;
    return t;
}

void ZQDocumentTag::encodeWithCoder(plat::KeyedArchiver& coder) const
{
    ZQDocumentOutlineEntry::encodeWithCoder(coder);
    coder.encodeString(TagKey, m_tagText);
}

std::shared_ptr<ZQDocumentOutline> ZQDocumentOutline::initWithPageUuid(const QString& pageUuid)
{
    return std::shared_ptr<ZQDocumentOutline>(new ZQDocumentOutline(pageUuid));
}
