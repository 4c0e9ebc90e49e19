#include "platform/foundation/Url.h"

#include "platform/foundation/KeyedArchive.h"

#include <QHashFunctions>

namespace plat {

namespace {

[[maybe_unused]] const bool urlRegistered = [] {
    KeyedUnarchiver::registerClass(QStringLiteral("Url"), [](KeyedUnarchiver& coder) -> ObjectPtr {
        return Url::fromString(coder.decodeString(QStringLiteral("string")));
    });
    return true;
}();

} // namespace

std::shared_ptr<Url> Url::fromString(const QString& string)
{
    return std::shared_ptr<Url>(new Url(string));
}

bool Url::isEqual(const Object& other) const
{
    const auto* url = dynamic_cast<const Url*>(&other);
    return url && url->m_string == m_string;
}

std::size_t Url::hash() const
{
    return qHash(m_string);
}

void Url::encodeWithCoder(KeyedArchiver& coder) const
{
    coder.encodeString(QStringLiteral("string"), m_string);
}

} // namespace plat
