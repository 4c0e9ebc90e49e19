// Tinted buttons: the colour per state, the mask made once, and the hover
// colour that gives the state back on leaving.

#include "app/shell/ZQButtons.h"
#include "app/shell/ZQTintButton.h"

#include <QApplication>
#include <QEnterEvent>
#include <QPixmap>
#include <gtest/gtest.h>

namespace tint {

QIcon squareIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::black);
    return QIcon(pixmap);
}

QColor centreColour(const ZQTintButton& button)
{
    const QImage image = button.renderedImage();
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

void hover(QWidget& button, bool in)
{
    if (in) {
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(&button, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&button, &leave);
    }
}

TEST(TintButton, AStateWithoutColourShowsNothingOnceTheMaskExists)
{
    ZQTintButton button;
    button.setIconSize(QSize(16, 16));
    button.setIcon(squareIcon());
    // Before the first tinting the plain image shows.
    EXPECT_EQ(centreColour(button), QColor(Qt::black));
    button.setTintColor(QColor(Qt::red), 0);
    EXPECT_TRUE(button.hasMask());
    EXPECT_EQ(centreColour(button), QColor(Qt::red));
    button.setState(1);
    EXPECT_EQ(centreColour(button).alpha(), 0);
    button.setTintColor(QColor(Qt::blue), 1);
    EXPECT_EQ(centreColour(button), QColor(Qt::blue));
    button.setTintColor(QColor(Qt::green), 7);
    EXPECT_FALSE(button.tintColorForState(7));
}

TEST(TintButton, LeavingGivesBackTheStateSetLast)
{
    ZQTintImageButton button;
    button.setIconSize(QSize(16, 16));
    button.setIcon(squareIcon());
    button.resetButtonStyle(false);
    const qint64 mode = button.displayMode();
    EXPECT_NE(mode, 0);
    QColor off, on, hoverColour;
    ZQTintImageButton::tintColors(mode, &off, &on, &hoverColour);
    EXPECT_EQ(centreColour(button), off);

    hover(button, true);
    EXPECT_EQ(button.buttonState(), -1);
    EXPECT_EQ(centreColour(button), hoverColour);
    hover(button, false);
    EXPECT_EQ(button.buttonState(), 0);

    hover(button, true);
    button.setState(1);
    hover(button, false);
    EXPECT_EQ(button.buttonState(), 1);
    EXPECT_EQ(centreColour(button), on);

    // The same style again changes nothing.
    button.setTintColor(QColor(Qt::magenta), 1);
    button.resetButtonStyle(false);
    EXPECT_EQ(button.tintColorForState(1), QColor(Qt::magenta));
}

TEST(TintButton, LinkButtonTakesItsCallersColourAndHovers)
{
    ZQLinkTintImageButton button;
    button.setIconSize(QSize(16, 16));
    button.setIcon(squareIcon());
    button.resetButtonStyle(QColor(10, 20, 30));
    EXPECT_EQ(centreColour(button), QColor(10, 20, 30));
    EXPECT_EQ(button.tintColorForState(1), QColor(10, 20, 30));
    EXPECT_EQ(button.tintColorForState(-1), ZQLinkTintImageButton::hoverColor());

    button.setState(1);
    hover(button, true);
    EXPECT_EQ(centreColour(button), ZQLinkTintImageButton::hoverColor());
    hover(button, false);
    EXPECT_EQ(button.buttonState(), 1);

    // The colour it has already leaves colours set since alone.
    button.setTintColor(QColor(Qt::magenta), 0);
    button.resetButtonStyle(QColor(10, 20, 30));
    EXPECT_EQ(button.tintColorForState(0), QColor(Qt::magenta));
    button.resetButtonStyle(QColor(Qt::white));
    EXPECT_EQ(button.tintColorForState(0), QColor(Qt::white));
}

QIcon solidIcon(Qt::GlobalColor colour)
{
    QPixmap pixmap(8, 8);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

TEST(HoverButton, TurningKeepsItsImageWhileHoveredAndStopsOnlyWhenRunning)
{
    ZQHoverButton button;
    const QIcon normal = solidIcon(Qt::black), hoverImage = solidIcon(Qt::red), toggled = solidIcon(Qt::blue);
    button.setNormalImage(normal);
    button.setNormalHoverImage(hoverImage);
    button.setToggled(true);
    // Toggled: a new normal image waits until it is untoggled.
    button.setNormalImage(normal);
    EXPECT_NE(button.shownImage().cacheKey(), normal.cacheKey());
    button.setToggled(false);
    EXPECT_EQ(button.shownImage().cacheKey(), normal.cacheKey());

    // Stopping what does not run changes nothing.
    button.setToggleImage(toggled);
    button.startRoationAnimate(false);
    EXPECT_EQ(button.shownImage().cacheKey(), normal.cacheKey());
    EXPECT_FALSE(button.isAnimiating());

    button.startRoationAnimate(true);
    EXPECT_TRUE(button.isAnimiating());
    EXPECT_EQ(button.shownImage().cacheKey(), hoverImage.cacheKey());
    hover(button, true);
    hover(button, false);
    EXPECT_EQ(button.shownImage().cacheKey(), hoverImage.cacheKey());
    button.startRoationAnimate(false);
    EXPECT_FALSE(button.isAnimiating());
    EXPECT_EQ(button.shownImage().cacheKey(), normal.cacheKey());
    EXPECT_EQ(button.rotation(), 0);
}

} // namespace tint
