#include "app/shell/ZQTintButton.h"

#include "kit/model/ZSTextTheme.h"

#include <QPainter>

ZQTintButton::ZQTintButton(QWidget* parent) : QAbstractButton(parent) {}

void ZQTintButton::setTintColor(const QColor& color, int state)
{
    if (state < -1 || state > 1)
        return;
    m_tints[state] = color;
    if (state == m_state)
        updateLayerForTintColor(color);
}

std::optional<QColor> ZQTintButton::tintColorForState(int state) const
{
    const auto found = m_tints.find(state);
    if (found == m_tints.end())
        return std::nullopt;
    return found->second;
}

void ZQTintButton::setState(int state)
{
    m_state = state;
    updateLayerForTintColor(tintColorForState(state));
}

void ZQTintButton::updateLayerForTintColor(const std::optional<QColor>& color)
{
    m_shownTint.reset();
    if (color) {
        if (m_mask.isNull() && !icon().isNull()) {
            // The image becomes the mask; the button shows no image of its own from now on.
            m_mask = icon().pixmap(iconSize().isValid() ? iconSize() : size()).toImage();
            setIcon(QIcon());
        }
        m_shownTint = color;
    }
    update();
}

QImage ZQTintButton::renderedImage() const
{
    if (m_mask.isNull())
        return icon().isNull() ? QImage() : icon().pixmap(iconSize()).toImage();
    QImage tinted(m_mask.size(), QImage::Format_ARGB32_Premultiplied);
    tinted.fill(Qt::transparent);
    if (m_shownTint) {
        QPainter painter(&tinted);
        painter.drawImage(0, 0, m_mask);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(tinted.rect(), *m_shownTint);
    }
    return tinted;
}

void ZQTintButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QImage image = renderedImage();
    if (!image.isNull())
        painter.drawImage(rect().center() - image.rect().center(), image);
}

void ZQTintImageButton::tintColors(qint64 displayMode, QColor* off, QColor* on, QColor* hover)
{
    if (displayMode == 1) {
        *off = QColor(226, 230, 240);
        *on = QColor(38, 106, 161);
        *hover = QColor(120, 122, 127);
    } else {
        *off = QColor(112, 116, 123);
        *on = QColor(33, 180, 241);
        *hover = QColor(58, 60, 64);
    }
}

void ZQTintImageButton::resetButtonStyle(bool forMarkupEditor)
{
    const auto theme = ZSTextTheme::sharedTheme();
    const qint64 style = theme ? (forMarkupEditor ? theme->mdPopoverStyle() : theme->editorPopoverStyle()) : 0;
    const qint64 mode = style == 1 ? 1 : 2;
    if (mode == m_displayMode)
        return;
    QColor off, on, hover;
    tintColors(mode, &off, &on, &hover);
    setTintColor(on, 1);
    setTintColor(off, 0);
    setTintColor(hover, -1);
    m_displayMode = mode;
}

void ZQTintImageButton::setState(int state)
{
    ZQTintButton::setState(state);
    m_stateValue = state;
}

void ZQTintImageButton::enterEvent(QEnterEvent* event)
{
    ZQTintButton::enterEvent(event);
    const int state = buttonState();
    ZQTintButton::setState(-1);
    m_stateValue = state;
}

void ZQTintImageButton::leaveEvent(QEvent* event)
{
    ZQTintButton::leaveEvent(event);
    ZQTintButton::setState(m_stateValue);
}

void ZQLinkTintImageButton::resetButtonStyle(const QColor& color)
{
    if (m_tintOnColor == color)
        return;
    m_tintOnColor = color;
    setTintColor(color, 1);
    setTintColor(color, 0);
    setTintColor(hoverColor(), -1);
}

void ZQLinkTintImageButton::setState(int state)
{
    ZQTintButton::setState(state);
    m_stateValue = state;
}

void ZQLinkTintImageButton::enterEvent(QEnterEvent* event)
{
    ZQTintButton::enterEvent(event);
    const int state = buttonState();
    ZQTintButton::setState(-1);
    m_stateValue = state;
}

void ZQLinkTintImageButton::leaveEvent(QEvent* event)
{
    ZQTintButton::leaveEvent(event);
    ZQTintButton::setState(m_stateValue);
}
