#include "platform/foundation/UndoManager.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace plat;

namespace {

// A text whose replacements register their own inverse, as the editors do.
struct Document {
    explicit Document(const char* initial) : text(QString::fromUtf8(initial)) {}

    QString text;
    UndoManager undo;
    std::vector<QString> applied; // replacements in the order they ran

    void replace(qsizetype at, qsizetype length, const QString& with, const QString& actionName)
    {
        const QString old = text.mid(at, length);
        text.replace(at, length, with);
        applied.push_back(with);
        undo.registerUndo(this, [=, this] { replace(at, with.size(), old, actionName); });
        undo.setActionName(actionName);
    }
};

// Ends the current event: the event loop closes the event's undo group.
void endEvent()
{
    QCoreApplication::processEvents();
}

} // namespace

TEST(UndoManager, UndoAndRedoAlternate)
{
    Document doc("abc");
    doc.replace(3, 0, "d", "Typing");
    endEvent();
    doc.replace(0, 1, "X", "Bold");
    endEvent();

    EXPECT_EQ(doc.undo.undoActionName(), "Bold");
    doc.undo.undo();
    EXPECT_EQ(doc.text, "abcd");
    EXPECT_EQ(doc.undo.undoActionName(), "Typing");
    EXPECT_EQ(doc.undo.redoActionName(), "Bold");
    doc.undo.undo();
    EXPECT_EQ(doc.text, "abc");
    EXPECT_FALSE(doc.undo.canUndo());

    doc.undo.redo();
    doc.undo.redo();
    EXPECT_EQ(doc.text, "Xbcd");
    EXPECT_FALSE(doc.undo.canRedo());
    EXPECT_EQ(doc.undo.undoActionName(), "Bold");

    doc.undo.undo();
    EXPECT_TRUE(doc.undo.canRedo());
    doc.replace(0, 0, ">", "Quote"); // a new action forgets what could be redone
    EXPECT_FALSE(doc.undo.canRedo());
    endEvent();
    doc.undo.undo();
    doc.undo.undo();
    EXPECT_EQ(doc.text, "abc");
    EXPECT_FALSE(doc.undo.isUndoing());
}

TEST(UndoManager, NestedGroupsUndoAsOneStepInReverse)
{
    Document doc("0");
    doc.undo.setGroupsByEvent(false);
    doc.undo.beginUndoGrouping();
    doc.replace(1, 0, "a", "List");
    doc.undo.beginUndoGrouping();
    EXPECT_EQ(doc.undo.groupingLevel(), 2);
    doc.replace(2, 0, "b", "Inner");
    doc.undo.endUndoGrouping();
    doc.replace(3, 0, "c", "Code Block");
    doc.undo.endUndoGrouping();
    doc.undo.beginUndoGrouping(); // empty groups leave no step behind
    doc.undo.endUndoGrouping();

    EXPECT_EQ(doc.undo.undoActionName(), "Code Block");
    doc.applied.clear();
    doc.undo.undo();
    EXPECT_EQ(doc.text, "0");
    EXPECT_EQ(doc.applied, (std::vector<QString>{"", "", ""})); // c, then b, then a
    EXPECT_FALSE(doc.undo.canUndo());
    EXPECT_EQ(doc.undo.redoActionName(), "Code Block");

    doc.applied.clear();
    doc.undo.redo();
    EXPECT_EQ(doc.text, "0abc");
    EXPECT_EQ(doc.applied, (std::vector<QString>{"a", "b", "c"}));
}

TEST(UndoManager, OneEventIsOneStep)
{
    Document doc("");
    doc.replace(0, 0, "a", "Typing");
    doc.replace(1, 0, "b", "Typing");
    EXPECT_TRUE(doc.undo.canUndo());
    endEvent();
    doc.replace(2, 0, "c", "Typing");
    doc.undo.undo(); // closes the open event group first
    EXPECT_EQ(doc.text, "ab");
    doc.undo.undo();
    EXPECT_EQ(doc.text, "");
    EXPECT_EQ(doc.undo.groupingLevel(), 0);
}

TEST(UndoManager, RegistrationControls)
{
    Document doc("");
    doc.undo.setGroupsByEvent(false);
    doc.undo.disableUndoRegistration();
    doc.undo.disableUndoRegistration();
    doc.replace(0, 0, "x", "Ignored");
    doc.undo.enableUndoRegistration();
    doc.replace(1, 0, "y", "Ignored");
    EXPECT_FALSE(doc.undo.canUndo());
    doc.undo.enableUndoRegistration();
    EXPECT_TRUE(doc.undo.isUndoRegistrationEnabled());

    doc.undo.setLevelsOfUndo(2);
    for (const char* s : {"1", "2", "3"})
        doc.replace(doc.text.size(), 0, s, s);
    doc.undo.undo();
    doc.undo.undo();
    EXPECT_FALSE(doc.undo.canUndo());
    EXPECT_EQ(doc.text, "xy1");

    // Actions of one owner go; groups they leave empty go with them.
    int other = 0;
    doc.undo.beginUndoGrouping();
    doc.replace(0, 0, "!", "Mixed");
    doc.undo.registerUndo(&other, [&] { ++other; });
    doc.undo.endUndoGrouping();
    doc.replace(0, 0, "?", "Mine only");
    doc.undo.removeAllActionsWithTarget(&doc);
    EXPECT_EQ(doc.undo.undoActionName(), "Mixed");
    doc.undo.undo();
    EXPECT_EQ(other, 1);
    EXPECT_EQ(doc.text, "?!xy1");
    EXPECT_FALSE(doc.undo.canUndo());

    doc.undo.disableUndoRegistration();
    doc.undo.removeAllActions();
    EXPECT_TRUE(doc.undo.isUndoRegistrationEnabled());
    EXPECT_FALSE(doc.undo.canRedo());
}

TEST(UndoManager, MisuseLeavesItUsable)
{
    Document doc("a");
    doc.undo.setGroupsByEvent(false);
    doc.undo.endUndoGrouping(); // no group: ignored
    doc.replace(1, 0, "b", "Typing");
    doc.undo.beginUndoGrouping();
    doc.undo.undo(); // inside an open group: ignored
    EXPECT_EQ(doc.text, "ab");
    doc.undo.endUndoGrouping();

    doc.undo.registerUndo([] { throw std::runtime_error("inverse failed"); });
    EXPECT_THROW(doc.undo.undo(), std::runtime_error);
    EXPECT_FALSE(doc.undo.isUndoing());
    EXPECT_EQ(doc.undo.groupingLevel(), 0);
    doc.undo.undo();
    EXPECT_EQ(doc.text, "a");
}
