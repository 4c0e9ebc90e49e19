// The layout manager: what it paints (as recorded data), where lines go, and
// how little it lays out again after an edit.
#include "platform/graphics/Image.h"
#include "platform/text/Color.h"
#include "platform/text/Font.h"
#include "platform/ui/LayoutManager.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Typesetter.h"
#include "ViewTestSupport.h"

#include <QFontMetricsF>
#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace plat;

namespace {

struct Laid {
    TextView model;
    std::shared_ptr<LayoutManager> layout;

    explicit Laid(const QString& text, std::shared_ptr<LayoutManager> manager = std::make_shared<LayoutManager>(),
                  qreal width = 400)
        : layout(std::move(manager))
    {
        model.textStorage()->replaceCharacters(Range(0, 0), AttributedString(text));
        layout->setTextView(&model);
        layout->setContainerWidth(width);
    }
    TextStorage& storage() { return *model.textStorage(); }
    RecordingPainter paintAll()
    {
        RecordingPainter painter;
        const Range all(0, storage().length());
        layout->ensureLayoutForGlyphRange(all);
        layout->drawBackgroundForGlyphRange(all, QPointF(), painter);
        layout->drawGlyphsForGlyphRange(all, QPointF(), painter);
        return painter;
    }
};

// Hides the given ranges the way an editor hides markers: the base draws
// only the pieces between them.
class HidingLayoutManager : public LayoutManager {
public:
    std::vector<Range> hidden;
    void drawGlyphsForGlyphRange(Range glyphRange, QPointF origin, Painter& painter) override
    {
        qsizetype at = glyphRange.location;
        for (Range h : hidden) {
            if (h.location > at)
                LayoutManager::drawGlyphsForGlyphRange(Range(at, std::min(h.location, glyphRange.end()) - at), origin, painter);
            at = std::max(at, h.end());
        }
        if (at < glyphRange.end())
            LayoutManager::drawGlyphsForGlyphRange(Range(at, glyphRange.end() - at), origin, painter);
    }
};

class GapTypesetter : public Typesetter {
public:
    qreal gap = 10;
    void willSetLineFragmentRect(QRectF& lineRect, Range, QRectF& usedRect, qreal& baselineOffset) override
    {
        lineRect.setHeight(lineRect.height() + gap);
        usedRect.setHeight(usedRect.height() + gap);
        baselineOffset += gap / 2;
    }
};

class VetoTypesetter : public Typesetter {
public:
    Range keepWhole;
    bool shouldBreakLineByWordBeforeCharacterAtIndex(qsizetype index) override
    {
        return !(index > keepWhole.location && index < keepWhole.end());
    }
};

qreal firstGlyphX(const RecordingPainter& painter, qsizetype character)
{
    for (const auto& call : painter.callsOf(RecordingPainter::Kind::GlyphRun)) {
        if (call.characters.location == character && !call.glyphX.isEmpty())
            return call.glyphX.first();
    }
    return -1;
}

TEST(LayoutManager, HiddenMarkersAreNotPaintedButKeepTheirWidth)
{
    const QString text = QStringLiteral("**bold** rest");
    Laid plain(text);
    auto hiding = std::make_shared<HidingLayoutManager>();
    hiding->hidden = {Range(0, 2), Range(6, 2)};
    Laid hidden(text, hiding);

    const RecordingPainter shown = plain.paintAll();
    const RecordingPainter painted = hidden.paintAll();
    for (const auto& call : painted.callsOf(RecordingPainter::Kind::GlyphRun)) {
        for (Range h : hiding->hidden)
            EXPECT_EQ(intersection(call.characters, h).length, 0) << qPrintable(toString(call.characters));
    }
    int glyphs = 0;
    for (const auto& call : painted.callsOf(RecordingPainter::Kind::GlyphRun))
        glyphs += int(call.glyphX.size());
    EXPECT_EQ(glyphs, text.size() - 4) << "every character but the markers";
    // "bold" and " rest" sit where they sit with the markers shown.
    for (qsizetype at : {2, 8}) {
        ASSERT_GT(firstGlyphX(painted, at), 0);
        EXPECT_NEAR(firstGlyphX(painted, at), plain.layout->insertionRectForCharacterIndex(at).x(), 0.01);
    }
    EXPECT_LT(firstGlyphX(shown, 0), firstGlyphX(painted, 2));
}

TEST(LayoutManager, TypesetterGapMovesLinesAndHalfMovesBaselines)
{
    const QString text = QStringLiteral("one\ntwo\nthree");
    Laid plain(text);
    auto gapped = std::make_shared<LayoutManager>();
    auto typesetter = std::make_shared<GapTypesetter>();
    gapped->setTypesetter(typesetter);
    Laid spaced(text, gapped);
    EXPECT_EQ(typesetter->layoutManager(), gapped.get());

    for (qsizetype line = 0; line < 3; ++line) {
        const qsizetype index = std::vector<qsizetype>{0, 4, 8}[std::size_t(line)];
        const QRectF before = plain.layout->lineFragmentRectForGlyphAtIndex(index);
        const QRectF after = spaced.layout->lineFragmentRectForGlyphAtIndex(index);
        EXPECT_DOUBLE_EQ(after.top(), before.top() + 10 * line);
        EXPECT_DOUBLE_EQ(after.height(), before.height() + 10);
    }
    const auto plainRuns = plain.paintAll().callsOf(RecordingPainter::Kind::GlyphRun);
    const auto spacedRuns = spaced.paintAll().callsOf(RecordingPainter::Kind::GlyphRun);
    ASSERT_EQ(plainRuns.size(), 3);
    ASSERT_EQ(spacedRuns.size(), 3);
    for (int line = 0; line < 3; ++line)
        EXPECT_DOUBLE_EQ(spacedRuns[line].baseline, plainRuns[line].baseline + 10 * line + 5);
    EXPECT_DOUBLE_EQ(spaced.layout->usedHeight(), plain.layout->usedHeight() + 30);
}

TEST(LayoutManager, VetoedBreakKeepsARunOnOneLine)
{
    const QString text = QStringLiteral("aaaa bbbb [tag stays] cccc");
    const qsizetype tagStart = text.indexOf(u'[');
    const Range tag(tagStart, text.indexOf(u']') + 1 - tagStart);
    const qreal width = QFontMetricsF(LayoutManager().defaultFont()).horizontalAdvance(QStringLiteral("aaaa bbbb [tag ")) + 2;

    Laid natural(text, std::make_shared<LayoutManager>(), width);
    const Range naturalLine = natural.layout->lineGlyphRangeForIndex(0);
    ASSERT_TRUE(naturalLine.end() > tag.location && naturalLine.end() < tag.end())
        << "the fixture must break inside the tag: " << qPrintable(toString(naturalLine));

    auto manager = std::make_shared<LayoutManager>();
    auto veto = std::make_shared<VetoTypesetter>();
    veto->keepWhole = tag;
    manager->setTypesetter(veto);
    Laid kept(text, manager, width);
    EXPECT_EQ(kept.layout->lineGlyphRangeForIndex(0).end(), tag.location);
    EXPECT_TRUE(kept.layout->lineGlyphRangeForIndex(tag.location).containsRange(tag));
}

TEST(LayoutManager, AnEditLaysOutOnlyTheParagraphsItTouched)
{
    Laid laid(QStringLiteral("zero\none\ntwo\nthree\nfour"));
    const auto layoutAll = [&] { laid.layout->ensureLayoutForGlyphRange(Range(0, laid.storage().length())); };
    layoutAll();
    EXPECT_EQ(laid.layout->layoutsMade(), 5);

    struct Step {
        const char* name;
        std::function<void(TextStorage&)> edit;
        qsizetype paragraphs;
        qsizetype layouts;
    };
    const std::vector<Step> steps{
        {"typing in one paragraph", [](TextStorage& s) { s.replaceCharacters(Range(10, 0), QStringLiteral("w")); }, 5, 1},
        {"splitting a paragraph", [](TextStorage& s) { s.replaceCharacters(Range(6, 0), QStringLiteral("\n")); }, 6, 2},
        {"joining two paragraphs", [](TextStorage& s) { s.replaceCharacters(Range(6, 1), QString()); }, 5, 1},
        {"colouring a word", [](TextStorage& s) {
             s.addAttributes(Attributes{{ForegroundColorAttribute, Color::rgba(1, 0, 0)}}, Range(15, 3));
         }, 5, 1},
        {"CR then LF makes one separator",
         [](TextStorage& s) {
             s.replaceCharacters(Range(4, 1), QStringLiteral("\r"));
             s.replaceCharacters(Range(5, 0), QStringLiteral("\n"));
         },
         5, 2},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const qsizetype before = laid.layout->layoutsMade();
        step.edit(laid.storage());
        layoutAll();
        EXPECT_EQ(laid.layout->paragraphCount(), step.paragraphs);
        EXPECT_EQ(laid.layout->layoutsMade() - before, step.layouts);
    }
}

TEST(LayoutManager, ParagraphsAndHeightsFollowRandomEdits)
{
    Laid laid(QStringLiteral("start"));
    QRandomGenerator random(22);
    const QStringList pieces{"x", "\n", "ab\ncd", "\r\n", "\u2029", "", "long line of words"};
    for (int round = 0; round < 400; ++round) {
        TextStorage& storage = laid.storage();
        const qsizetype at = random.bounded(int(storage.length() + 1));
        const qsizetype length = std::min<qsizetype>(random.bounded(4), storage.length() - at);
        storage.replaceCharacters(Range(at, length), pieces[random.bounded(int(pieces.size()))]);
        if (round % 7 == 0)
            laid.layout->ensureLayoutForGlyphRange(Range(at, 0));
    }
    // Against a plain scan of the text.
    const QString& text = laid.storage().string();
    qsizetype start = 0;
    qsizetype paragraphs = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool end = i == text.size();
        const bool separator = !end && (text[i] == u'\n' || text[i] == u'\r' || text[i] == QChar(0x2029));
        if (!end && !separator)
            continue;
        qsizetype next = end ? i : i + 1;
        if (!end && text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            next = i + 2;
        for (qsizetype k = start; k < std::max(next, start + 1) && k <= text.size(); ++k)
            ASSERT_EQ(laid.layout->paragraphRangeForIndex(k), Range(start, next - start)) << "at " << k;
        ++paragraphs;
        start = next;
        i = next - 1;
        if (end)
            break;
    }
    if (start == text.size() && (text.isEmpty() || laid.layout->paragraphCount() > paragraphs))
        ++paragraphs; // the empty last paragraph after a final separator
    EXPECT_EQ(laid.layout->paragraphCount(), paragraphs);
    // Every y finds the paragraph whose box holds it.
    laid.layout->ensureLayoutForGlyphRange(Range(0, text.size()));
    qreal top = 0;
    for (qsizetype p = 0, at = 0; p < laid.layout->paragraphCount(); ++p) {
        const Range paragraph = laid.layout->paragraphRangeForIndex(at);
        const QRectF first = laid.layout->lineFragmentRectForGlyphAtIndex(paragraph.location);
        EXPECT_NEAR(first.top(), top, 1e-6);
        qreal bottom = first.bottom();
        laid.layout->enumerateLineFragmentsForGlyphRange(paragraph, [&](QRectF rect, QRectF, Range, bool&) {
            bottom = std::max(bottom, rect.bottom());
        });
        top = bottom;
        at = paragraph.end();
        if (paragraph.length == 0)
            break;
    }
    EXPECT_NEAR(laid.layout->usedHeight(), top, 1e-6);
}

TEST(LayoutManager, ForegroundColoursAndSelectionArePaintedPerRange)
{
    Laid laid(QStringLiteral("red plain\nnext"));
    laid.storage().addAttributes(Attributes{{ForegroundColorAttribute, Color::rgba(1, 0, 0)}}, Range(0, 3));
    laid.storage().addAttributes(Attributes{{BackgroundColorAttribute, Color::rgba(0, 1, 0)}}, Range(4, 5));
    laid.model.setSelectedRange(Range(6, 6));
    const RecordingPainter painter = laid.paintAll();
    const auto runs = painter.callsOf(RecordingPainter::Kind::GlyphRun);
    ASSERT_GE(runs.size(), 2);
    EXPECT_EQ(runs[0].characters, Range(0, 3));
    EXPECT_EQ(runs[0].color, QColor(255, 0, 0));
    EXPECT_EQ(runs[1].color, laid.layout->defaultTextColor());
    const auto fills = painter.callsOf(RecordingPainter::Kind::FillRect);
    ASSERT_EQ(fills.size(), 3) << "one background, the selection on two lines";
    EXPECT_EQ(fills[0].color, QColor(0, 255, 0));
    EXPECT_EQ(fills[1].color, laid.layout->selectedTextBackgroundColor());
    EXPECT_DOUBLE_EQ(fills[1].rect.right(), 400) << "a selection over the line end reaches the edge";
    EXPECT_LT(fills[2].rect.right(), 400);
    EXPECT_GT(fills[2].rect.top(), fills[1].rect.top());
}

TEST(LayoutManager, AttachmentTakesTheImageWidthAndRaisesItsLine)
{
    QImage picture(40, 60, QImage::Format_ARGB32);
    picture.fill(Qt::blue);
    Laid laid(QStringLiteral("a\uFFFCb"));
    Laid without(QStringLiteral("ab"));
    laid.storage().addAttributes(Attributes{{AttachmentAttribute, Image::fromQImage(picture)}}, Range(1, 1));
    const qreal before = laid.layout->insertionRectForCharacterIndex(1).x();
    const qreal after = laid.layout->insertionRectForCharacterIndex(2).x();
    EXPECT_NEAR(after - before, 40, 0.5);
    EXPECT_GE(laid.layout->lineFragmentRectForGlyphAtIndex(0).height(), 60);
    EXPECT_LT(without.layout->lineFragmentRectForGlyphAtIndex(0).height(), 60);
    const RecordingPainter painter = laid.paintAll();
    const auto images = painter.callsOf(RecordingPainter::Kind::Image);
    ASSERT_EQ(images.size(), 1);
    EXPECT_NEAR(images[0].rect.left(), before, 0.5);
    EXPECT_NEAR(images[0].rect.bottom(), painter.callsOf(RecordingPainter::Kind::GlyphRun)[0].baseline, 0.5);
    EXPECT_EQ(laid.storage().string(), QStringLiteral("a\uFFFCb")) << "the no-break space is the layout's copy only";
}

TEST(LayoutManager, LongPageLaysOutOnlyWhatIsAsked)
{
    QString text;
    for (int i = 0; i < 10000; ++i)
        text += QStringLiteral("Paragraph %1 with a few words in it.\n").arg(i);
    Laid laid(text);
    laid.layout->setLayoutCacheLimit(200);
    EXPECT_EQ(laid.layout->paragraphCount(), 10001);
    laid.layout->ensureLayoutForBoundingRect(QRectF(0, 0, 400, 600));
    const qsizetype visible = laid.layout->cachedLayoutCount();
    EXPECT_GT(visible, 10);
    EXPECT_LT(visible, 100);
    // Scrolling through the whole page keeps the cache bounded.
    for (qreal y = 0; y < laid.layout->usedHeight(); y += 600)
        laid.layout->ensureLayoutForBoundingRect(QRectF(0, y, 400, 600));
    EXPECT_LE(laid.layout->cachedLayoutCount(), 200);
    // A point far down maps to its paragraph and back.
    const qsizetype index = text.indexOf(QStringLiteral("Paragraph 7777 "));
    const QRectF line = laid.layout->lineFragmentRectForGlyphAtIndex(index);
    EXPECT_EQ(laid.layout->paragraphRangeForIndex(laid.layout->glyphIndexForPoint(line.center())).location, index);
}

} // namespace

namespace {

TEST(LayoutManager, FontsComeFromTheStorageAndSurviveAPreedit)
{
    Laid laid(QStringLiteral("small BIG"));
    const qreal plainHeight = laid.layout->lineFragmentRectForGlyphAtIndex(0).height();
    laid.storage().addAttributes(Attributes{{FontAttribute, Font::create(QStringLiteral("Menlo"), 40)}}, Range(6, 3));
    EXPECT_GT(laid.layout->lineFragmentRectForGlyphAtIndex(0).height(), plainHeight * 2);
    EXPECT_EQ(laid.storage().attributeAtIndex(FontAttribute, 6).toObject<Font>()->familyName(), QStringLiteral("Menlo"))
        << "the requested family stays in the text";

    const auto bigRun = [](const RecordingPainter& painter) {
        for (const auto& call : painter.callsOf(RecordingPainter::Kind::GlyphRun)) {
            if (call.characters.location == 6)
                return call.rect.height();
        }
        return qreal(-1);
    };
    const qreal before = bigRun(laid.paintAll());
    ASSERT_GT(before, 0);
    // A preedit before the big word must not shift the fonts onto other letters.
    laid.layout->setPreedit(2, QStringLiteral("xyz"));
    const RecordingPainter painter = laid.paintAll();
    EXPECT_NEAR(bigRun(painter), before, 0.5);
    const auto preedit = painter.callsOf(RecordingPainter::Kind::Preedit);
    ASSERT_EQ(preedit.size(), 1);
    EXPECT_EQ(preedit[0].characters.location, 2);
    EXPECT_EQ(preedit[0].glyphX.size(), 3);
    for (const auto& call : painter.callsOf(RecordingPainter::Kind::GlyphRun))
        EXPECT_EQ(call.rect.height() > before / 2, call.characters.location == 6) << qPrintable(toString(call.characters));
}

} // namespace
