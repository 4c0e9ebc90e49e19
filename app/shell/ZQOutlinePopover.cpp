#include "app/shell/ZQOutlinePopover.h"

#include "app/shell/ZQOutlinePopoverViews.h"
#include "kit/foundation/ZQError.h"
#include "kit/model/ZSSettings.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int kFilenameRowHeight = 30;
constexpr int kStatHeight = 44;
constexpr int kMargin = 10;

// Name and extension as the file-name row shows them: "a.b.md" is "a.b" and ".md".
std::pair<QString, QString> splitExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return {name, QString()};
    return {name.left(dot), name.mid(dot)};
}

} // namespace

// --- ZQOutlinePopoverView ---

ZQOutlinePopoverView::ZQOutlinePopoverView(QWidget* parent) : QWidget(parent)
{
    filenameView = new QWidget(this);
    auto* row = new QHBoxLayout(filenameView);
    row->setContentsMargins(kMargin, 4, kMargin, 4);
    row->setSpacing(2);
    filenameInput = new QLineEdit(filenameView);
    filenameExtLabel = new QLabel(QStringLiteral(".md"), filenameView);
    row->addWidget(filenameInput, 1);
    row->addWidget(filenameExtLabel);

    statView = new ZQDocumentOutlineStatView(this);
    auto* counts = new QHBoxLayout(statView);
    counts->setContentsMargins(kMargin, 8, kMargin, 8);
    wordsLabel = new QLabel(QStringLiteral("0"), statView);
    charsLabel = new QLabel(QStringLiteral("0"), statView);
    counts->addWidget(new QLabel(QStringLiteral("Words"), statView));
    counts->addWidget(wordsLabel, 1);
    counts->addWidget(new QLabel(QStringLiteral("Characters"), statView));
    counts->addWidget(charsLabel, 1);

    headingTable = new ZQDocumentOutlineHeadingTableView(this);
    headingTable->setFocusPolicy(Qt::NoFocus);
    tagsView = new ZQTagsView(this);
    resize(viewWidth(), kStatHeight + kMargin + m_tagsViewHeight);
    layoutRows();
}

void ZQOutlinePopoverView::setFilenameViewHeight(int height)
{
    m_filenameViewHeight = height;
    filenameView->setVisible(height > 0);
    layoutRows();
}

void ZQOutlinePopoverView::setTagsViewHeight(int height)
{
    m_tagsViewHeight = height;
    layoutRows();
}

void ZQOutlinePopoverView::layoutRows()
{
    int y = 0;
    filenameView->setGeometry(0, y, width(), m_filenameViewHeight);
    y += m_filenameViewHeight;
    statView->setGeometry(0, y, width(), kStatHeight);
    y += kStatHeight;
    headingTable->setGeometry(0, y, width(), headingTable->height());
    y += headingTable->height();
    tagsView->setGeometry(kMargin, y, width() - 2 * kMargin, m_tagsViewHeight);
}

// --- ZQOutlinePopover ---

ZQOutlinePopover::ZQOutlinePopover() : m_view(std::make_unique<ZQOutlinePopoverView>())
{
    awakeFromNib();
}

ZQOutlinePopover::~ZQOutlinePopover()
{
    // The panel hands the view back on close; it must not outlive the view.
    if (m_popover)
        m_popover->setDelegate(nullptr);
    m_popover.reset();
}

void ZQOutlinePopover::awakeFromNib()
{
    m_settings = ZSSettings::sharedSettings();
    QObject::connect(m_view->filenameInput, &QLineEdit::returnPressed, m_view.get(), [this] { fieldEnterKeyPress(); });
    m_view->tagsView->setTagHandler([this](qint64 tag) { tagClick(tag); });
    QObject::connect(m_view->headingTable, &QListWidget::itemPressed, m_view.get(),
                     [this](QListWidgetItem* item) { tableViewShouldSelectRow(m_view->headingTable->row(item)); });
}

void ZQOutlinePopover::createPopover()
{
    m_popover = std::make_unique<INPopoverController>();
    m_popover->setAnimates(true);
    m_popover->setAnimationType(INPopoverController::AnimationFade);
    // The file-name field takes typed keys; a click elsewhere closes the popover.
    m_popover->setTakesKeyboardFocus(true);
    m_popover->setClosesWhenPopoverResignsKey(true);
    m_popover->setContentViewController(m_view.get());
}

void ZQOutlinePopover::showPopover(QWidget* sender, const QString& pageUuid, const QRectF& rect)
{
    m_pageUuid = pageUuid;
    if (!m_popover)
        createPopover();
    if (!m_outlineData)
        m_outlineData = ZQDocumentOutline::initWithPageUuid(pageUuid);
    ZQOutlinePopoverView& view = *m_view;

    int baseHeight = 54;
    if (m_outlineData->isExternalFile()) {
        const auto [name, extension] = splitExtension(QFileInfo(m_outlineData->filename()).fileName());
        view.setFilenameViewHeight(kFilenameRowHeight);
        view.filenameInput->setText(name);
        view.filenameExtLabel->setText(extension);
        baseHeight = 84;
    } else {
        view.setFilenameViewHeight(0);
        view.filenameInput->clear();
        view.filenameExtLabel->setText(QStringLiteral(".md"));
    }
    view.wordsLabel->setText(QString::number(m_outlineData->wordCount()));
    view.charsLabel->setText(QString::number(m_outlineData->charCount()));

    reloadHeadings();
    view.tagsView->clearTagViews();
    for (const ZQDocumentTagPtr& tag : m_outlineData->tags())
        if (tag)
            view.tagsView->addTag(tag);
    const int tagsHeight = m_outlineData->tags().empty() ? 10 : int(view.tagsView->tagsViewHeight());
    const int headingCount = int(m_outlineData->headings().size());
    view.headingTable->resize(view.headingTable->width(), ZQDocumentOutlineHeadingTableView::rowHeight() * headingCount);

    m_startLevel = 99;
    for (const ZQDocumentHeadingPtr& heading : m_outlineData->headings())
        if (heading && heading->level() < m_startLevel)
            m_startLevel = heading->level();
    // Indents depend on the start level, known only now.
    reloadHeadings();

    const QSizeF size(ZQOutlinePopoverView::viewWidth(),
                      baseHeight + tagsHeight + ZQDocumentOutlineHeadingTableView::rowHeight() * headingCount);
    view.resize(size.toSize());
    view.setTagsViewHeight(tagsHeight);
    m_popover->setDelegate(this);
    m_popover->setContentSize(size);
    m_popover->showRelativeToRect(rect, QRectF(rect.topLeft(), QSizeF(size.width(), rect.height())), sender,
                                  INPopoverController::ArrowUp);
    m_popover->setContentSize(size);
}

void ZQOutlinePopover::fieldEnterKeyPress()
{
    if (m_popover)
        m_popover->closePopover();
}

void ZQOutlinePopover::menuItemSelected()
{
    if (m_popover)
        m_popover->closePopover();
}

void ZQOutlinePopover::popoverDidClose(INPopoverController&)
{
    renameExternalFile();
}

qint64 ZQOutlinePopover::numberOfRowsInTableView() const
{
    return m_outlineData ? qint64(m_outlineData->headings().size()) : 0;
}

QString ZQOutlinePopover::headingRowText(qint64 row) const
{
    if (row < 0 || row >= numberOfRowsInTableView())
        return QString();
    const ZQDocumentHeadingPtr& heading = m_outlineData->headings()[size_t(row)];
    const qint64 indent = heading->level() - m_startLevel;
    return QString(indent > 0 ? 4 * indent : 0, QLatin1Char(' ')) + heading->heading();
}

void ZQOutlinePopover::reloadHeadings()
{
    m_view->headingTable->clear();
    for (qint64 row = 0; row < numberOfRowsInTableView(); ++row)
        m_view->headingTable->addItem(headingRowText(row));
    // No row is chosen until the user picks one.
    m_view->headingTable->setCurrentRow(-1);
    m_view->headingTable->clearSelection();
}

bool ZQOutlinePopover::tableViewShouldSelectRow(qint64 row)
{
    if (row < 0 || row >= numberOfRowsInTableView())
        return false;
    const ZQDocumentHeadingPtr& heading = m_outlineData->headings()[size_t(row)];
    heading->setPageUuid(m_pageUuid);
    if (m_zqWindowController)
        m_zqWindowController->showHighlightHeading(heading);
    return true;
}

void ZQOutlinePopover::tagClick(qint64 tag)
{
    if (!m_outlineData)
        return;
    for (const ZQDocumentTagPtr& entry : m_outlineData->tags()) {
        if (entry && entry->index() == tag) {
            entry->setPageUuid(m_pageUuid);
            if (m_zqWindowController)
                m_zqWindowController->showHighlightTag(entry);
            return;
        }
    }
}

std::optional<QString> ZQOutlinePopover::fileNameProblem(const QString& name)
{
    if (name.trimmed().isEmpty())
        return QStringLiteral("The file name cannot be empty.");
    if (name.contains(QLatin1Char('/')))
        return QStringLiteral("The file name \"%1\" cannot contain \"/\".").arg(name);
    if (name.startsWith(QLatin1Char('.')))
        return QStringLiteral("The file name \"%1\" cannot start with \".\": the file would be hidden.").arg(name);
    if (name.contains(QChar(0)))
        return QStringLiteral("The file name cannot contain a null character.");
    return std::nullopt;
}

void ZQOutlinePopover::renameExternalFile()
{
    if (!m_outlineData || !m_outlineData->isExternalFile())
        return;
    const QString oldName = QFileInfo(m_outlineData->filename()).fileName();
    const QString name = m_view->filenameInput->text();
    QString extension = m_view->filenameExtLabel->text();
    if (extension.startsWith(QLatin1Char('.')))
        extension.remove(0, 1);
    const QString newName = extension.isEmpty() ? name : name + QLatin1Char('.') + extension;
    if (newName == oldName)
        return;

    const auto refuse = [&](const QString& message) {
        m_view->filenameInput->setText(splitExtension(oldName).first);
        ZQError::presentError(ZQError::errorFromMessage(message));
    };
    if (const auto problem = fileNameProblem(name))
        return refuse(*problem);
    const QDir folder(m_outlineData->fileDirPath());
    const QString from = folder.filePath(oldName);
    const QString to = folder.filePath(newName);
    if (QFileInfo::exists(to))
        return refuse(QStringLiteral("A file named \"%1\" already exists in this folder.").arg(newName));

    // The record is found before the move, so a page without one keeps its file name.
    const auto context = ZSCoreData::sharedCoredData()->pageObjectContext(m_spaceFolder);
    const auto page = context ? ZSCoreDataUtil::getPageObjectByUUID(m_pageUuid, context) : nullptr;
    if (!page)
        return refuse(QStringLiteral("The page of \"%1\" was not found; the file keeps its name.").arg(oldName));

    QFile file(from);
    if (!file.rename(to))
        return refuse(QStringLiteral("\"%1\" could not be renamed to \"%2\": %3").arg(oldName, newName, file.errorString()));

    // The record keeps the path inside the linked folder: only its last part changes.
    const QString oldPath = page->valueForKey(QStringLiteral("dropboxPath")).toString();
    const QString parent = QFileInfo(oldPath).path();
    const QString newPath = parent == QLatin1String(".") || parent.isEmpty() ? newName : parent + QLatin1Char('/') + newName;
    page->setValue(plat::Value(newPath), QStringLiteral("dropboxPath"));
    std::optional<ZQErrorValue> error;
    if (!Exs::persistAndWait(context, &error)) {
        // File and record must agree: put the old name back.
        page->setValue(plat::Value(oldPath), QStringLiteral("dropboxPath"));
        QFile::rename(to, from);
        m_view->filenameInput->setText(splitExtension(oldName).first);
        ZQError::presentError(error.value_or(ZQError::errorFromMessage(QStringLiteral("The page could not be saved."))));
        return;
    }
    m_outlineData->setFilename(newPath);
}
