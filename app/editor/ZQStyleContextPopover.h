#pragma once
// The formatting buttons shown beside a selection: three panels (basic,
// advanced, headings), one at a time, in a transient popover. The buttons of
// the styles the selection already has are pressed. A click formats nothing
// itself: it posts "zqNotifyHLC" with the button's action tag, which the
// window runs on its visible editor.

#include "platform/ui/Popover.h"

#include <QPointer>
#include <QRectF>
#include <QWidget>
#include <memory>

class QAbstractButton;
class ZSSettings;
class ZSTextTheme;

class ZQStyleContextPopover : public QWidget {
    Q_OBJECT
public:
    // Panel identifiers; also the tags of the buttons that switch panels.
    enum : qint64 { BasicMenu = 10000, AdvanceMenu = 10001, HeadingMenu = 10002 };
    static QString clickedNotification() { return QStringLiteral("zqNotifyHLC"); }

    explicit ZQStyleContextPopover(QWidget* parent = nullptr);
    ~ZQStyleContextPopover() override;

    // rect in sender's coordinates; arrowDirection is the popover edge
    // (1 above the rectangle, 3 below); keycodes the selection's style flags.
    void showPopover(const QRectF& rect, QWidget* sender, qint64 selectedMenuID, quint64 arrowDirection,
                     qint64 keycodes);
    void fixStyleButtonState(qint64 keycodes);
    // A panel-switching button: its tag names the panel.
    void switchMenuTo(const QAbstractButton* sender);
    void switchMenuTo(qint64 menuID);
    // A formatting button: posts its tag.
    void clickStyle(const QAbstractButton* sender);
    // The next showing builds the popover with the current theme.
    void popoverStyleUpdatedRequired();

    // Whether a style flag of keycodes presses the button of tag.
    static bool isTagPressed(qint64 tag, qint64 keycodes);
    // The action tag a button carries.
    static qint64 buttonTag(const QAbstractButton* button);

    // None until first shown and after popoverStyleUpdatedRequired.
    plat::Popover* popover() const { return m_popover.get(); }
    bool isShown() const { return m_popover && m_popover->isShown(); }
    void close();
    quint64 arrowDirection() const { return m_arrowDirection; }
    QRectF relativeToRect() const { return m_relativeToRect; }
    qint64 selectedMenuID() const { return m_selectedMenuID; }
    qint64 keycodes() const { return m_keycodes; }
    QWidget* positioningView() const { return m_positioningView; }
    bool isMarkdownEditorVisible() const { return m_isMarkdownEditorVisible; }

    QWidget* basicMenu() const { return m_basicMenu; }
    QWidget* advanceMenu() const { return m_advanceMenu; }
    QWidget* headingMenu() const { return m_headingMenu; }
    // The button of tag in a panel; none when it has none.
    static QAbstractButton* buttonWithTag(QWidget* panel, qint64 tag);

private:
    QWidget* panelFor(qint64 menuID) const;
    void highlightPanel(QWidget* panel);
    QWidget* makePanel(const QList<std::pair<qint64, QString>>& buttons);
    void makePopover();

    std::shared_ptr<ZSSettings> m_settings;
    std::shared_ptr<ZSTextTheme> m_textTheme;
    std::unique_ptr<plat::Popover> m_popover;
    QWidget* m_basicMenu = nullptr;
    QWidget* m_advanceMenu = nullptr;
    QWidget* m_headingMenu = nullptr;
    quint64 m_arrowDirection = plat::Popover::MaxYEdge;
    qint64 m_keycodes = 0;
    qint64 m_selectedMenuID = BasicMenu;
    QRectF m_relativeToRect;
    QPointer<QWidget> m_positioningView;
    bool m_isMarkdownEditorVisible = false;
};
