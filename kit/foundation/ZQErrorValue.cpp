#include "kit/foundation/ZQErrorValue.h"

QString ZQErrorValue::localizedDescription() const
{
    const auto description = m_userInfo.find(localizedDescriptionKey());
    if (description != m_userInfo.end())
        return description->second.toString();
    return QStringLiteral("The operation couldn\u2019t be completed. (%1 error %2.)").arg(m_domain).arg(m_code);
}
