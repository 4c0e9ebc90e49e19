#pragma once
// What the library knows of one page, shown from the page list without
// opening it: word and character counts, the headings as an indented list,
// the tags as buttons and, for a file of a linked folder, its editable name.
// Choosing a heading or tag opens the page there; closing the popover renames
// the file when its name was edited. Main thread only.

#include "app/shell/INPopoverController.h"
#include "kit/model/ZQDocumentOutline.h"

#include <QString>
#include <QWidget>
#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class ZQDocumentOutlineHeadingTableView;
class ZQDocumentOutlineStatView;
class ZQTagsView;
class ZSSettings;

// What the library window does for the popover: open the page holding the
// entry (its pageUuid set) and highlight the entry's range in the editor.
class ZQOutlineHighlightTarget {
public:
    virtual ~ZQOutlineHighlightTarget() = default;
    virtual void showHighlightHeading(const ZQDocumentHeadingPtr& heading) = 0;
    virtual void showHighlightTag(const ZQDocumentTagPtr& tag) = 0;
};

class ZQOutlinePopoverView : public QWidget {
public:
    explicit ZQOutlinePopoverView(QWidget* parent = nullptr);

    static constexpr int viewWidth() { return 349; }

    QLabel* wordsLabel = nullptr;
    QLabel* charsLabel = nullptr;
    ZQDocumentOutlineHeadingTableView* headingTable = nullptr;
    ZQTagsView* tagsView = nullptr;
    QWidget* filenameView = nullptr;
    QLineEdit* filenameInput = nullptr;
    QLabel* filenameExtLabel = nullptr;
    ZQDocumentOutlineStatView* statView = nullptr;

    // The heights the interface file's constraints would hold.
    int filenameViewHeight() const { return m_filenameViewHeight; }
    void setFilenameViewHeight(int height);
    int tagsViewHeight() const { return m_tagsViewHeight; }
    void setTagsViewHeight(int height);
    // Places the rows from the top: file name, counts, headings, tags.
    void layoutRows();

private:
    int m_filenameViewHeight = 0;
    int m_tagsViewHeight = 10;
};

class ZQOutlinePopover : public INPopoverControllerDelegate {
public:
    ZQOutlinePopover();
    ~ZQOutlinePopover() override;
    ZQOutlinePopover(const ZQOutlinePopover&) = delete;
    ZQOutlinePopover& operator=(const ZQOutlinePopover&) = delete;

    void awakeFromNib();

    const std::shared_ptr<ZQDocumentOutline>& outlineData() const { return m_outlineData; }
    void setOutlineData(std::shared_ptr<ZQDocumentOutline> outline) { m_outlineData = std::move(outline); }
    INPopoverController* popover() const { return m_popover.get(); }
    void setPopover(std::unique_ptr<INPopoverController> popover) { m_popover = std::move(popover); }
    ZQOutlineHighlightTarget* zqWindowController() const { return m_zqWindowController; }
    void setZqWindowController(ZQOutlineHighlightTarget* controller) { m_zqWindowController = controller; }
    // The folder of the space whose page list shows the page: where its record lives.
    const QString& spaceFolder() const { return m_spaceFolder; }
    void setSpaceFolder(const QString& folder) { m_spaceFolder = folder; }
    const QString& pageUuid() const { return m_pageUuid; }
    qint64 startLevel() const { return m_startLevel; }
    ZQOutlinePopoverView& view() const { return *m_view; }

    // pageUuid: the sender's represented object; rect in the sender's coordinates.
    void showPopover(QWidget* sender, const QString& pageUuid, const QRectF& rect);
    // Return in the file-name field and a menu choice close the popover (and so rename).
    void fieldEnterKeyPress();
    void menuItemSelected();

    void popoverDidClose(INPopoverController& popover) override;

    // The heading list.
    qint64 numberOfRowsInTableView() const;
    // The row's text: 4 blanks per level below startLevel, then the heading.
    QString headingRowText(qint64 row) const;
    bool tableViewShouldSelectRow(qint64 row);
    void tagClick(qint64 tag);

    // Why a new file name (without extension) cannot be used; none when it can.
    static std::optional<QString> fileNameProblem(const QString& name);

private:
    void createPopover();
    void reloadHeadings();
    // Renames the external file to the edited name and tells its page record.
    void renameExternalFile();

    std::shared_ptr<ZSSettings> m_settings;
    std::shared_ptr<ZQDocumentOutline> m_outlineData;
    std::unique_ptr<INPopoverController> m_popover;
    std::unique_ptr<ZQOutlinePopoverView> m_view;
    ZQOutlineHighlightTarget* m_zqWindowController = nullptr;
    QString m_spaceFolder;
    QString m_pageUuid;
    qint64 m_startLevel = 99;
};
