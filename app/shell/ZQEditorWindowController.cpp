#include "app/shell/ZQEditorWindowController.h"

#include "app/shell/ZQButtons.h"

#include "kit/foundation/ZQError.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QShortcut>
#include <QFileInfo>
#include <QVBoxLayout>

ZQEditorWindowController::ZQEditorWindowController(const ZQEditorFactory& editorFactory)
    : ZQCommonWindowController(true, editorFactory)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(mainPanel());
    addButton()->hide();
    removeButton()->hide();
    resize(760, 640);
    auto* save = new QShortcut(QKeySequence::Save, this);
    connect(save, &QShortcut::activated, this, [this] { saveDocument(); });
    auto* quit = new QShortcut(QKeySequence::Quit, this);
    connect(quit, &QShortcut::activated, this, [this] {
        if (m_quitHandler)
            m_quitHandler();
        else
            QCoreApplication::quit();
    });
    auto* switchMode = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), this);
    connect(switchMode, &QShortcut::activated, this, [this] { switchEditorMode(); });
}

bool ZQEditorWindowController::saveDocument()
{
    const ZQDocumentPtr doc = document();
    if (!doc || doc->fileURL().isEmpty())
        return false;
    return saveDocumentInPlace(doc);
}

void ZQEditorWindowController::setDocument(const ZQDocumentPtr& document)
{
    ZQCommonWindowController::setDocument(document);
    if (document)
        setWindowTitle(QFileInfo(document->fileURL().toLocalFile()).fileName() + QStringLiteral(" \u2014 Quorvel"));
}

void ZQEditorWindowController::closeEvent(QCloseEvent* event)
{
    if (m_shouldClose && !m_shouldClose(*this)) {
        event->ignore();
        return;
    }
    event->accept();
}
