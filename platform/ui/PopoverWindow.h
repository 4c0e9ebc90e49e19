#pragma once
// A borderless floating panel: a frameless translucent tool window that shows
// without stealing the focus unless it is told to take the keyboard (a panel
// that hosts an editor must receive the keys typed into it). It floats above
// the window it is attached to without being owned by it.

#include <QPointer>
#include <QWidget>

namespace plat {

class PopoverWindow : public QWidget {
    Q_OBJECT
public:
    explicit PopoverWindow(QWidget* parent = nullptr);
    ~PopoverWindow() override;

    // Whether showing the panel makes it the key window (it activates and
    // takes the keyboard focus); off by default.
    bool takesKeyboardFocus() const { return m_takesKeyboardFocus; }
    void setTakesKeyboardFocus(bool takes);

    bool canBecomeKeyWindow() const { return true; }
    bool canBecomeMainWindow() const { return false; }

    // Shows the panel above the others; activates it when it takes the keyboard.
    void makeKeyAndOrderFront();
    void orderOut();

    // Floats the panel above window (none detaches it); the window does not own it.
    void attachToWindow(QWidget* window);
    QWidget* attachedWindow() const { return m_attachedWindow; }

signals:
    // Escape pressed in the panel or in a view inside it that did not take it.
    void cancelOperation();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void applyFlags();

    bool m_takesKeyboardFocus = false;
    QPointer<QWidget> m_attachedWindow;
};

} // namespace plat
