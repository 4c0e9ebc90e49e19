#include "app/shell/ZQSimpleEditor.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTextLayout>
#include <QPainter>
#include <QPointer>

class ZQSimpleEditorWidget final : public QWidget {
public:
    ZQSimpleEditorWidget(ZQSimpleEditor& editor, QWidget* parent) : QWidget(parent), m_editor(editor)
    {
        setFocusPolicy(Qt::StrongFocus);
        setAttribute(Qt::WA_InputMethodEnabled);
        setAutoFillBackground(true);
        setCursor(Qt::IBeamCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::Text));
        layOut();
        const qsizetype caret = m_editor.textView().selectedRange().location;
        for (const Paragraph& paragraph : m_paragraphs) {
            paragraph.layout->draw(&painter, QPointF(0, 0));
            const qsizetype local = caret - paragraph.start;
            if (hasFocus() && local >= 0 && local <= paragraph.length)
                paragraph.layout->drawCursor(&painter, QPointF(0, 0), static_cast<int>(local), 2);
        }
    }

    void resizeEvent(QResizeEvent*) override { m_laidOutWidth = -1; }

    void mousePressEvent(QMouseEvent* event) override
    {
        layOut();
        for (const Paragraph& paragraph : m_paragraphs) {
            const QRectF box = paragraph.layout->boundingRect();
            if (event->position().y() > box.bottom() && &paragraph != &m_paragraphs.back())
                continue;
            for (int index = 0; index < paragraph.layout->lineCount(); ++index) {
                const QTextLine line = paragraph.layout->lineAt(index);
                if (event->position().y() <= line.y() + line.height() || index + 1 == paragraph.layout->lineCount()) {
                    moveCaret(paragraph.start + line.xToCursor(event->position().x() - Margin));
                    return;
                }
            }
        }
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        const qsizetype caret = m_editor.textView().selectedRange().location;
        switch (event->key()) {
        case Qt::Key_Left: moveCaret(caret - 1); return;
        case Qt::Key_Right: moveCaret(caret + 1); return;
        case Qt::Key_Home: moveCaret(lineStart(caret)); return;
        case Qt::Key_End: moveCaret(lineEnd(caret)); return;
        case Qt::Key_Up: moveVertically(caret, -1); return;
        case Qt::Key_Down: moveVertically(caret, 1); return;
        case Qt::Key_Backspace: m_editor.deleteBackward(); break;
        case Qt::Key_Return:
        case Qt::Key_Enter: m_editor.typeText(QStringLiteral("\n")); break;
        default:
            if (event->text().isEmpty() || !event->text().at(0).isPrint() || (event->modifiers() & Qt::ControlModifier)) {
                QWidget::keyPressEvent(event);
                return;
            }
            m_editor.typeText(event->text());
        }
        m_laidOutWidth = -1;
        update();
    }

private:
    static constexpr int Margin = 24;
    struct Paragraph {
        qsizetype start = 0;
        qsizetype length = 0;
        std::shared_ptr<QTextLayout> layout;
    };

    qsizetype lineStart(qsizetype position) const
    {
        const QString& text = m_editor.textView().string();
        const qsizetype found = position <= 0 ? -1 : text.lastIndexOf(u'\n', position - 1);
        return found + 1;
    }

    qsizetype lineEnd(qsizetype position) const
    {
        const QString& text = m_editor.textView().string();
        const qsizetype found = text.indexOf(u'\n', position);
        return found < 0 ? text.size() : found;
    }

    // To the same column of the line above or below, or its end when shorter.
    void moveVertically(qsizetype caret, int direction)
    {
        const qsizetype length = m_editor.textView().string().size();
        const qsizetype start = lineStart(caret);
        const qsizetype column = caret - start;
        if (direction < 0) {
            if (start == 0)
                return moveCaret(0);
            const qsizetype previous = lineStart(start - 1);
            return moveCaret(previous + std::min(column, start - 1 - previous));
        }
        const qsizetype end = lineEnd(caret);
        if (end >= length)
            return moveCaret(length);
        moveCaret(std::min(end + 1 + column, lineEnd(end + 1)));
    }

    void moveCaret(qsizetype position)
    {
        const qsizetype length = m_editor.textView().string().size();
        m_editor.textView().setSelectedRange(plat::Range(std::clamp<qsizetype>(position, 0, length), 0));
        update();
    }

    // Each line of the text as a paragraph wrapped to the widget's width.
    void layOut()
    {
        const QString& text = m_editor.textView().string();
        if (m_laidOutWidth == width() && m_laidOutText == text)
            return;
        m_laidOutWidth = width();
        m_laidOutText = text;
        m_paragraphs.clear();
        QFont font = this->font();
        font.setPointSizeF(13);
        const QFontMetricsF metrics(font);
        qreal y = 16;
        qsizetype start = 0;
        for (const QStringView line : QStringView(text).split(u'\n')) {
            Paragraph paragraph{start, line.size(), std::make_shared<QTextLayout>(line.toString(), font)};
            paragraph.layout->beginLayout();
            while (true) {
                QTextLine textLine = paragraph.layout->createLine();
                if (!textLine.isValid())
                    break;
                textLine.setLineWidth(std::max(40, width() - 2 * Margin));
                textLine.setPosition(QPointF(Margin, y));
                y += metrics.lineSpacing() + 4;
            }
            paragraph.layout->endLayout();
            m_paragraphs.push_back(std::move(paragraph));
            start += line.size() + 1;
        }
    }

    ZQSimpleEditor& m_editor;
    std::vector<Paragraph> m_paragraphs;
    int m_laidOutWidth = -1;
    QString m_laidOutText;
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
