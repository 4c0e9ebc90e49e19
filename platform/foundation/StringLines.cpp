#include "platform/foundation/StringLines.h"

namespace plat {

bool isLineTerminator(QChar c)
{
    const char16_t u = c.unicode();
    return u == 0x000A || u == 0x000D || u == 0x0085 || u == 0x2028 || u == 0x2029;
}

bool isParagraphTerminator(QChar c)
{
    const char16_t u = c.unicode();
    return u == 0x000A || u == 0x000D || u == 0x2029;
}

namespace {

bool isCrLfAt(const QString& text, qsizetype crIndex)
{
    return crIndex >= 0 && crIndex + 1 < text.size() && text[crIndex] == u'\r' && text[crIndex + 1] == u'\n';
}

template <typename Terminator>
LineBounds bounds(const QString& text, Range range, Terminator isTerminator, const char* where)
{
    checkRange(range, text.size(), where);
    const qsizetype n = text.size();

    // A position on the LF of a CR LF belongs to the line the CR ends.
    qsizetype start = range.location;
    if (isCrLfAt(text, start - 1))
        --start;
    while (start > 0 && !isTerminator(text[start - 1]))
        --start;

    qsizetype last = range.length > 0 ? range.end() - 1 : range.location;
    LineBounds result;
    result.start = start;
    if (isCrLfAt(text, last - 1)) {
        result.contentsEnd = last - 1;
        result.end = last + 1;
        return result;
    }
    while (last < n && !isTerminator(text[last]))
        ++last;
    result.contentsEnd = last;
    result.end = last == n ? n : (isCrLfAt(text, last) ? last + 2 : last + 1);
    return result;
}

} // namespace

LineBounds lineBounds(const QString& text, Range range)
{
    return bounds(text, range, isLineTerminator, "lineRangeForRange");
}

Range lineRangeForRange(const QString& text, Range range)
{
    return lineBounds(text, range).range();
}

LineBounds paragraphBounds(const QString& text, Range range)
{
    return bounds(text, range, isParagraphTerminator, "paragraphRangeForRange");
}

Range paragraphRangeForRange(const QString& text, Range range)
{
    return paragraphBounds(text, range).range();
}

} // namespace plat
