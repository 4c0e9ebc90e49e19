#include "kit/model/ZQRenderUtil.h"

#include "kit/model/ZQAttributeNames.h"
#include "platform/text/AttributedString.h"

#include <algorithm>

namespace {

const QString SelectionMark = QStringLiteral("selRange");

} // namespace

void ZQRenderUtil::rememberSelectionRange(plat::MutableAttributedString& text, plat::Range selRange,
                                          plat::Range affectRange)
{
    const qsizetype location = selRange.location - affectRange.location;
    // A selection outside the text being rendered has nothing to mark.
    if (location < 0 || location > text.length())
        return;
    const qsizetype length = std::min(selRange.length, text.length() - location);
    text.addAttribute(ZQAttr::PRreformatte, SelectionMark, plat::Range(location, length));
}

plat::Range ZQRenderUtil::rangeOfRememberedSelection(plat::MutableAttributedString& text)
{
    qsizetype start = plat::NotFound;
    qsizetype end = 0;
    // Only the selection's marks: handlers mark text to preserve under the same name.
    text.enumerateAttribute(ZQAttr::PRreformatte, plat::Range(0, text.length()), plat::EnumerationReverse,
                            [&](const plat::Value& value, plat::Range range, bool*) {
                                if (value.toString() != SelectionMark)
                                    return;
                                text.removeAttribute(ZQAttr::PRreformatte, range);
                                if (start == plat::NotFound)
                                    end = range.end();
                                start = range.location;
                            });
    return start == plat::NotFound ? plat::Range::notFound() : plat::Range(start, end - start);
}

ZQRenderUtil::CodeHighlighting ZQRenderUtil::cachingCodeBlockHighlighting(const plat::AttributedString& text,
                                                                          plat::Range inRange)
{
    CodeHighlighting cache;
    text.enumerateAttribute(ZQAttr::CodeBlockKeyword, inRange, plat::EnumerationReverse,
                            [&](const plat::Value& value, plat::Range range, bool*) {
                                if (!value.isNull())
                                    cache.push_back({range, value});
                            });
    return cache;
}

void ZQRenderUtil::restoreCodeBlockHighlighting(plat::MutableAttributedString& text,
                                                CodeHighlighting& codeHighlighting, plat::Range inRange)
{
    if (codeHighlighting.empty())
        return;
    // The cache runs from the end of the text to its start; in text order a
    // block's colours are found by binary search, so restoring stays linear.
    std::reverse(codeHighlighting.begin(), codeHighlighting.end());
    std::vector<bool> applied(codeHighlighting.size(), false);
    qsizetype remaining = qsizetype(codeHighlighting.size());
    const auto restoreIn = [&](const QString& blockName) {
        // In reverse, the colours set inside a run leave the runs still ahead alone.
        text.enumerateAttribute(blockName, inRange, plat::EnumerationReverse,
                                [&](const plat::Value& value, plat::Range run, bool* stop) {
            if (value.isNull())
                return;
            auto it = std::lower_bound(codeHighlighting.begin(), codeHighlighting.end(), run.location,
                                       [](const CodeHighlight& entry, qsizetype at) { return entry.range.location < at; });
            for (; it != codeHighlighting.end() && it->range.location < run.end(); ++it) {
                const size_t index = size_t(it - codeHighlighting.begin());
                if (applied[index] || it->range.end() > run.end())
                    continue;
                text.addAttribute(ZQAttr::CodeBlockKeyword, it->colour, it->range);
                text.addAttribute(plat::ForegroundColorAttribute, it->colour, it->range);
                applied[index] = true;
                --remaining;
            }
            *stop = remaining == 0;
        });
    };
    restoreIn(ZQAttr::FilterCodeBlock);
    if (remaining > 0)
        restoreIn(ZQAttr::IndentBlock);

    CodeHighlighting left;
    for (size_t i = codeHighlighting.size(); i-- > 0;) {
        if (!applied[i])
            left.push_back(codeHighlighting[i]);
    }
    codeHighlighting = std::move(left);
}
