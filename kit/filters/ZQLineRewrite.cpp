#include "kit/filters/ZQLineRewrite.h"

#include "kit/filters/ZQViewEditing.h"
#include "kit/model/ZQAttributedString.h"
#include "platform/text/TextView.h"

void ZQLineRewrite::keepUpTo(qsizetype position)
{
    if (position <= m_position)
        return;
    m_result.append(m_source.attributedSubstring(plat::Range(m_position, position - m_position)));
    m_position = position;
}

void ZQLineRewrite::insert(const plat::AttributedString& text)
{
    m_result.append(text);
    m_edits.push_back(Edit{m_position, 0, text.length()});
}

void ZQLineRewrite::remove(plat::Range range)
{
    keepUpTo(range.location);
    m_edits.push_back(Edit{range.location, range.length, 0});
    m_position = range.end();
}

void ZQLineRewrite::forEachLine(const std::function<void(plat::Range line)>& block)
{
    if (m_source.length() == 0) {
        block(plat::Range(0, 0));
    } else {
        ZQAttributedString::enumerateLinesRangeUsingBlock(
            m_source,
            [&](plat::Range line, bool*) {
                keepUpTo(line.location);
                block(line);
            },
            plat::Range(0, m_source.length()));
    }
    finish();
}

qsizetype ZQLineRewrite::map(qsizetype position) const
{
    qsizetype shift = 0;
    for (const Edit& edit : m_edits) {
        if (position >= edit.location + edit.removed)
            shift += edit.inserted - edit.removed;
        else if (position > edit.location)
            return edit.location + shift + edit.inserted;
        else
            break;
    }
    return position + shift;
}

void ZQLineRewrite::apply(plat::TextView& view, plat::Range range, const QString& actionName) const
{
    const plat::Range selection = view.selectedRange();
    const qsizetype start = range.location + map(selection.location - range.location);
    const qsizetype end = range.location + map(selection.end() - range.location);
    ZQViewEditing::replace(view, range, m_result, plat::Range(start, end - start), actionName);
}
