#include "kit/model/ZSAbstractTextView.h"

#include "kit/model/ZQAttributedString.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"

#include <map>

namespace {

bool isBracket(QChar c)
{
    return ZSAbstractTextView::isOpeningBracket(c) || ZSAbstractTextView::isClosingBracket(c);
}

bool found(plat::Range range)
{
    return range.location != plat::NotFound;
}

// Joins two ranges; one that was not found counts as empty.
plat::Range join(plat::Range a, plat::Range b)
{
    if (!found(a))
        return b;
    if (!found(b))
        return a;
    return plat::unionRange(a, b);
}

bool overlaps(plat::Range a, plat::Range b)
{
    return a.location < b.end() && b.location < a.end();
}

// The block without its brackets contains range; a two-character block contains nothing.
bool innerContains(plat::Range block, plat::Range range)
{
    if (block.length <= 2)
        return false;
    const plat::Range inner(block.location + 1, block.length - 2);
    return inner.location <= range.location && range.end() <= inner.end();
}

plat::Range cutAt(plat::Range range, qsizetype end)
{
    return plat::Range(range.location, std::max<qsizetype>(0, end - range.location));
}

plat::Range startAt(plat::Range range, qsizetype start)
{
    return plat::Range(start, std::max<qsizetype>(0, range.end() - start));
}

} // namespace

std::shared_ptr<ZSSettings> ZSAbstractTextView::effectiveSettings() const
{
    return m_settings ? m_settings : ZSSettings::sharedSettings();
}

void ZSAbstractTextView::resetTypingAttributes(ZQEditorType editorType)
{
    setTypingAttributes(effectiveSettings()->defaultTypingAttribute(editorType));
}

void ZSAbstractTextView::resetTextBlockTypingAttribute()
{
    if (!typingAttributes().contains(ZQAttr::TextBlock))
        return;
    const QString& text = string();
    const qsizetype p = selectedRange().location;
    if (p == 0 || p >= text.size()) {
        resetTypingAttributes(ZQEditorType::Rich);
        return;
    }
    if (isClosingBracket(text[p - 1]))
        resetTypingAttributes(ZQEditorType::Rich);
    if (isOpeningBracket(text[p]))
        resetTypingAttributes(ZQEditorType::Rich);
}

bool ZSAbstractTextView::keyDownTextBlock()
{
    if (!up && !down && !left && !right && !del && !backspace) {
        resetTextBlockTypingAttribute();
        return false;
    }
    plat::TextStorage& storage = *textStorage();
    const QString& text = storage.string();
    const plat::Range selection = selectedRange();
    const qsizetype p = selection.location;
    if (del && p < text.size()) {
        const plat::Range block = ZQMutableAttributedString::longestRangeForAttribute(storage, ZQAttr::TextBlock, p);
        if (isBracket(text[p]) && found(block) && ZSUtils::isRangeBorder(block, p) && selection.length == 0) {
            setSelectedRange(block);
            return true;
        }
    }
    if (backspace && p != 0) {
        if (!isBracket(text[p - 1]))
            return false;
        const plat::Range block = ZQMutableAttributedString::longestRangeForAttribute(storage, ZQAttr::TextBlock, p - 1);
        if (found(block) && ZSUtils::isRangeBorder(block, p - 1) && selection.length == 0) {
            setSelectedRange(block);
            return true;
        }
    }
    return false;
}

bool ZSAbstractTextView::keyDownReadonlyTag()
{
    plat::TextStorage& storage = *textStorage();
    const qsizetype n = storage.length();
    const plat::Range selection = selectedRange();
    const qsizetype p = selection.location;
    auto unitAt = [&storage](qsizetype index) {
        return ZQMutableAttributedString::longestRangeForAttribute(storage, ZQAttr::Readonly, index);
    };

    if (!up && !down && !left && !right && !del && !backspace) {
        if (typingAttributes().contains(ZQAttr::Readonly)) {
            const plat::Range unit = p < n ? unitAt(p) : plat::Range::notFound();
            if (found(unit) && unit.location < p) {
                setSelectedRange(plat::Range(unit.end(), 0));
                plat::Attributes typing = typingAttributes();
                typing.remove(ZQAttr::Readonly);
                setTypingAttributes(typing);
            } else {
                resetTypingAttributes(editorTypeFromStored(editorType()));
            }
        }
        return false;
    }
    if ((del || right) && p < n) {
        const plat::Range unit = unitAt(p);
        if (found(unit)) {
            if (del) {
                if (selection.length == 0) {
                    setSelectedRange(unit);
                    return true;
                }
            } else if (!shiftMask) {
                setSelectedRange(plat::Range(unit.end(), 0));
                return true;
            }
        }
    }
    if ((backspace || left) && p != 0) {
        const plat::Range unit = unitAt(p - 1);
        if (found(unit)) {
            if (backspace) {
                if (selection.length != 0)
                    return false;
                setSelectedRange(unit);
                return true;
            }
            if (shiftMask)
                return false;
            setSelectedRange(plat::Range(unit.location, 0));
            return true;
        }
    }
    return false;
}

plat::Range ZSAbstractTextView::getReadonlyRange(plat::Range range, qsizetype atIndex) const
{
    const plat::TextStorage& storage = *textStorage();
    const qsizetype n = storage.length();
    plat::Range unit = plat::Range::notFound();
    const QString value = atIndex >= 0 && atIndex < n
                              ? storage.attributeAtIndex(ZQAttr::Readonly, atIndex, &unit).toString()
                              : QString();
    const bool hasValue = !value.isEmpty();
    const bool pairedValue = value.startsWith(QLatin1String("paired-"));

    // "paired-" values seen once inside range: their partner lies outside.
    std::map<QString, plat::Range> unpaired;
    qsizetype partner = plat::NotFound;
    storage.enumerateAttribute(ZQAttr::Readonly, range, plat::EnumerationReverse,
                               [&](const plat::Value& v, plat::Range run, bool*) {
                                   const QString runValue = v.toString();
                                   if (runValue.isEmpty())
                                       return;
                                   if (runValue.startsWith(QLatin1String("paired-"))) {
                                       if (!unpaired.erase(runValue))
                                           unpaired.emplace(runValue, run);
                                   }
                                   if (hasValue && runValue == value && !overlaps(run, unit))
                                       partner = run.location;
                               });

    plat::Range result = plat::Range::notFound();
    for (const auto& [pairedKey, recorded] : unpaired) {
        result = recorded;
        storage.enumerateAttribute(ZQAttr::Readonly, plat::Range(0, n), plat::EnumerationReverse,
                                   [&, key = pairedKey](const plat::Value& v, plat::Range run, bool* stop) {
                                       if (v.toString() == key && !overlaps(run, result)) {
                                           result = join(result, run);
                                           *stop = true;
                                       }
                                   });
    }
    if (!hasValue)
        return result;
    if (found(result))
        return join(result, unit);
    if (pairedValue && partner != plat::NotFound) {
        plat::Range partnerRun;
        storage.attributeAtIndex(ZQAttr::Readonly, partner, &partnerRun);
        return join(unit, partnerRun);
    }
    return unit;
}

plat::Range ZSAbstractTextView::decideSelectionRangeForBlock(plat::Range range, int selectionDirection)
{
    plat::TextStorage& storage = *textStorage();
    const qsizetype n = storage.length();
    const bool growing = selectionDirection == 2 || selectionDirection == 3;
    const qsizetype proposedStart = range.location;
    plat::Range s = range;

    const plat::Range startUnit = getReadonlyRange(s, s.location);
    if (found(startUnit) && startUnit.location < s.location)
        s = growing ? plat::unionRange(s, startUnit) : startAt(s, startUnit.end());

    const plat::Range startBlock = proposedStart < n
                                       ? ZQMutableAttributedString::longestRangeForAttribute(storage, ZQAttr::TextBlock,
                                                                                      proposedStart)
                                       : plat::Range::notFound();
    if (found(startBlock) && !innerContains(startBlock, s))
        s = growing ? plat::unionRange(s, startBlock) : startAt(s, startBlock.end());

    const qsizetype e = s.end();
    if (e < n) {
        const plat::Range endUnit = getReadonlyRange(s, e);
        if (found(endUnit) && endUnit.location < e)
            s = growing ? plat::unionRange(s, endUnit) : cutAt(s, endUnit.location);
        const plat::Range endBlock = ZQMutableAttributedString::longestRangeForAttribute(storage, ZQAttr::TextBlock, e);
        if (found(endBlock) && endBlock.location < e && !innerContains(endBlock, s))
            s = growing ? plat::unionRange(s, endBlock) : cutAt(s, endBlock.location);
    }
    return s;
}
