#include "app/editor/ZQEditorMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

QKeySequence ctrl(int key, Qt::KeyboardModifiers more = {})
{
    return QKeySequence(QKeyCombination(Qt::ControlModifier | more, Qt::Key(key)));
}

void addItems(QMenu& menu, const QList<ZQEditorMenuItem>& items, QObject* context,
              const std::function<void(quint64)>& perform)
{
    for (const ZQEditorMenuItem& item : items) {
        if (item.tag == 0) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(item.title);
        action->setData(item.tag);
        action->setShortcuts(item.shortcuts);
        const quint64 tag = item.tag;
        QObject::connect(action, &QAction::triggered, context, [perform, tag] { perform(tag); });
    }
}

} // namespace

const QList<ZQEditorMenuItem>& ZQEditorMenu::formatItems()
{
    static const QList<ZQEditorMenuItem> items{
        {QStringLiteral("Bold"), 2, {ctrl(Qt::Key_B)}},
        {QStringLiteral("Italic"), 1, {ctrl(Qt::Key_I)}},
        {QStringLiteral("Underline"), 10, {ctrl(Qt::Key_U)}},
        {QStringLiteral("Strikethrough"), 11, {}},
        {QStringLiteral("Code"), 12, {}},
        {QString(), 0, {}},
        {QStringLiteral("Heading 1"), 21, {}},
        {QStringLiteral("Heading 2"), 22, {}},
        {QStringLiteral("Heading 3"), 23, {}},
        {QStringLiteral("Heading 4"), 24, {}},
        {QStringLiteral("Heading 5"), 25, {}},
        {QStringLiteral("Heading 6"), 26, {}},
        {QString(), 0, {}},
        {QStringLiteral("Quote"), 32, {}},
        {QStringLiteral("Code Block"), 33, {}},
        {QStringLiteral("Divider"), 34, {}},
        {QStringLiteral("Task"), 35, {}},
        {QStringLiteral("Bullet List"), 50, {}},
        {QStringLiteral("Numbered List"), 51, {}},
        {QString(), 0, {}},
        {QStringLiteral("Link"), 40, {}},
        {QStringLiteral("Image"), 41, {}},
        {QStringLiteral("Footnote"), 42, {}},
        {QStringLiteral("Tag"), 43, {}},
        {QString(), 0, {}},
        {QStringLiteral("Clean Style"), 100, {}},
        {QString(), 0, {}},
        {QStringLiteral("Close Block Editor"), 62, {}},
    };
    return items;
}

const QList<ZQEditorMenuItem>& ZQEditorMenu::zoomItems()
{
    // Ctrl+= as the key equivalent, Ctrl++ as the desktop's own zoom key.
    static const QList<ZQEditorMenuItem> items{
        {QStringLiteral("Zoom In"), 3, {ctrl(Qt::Key_Equal), QKeySequence(QKeySequence::ZoomIn)}},
        {QStringLiteral("Zoom Out"), 4, {ctrl(Qt::Key_Minus)}},
        {QStringLiteral("Actual Size"), 5, {ctrl(Qt::Key_0)}},
    };
    return items;
}

QMenu* ZQEditorMenu::addMenus(QMenuBar& menuBar, QMenu* viewMenu, QObject* context,
                              const std::function<void(quint64)>& perform)
{
    QMenu* format = menuBar.addMenu(QStringLiteral("F&ormat"));
    addItems(*format, formatItems(), context, perform);
    QMenu* zoom = viewMenu;
    if (zoom)
        zoom->addSeparator();
    else
        zoom = menuBar.addMenu(QStringLiteral("&View"));
    addItems(*zoom, zoomItems(), context, perform);
    return format;
}
