#include "platform/text/AttributedString.h"

#include <algorithm>
#include <string>

namespace plat {

namespace {

// Paragraphs end after LF, CR (a CR LF pair ends once, after the LF), NEL or
// the paragraph separator; the line separator U+2028 stays inside a paragraph.
bool endsParagraph(const QString& text, qsizetype i)
{
    switch (text[i].unicode()) {
    case 0x000A:
    case 0x0085:
    case 0x2029:
        return true;
    case 0x000D:
        return i + 1 >= text.size() || text[i + 1].unicode() != 0x000A;
    default:
        return false;
    }
}

Range paragraphRange(const QString& text, Range range)
{
    qsizetype start = range.location;
    while (start > 0 && !endsParagraph(text, start - 1))
        --start;
    qsizetype end = range.length > 0 ? range.end() - 1 : range.location;
    while (end < text.size() && !endsParagraph(text, end))
        ++end;
    end = std::min(end + 1, text.size());
    return Range(start, std::max(end, range.end()) - start);
}

bool isAbsent(const Value& value)
{
    return value.isNull();
}

bool isAbsent(const Attributes&)
{
    return false;
}

} // namespace

AttributedString::AttributedString(const QString& string, const Attributes& attributes) : m_string(string)
{
    m_runs.splice(0, 0, AttributeRun{string.size(), attributes});
}

void AttributedString::checkIndex(qsizetype index, const char* where) const
{
    if (index < 0 || index >= length())
        throw RangeError(std::string(where) + ": index " + std::to_string(index) + " out of bounds "
                         + std::to_string(length()));
}

Attributes AttributedString::attributesAtIndex(qsizetype index, Range* effectiveRange) const
{
    checkIndex(index, "attributesAtIndex");
    const AttributeRuns::Found run = m_runs.find(index);
    if (effectiveRange)
        *effectiveRange = run.range;
    return *run.attributes;
}

Value AttributedString::attributeAtIndex(const QString& name, qsizetype index, Range* effectiveRange) const
{
    checkIndex(index, "attributeAtIndex");
    const AttributeRuns::Found run = m_runs.find(index);
    if (effectiveRange)
        *effectiveRange = run.range;
    return run.attributes->value(name);
}

Value AttributedString::attributeAtIndexLongestEffectiveRange(const QString& name, qsizetype index,
                                                             Range* longestRange, Range inRange) const
{
    checkIndex(index, "attributeAtIndexLongestEffectiveRange");
    checkRange(inRange, length(), "attributeAtIndexLongestEffectiveRange");
    if (!inRange.contains(index))
        throw RangeError("attributeAtIndexLongestEffectiveRange: index outside the range");
    AttributeRuns::Cursor forward(m_runs, index, true);
    const Value value = forward.attributes().value(name);
    if (!longestRange)
        return value;
    qsizetype end = forward.end();
    for (forward.advance(); forward.isValid() && end < inRange.end() && forward.attributes().value(name) == value;
         forward.advance())
        end = forward.end();
    AttributeRuns::Cursor backward(m_runs, index, false);
    qsizetype start = backward.start();
    for (backward.advance(); backward.isValid() && start > inRange.location && backward.attributes().value(name) == value;
         backward.advance())
        start = backward.start();
    start = std::max(start, inRange.location);
    *longestRange = Range(start, std::min(end, inRange.end()) - start);
    return value;
}

Attributes AttributedString::attributesAtIndexLongestEffectiveRange(qsizetype index, Range* longestRange,
                                                                     Range inRange) const
{
    checkIndex(index, "attributesAtIndexLongestEffectiveRange");
    checkRange(inRange, length(), "attributesAtIndexLongestEffectiveRange");
    if (!inRange.contains(index))
        throw RangeError("attributesAtIndexLongestEffectiveRange: index outside the range");
    // Runs are maximal, so a run is the longest range of its dictionary.
    const AttributeRuns::Found run = m_runs.find(index);
    if (longestRange)
        *longestRange = intersection(run.range, inRange);
    return *run.attributes;
}

// Walks range run by run in the options' direction, joining neighbours whose
// keys are equal when merge is set. The block may edit the text: the walk then
// finds its place again by position.
template <typename Key, typename Visit>
void AttributedString::walk(Range range, unsigned options, bool merge, const Key& key, const Visit& visit,
                            quint64 nameBit) const
{
    checkRange(range, length(), "enumerate");
    const bool reverse = options & EnumerationReverse;
    qsizetype low = range.location;
    qsizetype high = range.end();
    if (low >= high)
        return;
    AttributeRuns::Cursor run(m_runs, reverse ? high - 1 : low, !reverse);
    while (low < high) {
        const auto value = key(run.attributes());
        const bool skipping = nameBit != 0 && isAbsent(value);
        qsizetype from = std::max(run.start(), low);
        qsizetype to = std::min(run.end(), high);
        run.advance();
        while (merge && run.isValid() && run.end() > low && run.start() < high) {
            if (skipping && !run.mayHold(nameBit)) {
                // No run before the next one that may hold the name holds it.
                const qsizetype next = m_runs.nextRunWithName(nameBit, reverse ? run.end() : run.start(), !reverse);
                if (reverse) {
                    from = std::max(next, low);
                    if (next <= low)
                        break;
                    run.seek(next - 1);
                } else {
                    to = std::min(next, high);
                    if (next >= high)
                        break;
                    run.seek(next);
                }
                continue;
            }
            if (!(key(run.attributes()) == value))
                break;
            from = std::min(from, std::max(run.start(), low));
            to = std::max(to, std::min(run.end(), high));
            run.advance();
        }
        const quint64 version = m_version;
        bool stop = false;
        visit(value, Range(from, to - from), &stop);
        if (stop)
            return;
        if (reverse)
            high = std::min(from, length());
        else
            low = to;
        if (m_version != version) {
            high = std::min(high, length());
            if (low < high)
                run = AttributeRuns::Cursor(m_runs, reverse ? high - 1 : low, !reverse);
        }
    }
}

void AttributedString::enumerateAttribute(const QString& name, Range range, unsigned options,
                                          const AttributeBlock& block) const
{
    walk(
        range, options, !(options & EnumerationLongestEffectiveRangeNotRequired),
        [&](const Attributes& attributes) -> const Value& { return attributes.value(name); }, block,
        AttributeRuns::nameBit(name));
}

void AttributedString::enumerateAttributes(Range range, unsigned options, const AttributesBlock& block) const
{
    walk(
        range, options, false, [](const Attributes& attributes) -> const Attributes& { return attributes; }, block, 0);
}

AttributedString AttributedString::attributedSubstring(Range range) const
{
    checkRange(range, length(), "attributedSubstring");
    AttributedString result;
    result.m_string = m_string.mid(range.location, range.length);
    result.m_runs.splice(0, 0, m_runs, range);
    return result;
}

bool AttributedString::isEqual(const AttributedString& other) const
{
    return m_string == other.m_string && m_runs == other.m_runs;
}

void MutableAttributedString::edited(unsigned, Range, qsizetype) {}

void MutableAttributedString::didEdit(unsigned editedMask, Range range, qsizetype changeInLength)
{
    ++m_version;
    edited(editedMask, range, changeInLength);
}

void MutableAttributedString::replaceCharacters(Range range, const QString& string)
{
    checkRange(range, length(), "replaceCharacters");
    if (range.isEmpty() && string.isEmpty())
        return;
    Attributes inherited;
    if (range.length > 0 || range.location > 0)
        inherited = attributesAtIndex(range.length > 0 ? range.location : range.location - 1);
    else if (length() > 0)
        inherited = attributesAtIndex(0);
    m_string.replace(range.location, range.length, string);
    m_runs.splice(range.location, range.length, AttributeRun{string.size(), inherited});
    didEdit(EditedCharacters, range, string.size() - range.length);
}

void MutableAttributedString::replaceCharacters(Range range, const AttributedString& string)
{
    checkRange(range, length(), "replaceCharacters");
    if (range.isEmpty() && string.length() == 0)
        return;
    const qsizetype added = string.length();
    if (range.location == 0 && range.length == length()) {
        // The whole text replaced (a page opened into its storage): its runs are
        // already merged, so they are taken as they are instead of rebuilt.
        if (&string != this) {
            m_runs = string.m_runs;
            m_string = string.m_string;
        }
        didEdit(EditedCharacters | EditedAttributes, range, added - range.length);
        return;
    }
    // The replacement may be this string: its runs are read before any changes.
    m_runs.splice(range.location, range.length, string.m_runs, Range(0, added));
    const QString text = string.m_string;
    m_string.replace(range.location, range.length, text);
    didEdit(EditedCharacters | EditedAttributes, range, added - range.length);
}

void MutableAttributedString::insert(const AttributedString& string, qsizetype index)
{
    replaceCharacters(Range(index, 0), string);
}

void MutableAttributedString::append(const AttributedString& string)
{
    replaceCharacters(Range(length(), 0), string);
}

void MutableAttributedString::append(const AttributedString& string, Range range)
{
    checkRange(range, string.length(), "append");
    if (range.isEmpty())
        return;
    const Range end(length(), 0);
    m_runs.splice(end.location, 0, string.m_runs, range);
    const QString text = string.m_string;
    m_string.append(QStringView(text).mid(range.location, range.length));
    didEdit(EditedCharacters | EditedAttributes, end, range.length);
}

void MutableAttributedString::deleteCharacters(Range range)
{
    replaceCharacters(range, QString());
}

void MutableAttributedString::setAttributedString(const AttributedString& string)
{
    replaceCharacters(Range(0, length()), string);
}

bool MutableAttributedString::setAttributeRuns(std::span<const AttributeRun> runs)
{
    qsizetype total = 0;
    for (const AttributeRun& run : runs) {
        // Compared without adding past the text's length, so forged lengths cannot overflow.
        if (run.length < 0 || run.length > length() - total)
            return false;
        total += run.length;
    }
    if (total != length())
        return false;
    m_runs.splice(0, length(), runs);
    didEdit(EditedAttributes, Range(0, length()), 0);
    return true;
}

void MutableAttributedString::setAttributes(const Attributes& attributes, Range range)
{
    checkRange(range, length(), "setAttributes");
    if (range.isEmpty())
        return;
    m_runs.splice(range.location, range.length, AttributeRun{range.length, attributes});
    didEdit(EditedAttributes, range, 0);
}

void MutableAttributedString::changeAttributes(Range range, const std::function<void(Attributes&)>& change)
{
    if (range.isEmpty())
        return;
    std::vector<AttributeRun> runs = m_runs.runsIn(range);
    for (AttributeRun& run : runs)
        change(run.attributes);
    m_runs.splice(range.location, range.length, runs);
    didEdit(EditedAttributes, range, 0);
}

void MutableAttributedString::addAttribute(const QString& name, const Value& value, Range range)
{
    checkRange(range, length(), "addAttribute");
    changeAttributes(range, [&](Attributes& attributes) { attributes.set(name, value); });
}

void MutableAttributedString::addAttributes(const Attributes& attributes, Range range)
{
    checkRange(range, length(), "addAttributes");
    changeAttributes(range, [&](Attributes& runAttributes) { runAttributes.add(attributes); });
}

void MutableAttributedString::removeAttribute(const QString& name, Range range)
{
    checkRange(range, length(), "removeAttribute");
    changeAttributes(range, [&](Attributes& attributes) { attributes.remove(name); });
}

void MutableAttributedString::fixAttributes(Range range)
{
    checkRange(range, length(), "fixAttributes");
    if (length() == 0)
        return;
    const Range paragraphs = paragraphRange(m_string, range);

    for (qsizetype start = paragraphs.location; start < paragraphs.end();) {
        const Range paragraph = paragraphRange(m_string, Range(start, 0));
        Range same;
        const Value style =
            attributeAtIndexLongestEffectiveRange(ParagraphStyleAttribute, start, &same, paragraph);
        if (same.end() < paragraph.end())
            addAttribute(ParagraphStyleAttribute, style, Range(same.end(), paragraph.end() - same.end()));
        start = paragraph.end();
    }

    std::vector<Range> strayAttachments;
    enumerateAttribute(AttachmentAttribute, paragraphs, 0, [&](const Value& value, Range run, bool*) {
        if (value.isNull())
            return;
        for (qsizetype i = run.location; i < run.end(); ++i) {
            if (m_string[i].unicode() == ObjectReplacementCharacter)
                continue;
            if (!strayAttachments.empty() && strayAttachments.back().end() == i)
                ++strayAttachments.back().length;
            else
                strayAttachments.emplace_back(i, 1);
        }
    });
    for (const Range& stray : strayAttachments)
        removeAttribute(AttachmentAttribute, stray);
}

} // namespace plat
