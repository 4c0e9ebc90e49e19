#include "platform/ui/LayoutManager.h"

#include "platform/graphics/Image.h"
#include "platform/text/Color.h"
#include "platform/text/Font.h"
#include "platform/text/ParagraphStyle.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Typesetter.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>

namespace plat {

namespace {

// Fenwick trees, 1-based, over paragraph lengths and heights.
template <typename T>
void fenwickBuild(std::vector<T>& tree, const std::vector<T>& values)
{
    tree.assign(values.size() + 1, T());
    for (std::size_t i = 1; i <= values.size(); ++i) {
        tree[i] += values[i - 1];
        const std::size_t parent = i + (i & (~i + 1));
        if (parent < tree.size())
            tree[parent] += tree[i];
    }
}

template <typename T>
void fenwickAdd(std::vector<T>& tree, std::size_t index, T delta)
{
    for (std::size_t i = index + 1; i < tree.size(); i += i & (~i + 1))
        tree[i] += delta;
}

// The sum of the first count values.
template <typename T>
T fenwickPrefix(const std::vector<T>& tree, std::size_t count)
{
    T sum = T();
    for (std::size_t i = count; i > 0; i -= i & (~i + 1))
        sum += tree[i];
    return sum;
}

// How many leading values sum to at most target.
template <typename T>
std::size_t fenwickCountUpTo(const std::vector<T>& tree, T target)
{
    const std::size_t n = tree.size() - 1;
    std::size_t position = 0;
    std::size_t step = 1;
    while (step * 2 <= n)
        step *= 2;
    for (; step > 0; step /= 2) {
        if (position + step <= n && tree[position + step] <= target) {
            position += step;
            target -= tree[position];
        }
    }
    return position;
}

bool isParagraphSeparator(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar(0x2029);
}

// Paragraph lengths (with separators) of text[from, to); atEnd adds the last,
// separator-less paragraph even when it is empty.
std::vector<qsizetype> splitParagraphs(const QString& text, qsizetype from, qsizetype to, bool atEnd)
{
    std::vector<qsizetype> lengths;
    qsizetype start = from;
    for (qsizetype i = from; i < to; ++i) {
        const QChar c = text.at(i);
        if (!isParagraphSeparator(c))
            continue;
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        lengths.push_back(i + 1 - start);
        start = i + 1;
    }
    if (start < to || atEnd)
        lengths.push_back(to - start);
    return lengths;
}

qsizetype separatorLength(const QString& text, qsizetype start, qsizetype length)
{
    if (length == 0)
        return 0;
    const QChar last = text.at(start + length - 1);
    if (!isParagraphSeparator(last))
        return 0;
    return last == u'\n' && length >= 2 && text.at(start + length - 2) == u'\r' ? 2 : 1;
}

QFont fontOf(const Attributes& attributes, const QFont& fallback)
{
    const auto font = attributes.value(FontAttribute).toObject<Font>();
    return font ? font->toQFont() : fallback;
}

} // namespace

LayoutManager::LayoutManager()
{
    setDefaultFont(QGuiApplication::font());
}

LayoutManager::~LayoutManager()
{
    detach();
}

void LayoutManager::setTypesetter(std::shared_ptr<Typesetter> typesetter)
{
    if (m_typesetter)
        m_typesetter->setLayoutManager(nullptr);
    m_typesetter = std::move(typesetter);
    if (m_typesetter)
        m_typesetter->setLayoutManager(this);
    invalidateAllLayouts();
}

void LayoutManager::setTextView(TextView* textView)
{
    detach();
    m_textView = textView;
    attach();
}

void LayoutManager::storageChanged()
{
    detach();
    attach();
}

void LayoutManager::attach()
{
    m_storage = m_textView ? m_textView->textStorage() : nullptr;
    if (m_storage) {
        m_observer = m_storage->addObserver([this](TextStorage& storage, TextStorage::Phase phase) {
            if (phase == TextStorage::Phase::DidProcessEditing)
                processEditing(storage.editedMask(), storage.editedRange(), storage.changeInLength());
        });
    }
    rebuildParagraphs();
}

void LayoutManager::detach()
{
    if (m_storage)
        m_storage->removeObserver(m_observer);
    m_storage.reset();
    m_observer = 0;
}

void LayoutManager::setContainerWidth(qreal width)
{
    width = std::max<qreal>(width, 1);
    if (qFuzzyCompare(width, m_containerWidth))
        return;
    m_containerWidth = width;
    invalidateAllLayouts();
}

void LayoutManager::setDefaultFont(const QFont& font)
{
    m_defaultFont = font;
    const QFontMetricsF metrics(font);
    m_defaultLineHeight = metrics.height();
    m_averageCharWidth = metrics.averageCharWidth();
    invalidateAllLayouts();
}

void LayoutManager::invalidateAllLayouts()
{
    for (Paragraph& paragraph : m_paragraphs)
        dropLayout(paragraph);
    notifyChanged(QRectF(0, 0, m_containerWidth, std::numeric_limits<qreal>::max() / 4));
}

void LayoutManager::rebuildParagraphs()
{
    m_paragraphs.clear();
    m_cachedLayouts = 0;
    const QString text = m_storage ? m_storage->string() : QString();
    for (qsizetype length : splitParagraphs(text, 0, text.size(), true)) {
        Paragraph paragraph;
        paragraph.length = length;
        paragraph.height = estimatedHeight(length);
        m_paragraphs.push_back(std::move(paragraph));
    }
    rebuildTrees();
}

void LayoutManager::rebuildTrees()
{
    std::vector<qsizetype> lengths;
    std::vector<qreal> heights;
    lengths.reserve(m_paragraphs.size());
    heights.reserve(m_paragraphs.size());
    for (const Paragraph& paragraph : m_paragraphs) {
        lengths.push_back(paragraph.length);
        heights.push_back(paragraph.height);
    }
    fenwickBuild(m_lengthTree, lengths);
    fenwickBuild(m_heightTree, heights);
}

qreal LayoutManager::estimatedHeight(qsizetype length) const
{
    const qreal perLine = std::max<qreal>(1, std::floor(m_containerWidth / std::max<qreal>(m_averageCharWidth, 1)));
    return m_defaultLineHeight * std::max<qreal>(1, std::ceil(qreal(length) / perLine));
}

void LayoutManager::setHeight(qsizetype paragraph, qreal height)
{
    Paragraph& p = m_paragraphs[std::size_t(paragraph)];
    if (height == p.height)
        return;
    fenwickAdd(m_heightTree, std::size_t(paragraph), height - p.height);
    p.height = height;
}

void LayoutManager::dropLayout(Paragraph& paragraph)
{
    if (paragraph.layout)
        --m_cachedLayouts;
    paragraph.layout.reset();
    paragraph.lines.clear();
    paragraph.attachments.clear();
    paragraph.exact = false; // the height stays as the estimate
}

void LayoutManager::notifyChanged(const QRectF& dirty)
{
    if (m_changed)
        m_changed(dirty);
}

// Only the paragraphs the edited range touches are split again and lose their
// layouts; the others keep theirs and move with the Fenwick sums.
void LayoutManager::processEditing(unsigned mask, Range editedRange, qsizetype changeInLength)
{
    if (!m_storage || editedRange.isNotFound())
        return;
    const QString& text = m_storage->string();
    if (mask & EditedCharacters) {
        const qsizetype oldEnd = editedRange.end() - changeInLength;
        qsizetype first = paragraphIndexForCharacter(editedRange.location);
        const qsizetype last = paragraphIndexForCharacter(oldEnd);
        // A lone CR before the edit may now pair with an LF the edit brought.
        if (first > 0 && editedRange.location == paragraphStart(first)) {
            const qsizetype before = paragraphStart(first) - 1;
            if (before >= 0 && before < text.size() && text.at(before) == u'\r')
                --first;
        }
        const qsizetype from = paragraphStart(first);
        const bool atEnd = last == paragraphCount() - 1;
        const qsizetype to = atEnd ? text.size() : paragraphStart(last) + m_paragraphs[std::size_t(last)].length + changeInLength;
        const std::vector<qsizetype> lengths = splitParagraphs(text, from, to, atEnd);
        const qreal top = paragraphTop(first);
        for (qsizetype i = first; i <= last; ++i)
            dropLayout(m_paragraphs[std::size_t(i)]);
        const qsizetype count = qsizetype(lengths.size());
        if (count == last - first + 1) {
            for (qsizetype i = 0; i < count; ++i) {
                Paragraph& paragraph = m_paragraphs[std::size_t(first + i)];
                fenwickAdd(m_lengthTree, std::size_t(first + i), lengths[std::size_t(i)] - paragraph.length);
                paragraph.length = lengths[std::size_t(i)];
            }
        } else {
            std::vector<Paragraph> fresh(lengths.size());
            for (qsizetype i = 0; i < count; ++i) {
                fresh[std::size_t(i)].length = lengths[std::size_t(i)];
                fresh[std::size_t(i)].height = estimatedHeight(lengths[std::size_t(i)]);
            }
            m_paragraphs.erase(m_paragraphs.begin() + first, m_paragraphs.begin() + last + 1);
            m_paragraphs.insert(m_paragraphs.begin() + first, std::make_move_iterator(fresh.begin()),
                                std::make_move_iterator(fresh.end()));
            rebuildTrees();
        }
        notifyChanged(QRectF(0, top, m_containerWidth, std::numeric_limits<qreal>::max() / 4));
        return;
    }
    // Attributes only: the same paragraphs, new fonts and colours.
    const qsizetype first = paragraphIndexForCharacter(editedRange.location);
    const qsizetype last = paragraphIndexForCharacter(std::max(editedRange.location, editedRange.end() - 1));
    for (qsizetype i = first; i <= last; ++i)
        dropLayout(m_paragraphs[std::size_t(i)]);
    notifyChanged(QRectF(0, paragraphTop(first), m_containerWidth, std::numeric_limits<qreal>::max() / 4));
}

qsizetype LayoutManager::paragraphIndexForCharacter(qsizetype index) const
{
    if (m_paragraphs.empty())
        return 0;
    const auto found = qsizetype(fenwickCountUpTo(m_lengthTree, std::max<qsizetype>(index, 0)));
    return std::min(found, paragraphCount() - 1);
}

qsizetype LayoutManager::paragraphStart(qsizetype paragraph) const
{
    return fenwickPrefix(m_lengthTree, std::size_t(paragraph));
}

qreal LayoutManager::paragraphTop(qsizetype paragraph) const
{
    return fenwickPrefix(m_heightTree, std::size_t(paragraph));
}

qsizetype LayoutManager::paragraphIndexForY(qreal y) const
{
    if (m_paragraphs.empty())
        return 0;
    const auto found = qsizetype(fenwickCountUpTo(m_heightTree, std::max<qreal>(y, 0)));
    return std::min(found, paragraphCount() - 1);
}

LayoutManager::Paragraph& LayoutManager::laidOutParagraph(qsizetype paragraph)
{
    if (!m_paragraphs[std::size_t(paragraph)].exact)
        layoutParagraph(paragraph);
    return m_paragraphs[std::size_t(paragraph)];
}

void LayoutManager::layoutParagraph(qsizetype index)
{
    Paragraph& paragraph = m_paragraphs[std::size_t(index)];
    dropLayout(paragraph);
    ++m_layoutsMade;
    ++m_cachedLayouts;
    const qsizetype start = paragraphStart(index);
    const QString& storageText = m_storage ? m_storage->string() : QString();
    paragraph.separatorLength = separatorLength(storageText, start, paragraph.length);
    const qsizetype textLength = paragraph.length - paragraph.separatorLength;
    QString text = storageText.mid(start, textLength);

    // Attributes of the paragraph (of the caret's typing attributes when empty).
    const Attributes first = start < (m_storage ? m_storage->length() : 0)
                                 ? m_storage->attributesAtIndex(start)
                                 : (m_textView ? m_textView->typingAttributes() : Attributes());
    const auto style = first.value(ParagraphStyleAttribute).toObject<ParagraphStyle>();

    QList<QTextLayout::FormatRange> formats;
    if (textLength > 0) {
        m_storage->enumerateAttributes(Range(start, textLength), 0,
                                       [&](const Attributes& attributes, Range range, bool*) {
            QTextLayout::FormatRange format;
            format.start = int(range.location - start);
            format.length = int(range.length);
            format.format.setFont(fontOf(attributes, m_defaultFont), QTextCharFormat::FontPropertiesAll);
            const Value kern = attributes.value(KernAttribute);
            if (kern.isNumber())
                format.format.setFontLetterSpacing(kern.toDouble()); // absolute set below
            if (kern.isNumber())
                format.format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
            if (attributes.value(UnderlineAttribute).toInteger() != 0)
                format.format.setFontUnderline(true);
            if (attributes.value(StrikethroughAttribute).toInteger() != 0)
                format.format.setFontStrikeOut(true);
            formats.append(format);
        });
    }
    // Attachments: a no-break space as wide as the image in the layout's copy,
    // so positions stay one to one.
    for (qsizetype i = text.indexOf(QChar(ObjectReplacementCharacter)); i >= 0;
         i = text.indexOf(QChar(ObjectReplacementCharacter), i + 1)) {
        const QImage image = imageForAttachment(m_storage->attributeAtIndex(AttachmentAttribute, start + i), start + i);
        if (image.isNull())
            continue;
        text[i] = QChar(0x00A0);
        const qreal width = image.width() / image.devicePixelRatio();
        const QFont font = fontOf(m_storage->attributesAtIndex(start + i), m_defaultFont);
        QTextLayout::FormatRange format;
        format.start = int(i);
        format.length = 1;
        format.format.setFont(font, QTextCharFormat::FontPropertiesAll);
        format.format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
        format.format.setFontLetterSpacing(width - QFontMetricsF(font).horizontalAdvance(QChar(0x00A0)));
        formats.append(format);
        paragraph.attachments.emplace_back(i, image);
    }

    auto layout = std::make_unique<QTextLayout>(text, textLength > 0 ? m_defaultFont : fontOf(first, m_defaultFont));
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    if (style) {
        switch (style->alignment()) {
        case TextAlignment::Center: option.setAlignment(Qt::AlignHCenter); break;
        case TextAlignment::Right: option.setAlignment(Qt::AlignRight); break;
        case TextAlignment::Justified: option.setAlignment(Qt::AlignJustify); break;
        default: option.setAlignment(Qt::AlignLeft); break;
        }
        if (style->defaultTabInterval() > 0)
            option.setTabStopDistance(style->defaultTabInterval());
        QList<QTextOption::Tab> tabs;
        for (const auto& tab : style->tabStops())
            tabs.append(QTextOption::Tab(tab->location(), tab->alignment() == TextAlignment::Right ? QTextOption::RightTab
                                                          : tab->alignment() == TextAlignment::Center ? QTextOption::CenterTab
                                                                                                      : QTextOption::LeftTab));
        option.setTabs(tabs);
    }
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    if (!m_preeditText.isEmpty() && m_preeditAt >= start && m_preeditAt <= start + textLength) {
        paragraph.preeditAt = m_preeditAt - start;
        paragraph.preeditLength = m_preeditText.size();
        layout->setPreeditArea(int(paragraph.preeditAt), m_preeditText);
        // The formats count positions in the text with the preedit.
        for (QTextLayout::FormatRange& format : formats) {
            const int end = paragraph.toLayout(format.start + format.length);
            format.start = paragraph.toLayoutStart(format.start);
            format.length = std::max(0, end - format.start);
        }
    } else {
        paragraph.preeditAt = -1;
        paragraph.preeditLength = 0;
    }
    layout->setFormats(formats);

    const qreal headIndent = style ? style->headIndent() : 0;
    const qreal firstIndent = style ? style->firstLineHeadIndent() : 0;
    const qreal tailIndent = style ? style->tailIndent() : 0;
    const qreal right = tailIndent > 0 ? tailIndent : m_containerWidth + tailIndent;
    const int layoutLength = int(text.size() + paragraph.preeditLength);
    QString breakText; // the layout's text with the preedit, for break candidates
    qreal y = style && index > 0 ? style->paragraphSpacingBefore() : 0;

    layout->beginLayout();
    for (;;) {
        QTextLine line = layout->createLine();
        if (!line.isValid())
            break;
        const qreal indent = line.lineNumber() == 0 ? firstIndent : headIndent;
        line.setLineWidth(std::max<qreal>(right - indent, 1));
        const int lineStart = line.textStart();
        const int natural = lineStart + line.textLength();
        if (m_typesetter && natural < layoutLength && line.textLength() > 0
            && !m_typesetter->shouldBreakLineByWordBeforeCharacterAtIndex(start + paragraph.fromLayout(natural))) {
            // The break falls inside a run that must stay whole: break at the
            // last allowed candidate before it, if the line has one.
            if (breakText.isNull())
                breakText = layout->text().insert(int(std::max<qsizetype>(paragraph.preeditAt, 0)),
                                                  paragraph.preeditAt >= 0 ? m_preeditText : QString());
            QTextBoundaryFinder finder(QTextBoundaryFinder::Line, breakText);
            finder.setPosition(natural);
            for (qsizetype candidate = finder.toPreviousBoundary(); candidate > lineStart;
                 candidate = finder.toPreviousBoundary()) {
                if (m_typesetter->shouldBreakLineByWordBeforeCharacterAtIndex(start + paragraph.fromLayout(int(candidate)))) {
                    line.setNumColumns(int(candidate) - lineStart);
                    break;
                }
            }
        }
        const int lineEnd = line.textStart() + line.textLength();
        qreal ascent = line.ascent();
        qreal height = line.height();
        for (const auto& [at, image] : paragraph.attachments) {
            const int position = paragraph.toLayoutStart(at);
            if (position >= lineStart && position < lineEnd) {
                const qreal imageHeight = image.height() / image.devicePixelRatio();
                if (imageHeight > ascent) {
                    height += imageHeight - ascent;
                    ascent = imageHeight;
                }
            }
        }
        if (style) {
            height += style->lineSpacing();
            if (style->lineHeightMultiple() > 0)
                height *= style->lineHeightMultiple();
        }
        const qsizetype from = paragraph.fromLayout(lineStart);
        qsizetype to = paragraph.fromLayout(lineEnd);
        if (lineEnd >= layoutLength)
            to = paragraph.length; // the last line holds the separator
        QRectF lineRect(0, y, m_containerWidth, height);
        QRectF usedRect(indent, y, line.naturalTextWidth(), height);
        qreal baseline = ascent;
        if (m_typesetter)
            m_typesetter->willSetLineFragmentRect(lineRect, Range(start + from, to - from), usedRect, baseline);
        line.setPosition(QPointF(indent, lineRect.top() + baseline - line.ascent()));
        paragraph.lines.push_back(Line{Range(start + from, to - from), lineRect, usedRect, baseline,
                                       line.lineNumber(), indent});
        y = lineRect.bottom();
    }
    layout->endLayout();
    if (style)
        y += style->paragraphSpacing();
    paragraph.layout = std::move(layout);
    paragraph.exact = true;
    setHeight(index, y);
}

void LayoutManager::ensureLayoutForGlyphRange(Range glyphRange)
{
    if (m_paragraphs.empty())
        return;
    const qsizetype first = paragraphIndexForCharacter(glyphRange.location);
    const qsizetype last = paragraphIndexForCharacter(std::max(glyphRange.location, glyphRange.end() - 1));
    for (qsizetype i = first; i <= last; ++i)
        laidOutParagraph(i);
}

void LayoutManager::ensureLayoutForBoundingRect(const QRectF& rect)
{
    if (m_paragraphs.empty())
        return;
    const qsizetype first = paragraphIndexForY(rect.top());
    qsizetype last = first;
    for (qsizetype i = first; i < paragraphCount() && paragraphTop(i) <= rect.bottom(); ++i) {
        laidOutParagraph(i);
        last = i;
    }
    if (m_cacheLimit > 0 && m_cachedLayouts > m_cacheLimit)
        trimCache(first, last);
}

// Keeps the layouts of [firstKept, lastKept] and of the paragraphs closest to
// them, up to half the limit.
void LayoutManager::trimCache(qsizetype firstKept, qsizetype lastKept)
{
    const qsizetype spare = std::max<qsizetype>(0, m_cacheLimit / 2 - (lastKept - firstKept + 1)) / 2;
    const qsizetype from = firstKept - spare;
    const qsizetype to = lastKept + spare;
    for (qsizetype i = 0; i < paragraphCount(); ++i) {
        if (i >= from && i <= to)
            continue;
        Paragraph& paragraph = m_paragraphs[std::size_t(i)];
        if (paragraph.layout)
            dropLayout(paragraph);
    }
}

Range LayoutManager::glyphRangeForBoundingRect(const QRectF& rect)
{
    if (m_paragraphs.empty())
        return Range();
    ensureLayoutForBoundingRect(rect);
    const qsizetype first = paragraphIndexForY(rect.top());
    const qsizetype last = paragraphIndexForY(rect.bottom());
    const qsizetype start = paragraphStart(first);
    return Range(start, paragraphStart(last) + m_paragraphs[std::size_t(last)].length - start);
}

qsizetype LayoutManager::numberOfGlyphs() const
{
    return m_storage ? m_storage->length() : 0;
}

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

std::size_t LayoutManager::lineIndexForCharacter(const Paragraph& paragraph, qsizetype, qsizetype index,
                                                 SelectionAffinity affinity) const
{
    const auto& lines = paragraph.lines;
    // The first line ending after index (or at it, upstream).
    auto it = std::partition_point(lines.begin(), lines.end(), [&](const Line& line) {
        return affinity == SelectionAffinity::Upstream ? line.range.end() < index : line.range.end() <= index;
    });
    if (affinity == SelectionAffinity::Upstream && it != lines.end() && it->range.location == index
        && it != lines.begin())
        --it;
    if (it == lines.end())
        return lines.empty() ? 0 : lines.size() - 1;
    return std::size_t(it - lines.begin());
}

void LayoutManager::enumerateLineFragmentsForGlyphRange(
    Range glyphRange, const std::function<void(QRectF, QRectF, Range, bool&)>& block)
{
    if (m_paragraphs.empty())
        return;
    const qsizetype first = paragraphIndexForCharacter(glyphRange.location);
    const qsizetype last = paragraphIndexForCharacter(std::max(glyphRange.location, glyphRange.end() - 1));
    bool stop = false;
    for (qsizetype p = first; p <= last && !stop; ++p) {
        const Paragraph& paragraph = laidOutParagraph(p);
        const qreal top = paragraphTop(p);
        for (const Line& line : paragraph.lines) {
            const bool meets = glyphRange.isEmpty() ? line.range.contains(glyphRange.location)
                                                          || (line.range.end() == glyphRange.location && &line == &paragraph.lines.back())
                                                    : intersection(line.range, glyphRange).length > 0;
            if (!meets)
                continue;
            block(line.rect.translated(0, top), line.usedRect.translated(0, top), line.range, stop);
            if (stop)
                break;
        }
    }
}

QRectF LayoutManager::lineFragmentRectForGlyphAtIndex(qsizetype glyphIndex, Range* effectiveGlyphRange)
{
    if (m_paragraphs.empty())
        return QRectF();
    const qsizetype p = paragraphIndexForCharacter(glyphIndex);
    const Paragraph& paragraph = laidOutParagraph(p);
    const Line& line = paragraph.lines[lineIndexForCharacter(paragraph, 0, glyphIndex, SelectionAffinity::Downstream)];
    if (effectiveGlyphRange)
        *effectiveGlyphRange = line.range;
    return line.rect.translated(0, paragraphTop(p));
}

QRectF LayoutManager::lineFragmentUsedRectForGlyphAtIndex(qsizetype glyphIndex, Range* effectiveGlyphRange)
{
    if (m_paragraphs.empty())
        return QRectF();
    const qsizetype p = paragraphIndexForCharacter(glyphIndex);
    const Paragraph& paragraph = laidOutParagraph(p);
    const Line& line = paragraph.lines[lineIndexForCharacter(paragraph, 0, glyphIndex, SelectionAffinity::Downstream)];
    if (effectiveGlyphRange)
        *effectiveGlyphRange = line.range;
    return line.usedRect.translated(0, paragraphTop(p));
}

QList<QRectF> LayoutManager::rectArrayForCharacterRange(Range characterRange)
{
    QList<QRectF> rects;
    if (m_paragraphs.empty())
        return rects;
    const qsizetype first = paragraphIndexForCharacter(characterRange.location);
    const qsizetype last = paragraphIndexForCharacter(std::max(characterRange.location, characterRange.end() - 1));
    for (qsizetype p = first; p <= last; ++p) {
        const Paragraph& paragraph = laidOutParagraph(p);
        const qsizetype start = paragraphStart(p);
        const qreal top = paragraphTop(p);
        const qsizetype textEnd = start + paragraph.length - paragraph.separatorLength;
        for (const Line& line : paragraph.lines) {
            const Range piece = intersection(line.range, characterRange);
            if (piece.length == 0)
                continue;
            const QTextLine qtLine = paragraph.layout->lineAt(line.qtLine);
            const qreal x0 = qtLine.cursorToX(paragraph.toLayoutStart(piece.location - start));
            const bool toEdge = characterRange.end() > std::min(line.range.end(), textEnd);
            const qreal x1 = toEdge ? line.rect.right()
                                    : qtLine.cursorToX(paragraph.toLayout(piece.end() - start));
            rects.append(QRectF(std::min(x0, x1), top + line.rect.top(), std::abs(x1 - x0), line.rect.height()));
        }
    }
    return rects;
}

QRectF LayoutManager::boundingRectForGlyphRange(Range glyphRange)
{
    QRectF bounds;
    for (const QRectF& rect : rectArrayForCharacterRange(glyphRange))
        bounds = bounds.isNull() ? rect : bounds.united(rect);
    if (bounds.isNull() && !m_paragraphs.empty())
        bounds = insertionRectForCharacterIndex(glyphRange.location);
    return bounds;
}

LayoutManager::LineHit LayoutManager::lineAtPoint(QPointF point, QTextLine::CursorPosition position)
{
    const qsizetype p = paragraphIndexForY(point.y());
    const Paragraph& paragraph = laidOutParagraph(p);
    const qreal y = point.y() - paragraphTop(p);
    auto it = std::partition_point(paragraph.lines.begin(), paragraph.lines.end(),
                                   [&](const Line& line) { return line.rect.bottom() <= y; });
    if (it == paragraph.lines.end())
        --it;
    const QTextLine qtLine = paragraph.layout->lineAt(it->qtLine);
    const qsizetype start = paragraphStart(p);
    return LineHit{&paragraph, &*it, start, start + paragraph.fromLayout(qtLine.xToCursor(point.x(), position))};
}

qsizetype LayoutManager::glyphIndexForPoint(QPointF point)
{
    if (m_paragraphs.empty() || numberOfGlyphs() == 0)
        return 0;
    const LineHit hit = lineAtPoint(point, QTextLine::CursorOnCharacter);
    const Range line = hit.line->range;
    return std::clamp(hit.index, line.location, std::max(line.location, line.end() - 1));
}

qsizetype LayoutManager::characterIndexForInsertionAtPoint(QPointF point)
{
    if (m_paragraphs.empty() || numberOfGlyphs() == 0)
        return 0;
    const LineHit hit = lineAtPoint(point, QTextLine::CursorBetweenCharacters);
    const qsizetype textEnd = hit.paragraphStart + hit.paragraph->length - hit.paragraph->separatorLength;
    const Range line = hit.line->range;
    return std::clamp(hit.index, line.location, std::min(line.end(), textEnd));
}

QRectF LayoutManager::insertionRectForCharacterIndex(qsizetype index, SelectionAffinity affinity)
{
    if (m_paragraphs.empty())
        return QRectF(0, 0, 0, m_defaultLineHeight);
    index = std::clamp<qsizetype>(index, 0, numberOfGlyphs());
    const qsizetype p = paragraphIndexForCharacter(index);
    const Paragraph& paragraph = laidOutParagraph(p);
    const qsizetype start = paragraphStart(p);
    const Line& line = paragraph.lines[lineIndexForCharacter(paragraph, start, index, affinity)];
    const QTextLine qtLine = paragraph.layout->lineAt(line.qtLine);
    const qsizetype textEnd = start + paragraph.length - paragraph.separatorLength;
    const qsizetype local = std::min(index, textEnd) - start;
    int position = paragraph.toLayout(local);
    if (paragraph.preeditAt >= 0 && local == paragraph.preeditAt)
        position = int(local + (m_preeditCursor >= 0 ? std::min<qsizetype>(m_preeditCursor, paragraph.preeditLength)
                                                     : paragraph.preeditLength));
    const qreal x = qtLine.cursorToX(position);
    return QRectF(x, paragraphTop(p) + line.rect.top(), 0, line.rect.height());
}

Range LayoutManager::lineGlyphRangeForIndex(qsizetype index, SelectionAffinity affinity)
{
    if (m_paragraphs.empty())
        return Range();
    index = std::clamp<qsizetype>(index, 0, numberOfGlyphs());
    const qsizetype p = paragraphIndexForCharacter(index);
    const Paragraph& paragraph = laidOutParagraph(p);
    return paragraph.lines[lineIndexForCharacter(paragraph, paragraphStart(p), index, affinity)].range;
}

Range LayoutManager::paragraphRangeForIndex(qsizetype index) const
{
    if (m_paragraphs.empty())
        return Range();
    const qsizetype p = paragraphIndexForCharacter(index);
    return Range(paragraphStart(p), m_paragraphs[std::size_t(p)].length);
}

qreal LayoutManager::usedHeight() const
{
    return fenwickPrefix(m_heightTree, m_paragraphs.size());
}

QRectF LayoutManager::usedRectForTextContainer() const
{
    return QRectF(0, 0, m_containerWidth, usedHeight());
}

qreal LayoutManager::defaultLineHeightForFont(const Font& font)
{
    return QFontMetricsF(font.toQFont()).height();
}

void LayoutManager::drawBackgroundForGlyphRange(Range glyphRange, QPointF origin, Painter& painter)
{
    if (!m_storage || m_paragraphs.empty())
        return;
    const Range inText = intersection(glyphRange, Range(0, m_storage->length()));
    if (inText.length > 0) {
        m_storage->enumerateAttribute(BackgroundColorAttribute, inText, 0, [&](const Value& value, Range range, bool*) {
            const auto color = value.toObject<Color>();
            if (!color)
                return;
            QList<QRectF> rects = rectArrayForCharacterRange(range);
            for (QRectF& rect : rects)
                rect.translate(origin);
            fillBackgroundRectArray(rects, range, color->toQColor(), painter);
        });
    }
    if (!m_textView)
        return;
    const Range selection = m_textView->selectedRange();
    const Range shown = intersection(selection, glyphRange);
    if (selection.length == 0 || shown.length == 0)
        return;
    QList<QRectF> rects = rectArrayForCharacterRange(shown);
    for (QRectF& rect : rects)
        rect.translate(origin);
    fillBackgroundRectArray(rects, shown, m_selectionColor, painter);
}

void LayoutManager::fillBackgroundRectArray(const QList<QRectF>& rects, Range, const QColor& color, Painter& painter)
{
    for (const QRectF& rect : rects)
        painter.fillRect(rect, color);
}

void LayoutManager::drawGlyphsForGlyphRange(Range glyphRange, QPointF origin, Painter& painter)
{
    if (!m_storage || m_paragraphs.empty())
        return;
    const qsizetype first = paragraphIndexForCharacter(glyphRange.location);
    const qsizetype last = paragraphIndexForCharacter(std::max(glyphRange.location, glyphRange.end() - 1));
    for (qsizetype p = first; p <= last; ++p) {
        const Paragraph& paragraph = laidOutParagraph(p);
        const QPointF at = origin + QPointF(0, paragraphTop(p));
        const qsizetype start = paragraphStart(p);
        for (const Line& line : paragraph.lines) {
            const Range piece = intersection(line.range, glyphRange);
            if (piece.length > 0)
                drawRunsOfLine(p, line, piece, at, painter);
        }
        // The preedit belongs to no storage range: drawn with the paragraph
        // that holds its position.
        if (paragraph.preeditAt >= 0 && glyphRange.location <= start + paragraph.preeditAt
            && start + paragraph.preeditAt <= glyphRange.end()) {
            const auto runs = paragraph.layout->glyphRuns(int(paragraph.preeditAt), int(paragraph.preeditLength));
            for (const QGlyphRun& run : runs)
                painter.drawPreedit(at, run, m_textColor, start + paragraph.preeditAt);
        }
    }
}

void LayoutManager::drawRunsOfLine(qsizetype p, const Line& line, Range range, QPointF origin, Painter& painter)
{
    const Paragraph& paragraph = m_paragraphs[std::size_t(p)];
    const qsizetype start = paragraphStart(p);
    const qsizetype textEnd = start + paragraph.length - paragraph.separatorLength;
    range = intersection(range, Range(start, textEnd - start));
    if (range.length == 0)
        return;
    const QTextLine qtLine = paragraph.layout->lineAt(line.qtLine);
    // Per attribute run, so that each glyph run knows the characters it shows.
    m_storage->enumerateAttributes(range, 0, [&](const Attributes& attributes, Range piece, bool*) {
        const auto color = attributes.value(ForegroundColorAttribute).toObject<Color>();
        const QColor qcolor = color ? color->toQColor() : m_textColor;
        const int from = paragraph.toLayoutStart(piece.location - start);
        const int to = paragraph.toLayout(piece.end() - start);
        const auto runs = qtLine.glyphRuns(from, to - from);
        for (const QGlyphRun& run : runs)
            painter.drawGlyphRun(origin, run, qcolor, piece);
    });
    for (const auto& [at, image] : paragraph.attachments) {
        if (!range.contains(start + at))
            continue;
        const qreal x = qtLine.cursorToX(paragraph.toLayoutStart(at));
        const qreal height = image.height() / image.devicePixelRatio();
        painter.drawImage(origin + QPointF(x, line.rect.top() + line.baseline - height), image, 1.0);
    }
}

QImage LayoutManager::imageForAttachment(const Value& attachment, qsizetype) const
{
    const auto image = attachment.toObject<Image>();
    return image ? image->qimage() : QImage();
}

void LayoutManager::setPreedit(qsizetype at, const QString& text, qsizetype cursor)
{
    const qsizetype before = m_preeditAt;
    m_preeditText = text;
    m_preeditAt = text.isEmpty() ? -1 : at;
    m_preeditCursor = cursor;
    for (qsizetype position : {before, m_preeditAt}) {
        if (position < 0 || m_paragraphs.empty())
            continue;
        const qsizetype p = paragraphIndexForCharacter(position);
        dropLayout(m_paragraphs[std::size_t(p)]);
        notifyChanged(QRectF(0, paragraphTop(p), m_containerWidth, std::numeric_limits<qreal>::max() / 4));
    }
}

} // namespace plat
