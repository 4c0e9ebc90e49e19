#pragma once
// The on-screen face of a text-view model it does not own: paints the model's
// storage through a LayoutManager and turns keys, input methods, the mouse and
// the clipboard into edits of that storage through the model's user-edit path
// (shouldChangeText -> storage edit -> didChangeText). An editor is one object:
// it derives from both this widget and its model and passes itself as model.

#include "platform/foundation/Range.h"
#include "platform/text/KeyEvent.h"
#include "platform/text/TextView.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QColor>
#include <QPointer>
#include <QSizeF>
#include <QVariant>

#include <memory>

class QMimeData;

namespace plat {

class LayoutManager;
class Painter;

class TextViewWidget : public QAbstractScrollArea {
    Q_OBJECT
public:
    // Keeps the reference only: an editor passes its own model part, which is
    // built after this base. The widget takes up the model on first use.
    explicit TextViewWidget(TextView& model, QWidget* parent = nullptr);
    // Never touches the model: an editor's model part may be gone already.
    // Takes its undo actions out of the undo manager they went to.
    ~TextViewWidget() override;

    TextView& model() const { return m_model; }

    void setLayoutManager(std::shared_ptr<LayoutManager> layoutManager);
    const std::shared_ptr<LayoutManager>& layoutManager() const;
    // Call after pointing the model at another storage.
    void modelStorageChanged();

    QSizeF textContainerInset() const { return m_inset; }
    void setTextContainerInset(QSizeF inset);
    // Where the container's (0, 0) lies in the document, before zoom.
    QPointF textContainerOrigin() const;

    qreal scaleFactor() const { return m_scale; }
    void setScaleFactor(qreal factor);

    void scrollRangeToVisible(Range range);

    bool isEditable() const { return m_editable; }
    void setEditable(bool editable) { m_editable = editable; }
    bool isSelectable() const { return m_selectable; }
    void setSelectable(bool selectable) { m_selectable = selectable; }

    QColor backgroundColor() const { return m_background; }
    void setBackgroundColor(const QColor& color);
    QColor insertionPointColor() const { return m_caretColor; }
    void setInsertionPointColor(const QColor& color) { m_caretColor = color; }

    // The caret: drawn through this (base: a 1-px bar) and repainted on blink
    // only inside insertionPointRect() (view coordinates before zoom).
    virtual void drawInsertionPointInRect(const QRectF& rect, const QColor& color, bool turnedOn, Painter& painter);
    virtual QRectF insertionPointRect();

    // Every selection change by the user goes through here: willChangeSelection
    // may rewrite the range and affinity; the model then takes it.
    void changeSelection(Range to, SelectionAffinity affinity = SelectionAffinity::Downstream);
    virtual Range willChangeSelection(Range from, Range to, SelectionAffinity& affinity);
    // Call after the model's selection was set from outside the widget.
    void selectionDidChangeOutside();

    // A click on text carrying the link attribute; true when handled.
    virtual bool clickedOnLink(const QVariant& link, qsizetype characterIndex);

    // The key path: a subclass returns true when it handled the key; otherwise
    // the standard bindings act.
    virtual bool keyDown(QKeyEvent* event, const KeyPress& key);
    virtual void keyUp(QKeyEvent* event, const KeyPress& key);

    // The clipboard codec: false refuses (nothing is written or inserted).
    virtual bool writeSelectionToMimeData(QMimeData& data);
    virtual bool readSelectionFromMimeData(const QMimeData& data);

    // The user's edit of range, through the model's user-edit path; false when
    // refused. Typing coalesces into one undo step until breakUndoCoalescing().
    bool replaceCharactersByUser(Range range, const QString& text, bool coalesceTyping = false);
    void breakUndoCoalescing();

    // Standard actions.
    void copySelection();
    void cutSelection();
    void pasteFromClipboard();
    void undoEdit();
    void redoEdit();
    void selectAllText();

    // Paints the part of the document (view coordinates after zoom, offset by
    // the scroll position) in viewportRect, as a paint event would.
    void paintTo(Painter& painter, const QRectF& viewportRect);

    bool insertionPointVisible() const { return m_caretOn; }

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

signals:
    void selectionChanged();
    void scaleFactorChanged(qreal factor);

protected:
    bool event(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
    TextView& m_model;
    std::shared_ptr<LayoutManager> m_layoutManager;
    QSizeF m_inset{5, 5};
    qreal m_scale = 1.0;
    bool m_editable = true;
    bool m_selectable = true;
    bool m_caretOn = true;
    QColor m_background = Qt::white;
    QColor m_caretColor = Qt::black;
};

} // namespace plat
