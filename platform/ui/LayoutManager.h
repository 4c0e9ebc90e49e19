#pragma once
// Lays out a text view's storage paragraph by paragraph over QTextLayout. Only
// what is asked for (the visible part plus a margin) is laid out; the other
// paragraphs carry estimated heights until then. Heights sit in a Fenwick tree
// so that y -> paragraph and paragraph -> y stay logarithmic on long pages, and
// a storage edit drops only the layouts of the paragraphs it touched.
//
// Glyph indices are character indices. Geometry is relative to the text
// container (y down, before zoom); callers add textContainerOrigin().
// Line positions are ours: QTextLayout breaks and shapes, the typesetter may
// veto breaks and change each line's rectangle and baseline.

#include "platform/foundation/Range.h"
#include "platform/text/TextStorage.h"
#include "platform/text/TextView.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QTextLayout>

#include <functional>
#include <memory>
#include <vector>

namespace plat {

class Font;
class Painter;
class Typesetter;

class LayoutManager {
public:
    LayoutManager();
    virtual ~LayoutManager();
    LayoutManager(const LayoutManager&) = delete;
    LayoutManager& operator=(const LayoutManager&) = delete;

    void setTypesetter(std::shared_ptr<Typesetter> typesetter);
    const std::shared_ptr<Typesetter>& typesetter() const { return m_typesetter; }

    // The model it lays out (not owned); follows the model's storage. Setting
    // another model or storage drops every layout.
    TextView* textView() const { return m_textView; }
    void setTextView(TextView* textView);
    const std::shared_ptr<TextStorage>& textStorage() const { return m_storage; }
    // Re-reads the model's storage when the model was pointed at another one.
    void storageChanged();

    QPointF textContainerOrigin() const { return m_containerOrigin; }
    void setTextContainerOrigin(QPointF origin) { m_containerOrigin = origin; }
    // Lines wrap at this width; changing it drops every layout.
    qreal containerWidth() const { return m_containerWidth; }
    void setContainerWidth(qreal width);

    qsizetype numberOfGlyphs() const;
    Range glyphRangeForCharacterRange(Range characterRange, Range* actualCharacterRange = nullptr) const;
    Range characterRangeForGlyphRange(Range glyphRange, Range* actualGlyphRange = nullptr) const;

    // Forces exact layout (estimated heights become real).
    void ensureLayoutForGlyphRange(Range glyphRange);
    void ensureLayoutForBoundingRect(const QRectF& rect);
    // The glyphs whose lines meet rect (laid out).
    Range glyphRangeForBoundingRect(const QRectF& rect);

    QRectF boundingRectForGlyphRange(Range glyphRange);
    QRectF lineFragmentRectForGlyphAtIndex(qsizetype glyphIndex, Range* effectiveGlyphRange = nullptr);
    QRectF lineFragmentUsedRectForGlyphAtIndex(qsizetype glyphIndex, Range* effectiveGlyphRange = nullptr);
    void enumerateLineFragmentsForGlyphRange(
        Range glyphRange, const std::function<void(QRectF rect, QRectF usedRect, Range glyphRange, bool& stop)>& block);
    // The glyph under point (the nearest in its line).
    qsizetype glyphIndexForPoint(QPointF point);
    // The insertion position nearest to point (between characters).
    qsizetype characterIndexForInsertionAtPoint(QPointF point);
    // The caret's rectangle (zero width) at a position; affinity picks the line
    // end (upstream) or the next line's start (downstream) at a soft wrap.
    QRectF insertionRectForCharacterIndex(qsizetype index, SelectionAffinity affinity = SelectionAffinity::Downstream);
    // The glyph range of the line holding index, and of the previous and next
    // lines (notFound() past the ends).
    Range lineGlyphRangeForIndex(qsizetype index, SelectionAffinity affinity = SelectionAffinity::Downstream);
    // The rectangles covering the characters, one per line (a range that goes
    // on past a line's end reaches the container's right edge).
    QList<QRectF> rectArrayForCharacterRange(Range characterRange);
    // The whole paragraph of index, with its line separator.
    Range paragraphRangeForIndex(qsizetype index) const;

    // The height of all the text (estimates where not laid out).
    qreal usedHeight() const;
    QRectF usedRectForTextContainer() const;

    static qreal defaultLineHeightForFont(const Font& font);

    // Drawing, for the visible glyph range, in this order. origin: where the
    // container's (0, 0) lies in the painter.
    virtual void drawBackgroundForGlyphRange(Range glyphRange, QPointF origin, Painter& painter);
    virtual void fillBackgroundRectArray(const QList<QRectF>& rects, Range characterRange, const QColor& color,
                                         Painter& painter);
    virtual void drawGlyphsForGlyphRange(Range glyphRange, QPointF origin, Painter& painter);
    // The image an attachment value shows (base: a plat::Image value); a null
    // image leaves the attachment character as a plain space.
    virtual QImage imageForAttachment(const Value& attachment, qsizetype characterIndex) const;

    QColor selectedTextBackgroundColor() const { return m_selectionColor; }
    void setSelectedTextBackgroundColor(const QColor& color) { m_selectionColor = color; }
    QColor defaultTextColor() const { return m_textColor; }
    void setDefaultTextColor(const QColor& color) { m_textColor = color; }
    // Drawn where a run has no font attribute; also sizes an empty text's caret.
    QFont defaultFont() const { return m_defaultFont; }
    void setDefaultFont(const QFont& font);

    // The input method's uncommitted text at a storage position (shown in the
    // layout only); an empty text removes it.
    void setPreedit(qsizetype at, const QString& text, qsizetype cursor = -1);
    QString preeditText() const { return m_preeditText; }
    qsizetype preeditPosition() const { return m_preeditAt; }

    // Told after the storage changed or a layout changed heights, with the
    // container rectangle to repaint (the whole rest of the text when heights
    // moved lines below).
    void setLayoutChangedHandler(std::function<void(const QRectF& dirty)> handler) { m_changed = std::move(handler); }

    // What is cached: paragraphs, exact layouts held now, layouts made so far.
    qsizetype paragraphCount() const { return qsizetype(m_paragraphs.size()); }
    qsizetype cachedLayoutCount() const { return m_cachedLayouts; }
    qsizetype layoutsMade() const { return m_layoutsMade; }
    // At most this many exact layouts are kept; the farthest from the last
    // requested rectangle go first. 0 keeps all.
    void setLayoutCacheLimit(qsizetype limit) { m_cacheLimit = limit; }

    // Drops every layout (fonts or colours changed outside the storage).
    void invalidateAllLayouts();

protected:
    struct Line {
        Range range;        // in storage positions
        QRectF rect;        // relative to the paragraph's top
        QRectF usedRect;
        qreal baseline = 0; // from the top of rect
        int qtLine = 0;     // index of its QTextLine
        qreal indent = 0;   // x of the QTextLine
    };
    struct Paragraph {
        qsizetype length = 0; // with its separator
        qreal height = 0;
        bool exact = false;
        std::unique_ptr<QTextLayout> layout;
        std::vector<Line> lines;
        // Attachments: index in the paragraph and image width.
        std::vector<std::pair<qsizetype, QImage>> attachments;
        // The preedit inside the layout's text: its position and length.
        qsizetype preeditAt = -1;
        qsizetype preeditLength = 0;
        qsizetype separatorLength = 0;

        // Positions in the layout's text (with the preedit) and back. A
        // position at the preedit is before it as an end or caret, after it
        // as the start of a character.
        int toLayout(qsizetype local) const
        {
            return int(preeditAt >= 0 && local > preeditAt ? local + preeditLength : local);
        }
        int toLayoutStart(qsizetype local) const
        {
            return int(preeditAt >= 0 && local >= preeditAt ? local + preeditLength : local);
        }
        qsizetype fromLayout(int position) const
        {
            if (preeditAt < 0 || position <= preeditAt)
                return position;
            return position >= preeditAt + preeditLength ? position - preeditLength : preeditAt;
        }
    };

    // The paragraph holding index (the last one for the end of the text).
    qsizetype paragraphIndexForCharacter(qsizetype index) const;
    qsizetype paragraphStart(qsizetype paragraph) const;
    qreal paragraphTop(qsizetype paragraph) const;
    qsizetype paragraphIndexForY(qreal y) const;
    Paragraph& laidOutParagraph(qsizetype paragraph);
    // The laid-out line under a point (the nearest one of its paragraph) and the
    // storage position the line's layout gives for the point's x.
    struct LineHit {
        const Paragraph* paragraph;
        const Line* line;
        qsizetype paragraphStart;
        qsizetype index;
    };
    LineHit lineAtPoint(QPointF point, QTextLine::CursorPosition position);
    // The line of a laid-out paragraph holding the storage position.
    std::size_t lineIndexForCharacter(const Paragraph& paragraph, qsizetype paragraphStart, qsizetype index,
                                      SelectionAffinity affinity) const;
    // Draws the runs of the characters in range that lie on line.
    void drawRunsOfLine(qsizetype paragraph, const Line& line, Range range, QPointF origin, Painter& painter);

private:
    void attach();
    void detach();
    void processEditing(unsigned mask, Range editedRange, qsizetype changeInLength);
    void rebuildParagraphs();
    void layoutParagraph(qsizetype paragraph);
    qreal estimatedHeight(qsizetype length) const;
    void setHeight(qsizetype paragraph, qreal height);
    void dropLayout(Paragraph& paragraph);
    void trimCache(qsizetype firstKept, qsizetype lastKept);
    void notifyChanged(const QRectF& dirty);
    // Fenwick trees over paragraph lengths and heights.
    void rebuildTrees();

    std::shared_ptr<Typesetter> m_typesetter;
    TextView* m_textView = nullptr;
    std::shared_ptr<TextStorage> m_storage;
    TextStorage::ObserverId m_observer = 0;
    QPointF m_containerOrigin;
    qreal m_containerWidth = 600;
    QColor m_selectionColor = QColor(179, 215, 255);
    QColor m_textColor = Qt::black;
    QFont m_defaultFont;
    qreal m_defaultLineHeight = 0;
    qreal m_averageCharWidth = 0;

    std::vector<Paragraph> m_paragraphs;
    std::vector<qsizetype> m_lengthTree;
    std::vector<qreal> m_heightTree;
    qsizetype m_cachedLayouts = 0;
    qsizetype m_layoutsMade = 0;
    qsizetype m_cacheLimit = 512;

    QString m_preeditText;
    qsizetype m_preeditAt = -1;
    qsizetype m_preeditCursor = -1;

    std::function<void(const QRectF&)> m_changed;
};

} // namespace plat
