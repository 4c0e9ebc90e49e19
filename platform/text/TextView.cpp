#include "platform/text/TextView.h"

#include <algorithm>

namespace plat {

TextView::TextView(std::shared_ptr<TextStorage> storage)
{
    setTextStorage(std::move(storage));
}

void TextView::setTextStorage(std::shared_ptr<TextStorage> storage)
{
    if (m_storage)
        m_storage->removeObserver(m_storageObserver);
    m_storage = storage ? std::move(storage) : std::make_shared<TextStorage>();
    m_storageObserver = m_storage->addObserver([this](TextStorage&, TextStorage::Phase phase) {
        if (phase == TextStorage::Phase::DidProcessEditing)
            followStorageEdit();
    });
    m_selectedRange = Range(0, 0);
    m_affinity = SelectionAffinity::Downstream;
    m_typingAttributes = Attributes();
}

TextView::~TextView()
{
    m_storage->removeObserver(m_storageObserver);
}

void TextView::setSelectedRange(Range range, SelectionAffinity affinity)
{
    checkRange(range, m_storage->length(), "setSelectedRange");
    m_selectedRange = range;
    m_affinity = affinity;
    if (m_storage->length() == 0)
        return;
    const qsizetype from = range.length > 0 || range.location == 0 ? range.location : range.location - 1;
    m_typingAttributes = m_storage->attributesAtIndex(std::min(from, m_storage->length() - 1));
}

// Keeps the selection on the same text when the storage changes underneath:
// after the change it moves with the text, inside the changed stretch it goes
// to its end.
void TextView::followStorageEdit()
{
    if (!(m_storage->editedMask() & EditedCharacters))
        return;
    const Range now = m_storage->editedRange();
    const qsizetype delta = m_storage->changeInLength();
    const qsizetype oldEnd = now.end() - delta;
    auto carry = [&](qsizetype position) {
        if (position <= now.location)
            return position;
        if (position >= oldEnd)
            return position + delta;
        return now.end();
    };
    const qsizetype start = std::min(carry(m_selectedRange.location), m_storage->length());
    const qsizetype end = std::clamp(carry(m_selectedRange.end()), start, m_storage->length());
    const Range moved(start, end - start);
    if (moved != m_selectedRange)
        setSelectedRange(moved, m_affinity);
}

bool TextView::shouldChangeText(Range, const QString&)
{
    return true;
}

void TextView::didChangeText()
{
    m_observers.notify(*this);
}

void TextView::insertText(const QString& text)
{
    const Range range = m_selectedRange;
    if (!shouldChangeText(range, text))
        return;
    const Attributes typing = m_typingAttributes;
    m_storage->beginEditing();
    m_storage->replaceCharacters(range, AttributedString(text, typing));
    m_storage->endEditing();
    setSelectedRange(Range(range.location + text.size(), 0));
    m_typingAttributes = typing;
    didChangeText();
}

void TextView::openEditorBlockForMacro(const QString& macro, const QString& forKey, Range onRange,
                                       const ObjectPtr& storage)
{
    if (m_editorBlockHandler)
        m_editorBlockHandler(macro, forKey, onRange, storage);
}

void TextView::updatePageTitle(Range range)
{
    if (m_pageTitleHandler)
        m_pageTitleHandler(range);
}

} // namespace plat
