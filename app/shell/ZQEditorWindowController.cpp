#include "app/shell/ZQEditorWindowController.h"

#include "app/shell/ZQButtons.h"

#include <QCloseEvent>
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
