#include "app/shell/INPopoverWindow.h"

#include "app/shell/INPopoverController.h"

#include <QLabel>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>

namespace {

// The platform's default animation length.
constexpr int AnimationMilliseconds = 250;

} // namespace

INPopoverWindow::INPopoverWindow()
{
    m_frameView = new INPopoverWindowFrame(this);
    m_frameView->setGeometry(rect());
    connect(this, &plat::PopoverWindow::cancelOperation, this, [this] {
        if (m_popoverController && m_popoverController->closesWhenEscapeKeyPressed())
            m_popoverController->closePopover();
    });
}

INPopoverWindow::~INPopoverWindow()
{
    if (m_animation)
        m_animation->stop();
    // The content view belongs to whoever gave it.
    if (m_popoverContentView)
        m_popoverContentView->setParent(nullptr);
}

QRectF INPopoverWindow::contentRectForFrameRect(const QRectF& frameRect) const
{
    const qreal depth = m_frameView->arrowSize().height();
    return frameRect.adjusted(depth, depth, -depth, -depth);
}

QRectF INPopoverWindow::frameRectForContentRect(const QRectF& contentRect) const
{
    const qreal depth = m_frameView->arrowSize().height();
    return contentRect.adjusted(-depth, -depth, depth, depth);
}

void INPopoverWindow::setFrame(const QRectF& frame)
{
    setGeometry(frame.toRect());
}

void INPopoverWindow::setPopoverContentView(QWidget* view)
{
    if (view == m_popoverContentView)
        return;
    const QRectF bounds(QPointF(0, 0), QSizeF(size()));
    if (m_popoverContentView) {
        m_popoverContentView->hide();
        m_popoverContentView->setParent(nullptr);
    }
    m_popoverContentView = view;
    if (!view)
        return;
    view->setParent(m_frameView);
    view->setGeometry(contentRectForFrameRect(bounds).toRect());
    view->show();
}

void INPopoverWindow::resizeEvent(QResizeEvent* event)
{
    plat::PopoverWindow::resizeEvent(event);
    layoutContent();
}

void INPopoverWindow::layoutContent()
{
    m_frameView->setGeometry(rect());
    if (!m_popoverContentView)
        return;
    // The content follows the panel's width only, as it was told to.
    const QRectF content = contentRectForFrameRect(QRectF(rect()));
    QRect geometry = m_popoverContentView->geometry();
    geometry.setLeft(int(content.left()));
    geometry.setWidth(int(content.width()));
    m_popoverContentView->setGeometry(geometry);
}

bool INPopoverWindow::isPopoverVisible() const
{
    return isVisible() || (m_zoomWindow && m_zoomWindow->isVisible());
}

void INPopoverWindow::presentAnimated()
{
    if (isPopoverVisible())
        return;
    const qint64 type = m_popoverController ? m_popoverController->animationType() : 0;
    if (type == INPopoverController::AnimationFade || type == INPopoverController::AnimationFadeIn)
        presentWithFadeAnimation();
    else if (type == INPopoverController::AnimationPop)
        presentWithPopAnimation();
}

void INPopoverWindow::presentWithPopAnimation()
{
    const QRectF endFrame = frame();
    const quint64 direction = m_frameView->arrowDirection();
    QRectF startFrame = endFrame;
    QRectF overshootFrame = endFrame;
    if (m_popoverController) {
        startFrame = m_popoverController->popoverFrameWithSize(QSizeF(20, 20), direction);
        overshootFrame = m_popoverController->popoverFrameWithSize(
            QSizeF(endFrame.width(), endFrame.height() * 1.1), direction);
    }
    m_zoomWindow = zoomWindowWithRect(startFrame);
    m_zoomWindow->setWindowOpacity(0.0);
    m_zoomWindow->show();
    m_zoomWindow->raise();

    auto* group = new QParallelAnimationGroup(this);
    auto* frames = new QPropertyAnimation(m_zoomWindow.get(), "geometry", group);
    frames->setDuration(AnimationMilliseconds);
    frames->setKeyValueAt(0.0, startFrame.toRect());
    frames->setKeyValueAt(0.5, overshootFrame.toRect());
    frames->setKeyValueAt(1.0, endFrame.toRect());
    auto* alpha = new QPropertyAnimation(m_zoomWindow.get(), "windowOpacity", group);
    alpha->setDuration(AnimationMilliseconds);
    alpha->setStartValue(0.0);
    alpha->setEndValue(1.0);
    runAnimation(group, true);
}

void INPopoverWindow::presentWithFadeAnimation()
{
    setWindowOpacity(0.0);
    makeKeyAndOrderFront();
    auto* alpha = new QPropertyAnimation(this, "windowOpacity", this);
    alpha->setDuration(AnimationMilliseconds);
    alpha->setStartValue(0.0);
    alpha->setEndValue(1.0);
    runAnimation(alpha, false);
}

void INPopoverWindow::dismissAnimated()
{
    auto* group = new QParallelAnimationGroup(this);
    if (m_zoomWindow) {
        auto* zoomAlpha = new QPropertyAnimation(m_zoomWindow.get(), "windowOpacity", group);
        zoomAlpha->setDuration(AnimationMilliseconds);
        zoomAlpha->setEndValue(0.0);
    }
    auto* alpha = new QPropertyAnimation(this, "windowOpacity", group);
    alpha->setDuration(AnimationMilliseconds);
    alpha->setEndValue(0.0);
    runAnimation(group, false);
}

void INPopoverWindow::runAnimation(QAbstractAnimation* animation, bool panelEnds)
{
    if (m_animation)
        m_animation->stop();
    m_animation = animation;
    connect(animation, &QAbstractAnimation::finished, this, [this, panelEnds] {
        if (panelEnds) {
            animationDidStop(true);
        } else if (m_alphaAnimationDelegate) {
            m_alphaAnimationDelegate->animationDidStop(true);
        }
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void INPopoverWindow::animationDidStop(bool finished)
{
    setWindowOpacity(1.0);
    if (m_zoomWindow) {
        m_zoomWindow->hide();
        m_zoomWindow.reset();
    }
    if (m_alphaAnimationDelegate)
        m_alphaAnimationDelegate->animationDidStop(finished);
}

std::unique_ptr<QWidget> INPopoverWindow::zoomWindowWithRect(const QRectF& rect)
{
    // A snapshot of the panel as it will look, scaled freely on both axes.
    layoutContent();
    const QPixmap snapshot = grab();
    auto window = std::make_unique<QLabel>();
    window->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    window->setAttribute(Qt::WA_TranslucentBackground);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setScaledContents(true);
    window->setPixmap(snapshot);
    window->setGeometry(rect.toRect());
    return window;
}
