#pragma once
// A plain editor over the text-view model: draws the lines of the storage's
// string and takes typed text, Return and Backspace. It keeps the windows
// usable (and testable) with any editor factory; the styled editors replace it.

#include "app/shell/ZQEditorFace.h"

#include <QPointer>

class ZQSimpleEditorWidget;

class ZQSimpleEditor final : public ZQEditorFace {
public:
    ZQSimpleEditor(ZQEditorType type, QWidget* parent);
    ~ZQSimpleEditor() override;

    static ZQEditorFactory factory();

    ZSAbstractTextView& textView() override { return *m_view; }
    QWidget* widget() override;
    void setEditable(bool editable) override { m_editable = editable; }
    bool isEditable() const override { return m_editable; }
    void replaceTextStorage(std::shared_ptr<plat::TextStorage> storage) override;
    void setTextEditedHandler(std::function<void()> handler) override { m_edited = std::move(handler); }

    // A user edit: replaces the selection (Backspace with an empty text deletes before the caret).
    void typeText(const QString& text);
    void deleteBackward();

private:
    ZQEditorType m_type;
    std::unique_ptr<ZSAbstractTextView> m_view;
    // Owned by its Qt parent; deleted with this editor when still there.
    QPointer<ZQSimpleEditorWidget> m_widget;
    bool m_editable = true;
    std::function<void()> m_edited;
};
