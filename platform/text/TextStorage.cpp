#include "platform/text/TextStorage.h"

#include <algorithm>

namespace plat {

void TextStorage::beginEditing()
{
    ++m_editingDepth;
}

void TextStorage::endEditing()
{
    if (m_editingDepth == 0)
        return;
    if (--m_editingDepth == 0 && m_editedMask != 0 && !m_processing)
        processEditing();
}

void TextStorage::edited(unsigned editedMask, Range range, qsizetype changeInLength)
{
    const Range replacement(range.location, range.length + changeInLength);
    if (m_editedRange.isNotFound()) {
        m_editedRange = replacement;
    } else {
        // Carry the earlier range over this change, then take in the new text.
        auto carry = [&](qsizetype position, qsizetype inside) {
            if (position <= range.location)
                return position;
            if (position >= range.end())
                return position + changeInLength;
            return inside;
        };
        const qsizetype start = std::min(carry(m_editedRange.location, range.location), replacement.location);
        const qsizetype end = std::max(carry(m_editedRange.end(), replacement.end()), replacement.end());
        m_editedRange = Range(start, end - start);
    }
    m_editedMask |= editedMask;
    m_changeInLength += changeInLength;
    if (m_editingDepth == 0 && !m_processing)
        processEditing();
}

void TextStorage::processEditing()
{
    struct Reset {
        TextStorage& storage;
        ~Reset()
        {
            storage.m_processing = false;
            storage.m_editedMask = 0;
            storage.m_editedRange = Range::notFound();
            storage.m_changeInLength = 0;
        }
    } reset{*this};
    m_processing = true;

    if (m_delegate)
        m_delegate->textStorageWillProcessEditing(*this, m_editedMask, m_editedRange, m_changeInLength);
    m_observers.notify(*this, Phase::WillProcessEditing);
    const qsizetype start = std::min(m_editedRange.location, length());
    fixAttributes(Range(start, std::min(m_editedRange.end(), length()) - start));
    if (m_delegate)
        m_delegate->textStorageDidProcessEditing(*this, m_editedMask, m_editedRange, m_changeInLength);
    m_observers.notify(*this, Phase::DidProcessEditing);
}

} // namespace plat
