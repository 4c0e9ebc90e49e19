#pragma once
// The library window's two split views: the pane (spaces and pages) beside
// the editor area, and the spaces beside the pages inside the pane. A divider
// pushed to either edge (a collapsed pane) is not drawn.

#include <QSplitter>

class ZQMainSplitView : public QSplitter {
    Q_OBJECT
public:
    explicit ZQMainSplitView(QWidget* parent = nullptr);

    // The far edge of the first pane; moving it moves divider 0.
    double splitPosition() const;
    void setSplitPosition(double position);

    // Puts view at index unless a view of exactly its class is there already.
    void ensureView(QWidget* view, int index);
    void replaceSubview(QWidget* view, int index) { ensureView(view, index); }

    // The divider colour at x in a split view of width w.
    static QColor dividerColor(double x, double width);

protected:
    QSplitterHandle* createHandle() override;
};

class ZQDocTreeSplitView : public ZQMainSplitView {
    Q_OBJECT
public:
    using ZQMainSplitView::ZQMainSplitView;
};
