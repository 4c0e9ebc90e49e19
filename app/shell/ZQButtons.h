#pragma once
// An image button with normal and toggled images, each with hover and pressed
// variants, that tells a delegate when the pointer enters or leaves, and that
// can turn endlessly about its centre (the sync-in-progress indicator).

#include <QAbstractButton>
#include <QIcon>
#include <QVariant>
#include <functional>

class QVariantAnimation;

class ZQHoverButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit ZQHoverButton(QWidget* parent = nullptr);

    bool isToggled() const { return m_toggled; }
    void setToggled(bool toggled);

    void setNormalImage(const QIcon& image);
    void setNormalHoverImage(const QIcon& image) { m_normalHoverImage = image; }
    void setNormalClickImage(const QIcon& image);
    void setToggleImage(const QIcon& image);
    void setToggleHoverImage(const QIcon& image) { m_toggleHoverImage = image; }
    void setToggleClickImage(const QIcon& image);
    void resumeImage();

    // Told true on entering, false on leaving.
    void setHoverDelegate(std::function<void(ZQHoverButton&, bool)> delegate) { m_hoverDelegate = std::move(delegate); }
    QVariant representObject() const { return m_representObject; }
    void setRepresentObject(const QVariant& object) { m_representObject = object; }

    // Turning: on shows the hover image and turns once every 5 s; hovering
    // then leaves the image alone. Off shows the normal image again.
    void startRoationAnimate(bool start);
    bool isAnimiating() const { return m_isAnimiating; }
    // The angle of the turn now, in radians.
    qreal rotation() const { return m_rotation; }

    // The image shown now: what a paint draws (pressed draws the alternate).
    const QIcon& shownImage() const { return m_shown; }
    QSize sizeHint() const override { return {28, 28}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool m_toggled = false;
    bool m_isAnimiating = false;
    qreal m_rotation = 0;
    QVariantAnimation* m_rotationAnimation = nullptr;
    QIcon m_normalImage, m_normalHoverImage, m_normalClickImage;
    QIcon m_toggleImage, m_toggleHoverImage, m_toggleClickImage;
    QIcon m_shown, m_alternate;
    std::function<void(ZQHoverButton&, bool)> m_hoverDelegate;
    QVariant m_representObject;
};
