#pragma once
// The markup editor: the page's markup source stays visible and is coloured
// in place. Keys go to the render engine first; no live conversion runs.

#include "app/editor/ZQAbstractEditor.h"
#include "platform/text/TextStorage.h"

#include <memory>

class ZQEditTracker;

class ZQMDEditor : public ZQAbstractEditor, private plat::TextStorageDelegate {
    Q_OBJECT
public:
    explicit ZQMDEditor(QWidget* parent = nullptr);
    ~ZQMDEditor() override;

    void handleEsc() override;
    bool keyDown(QKeyEvent* event, const plat::KeyPress& press) override;
    void keyUp(QKeyEvent* event, const plat::KeyPress& press) override;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void textStorageReplaced() override;
    void textStorageDidProcessEditing(plat::TextStorage& storage, unsigned editedMask, plat::Range editedRange,
                                      qsizetype changeInLength) override;
    void textDidChange();
    ZQRender& render() const;

    // The key press was consumed, so its release does nothing.
    bool m_stopKeyUp = false;
    // A user edit waits for its markup to be coloured again.
    bool m_recolourPending = false;
    std::shared_ptr<plat::TextStorage> m_delegatedStorage;
    // What changed since code blocks were last sent for colouring.
    std::unique_ptr<ZQEditTracker> m_codeEdits;
};
