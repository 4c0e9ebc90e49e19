// The popover kit: the panel's drawing (arrow on the named edge), placement
// beside the anchor, the show and close sequences, Escape, re-placement and
// the arrow's fallback when the preferred side does not fit the screen.

#include "app/shell/INPopoverController.h"
#include "app/shell/INPopoverParentWindow.h"
#include "platform/foundation/NotificationCenter.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

// Runs the event loop until done answers true (a bound, not a measurement).
bool runUntil(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

void pressKey(QWidget* target, int key, const QString& text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

QImage renderFrame(INPopoverWindowFrame& frame)
{
    QImage image(frame.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    frame.drawRect(painter);
    return image;
}

struct RecordingPopoverDelegate : INPopoverControllerDelegate {
    QStringList calls;
    bool allowClose = true;
    bool popoverShouldClose(INPopoverController&) override
    {
        calls << "shouldClose";
        return allowClose;
    }
    void popoverWillShow(INPopoverController&) override { calls << "willShow"; }
    void popoverDidShow(INPopoverController&) override { calls << "didShow"; }
    void popoverWillClose(INPopoverController&) override { calls << "willClose"; }
    void popoverDidClose(INPopoverController&) override { calls << "didClose"; }
};

// A window at a known place with an anchor view inside a container.
struct PopoverStage {
    INPopoverParentWindow window;
    QWidget* container = new QWidget(&window);
    QWidget* anchor = new QWidget(container);
    QWidget content;
    INPopoverController controller;
    RecordingPopoverDelegate delegate;

    PopoverStage()
    {
        window.setGeometry(100, 100, 400, 300);
        container->setGeometry(0, 0, 400, 300);
        anchor->setGeometry(50, 40, 300, 200);
        content.resize(200, 80);
        controller.setDelegate(&delegate);
        controller.setAnimates(false);
        controller.setArrowSize(QSizeF(0, 0));
        controller.setContentViewController(&content);
        window.show();
    }
};

} // namespace

TEST(PopoverFrame, ArrowIsDrawnOnTheEdgeItsDirectionNames)
{
    struct Case {
        quint64 direction;
        QPoint tip; // inside the arrow's margin on that edge only
    };
    // Widget 100 x 60, arrow 20 wide and 10 deep: the box covers the middle,
    // the margins of 10 hold only the arrow.
    const Case cases[] = {{0, {96, 30}}, {1, {50, 56}}, {2, {3, 30}}, {3, {50, 3}}};
    const QPoint margins[] = {{96, 30}, {50, 56}, {3, 30}, {50, 3}};
    for (const Case& c : cases) {
        INPopoverWindowFrame frame;
        frame.resize(100, 60);
        frame.setColor(Qt::red);
        frame.setCornerRadius(4);
        frame.setArrowSize(QSizeF(20, 10));
        frame.setArrowDirection(c.direction);
        const QImage image = renderFrame(frame);
        EXPECT_GT(qAlpha(image.pixel(50, 30)), 200) << "box, direction " << c.direction;
        for (const QPoint& margin : margins) {
            const bool expected = margin == c.tip;
            EXPECT_EQ(qAlpha(image.pixel(margin)) > 128, expected)
                << "direction " << c.direction << " at " << margin.x() << "," << margin.y();
        }
    }
}

TEST(PopoverFrame, CornersAreRoundAndBorderIsStroked)
{
    INPopoverWindowFrame frame;
    frame.resize(80, 50);
    frame.setColor(Qt::white);
    frame.setCornerRadius(8);
    frame.setArrowSize(QSizeF(0, 0));
    frame.setBorderWidth(2);
    frame.setBorderColor(Qt::blue);
    frame.setArrowDirection(3);
    const QImage image = renderFrame(frame);
    EXPECT_LT(qAlpha(image.pixel(0, 0)), 40); // outside the rounded corner
    EXPECT_EQ(QColor(image.pixel(40, 25)), QColor(Qt::white));
    const QColor edge(image.pixel(40, 0));
    EXPECT_GT(edge.blue(), 150);
    EXPECT_LT(edge.red(), 120);
}

TEST(PopoverController, ShowsBelowTheAnchorAsWideAsTheInsideRectangle)
{
    PopoverStage stage;
    const QRectF anchorRect(10, 20, 100, 30);
    const QRectF inside(40, 0, 180, 10);
    stage.controller.showRelativeToRect(anchorRect, inside, stage.anchor, INPopoverController::ArrowUp);

    ASSERT_TRUE(stage.controller.popoverIsVisible());
    EXPECT_EQ(stage.delegate.calls, QStringList({"willShow", "didShow"}));
    const QPoint anchorOrigin = stage.anchor->mapToGlobal(QPoint(0, 0));
    const QRectF frame = stage.controller.popoverWindow().frame();
    EXPECT_DOUBLE_EQ(frame.x(), anchorOrigin.x() + 40);
    EXPECT_DOUBLE_EQ(frame.y(), anchorOrigin.y() + 50);
    EXPECT_DOUBLE_EQ(frame.width(), 180);
    EXPECT_DOUBLE_EQ(frame.height(), 80);
    EXPECT_EQ(stage.content.parentWidget(), stage.controller.popoverWindow().frameView());
    EXPECT_EQ(stage.controller.popoverWindow().attachedWindow(), &stage.window);

    // Above the anchor for an arrow pointing down.
    stage.controller.forceClosePopover(false);
    stage.controller.showRelativeToRect(anchorRect, inside, stage.anchor, INPopoverController::ArrowDown);
    EXPECT_DOUBLE_EQ(stage.controller.popoverWindow().frame().bottom(), anchorOrigin.y() + 20);

    // Showing while shown changes nothing.
    stage.delegate.calls.clear();
    stage.controller.showRelativeToRect(QRectF(0, 0, 5, 5), inside, stage.anchor, INPopoverController::ArrowUp);
    EXPECT_TRUE(stage.delegate.calls.isEmpty());
    EXPECT_EQ(stage.controller.arrowDirection(), quint64(INPopoverController::ArrowDown));
}

TEST(PopoverController, ContentIsInsetByTheArrowDepth)
{
    PopoverStage stage;
    stage.controller.setArrowSize(QSizeF(20, 12));
    stage.controller.setContentViewController(nullptr);
    stage.controller.setContentViewController(&stage.content);
    stage.controller.showRelativeToRect(QRectF(0, 0, 10, 10), QRectF(0, 0, 200, 10), stage.anchor,
                                        INPopoverController::ArrowUp);
    const QRectF frame = stage.controller.popoverWindow().frame();
    EXPECT_DOUBLE_EQ(frame.height(), 80 + 24);
    EXPECT_EQ(stage.content.geometry(), QRect(12, 12, 200 - 24, 80));
}

TEST(PopoverController, CloseAsksTheDelegateAndResets)
{
    PopoverStage stage;
    stage.controller.showRelativeToRect(QRectF(0, 0, 10, 10), QRectF(0, 0, 200, 10), stage.anchor,
                                        INPopoverController::ArrowUp);
    stage.delegate.calls.clear();
    stage.delegate.allowClose = false;
    stage.controller.closePopover();
    EXPECT_TRUE(stage.controller.popoverIsVisible());
    EXPECT_EQ(stage.delegate.calls, QStringList({"shouldClose"}));

    stage.delegate.calls.clear();
    stage.delegate.allowClose = true;
    stage.controller.closePopover();
    EXPECT_FALSE(stage.controller.popoverIsVisible());
    EXPECT_EQ(stage.delegate.calls, QStringList({"shouldClose", "willClose", "didClose"}));
    EXPECT_EQ(stage.controller.arrowDirection(), quint64(INPopoverController::ArrowRight));
    EXPECT_EQ(stage.controller.positionView(), nullptr);
    EXPECT_EQ(stage.controller.screenRect(), QRectF());
    EXPECT_EQ(stage.controller.insideRect(), QRectF(0, 0, 200, 10));
    EXPECT_EQ(stage.controller.popoverWindow().attachedWindow(), nullptr);

    // Closing while hidden is ignored.
    stage.delegate.calls.clear();
    stage.controller.closePopover();
    stage.controller.forceClosePopover(true);
    EXPECT_TRUE(stage.delegate.calls.isEmpty());
}

TEST(PopoverController, ResignKeyWhileTheApplicationIsInactiveKeepsItOpen)
{
    PopoverStage stage;
    stage.controller.showRelativeToRect(QRectF(0, 0, 10, 10), QRectF(0, 0, 200, 10), stage.anchor,
                                        INPopoverController::ArrowUp);
    const plat::Notification resign{WindowDidResignKeyNotification, nullptr, {}};
    const bool active = QGuiApplication::applicationState() == Qt::ApplicationActive;
    stage.controller.closePopover(&resign);
    EXPECT_EQ(stage.controller.popoverIsVisible(), !active);
    stage.controller.setClosesWhenApplicationBecomesInactive(true);
    stage.controller.closePopover(&resign);
    EXPECT_FALSE(stage.controller.popoverIsVisible());
}

TEST(PopoverController, EscapeClosesOnlyWhenAllowed)
{
    PopoverStage stage;
    stage.controller.setClosesWhenEscapeKeyPressed(false);
    stage.controller.showRelativeToRect(QRectF(0, 0, 10, 10), QRectF(0, 0, 200, 10), stage.anchor,
                                        INPopoverController::ArrowUp);
    pressKey(&stage.controller.popoverWindow(), Qt::Key_Escape);
    EXPECT_TRUE(stage.controller.popoverIsVisible());
    stage.controller.setClosesWhenEscapeKeyPressed(true);
    pressKey(&stage.controller.popoverWindow(), Qt::Key_Escape);
    EXPECT_FALSE(stage.controller.popoverIsVisible());
}

TEST(PopoverController, FollowsTheAnchorAndClosesWhenItLeavesTheVisibleArea)
{
    PopoverStage stage;
    stage.controller.showRelativeToRect(QRectF(0, 0, 100, 20), QRectF(0, 0, 200, 10), stage.anchor,
                                        INPopoverController::ArrowUp);
    const QPoint origin = stage.anchor->mapToGlobal(QPoint(0, 0));
    stage.controller.positioningViewFrameChanged(QRectF(0, 60, 100, 20), QRectF(10, 0, 150, 10));
    ASSERT_TRUE(stage.controller.popoverIsVisible());
    const QRectF frame = stage.controller.popoverWindow().frame();
    EXPECT_DOUBLE_EQ(frame.top(), origin.y() + 80);
    EXPECT_DOUBLE_EQ(frame.left(), origin.x() + 10);
    EXPECT_DOUBLE_EQ(frame.width(), 150);

    // Below the container's bottom: closed without asking.
    stage.controller.positioningViewFrameChanged(QRectF(0, 190, 100, 20), QRectF(10, 0, 150, 10));
    EXPECT_FALSE(stage.controller.popoverIsVisible());
    EXPECT_FALSE(stage.delegate.calls.contains("shouldClose"));
}

TEST(PopoverController, ArrowFallsBackToTheSideThatFits)
{
    PopoverStage stage;
    const QRect screen = stage.window.screen()->geometry();
    // The anchor's bottom edge near the screen's bottom: below does not fit.
    stage.window.move(screen.left() + 50, screen.bottom() - 300);
    QApplication::processEvents();
    stage.content.resize(200, 150);
    stage.controller.setContentViewController(&stage.content);
    stage.controller.showRelativeToRect(QRectF(0, 180, 100, 20), QRectF(0, 0, 200, 10), stage.anchor,
                                        INPopoverController::ArrowUp);
    stage.controller.recalculateAndResetArrowDirection();
    EXPECT_EQ(stage.controller.arrowDirection(), quint64(INPopoverController::ArrowDown));
    EXPECT_LE(stage.controller.popoverWindow().frame().bottom(),
              stage.anchor->mapToGlobal(QPoint(0, 180)).y() + 0.5);
}

TEST(PopoverController, FadeShowsAndClosesThroughTheAnimationEnd)
{
    PopoverStage stage;
    stage.controller.setAnimates(true);
    stage.controller.setAnimationType(INPopoverController::AnimationFadeIn);
    stage.controller.showRelativeToRect(QRectF(0, 0, 10, 10), QRectF(0, 0, 200, 10), stage.anchor,
                                        INPopoverController::ArrowUp);
    EXPECT_EQ(stage.delegate.calls, QStringList({"willShow"}));
    ASSERT_TRUE(runUntil([&] { return stage.delegate.calls.contains("didShow"); }));
    EXPECT_DOUBLE_EQ(stage.controller.popoverWindow().windowOpacity(), 1.0);
    EXPECT_FALSE(stage.controller.popoverWindow().isShowing);

    stage.controller.closePopover();
    EXPECT_TRUE(stage.controller.popoverWindow().isClosing);
    ASSERT_TRUE(runUntil([&] { return stage.delegate.calls.contains("didClose"); }));
    EXPECT_FALSE(stage.controller.popoverIsVisible());
}

TEST(PopoverController, PopShowsASnapshotThenThePanel)
{
    PopoverStage stage;
    stage.controller.setAnimates(true);
    stage.controller.showRelativeToRect(QRectF(0, 0, 10, 10), QRectF(0, 0, 200, 10), stage.anchor,
                                        INPopoverController::ArrowUp);
    ASSERT_NE(stage.controller.popoverWindow().zoomWindow(), nullptr);
    EXPECT_TRUE(stage.controller.popoverIsVisible());
    ASSERT_TRUE(runUntil([&] { return stage.delegate.calls.contains("didShow"); }));
    EXPECT_EQ(stage.controller.popoverWindow().zoomWindow(), nullptr);
    EXPECT_TRUE(stage.controller.popoverWindow().isVisible());
}

TEST(PopoverController, HostingAnEditorTakesTheKeyboard)
{
    PopoverStage stage;
    QLineEdit editor;
    editor.resize(200, 30);
    stage.controller.setContentViewController(&editor);
    stage.controller.setTakesKeyboardFocus(true);
    stage.controller.showRelativeToRect(QRectF(0, 0, 10, 10), QRectF(0, 0, 200, 10), stage.anchor,
                                        INPopoverController::ArrowUp);
    editor.setFocus();
    ASSERT_TRUE(runUntil([&] { return stage.controller.popoverWindow().isActiveWindow(); }));
    pressKey(&editor, Qt::Key_F, "f");
    pressKey(&editor, Qt::Key_N, "n");
    EXPECT_EQ(editor.text(), "fn");
    EXPECT_TRUE(stage.window.isKeyWindow());
    EXPECT_FALSE(stage.window.isReallyKeyWindow());
}
