#include "app/shell/ZQSimpleEditor.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPointer>

class ZQSimpleEditorWidget final : public QWidget {
public:
    ZQSimpleEditorWidget(ZQSimpleEditor& editor, QWidget* parent) : QWidget(parent), m_editor(editor)
    {
        setFocusPolicy(Qt::StrongFocus);
        setAttribute(Qt::WA_InputMethodEnabled);
        setAutoFillBackground(true);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::Text));
        QFont font = painter.font();
        font.setPointSizeF(13);
        painter.setFont(font);
        const QFontMetrics metrics(font);
        const QString& text = m_editor.textView().string();
        const qsizetype caret = m_editor.textView().selectedRange().location;
        int y = 16 + metrics.ascent();
        qsizetype lineStart = 0;
        for (const QStringView line : QStringView(text).split(u'\n')) {
            painter.drawText(24, y, line.toString());
            if (hasFocus() && caret >= lineStart && caret <= lineStart + line.size()) {
                const int x = 24 + metrics.horizontalAdvance(line.left(caret - lineStart).toString());
                painter.drawLine(x, y - metrics.ascent(), x, y + metrics.descent());
            }
            lineStart += line.size() + 1;
            y += metrics.lineSpacing() + 4;
        }
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Backspace) {
            m_editor.deleteBackward();
        } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            m_editor.typeText(QStringLiteral("\n"));
        } else if (!event->text().isEmpty() && event->text().at(0).isPrint()) {
            m_editor.typeText(event->text());
        } else {
            QWidget::keyPressEvent(event);
            return;
        }
        update();
    }

private:
    ZQSimpleEditor& m_editor;
};

ZQSimpleEditor::ZQSimpleEditor(ZQEditorType type, QWidget* parent)
    : m_type(type), m_view(std::make_unique<ZSAbstractTextView>()), m_widget(new ZQSimpleEditorWidget(*this, parent))
{
    m_view->setEditorType(static_cast<quint64>(type));
}

ZQSimpleEditor::~ZQSimpleEditor()
{
    delete m_widget.data();
}

ZQEditorFactory ZQSimpleEditor::factory()
{
    return [](ZQEditorType type, QWidget* parent) { return std::make_shared<ZQSimpleEditor>(type, parent); };
}

QWidget* ZQSimpleEditor::widget()
{
    return m_widget;
}

void ZQSimpleEditor::replaceTextStorage(std::shared_ptr<plat::TextStorage> storage)
{
    m_view = std::make_unique<ZSAbstractTextView>(std::move(storage));
    m_view->setEditorType(static_cast<quint64>(m_type));
    m_widget->update();
}

void ZQSimpleEditor::typeText(const QString& text)
{
    if (!m_editable)
        return;
    const plat::Range range = m_view->selectedRange();
    if (!m_view->shouldChangeText(range, text))
        return;
    m_view->insertText(text);
    m_view->didChangeText();
    if (m_edited)
        m_edited();
}

void ZQSimpleEditor::deleteBackward()
{
    if (!m_editable)
        return;
    plat::Range range = m_view->selectedRange();
    if (range.length == 0) {
        if (range.location == 0)
            return;
        range = plat::Range(range.location - 1, 1);
    }
    if (!m_view->shouldChangeText(range, QString()))
        return;
    m_view->setSelectedRange(range);
    m_view->insertText(QString());
    m_view->didChangeText();
    if (m_edited)
        m_edited();
}
