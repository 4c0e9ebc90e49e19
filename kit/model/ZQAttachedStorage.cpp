#include "kit/model/ZQAttachedStorage.h"

#include "platform/foundation/KeyedArchive.h"

namespace {

[[maybe_unused]] const bool registered = [] {
    plat::KeyedUnarchiver::registerClass(QStringLiteral("ZQAttachedStorage"), [](plat::KeyedUnarchiver& c) -> plat::ObjectPtr {
        auto storage = ZQAttachedStorage::create();
        storage->setUuid(c.decodeString(QStringLiteral("uuid")));
        storage->setOwner(c.decodeString(QStringLiteral("owner")));
        storage->setAttachedText(plat::objectCast<ZQAttachedTextObject>(c.decodeObject(QStringLiteral("textStorage"))));
        storage->setAttachedObject(plat::objectCast<ZQAttachedImageObject>(c.decodeObject(QStringLiteral("objectStorage"))));
        storage->setAttachedLink(plat::objectCast<ZQAttachedLinkObject>(c.decodeObject(QStringLiteral("attachedLink"))));
        return storage;
    });
    return true;
}();

template <typename T>
std::shared_ptr<T> copyOf(const std::shared_ptr<T>& payload)
{
    return payload ? plat::objectCast<T>(payload->copy()) : nullptr;
}

} // namespace

std::shared_ptr<ZQAttachedStorage> ZQAttachedStorage::create()
{
    return std::shared_ptr<ZQAttachedStorage>(new ZQAttachedStorage());
}

void ZQAttachedStorage::copyInto(ZQAttachedStorage& copy) const
{
    std::lock_guard lock(m_mutex);
    copy.m_uuid = m_uuid;
    copy.m_owner = m_owner;
    copy.m_attachedText = copyOf(m_attachedText);
    copy.m_attachedLink = copyOf(m_attachedLink);
    copy.m_attachedObject = copyOf(m_attachedObject);
}

std::shared_ptr<plat::Object> ZQAttachedStorage::copy() const
{
    auto record = create();
    copyInto(*record);
    return record;
}

void ZQAttachedStorage::encodeWithCoder(plat::KeyedArchiver& coder) const
{
    std::lock_guard lock(m_mutex);
    coder.encodeString(QStringLiteral("uuid"), m_uuid);
    coder.encodeString(QStringLiteral("owner"), m_owner);
    coder.encodeObject(QStringLiteral("textStorage"), m_attachedText);
    coder.encodeObject(QStringLiteral("objectStorage"), m_attachedObject);
    coder.encodeObject(QStringLiteral("attachedLink"), m_attachedLink);
}
