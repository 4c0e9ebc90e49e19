// The mouse, links, drops, the caret, zoom and scrolling of the text view.
#include "platform/foundation/UndoManager.h"
#include "platform/text/Color.h"
#include "platform/ui/LayoutManager.h"
#include "platform/ui/Painter.h"
#include "platform/ui/TextViewWidget.h"
#include "ViewTestSupport.h"

#include <QApplication>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

using namespace plat;

namespace {

class MouseView : public TextViewWidget {
public:
    explicit MouseView(TextView& model) : TextViewWidget(model) {}
    std::vector<std::pair<QVariant, qsizetype>> links;
    std::function<Range(Range, Range)> hook;
    bool clickedOnLink(const QVariant& link, qsizetype characterIndex) override
    {
        links.emplace_back(link, characterIndex);
        return true;
    }
    Range willChangeSelection(Range from, Range to, SelectionAffinity& affinity) override
    {
        return hook ? hook(from, to) : TextViewWidget::willChangeSelection(from, to, affinity);
    }
};

struct MouseFixture {
    TextView model;
    MouseView widget{model};

    explicit MouseFixture(const QString& text)
    {
        model.setUndoManager(std::make_shared<UndoManager>());
        model.textStorage()->replaceCharacters(Range(0, 0), AttributedString(text));
        model.setSelectedRange(Range(0, 0));
        widget.resize(500, 300);
        widget.show();
    }
    // The viewport point in the middle of the character at index.
    QPoint pointAt(qsizetype index)
    {
        LayoutManager& lm = *widget.layoutManager();
        const QRectF glyph = lm.boundingRectForGlyphRange(Range(index, 1)).translated(widget.textContainerOrigin());
        const QPointF scroll(widget.horizontalScrollBar()->value(), widget.verticalScrollBar()->value());
        return (glyph.center() * widget.scaleFactor() - scroll).toPoint();
    }
    QWidget* port() { return widget.viewport(); }
};

TEST(TextViewMouse, ClicksPickCaretWordAndParagraph)
{
    MouseFixture f(QStringLiteral("alpha beta gamma\nsecond line"));
    QTest::mouseClick(f.port(), Qt::LeftButton, Qt::NoModifier, f.pointAt(7));
    const qsizetype caret = f.model.selectedRange().location;
    EXPECT_TRUE(caret == 7 || caret == 8) << caret;
    EXPECT_EQ(f.model.selectedRange().length, 0);

    QTest::mouseDClick(f.port(), Qt::LeftButton, Qt::NoModifier, f.pointAt(7));
    EXPECT_EQ(f.model.selectedRange(), Range(6, 4)) << "the word";
    // The third click of the series.
    QTest::mousePress(f.port(), Qt::LeftButton, Qt::NoModifier, f.pointAt(7));
    QTest::mouseRelease(f.port(), Qt::LeftButton, Qt::NoModifier, f.pointAt(7));
    EXPECT_EQ(f.model.selectedRange(), Range(0, 17)) << "the paragraph with its separator";
}

TEST(TextViewMouse, ShiftClickAndDragExtendFromTheAnchor)
{
    MouseFixture f(QStringLiteral("alpha beta gamma delta"));
    f.model.setSelectedRange(Range(2, 0));
    f.widget.selectionDidChangeOutside();
    QTest::mouseClick(f.port(), Qt::LeftButton, Qt::ShiftModifier, f.pointAt(12) - QPoint(3, 0));
    EXPECT_EQ(f.model.selectedRange().location, 2);
    EXPECT_GE(f.model.selectedRange().end(), 11);

    QTest::mousePress(f.port(), Qt::LeftButton, Qt::NoModifier, f.pointAt(0) - QPoint(2, 0));
    QMouseEvent move(QEvent::MouseMove, f.pointAt(8) + QPoint(6, 0), f.port()->mapToGlobal(f.pointAt(8) + QPoint(6, 0)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.port(), &move);
    QTest::mouseRelease(f.port(), Qt::LeftButton, Qt::NoModifier, f.pointAt(8) + QPoint(6, 0));
    EXPECT_EQ(f.model.selectedRange().location, 0);
    EXPECT_GE(f.model.selectedRange().length, 8);
}

TEST(TextViewMouse, SelectionHookRewritesWhatTheUserAsks)
{
    MouseFixture f(QStringLiteral("0123456789"));
    // Never lets the selection start before 3.
    f.widget.hook = [](Range, Range to) {
        return to.location >= 3 ? to : Range(3, std::max<qsizetype>(0, to.end() - 3));
    };
    QTest::mouseClick(f.port(), Qt::LeftButton, Qt::NoModifier, f.pointAt(1));
    EXPECT_EQ(f.model.selectedRange(), Range(3, 0));
    QTest::keyClick(&f.widget, Qt::Key_Home);
    EXPECT_EQ(f.model.selectedRange(), Range(3, 0));
    QTest::keyClick(&f.widget, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(f.model.selectedRange(), Range(3, 7));
}

TEST(TextViewMouse, LinkClickReachesTheViewWithItsIndexAndShowsAHand)
{
    MouseFixture f(QStringLiteral("see here now"));
    f.model.textStorage()->addAttributes(Attributes{{LinkAttribute, QStringLiteral("https://example.org")},
                                                    {ToolTipAttribute, QStringLiteral("Example")}},
                                         Range(4, 4));
    QTest::mouseMove(f.port(), f.pointAt(5));
    EXPECT_EQ(f.port()->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(f.port(), Qt::LeftButton, Qt::NoModifier, f.pointAt(5));
    ASSERT_EQ(f.widget.links.size(), 1u);
    EXPECT_EQ(f.widget.links[0].first.toString(), QStringLiteral("https://example.org"));
    EXPECT_EQ(f.widget.links[0].second, 5);
    EXPECT_EQ(f.model.selectedRange(), Range(0, 0)) << "a handled link click leaves the selection";

    QHelpEvent help(QEvent::ToolTip, f.pointAt(6), f.port()->mapToGlobal(f.pointAt(6)));
    QApplication::sendEvent(f.port(), &help);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Example"));
    QHelpEvent none(QEvent::ToolTip, f.pointAt(1), f.port()->mapToGlobal(f.pointAt(1)));
    QApplication::sendEvent(f.port(), &none);
    EXPECT_FALSE(none.isAccepted()) << "no tip where the text has none";

    QTest::mouseMove(f.port(), f.pointAt(1));
    EXPECT_EQ(f.port()->cursor().shape(), Qt::IBeamCursor);
    QTest::mouseClick(f.port(), Qt::LeftButton, Qt::NoModifier, f.pointAt(1));
    EXPECT_EQ(f.widget.links.size(), 1u);
}

TEST(TextViewMouse, DropInsertsAtThePointAsOneUndoStep)
{
    MouseFixture f(QStringLiteral("one three"));
    QMimeData data;
    data.setText(QStringLiteral("two "));
    const QPoint at = f.pointAt(4) - QPoint(2, 0);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.port(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.port(), &drop);
    EXPECT_EQ(f.model.string(), QStringLiteral("one two three"));
    f.widget.undoEdit();
    EXPECT_EQ(f.model.string(), QStringLiteral("one three"));

    QMimeData bad;
    bad.setData(QStringLiteral("text/plain"), QByteArray("\xc3\x28"));
    QDropEvent refused(at, Qt::CopyAction, &bad, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.port(), &refused);
    EXPECT_EQ(f.model.string(), QStringLiteral("one three"));
}

TEST(TextViewMouse, CaretZoomAndScrollingAreDrawnWhereTheTextIs)
{
    QString text;
    for (int i = 0; i < 200; ++i)
        text += QStringLiteral("Line %1\n").arg(i);
    MouseFixture f(text);
    f.widget.setFocus();
    QApplication::setActiveWindow(&f.widget);
    ASSERT_TRUE(f.widget.hasFocus());
    f.model.setSelectedRange(Range(5, 0));
    f.widget.selectionDidChangeOutside();

    RecordingPainter painter;
    f.widget.paintTo(painter, QRectF(QPointF(), f.port()->size()));
    auto carets = painter.callsOf(RecordingPainter::Kind::Caret);
    ASSERT_EQ(carets.size(), 1);
    EXPECT_EQ(carets[0].rect, f.widget.insertionPointRect());
    EXPECT_GT(f.widget.verticalScrollBar()->maximum(), 0) << "scroll bars cover the whole page";

    QSignalSpy zoomed(&f.widget, &TextViewWidget::scaleFactorChanged);
    f.widget.setScaleFactor(2);
    EXPECT_EQ(zoomed.size(), 1);
    painter.clear();
    f.widget.paintTo(painter, QRectF(QPointF(), f.port()->size()));
    ASSERT_EQ(painter.callsOf(RecordingPainter::Kind::Scale).size(), 1);
    EXPECT_EQ(painter.callsOf(RecordingPainter::Kind::Scale)[0].value, 2);
    EXPECT_EQ(f.widget.inputMethodQuery(Qt::ImCursorRectangle).toRectF().height(),
              2 * f.widget.insertionPointRect().height());

    // Moving to the end scrolls it into view; the painted runs are the last lines.
    QTest::keyClick(&f.widget, Qt::Key_End, Qt::ControlModifier);
    EXPECT_GT(f.widget.verticalScrollBar()->value(), 0);
    painter.clear();
    f.widget.paintTo(painter, QRectF(QPointF(), f.port()->size()));
    const auto runs = painter.callsOf(RecordingPainter::Kind::GlyphRun);
    ASSERT_FALSE(runs.isEmpty());
    EXPECT_GT(runs.first().characters.location, text.size() / 2);
    EXPECT_LT(painter.callsOf(RecordingPainter::Kind::GlyphRun).size(), 60) << "only the viewport is drawn";
}

} // namespace
