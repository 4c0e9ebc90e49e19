#pragma once
// The parts of the outline popover: the flowing row of tag buttons, the
// heading list with its own selection drawing, and the band behind the counts.

#include "kit/model/ZQDocumentOutline.h"

#include <QLinearGradient>
#include <QListWidget>
#include <QStyledItemDelegate>
#include <QWidget>
#include <functional>
#include <optional>

class QPushButton;

// Tag buttons placed left to right from the top left, wrapping before a button
// would end beyond wrapWidth().
class ZQTagsView : public QWidget {
public:
    explicit ZQTagsView(QWidget* parent = nullptr);

    static constexpr double wrapWidth() { return 329; }

    void awakeFromNib();
    bool isFlipped() const { return true; }
    void clearTagViews();
    // One button per call, its tag the entry's index; a click calls the tag handler with it.
    QPushButton* addTag(const ZQDocumentTagPtr& tag);

    double tagsViewHeight() const { return m_tagsViewHeight; }
    void setTagsViewHeight(double height) { m_tagsViewHeight = height; }
    const QFont& defaultAttr() const { return m_defaultAttr; }
    void setTagHandler(std::function<void(qint64)> handler) { m_tagHandler = std::move(handler); }

private:
    double m_leftMargin = 0;
    double m_topMargin = 0;
    double m_tagsViewHeight = 0;
    QFont m_defaultAttr;
    std::function<void(qint64)> m_tagHandler;
};

// Draws a selected heading row with a half-transparent selection colour.
class ZQDocumentOutlineHeadingTableRowView : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The heading list: rows of 22 points, no behaviour of its own.
class ZQDocumentOutlineHeadingTableView : public QListWidget {
public:
    explicit ZQDocumentOutlineHeadingTableView(QWidget* parent = nullptr);
    static constexpr int rowHeight() { return 22; }
};

// The band behind the counts: a 2-point line across the top fading out at both ends.
class ZQDocumentOutlineStatView : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<QLinearGradient> m_gradient;
};
