#include "platform/ui/PopoverWindow.h"

#include <QKeyEvent>
#include <QWindow>

namespace plat {

PopoverWindow::PopoverWindow(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    applyFlags();
}

PopoverWindow::~PopoverWindow() = default;

void PopoverWindow::applyFlags()
{
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint;
    if (!m_takesKeyboardFocus)
        flags |= Qt::WindowDoesNotAcceptFocus;
    const bool visible = isVisible();
    setWindowFlags(flags);
    setAttribute(Qt::WA_ShowWithoutActivating, !m_takesKeyboardFocus);
    setFocusPolicy(m_takesKeyboardFocus ? Qt::StrongFocus : Qt::NoFocus);
    // Changing the flags hides a window; keep what the caller saw.
    if (visible)
        show();
}

void PopoverWindow::setTakesKeyboardFocus(bool takes)
{
    if (takes == m_takesKeyboardFocus)
        return;
    m_takesKeyboardFocus = takes;
    applyFlags();
}

void PopoverWindow::makeKeyAndOrderFront()
{
    show();
    raise();
    if (m_takesKeyboardFocus)
        activateWindow();
}

void PopoverWindow::orderOut()
{
    hide();
}

void PopoverWindow::attachToWindow(QWidget* window)
{
    m_attachedWindow = window;
    // Created so that the link to the window's handle can be made now.
    winId();
    QWindow* parentHandle = nullptr;
    if (window) {
        window->winId();
        parentHandle = window->windowHandle();
    }
    if (QWindow* handle = windowHandle())
        handle->setTransientParent(parentHandle);
}

void PopoverWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        emit cancelOperation();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace plat
