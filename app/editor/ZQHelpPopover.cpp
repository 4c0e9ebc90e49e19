#include "app/editor/ZQHelpPopover.h"

#include "kit/model/ZSSettings.h"
#include "platform/foundation/UserDefaults.h"

#include <QHeaderView>
#include <QVBoxLayout>

namespace {

const QString HideHelpTipsKey = QStringLiteral("hideHelpTips");
constexpr int HelpMenuWidth = 120;

} // namespace

ZQHelpPopMenu::ZQHelpPopMenu(QWidget* parent) : QTableWidget(parent), m_settings(ZSSettings::sharedSettings())
{
    setColumnCount(1);
    setRowCount(numberOfRows());
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->setDefaultSectionSize(RowHeight);
    setShowGrid(false);
    setFrameShape(QFrame::NoFrame);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    reloadData();
    connect(this, &QTableWidget::cellClicked, this, [this](int row, int) {
        if (m_delegate)
            m_delegate->menuItemSelected(row);
    });
}

QString ZQHelpPopMenu::rowText(int) const
{
    const bool hidden = m_settings && m_settings->hideHelpTips();
    return hidden ? QStringLiteral("Show Tips") : QStringLiteral("Hide Tips");
}

void ZQHelpPopMenu::reloadData()
{
    for (int row = 0; row < numberOfRows(); ++row) {
        auto* cell = item(row, 0);
        if (!cell) {
            cell = new QTableWidgetItem;
            setItem(row, 0, cell);
        }
        cell->setText(rowText(row));
    }
}

ZQHelpPopover::ZQHelpPopover(QWidget* parent)
    : QWidget(parent), m_popMenu(new ZQHelpPopMenu(this)), m_settings(ZSSettings::sharedSettings())
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->addWidget(m_popMenu);
    m_popMenu->setMenuDelegate(this);
    setFixedSize(HelpMenuWidth, ZQHelpPopMenu::RowHeight * m_popMenu->numberOfRows() + 8);
}

ZQHelpPopover::~ZQHelpPopover()
{
    if (m_popover)
        m_popover->setContentViewController(nullptr);
}

void ZQHelpPopover::showPopover(const QRectF& rect, QWidget* sender)
{
    if (!m_popover) {
        m_popover = std::make_unique<plat::Popover>();
        m_popover->setAppearance(plat::Popover::Appearance::Dark);
        m_popover->setContentViewController(this);
        m_popover->setContentSize(size());
        m_popover->setAnimates(true);
        m_popover->setBehavior(plat::Popover::Behavior::Transient);
    }
    m_popMenu->reloadData();
    m_popover->showRelativeToRect(rect, sender, plat::Popover::MaxYEdge);
}

void ZQHelpPopover::menuItemSelected(int)
{
    if (m_popover)
        m_popover->close();
    if (!m_settings)
        return;
    const bool hide = !m_settings->hideHelpTips();
    m_settings->setHideHelpTips(hide);
    plat::UserDefaults::standardUserDefaults()->setBool(hide, HideHelpTipsKey);
    m_popMenu->reloadData();
}
