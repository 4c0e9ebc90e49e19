#include "app/shell/ZQPopMenu.h"

#include "platform/ui/PopoverWindow.h"

#include <QApplication>
#include <QMouseEvent>
#include <QVBoxLayout>

ZQPopMenu::ZQPopMenu(QWidget* parent) : QListWidget(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUniformItemSizes(true);
    viewport()->setAutoFillBackground(false);
    setStyleSheet(QStringLiteral("QListWidget { background: transparent; }"
                                 "QListWidget::item:selected { background: rgba(0, 99, 225, 128); color: palette(text); }"));
}

void ZQPopMenu::setMenuItemHeight(double height)
{
    m_menuItemHeight = height;
    for (int row = 0; row < count(); ++row)
        item(row)->setSizeHint(QSize(0, qRound(height)));
}

int ZQPopMenu::fittingHeight() const
{
    return count() * qRound(m_menuItemHeight);
}

void ZQPopMenu::enterMenuItem(int row)
{
    if (row != currentRow())
        setCurrentRow(row);
    if (m_menuDelegate)
        m_menuDelegate->enterContextMenuItem(viewport(), row);
}

void ZQPopMenu::mouseMoveEvent(QMouseEvent* event)
{
    QListWidget::mouseMoveEvent(event);
    const int row = indexAt(event->position().toPoint()).row();
    if (row == m_hoveredRow)
        return;
    if (m_hoveredRow >= 0 && m_menuDelegate)
        m_menuDelegate->exitContextMenuItem(viewport());
    m_hoveredRow = row;
    if (row >= 0)
        enterMenuItem(row);
}

void ZQPopMenu::leaveEvent(QEvent* event)
{
    QListWidget::leaveEvent(event);
    if (m_hoveredRow >= 0 && m_menuDelegate)
        m_menuDelegate->exitContextMenuItem(viewport());
    m_hoveredRow = -1;
}

void ZQPopMenu::mouseReleaseEvent(QMouseEvent* event)
{
    QListWidget::mouseReleaseEvent(event);
    // A click outside every row tells nobody.
    const QModelIndex hit = indexAt(event->position().toPoint());
    if (hit.isValid() && m_menuDelegate)
        m_menuDelegate->menuItemSelected(quint64(hit.row()));
}

ZQSpaceCreateMenu::ZQSpaceCreateMenu(QWidget* parent) : ZQPopMenu(parent)
{
    for (const QString& title : {QStringLiteral("Create Library"), QStringLiteral("Link External Folder")}) {
        auto* row = new QListWidgetItem(title, this);
        row->setSizeHint(QSize(0, 28));
    }
}

ZQLibraryPopover::ZQLibraryPopover(Action createSpace, Action linkExternalFolder, QObject* parent)
    : QObject(parent), m_createSpace(std::move(createSpace)), m_linkExternalFolder(std::move(linkExternalFolder))
{
}

ZQLibraryPopover::~ZQLibraryPopover()
{
    delete m_window;
}

void ZQLibraryPopover::showPopover(QWidget* view, const QRect& rect)
{
    if (!m_window) {
        m_window = new plat::PopoverWindow;
        m_window->setObjectName(QStringLiteral("libraryPopover"));
        // Escape closes it; it never takes the keyboard from the window below.
        connect(m_window, &plat::PopoverWindow::cancelOperation, this, &ZQLibraryPopover::close);
        m_window->setAttribute(Qt::WA_TranslucentBackground, false);
        auto* layout = new QVBoxLayout(m_window);
        layout->setContentsMargins(5, 5, 5, 5);
        m_menu = new ZQSpaceCreateMenu(m_window);
        m_menu->setMenuDelegate(this);
        layout->addWidget(m_menu);
        m_window->resize(200, m_menu->fittingHeight() + 10);
    }
    m_window->attachToWindow(view ? view->window() : nullptr);
    const QPoint below = view ? view->mapToGlobal(QPoint(rect.left(), rect.bottom() + 1)) : QPoint();
    m_window->move(below);
    m_window->makeKeyAndOrderFront();
}

void ZQLibraryPopover::close()
{
    if (m_window)
        m_window->orderOut();
}

bool ZQLibraryPopover::isShown() const
{
    return m_window && m_window->isVisible();
}

void ZQLibraryPopover::menuItemSelected(quint64 row)
{
    close();
    if (row == 0 && m_createSpace)
        m_createSpace();
    else if (row == 1 && m_linkExternalFolder)
        m_linkExternalFolder();
}
