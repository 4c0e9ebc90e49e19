#pragma once
// A window that owns popovers: it still counts as the key window while one of
// its popovers has the keyboard, so that it keeps looking active.

#include <QWidget>

class INPopoverParentWindow : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    bool isKeyWindow() const;
    // The platform's own answer.
    bool isReallyKeyWindow() const { return isActiveWindow(); }
};
