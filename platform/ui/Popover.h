#pragma once
// A popover: a content view shown in a floating panel beside an anchor
// rectangle of another view. A transient popover closes when the user presses
// a mouse button anywhere outside it; an application-defined one only when
// told. The content view stays its caller's; the panel never takes the
// keyboard, so the view it is anchored to keeps typing.

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <memory>

namespace plat {

class PopoverWindow;

class Popover : public QObject {
    Q_OBJECT
public:
    enum class Behavior { ApplicationDefined, Transient };
    enum class Appearance { Light, Dark };
    // The side of the anchor rectangle the panel sits on, in the view's
    // coordinates (y grows downwards): MinY above the rectangle, MaxY below.
    enum Edge : quint64 { MinXEdge = 0, MinYEdge = 1, MaxXEdge = 2, MaxYEdge = 3 };

    explicit Popover(QObject* parent = nullptr);
    ~Popover() override;

    QWidget* contentViewController() const { return m_content; }
    void setContentViewController(QWidget* content);
    QSizeF contentSize() const { return m_contentSize; }
    void setContentSize(const QSizeF& size);
    bool animates() const { return m_animates; }
    void setAnimates(bool animates) { m_animates = animates; }
    Behavior behavior() const { return m_behavior; }
    void setBehavior(Behavior behavior) { m_behavior = behavior; }
    Appearance appearance() const { return m_appearance; }
    void setAppearance(Appearance appearance);

    bool isShown() const;
    // rect in view's coordinates; the panel keeps within view's screen.
    void showRelativeToRect(const QRectF& rect, QWidget* view, Edge preferredEdge);
    void close();

    // The panel's frame in global coordinates while shown.
    QRect panelGeometry() const;
    QWidget* positioningView() const { return m_view; }

signals:
    void didClose();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    std::unique_ptr<PopoverWindow> m_window;
    QPointer<QWidget> m_content;
    QPointer<QWidget> m_view;
    QRectF m_anchor;
    Edge m_edge = MaxYEdge;
    QSizeF m_contentSize;
    bool m_animates = true;
    Behavior m_behavior = Behavior::ApplicationDefined;
    Appearance m_appearance = Appearance::Light;
    bool m_filtering = false;
};

} // namespace plat
