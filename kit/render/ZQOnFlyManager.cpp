#include "kit/render/ZQOnFlyManager.h"

#include "kit/filters/ZQViewEditing.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQStyles.h"
#include "platform/text/TextView.h"

namespace {

constexpr int StrongNode = 22;
constexpr int EmphasisNode = 23;

bool isClosingHalf(const plat::AttributedString& content, qsizetype index)
{
    const auto paired = content.attributeAtIndex(ZQAttr::AutoComplete, index).toObject<ZQPairedAttribute>();
    return paired && paired->isClose();
}

} // namespace

std::shared_ptr<ZQOnFlyManager> ZQOnFlyManager::sharedOnFlyManager()
{
    static const std::shared_ptr<ZQOnFlyManager> shared(new ZQOnFlyManager);
    return shared;
}

ZQOnFlyManager::ZQOnFlyManager()
    : m_settings(ZSSettings::sharedSettings()), m_highlighter(ZQHighlighter::sharedHighlighter())
{
}

bool ZQOnFlyManager::markupAutoComplete(const QString& marker, qsizetype onPosition, plat::TextView& onView)
{
    baseMarkupAutoComplete(marker, onPosition, onView);
    return true;
}

plat::Range ZQOnFlyManager::findConsequence(QChar marker, qsizetype onPosition, const plat::AttributedString& content)
{
    const QString& text = content.string();
    qsizetype end = onPosition;
    while (end < text.size() && text[end] == marker && !isClosingHalf(content, end))
        ++end;
    qsizetype start = onPosition;
    while (start > 0 && text[start - 1] == marker && !isClosingHalf(content, start - 1))
        --start;
    return plat::Range(start, end - start);
}

bool ZQOnFlyManager::baseMarkupAutoComplete(const QString& marker, qsizetype position, plat::TextView& view)
{
    if ((marker != QLatin1String("*") && marker != QLatin1String("_")) || position <= 0)
        return false;
    const std::shared_ptr<plat::TextStorage>& storage = view.textStorage();
    if (position > storage->length())
        return false;
    if (!storage->attributeAtIndex(ZQAttr::Paired, position - 1).isNull())
        return false;
    const plat::Range run = findConsequence(marker[0], position, *storage);
    const qsizetype n = run.length;
    if (n == 0)
        return false;

    const auto earlier = ZQAttributedString::findAttributeValue(
                             *storage, ZQAttr::AutoComplete, run, plat::EnumerationLongestEffectiveRangeNotRequired)
                             .toObject<ZQPairedAttribute>();

    const plat::Attributes base = m_settings->defaultTypingAttribute(ZQEditorType::Markup);
    plat::MutableAttributedString opening(plat::AttributedString(marker.repeated(n), base));
    plat::MutableAttributedString closing(opening);

    std::shared_ptr<ZQPairedAttribute> pair;
    plat::Range closingPlace(run.end(), 0);
    if (position < storage->length() && earlier) {
        earlier->setMarker(marker);
        plat::Range atCaret;
        const auto closingHalf =
            storage
                ->attributeAtIndexLongestEffectiveRange(ZQAttr::AutoComplete, position, &atCaret,
                                                        plat::Range(position, storage->length() - position))
                .toObject<ZQPairedAttribute>();
        if (closingHalf && closingHalf->isClose() && closingHalf->uuid() == earlier->uuid()) {
            pair = earlier;
            closingPlace = atCaret;
        }
    }
    if (!pair)
        pair = ZQPairedAttribute::initWithMarker(marker);

    if (n == 1) {
        opening.setAttributes(m_highlighter.baseMarkdown(EmphasisNode, nullptr), plat::Range(0, 1));
        closing.setAttributes(m_highlighter.baseMarkdown(EmphasisNode, nullptr), plat::Range(0, 1));
    } else {
        const qsizetype m = n - n % 2;
        const plat::Attributes strong = m_highlighter.baseMarkdown(StrongNode, nullptr);
        opening.setAttributes(strong, plat::Range(0, m));
        closing.setAttributes(strong, plat::Range(n - m, m));
        if (n % 2) {
            const plat::Attributes emphasis = m_highlighter.baseMarkdown(EmphasisNode, nullptr);
            opening.setAttributes(emphasis, plat::Range(n - 1, 1));
            closing.setAttributes(emphasis, plat::Range(0, 1));
        }
    }
    opening.addAttribute(ZQAttr::AutoComplete, pair, plat::Range(0, n));
    closing.addAttribute(ZQAttr::AutoComplete, pair->copy(), plat::Range(0, n));

    // The opening text keeps the run's length, so the closing place stays put.
    // Undo and redo put the caret back between the two as well.
    const plat::Range caret(position, 0);
    ZQViewEditing::replace(view, run, opening, caret, QStringLiteral("Bold"));
    ZQViewEditing::replace(view, closingPlace, closing, caret, QStringLiteral("Auto Completed - Bold"));
    return true;
}
