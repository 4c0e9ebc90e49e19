#include "app/shell/ZQHelpViews.h"

#include "app/shell/ZQStatusViews.h"
#include "platform/foundation/UserDefaults.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QColor helpLightLine(47, 50, 53);
const QColor helpDarkLine(20, 21, 23, qRound(0.5 * 255));

QColor helpColor(const plat::ColorPtr& color, const QColor& fallback)
{
    return color ? color->toQColor() : fallback;
}

// A cheat sheet: what to type, and what it gives.
QWidget* makeCheatSheet(const QString& name, const std::initializer_list<std::pair<const char*, const char*>>& rows)
{
    auto* sheet = new QWidget;
    sheet->setObjectName(name);
    auto* grid = new QGridLayout(sheet);
    grid->setContentsMargins(12, 12, 12, 12);
    grid->setVerticalSpacing(6);
    QFont mono(QStringLiteral("Menlo"), 11);
    mono.setStyleHint(QFont::Monospace);
    int row = 0;
    for (const auto& [typed, meaning] : rows) {
        auto* marker = new ZQAntiAliasField(sheet);
        marker->setText(QString::fromUtf8(typed));
        marker->setFont(mono);
        grid->addWidget(marker, row, 0);
        grid->addWidget(new QLabel(QString::fromUtf8(meaning), sheet), row, 1);
        ++row;
    }
    grid->setRowStretch(row, 1);
    return sheet;
}

} // namespace

void ZQHelpBackgroundView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(event->rect(), Qt::transparent);
}

ZQHelpActionBarView::ZQHelpActionBarView(QWidget* parent) : QWidget(parent), m_settings(ZQSetting::shared()) {}

void ZQHelpActionBarView::paintEvent(QPaintEvent*)
{
    // Top-down coordinates: the lines lie 2 and 3 points below the top edge.
    QPainter painter(this);
    const int w = width(), h = height();
    painter.fillRect(QRect(0, 2, w, h - 2),
                     helpColor(m_settings ? m_settings->helpActionBackgroundColor() : nullptr, QColor(54, 57, 61)));
    painter.fillRect(QRect(0, 1, w, 1), helpDarkLine);
    painter.fillRect(QRect(0, 2, w, 1), helpLightLine);
}

ZQHelpTipView::ZQHelpTipView(QWidget* parent)
    : QWidget(parent), m_settings(ZQSetting::shared()), m_tip(ZQHelpTip::sharedTip()), m_tipTitle(new QLabel(this)),
      m_tipContent(new QLabel(this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 8, 12, 8);
    QFont bold = m_tipTitle->font();
    bold.setBold(true);
    m_tipTitle->setFont(bold);
    m_tipContent->setWordWrap(true);
    column->addWidget(m_tipTitle);
    column->addWidget(m_tipContent, 1);
    m_tipObserver = m_tip->addObserver(QStringLiteral("tid"), [this](const QString&) {
        QMetaObject::invokeMethod(this, [this] { tipChanged(); }, Qt::AutoConnection);
    });
}

ZQHelpTipView::~ZQHelpTipView()
{
    m_tip->removeObserver(m_tipObserver);
}

QString ZQHelpTipView::tipTitle() const
{
    return m_tipTitle->text();
}

QString ZQHelpTipView::tipContent() const
{
    return m_tipContent->text();
}

void ZQHelpTipView::tipChanged()
{
    const QString title = m_tip->title();
    const QString message = m_tip->msg();
    if (title.isEmpty() || message.isEmpty())
        return;
    m_tipTitle->setText(title);
    m_tipContent->setText(message);
}

void ZQHelpTipView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int w = width(), h = height();
    painter.fillRect(QRect(2, 0, w, h - 2),
                     helpColor(m_settings ? m_settings->helpViewBackgroundColor() : nullptr, QColor(43, 45, 50)));
    painter.fillRect(QRect(0, h - 1, w, 1), helpLightLine);
    painter.fillRect(QRect(0, h - 2, w, 1), helpDarkLine);
}

ZQHelpMainView::ZQHelpMainView(QWidget* parent)
    : QWidget(parent), m_settings(ZQSetting::shared()),
      m_quorvelMarkupHelpPanel(makeCheatSheet(QStringLiteral("ZQHelpQuorvelMarkup"),
                                              {{"h1. ", "Heading 1"},
                                               {"h2. ", "Heading 2"},
                                               {"*bold*", "Bold"},
                                               {"~slanted~", "Italic"},
                                               {"-gone-", "Strikethrough"},
                                               {"+tag+", "Tag"},
                                               {"# item", "Numbered list"},
                                               {"* item", "Bulleted list"}})),
      m_markdownHelpPanel(makeCheatSheet(QStringLiteral("ZQHelpMarkdown"),
                                         {{"# ", "Heading 1"},
                                          {"## ", "Heading 2"},
                                          {"**bold**", "Bold"},
                                          {"*italic*", "Italic"},
                                          {"~~gone~~", "Strikethrough"},
                                          {"`code`", "Inline code"},
                                          {"[text](url)", "Link"},
                                          {"- item", "Bulleted list"},
                                          {"1. item", "Numbered list"},
                                          {"- [ ] task", "Task"},
                                          {"> quote", "Quote"},
                                          {"***", "Divider"}})),
      m_scrollView(new QScrollArea(this)), m_actionBtn(new QToolButton(this)), m_tipView(new ZQHelpTipView(this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* bar = new ZQHelpActionBarView(this);
    auto* barRow = new QHBoxLayout(bar);
    barRow->setContentsMargins(8, 4, 8, 2);
    barRow->addStretch(1);
    m_actionBtn->setText(QStringLiteral("\u2699"));
    m_actionBtn->setAutoRaise(true);
    barRow->addWidget(m_actionBtn);
    connect(m_actionBtn, &QToolButton::clicked, this, [this] { helpPopoverClick(); });
    column->addWidget(bar);
    m_scrollView->setWidgetResizable(true);
    m_scrollView->setFrameShape(QFrame::NoFrame);
    m_scrollView->viewport()->setAutoFillBackground(false);
    column->addWidget(m_scrollView, 1);
    column->addWidget(m_tipView);

    updateMarkupHelp();
    setHideTip();
    if (m_settings) {
        m_hideTipsObserver = m_settings->addObserver(QStringLiteral("hideHelpTips"), [this](const QString&) { setHideTip(); });
        m_markupTypeObserver =
            m_settings->addObserver(QStringLiteral("markupType"), [this](const QString&) { updateMarkupHelp(); });
    }
}

ZQHelpMainView::~ZQHelpMainView()
{
    if (m_settings) {
        m_settings->removeObserver(m_hideTipsObserver);
        m_settings->removeObserver(m_markupTypeObserver);
    }
    // The sheet not shown has no parent.
    if (m_scrollView->widget() != m_markdownHelpPanel)
        delete m_markdownHelpPanel;
    if (m_scrollView->widget() != m_quorvelMarkupHelpPanel)
        delete m_quorvelMarkupHelpPanel;
}

QWidget* ZQHelpMainView::shownHelpPanel() const
{
    return m_scrollView->widget();
}

void ZQHelpMainView::updateMarkupHelp()
{
    QWidget* wanted = !m_settings || m_settings->markupType() == ZQMarkupType::Markdown ? m_markdownHelpPanel
                                                                                       : m_quorvelMarkupHelpPanel;
    if (m_scrollView->widget() == wanted)
        return;
    // Taken out, not deleted: the other sheet comes back on the next change.
    m_scrollView->takeWidget();
    m_scrollView->setWidget(wanted);
}

void ZQHelpMainView::setHideTip()
{
    const bool hide = m_settings && m_settings->hideHelpTips();
    m_tipView->setVisible(!hide);
    m_tipView->setFixedHeight(hide ? 0 : TipHeight);
}

void ZQHelpMainView::helpPopoverClick()
{
    // The action button's one row switches the typing tips.
    QMenu menu(this);
    const bool hidden = m_settings && m_settings->hideHelpTips();
    QAction* toggle = menu.addAction(hidden ? QStringLiteral("Show Typing Tips") : QStringLiteral("Hide Typing Tips"));
    if (menu.exec(m_actionBtn->mapToGlobal(QPoint(0, m_actionBtn->height()))) == toggle && m_settings) {
        m_settings->setHideHelpTips(!hidden);
        plat::UserDefaults::standardUserDefaults()->setBool(!hidden, QStringLiteral("hideHelpTips"));
    }
}

void ZQHelpMainView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(),
                     helpColor(m_settings ? m_settings->helpViewBackgroundColor() : nullptr, QColor(43, 45, 50)));
}
