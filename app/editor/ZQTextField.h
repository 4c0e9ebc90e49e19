#pragma once
// An entry field coloured like the editor it is shown in (the link and image
// panels of an editor's popover): background, selection and caret of the
// rich or the markup editor's theme.

#include "kit/model/ZQEditorTypes.h"

#include <QLineEdit>
#include <memory>

class ZSTextTheme;

class ZQTextField : public QLineEdit {
    Q_OBJECT
public:
    explicit ZQTextField(QWidget* parent = nullptr);

    // Sets the background for the type at once; the selection and caret
    // colours follow when the field next takes focus.
    void setEditorType(ZQEditorType type);
    ZQEditorType editorType() const { return m_editorType; }
    // The platform's focus request; the answer is the field's.
    bool becomeFirstResponder();

    // The colours in use for a type.
    QColor backgroundColorFor(ZQEditorType type) const;
    QColor selectionColorFor(ZQEditorType type) const;
    QColor caretColorFor(ZQEditorType type) const;
    // The caret colour the field now paints with.
    QColor insertionPointColor() const { return m_caretColor; }

protected:
    void focusInEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void applyBackground();
    void applyFocusColours();

    std::shared_ptr<ZSTextTheme> m_textTheme;
    ZQEditorType m_editorType = ZQEditorType::Rich;
    QColor m_caretColor;
};
