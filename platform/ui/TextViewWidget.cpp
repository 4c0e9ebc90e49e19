#include "platform/ui/TextViewWidget.h"

#include "platform/foundation/UndoManager.h"
#include "platform/ui/LayoutManager.h"
#include "platform/ui/Painter.h"

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStringDecoder>
#include <QStyleHints>
#include <QTextBoundaryFinder>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace plat {

// Named, not anonymous: the view's private state holds them.
namespace textview {

enum class Granularity { Character, Word, Paragraph };

// One run of typing: later keystrokes grow the range its undo removes.
struct TypingStep {
    Range inserted;
    AttributedString replaced;
};

} // namespace textview

using textview::Granularity;
using textview::TypingStep;

namespace {

bool isPrintable(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c.category() == QChar::Other_Control || c == QChar(0x7F))
            return false;
    }
    return true;
}

} // namespace

struct TextViewWidget::Private {
    explicit Private(TextViewWidget& widget) : q(widget) {}

    TextViewWidget& q;
    // The selection as the user grows it: anchor stays, head moves.
    qsizetype anchor = 0;
    qsizetype head = 0;
    qreal goalX = -1; // kept across vertical moves
    std::shared_ptr<TypingStep> typing;
    // Where our undo actions went, to take them back when the widget goes.
    std::weak_ptr<UndoManager> undoManagerUsed;
    bool editing = false; // a storage edit of our own is under way
    bool constructing = false;
    bool attached = false;
    void attach();
    void wire();
    TextStorage::ObserverId storageObserver = 0;
    std::shared_ptr<TextStorage> observedStorage;
    QBasicTimer blink;
    Range lastSelection;

    // Mouse.
    bool selecting = false;
    Granularity granularity = Granularity::Character;
    qsizetype pressIndex = 0;
    Range pressUnit; // the word or paragraph first picked
    bool maybeDrag = false;
    QPoint pressPos;
    QElapsedTimer sinceDoubleClick;
    QPoint doubleClickPos;
    qsizetype dropIndex = -1;

    TextStorage& storage() const { return *q.m_model.textStorage(); }
    const QString& text() const { return q.m_model.string(); }
    qsizetype length() const { return q.m_model.textStorage()->length(); }

    void observeStorage()
    {
        if (observedStorage)
            observedStorage->removeObserver(storageObserver);
        observedStorage = q.m_model.textStorage();
        storageObserver = observedStorage->addObserver([this](TextStorage&, TextStorage::Phase phase) {
            if (phase != TextStorage::Phase::DidProcessEditing)
                return;
            // An edit by someone else ends the typing run: its undo range
            // would no longer match the text.
            if (!editing)
                typing.reset();
            q.viewport()->update();
        });
    }

    void syncAnchor()
    {
        const Range selection = q.m_model.selectedRange();
        if (Range(std::min(anchor, head), std::abs(head - anchor)) != selection) {
            anchor = selection.location;
            head = selection.end();
        }
    }

    // Container coordinates of a viewport point.
    QPointF containerPoint(QPointF viewportPoint) const
    {
        const QPointF scroll(q.horizontalScrollBar()->value(), q.verticalScrollBar()->value());
        return (viewportPoint + scroll) / q.m_scale - q.textContainerOrigin();
    }
    // The viewport rectangle of a rectangle in view coordinates (before zoom).
    QRectF toViewport(const QRectF& rect) const
    {
        const QPointF scroll(q.horizontalScrollBar()->value(), q.verticalScrollBar()->value());
        return QRectF(rect.topLeft() * q.m_scale - scroll, rect.size() * q.m_scale);
    }

    // Text positions.
    qsizetype nextCharacter(qsizetype position) const
    {
        const QString& s = text();
        if (position >= s.size())
            return s.size();
        if (s.at(position) == u'\r' && position + 1 < s.size() && s.at(position + 1) == u'\n')
            return position + 2;
        if (s.at(position).isHighSurrogate() && position + 1 < s.size() && s.at(position + 1).isLowSurrogate())
            return position + 2;
        return position + 1;
    }
    qsizetype previousCharacter(qsizetype position) const
    {
        const QString& s = text();
        if (position <= 0)
            return 0;
        if (s.at(position - 1) == u'\n' && position >= 2 && s.at(position - 2) == u'\r')
            return position - 2;
        if (s.at(position - 1).isLowSurrogate() && position >= 2 && s.at(position - 2).isHighSurrogate())
            return position - 2;
        return position - 1;
    }
    Range paragraphText(qsizetype position) const
    {
        const Range paragraph = q.m_layoutManager->paragraphRangeForIndex(position);
        qsizetype end = paragraph.end();
        const QString& s = text();
        while (end > paragraph.location && (s.at(end - 1) == u'\n' || s.at(end - 1) == u'\r' || s.at(end - 1) == QChar(0x2029)))
            --end;
        return Range(paragraph.location, end - paragraph.location);
    }
    // Word boundaries inside the paragraph only, so that a long page is never
    // scanned whole.
    qsizetype nextWordEnd(qsizetype position) const
    {
        while (position < length()) {
            const Range paragraph = paragraphText(position);
            QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text().mid(paragraph.location, paragraph.length));
            finder.setPosition(position - paragraph.location);
            for (qsizetype b = finder.toNextBoundary(); b >= 0; b = finder.toNextBoundary()) {
                if (finder.boundaryReasons() & QTextBoundaryFinder::EndOfItem)
                    return paragraph.location + b;
            }
            const qsizetype next = q.m_layoutManager->paragraphRangeForIndex(position).end();
            if (next <= position)
                break;
            position = next;
        }
        return length();
    }
    qsizetype previousWordStart(qsizetype position) const
    {
        while (position > 0) {
            const Range paragraph = paragraphText(position);
            QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text().mid(paragraph.location, paragraph.length));
            finder.setPosition(std::min(position, paragraph.end()) - paragraph.location);
            for (qsizetype b = finder.toPreviousBoundary(); b >= 0; b = finder.toPreviousBoundary()) {
                if (finder.boundaryReasons() & QTextBoundaryFinder::StartOfItem)
                    return paragraph.location + b;
            }
            if (paragraph.location == 0)
                return 0;
            position = paragraph.location - 1;
            // Land at the end of the previous paragraph's text when it has no word.
            const Range before = paragraphText(position);
            position = before.end();
            if (position == 0)
                return 0;
            QTextBoundaryFinder prev(QTextBoundaryFinder::Word, text().mid(before.location, before.length));
            prev.setPosition(before.length);
            for (qsizetype b = prev.toPreviousBoundary(); b >= 0; b = prev.toPreviousBoundary()) {
                if (prev.boundaryReasons() & QTextBoundaryFinder::StartOfItem)
                    return before.location + b;
            }
            position = before.location;
            if (before.location == 0)
                return 0;
        }
        return 0;
    }
    Range wordAt(qsizetype position) const
    {
        const Range paragraph = paragraphText(position);
        if (paragraph.length == 0)
            return Range(position, 0);
        const QString s = text().mid(paragraph.location, paragraph.length);
        QTextBoundaryFinder finder(QTextBoundaryFinder::Word, s);
        const qsizetype local = std::min(position - paragraph.location, paragraph.length - 1);
        finder.setPosition(local);
        qsizetype start = finder.isAtBoundary() ? local : finder.toPreviousBoundary();
        finder.setPosition(local);
        qsizetype end = finder.toNextBoundary();
        if (start < 0)
            start = 0;
        if (end < 0)
            end = s.size();
        return Range(paragraph.location + start, end - start);
    }

    qsizetype lineStart(qsizetype position) const
    {
        return q.m_layoutManager->lineGlyphRangeForIndex(position, q.m_model.selectionAffinity()).location;
    }
    qsizetype lineEnd(qsizetype position) const
    {
        const Range line = q.m_layoutManager->lineGlyphRangeForIndex(position, q.m_model.selectionAffinity());
        return std::min(line.end(), paragraphText(line.location).end());
    }
    // The position one line (or a page) up or down at the goal x.
    qsizetype vertical(qsizetype position, qreal distance, SelectionAffinity& affinity)
    {
        LayoutManager& lm = *q.m_layoutManager;
        const QRectF caret = lm.insertionRectForCharacterIndex(position, q.m_model.selectionAffinity());
        if (goalX < 0)
            goalX = caret.x();
        const qreal y = distance < 0 ? caret.top() + distance : caret.bottom() + distance - caret.height();
        if (y < 0)
            return 0;
        if (y >= lm.usedHeight())
            return length();
        const qsizetype index = lm.characterIndexForInsertionAtPoint(QPointF(goalX, y));
        // At a soft wrap the caret stays at the end of the line it reached.
        const Range line = lm.lineGlyphRangeForIndex(index, SelectionAffinity::Upstream);
        affinity = index == line.end() && index != paragraphText(index).end() ? SelectionAffinity::Upstream
                                                                               : SelectionAffinity::Downstream;
        return index;
    }
    qreal lineStep(qsizetype position) const
    {
        return q.m_layoutManager->insertionRectForCharacterIndex(position, q.m_model.selectionAffinity()).height();
    }

    void moveTo(qsizetype position, bool extend, SelectionAffinity affinity = SelectionAffinity::Downstream,
                bool keepGoal = false)
    {
        syncAnchor();
        position = std::clamp<qsizetype>(position, 0, length());
        if (!keepGoal)
            goalX = -1;
        head = position;
        if (!extend)
            anchor = position;
        q.changeSelection(Range(std::min(anchor, head), std::abs(head - anchor)), affinity);
        q.scrollRangeToVisible(Range(head, 0));
    }

    bool standardKey(QKeyEvent* event);
    void deleteRange(Range range)
    {
        if (range.length > 0 && q.replaceCharactersByUser(range, QString()))
            q.scrollRangeToVisible(q.m_model.selectedRange());
    }
    void startBlink()
    {
        q.m_caretOn = true;
        const int period = QApplication::cursorFlashTime() / 2;
        if (q.hasFocus() && period > 0)
            blink.start(period, &q);
        else
            blink.stop();
    }
    void updateScrollBars()
    {
        const qreal height = (q.m_layoutManager->usedHeight() + 2 * q.m_inset.height()) * q.m_scale;
        QScrollBar* bar = q.verticalScrollBar();
        bar->setRange(0, std::max(0, int(std::ceil(height)) - q.viewport()->height()));
        bar->setPageStep(q.viewport()->height());
        bar->setSingleStep(std::max(1, int(q.m_layoutManager->defaultFont().pointSizeF() * 1.5 * q.m_scale)));
        q.horizontalScrollBar()->setRange(0, 0);
    }
    void updateContainerWidth()
    {
        q.m_layoutManager->setContainerWidth(q.viewport()->width() / q.m_scale - 2 * q.m_inset.width());
        q.m_layoutManager->setTextContainerOrigin(q.textContainerOrigin());
        updateScrollBars();
    }
    void repaintCaret()
    {
        const QRectF rect = toViewport(q.insertionPointRect());
        q.viewport()->update(rect.toAlignedRect().adjusted(-2, -2, 2, 2));
    }
    void selectionMoved()
    {
        const Range now = q.m_model.selectedRange();
        if (now == lastSelection)
            return;
        lastSelection = now;
        typing.reset();
        startBlink();
        q.viewport()->update();
        emit q.selectionChanged();
    }
    qsizetype indexAt(QPointF viewportPoint) const
    {
        return q.m_layoutManager->characterIndexForInsertionAtPoint(containerPoint(viewportPoint));
    }
    // The link under a viewport point: only over the glyph itself.
    std::pair<QVariant, qsizetype> linkAt(QPointF viewportPoint) const
    {
        if (length() == 0)
            return {QVariant(), -1};
        const QPointF point = containerPoint(viewportPoint);
        const qsizetype glyph = q.m_layoutManager->glyphIndexForPoint(point);
        if (glyph >= length() || !q.m_layoutManager->boundingRectForGlyphRange(Range(glyph, 1)).contains(point))
            return {QVariant(), -1};
        const Value link = storage().attributeAtIndex(LinkAttribute, glyph);
        if (link.isNull())
            return {QVariant(), -1};
        return {link.isString() ? QVariant(link.toString()) : QVariant::fromValue(link.toObject() ? link.toObject()->description() : QString()), glyph};
    }
    void selectUnit(qsizetype index, Granularity unit)
    {
        granularity = unit;
        const Range picked = unit == Granularity::Word ? wordAt(index) : q.m_layoutManager->paragraphRangeForIndex(index);
        pressUnit = picked;
        anchor = picked.location;
        head = picked.end();
        q.changeSelection(picked);
    }
    void extendSelectionTo(qsizetype index)
    {
        if (granularity == Granularity::Character) {
            moveTo(index, true);
            return;
        }
        const Range unit = granularity == Granularity::Word ? wordAt(index) : q.m_layoutManager->paragraphRangeForIndex(index);
        const Range all = unionRange(pressUnit, unit);
        anchor = index < pressUnit.location ? pressUnit.end() : pressUnit.location;
        head = index < pressUnit.location ? all.location : all.end();
        q.changeSelection(all);
    }
    void undoReplace(Range range, const AttributedString& replacement);
};

TextViewWidget::TextViewWidget(TextView& model, QWidget* parent)
    : QAbstractScrollArea(parent), d(std::make_unique<Private>(*this)), m_model(model)
{
    d->constructing = true;
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setMouseTracking(true);
    viewport()->setAcceptDrops(true);
    viewport()->setAutoFillBackground(false);
    d->constructing = false;
}

void TextViewWidget::Private::attach()
{
    if (attached || constructing)
        return;
    attached = true;
    observeStorage();
    if (!q.m_layoutManager)
        q.m_layoutManager = std::make_shared<LayoutManager>();
    wire();
    lastSelection = q.m_model.selectedRange();
    anchor = lastSelection.location;
    head = lastSelection.end();
}

void TextViewWidget::Private::wire()
{
    LayoutManager& lm = *q.m_layoutManager;
    lm.setDefaultFont(q.font());
    lm.setTextView(&q.m_model);
    lm.setLayoutChangedHandler([this](const QRectF&) {
        updateScrollBars();
        q.viewport()->update();
    });
    updateContainerWidth();
}

const std::shared_ptr<LayoutManager>& TextViewWidget::layoutManager() const
{
    d->attach();
    return m_layoutManager;
}

// The model may already be gone here (an editor's model part is destroyed
// before its widget part), so only what the widget holds itself is touched.
TextViewWidget::~TextViewWidget()
{
    if (const auto undo = d->undoManagerUsed.lock())
        undo->removeAllActionsWithTarget(this);
    if (d->observedStorage)
        d->observedStorage->removeObserver(d->storageObserver);
    if (m_layoutManager)
        m_layoutManager->setLayoutChangedHandler(nullptr);
}

void TextViewWidget::setLayoutManager(std::shared_ptr<LayoutManager> layoutManager)
{
    if (m_layoutManager)
        m_layoutManager->setLayoutChangedHandler(nullptr);
    m_layoutManager = layoutManager ? std::move(layoutManager) : std::make_shared<LayoutManager>();
    if (d->attached)
        d->wire();
    else
        d->attach();
}

void TextViewWidget::modelStorageChanged()
{
    d->attach();
    d->typing.reset();
    d->observeStorage();
    m_layoutManager->storageChanged();
    d->updateScrollBars();
    viewport()->update();
}

void TextViewWidget::setTextContainerInset(QSizeF inset)
{
    d->attach();
    m_inset = inset;
    d->updateContainerWidth();
    viewport()->update();
}

QPointF TextViewWidget::textContainerOrigin() const
{
    return QPointF(m_inset.width(), m_inset.height());
}

void TextViewWidget::setScaleFactor(qreal factor)
{
    d->attach();
    if (!(factor > 0) || factor == m_scale)
        return;
    // Keep the text at the top of the viewport in place.
    const qreal top = verticalScrollBar()->value() / m_scale;
    m_scale = factor;
    d->updateContainerWidth();
    verticalScrollBar()->setValue(int(std::lround(top * m_scale)));
    viewport()->update();
    emit scaleFactorChanged(factor);
}

void TextViewWidget::scrollRangeToVisible(Range range)
{
    d->attach();
    if (!m_layoutManager || viewport()->height() <= 0)
        return;
    const qsizetype start = std::clamp<qsizetype>(range.location, 0, d->length());
    range = Range(start, std::clamp<qsizetype>(range.end(), start, d->length()) - start);
    QRectF rect = range.length > 0 ? m_layoutManager->boundingRectForGlyphRange(range)
                                   : m_layoutManager->insertionRectForCharacterIndex(range.location, m_model.selectionAffinity());
    rect.translate(textContainerOrigin());
    d->updateScrollBars();
    const QRectF shown = d->toViewport(rect);
    QScrollBar* bar = verticalScrollBar();
    if (shown.top() < 0)
        bar->setValue(bar->value() + int(std::floor(shown.top())));
    else if (shown.bottom() > viewport()->height())
        bar->setValue(bar->value() + int(std::ceil(std::min(shown.bottom() - viewport()->height(), shown.top()))));
}

void TextViewWidget::setBackgroundColor(const QColor& color)
{
    m_background = color;
    viewport()->update();
}

void TextViewWidget::drawInsertionPointInRect(const QRectF& rect, const QColor& color, bool turnedOn, Painter& painter)
{
    if (turnedOn)
        painter.drawCaret(rect, color);
}

QRectF TextViewWidget::insertionPointRect()
{
    d->attach();
    const Range selection = m_model.selectedRange();
    QRectF rect = m_layoutManager->insertionRectForCharacterIndex(selection.location, m_model.selectionAffinity());
    rect.translate(textContainerOrigin());
    rect.setWidth(1);
    return rect;
}

void TextViewWidget::changeSelection(Range to, SelectionAffinity affinity)
{
    d->attach();
    if (!m_selectable)
        return;
    to = willChangeSelection(m_model.selectedRange(), to, affinity);
    // A hook's answer outside the text is clamped, not thrown out of an event.
    if (to.location < 0 || to.length < 0 || to.end() > d->length()) {
        qWarning("Selection %s outside the text of length %lld clamped", qPrintable(toString(to)), qlonglong(d->length()));
        const qsizetype start = std::clamp<qsizetype>(to.location, 0, d->length());
        to = Range(start, std::clamp<qsizetype>(to.end(), start, d->length()) - start);
    }
    m_model.setSelectedRange(to, affinity);
    d->selectionMoved();
}

Range TextViewWidget::willChangeSelection(Range, Range to, SelectionAffinity&)
{
    return to;
}

void TextViewWidget::selectionDidChangeOutside()
{
    d->attach();
    d->syncAnchor();
    d->selectionMoved();
}

bool TextViewWidget::clickedOnLink(const QVariant&, qsizetype)
{
    return false;
}

bool TextViewWidget::keyDown(QKeyEvent*, const KeyPress&)
{
    return false;
}

void TextViewWidget::keyUp(QKeyEvent*, const KeyPress&) {}

bool TextViewWidget::writeSelectionToMimeData(QMimeData& data)
{
    d->attach();
    const Range selection = m_model.selectedRange();
    if (selection.length == 0)
        return false;
    QString text = d->text().mid(selection.location, selection.length);
    // An attachment has no plain-text form.
    text.remove(QChar(ObjectReplacementCharacter));
    data.setText(text);
    return true;
}

bool TextViewWidget::readSelectionFromMimeData(const QMimeData& data)
{
    d->attach();
    if (!data.hasFormat(QStringLiteral("text/plain")))
        return false;
    // Strict: text that is not valid UTF-8 is refused, never half-decoded.
    const QByteArray bytes = data.data(QStringLiteral("text/plain"));
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    if (decoder.hasError() || text.contains(QChar(0)))
        return false;
    return replaceCharactersByUser(m_model.selectedRange(), text);
}

bool TextViewWidget::replaceCharactersByUser(Range range, const QString& text, bool coalesceTyping)
{
    d->attach();
    if (!m_editable)
        return false;
    checkRange(range, d->length(), "replaceCharactersByUser");
    if (!m_model.shouldChangeText(range, text))
        return false;
    TextStorage& storage = d->storage();
    const Attributes typing = m_model.typingAttributes();
    const AttributedString replaced = storage.attributedSubstring(range);
    const bool extend = coalesceTyping && d->typing && range.length == 0 && d->typing->inserted.end() == range.location;
    d->editing = true;
    storage.beginEditing();
    // Plain characters first: the edit reports characters only unless the
    // typing attributes differ from what the new text took on.
    storage.replaceCharacters(range, text);
    if (!text.isEmpty() && storage.attributesAtIndex(range.location) != typing)
        storage.setAttributes(typing, Range(range.location, text.size()));
    storage.endEditing();
    d->editing = false;
    if (const auto& undo = m_model.undoManager()) {
        if (extend) {
            d->typing->inserted.length += text.size();
        } else {
            d->undoManagerUsed = undo;
            auto step = std::make_shared<TypingStep>(TypingStep{Range(range.location, text.size()), replaced});
            QPointer<TextViewWidget> self(this);
            undo->registerUndo(this, [self, step] {
                if (self)
                    self->d->undoReplace(step->inserted, step->replaced);
            });
            d->typing = coalesceTyping ? step : nullptr;
        }
    }
    const auto keep = d->typing;
    m_model.setSelectedRange(Range(range.location + text.size(), 0));
    m_model.setTypingAttributes(typing);
    d->anchor = d->head = range.location + text.size();
    d->lastSelection = m_model.selectedRange();
    d->goalX = -1;
    d->startBlink();
    emit selectionChanged();
    d->typing = keep;
    m_model.didChangeText();
    d->updateScrollBars();
    viewport()->update();
    return true;
}

// The inverse of a user edit: through the same path, registering its own
// inverse, with the restored text selected.
void TextViewWidget::Private::undoReplace(Range range, const AttributedString& replacement)
{
    typing.reset();
    if (range.end() > length()) {
        qWarning("Undo of an edit at %lld..%lld skipped: the text is shorter now", qlonglong(range.location),
                 qlonglong(range.end()));
        return;
    }
    if (!q.m_model.shouldChangeText(range, replacement.string()))
        return;
    const AttributedString replaced = storage().attributedSubstring(range);
    editing = true;
    storage().beginEditing();
    storage().replaceCharacters(range, replacement.string());
    // Only runs whose attributes did not come back with the characters are
    // set, so that a plain restore reports characters only.
    replacement.enumerateAttributes(Range(0, replacement.length()), 0,
                                    [&](const Attributes& attributes, Range run, bool*) {
        const Range at(range.location + run.location, run.length);
        Range effective;
        if (storage().attributesAtIndex(at.location, &effective) != attributes || effective.end() < at.end())
            storage().setAttributes(attributes, at);
    });
    storage().endEditing();
    editing = false;
    if (const auto& undo = q.m_model.undoManager()) {
        undoManagerUsed = undo;
        QPointer<TextViewWidget> self(&q);
        const Range restored(range.location, replacement.length());
        undo->registerUndo(&q, [self, restored, replaced] {
            if (self)
                self->d->undoReplace(restored, replaced);
        });
    }
    const Range restored(range.location, replacement.length());
    q.m_model.setSelectedRange(restored);
    anchor = restored.location;
    head = restored.end();
    lastSelection = restored;
    emit q.selectionChanged();
    q.m_model.didChangeText();
    q.scrollRangeToVisible(restored);
    q.viewport()->update();
}

void TextViewWidget::breakUndoCoalescing()
{
    d->typing.reset();
}

void TextViewWidget::copySelection()
{
    d->attach();
    auto data = std::make_unique<QMimeData>();
    if (writeSelectionToMimeData(*data))
        QGuiApplication::clipboard()->setMimeData(data.release());
}

void TextViewWidget::cutSelection()
{
    d->attach();
    if (!m_editable || m_model.selectedRange().length == 0)
        return;
    copySelection();
    d->deleteRange(m_model.selectedRange());
}

void TextViewWidget::pasteFromClipboard()
{
    d->attach();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (data && m_editable) {
        breakUndoCoalescing();
        if (readSelectionFromMimeData(*data))
            scrollRangeToVisible(m_model.selectedRange());
    }
}

void TextViewWidget::undoEdit()
{
    d->attach();
    const auto& undo = m_model.undoManager();
    breakUndoCoalescing();
    if (undo && m_editable && undo->canUndo())
        undo->undo();
}

void TextViewWidget::redoEdit()
{
    d->attach();
    const auto& undo = m_model.undoManager();
    breakUndoCoalescing();
    if (undo && m_editable && undo->canRedo())
        undo->redo();
}

void TextViewWidget::selectAllText()
{
    d->attach();
    d->anchor = 0;
    d->head = d->length();
    changeSelection(Range(0, d->length()));
}

void TextViewWidget::paintTo(Painter& painter, const QRectF& viewportRect)
{
    d->attach();
    painter.save();
    painter.setClipRect(viewportRect);
    painter.fillRect(viewportRect, m_background);
    painter.scale(m_scale);
    const QPointF scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const QPointF origin = textContainerOrigin() - scroll / m_scale;
    const QRectF shown(viewportRect.topLeft() / m_scale - origin, viewportRect.size() / m_scale);
    LayoutManager& lm = *m_layoutManager;
    lm.setTextContainerOrigin(textContainerOrigin());
    // A margin of half a viewport each way keeps scrolling and typing warm.
    lm.ensureLayoutForBoundingRect(shown.adjusted(0, -shown.height() / 2, 0, shown.height() / 2));
    const Range glyphs = lm.glyphRangeForBoundingRect(shown);
    lm.drawBackgroundForGlyphRange(glyphs, origin, painter);
    lm.drawGlyphsForGlyphRange(glyphs, origin, painter);
    if (m_model.selectedRange().length == 0 && (hasFocus() || d->dropIndex >= 0)) {
        QRectF caret = d->dropIndex >= 0 ? lm.insertionRectForCharacterIndex(d->dropIndex).translated(textContainerOrigin())
                                         : insertionPointRect();
        if (d->dropIndex >= 0)
            caret.setWidth(1);
        drawInsertionPointInRect(caret.translated(-scroll / m_scale), m_caretColor, m_caretOn || d->dropIndex >= 0,
                                 painter);
    }
    painter.restore();
}

QVariant TextViewWidget::inputMethodQuery(Qt::InputMethodQuery query) const
{
    d->attach();
    const Range selection = m_model.selectedRange();
    switch (query) {
    case Qt::ImEnabled:
        return m_editable;
    case Qt::ImCursorRectangle: {
        auto* self = const_cast<TextViewWidget*>(this);
        const QRectF rect = d->toViewport(self->insertionPointRect());
        return rect.translated(viewport()->pos());
    }
    case Qt::ImFont:
        return font();
    case Qt::ImSurroundingText: {
        const Range paragraph = d->paragraphText(selection.location);
        return d->text().mid(paragraph.location, paragraph.length);
    }
    case Qt::ImCursorPosition: {
        const Range paragraph = d->paragraphText(selection.location);
        return int(std::min(d->head, paragraph.end()) - paragraph.location);
    }
    case Qt::ImAnchorPosition: {
        const Range paragraph = d->paragraphText(selection.location);
        return int(std::clamp(d->anchor, paragraph.location, paragraph.end()) - paragraph.location);
    }
    case Qt::ImCurrentSelection:
        return d->text().mid(selection.location, selection.length);
    case Qt::ImAbsolutePosition:
        return qlonglong(d->head);
    case Qt::ImHints:
        return int(Qt::ImhMultiLine);
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

bool TextViewWidget::event(QEvent* event)
{
    d->attach();
    if (event->type() == QEvent::ShortcutOverride) {
        // Editing keys belong to the text, not to window shortcuts.
        auto* key = static_cast<QKeyEvent*>(event);
        const bool command = key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier | Qt::AltModifier);
        if (key == nullptr || (!command && isPrintable(key->text())) || key->matches(QKeySequence::Undo)
            || key->matches(QKeySequence::Redo) || key->matches(QKeySequence::Copy)
            || key->matches(QKeySequence::Cut) || key->matches(QKeySequence::Paste)
            || key->matches(QKeySequence::SelectAll)) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

bool TextViewWidget::focusNextPrevChild(bool next)
{
    // Tab is text while editing.
    return m_editable ? false : QAbstractScrollArea::focusNextPrevChild(next);
}

void TextViewWidget::paintEvent(QPaintEvent* event)
{
    QPainter qpainter(viewport());
    QtPainter painter(qpainter);
    paintTo(painter, QRectF(event->rect()));
}

void TextViewWidget::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    d->updateContainerWidth();
}

void TextViewWidget::scrollContentsBy(int, int)
{
    viewport()->update();
}

bool TextViewWidget::Private::standardKey(QKeyEvent* event)
{
    using SK = QKeySequence;
    const qsizetype at = head;
    const Range selection = q.m_model.selectedRange();
    const bool editable = q.m_editable;
    auto is = [event](SK::StandardKey key) { return event->matches(key); };
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    SelectionAffinity affinity = SelectionAffinity::Downstream;

    // Character.
    if (is(SK::MoveToNextChar)) {
        moveTo(selection.length > 0 ? selection.end() : nextCharacter(at), false);
        return true;
    }
    if (is(SK::MoveToPreviousChar)) {
        moveTo(selection.length > 0 ? selection.location : previousCharacter(at), false);
        return true;
    }
    if (is(SK::SelectNextChar)) { moveTo(nextCharacter(at), true); return true; }
    if (is(SK::SelectPreviousChar)) { moveTo(previousCharacter(at), true); return true; }
    // Word.
    if (is(SK::MoveToNextWord)) { moveTo(nextWordEnd(selection.length > 0 ? selection.end() : at), false); return true; }
    if (is(SK::MoveToPreviousWord)) { moveTo(previousWordStart(selection.length > 0 ? selection.location : at), false); return true; }
    if (is(SK::SelectNextWord)) { moveTo(nextWordEnd(at), true); return true; }
    if (is(SK::SelectPreviousWord)) { moveTo(previousWordStart(at), true); return true; }
    // Line.
    if (is(SK::MoveToNextLine) || is(SK::SelectNextLine)) {
        const bool extend = is(SK::SelectNextLine);
        const qsizetype from = extend || selection.length == 0 ? at : selection.end();
        const qsizetype to = vertical(from, lineStep(from), affinity);
        moveTo(to, extend, affinity, true);
        return true;
    }
    if (is(SK::MoveToPreviousLine) || is(SK::SelectPreviousLine)) {
        const bool extend = is(SK::SelectPreviousLine);
        const qsizetype from = extend || selection.length == 0 ? at : selection.location;
        const qsizetype to = vertical(from, -1, affinity);
        moveTo(to, extend, affinity, true);
        return true;
    }
    if (is(SK::MoveToStartOfLine)) { moveTo(lineStart(selection.length > 0 ? selection.location : at), false); return true; }
    if (is(SK::SelectStartOfLine)) { moveTo(lineStart(at), true); return true; }
    if (is(SK::MoveToEndOfLine) || is(SK::SelectEndOfLine)) {
        const qsizetype end = lineEnd(selection.length > 0 && !is(SK::SelectEndOfLine) ? selection.end() : at);
        moveTo(end, is(SK::SelectEndOfLine),
               end == paragraphText(end).end() ? SelectionAffinity::Downstream : SelectionAffinity::Upstream);
        return true;
    }
    // Paragraph: the standard keys, and Ctrl+Up/Down where the desktop binds none.
    const bool paragraphUp = is(SK::MoveToStartOfBlock) || is(SK::SelectStartOfBlock)
                             || (ctrl && event->key() == Qt::Key_Up && !(mods & Qt::AltModifier));
    const bool paragraphDown = is(SK::MoveToEndOfBlock) || is(SK::SelectEndOfBlock)
                               || (ctrl && event->key() == Qt::Key_Down && !(mods & Qt::AltModifier));
    if (paragraphUp || paragraphDown) {
        const bool extend = is(SK::SelectStartOfBlock) || is(SK::SelectEndOfBlock) || shift;
        if (paragraphUp) {
            qsizetype start = paragraphText(at).location;
            if (start == at && at > 0)
                start = paragraphText(at - 1).location;
            moveTo(start, extend);
        } else {
            qsizetype end = paragraphText(at).end();
            if (end == at && at < length())
                end = paragraphText(nextCharacter(at)).end();
            moveTo(end, extend);
        }
        return true;
    }
    // Page.
    if (is(SK::MoveToNextPage) || is(SK::SelectNextPage) || is(SK::MoveToPreviousPage) || is(SK::SelectPreviousPage)) {
        const bool down = is(SK::MoveToNextPage) || is(SK::SelectNextPage);
        const qreal page = q.viewport()->height() / q.m_scale;
        const qsizetype to = vertical(at, down ? page : -page, affinity);
        QScrollBar* bar = q.verticalScrollBar();
        bar->setValue(bar->value() + (down ? bar->pageStep() : -bar->pageStep()));
        moveTo(to, is(SK::SelectNextPage) || is(SK::SelectPreviousPage), affinity, true);
        return true;
    }
    // Document.
    if (is(SK::MoveToStartOfDocument)) { moveTo(0, false); return true; }
    if (is(SK::MoveToEndOfDocument)) { moveTo(length(), false); return true; }
    if (is(SK::SelectStartOfDocument)) { moveTo(0, true); return true; }
    if (is(SK::SelectEndOfDocument)) { moveTo(length(), true); return true; }
    if (is(SK::SelectAll)) { q.selectAllText(); return true; }
    // Clipboard and undo.
    if (is(SK::Copy)) { q.copySelection(); return true; }
    if (is(SK::Cut)) { q.cutSelection(); return true; }
    if (is(SK::Paste)) { q.pasteFromClipboard(); return true; }
    if (is(SK::Undo)) { q.undoEdit(); return true; }
    if (is(SK::Redo)) { q.redoEdit(); return true; }
    if (!editable)
        return false;
    // Deletion.
    if (is(SK::DeleteStartOfWord)) {
        deleteRange(selection.length > 0 ? selection : Range(previousWordStart(at), at - previousWordStart(at)));
        return true;
    }
    if (is(SK::DeleteEndOfWord)) {
        deleteRange(selection.length > 0 ? selection : Range(at, nextWordEnd(at) - at));
        return true;
    }
    if (is(SK::DeleteEndOfLine)) {
        deleteRange(selection.length > 0 ? selection : Range(at, std::max(lineEnd(at), at) - at));
        return true;
    }
    if (event->key() == Qt::Key_Backspace && !(mods & ~Qt::ShiftModifier)) {
        const qsizetype from = previousCharacter(selection.location);
        deleteRange(selection.length > 0 ? selection : Range(from, selection.location - from));
        return true;
    }
    if (is(SK::Delete) || (event->key() == Qt::Key_Delete && !mods)) {
        deleteRange(selection.length > 0 ? selection : Range(at, nextCharacter(at) - at));
        return true;
    }
    // Return and Tab are text.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !(mods & ~Qt::ShiftModifier)) {
        typing.reset();
        q.replaceCharactersByUser(selection, QStringLiteral("\n"));
        q.scrollRangeToVisible(q.m_model.selectedRange());
        return true;
    }
    if (event->key() == Qt::Key_Tab && !mods) {
        q.replaceCharactersByUser(selection, QStringLiteral("\t"), true);
        return true;
    }
    return false;
}

void TextViewWidget::keyPressEvent(QKeyEvent* event)
{
    d->syncAnchor();
    const KeyPress key = KeyPress::fromEvent(*event);
    if (keyDown(event, key)) {
        event->accept();
        selectionDidChangeOutside();
        return;
    }
    if (d->standardKey(event)) {
        event->accept();
        return;
    }
    const bool command = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
    if (m_editable && !command && isPrintable(event->text())) {
        replaceCharactersByUser(m_model.selectedRange(), event->text(), true);
        scrollRangeToVisible(m_model.selectedRange());
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void TextViewWidget::keyReleaseEvent(QKeyEvent* event)
{
    keyUp(event, KeyPress::fromEvent(*event));
    QAbstractScrollArea::keyReleaseEvent(event);
}

// The preedit lives in the layout only; a commit is typed like any key.
void TextViewWidget::inputMethodEvent(QInputMethodEvent* event)
{
    if (!m_editable) {
        event->ignore();
        return;
    }
    Range selection = m_model.selectedRange();
    if (!event->commitString().isEmpty() || event->replacementLength() > 0) {
        m_layoutManager->setPreedit(-1, QString());
        if (event->replacementLength() > 0 && selection.length == 0) {
            const qsizetype from = std::clamp<qsizetype>(selection.location + event->replacementStart(), 0, d->length());
            const qsizetype to = std::clamp<qsizetype>(from + event->replacementLength(), from, d->length());
            selection = Range(from, to - from);
        }
        replaceCharactersByUser(selection, event->commitString(), true);
    }
    qsizetype cursor = -1;
    for (const auto& attribute : event->attributes()) {
        if (attribute.type == QInputMethodEvent::Cursor)
            cursor = attribute.start;
    }
    m_layoutManager->setPreedit(m_model.selectedRange().location, event->preeditString(), cursor);
    viewport()->update();
    event->accept();
}

void TextViewWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_selectable) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    d->syncAnchor();
    const QPointF point = event->position();
    const qsizetype index = d->indexAt(point);
    // The third click of a quick series picks the paragraph.
    if (d->sinceDoubleClick.isValid()
        && d->sinceDoubleClick.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval()
        && (event->position().toPoint() - d->doubleClickPos).manhattanLength() < QApplication::startDragDistance()) {
        d->sinceDoubleClick.invalidate();
        d->selecting = true;
        d->selectUnit(index, Granularity::Paragraph);
        return;
    }
    if (!(event->modifiers() & Qt::ShiftModifier)) {
        const auto [link, at] = d->linkAt(point);
        if (at >= 0 && clickedOnLink(link, at))
            return;
    }
    const Range selection = m_model.selectedRange();
    if (!(event->modifiers() & Qt::ShiftModifier) && selection.length > 0 && index > selection.location
        && index < selection.end()) {
        d->maybeDrag = true;
        d->pressPos = event->position().toPoint();
        return;
    }
    d->selecting = true;
    d->granularity = Granularity::Character;
    d->moveTo(index, event->modifiers() & Qt::ShiftModifier);
}

void TextViewWidget::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF point = event->position();
    if (d->maybeDrag && (event->buttons() & Qt::LeftButton)) {
        if ((event->position().toPoint() - d->pressPos).manhattanLength() < QApplication::startDragDistance())
            return;
        d->maybeDrag = false;
        auto data = std::make_unique<QMimeData>();
        if (!writeSelectionToMimeData(*data))
            return;
        auto* drag = new QDrag(this);
        drag->setMimeData(data.release());
        const Range dragged = m_model.selectedRange();
        const QString draggedText = d->text().mid(dragged.location, dragged.length);
        const Qt::DropAction action = drag->exec(m_editable ? Qt::CopyAction | Qt::MoveAction : Qt::CopyAction,
                                                 Qt::MoveAction);
        // Moved into another widget: the text leaves this one.
        if (action == Qt::MoveAction && drag->target() && drag->target() != viewport()
            && d->text().mid(dragged.location, dragged.length) == draggedText)
            d->deleteRange(dragged);
        return;
    }
    if (d->selecting && (event->buttons() & Qt::LeftButton)) {
        d->extendSelectionTo(d->indexAt(point));
        return;
    }
    const auto [link, at] = d->linkAt(point);
    viewport()->setCursor(at >= 0 ? Qt::PointingHandCursor : Qt::IBeamCursor);
}

void TextViewWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (d->maybeDrag) {
        // A click inside the selection that never became a drag.
        d->maybeDrag = false;
        d->moveTo(d->indexAt(event->position()), false);
    }
    d->selecting = false;
    if (event->button() == Qt::LeftButton)
        event->accept();
    else
        QAbstractScrollArea::mouseReleaseEvent(event);
}

void TextViewWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_selectable) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    d->maybeDrag = false;
    d->selecting = true;
    d->sinceDoubleClick.start();
    d->doubleClickPos = event->position().toPoint();
    d->selectUnit(d->indexAt(event->position()), Granularity::Word);
}

void TextViewWidget::dragEnterEvent(QDragEnterEvent* event)
{
    if (m_editable && event->mimeData()->hasFormat(QStringLiteral("text/plain")))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TextViewWidget::dragMoveEvent(QDragMoveEvent* event)
{
    if (!m_editable || !event->mimeData()->hasFormat(QStringLiteral("text/plain"))) {
        event->ignore();
        return;
    }
    d->dropIndex = d->indexAt(event->position());
    event->acceptProposedAction();
    viewport()->update();
}

void TextViewWidget::dropEvent(QDropEvent* event)
{
    d->dropIndex = -1;
    viewport()->update();
    if (!m_editable) {
        event->ignore();
        return;
    }
    qsizetype index = d->indexAt(event->position());
    const Range selection = m_model.selectedRange();
    const bool fromHere = event->source() == this || event->source() == viewport();
    const bool move = fromHere && event->dropAction() == Qt::MoveAction;
    if (move && index >= selection.location && index <= selection.end()) {
        event->ignore();
        return;
    }
    const auto& undo = m_model.undoManager();
    if (undo)
        undo->beginUndoGrouping();
    breakUndoCoalescing();
    if (move) {
        if (replaceCharactersByUser(selection, QString()) && index > selection.location)
            index -= selection.length;
    }
    m_model.setSelectedRange(Range(std::min(index, d->length()), 0));
    const bool inserted = readSelectionFromMimeData(*event->mimeData());
    if (undo)
        undo->endUndoGrouping();
    if (inserted) {
        event->setDropAction(move ? Qt::MoveAction : Qt::CopyAction);
        event->accept();
        // Moving within the view is done here; the source must not delete again.
        if (move)
            event->setDropAction(Qt::CopyAction);
    } else {
        event->ignore();
    }
}

void TextViewWidget::focusInEvent(QFocusEvent* event)
{
    d->startBlink();
    viewport()->update();
    QAbstractScrollArea::focusInEvent(event);
}

void TextViewWidget::focusOutEvent(QFocusEvent* event)
{
    d->blink.stop();
    viewport()->update();
    QAbstractScrollArea::focusOutEvent(event);
}

void TextViewWidget::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == d->blink.timerId()) {
        m_caretOn = !m_caretOn;
        d->repaintCaret();
        return;
    }
    QAbstractScrollArea::timerEvent(event);
}

bool TextViewWidget::viewportEvent(QEvent* event)
{
    d->attach();
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QPointF point = d->containerPoint(help->pos());
        QString tip;
        if (d->length() > 0) {
            const qsizetype glyph = m_layoutManager->glyphIndexForPoint(point);
            if (glyph < d->length() && m_layoutManager->boundingRectForGlyphRange(Range(glyph, 1)).contains(point))
                tip = d->storage().attributeAtIndex(ToolTipAttribute, glyph).toString();
        }
        if (tip.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), tip, viewport());
        }
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

} // namespace plat
