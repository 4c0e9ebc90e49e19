#include "platform/foundation/NotificationCenter.h"

namespace plat {

NotificationCenter& NotificationCenter::defaultCenter()
{
    // Never destroyed: observers may still be removed from late destructors.
    static auto* center = new NotificationCenter;
    return *center;
}

} // namespace plat
