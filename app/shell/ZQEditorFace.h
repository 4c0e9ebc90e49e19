#pragma once
// What a page window needs of each of its two editors: the text-view model
// (storage, selection, editor type), its widget, and whether the user may
// edit. The window's editor factory makes them, so the window works with any
// editor widget that keeps its text in the shared model.

#include "app/shell/ZQWordCountObserver.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZSAbstractTextView.h"

#include <QWidget>
#include <functional>
#include <memory>

class ZQRender;
class ZQStyleContextPopover;

class ZQEditorFace {
public:
    virtual ~ZQEditorFace() = default;

    virtual ZSAbstractTextView& textView() = 0;
    virtual QWidget* widget() = 0;
    virtual void setEditable(bool editable) = 0;
    virtual bool isEditable() const = 0;
    // Shows storage from now on (the document's text); the selection goes to {0, 0}.
    virtual void replaceTextStorage(std::shared_ptr<plat::TextStorage> storage) = 0;
    // Called after each user edit of the shown text.
    virtual void setTextEditedHandler(std::function<void()> handler) = 0;
    // The window's render engine, whose context holds the page's storages.
    virtual void setMarkupRender(std::shared_ptr<ZQRender>) {}
    // Word counts of the shown text, queued off the main thread; their
    // results go to the window's observer.
    virtual void setWordCountObserver(ZQWordCountObserverPtr) {}
    virtual void countWords() {}
    virtual void cleanWordCounts() {}
    // Carries out an editor action number (a menu item's, help label's or
    // style-popover button's tag).
    virtual void menuShortcutForAction(quint64) {}
    // What the editor asks of its window: whether it is a stand-alone editor
    // window, the style popover shown at a selection (none: no popover) and
    // where each selection is recorded.
    virtual void setWindowServices(bool /*isEditorWindow*/, ZQStyleContextPopover* /*stylePopover*/,
                                   std::function<void(plat::Range)> /*recordSelection*/)
    {
    }
};

// Makes the editor of a type (Rich or Markup) as a child of parent.
using ZQEditorFactory = std::function<std::shared_ptr<ZQEditorFace>(ZQEditorType type, QWidget* parent)>;
