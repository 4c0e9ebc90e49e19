#include "app/editor/ZQEditorFaces.h"

#include "app/editor/ZQEditor.h"
#include "app/editor/ZQEditorWindowLink.h"
#include "app/editor/ZQMDEditor.h"
#include "platform/foundation/UndoManager.h"

#include <QPointer>

namespace {

// The window as the editor sees it, filled in by the window.
class FaceWindowLink final : public ZQEditorWindowLink {
public:
    bool isEditorWindow() const override { return editorWindow; }
    void recordSelection(plat::Range range) override
    {
        if (record)
            record(range);
    }
    ZQStyleContextPopover* stylePopoverController() override { return stylePopover; }

    bool editorWindow = false;
    ZQStyleContextPopover* stylePopover = nullptr;
    std::function<void(plat::Range)> record;
};

class StyledEditorFace final : public ZQEditorFace {
public:
    StyledEditorFace(ZQEditorType type, QWidget* parent)
    {
        if (type == ZQEditorType::Markup)
            m_editor = new ZQMDEditor(parent);
        else
            m_editor = new ZQEditor(parent, type);
        m_editor->setUndoManager(std::make_shared<plat::UndoManager>());
        m_editor->addTextDidChangeObserver([this](plat::TextView&) {
            if (m_edited)
                m_edited();
        });
    }
    ~StyledEditorFace() override
    {
        // The widget belongs to its Qt parent; one without a parent is ours.
        if (m_editor && m_editor->windowLink() == &m_link)
            m_editor->setWindowLink(nullptr);
        if (m_editor && !m_editor->parent())
            delete m_editor.data();
    }

    ZSAbstractTextView& textView() override { return *m_editor; }
    QWidget* widget() override { return m_editor; }
    void setEditable(bool editable) override { m_editor->setEditable(editable); }
    bool isEditable() const override { return m_editor->isEditable(); }
    void replaceTextStorage(std::shared_ptr<plat::TextStorage> storage) override
    {
        // Each page shown brings its own undo history.
        m_editor->setUndoManager(std::make_shared<plat::UndoManager>());
        m_editor->replaceTextStorage(std::move(storage));
    }
    void setTextEditedHandler(std::function<void()> handler) override { m_edited = std::move(handler); }
    void setMarkupRender(std::shared_ptr<ZQRender> render) override { m_editor->setMarkupRender(std::move(render)); }
    void setWordCountObserver(ZQWordCountObserverPtr observer) override
    {
        m_editor->setWordCountObserver(std::move(observer));
    }
    void countWords() override { m_editor->countWords(); }
    void cleanWordCounts() override { m_editor->cleanWordCounts(); }
    void menuShortcutForAction(quint64 action) override { m_editor->menuShortcutForAction(action); }
    void setWindowServices(bool isEditorWindow, ZQStyleContextPopover* stylePopover,
                           std::function<void(plat::Range)> recordSelection) override
    {
        m_link.editorWindow = isEditorWindow;
        m_link.stylePopover = stylePopover;
        m_link.record = std::move(recordSelection);
        m_editor->setWindowLink(&m_link);
    }

private:
    QPointer<ZQAbstractEditor> m_editor;
    std::function<void()> m_edited;
    FaceWindowLink m_link;
};

} // namespace

ZQEditorFactory styledEditorFactory()
{
    return [](ZQEditorType type, QWidget* parent) -> std::shared_ptr<ZQEditorFace> {
        return std::make_shared<StyledEditorFace>(type, parent);
    };
}
