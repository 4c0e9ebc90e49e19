#include "app/shell/ZQMaxLineFldDelegate.h"

#include "platform/foundation/UserDefaults.h"

bool ZQMaxLineFldDelegate::controlTextDidChange(const QString& text)
{
    bool number = false;
    const qint64 value = text.toLongLong(&number);
    if (!number || value < 41 || value >= 1000 || !m_settings)
        return false;
    plat::UserDefaults::standardUserDefaults()->setInteger(value, QStringLiteral("lineMaxCharacters"));
    m_settings->setLineMaxCharacters(quint64(value));
    m_settings->resetLineWidth();
    return true;
}
