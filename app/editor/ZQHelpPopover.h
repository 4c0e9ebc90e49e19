#pragma once
// The markup help pane's action menu: a small dark popover whose one row
// switches the typing help tips on or off.

#include "platform/ui/Popover.h"

#include <QTableWidget>
#include <QWidget>
#include <memory>

class ZSSettings;
class ZQHelpPopover;

// The one-row menu table inside the popover.
class ZQHelpPopMenu : public QTableWidget {
    Q_OBJECT
public:
    static constexpr int RowHeight = 28;

    explicit ZQHelpPopMenu(QWidget* parent = nullptr);

    // Not owned.
    void setMenuDelegate(ZQHelpPopover* delegate) { m_delegate = delegate; }
    int numberOfRows() const { return 1; }
    // "Show Tips" while tips are hidden, "Hide Tips" while shown.
    QString rowText(int row) const;
    // The row's text again, for the current setting.
    void reloadData();

private:
    std::shared_ptr<ZSSettings> m_settings;
    ZQHelpPopover* m_delegate = nullptr;
};

class ZQHelpPopover : public QWidget {
    Q_OBJECT
public:
    explicit ZQHelpPopover(QWidget* parent = nullptr);
    ~ZQHelpPopover() override;

    // Shows the popover below rect of sender (the pane's action button).
    void showPopover(const QRectF& rect, QWidget* sender);
    // A row of the menu was clicked: tips are switched and the choice kept.
    void menuItemSelected(int row);

    ZQHelpPopMenu* popMenu() const { return m_popMenu; }
    // None before the first showing.
    plat::Popover* popover() const { return m_popover.get(); }

private:
    ZQHelpPopMenu* m_popMenu;
    std::shared_ptr<ZSSettings> m_settings;
    std::unique_ptr<plat::Popover> m_popover;
};
