#pragma once
// The two small windows of start-up and quit: the one shown instead of
// everything else when the library was written by a newer program, and the
// one that waits for the cloud outbox at quit. Each has one action, Quit Now.

#include <QDialog>
#include <functional>

class QPushButton;

class ZQQuitNowWindow : public QDialog {
    Q_OBJECT
public:
    ZQQuitNowWindow(const QString& title, const QString& message, const QString& detail);

    // Asks the application to terminate (the quit action is replaceable for tests).
    void quitNow();
    void setQuitAction(std::function<void()> action) { m_quitAction = std::move(action); }
    QPushButton* quitButton() const { return m_quitButton; }
    QString message() const;

private:
    QPushButton* m_quitButton;
    QString m_message;
    std::function<void()> m_quitAction;
};

class ZQIncompatibleLibraryWindowController : public ZQQuitNowWindow {
    Q_OBJECT
public:
    ZQIncompatibleLibraryWindowController();
};

class ZQTermiateWindowController : public ZQQuitNowWindow {
    Q_OBJECT
public:
    ZQTermiateWindowController();
};
