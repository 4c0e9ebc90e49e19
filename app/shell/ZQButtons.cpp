#include "app/shell/ZQButtons.h"

#include <QPainter>
#include <QVariantAnimation>
#include <numbers>

ZQHoverButton::ZQHoverButton(QWidget* parent) : QAbstractButton(parent)
{
    setCursor(Qt::PointingHandCursor);
}

void ZQHoverButton::setToggled(bool toggled)
{
    m_toggled = toggled;
    m_shown = toggled ? m_toggleImage : m_normalImage;
    m_alternate = toggled ? m_toggleClickImage : m_normalClickImage;
    update();
}

void ZQHoverButton::setNormalImage(const QIcon& image)
{
    m_normalImage = image;
    if (!m_toggled) {
        m_shown = image;
        update();
    }
}

void ZQHoverButton::setNormalClickImage(const QIcon& image)
{
    m_normalClickImage = image;
    if (!m_toggled)
        m_alternate = image;
}

void ZQHoverButton::setToggleImage(const QIcon& image)
{
    m_toggleImage = image;
    if (m_toggled) {
        m_shown = image;
        update();
    }
}

void ZQHoverButton::setToggleClickImage(const QIcon& image)
{
    m_toggleClickImage = image;
    if (m_toggled)
        m_alternate = image;
}

void ZQHoverButton::resumeImage()
{
    m_shown = m_toggled ? m_toggleImage : m_normalImage;
    update();
}

void ZQHoverButton::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    if (m_hoverDelegate)
        m_hoverDelegate(*this, true);
    if (m_isAnimiating)
        return;
    m_shown = m_toggled ? m_toggleHoverImage : m_normalHoverImage;
    update();
}

void ZQHoverButton::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    if (m_hoverDelegate)
        m_hoverDelegate(*this, false);
    if (!m_isAnimiating)
        resumeImage();
}

void ZQHoverButton::startRoationAnimate(bool start)
{
    if (!start) {
        if (!m_isAnimiating)
            return;
        m_shown = m_normalImage;
        m_rotationAnimation->stop();
        m_rotation = 0;
        m_isAnimiating = false;
        update();
        return;
    }
    if (!m_rotationAnimation) {
        m_rotationAnimation = new QVariantAnimation(this);
        connect(m_rotationAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& angle) {
            m_rotation = angle.toReal();
            update();
        });
    }
    m_rotationAnimation->stop();
    m_shown = m_normalHoverImage;
    m_rotationAnimation->setStartValue(0.0);
    m_rotationAnimation->setEndValue(2 * std::numbers::pi);
    m_rotationAnimation->setDuration(5000);
    m_rotationAnimation->setLoopCount(1000);
    m_rotationAnimation->start();
    m_isAnimiating = true;
    update();
}

void ZQHoverButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_rotation != 0) {
        // About the centre, as the indicator turns.
        const QPointF centre = QRectF(rect()).center();
        painter.translate(centre);
        painter.rotate(m_rotation * 180 / std::numbers::pi);
        painter.translate(-centre);
    }
    const QIcon& image = isDown() && !m_alternate.isNull() ? m_alternate : m_shown;
    if (!image.isNull())
        image.paint(&painter, rect().adjusted(4, 4, -4, -4));
    else if (!text().isEmpty())
        painter.drawText(rect(), Qt::AlignCenter, text());
}
