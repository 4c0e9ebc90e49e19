#pragma once
// Decides the window a page is shown in: the one library window, made on the
// first request and kept, or a new stand-alone editor window on every request.
// The editors of every window come from its editor factory.

#include "app/shell/ZQEditorFace.h"

#include <memory>

class ZQCommonWindowController;
class ZQDocumentController;
class ZQDocumentWindowController;
class ZQEditorWindowController;

class ZQDocumentWindowFactory {
public:
    static ZQDocumentWindowFactory& sharedFactory();

    // YES: a new editor window, not kept here; NO: the library window.
    std::shared_ptr<ZQCommonWindowController> create(bool newEditorWindow);
    std::shared_ptr<ZQEditorWindowController> createEditorWindow();

    const std::shared_ptr<ZQDocumentWindowController>& mainWindowController() const { return m_mainWindowController; }
    void setMainWindowController(std::shared_ptr<ZQDocumentWindowController> controller);

    // The simple editor until one is set.
    const ZQEditorFactory& editorFactory() const { return m_editorFactory; }
    void setEditorFactory(ZQEditorFactory factory) { m_editorFactory = std::move(factory); }
    // The document controller the library window opens pages through.
    const std::shared_ptr<ZQDocumentController>& documentController() const { return m_documentController; }
    void setDocumentController(std::shared_ptr<ZQDocumentController> controller);

private:
    ZQDocumentWindowFactory();

    std::shared_ptr<ZQDocumentWindowController> m_mainWindowController;
    ZQEditorFactory m_editorFactory;
    std::shared_ptr<ZQDocumentController> m_documentController;
};
