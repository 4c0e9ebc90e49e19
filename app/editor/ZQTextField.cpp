#include "app/editor/ZQTextField.h"

#include "app/editor/ZQEditorSettings.h"
#include "kit/model/ZSTextTheme.h"

#include <QPainter>

ZQTextField::ZQTextField(QWidget* parent) : QLineEdit(parent), m_textTheme(ZSTextTheme::sharedTheme())
{
    setAttribute(Qt::WA_MacShowFocusRect, false);
    applyBackground();
    applyFocusColours();
}

QColor ZQTextField::backgroundColorFor(ZQEditorType type) const
{
    if (!m_textTheme)
        return Qt::white;
    return themeColor(type == ZQEditorType::Markup ? m_textTheme->mdEditorBackgroundColor()
                                                   : m_textTheme->editorEditorBackgroundColor(),
                      Qt::white);
}

QColor ZQTextField::selectionColorFor(ZQEditorType type) const
{
    const QColor fallback = palette().color(QPalette::Highlight);
    if (!m_textTheme)
        return fallback;
    return themeColor(type == ZQEditorType::Markup ? m_textTheme->mdSelectionColor()
                                                   : m_textTheme->editorSelectionColor(),
                      fallback);
}

QColor ZQTextField::caretColorFor(ZQEditorType type) const
{
    if (!m_textTheme)
        return Qt::black;
    return themeColor(type == ZQEditorType::Markup ? m_textTheme->mdCaretColor() : m_textTheme->editorCaretColor(),
                      Qt::black);
}

void ZQTextField::setEditorType(ZQEditorType type)
{
    m_editorType = type;
    applyBackground();
}

void ZQTextField::applyBackground()
{
    QPalette colours = palette();
    colours.setColor(QPalette::Base, backgroundColorFor(m_editorType));
    setPalette(colours);
}

void ZQTextField::applyFocusColours()
{
    QPalette colours = palette();
    colours.setColor(QPalette::Highlight, selectionColorFor(m_editorType));
    setPalette(colours);
    m_caretColor = caretColorFor(m_editorType);
    update();
}

bool ZQTextField::becomeFirstResponder()
{
    if (!isEnabled() || focusPolicy() == Qt::NoFocus)
        return false;
    setFocus(Qt::OtherFocusReason);
    // An offscreen or inactive window gives no focus event; the colours still follow.
    applyBackground();
    applyFocusColours();
    return true;
}

void ZQTextField::focusInEvent(QFocusEvent* event)
{
    applyBackground();
    applyFocusColours();
    QLineEdit::focusInEvent(event);
}

void ZQTextField::paintEvent(QPaintEvent* event)
{
    QLineEdit::paintEvent(event);
    // The caret in the editor's colour, over the field's own.
    if (!hasFocus() || hasSelectedText())
        return;
    QPainter painter(this);
    const QRect caret = cursorRect();
    painter.fillRect(QRect(caret.center().x() - 1, caret.top(), 2, caret.height()), m_caretColor);
}
