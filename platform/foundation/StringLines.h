#pragma once
// The string's own line and paragraph model (not the attributed-string
// extensions' one, where every newline character ends a line on its own):
// lines end at LF, CR, CR LF (one terminator), U+0085, U+2028 or U+2029;
// paragraphs end at LF, CR, CR LF or U+2029. VT and FF end neither.

#include "platform/foundation/Range.h"

#include <QString>

namespace plat {

// Where the line(s) around a range start and end; contentsEnd is the end
// without the terminator.
struct LineBounds {
    qsizetype start = 0;
    qsizetype end = 0;
    qsizetype contentsEnd = 0;

    Range range() const { return Range(start, end - start); }
    Range contentsRange() const { return Range(start, contentsEnd - start); }
};

bool isLineTerminator(QChar c);
bool isParagraphTerminator(QChar c);

// From the start of the line holding range.location to the end (terminator
// included) of the line holding the range's last character; an empty range
// gives its own line. Throws RangeError outside the string.
LineBounds lineBounds(const QString& text, Range range);
Range lineRangeForRange(const QString& text, Range range);

// The same with the paragraph terminators.
LineBounds paragraphBounds(const QString& text, Range range);
Range paragraphRangeForRange(const QString& text, Range range);

} // namespace plat
