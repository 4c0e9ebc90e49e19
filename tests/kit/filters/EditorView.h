#pragma once
// An editor as the commands see it: a headless text view of one editor type
// with the document's undo manager, the page's render context, and a record
// of the block editors the commands asked the view to open. View is the text
// view class the editor is built on.

#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZQEditorTypes.h"
#include "platform/foundation/UndoManager.h"
#include "platform/text/TextView.h"

#include <gtest/gtest.h>

template <class View>
struct BasicEditorView {
    struct BlockRequest {
        QString macro;
        QString key;
        plat::Range range;
        plat::ObjectPtr storage;
    };
    // Text, attributes and selection at one moment.
    struct State {
        plat::AttributedString text;
        plat::Range selection;
    };

    BasicEditorView(const plat::AttributedString& text, ZQEditorType editorType, plat::Range selection = {})
        : view(std::make_shared<plat::TextStorage>(text)), undo(std::make_shared<plat::UndoManager>())
    {
        view.setEditorType(storedValue(editorType));
        view.setUndoManager(undo);
        view.setSelectedRange(selection);
        view.setEditorBlockHandler([this](const QString& macro, const QString& key, plat::Range range,
                                          const plat::ObjectPtr& storage) {
            requests.push_back({macro, key, range, storage});
        });
    }
    ~BasicEditorView() { undo->removeAllActionsWithTarget(&view); }

    QString string() const { return view.string(); }
    State state() const { return {plat::AttributedString(*view.textStorage()), view.selectedRange()}; }

    // The last command is one undo step named actionName; undo brings back
    // before exactly, and redo the state the command left.
    void expectOneUndoStep(const State& before, const QString& actionName)
    {
        const State after = state();
        EXPECT_EQ(undo->undoActionName().toStdString(), actionName.toStdString());
        undo->undo();
        EXPECT_EQ(string().toStdString(), before.text.string().toStdString());
        EXPECT_TRUE(state().text == before.text) << "attributes differ after undo";
        EXPECT_EQ(view.selectedRange(), before.selection);
        EXPECT_FALSE(undo->canUndo());
        undo->redo();
        EXPECT_TRUE(state().text == after.text) << "redo differs";
        EXPECT_EQ(view.selectedRange(), after.selection);
    }

    View view;
    std::shared_ptr<plat::UndoManager> undo;
    ZQRenderContext context;
    std::vector<BlockRequest> requests;
};

using EditorView = BasicEditorView<plat::TextView>;
