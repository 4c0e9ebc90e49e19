#include "platform/foundation/Uuid.h"

#include <QUuid>

namespace plat {

QString newUuidString()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

} // namespace plat
