#include "app/shell/ZQDocumentWindowFactory.h"

#include "app/shell/ZQDocumentController.h"
#include "app/shell/ZQDocumentWindowController.h"
#include "app/shell/ZQEditorWindowController.h"
#include "app/editor/ZQEditorFaces.h"

ZQDocumentWindowFactory::ZQDocumentWindowFactory() : m_editorFactory(styledEditorFactory()) {}

ZQDocumentWindowFactory& ZQDocumentWindowFactory::sharedFactory()
{
    static ZQDocumentWindowFactory factory;
    return factory;
}

std::shared_ptr<ZQCommonWindowController> ZQDocumentWindowFactory::create(bool newEditorWindow)
{
    if (newEditorWindow)
        return createEditorWindow();
    if (!m_mainWindowController) {
        if (!m_documentController)
            setDocumentController(ZQDocumentController::create());
        setMainWindowController(std::make_shared<ZQDocumentWindowController>(m_editorFactory, m_documentController));
        m_mainWindowController->resize(1200, 760);
        m_mainWindowController->windowDidLoad();
    }
    return m_mainWindowController;
}

std::shared_ptr<ZQEditorWindowController> ZQDocumentWindowFactory::createEditorWindow()
{
    auto window = std::make_shared<ZQEditorWindowController>(m_editorFactory);
    window->windowDidLoad();
    return window;
}

void ZQDocumentWindowFactory::setMainWindowController(std::shared_ptr<ZQDocumentWindowController> controller)
{
    m_mainWindowController = std::move(controller);
    if (m_documentController)
        m_documentController->setLibraryWindow(m_mainWindowController);
}

void ZQDocumentWindowFactory::setDocumentController(std::shared_ptr<ZQDocumentController> controller)
{
    m_documentController = std::move(controller);
    plat::DocumentController::setSharedDocumentController(m_documentController);
    if (m_documentController)
        m_documentController->setLibraryWindow(m_mainWindowController);
}
