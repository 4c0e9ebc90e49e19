// The editor's selection rules: screening every proposed selection before the
// view applies it, recording it afterwards, and the style popover beside a
// non-empty selection.

#include "app/editor/ZQAbstractEditor.h"

#include "app/editor/ZQEditorWindowLink.h"
#include "app/editor/ZQStyleContextPopover.h"
#include "app/shell/ZQSetting.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSUtils.h"
#include "platform/ui/LayoutManager.h"

#include <QDebug>
#include <QScrollBar>
#include <exception>

namespace {

// Selection directions: which end is fixed and whether the selection grows.
namespace SelectionDirection {
constexpr quint64 StartFixedShrinks = 1;
constexpr quint64 StartFixedGrows = 2;
constexpr quint64 EndFixedGrows = 3;
constexpr quint64 EndFixedShrinks = 4;
} // namespace SelectionDirection

constexpr qint64 NoMenuSelected = ZQStyleContextPopover::BasicMenu;

} // namespace

void ZQAbstractEditor::setSelectedRange(plat::Range range, plat::SelectionAffinity affinity)
{
    if (range.length == 0)
        lastAnchorPoint = plat::Range(range.location, 0);
    plat::TextView::setSelectedRange(range, affinity);
}

plat::Range ZQAbstractEditor::willChangeSelection(plat::Range from, plat::Range to, plat::SelectionAffinity& affinity)
{
    const std::vector<plat::Range> screened = textViewWillChangeSelection({from}, {to});
    return plat::TextViewWidget::willChangeSelection(from, screened.front(), affinity);
}

std::vector<plat::Range> ZQAbstractEditor::textViewWillChangeSelection(const std::vector<plat::Range>& oldRanges,
                                                                       const std::vector<plat::Range>& newRanges)
{
    const std::vector<plat::Range> fallback{plat::Range(0, 0)};
    std::vector<plat::Range> result;
    try {
        const auto& storage = textStorage();
        const qsizetype textLength = storage->length();
        for (const plat::Range& n : newRanges) {
            if (n.length < 0) {
                qWarning("Unexpected - selection range overflow");
                return fallback;
            }
            if (n.length == 0) {
                // A caret inside a read-only run goes to the run's end.
                qsizetype l = n.location;
                if (l >= 0 && l < textLength) {
                    plat::Range run;
                    if (!storage
                             ->attributeAtIndexLongestEffectiveRange(ZQAttr::Readonly, l, &run,
                                                                     plat::Range(0, textLength))
                             .isNull()
                        && l != run.location)
                        l = run.end();
                }
                result.emplace_back(l, 0);
                continue;
            }
            qsizetype a = lastAnchorPoint.location;
            const bool trusted = a <= n.location || a == n.end();
            plat::Range c = n;
            for (const plat::Range& o : oldRanges) {
                if (!trusted) {
                    // The end that kept its place is the anchor.
                    a = o.location == c.location ? n.location : n.end();
                    lastAnchorPoint = plat::Range(a, 0);
                }
                const bool grows = o.length < c.length;
                if (a == n.location)
                    selectionDirection = grows ? SelectionDirection::StartFixedGrows
                                               : SelectionDirection::StartFixedShrinks;
                else
                    selectionDirection = grows ? SelectionDirection::EndFixedGrows
                                               : SelectionDirection::EndFixedShrinks;
                c = decideSelectionRangeForBlock(c, int(selectionDirection));
            }
            result.push_back(c);
        }
    } catch (const std::exception& error) {
        qWarning("Unexpected - [textView:willChangeSelectionFromCharacterRanges] has exception %s", error.what());
        return fallback;
    }
    return result;
}

plat::Attributes ZQAbstractEditor::selectionTypingAttributes() const
{
    const auto& shared = settings();
    const plat::Attributes defaults =
        shared ? shared->defaultTypingAttribute(editorTypeFromStored(editorType())) : plat::Attributes();
    return ZQAttributedString::typingAttributeInRange(*textStorage(), selectedRange(), defaults);
}

qint64 ZQAbstractEditor::selectionStyleKeycodes() const
{
    return ZSUtils::textAttributesTokeycode(selectionTypingAttributes());
}

ZQStyleContextPopover* ZQAbstractEditor::stylePopoverController() const
{
    return m_windowLink ? m_windowLink->stylePopoverController() : nullptr;
}

void ZQAbstractEditor::textViewDidChangeSelection()
{
    if (!m_windowLink)
        return;
    const plat::Range selection = selectedRange();
    m_windowLink->recordSelection(selection);
    const auto options = std::dynamic_pointer_cast<ZQSetting>(settings());
    if (options && options->disableFormatStylePopover())
        return;
    ZQStyleContextPopover* popover = stylePopoverController();
    if (!popover || selection.length == 0)
        return;
    // A formatting action changes the text under a popover that stays put.
    if (remainStylePopoverPosition && popover->isShown())
        return;
    const plat::Attributes typing = selectionTypingAttributes();
    if (typing.contains(ZQAttr::Raw) || typing.contains(ZQAttr::Readonly)) {
        popover->close();
        return;
    }
    const qint64 keycodes = ZSUtils::textAttributesTokeycode(typing);
    qint64 menuID = NoMenuSelected;
    quint64 arrow = selectionDirection == SelectionDirection::StartFixedShrinks
                            || selectionDirection == SelectionDirection::StartFixedGrows
                        ? plat::Popover::MaxYEdge
                        : plat::Popover::MinYEdge;
    if (popover->isShown()) {
        arrow = popover->arrowDirection();
        menuID = popover->selectedMenuID();
    }
    const auto& manager = layoutManager();
    if (!manager)
        return;
    const QList<QRectF> rects = manager->rectArrayForCharacterRange(selection);
    if (rects.isEmpty())
        return;
    // Beside the moving end: the last line when the end moves, else the first.
    QRectF anchor = arrow == plat::Popover::MaxYEdge ? rects.back() : rects.front();
    anchor.translate(textContainerOrigin());
    // The view's coordinates on screen: zoomed and scrolled.
    const qreal scale = scaleFactor();
    anchor = QRectF(anchor.x() * scale - horizontalScrollBar()->value(),
                    anchor.y() * scale - verticalScrollBar()->value(), anchor.width() * scale,
                    anchor.height() * scale)
                 .translated(viewport()->pos());
    popover->showPopover(anchor, this, menuID, arrow, keycodes);
}

void ZQAbstractEditor::fixStylePopover()
{
    ZQStyleContextPopover* popover = stylePopoverController();
    if (!popover || !popover->isShown())
        return;
    if (selectedRange().length == 0)
        popover->close();
    else
        popover->fixStyleButtonState(selectionStyleKeycodes());
}
