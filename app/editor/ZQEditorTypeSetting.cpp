#include "app/editor/ZQEditorTypeSetting.h"

#include "app/editor/ZQEditorSettings.h"
#include "kit/model/ZQAttributeNames.h"
#include "platform/ui/LayoutManager.h"

ZQEditorTypeSetting::ZQEditorTypeSetting(ZQEditorType editorType)
    : m_editorType(editorType), m_settings(editorSharedSettings())
{
}

bool ZQEditorTypeSetting::shouldBreakLineByWordBeforeCharacterAtIndex(qsizetype index)
{
    const plat::LayoutManager* manager = layoutManager();
    if (!manager || !manager->textStorage())
        return true;
    const plat::TextStorage& storage = *manager->textStorage();
    if (index < 0 || index >= storage.length())
        return true;
    return storage.attributeAtIndex(ZQAttr::Readonly, index).isNull();
}

void ZQEditorTypeSetting::willSetLineFragmentRect(QRectF& lineRect, plat::Range glyphRange, QRectF& usedRect,
                                                  qreal& baselineOffset)
{
    bool codeLine = false;
    const plat::LayoutManager* manager = layoutManager();
    if (manager && manager->textStorage()) {
        const plat::TextStorage& storage = *manager->textStorage();
        const qsizetype first = manager->characterRangeForGlyphRange(glyphRange).location;
        if (first >= 0 && first < storage.length()) {
            // Fences and the info line count as text; only the body is code.
            codeLine = storage.attributeAtIndex(ZQAttr::FilterCodeBlock, first).toString() == QLatin1String("B")
                       || !storage.attributeAtIndex(ZQAttr::IndentBlock, first).isNull();
        }
    }
    if (!m_settings)
        return;
    double gapSetting = 0;
    if (m_editorType == ZQEditorType::Rich)
        gapSetting = codeLine ? m_settings->editorCodeBlockRichLineGap() : m_settings->editorRichLineGap();
    else
        gapSetting = codeLine ? m_settings->editorCodeBlockMarkdownLineGap() : m_settings->editorMarkdownLineGap();
    const float gap = float(gapSetting);
    lineRect.setHeight(lineRect.height() + gap);
    usedRect.setHeight(usedRect.height() + gap);
    baselineOffset += gap / 2.0f;
}
