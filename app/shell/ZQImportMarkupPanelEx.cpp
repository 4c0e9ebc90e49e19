#include "app/shell/ZQImportMarkupPanelEx.h"

#include "platform/foundation/UserDefaults.h"

ZQImportMarkupPanelEx::ZQImportMarkupPanelEx()
    : m_checked(plat::UserDefaults::standardUserDefaults()->integerForKey(defaultsKey()) == 1)
{
}

bool ZQImportMarkupPanelEx::importImage()
{
    const auto defaults = plat::UserDefaults::standardUserDefaults();
    defaults->setInteger(m_checked ? 1 : 0, defaultsKey());
    defaults->synchronize();
    return m_checked;
}
