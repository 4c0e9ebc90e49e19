#pragma once
// The library window's search field and the save-filter button under the
// page list. Typing searches the full-text index 0.4 s after the last
// keystroke (Return at once) and lists the hits in the filters space; a
// search can be kept as a saved filter, whose selection puts its text back.

#include "app/library/ZQSpaceListDocument.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

class ZQIndexService;

class ZQSaveFilterBtn : public QPushButton {
    Q_OBJECT
public:
    explicit ZQSaveFilterBtn(QWidget* parent = nullptr);

    QString labelText() const { return m_text; }
    QString savedText() const { return m_savedText; }
    void setLabelText(const QString& text);
    // NO keeps the label aside and shows none; YES shows it again.
    void toggleVisible(bool visible);
    QColor titleColor() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text = QStringLiteral("Save as Filter");
    QString m_savedText = QStringLiteral("Save as Filter");
};

// What the field asks of the library window.
class ZQSearchFieldHost {
public:
    virtual ~ZQSearchFieldHost() = default;
    // Select the filters root in the space list (which shows the filters space).
    virtual void selectFilterSpace() = 0;
    // The filter list was filled: show it, and the placeholder when it is empty.
    virtual void searchFinished(qsizetype pagesListed) = 0;
    // A filter was saved: show the space list again with it selected.
    virtual void filterSaved(const QString& filterFolder) = 0;
};

class ZQSearchField : public QLineEdit {
    Q_OBJECT
public:
    static QString updateFilterTitle() { return QStringLiteral("Update Filter"); }
    static QString saveFilterTitle() { return QStringLiteral("Save as Filter"); }
    static QString noResultsMessage() { return QStringLiteral("No Searching Results"); }
    static constexpr int searchDelayMs = 400;

    explicit ZQSearchField(QWidget* parent = nullptr);

    void setIndexer(std::shared_ptr<ZQIndexService> indexer) { m_indexer = std::move(indexer); }
    const std::shared_ptr<ZQIndexService>& indexer() const { return m_indexer; }
    void setSpaceDocument(std::shared_ptr<ZQSpaceListDocument> document) { m_spaceDocument = std::move(document); }
    // Not owned.
    void setHost(ZQSearchFieldHost* host) { m_host = host; }
    ZQSaveFilterBtn* saveFilterBtn() const { return m_saveFilterBtn; }
    void setSaveFilterBtn(ZQSaveFilterBtn* button);

    QString filterFolder() const { return m_filterFolder; }
    QString filterTitle() const { return m_filterTitle; }
    QString filterCriteria() const { return m_filterCriteria; }
    bool isSavedFilter() const { return m_isSavedFilter; }
    bool isSearchPending() const { return m_timer.isActive(); }

    // A filter space was selected: the filters root, or a saved filter with its text.
    void currentSpaceFolder(const QString& folder, const QString& title, const QString& criteria);
    // The search now (Return, and whenever a filter space is shown).
    void enterKey() { doSearching(); }
    void initSearching() { doSearching(); }
    // The button's action: a saved filter takes the text, else a new one is made.
    void saveFilter();

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    void textDidChange();
    void doSearching();

    std::shared_ptr<ZQIndexService> m_indexer;
    std::shared_ptr<ZQSpaceListDocument> m_spaceDocument;
    ZQSearchFieldHost* m_host = nullptr;
    ZQSaveFilterBtn* m_saveFilterBtn = nullptr;
    QString m_filterFolder = QStringLiteral("sys__filters");
    QString m_filterTitle = QStringLiteral("Filters");
    QString m_filterCriteria;
    bool m_isSavedFilter = false;
    QTimer m_timer;
};
