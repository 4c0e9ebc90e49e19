#pragma once
// Editable text that collects its changes in batches: nested begin/end editing,
// the kinds of change (EditedAttributes, EditedCharacters), the union of the
// edited ranges in final coordinates and the total change in length. At the
// outermost end it processes the batch once: attributes of the edited
// paragraphs are fixed and the delegate and observers are told. An edit outside
// a batch is a batch of its own.

#include "platform/text/AttributedString.h"
#include "platform/text/CallbackList.h"

namespace plat {

class TextStorage;

class TextStorageDelegate {
public:
    virtual ~TextStorageDelegate() = default;
    // Before attribute fixing: changes made here are fixed and reported with the batch.
    virtual void textStorageWillProcessEditing(TextStorage&, unsigned /*editedMask*/, Range /*editedRange*/,
                                               qsizetype /*changeInLength*/) {}
    virtual void textStorageDidProcessEditing(TextStorage&, unsigned /*editedMask*/, Range /*editedRange*/,
                                              qsizetype /*changeInLength*/) {}
};

class TextStorage : public MutableAttributedString {
public:
    TextStorage() = default;
    explicit TextStorage(const AttributedString& text) : MutableAttributedString(text) {}
    TextStorage(const TextStorage&) = delete;
    TextStorage& operator=(const TextStorage&) = delete;

    void beginEditing() override;
    void endEditing() override;
    bool isEditing() const { return m_editingDepth > 0; }

    // Records a change: range is what it replaced in the text as it was.
    void edited(unsigned editedMask, Range range, qsizetype changeInLength) override;
    // The batch so far; the range is notFound() while nothing was edited.
    unsigned editedMask() const { return m_editedMask; }
    Range editedRange() const { return m_editedRange; }
    qsizetype changeInLength() const { return m_changeInLength; }

    // Not owned; the delegate must outlive its registration.
    TextStorageDelegate* delegate() const { return m_delegate; }
    void setDelegate(TextStorageDelegate* delegate) { m_delegate = delegate; }

    enum class Phase { WillProcessEditing, DidProcessEditing };
    using Observers = CallbackList<TextStorage&, Phase>;
    using ObserverId = Observers::Id;
    ObserverId addObserver(Observers::Observer observer) { return m_observers.add(std::move(observer)); }
    void removeObserver(ObserverId id) { m_observers.remove(id); }

protected:
    virtual void processEditing();

private:
    int m_editingDepth = 0;
    bool m_processing = false;
    unsigned m_editedMask = 0;
    Range m_editedRange = Range::notFound();
    qsizetype m_changeInLength = 0;
    TextStorageDelegate* m_delegate = nullptr;
    Observers m_observers;
};

} // namespace plat
