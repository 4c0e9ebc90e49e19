#pragma once
// The editor's menu items: each carries its action number as tag and runs it
// on the window's visible editor. Ctrl stands for Command in the key
// equivalents.

#include <QKeySequence>
#include <QList>
#include <QString>
#include <functional>

class QMenu;
class QMenuBar;
class QObject;

struct ZQEditorMenuItem {
    QString title;
    quint64 tag;
    QList<QKeySequence> shortcuts;
};

class ZQEditorMenu {
public:
    // The Format menu's items, in order; a tag of 0 is a separator.
    static const QList<ZQEditorMenuItem>& formatItems();
    // The zoom items of the View menu.
    static const QList<ZQEditorMenuItem>& zoomItems();

    // Adds the Format menu and the zoom items to menuBar (the zoom items to
    // viewMenu when given); perform gets the tag of a chosen item.
    static QMenu* addMenus(QMenuBar& menuBar, QMenu* viewMenu, QObject* context,
                           const std::function<void(quint64)>& perform);
};
