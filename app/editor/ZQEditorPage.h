#pragma once
// One markup file in an editor, for the development program: the file's
// markup in a markup editor, a rich view of it on request, saving back as
// UTF-8 written atomically. It stands in for the window controller until the
// program opens files itself.

#include <QImage>
#include <QString>
#include <QWidget>
#include <memory>

class QStackedLayout;
class ZQAbstractEditor;
class ZQRender;

class ZQEditorPage : public QWidget {
    Q_OBJECT
public:
    explicit ZQEditorPage(QWidget* parent = nullptr);
    ~ZQEditorPage() override;

    // Settings and theme as the program installs them at start; an empty
    // theme keeps the stored one.
    static void installServices(const QString& themeID);

    // Shows the file in the view that shows. Refuses a file that is not
    // UTF-8 text, changing nothing.
    bool openFile(const QString& path, QString* error);
    bool saveFile(QString* error);
    const QString& filePath() const { return m_filePath; }
    // The page's markup, from whichever view shows.
    QString markup() const;

    bool isRichViewVisible() const { return m_richVisible; }
    void toggleRichView();
    ZQAbstractEditor& visibleEditor() const;
    ZQAbstractEditor& markupEditor() const { return *m_markupEditor; }
    ZQAbstractEditor& richEditor() const { return *m_richEditor; }

    void zoomBy(qreal step);
    void zoomTo(qreal factor);
    void focusEditor();

private:
    void showMarkup(const QString& markup);
    void showRich(const QString& markup);

    std::shared_ptr<ZQRender> m_render;
    ZQAbstractEditor* m_markupEditor = nullptr; // children: Qt owns them
    ZQAbstractEditor* m_richEditor = nullptr;
    QStackedLayout* m_stack = nullptr;
    QString m_filePath;
    bool m_richVisible = false;
};
