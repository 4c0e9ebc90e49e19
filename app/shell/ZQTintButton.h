#pragma once
// Buttons whose image is painted in a colour per state (0 off, 1 on, -1 the
// pointer is over it): the image's shape is the mask, made once from the
// image the button has when it is first tinted.

#include <QAbstractButton>
#include <QColor>
#include <QIcon>
#include <QImage>
#include <map>
#include <optional>

class ZQTintButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit ZQTintButton(QWidget* parent = nullptr);

    // States -1, 0 and 1; any other state is ignored.
    void setTintColor(const QColor& color, int state);
    std::optional<QColor> tintColorForState(int state) const;
    void setTintColor(const QColor& color) { setTintColor(color, 0); }
    std::optional<QColor> tintColor() const { return tintColorForState(0); }

    virtual void setState(int state);
    int buttonState() const { return m_state; }
    // Paints the image's shape in color (none: nothing but the cleared background).
    void updateLayerForTintColor(const std::optional<QColor>& color);

    bool hasMask() const { return !m_mask.isNull(); }
    // What a paint shows now: the tinted shape, or the plain image before any tinting.
    QImage renderedImage() const;
    QSize sizeHint() const override { return {24, 24}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::map<int, QColor> m_tints;
    int m_state = 0;
    QImage m_mask;
    std::optional<QColor> m_shownTint;
};

// Tinted by the text theme's popover style (dark or light), with a hover colour.
class ZQTintImageButton : public ZQTintButton {
    Q_OBJECT
public:
    using ZQTintButton::ZQTintButton;

    // forMarkupEditor: the markup editor's popover style, else the rich one's.
    void resetButtonStyle(bool forMarkupEditor);
    // The three colours of a display mode: 1 dark popover style, 2 any other.
    static void tintColors(qint64 displayMode, QColor* off, QColor* on, QColor* hover);

    void setState(int state) override;
    qint64 displayMode() const { return m_displayMode; }
    int stateValue() const { return m_stateValue; }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int m_stateValue = 0;
    qint64 m_displayMode = 0;
};

// The same hover behaviour with the colour its caller gives (the link panel).
class ZQLinkTintImageButton : public ZQTintButton {
    Q_OBJECT
public:
    using ZQTintButton::ZQTintButton;

    // A new colour becomes the off and on colour, with the standard blue for hover;
    // the colour it has already changes nothing.
    void resetButtonStyle(const QColor& color);
    static QColor hoverColor() { return QColor(33, 180, 241); }

    void setState(int state) override;
    int stateValue() const { return m_stateValue; }
    std::optional<QColor> tintOnColor() const { return m_tintOnColor; }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int m_stateValue = 0;
    std::optional<QColor> m_tintOnColor;
};
