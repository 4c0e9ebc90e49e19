#pragma once
// The help pane beside the editor: the cheat sheet of the markup dialect in
// use (swapped when the dialect changes), the action bar whose button switches
// the typing tips, and the tip view that shows the latest typing tip.

#include "app/shell/ZQSetting.h"
#include "kit/model/ZQHelpTip.h"

#include <QWidget>

class QLabel;
class QScrollArea;
class QToolButton;

// Shows what lies behind it.
class ZQHelpBackgroundView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* event) override;
};

class ZQHelpActionBarView : public QWidget {
    Q_OBJECT
public:
    explicit ZQHelpActionBarView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ZQSettingPtr m_settings;
};

// The latest typing tip; a tip without title or message leaves the one shown.
class ZQHelpTipView : public QWidget {
    Q_OBJECT
public:
    explicit ZQHelpTipView(QWidget* parent = nullptr);
    ~ZQHelpTipView() override;

    QString tipTitle() const;
    QString tipContent() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void tipChanged();

    ZQSettingPtr m_settings;
    std::shared_ptr<ZQHelpTip> m_tip;
    QLabel* m_tipTitle;
    QLabel* m_tipContent;
    plat::ObserverToken m_tipObserver{};
};

class ZQHelpMainView : public QWidget {
    Q_OBJECT
public:
    static constexpr int TipHeight = 95;

    explicit ZQHelpMainView(QWidget* parent = nullptr);
    ~ZQHelpMainView() override;

    // The cheat sheet shown now.
    QWidget* shownHelpPanel() const;
    QWidget* markdownHelpPanel() const { return m_markdownHelpPanel; }
    QWidget* quorvelMarkupHelpPanel() const { return m_quorvelMarkupHelpPanel; }
    ZQHelpTipView* tipView() const { return m_tipView; }
    QToolButton* actionButton() const { return m_actionBtn; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setHideTip();
    void updateMarkupHelp();
    void helpPopoverClick();

    ZQSettingPtr m_settings;
    QWidget* m_quorvelMarkupHelpPanel;
    QWidget* m_markdownHelpPanel;
    QScrollArea* m_scrollView;
    QToolButton* m_actionBtn;
    ZQHelpTipView* m_tipView;
    plat::ObserverToken m_hideTipsObserver{};
    plat::ObserverToken m_markupTypeObserver{};
};
