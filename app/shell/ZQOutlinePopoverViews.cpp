#include "app/shell/ZQOutlinePopoverViews.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPushButton>

namespace {
// The small system font size, in points.
constexpr double kSmallSystemFontSize = 11;
} // namespace

// --- ZQTagsView ---

ZQTagsView::ZQTagsView(QWidget* parent) : QWidget(parent)
{
    awakeFromNib();
}

void ZQTagsView::awakeFromNib()
{
    m_defaultAttr = QApplication::font();
    m_defaultAttr.setPointSizeF(kSmallSystemFontSize);
}

void ZQTagsView::clearTagViews()
{
    m_leftMargin = 0;
    m_topMargin = 0;
    m_tagsViewHeight = 0;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        delete child;
}

QPushButton* ZQTagsView::addTag(const ZQDocumentTagPtr& tag)
{
    const QSizeF size = QFontMetricsF(m_defaultAttr).size(Qt::TextSingleLine, tag->tagText());
    const double w = size.width();
    const double h = size.height();
    if (findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty())
        m_tagsViewHeight = h + 5;

    auto* button = new QPushButton(tag->tagText(), this);
    button->setFont(m_defaultAttr);
    button->setFlat(true);
    button->setProperty("tag", tag->index());
    const qint64 index = tag->index();
    QObject::connect(button, &QPushButton::clicked, this, [this, index] {
        if (m_tagHandler)
            m_tagHandler(index);
    });

    if (m_leftMargin + (w + 10) + 5 > wrapWidth()) {
        m_leftMargin = 0;
        m_topMargin += h + 10;
        m_tagsViewHeight += h + 10;
    }
    button->setGeometry(QRectF(m_leftMargin, m_topMargin, w + 10, h + 5).toRect());
    button->show();
    m_leftMargin += w + 15;
    return button;
}

// --- heading list ---

void ZQDocumentOutlineHeadingTableRowView::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                                 const QModelIndex& index) const
{
    QStyleOptionViewItem plain = option;
    if (option.state & QStyle::State_Selected) {
        QColor fill = option.palette.color(QPalette::Highlight);
        fill.setAlphaF(0.5);
        painter->save();
        painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter->fillRect(option.rect, fill);
        painter->restore();
        plain.state &= ~QStyle::State_Selected;
    }
    QStyledItemDelegate::paint(painter, plain, index);
}

QSize ZQDocumentOutlineHeadingTableRowView::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), ZQDocumentOutlineHeadingTableView::rowHeight());
}

ZQDocumentOutlineHeadingTableView::ZQDocumentOutlineHeadingTableView(QWidget* parent) : QListWidget(parent)
{
    setItemDelegate(new ZQDocumentOutlineHeadingTableRowView(this));
    setUniformItemSizes(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

// --- stat band ---

void ZQDocumentOutlineStatView::paintEvent(QPaintEvent*)
{
    if (!m_gradient) {
        QColor grey = QColor::fromRgbF(0.8f, 0.8f, 0.8f);
        QColor clear = grey;
        clear.setAlphaF(0);
        m_gradient.emplace(0, 0, 1, 0);
        m_gradient->setCoordinateMode(QGradient::ObjectMode);
        m_gradient->setColorAt(0.0, clear);
        m_gradient->setColorAt(0.35, grey);
        m_gradient->setColorAt(0.65, grey);
        m_gradient->setColorAt(1.0, clear);
    }
    QPainter painter(this);
    painter.fillRect(QRectF(0, 0, width(), 2), *m_gradient);
}
