#pragma once
// Shows a view in a popover panel above or below an anchor rectangle of
// another view, as wide as a second (inside) rectangle, with a pop, a fade or
// no animation, and closes it again. Main thread only.

#include "app/shell/INPopoverWindow.h"

#include <QColor>
#include <QPointer>
#include <QRectF>
#include <memory>
#include <mutex>

namespace plat {
struct Notification;
}

class INPopoverController;

// Every call is optional: the defaults do nothing and let the popover close.
class INPopoverControllerDelegate {
public:
    virtual ~INPopoverControllerDelegate() = default;
    virtual bool popoverShouldClose(INPopoverController&) { return true; }
    virtual void popoverWillShow(INPopoverController&) {}
    virtual void popoverDidShow(INPopoverController&) {}
    virtual void popoverWillClose(INPopoverController&) {}
    virtual void popoverDidClose(INPopoverController&) {}
};

// The notification that asks a popover to close when its panel lost the keyboard.
inline const QString WindowDidResignKeyNotification = QStringLiteral("NSWindowDidResignKeyNotification");

class INPopoverController {
public:
    // Arrow directions: the edge the arrow is drawn on.
    enum : quint64 { ArrowRight = 0, ArrowDown = 1, ArrowLeft = 2, ArrowUp = 3 };
    // Animation types.
    enum : qint64 { AnimationPop = 0, AnimationFade = 1, AnimationNone = 2, AnimationFadeIn = 3 };

    INPopoverController();
    ~INPopoverController();
    INPopoverController(const INPopoverController&) = delete;
    INPopoverController& operator=(const INPopoverController&) = delete;

    // Not retained.
    INPopoverControllerDelegate* delegate() const { return m_delegate; }
    void setDelegate(INPopoverControllerDelegate* delegate) { m_delegate = delegate; }

    QColor color() const { return frame()->color(); }
    void setColor(const QColor& color) { frame()->setColor(color); }
    QColor borderColor() const { return frame()->borderColor(); }
    void setBorderColor(const QColor& color) { frame()->setBorderColor(color); }
    QColor topHighlightColor() const { return frame()->topHighlightColor(); }
    void setTopHighlightColor(const QColor& color) { frame()->setTopHighlightColor(color); }
    QColor shadowHighlightColor() const { return frame()->shadowHighlightColor(); }
    void setShadowHighlightColor(const QColor& color) { frame()->setShadowHighlightColor(color); }
    double borderWidth() const { return frame()->borderWidth(); }
    void setBorderWidth(double width) { frame()->setBorderWidth(width); }
    double cornerRadius() const { return frame()->cornerRadius(); }
    void setCornerRadius(double radius) { frame()->setCornerRadius(radius); }
    QSizeF arrowSize() const { return frame()->arrowSize(); }
    void setArrowSize(const QSizeF& size) { frame()->setArrowSize(size); }
    quint64 arrowDirection() const { return frame()->arrowDirection(); }

    QSizeF contentSize() const { return m_contentSize; }
    void setContentSize(const QSizeF& size);
    bool closesWhenEscapeKeyPressed() const { return m_closesWhenEscapeKeyPressed; }
    void setClosesWhenEscapeKeyPressed(bool closes) { m_closesWhenEscapeKeyPressed = closes; }
    // Kept for the caller; nothing here reads it.
    bool closesWhenPopoverResignsKey() const { return m_closesWhenPopoverResignsKey; }
    void setClosesWhenPopoverResignsKey(bool closes) { m_closesWhenPopoverResignsKey = closes; }
    bool closesWhenApplicationBecomesInactive() const { return m_closesWhenApplicationBecomesInactive; }
    void setClosesWhenApplicationBecomesInactive(bool closes) { m_closesWhenApplicationBecomesInactive = closes; }
    bool animates() const { return m_animates; }
    void setAnimates(bool animates) { m_animates = animates; }
    qint64 animationType() const { return m_animationType; }
    void setAnimationType(qint64 type) { m_animationType = type; }

    // A view controller is its view here. The view stays its caller's.
    QWidget* contentViewController() const { return m_contentViewController; }
    void setContentViewController(QWidget* view);
    QWidget* contentView() const { return m_window->popoverContentView(); }
    // Whether showing takes the keyboard (a popover hosting an editor must).
    void setTakesKeyboardFocus(bool takes) { m_window->setTakesKeyboardFocus(takes); }

    QWidget* positionView() const { return m_positionView; }
    INPopoverWindow& popoverWindow() const { return *m_window; }
    bool popoverIsVisible() const { return m_window->isPopoverVisible(); }

    QRectF viewRect() const { return m_viewRect; }
    QRectF insideRect() const { return m_insideRect; }
    QRectF screenRect() const { return m_screenRect; }
    QRectF screenInsideRect() const { return m_screenInsideRect; }

    // Rectangles in view's coordinates; preferredEdge is the arrow direction.
    void showRelativeToRect(const QRectF& rect, const QRectF& insideRect, QWidget* view, quint64 preferredEdge);
    void positioningViewFrameChanged(const QRectF& rect, const QRectF& insideRect);
    // The panel's frame in screen coordinates (y down) for a content size.
    QRectF popoverFrameWithSize(const QSizeF& size, quint64 arrowDirection) const;

    // sender: a notification, or none.
    void closePopover(const plat::Notification* sender = nullptr);
    void forceClosePopover(bool animate);
    void recalculateAndResetArrowDirection();
    void applicationDidBecomeActive(const plat::Notification* notification = nullptr);
    void checkPopoverKeyWindowStatus();

    // The end of the panel's alpha animation.
    void animationDidStop(bool finished);

private:
    INPopoverWindowFrame* frame() const { return m_window->frameView(); }
    void setInitialPropertyValues();
    void setArrowDirection(quint64 direction);
    quint64 arrowDirectionWithPreferredArrowDirection(quint64 direction) const;
    void closePopoverAndResetVariables();
    void updateScreenRects();

    std::unique_ptr<INPopoverWindow> m_window;
    INPopoverControllerDelegate* m_delegate = nullptr;
    QSizeF m_contentSize;
    bool m_closesWhenEscapeKeyPressed = true;
    bool m_closesWhenPopoverResignsKey = true;
    bool m_closesWhenApplicationBecomesInactive = false;
    bool m_animates = true;
    qint64 m_animationType = AnimationPop;
    QPointer<QWidget> m_contentViewController;
    QPointer<QWidget> m_positionView;
    QPointer<QWidget> m_positioningWindow;
    QRectF m_viewRect;
    QRectF m_insideRect;
    QRectF m_screenRect;
    QRectF m_screenInsideRect;
    std::mutex m_lock;
};
