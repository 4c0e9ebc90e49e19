#include "platform/foundation/ObserverList.h"

namespace plat {

ObserverToken nextObserverToken()
{
    static std::atomic<ObserverToken> last{0};
    return ++last;
}

} // namespace plat
