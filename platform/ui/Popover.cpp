#include "platform/ui/Popover.h"

#include "platform/ui/PopoverWindow.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace plat {

namespace {

constexpr int PopoverGap = 4;

QColor popoverFill(Popover::Appearance appearance)
{
    return appearance == Popover::Appearance::Dark ? QColor(40, 42, 46) : QColor(246, 246, 248);
}

} // namespace

Popover::Popover(QObject* parent) : QObject(parent), m_window(std::make_unique<PopoverWindow>())
{
    m_window->setAttribute(Qt::WA_TranslucentBackground, false);
    m_window->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(m_window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    setAppearance(m_appearance);
    connect(m_window.get(), &PopoverWindow::cancelOperation, this, &Popover::close);
}

Popover::~Popover()
{
    if (m_filtering)
        qApp->removeEventFilter(this);
    // The content is the caller's: hand it back before the panel goes.
    if (m_content && m_content->parentWidget() == m_window.get())
        m_content->setParent(nullptr);
}

void Popover::setContentViewController(QWidget* content)
{
    if (m_content == content)
        return;
    if (m_content && m_content->parentWidget() == m_window.get()) {
        m_window->layout()->removeWidget(m_content);
        m_content->setParent(nullptr);
    }
    m_content = content;
    if (content) {
        m_window->layout()->addWidget(content);
        content->show();
    }
}

void Popover::setContentSize(const QSizeF& size)
{
    m_contentSize = size;
    if (m_content)
        m_content->setFixedSize(size.toSize());
    m_window->setFixedSize(size.toSize());
    if (isShown())
        place();
}

void Popover::setAppearance(Appearance appearance)
{
    m_appearance = appearance;
    QPalette palette = m_window->palette();
    palette.setColor(QPalette::Window, popoverFill(appearance));
    m_window->setPalette(palette);
}

bool Popover::isShown() const
{
    return m_window->isVisible();
}

void Popover::showRelativeToRect(const QRectF& rect, QWidget* view, Edge preferredEdge)
{
    m_anchor = rect;
    m_view = view;
    m_edge = preferredEdge;
    if (view)
        m_window->attachToWindow(view->window());
    place();
    m_window->makeKeyAndOrderFront();
    if (m_behavior == Behavior::Transient && !m_filtering) {
        qApp->installEventFilter(this);
        m_filtering = true;
    }
}

void Popover::place()
{
    if (!m_view)
        return;
    const QSize size = m_contentSize.isValid() ? m_contentSize.toSize() : m_window->sizeHint();
    const QRect anchor(m_view->mapToGlobal(m_anchor.topLeft().toPoint()), m_anchor.size().toSize());
    QPoint origin;
    switch (m_edge) {
    case MinYEdge: origin = QPoint(anchor.center().x() - size.width() / 2, anchor.top() - size.height() - PopoverGap); break;
    case MaxYEdge: origin = QPoint(anchor.center().x() - size.width() / 2, anchor.bottom() + PopoverGap); break;
    case MinXEdge: origin = QPoint(anchor.left() - size.width() - PopoverGap, anchor.center().y() - size.height() / 2); break;
    default: origin = QPoint(anchor.right() + PopoverGap, anchor.center().y() - size.height() / 2); break;
    }
    // Keep the panel on the screen of its view.
    if (const QScreen* screen = m_view->screen()) {
        const QRect area = screen->availableGeometry();
        origin.setX(std::clamp(origin.x(), area.left(), std::max(area.left(), area.right() - size.width())));
        origin.setY(std::clamp(origin.y(), area.top(), std::max(area.top(), area.bottom() - size.height())));
    }
    m_window->setGeometry(QRect(origin, size));
}

void Popover::close()
{
    if (m_filtering) {
        qApp->removeEventFilter(this);
        m_filtering = false;
    }
    if (!isShown())
        return;
    m_window->orderOut();
    emit didClose();
}

QRect Popover::panelGeometry() const
{
    return m_window->geometry();
}

bool Popover::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType()) {
        const auto* widget = static_cast<QWidget*>(watched);
        if (widget->window() != m_window.get())
            close();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace plat
