#include "app/shell/INPopoverController.h"

#include "app/shell/INPopoverParentWindow.h"
#include "platform/foundation/NotificationCenter.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

INPopoverController::INPopoverController() : m_window(std::make_unique<INPopoverWindow>())
{
    setInitialPropertyValues();
}

INPopoverController::~INPopoverController()
{
    m_window->setPopoverController(nullptr);
    m_window->setAlphaAnimationDelegate(nullptr);
}

void INPopoverController::setInitialPropertyValues()
{
    m_window->setPopoverController(this);
    setColor(QColor::fromRgbF(0.94f, 0.94f, 0.94f, 0.92f));
    setBorderColor(QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.92f));
    setBorderWidth(1.0);
    m_closesWhenEscapeKeyPressed = true;
    m_closesWhenPopoverResignsKey = true;
    m_closesWhenApplicationBecomesInactive = false;
    m_animates = true;
    m_animationType = AnimationPop;
}

void INPopoverController::setContentViewController(QWidget* view)
{
    m_window->setPopoverContentView(nullptr);
    m_contentViewController = view;
    setContentSize(view ? QSizeF(view->size()) : QSizeF());
    m_window->setPopoverContentView(view);
}

void INPopoverController::setContentSize(const QSizeF& size)
{
    m_contentSize = size;
    m_window->setFrame(popoverFrameWithSize(size, arrowDirection()));
}

void INPopoverController::setArrowDirection(quint64 direction)
{
    frame()->setArrowDirection(direction);
}

void INPopoverController::updateScreenRects()
{
    m_screenRect = QRectF();
    m_screenInsideRect = QRectF();
    if (!m_positionView)
        return;
    auto toScreen = [this](const QRectF& rect) {
        const QPointF topLeft = m_positionView->mapToGlobal(rect.topLeft());
        const QPointF bottomRight = m_positionView->mapToGlobal(rect.bottomRight());
        return QRectF(topLeft, bottomRight);
    };
    m_screenRect = toScreen(m_viewRect);
    // The inside rectangle gives the panel's x and width; its height carries
    // its x through the conversion, so that a scaled conversion can be undone.
    QRectF inside = m_insideRect;
    inside.setHeight(m_insideRect.x());
    m_screenInsideRect = toScreen(inside);
    if (m_insideRect.width() != m_screenInsideRect.width())
        m_screenInsideRect.setWidth(m_insideRect.width()
                                    + (m_screenInsideRect.height() - m_insideRect.x()) * -2.0);
}

QRectF INPopoverController::popoverFrameWithSize(const QSizeF& size, quint64 direction) const
{
    QRectF frameRect = m_window->frameRectForContentRect(QRectF(QPointF(0, 0), size));
    if (direction == ArrowDown) {
        // Above the anchor, as wide as the inside rectangle.
        frameRect.moveTo(m_screenInsideRect.x(), m_screenRect.top() - frameRect.height());
        frameRect.setWidth(m_screenInsideRect.width());
    } else if (direction == ArrowUp) {
        frameRect.moveTo(m_screenInsideRect.x(), m_screenRect.bottom());
        frameRect.setWidth(m_screenInsideRect.width());
    }
    return frameRect;
}

void INPopoverController::showRelativeToRect(const QRectF& rect, const QRectF& insideRect, QWidget* view,
                                             quint64 preferredEdge)
{
    if (popoverIsVisible())
        return;
    {
        std::lock_guard lock(m_lock);
        m_window->isClosing = false;
        m_window->isShowing = true;
    }
    m_positioningWindow = view ? view->window() : nullptr;
    m_positionView = view;
    m_viewRect = rect;
    m_insideRect = insideRect;
    updateScreenRects();
    setArrowDirection(preferredEdge);
    setContentSize(QSizeF(insideRect.width(), m_contentSize.height()));
    m_window->setFrame(popoverFrameWithSize(m_contentSize, arrowDirection()));

    m_window->setAlphaAnimationDelegate(this);
    if (m_delegate)
        m_delegate->popoverWillShow(*this);
    if (!m_animates || m_animationType == AnimationNone) {
        m_window->setWindowOpacity(1.0);
        m_window->attachToWindow(m_positioningWindow);
        m_window->makeKeyAndOrderFront();
        if (m_delegate)
            m_delegate->popoverDidShow(*this);
    } else {
        m_window->presentAnimated();
    }
}

void INPopoverController::positioningViewFrameChanged(const QRectF& rect, const QRectF& insideRect)
{
    if (!m_positionView)
        return;
    QRectF visible;
    if (QWidget* superview = m_positionView->parentWidget()) {
        const QRectF bounds(superview->rect());
        visible = QRectF(superview->mapToGlobal(bounds.topLeft()), superview->mapToGlobal(bounds.bottomRight()));
    }
    m_viewRect = rect;
    m_insideRect = insideRect;
    updateScreenRects();
    m_contentSize = QSizeF(insideRect.width(), m_contentSize.height());
    const QRectF frameRect = popoverFrameWithSize(m_contentSize, arrowDirection());
    if (frameRect.bottom() <= visible.bottom() && frameRect.top() >= visible.top())
        m_window->setFrame(frameRect);
    else
        forceClosePopover(false);
}

quint64 INPopoverController::arrowDirectionWithPreferredArrowDirection(quint64 direction) const
{
    QRectF screenFrame;
    if (m_positioningWindow && m_positioningWindow->screen())
        screenFrame = QRectF(m_positioningWindow->screen()->geometry());
    auto fits = [&](quint64 candidate) {
        return !screenFrame.isEmpty() && screenFrame.contains(popoverFrameWithSize(m_contentSize, candidate));
    };
    if (fits(direction))
        return direction;
    quint64 opposite = ArrowRight;
    if (direction <= ArrowUp)
        opposite = (direction + 2) % 4;
    if (fits(opposite))
        return opposite;
    quint64 other = ArrowRight;
    if (direction == ArrowRight || direction == ArrowLeft) {
        const qreal below = screenFrame.height() - m_screenRect.bottom();
        const qreal above = m_screenRect.top();
        other = below > above ? ArrowUp : ArrowDown;
    } else if (direction == ArrowDown || direction == ArrowUp) {
        const qreal toRight = screenFrame.width() - m_screenRect.right();
        other = toRight > m_screenRect.x() ? ArrowLeft : ArrowRight;
    }
    if (fits(other))
        return other;
    return direction;
}

void INPopoverController::recalculateAndResetArrowDirection()
{
    setArrowDirection(arrowDirectionWithPreferredArrowDirection(arrowDirection()));
    // The arrow's edge decides the side of the anchor the panel stands on.
    m_window->setFrame(popoverFrameWithSize(m_contentSize, arrowDirection()));
}

void INPopoverController::closePopover(const plat::Notification* sender)
{
    if (!popoverIsVisible())
        return;
    if (sender && sender->name == WindowDidResignKeyNotification && !m_closesWhenApplicationBecomesInactive
        && QGuiApplication::applicationState() != Qt::ApplicationActive)
        return;
    if (m_delegate && !m_delegate->popoverShouldClose(*this))
        return;
    forceClosePopover(true);
}

void INPopoverController::forceClosePopover(bool animate)
{
    if (!popoverIsVisible())
        return;
    {
        std::lock_guard lock(m_lock);
        m_window->isClosing = true;
        m_window->isShowing = false;
    }
    if (m_delegate)
        m_delegate->popoverWillClose(*this);
    if (animate && m_animates && m_animationType != AnimationFade)
        m_window->dismissAnimated();
    else
        closePopoverAndResetVariables();
}

void INPopoverController::closePopoverAndResetVariables()
{
    m_window->orderOut();
    if (m_delegate)
        m_delegate->popoverDidClose(*this);
    m_window->attachToWindow(nullptr);
    if (m_positioningWindow) {
        m_positioningWindow->raise();
        m_positioningWindow->activateWindow();
    }
    setArrowDirection(ArrowRight);
    m_positionView = nullptr;
    m_screenRect = QRectF();
    m_viewRect = QRectF();
    m_screenInsideRect = QRectF();
    // A late end of the fade must not reach a popover that is shown again meanwhile.
    INPopoverWindow* window = m_window.get();
    QTimer::singleShot(0, window, [window] { window->setAlphaAnimationDelegate(nullptr); });
}

void INPopoverController::animationDidStop(bool)
{
    const qreal alpha = m_window->windowOpacity();
    if (alpha == 0.0) {
        if (!m_window->isClosing)
            return;
        closePopoverAndResetVariables();
    } else if (alpha == 1.0) {
        if (!m_window->isShowing)
            return;
        m_window->makeKeyAndOrderFront();
        m_window->attachToWindow(m_positioningWindow);
        if (m_delegate)
            m_delegate->popoverDidShow(*this);
    }
    std::lock_guard lock(m_lock);
    m_window->isClosing = false;
    m_window->isShowing = false;
}

void INPopoverController::applicationDidBecomeActive(const plat::Notification*)
{
    if (!popoverIsVisible())
        return;
    QTimer::singleShot(0, m_window.get(), [this] { checkPopoverKeyWindowStatus(); });
}

void INPopoverController::checkPopoverKeyWindowStatus()
{
    QWidget* anchorWindow = m_positionView ? m_positionView->window() : nullptr;
    if (!anchorWindow)
        return;
    bool key = false;
    if (auto* parent = qobject_cast<INPopoverParentWindow*>(anchorWindow))
        key = parent->isReallyKeyWindow();
    else
        key = anchorWindow->isActiveWindow();
    if (key)
        m_window->makeKeyAndOrderFront();
}
