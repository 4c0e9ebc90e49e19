#include "app/editor/ZQStyleContextPopover.h"

#include "app/editor/ZQAbstractEditor.h"
#include "app/shell/ZQTintButton.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSTextTheme.h"
#include "platform/foundation/NotificationCenter.h"

#include <QFont>
#include <QHBoxLayout>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

namespace {

constexpr int StyleButtonSize = 28;
const char* const StyleTagProperty = "zqTag";

// Which style flag presses which button.
struct FlagTag {
    qint64 flag;
    qint64 tag;
};
constexpr FlagTag StyleFlagTags[] = {
    {0x4, 21},      {0x8, 22},      {0x10, 23},      {0x20, 24},       {0x40, 25},       {0x80, 26},
    {0x100, 2},     {0x200, 1},     {0x400, 12},     {0x800, 11},      {0x1000, 51},     {0x2000, 50},
    {0x4000, 35},   {0x8000, 40},   {0x10000, 34},   {0x20000, 32},    {0x80000, 33},    {0x100000, 42},
    {0x200000, 41}, {0x800000, 43}, {0x10000000, 100},
};

// The button's face: its label drawn as the shape the tint colours.
QIcon styleButtonFace(const QString& label)
{
    QPixmap face(StyleButtonSize, StyleButtonSize);
    face.fill(Qt::transparent);
    QPainter painter(&face);
    QFont font = painter.font();
    font.setPixelSize(label.size() > 2 ? 9 : 13);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(face.rect(), Qt::AlignCenter, label);
    painter.end();
    return QIcon(face);
}

} // namespace

ZQStyleContextPopover::ZQStyleContextPopover(QWidget* parent)
    : QWidget(parent), m_settings(ZSSettings::sharedSettings()), m_textTheme(ZSTextTheme::sharedTheme())
{
    m_basicMenu = makePanel({{2, QStringLiteral("B")},
                             {1, QStringLiteral("I")},
                             {11, QStringLiteral("S")},
                             {12, QStringLiteral("</>")},
                             {40, QStringLiteral("link")},
                             {HeadingMenu, QStringLiteral("H")},
                             {AdvanceMenu, QStringLiteral("...")}});
    m_advanceMenu = makePanel({{32, QStringLiteral("\"")},
                               {33, QStringLiteral("{ }")},
                               {34, QStringLiteral("—")},
                               {35, QStringLiteral("[x]")},
                               {50, QStringLiteral("•")},
                               {51, QStringLiteral("1.")},
                               {41, QStringLiteral("img")},
                               {42, QStringLiteral("fn")},
                               {43, QStringLiteral("#")},
                               {100, QStringLiteral("clr")},
                               {BasicMenu, QStringLiteral("<")}});
    m_headingMenu = makePanel({{21, QStringLiteral("H1")},
                               {22, QStringLiteral("H2")},
                               {23, QStringLiteral("H3")},
                               {24, QStringLiteral("H4")},
                               {25, QStringLiteral("H5")},
                               {26, QStringLiteral("H6")},
                               {BasicMenu, QStringLiteral("<")}});
}

ZQStyleContextPopover::~ZQStyleContextPopover()
{
    // The popover hands this view back; it must not outlive it in a panel.
    if (m_popover)
        m_popover->setContentViewController(nullptr);
}

QWidget* ZQStyleContextPopover::makePanel(const QList<std::pair<qint64, QString>>& buttons)
{
    auto* panel = new QWidget(this);
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    for (const auto& [tag, label] : buttons) {
        auto* button = new ZQTintImageButton(panel);
        button->setProperty(StyleTagProperty, tag);
        button->setIcon(styleButtonFace(label));
        button->setIconSize(QSize(StyleButtonSize, StyleButtonSize));
        button->setFixedSize(StyleButtonSize, StyleButtonSize);
        button->setToolTip(label);
        const bool switches = tag >= BasicMenu && tag <= HeadingMenu;
        connect(button, &QAbstractButton::clicked, this, [this, button, switches] {
            if (switches)
                switchMenuTo(button);
            else
                clickStyle(button);
        });
        layout->addWidget(button);
    }
    panel->adjustSize();
    panel->setFixedSize(panel->sizeHint());
    panel->hide();
    return panel;
}

qint64 ZQStyleContextPopover::buttonTag(const QAbstractButton* button)
{
    return button ? button->property(StyleTagProperty).toLongLong() : 0;
}

QAbstractButton* ZQStyleContextPopover::buttonWithTag(QWidget* panel, qint64 tag)
{
    for (auto* button : panel->findChildren<QAbstractButton*>())
        if (buttonTag(button) == tag)
            return button;
    return nullptr;
}

bool ZQStyleContextPopover::isTagPressed(qint64 tag, qint64 keycodes)
{
    for (const FlagTag& entry : StyleFlagTags)
        if (entry.tag == tag && (keycodes & entry.flag))
            return true;
    return false;
}

void ZQStyleContextPopover::makePopover()
{
    m_popover = std::make_unique<plat::Popover>();
    m_popover->setContentViewController(this);
    m_popover->setAnimates(true);
    m_popover->setBehavior(plat::Popover::Behavior::Transient);
    const qint64 style = !m_textTheme                 ? 0
                         : m_isMarkdownEditorVisible ? m_textTheme->mdPopoverStyle()
                                                     : m_textTheme->editorPopoverStyle();
    m_popover->setAppearance(style != 0 ? plat::Popover::Appearance::Dark : plat::Popover::Appearance::Light);
}

void ZQStyleContextPopover::showPopover(const QRectF& rect, QWidget* sender, qint64 selectedMenuID,
                                        quint64 arrowDirection, qint64 keycodes)
{
    m_arrowDirection = arrowDirection;
    m_keycodes = keycodes;
    m_relativeToRect = rect;
    m_positioningView = sender;
    if (const auto* editor = qobject_cast<const ZQAbstractEditor*>(sender))
        m_isMarkdownEditorVisible = editor->isMarkdownEditorVisible();
    if (!m_popover)
        makePopover();
    m_popover->showRelativeToRect(rect, sender, plat::Popover::Edge(arrowDirection));
    switchMenuTo(selectedMenuID);
}

void ZQStyleContextPopover::close()
{
    if (m_popover)
        m_popover->close();
}

QWidget* ZQStyleContextPopover::panelFor(qint64 menuID) const
{
    return menuID == AdvanceMenu ? m_advanceMenu : menuID == HeadingMenu ? m_headingMenu : m_basicMenu;
}

void ZQStyleContextPopover::switchMenuTo(const QAbstractButton* sender)
{
    switchMenuTo(buttonTag(sender));
}

void ZQStyleContextPopover::switchMenuTo(qint64 menuID)
{
    m_selectedMenuID = menuID;
    for (QWidget* panel : {m_basicMenu, m_advanceMenu, m_headingMenu})
        panel->hide();
    QWidget* panel = panelFor(menuID);
    setFixedSize(panel->size());
    if (m_popover)
        m_popover->setContentSize(panel->size());
    panel->move(0, 0);
    highlightPanel(panel);
    panel->show();
}

void ZQStyleContextPopover::highlightPanel(QWidget* panel)
{
    for (auto* button : panel->findChildren<ZQTintImageButton*>()) {
        button->setFocusPolicy(Qt::NoFocus);
        button->resetButtonStyle(m_isMarkdownEditorVisible);
        button->setState(isTagPressed(buttonTag(button), m_keycodes) ? 1 : 0);
    }
}

void ZQStyleContextPopover::fixStyleButtonState(qint64 keycodes)
{
    m_keycodes = keycodes;
    highlightPanel(panelFor(m_selectedMenuID));
}

void ZQStyleContextPopover::clickStyle(const QAbstractButton* sender)
{
    plat::NotificationCenter::defaultCenter().post(clickedNotification(), nullptr,
                                                   {{QStringLiteral("tag"), plat::Value(buttonTag(sender))}});
}

void ZQStyleContextPopover::popoverStyleUpdatedRequired()
{
    if (m_popover) {
        m_popover->close();
        m_popover->setContentViewController(nullptr);
        setParent(nullptr);
    }
    m_popover.reset();
}
