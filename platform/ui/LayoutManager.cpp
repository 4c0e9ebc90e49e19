#include "platform/ui/LayoutManager.h"

#include "platform/graphics/Image.h"
#include "platform/text/Font.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Typesetter.h"

#include <QFontMetricsF>

namespace plat {

LayoutManager::LayoutManager() = default;
LayoutManager::~LayoutManager() = default;

void LayoutManager::setTypesetter(std::shared_ptr<Typesetter> typesetter)
{
    m_typesetter = std::move(typesetter);
    if (m_typesetter)
        m_typesetter->setLayoutManager(this);
}

void LayoutManager::setTextView(TextView* textView)
{
    m_textView = textView;
    m_storage = textView ? textView->textStorage() : nullptr;
}

void LayoutManager::storageChanged() {}
void LayoutManager::setContainerWidth(qreal width) { m_containerWidth = width; }
qsizetype LayoutManager::numberOfGlyphs() const { return m_storage ? m_storage->length() : 0; }

Range LayoutManager::glyphRangeForCharacterRange(Range characterRange, Range* actualCharacterRange) const
{
    if (actualCharacterRange)
        *actualCharacterRange = characterRange;
    return characterRange;
}

Range LayoutManager::characterRangeForGlyphRange(Range glyphRange, Range* actualGlyphRange) const
{
    if (actualGlyphRange)
        *actualGlyphRange = glyphRange;
    return glyphRange;
}

void LayoutManager::ensureLayoutForGlyphRange(Range) {}
void LayoutManager::ensureLayoutForBoundingRect(const QRectF&) {}
Range LayoutManager::glyphRangeForBoundingRect(const QRectF&) { return Range(); }
QRectF LayoutManager::boundingRectForGlyphRange(Range) { return QRectF(); }
QRectF LayoutManager::lineFragmentRectForGlyphAtIndex(qsizetype, Range*) { return QRectF(); }
QRectF LayoutManager::lineFragmentUsedRectForGlyphAtIndex(qsizetype, Range*) { return QRectF(); }
void LayoutManager::enumerateLineFragmentsForGlyphRange(
    Range, const std::function<void(QRectF, QRectF, Range, bool&)>&)
{
}
qsizetype LayoutManager::glyphIndexForPoint(QPointF) { return 0; }
qsizetype LayoutManager::characterIndexForInsertionAtPoint(QPointF) { return 0; }
QRectF LayoutManager::insertionRectForCharacterIndex(qsizetype, SelectionAffinity) { return QRectF(); }
Range LayoutManager::lineGlyphRangeForIndex(qsizetype, SelectionAffinity) { return Range(); }
Range LayoutManager::paragraphRangeForIndex(qsizetype) const { return Range(); }
qreal LayoutManager::usedHeight() const { return 0; }
QRectF LayoutManager::usedRectForTextContainer() const { return QRectF(); }

qreal LayoutManager::defaultLineHeightForFont(const Font& font)
{
    return QFontMetricsF(font.toQFont()).lineSpacing();
}

void LayoutManager::drawBackgroundForGlyphRange(Range, QPointF, Painter&) {}
void LayoutManager::fillBackgroundRectArray(const QList<QRectF>& rects, Range, const QColor& color, Painter& painter)
{
    for (const QRectF& rect : rects)
        painter.fillRect(rect, color);
}
void LayoutManager::drawGlyphsForGlyphRange(Range, QPointF, Painter&) {}
QImage LayoutManager::imageForAttachment(const Value& attachment, qsizetype) const
{
    const auto image = attachment.toObject<Image>();
    return image ? image->qimage() : QImage();
}

void LayoutManager::setDefaultFont(const QFont& font) { m_defaultFont = font; }
void LayoutManager::setPreedit(qsizetype, const QString&, qsizetype) {}
void LayoutManager::invalidateAllLayouts() {}

qsizetype LayoutManager::paragraphIndexForCharacter(qsizetype) const { return 0; }
qsizetype LayoutManager::paragraphStart(qsizetype) const { return 0; }
qreal LayoutManager::paragraphTop(qsizetype) const { return 0; }
qsizetype LayoutManager::paragraphIndexForY(qreal) const { return 0; }
LayoutManager::Paragraph& LayoutManager::laidOutParagraph(qsizetype paragraph) { return m_paragraphs[paragraph]; }
void LayoutManager::drawRunsOfLine(qsizetype, const Line&, Range, QPointF, Painter&) {}

} // namespace plat
