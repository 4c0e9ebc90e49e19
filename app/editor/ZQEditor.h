#pragma once
// The rich text editor: the page editor of a window (markup typed here is
// styled while the user types) or, as a block editor, the small editor of a
// footnote's body. Keys go to the render engine first; live styling runs on
// key release.

#include "app/editor/ZQAbstractEditor.h"
#include "kit/model/ZQEditorTypes.h"
#include "platform/text/TextStorage.h"

#include <memory>

class ZQEditTracker;

class ZQEditor : public ZQAbstractEditor, private plat::TextStorageDelegate {
    Q_OBJECT
public:
    // type: Rich for the page editor, Block for a block editor.
    explicit ZQEditor(QWidget* parent = nullptr, ZQEditorType type = ZQEditorType::Rich);
    ~ZQEditor() override;

    // Return closes a block editor instead of inserting a line.
    bool singleLineMode() const { return m_singleLineMode; }
    void setSingleLineMode(bool on) { m_singleLineMode = on; }

    void handleEsc() override;
    // Visible styling: bold or italic font, strike-through, underline, a
    // link, or a colour other than the theme's text colour.
    bool hasStyledAttributes(const plat::Attributes& attributes) const;

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

    bool m_singleLineMode = false;
    std::shared_ptr<plat::TextStorage> m_delegatedStorage;
    // What changed since code blocks were last sent for colouring.
    std::unique_ptr<ZQEditTracker> m_codeEdits;
};
