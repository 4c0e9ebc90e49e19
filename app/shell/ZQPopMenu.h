#pragma once
// The table menu shown inside a popover instead of a platform menu: rows
// highlight under the pointer and report clicks and hovering to a delegate.
// The popover that holds it never takes the focus, so the editor keeps the
// keyboard while a menu is up.

#include <QListWidget>
#include <QPointer>
#include <functional>

namespace plat {
class PopoverWindow;
}

class ZQMenuDelegate {
public:
    virtual ~ZQMenuDelegate() = default;
    virtual void menuItemSelected(quint64 row) = 0;
    virtual void menuItemSaveBtnSelected(quint64 row) { (void)row; }
    virtual void enterContextMenuItem(QWidget* rowView, qint64 row) { (void)rowView, (void)row; }
    virtual void exitContextMenuItem(QWidget* rowView) { (void)rowView; }
};

class ZQPopMenu : public QListWidget {
    Q_OBJECT
public:
    explicit ZQPopMenu(QWidget* parent = nullptr);

    // Not owned.
    ZQMenuDelegate* menuDelegate() const { return m_menuDelegate; }
    void setMenuDelegate(ZQMenuDelegate* delegate) { m_menuDelegate = delegate; }
    double menuItemHeight() const { return m_menuItemHeight; }
    void setMenuItemHeight(double height);
    QString cellViewID() const { return m_cellViewID; }
    bool isMarkdownEditorVisible() const { return m_isMarkdownEditorVisible; }
    void setMarkdownEditorVisible(bool visible) { m_isMarkdownEditorVisible = visible; }

    // The pointer entered the row: it becomes the selected one.
    void enterMenuItem(int row);
    // The height the rows need.
    int fittingHeight() const;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    ZQMenuDelegate* m_menuDelegate = nullptr;
    double m_menuItemHeight = 28.0;
    QString m_cellViewID = QStringLiteral("MenuCellViewID");
    bool m_isMarkdownEditorVisible = false;
    int m_hoveredRow = -1;
};

// The create menu of the space list: "Create Library" and "Link External Folder".
class ZQSpaceCreateMenu : public ZQPopMenu {
    Q_OBJECT
public:
    explicit ZQSpaceCreateMenu(QWidget* parent = nullptr);
};

// The popover of the create menu under the space list's action bar. The
// chosen row closes it and runs the action: row 0 creates a library, row 1
// links a folder.
class ZQLibraryPopover : public QObject, private ZQMenuDelegate {
    Q_OBJECT
public:
    using Action = std::function<void()>;
    ZQLibraryPopover(Action createSpace, Action linkExternalFolder, QObject* parent = nullptr);
    ~ZQLibraryPopover() override;

    // Below the rect of view, once made; transient: a click elsewhere closes it.
    void showPopover(QWidget* view, const QRect& rect);
    void close();
    bool isShown() const;
    ZQSpaceCreateMenu* menu() const { return m_menu; }
    plat::PopoverWindow* window() const { return m_window; }
    void menuItemSelected(quint64 row) override;

private:
    Action m_createSpace;
    Action m_linkExternalFolder;
    QPointer<plat::PopoverWindow> m_window;
    ZQSpaceCreateMenu* m_menu = nullptr;
};
