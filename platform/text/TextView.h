#pragma once
// The headless model of an editing view: its text storage, the selection with
// its affinity, the typing attributes, the document's undo manager and the
// editor type. Editors and the engine talk to this model; tests drive it
// without widgets.

#include "platform/foundation/Object.h"
#include "platform/text/TextStorage.h"

#include <functional>
#include <memory>

namespace plat {

class UndoManager;

enum class SelectionAffinity { Upstream = 0, Downstream = 1 };

class TextView {
public:
    explicit TextView(std::shared_ptr<TextStorage> storage = std::make_shared<TextStorage>());
    virtual ~TextView();
    TextView(const TextView&) = delete;
    TextView& operator=(const TextView&) = delete;

    const std::shared_ptr<TextStorage>& textStorage() const { return m_storage; }
    // Shows another storage (a page's text, a footnote's body); the caret goes
    // to its start and the typing attributes are cleared.
    void setTextStorage(std::shared_ptr<TextStorage> storage);
    const QString& string() const { return m_storage->string(); }

    Range selectedRange() const { return m_selectedRange; }
    SelectionAffinity selectionAffinity() const { return m_affinity; }
    // Throws RangeError outside the text. The typing attributes become those of
    // the character before the caret (of the first selected character for a
    // selection; of the first character at position 0).
    virtual void setSelectedRange(Range range, SelectionAffinity affinity = SelectionAffinity::Downstream);

    const Attributes& typingAttributes() const { return m_typingAttributes; }
    virtual void setTypingAttributes(const Attributes& attributes) { m_typingAttributes = attributes; }

    // The document's undo manager, handed to the view; none by default.
    const std::shared_ptr<UndoManager>& undoManager() const { return m_undoManager; }
    void setUndoManager(std::shared_ptr<UndoManager> undoManager) { m_undoManager = std::move(undoManager); }

    // Asked before a user edit replaces range; a false answer cancels it.
    virtual bool shouldChangeText(Range range, const QString& replacement);
    // Called after a user edit; tells the observers.
    virtual void didChangeText();

    // Replaces the selection with text in the typing attributes and puts the
    // caret after it; the typing attributes stay.
    virtual void insertText(const QString& text);

    // 1 rich text, 2 block editor, 3 markup; 0 until set.
    virtual quint64 editorType() const { return m_editorType; }
    virtual void setEditorType(quint64 type) { m_editorType = type; }

    // Opening the block editor of a macro ("ZQMacroFootnote", "ZQMacroImage",
    // "ZQFilterLink") on the construct at onRange, with its attached storage,
    // is the editor's business: it installs the handler. Without one the
    // request does nothing.
    using EditorBlockHandler = std::function<void(const QString& macro, const QString& forKey, Range onRange,
                                                  const ObjectPtr& storage)>;
    void setEditorBlockHandler(EditorBlockHandler handler) { m_editorBlockHandler = std::move(handler); }
    void openEditorBlockForMacro(const QString& macro, const QString& forKey, Range onRange,
                                 const ObjectPtr& storage);

    // Taking the page title again after an edit in range is the editor's
    // business too (the outline title goes to the window); without a handler
    // the request does nothing.
    using PageTitleHandler = std::function<void(Range range)>;
    void setPageTitleHandler(PageTitleHandler handler) { m_pageTitleHandler = std::move(handler); }
    void updatePageTitle(Range range);

    using Observers = CallbackList<TextView&>;
    using ObserverId = Observers::Id;
    ObserverId addTextDidChangeObserver(Observers::Observer observer) { return m_observers.add(std::move(observer)); }
    void removeTextDidChangeObserver(ObserverId id) { m_observers.remove(id); }

private:
    void followStorageEdit();

    std::shared_ptr<TextStorage> m_storage;
    TextStorage::ObserverId m_storageObserver = 0;
    Range m_selectedRange;
    SelectionAffinity m_affinity = SelectionAffinity::Downstream;
    Attributes m_typingAttributes;
    std::shared_ptr<UndoManager> m_undoManager;
    quint64 m_editorType = 0;
    EditorBlockHandler m_editorBlockHandler;
    PageTitleHandler m_pageTitleHandler;
    Observers m_observers;
};

} // namespace plat
