#include "platform/ui/TextViewWidget.h"

#include "platform/ui/LayoutManager.h"
#include "platform/ui/Painter.h"

namespace plat {

struct TextViewWidget::Private {};

TextViewWidget::TextViewWidget(TextView& model, QWidget* parent)
    : QAbstractScrollArea(parent), d(std::make_unique<Private>()), m_model(model)
{
    setLayoutManager(std::make_shared<LayoutManager>());
}

TextViewWidget::~TextViewWidget() = default;

void TextViewWidget::setLayoutManager(std::shared_ptr<LayoutManager> layoutManager)
{
    m_layoutManager = std::move(layoutManager);
    if (m_layoutManager)
        m_layoutManager->setTextView(&m_model);
}

void TextViewWidget::modelStorageChanged() {}
void TextViewWidget::setTextContainerInset(QSizeF inset) { m_inset = inset; }
QPointF TextViewWidget::textContainerOrigin() const { return QPointF(m_inset.width(), m_inset.height()); }

void TextViewWidget::setScaleFactor(qreal factor)
{
    m_scale = factor;
    emit scaleFactorChanged(factor);
}

void TextViewWidget::scrollRangeToVisible(Range) {}
void TextViewWidget::setBackgroundColor(const QColor& color) { m_background = color; }

void TextViewWidget::drawInsertionPointInRect(const QRectF& rect, const QColor& color, bool turnedOn, Painter& painter)
{
    if (turnedOn)
        painter.drawCaret(QRectF(rect.x(), rect.y(), 1, rect.height()), color);
}

QRectF TextViewWidget::insertionPointRect() { return QRectF(); }

void TextViewWidget::changeSelection(Range to, SelectionAffinity affinity)
{
    to = willChangeSelection(m_model.selectedRange(), to, affinity);
    m_model.setSelectedRange(to, affinity);
    emit selectionChanged();
}

Range TextViewWidget::willChangeSelection(Range, Range to, SelectionAffinity&) { return to; }
void TextViewWidget::selectionDidChangeOutside() {}
bool TextViewWidget::clickedOnLink(const QVariant&, qsizetype) { return false; }
bool TextViewWidget::keyDown(QKeyEvent*, const KeyPress&) { return false; }
void TextViewWidget::keyUp(QKeyEvent*, const KeyPress&) {}
bool TextViewWidget::writeSelectionToMimeData(QMimeData&) { return false; }
bool TextViewWidget::readSelectionFromMimeData(const QMimeData&) { return false; }
bool TextViewWidget::replaceCharactersByUser(Range, const QString&, bool) { return false; }
void TextViewWidget::breakUndoCoalescing() {}
void TextViewWidget::copySelection() {}
void TextViewWidget::cutSelection() {}
void TextViewWidget::pasteFromClipboard() {}
void TextViewWidget::undoEdit() {}
void TextViewWidget::redoEdit() {}
void TextViewWidget::selectAllText() {}
void TextViewWidget::paintTo(Painter&, const QRectF&) {}
QVariant TextViewWidget::inputMethodQuery(Qt::InputMethodQuery query) const
{
    return QAbstractScrollArea::inputMethodQuery(query);
}

void TextViewWidget::paintEvent(QPaintEvent*) {}
void TextViewWidget::resizeEvent(QResizeEvent* event) { QAbstractScrollArea::resizeEvent(event); }
void TextViewWidget::scrollContentsBy(int, int) {}
void TextViewWidget::keyPressEvent(QKeyEvent* event) { QAbstractScrollArea::keyPressEvent(event); }
void TextViewWidget::keyReleaseEvent(QKeyEvent* event) { QAbstractScrollArea::keyReleaseEvent(event); }
void TextViewWidget::inputMethodEvent(QInputMethodEvent* event) { QAbstractScrollArea::inputMethodEvent(event); }
void TextViewWidget::mousePressEvent(QMouseEvent* event) { QAbstractScrollArea::mousePressEvent(event); }
void TextViewWidget::mouseMoveEvent(QMouseEvent* event) { QAbstractScrollArea::mouseMoveEvent(event); }
void TextViewWidget::mouseReleaseEvent(QMouseEvent* event) { QAbstractScrollArea::mouseReleaseEvent(event); }
void TextViewWidget::mouseDoubleClickEvent(QMouseEvent* event) { QAbstractScrollArea::mouseDoubleClickEvent(event); }
void TextViewWidget::dragEnterEvent(QDragEnterEvent* event) { QAbstractScrollArea::dragEnterEvent(event); }
void TextViewWidget::dragMoveEvent(QDragMoveEvent* event) { QAbstractScrollArea::dragMoveEvent(event); }
void TextViewWidget::dropEvent(QDropEvent* event) { QAbstractScrollArea::dropEvent(event); }
void TextViewWidget::focusInEvent(QFocusEvent* event) { QAbstractScrollArea::focusInEvent(event); }
void TextViewWidget::focusOutEvent(QFocusEvent* event) { QAbstractScrollArea::focusOutEvent(event); }
void TextViewWidget::timerEvent(QTimerEvent* event) { QAbstractScrollArea::timerEvent(event); }
bool TextViewWidget::viewportEvent(QEvent* event) { return QAbstractScrollArea::viewportEvent(event); }

} // namespace plat
