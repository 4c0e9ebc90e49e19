#include "app/shell/INPopoverParentWindow.h"

#include "app/shell/INPopoverWindow.h"

#include <QApplication>

bool INPopoverParentWindow::isKeyWindow() const
{
    if (isActiveWindow())
        return true;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* popover = qobject_cast<INPopoverWindow*>(widget);
        if (popover && popover->attachedWindow() == this)
            return QGuiApplication::applicationState() == Qt::ApplicationActive;
    }
    return false;
}
