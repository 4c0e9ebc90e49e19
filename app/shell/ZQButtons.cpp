#include "app/shell/ZQButtons.h"

#include <QPainter>

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
    m_shown = m_toggled ? m_toggleHoverImage : m_normalHoverImage;
    update();
}

void ZQHoverButton::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    if (m_hoverDelegate)
        m_hoverDelegate(*this, false);
    resumeImage();
}

void ZQHoverButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QIcon& image = isDown() && !m_alternate.isNull() ? m_alternate : m_shown;
    if (!image.isNull())
        image.paint(&painter, rect().adjusted(4, 4, -4, -4));
    else if (!text().isEmpty())
        painter.drawText(rect(), Qt::AlignCenter, text());
}
