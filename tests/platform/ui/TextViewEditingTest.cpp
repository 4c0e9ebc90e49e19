// Typing, undo, keyboard movement, input methods and the clipboard of the
// on-screen text view, driven offscreen as a user would.
#include "platform/foundation/UndoManager.h"
#include "platform/ui/LayoutManager.h"
#include "platform/ui/Painter.h"
#include "platform/ui/TextViewWidget.h"
#include "ViewTestSupport.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace plat;

namespace {

// Logs the user-edit callbacks in the order they come.
class LoggingModel : public TextView {
public:
    LoggingModel()
    {
        setUndoManager(std::make_shared<UndoManager>());
        textStorage()->addObserver([this](TextStorage& storage, TextStorage::Phase phase) {
            if (phase != TextStorage::Phase::DidProcessEditing)
                return;
            log << QStringLiteral("process %1 %2 %3")
                       .arg(storage.editedMask())
                       .arg(toString(storage.editedRange()))
                       .arg(storage.changeInLength());
            seen << storage.string();
        });
    }
    bool shouldChangeText(Range range, const QString& replacement) override
    {
        log << QStringLiteral("should %1 '%2'").arg(toString(range), replacement);
        return TextView::shouldChangeText(range, replacement);
    }
    void didChangeText() override
    {
        log << QStringLiteral("did");
        TextView::didChangeText();
    }
    QStringList log;
    QStringList seen; // the text as the storage's observers saw it
};

struct EditingView {
    LoggingModel model;
    TextViewWidget widget{model};

    explicit EditingView(const QString& text = QString(), int width = 400)
    {
        if (!text.isEmpty()) {
            model.textStorage()->replaceCharacters(Range(0, 0), AttributedString(text));
            model.setSelectedRange(Range(0, 0));
        }
        widget.resize(width, 300);
        widget.show();
        model.log.clear();
        model.seen.clear();
    }
    QString text() const { return model.string(); }
    Range selection() const { return model.selectedRange(); }
    void select(Range range) { model.setSelectedRange(range); widget.selectionDidChangeOutside(); }
};

// Each key is a turn of the event loop, as it is for a person typing.
void typeKeys(QWidget& widget, const QString& keys)
{
    for (QChar c : keys) {
        QTest::keyClick(&widget, c.toLatin1());
        QCoreApplication::processEvents();
    }
}

void pressKey(QWidget& widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(&widget, key, modifiers);
    QCoreApplication::processEvents();
}

void pressStandardKey(QWidget& widget, QKeySequence::StandardKey key)
{
    const QList<QKeySequence> bindings = QKeySequence::keyBindings(key);
    ASSERT_FALSE(bindings.isEmpty()) << "no binding for standard key " << int(key);
    const QKeyCombination combination = bindings.first()[0];
    pressKey(widget, combination.key(), combination.keyboardModifiers());
}

TEST(TextViewEditing, TypingBackspaceAndUndoTellTheModelInOrder)
{
    EditingView view;
    typeKeys(view.widget, QStringLiteral("abc"));
    EXPECT_EQ(view.text(), QStringLiteral("abc"));
    EXPECT_EQ(view.selection(), Range(3, 0));
    const QStringList typed{
        "should {0, 0} 'a'", "process 2 {0, 1} 1", "did",
        "should {1, 0} 'b'", "process 2 {1, 1} 1", "did",
        "should {2, 0} 'c'", "process 2 {2, 1} 1", "did",
    };
    EXPECT_EQ(view.model.log, typed);

    view.model.log.clear();
    pressKey(view.widget, Qt::Key_Backspace);
    EXPECT_EQ(view.text(), QStringLiteral("ab"));
    EXPECT_EQ(view.model.log, (QStringList{"should {2, 1} ''", "process 2 {2, 0} -1", "did"}));

    view.model.log.clear();
    pressStandardKey(view.widget, QKeySequence::Undo);
    EXPECT_EQ(view.text(), QStringLiteral("abc"));
    EXPECT_EQ(view.model.log, (QStringList{"should {2, 0} 'c'", "process 2 {2, 1} 1", "did"}));
    EXPECT_EQ(view.selection(), Range(2, 1)) << "the restored text is selected";

    // The three keystrokes are one step.
    pressStandardKey(view.widget, QKeySequence::Undo);
    EXPECT_EQ(view.text(), QString());
    pressStandardKey(view.widget, QKeySequence::Redo);
    EXPECT_EQ(view.text(), QStringLiteral("abc"));
}

TEST(TextViewEditing, TypingCoalescesUntilBrokenOrMoved)
{
    struct Case {
        const char* name;
        std::function<void(EditingView&)> between;
        QStringList afterEachUndo;
    };
    const std::vector<Case> cases{
        {"nothing between", [](EditingView&) {}, {""}},
        {"breakUndoCoalescing", [](EditingView& v) { v.widget.breakUndoCoalescing(); }, {"ab", ""}},
        {"caret moved away and back",
         [](EditingView& v) {
             pressKey(v.widget, Qt::Key_Left);
             pressKey(v.widget, Qt::Key_Right);
         },
         {"ab", ""}},
        {"Return between", [](EditingView& v) { pressKey(v.widget, Qt::Key_Return); }, {"ab\n", "ab", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EditingView view;
        typeKeys(view.widget, QStringLiteral("ab"));
        c.between(view);
        typeKeys(view.widget, QStringLiteral("cd"));
        for (const QString& expected : c.afterEachUndo) {
            view.widget.undoEdit();
            QCoreApplication::processEvents();
            EXPECT_EQ(view.text(), expected);
        }
        EXPECT_FALSE(view.model.undoManager()->canUndo());
    }
}

TEST(TextViewEditing, UndoAfterTheTextShrankUnderneathIsSkippedNotCrashing)
{
    EditingView view;
    typeKeys(view.widget, QStringLiteral("abcdef"));
    // Another part of the program empties the text without undo.
    view.model.textStorage()->replaceCharacters(Range(0, 6), AttributedString(QString()));
    view.widget.undoEdit();
    EXPECT_EQ(view.text(), QString());
    // Typing after that starts a fresh step instead of growing the stale one.
    typeKeys(view.widget, QStringLiteral("xy"));
    view.widget.undoEdit();
    EXPECT_EQ(view.text(), QString());
}

TEST(TextViewEditing, KeyboardMovesAndExtendsByCharacterWordLineParagraphAndDocument)
{
    //                               0         1          2
    //                               0123456789 0123456789012 345678
    const QString text = QStringLiteral("alpha beta\ngamma delta\nepsilon");
    struct Case {
        const char* name;
        Range from;
        std::function<void(QWidget&)> keys;
        Range expected;
    };
    auto standard = [](QKeySequence::StandardKey key) {
        return [key](QWidget& w) { pressStandardKey(w, key); };
    };
    auto key = [](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        return [k, m](QWidget& w) { pressKey(w, k, m); };
    };
    const std::vector<Case> cases{
        {"next char", Range(0, 0), standard(QKeySequence::MoveToNextChar), Range(1, 0)},
        {"next char collapses a selection to its end", Range(2, 3), standard(QKeySequence::MoveToNextChar), Range(5, 0)},
        {"select previous char", Range(3, 0), standard(QKeySequence::SelectPreviousChar), Range(2, 1)},
        {"next word goes to the word's end", Range(0, 0), standard(QKeySequence::MoveToNextWord), Range(5, 0)},
        {"next word from a word's end", Range(5, 0), standard(QKeySequence::MoveToNextWord), Range(10, 0)},
        {"next word crosses the paragraph", Range(10, 0), standard(QKeySequence::MoveToNextWord), Range(16, 0)},
        {"previous word", Range(8, 0), standard(QKeySequence::MoveToPreviousWord), Range(6, 0)},
        {"previous word crosses the paragraph", Range(11, 0), standard(QKeySequence::MoveToPreviousWord), Range(6, 0)},
        {"select next word", Range(0, 0), standard(QKeySequence::SelectNextWord), Range(0, 5)},
        {"end of line", Range(2, 0), standard(QKeySequence::MoveToEndOfLine), Range(10, 0)},
        {"start of line", Range(15, 0), standard(QKeySequence::MoveToStartOfLine), Range(11, 0)},
        {"select to end of line", Range(6, 0), standard(QKeySequence::SelectEndOfLine), Range(6, 4)},
        {"paragraph end", Range(2, 0), key(Qt::Key_Down, Qt::ControlModifier), Range(10, 0)},
        {"next paragraph end", Range(10, 0), key(Qt::Key_Down, Qt::ControlModifier), Range(22, 0)},
        {"paragraph start", Range(15, 0), key(Qt::Key_Up, Qt::ControlModifier), Range(11, 0)},
        {"previous paragraph start", Range(11, 0), key(Qt::Key_Up, Qt::ControlModifier), Range(0, 0)},
        {"select to paragraph end", Range(3, 0), key(Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier), Range(3, 7)},
        {"end of document", Range(3, 0), standard(QKeySequence::MoveToEndOfDocument), Range(30, 0)},
        {"select to start of document", Range(13, 0), standard(QKeySequence::SelectStartOfDocument), Range(0, 13)},
        {"select all", Range(4, 0), standard(QKeySequence::SelectAll), Range(0, 30)},
        {"delete word backward", Range(10, 0), standard(QKeySequence::DeleteStartOfWord), Range(6, 0)},
        {"delete forward", Range(0, 0), standard(QKeySequence::Delete), Range(0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EditingView view(text, 600);
        view.select(c.from);
        c.keys(view.widget);
        EXPECT_EQ(view.selection(), c.expected) << qPrintable(toString(view.selection()));
    }
    EditingView view(text, 600);
    view.select(Range(10, 0));
    pressStandardKey(view.widget, QKeySequence::DeleteStartOfWord);
    EXPECT_EQ(view.text(), QStringLiteral("alpha \ngamma delta\nepsilon"));
}

TEST(TextViewEditing, UpAndDownKeepTheColumnAndShiftExtendsFromTheAnchor)
{
    EditingView view(QStringLiteral("abcdef\nabcdef\nab\nabcdef"), 600);
    view.select(Range(4, 0));
    pressStandardKey(view.widget, QKeySequence::MoveToNextLine);
    EXPECT_EQ(view.selection(), Range(11, 0));
    pressStandardKey(view.widget, QKeySequence::MoveToNextLine);
    EXPECT_EQ(view.selection(), Range(16, 0)) << "a short line takes its end";
    pressStandardKey(view.widget, QKeySequence::MoveToNextLine);
    EXPECT_EQ(view.selection(), Range(21, 0)) << "the column is kept across the short line";
    pressStandardKey(view.widget, QKeySequence::SelectPreviousLine);
    pressStandardKey(view.widget, QKeySequence::SelectPreviousLine);
    EXPECT_EQ(view.selection(), Range(11, 10));
}

TEST(TextViewEditing, EndOfASoftWrappedLineStaysOnThatLine)
{
    EditingView view(QStringLiteral("word word word word word word word word word word word word"), 120);
    view.select(Range(0, 0));
    pressStandardKey(view.widget, QKeySequence::MoveToEndOfLine);
    const Range firstLine = view.widget.layoutManager()->lineGlyphRangeForIndex(0);
    ASSERT_LT(firstLine.end(), view.text().size()) << "the paragraph must wrap";
    EXPECT_EQ(view.selection(), Range(firstLine.end(), 0));
    EXPECT_EQ(view.model.selectionAffinity(), SelectionAffinity::Upstream);
    // The caret shows at the end of the first line, not the start of the second.
    const QRectF caret = view.widget.insertionPointRect();
    const QRectF firstRect = view.widget.layoutManager()->lineFragmentRectForGlyphAtIndex(0);
    EXPECT_NEAR(caret.center().y() - view.widget.textContainerOrigin().y(), firstRect.center().y(), 0.5);
}

TEST(TextViewEditing, PreeditIsShownButNeverStoredAndItsCommitIsTyped)
{
    EditingView view;
    view.widget.setFocus();
    QInputMethodEvent preedit(QStringLiteral("n"), {});
    QApplication::sendEvent(&view.widget, &preedit);
    QInputMethodEvent preedit2(QStringLiteral("ni"), {QInputMethodEvent::Attribute(QInputMethodEvent::Cursor, 2, 1)});
    QApplication::sendEvent(&view.widget, &preedit2);
    EXPECT_EQ(view.text(), QString());

    RecordingPainter painter;
    view.widget.paintTo(painter, QRectF(0, 0, 400, 300));
    const auto shown = painter.callsOf(RecordingPainter::Kind::Preedit);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].glyphX.size(), 2);
    EXPECT_TRUE(painter.callsOf(RecordingPainter::Kind::GlyphRun).isEmpty());
    // The caret sits after the preedit's cursor.
    EXPECT_GT(view.widget.insertionPointRect().x(), view.widget.textContainerOrigin().x() + 1);

    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("你"));
    QApplication::sendEvent(&view.widget, &commit);
    EXPECT_EQ(view.text(), QStringLiteral("你"));
    EXPECT_EQ(view.selection(), Range(1, 0));
    EXPECT_EQ(view.model.seen, QStringList{QStringLiteral("你")}) << "no preedit ever reached the storage's observers";
    EXPECT_EQ(view.widget.layoutManager()->preeditText(), QString());
    EXPECT_EQ(view.widget.inputMethodQuery(Qt::ImSurroundingText).toString(), QStringLiteral("你"));
    EXPECT_EQ(view.widget.inputMethodQuery(Qt::ImCursorPosition).toInt(), 1);
    EXPECT_EQ(view.widget.inputMethodQuery(Qt::ImAnchorPosition).toInt(), 1);
    EXPECT_TRUE(view.widget.inputMethodQuery(Qt::ImCursorRectangle).toRectF().height() > 0);
}

TEST(TextViewEditing, DeadKeyAccentComposesThroughTheInputMethod)
{
    EditingView view;
    typeKeys(view.widget, QStringLiteral("caf"));
    // The dead key itself carries no text; Qt's compose support then commits
    // the composed letter.
    QKeyEvent dead(QEvent::KeyPress, Qt::Key_Dead_Acute, Qt::NoModifier);
    QApplication::sendEvent(&view.widget, &dead);
    EXPECT_EQ(view.text(), QStringLiteral("caf"));
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral("é"));
    QApplication::sendEvent(&view.widget, &composed);
    EXPECT_EQ(view.text(), QStringLiteral("café"));
    EXPECT_EQ(view.selection(), Range(4, 0));
    view.widget.undoEdit();
    EXPECT_EQ(view.text(), QString()) << "the composed letter joins the typing run";
}

TEST(TextViewEditing, ClipboardCodecIsStrict)
{
    EditingView view(QStringLiteral("pic\uFFFC here"));
    view.select(Range(0, 9));
    QMimeData written;
    ASSERT_TRUE(view.widget.writeSelectionToMimeData(written));
    EXPECT_EQ(written.text(), QStringLiteral("pic here"));

    view.select(Range(0, 3));
    QMimeData empty;
    view.select(Range(2, 0));
    EXPECT_FALSE(view.widget.writeSelectionToMimeData(empty)) << "nothing selected, nothing written";

    QMimeData broken;
    broken.setData(QStringLiteral("text/plain"), QByteArray("ok \xff\xfe bad"));
    EXPECT_FALSE(view.widget.readSelectionFromMimeData(broken));
    QMimeData image;
    image.setData(QStringLiteral("image/png"), QByteArray("\x89PNG"));
    EXPECT_FALSE(view.widget.readSelectionFromMimeData(image));
    EXPECT_EQ(view.text(), QStringLiteral("pic\uFFFC here")) << "refused data changes nothing";

    QMimeData good;
    good.setText(QStringLiteral("XY"));
    EXPECT_TRUE(view.widget.readSelectionFromMimeData(good));
    EXPECT_EQ(view.text(), QStringLiteral("piXYc\uFFFC here"));
}

TEST(TextViewEditing, ReadOnlyViewRefusesEveryEdit)
{
    EditingView view(QStringLiteral("fixed"));
    view.widget.setEditable(false);
    view.select(Range(5, 0));
    typeKeys(view.widget, QStringLiteral("x"));
    pressKey(view.widget, Qt::Key_Backspace);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("y"));
    QApplication::sendEvent(&view.widget, &commit);
    EXPECT_EQ(view.text(), QStringLiteral("fixed"));
    EXPECT_TRUE(view.model.log.isEmpty());
    pressStandardKey(view.widget, QKeySequence::SelectAll);
    EXPECT_EQ(view.selection(), Range(0, 5)) << "selection still works";
}

} // namespace

namespace {

// The shape of an editor: one object that is both the widget and its model,
// the model part destroyed first.
class OneObjectEditor : public TextViewWidget, public TextView {
public:
    OneObjectEditor() : TextViewWidget(static_cast<TextView&>(*this)) {}
};

TEST(TextViewEditing, AnEditorObjectGoesAwayCleanlyAndTakesItsUndoSteps)
{
    auto undo = std::make_shared<UndoManager>();
    {
        OneObjectEditor editor;
        editor.setUndoManager(undo);
        editor.resize(300, 200);
        typeKeys(editor, QStringLiteral("gone"));
        EXPECT_EQ(editor.string(), QStringLiteral("gone"));
        EXPECT_TRUE(undo->canUndo());
    }
    EXPECT_FALSE(undo->canUndo()) << "no step may point at the destroyed editor";
    undo->undo();
}

TEST(TextViewEditing, ASelectionHookAnsweringOutsideTheTextIsClamped)
{
    class Wild : public TextViewWidget {
    public:
        using TextViewWidget::TextViewWidget;
        Range willChangeSelection(Range, Range to, SelectionAffinity&) override { return Range(to.location, 1000); }
    };
    TextView model;
    model.textStorage()->replaceCharacters(Range(0, 0), QStringLiteral("short"));
    Wild widget(model);
    widget.resize(300, 200);
    pressKey(widget, Qt::Key_Right);
    EXPECT_EQ(model.selectedRange(), Range(1, 4));
}

} // namespace

namespace {

TEST(TextViewEditing, PageKeysMoveByAViewportAndScroll)
{
    QString text;
    for (int i = 0; i < 300; ++i)
        text += QStringLiteral("row %1\n").arg(i, 3, 10, QLatin1Char('0'));
    EditingView view(text);
    view.select(Range(0, 0));
    const qreal lineHeight = view.widget.layoutManager()->lineFragmentRectForGlyphAtIndex(0).height();
    const int perPage = int(view.widget.viewport()->height() / lineHeight);
    pressStandardKey(view.widget, QKeySequence::MoveToNextPage);
    const qsizetype line = view.selection().location / 8;
    EXPECT_NEAR(double(line), double(perPage), 2.0);
    EXPECT_GT(view.widget.verticalScrollBar()->value(), 0);
    pressStandardKey(view.widget, QKeySequence::SelectPreviousPage);
    EXPECT_EQ(view.selection(), Range(0, line * 8));
}

} // namespace
