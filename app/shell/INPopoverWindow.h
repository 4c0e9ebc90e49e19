#pragma once
// The panel of a popover: a borderless floating panel whose content view is
// its frame view (the drawing of box and arrow), holding the popover's content
// inset by the arrow's depth. It shows with a pop (a snapshot growing from a
// small box through an overshoot), a fade, or at once.

#include "app/shell/INPopoverWindowFrame.h"
#include "platform/ui/PopoverWindow.h"

#include <QPointer>
#include <memory>

class INPopoverController;
class QAbstractAnimation;
class QLabel;

class INPopoverWindow : public plat::PopoverWindow {
    Q_OBJECT
public:
    INPopoverWindow();
    ~INPopoverWindow() override;

    INPopoverWindowFrame* frameView() const { return m_frameView; }
    QWidget* popoverContentView() const { return m_popoverContentView; }
    // The view stays its caller's: replacing it or closing the panel hands it back.
    void setPopoverContentView(QWidget* view);
    void setContentView(QWidget* view) { setPopoverContentView(view); }

    // Inset by the arrow's depth on all four sides, and back.
    QRectF contentRectForFrameRect(const QRectF& frameRect) const;
    QRectF frameRectForContentRect(const QRectF& contentRect) const;

    // Screen coordinates, y down.
    QRectF frame() const { return QRectF(geometry()); }
    void setFrame(const QRectF& frame);

    INPopoverController* popoverController() const { return m_popoverController; }
    void setPopoverController(INPopoverController* controller) { m_popoverController = controller; }
    // Told when the panel's alpha animation ends; none while no animation is wanted.
    INPopoverController* alphaAnimationDelegate() const { return m_alphaAnimationDelegate; }
    void setAlphaAnimationDelegate(INPopoverController* delegate) { m_alphaAnimationDelegate = delegate; }

    bool isShowing = false;
    bool isClosing = false;

    // The panel or, during a pop, its zoom window is on screen.
    bool isPopoverVisible() const;
    QWidget* zoomWindow() const { return m_zoomWindow.get(); }

    void presentAnimated();
    void presentWithPopAnimation();
    void presentWithFadeAnimation();
    void dismissAnimated();
    void animationDidStop(bool finished);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::unique_ptr<QWidget> zoomWindowWithRect(const QRectF& rect);
    void layoutContent();
    void runAnimation(QAbstractAnimation* animation, bool panelEnds);

    INPopoverWindowFrame* m_frameView = nullptr; // a child: Qt owns it
    QPointer<QWidget> m_popoverContentView;
    std::unique_ptr<QWidget> m_zoomWindow;
    INPopoverController* m_popoverController = nullptr;
    INPopoverController* m_alphaAnimationDelegate = nullptr;
    QPointer<QAbstractAnimation> m_animation;
};
