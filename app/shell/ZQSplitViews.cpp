#include "app/shell/ZQSplitViews.h"

#include <QPainter>

namespace {

class DividerHandle final : public QSplitterHandle {
public:
    using QSplitterHandle::QSplitterHandle;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), ZQMainSplitView::dividerColor(x(), splitter()->width()));
    }
};

} // namespace

ZQMainSplitView::ZQMainSplitView(QWidget* parent) : QSplitter(Qt::Horizontal, parent)
{
    setHandleWidth(1);
    setChildrenCollapsible(true);
}

QSplitterHandle* ZQMainSplitView::createHandle()
{
    return new DividerHandle(orientation(), this);
}

QColor ZQMainSplitView::dividerColor(double x, double width)
{
    if (x >= 5 && x <= width - 5)
        return QColor(210, 210, 210);
    return Qt::transparent;
}

double ZQMainSplitView::splitPosition() const
{
    const QWidget* first = count() > 0 ? widget(0) : nullptr;
    if (!first || !first->isVisible())
        return 0;
    return orientation() == Qt::Horizontal ? first->x() + first->width() : first->y() + first->height();
}

void ZQMainSplitView::setSplitPosition(double position)
{
    moveSplitter(qRound(position), 1);
}

void ZQMainSplitView::ensureView(QWidget* view, int index)
{
    QWidget* current = index < count() ? widget(index) : nullptr;
    if (current == view)
        return;
    if (current && current->metaObject() == view->metaObject())
        return;
    if (current) {
        const QList<int> sizes = this->sizes();
        replaceWidget(index, view);
        // The replaced view stays with the window, hidden, for the next swap.
        current->setParent(window());
        current->hide();
        view->show();
        setSizes(sizes);
    } else {
        insertWidget(index, view);
    }
}
