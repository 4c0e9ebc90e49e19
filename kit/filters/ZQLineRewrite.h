#pragma once
// The new text of a stretch of whole lines, built in order from the old one,
// with a record of where each old position went: the commands that put
// markers before lines or take them away keep the selection (a caret too) on
// the characters it was on.

#include "platform/foundation/Range.h"
#include "platform/text/AttributedString.h"

#include <functional>
#include <vector>

namespace plat {
class TextView;
}

class ZQLineRewrite {
public:
    explicit ZQLineRewrite(plat::AttributedString source) : m_source(std::move(source)) {}

    const plat::AttributedString& source() const { return m_source; }
    const plat::MutableAttributedString& result() const { return m_result; }

    // Copies the old text up to position.
    void keepUpTo(qsizetype position);
    // Puts text in at the current old position.
    void insert(const plat::AttributedString& text);
    // Drops the old text of range, which must not lie before the current position.
    void remove(plat::Range range);
    // Copies what is left of the old text.
    void finish() { keepUpTo(m_source.length()); }

    // Calls block with each line of the old text (its range, without the
    // terminator's removal in mind: the whole line), the text before it
    // copied; an empty text is one empty line. Copies the rest at the end.
    void forEachLine(const std::function<void(plat::Range line)>& block);

    // Where an old position is now; a caret where text went in moves after it.
    qsizetype map(qsizetype position) const;

    // Replaces range of the view's text (the old text) with the result as one
    // undo step, carrying the selection along.
    void apply(plat::TextView& view, plat::Range range, const QString& actionName) const;

private:
    struct Edit {
        qsizetype location;
        qsizetype removed;
        qsizetype inserted;
    };
    plat::AttributedString m_source;
    plat::MutableAttributedString m_result;
    qsizetype m_position = 0;
    std::vector<Edit> m_edits;
};
