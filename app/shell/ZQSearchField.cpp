#include "app/shell/ZQSearchField.h"

#include "app/library/ZQFilterSearch.h"
#include "app/library/ZQIndexService.h"
#include "app/library/ZQLibraryRecords.h"
#include "app/shell/ZQAppFlags.h"

#include <QPainter>

ZQSaveFilterBtn::ZQSaveFilterBtn(QWidget* parent) : QPushButton(parent)
{
    setObjectName(QStringLiteral("saveFilterBtn"));
    setFlat(true);
    setFocusPolicy(Qt::NoFocus);
    setEnabled(false);
}

void ZQSaveFilterBtn::setLabelText(const QString& text)
{
    m_text = text;
    update();
}

void ZQSaveFilterBtn::toggleVisible(bool visible)
{
    if (visible) {
        m_text = m_savedText;
    } else {
        m_savedText = m_text;
        m_text.clear();
    }
    update();
}

QColor ZQSaveFilterBtn::titleColor() const
{
    return isEnabled() ? QColor(13, 119, 239) : QColor(202, 202, 202);
}

QSize ZQSaveFilterBtn::sizeHint() const
{
    QFont font = this->font();
    font.setPointSizeF(15);
    return QSize(QFontMetrics(font).horizontalAdvance(QStringLiteral("Update Filter")) + 24, 32);
}

void ZQSaveFilterBtn::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QFont font = this->font();
    font.setPointSizeF(15);
    painter.setFont(font);
    painter.setPen(titleColor());
    painter.drawText(rect(), Qt::AlignCenter, m_text);
}

ZQSearchField::ZQSearchField(QWidget* parent) : QLineEdit(parent)
{
    setObjectName(QStringLiteral("searchField"));
    setPlaceholderText(QStringLiteral("Search"));
    setClearButtonEnabled(true);
    m_timer.setSingleShot(true);
    m_timer.setInterval(searchDelayMs);
    connect(&m_timer, &QTimer::timeout, this, &ZQSearchField::doSearching);
    // Typed text only: a text put in by a saved filter runs its search itself.
    connect(this, &QLineEdit::textEdited, this, &ZQSearchField::textDidChange);
    connect(this, &QLineEdit::returnPressed, this, &ZQSearchField::enterKey);
}

void ZQSearchField::setSaveFilterBtn(ZQSaveFilterBtn* button)
{
    m_saveFilterBtn = button;
    if (m_saveFilterBtn)
        connect(m_saveFilterBtn, &QPushButton::clicked, this, &ZQSearchField::saveFilter);
}

void ZQSearchField::textDidChange()
{
    // Each keystroke replaces the pending search.
    m_timer.start();
}

void ZQSearchField::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    if (m_saveFilterBtn)
        m_saveFilterBtn->setEnabled(!text().trimmed().isEmpty());
    if (m_spaceDocument && m_spaceDocument->currentSpace())
        m_spaceDocument->currentSpace()->saveCurrentPage();
}

void ZQSearchField::currentSpaceFolder(const QString& folder, const QString& title, const QString& criteria)
{
    m_filterFolder = folder;
    m_filterTitle = title;
    m_filterCriteria = criteria;
    m_isSavedFilter = folder != ZQSpaceFolder::filters();
    if (m_isSavedFilter) {
        if (m_saveFilterBtn)
            m_saveFilterBtn->setLabelText(updateFilterTitle());
        setText(criteria);
    } else if (m_saveFilterBtn) {
        m_saveFilterBtn->setLabelText(saveFilterTitle());
    }
}

void ZQSearchField::doSearching()
{
    m_timer.stop();
    const QString query = text();
    const bool blank = query.trimmed().isEmpty();
    if (!blank && !ZQAppFlags::inFilters && m_host)
        m_host->selectFilterSpace();
    if (m_saveFilterBtn)
        m_saveFilterBtn->setEnabled(!blank);
    const QList<QUrl> hits = !blank && m_indexer ? m_indexer->search(query) : QList<QUrl>();
    const qsizetype listed =
        m_spaceDocument ? ZQFilterSearch::fillFilterList(m_spaceDocument->filterDocument(), hits) : 0;
    if (ZQAppFlags::inFilters && m_host)
        m_host->searchFinished(listed);
}

void ZQSearchField::saveFilter()
{
    const QString criteria = text();
    if (!m_spaceDocument || criteria.trimmed().isEmpty())
        return;
    plat::ManagedObjectPtr filter = m_isSavedFilter ? m_spaceDocument->upateSearchFilter(m_filterFolder, criteria)
                                                    : m_spaceDocument->createSearchFilter(criteria, criteria);
    if (!filter)
        return;
    const QString folder = filter->valueForKey(QStringLiteral("folder")).toString();
    if (!m_isSavedFilter)
        currentSpaceFolder(folder, criteria, criteria);
    else
        m_filterCriteria = criteria;
    if (m_host)
        m_host->filterSaved(folder);
}
