#pragma once
// A stand-alone window for one page outside the library (an external Markdown
// file): the editor area alone, always starting in the markup editor.

#include "app/shell/ZQCommonWindowController.h"

class ZQEditorWindowController : public ZQCommonWindowController {
    Q_OBJECT
public:
    explicit ZQEditorWindowController(const ZQEditorFactory& editorFactory);

    // Its own identifier, the key of the application's registry of editor windows.
    QString identifier() const { return m_identifier; }
    void setIdentifier(const QString& identifier) { m_identifier = identifier; }

    // Asked before the window closes; false keeps it open.
    void setShouldClose(std::function<bool(ZQEditorWindowController&)> shouldClose) { m_shouldClose = std::move(shouldClose); }

    // What the window's Quit asks (the application's quit request); none quits at once.
    void setQuitHandler(std::function<void()> handler) { m_quitHandler = std::move(handler); }

    void setDocument(const ZQDocumentPtr& document) override;
    // Writes the page back to its file; false (the error presented) when that failed.
    bool saveDocument();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QString m_identifier;
    std::function<bool(ZQEditorWindowController&)> m_shouldClose;
    std::function<void()> m_quitHandler;
};
