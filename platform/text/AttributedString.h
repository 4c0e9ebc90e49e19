#pragma once
// Attributed text: a QString plus maximal runs of attribute dictionaries.
// Positions are UTF-16 units; positions or ranges outside the text throw
// RangeError. Copies share the dictionaries' value objects.

#include "platform/foundation/Range.h"
#include "platform/text/AttributeRuns.h"
#include "platform/text/Attributes.h"

#include <functional>

namespace plat {

enum EnumerationOption : unsigned {
    EnumerationReverse = 1u << 1,
    // Runs of one attribute may come in pieces instead of merged.
    EnumerationLongestEffectiveRangeNotRequired = 1u << 20,
};

// What an edit changed, as text storage collects it.
enum EditAction : unsigned {
    EditedAttributes = 1,
    EditedCharacters = 2,
};

class AttributedString {
public:
    AttributedString() = default;
    explicit AttributedString(const QString& string, const Attributes& attributes = {});
    AttributedString(const AttributedString&) = default;
    AttributedString(AttributedString&&) = default;
    AttributedString& operator=(const AttributedString&) = default;
    AttributedString& operator=(AttributedString&&) = default;
    virtual ~AttributedString() = default;

    const QString& string() const { return m_string; }
    qsizetype length() const { return m_string.size(); }

    // The dictionary at index; effectiveRange gets its run, which may be shorter
    // than the longest range with that dictionary.
    Attributes attributesAtIndex(qsizetype index, Range* effectiveRange = nullptr) const;
    // The value of one attribute (null when absent) and the run it came from.
    Value attributeAtIndex(const QString& name, qsizetype index, Range* effectiveRange = nullptr) const;
    // The same with the longest range around index over which the value stays
    // equal, cut to inRange, which must hold index.
    Value attributeAtIndexLongestEffectiveRange(const QString& name, qsizetype index, Range* longestRange,
                                                Range inRange) const;
    Attributes attributesAtIndexLongestEffectiveRange(qsizetype index, Range* longestRange, Range inRange) const;

    using AttributeBlock = std::function<void(const Value& value, Range range, bool* stop)>;
    using AttributesBlock = std::function<void(const Attributes& attributes, Range range, bool* stop)>;
    // Visits the ranges over which the attribute keeps one value (null where
    // absent), neighbours with equal values merged, forward or with
    // EnumerationReverse from the end. In reverse the block may change the text
    // at and after the range it was given.
    void enumerateAttribute(const QString& name, Range range, unsigned options, const AttributeBlock& block) const;
    // Visits the runs of whole dictionaries in range.
    void enumerateAttributes(Range range, unsigned options, const AttributesBlock& block) const;

    AttributedString attributedSubstring(Range range) const;

    bool isEqual(const AttributedString& other) const;
    friend bool operator==(const AttributedString& a, const AttributedString& b) { return a.isEqual(b); }
    friend bool operator!=(const AttributedString& a, const AttributedString& b) { return !a.isEqual(b); }

protected:
    void checkIndex(qsizetype index, const char* where) const;

    QString m_string;
    AttributeRuns m_runs;
    // Bumped by every change, so that a walk notices when its block edited the text.
    quint64 m_version = 0;

private:
    friend class MutableAttributedString; // reads the runs of the strings it takes in

    // nameBit, when not 0, lets a merged span without a value step over the
    // runs that cannot hold the name.
    template <typename Key, typename Visit>
    void walk(Range range, unsigned options, bool merge, const Key& key, const Visit& visit, quint64 nameBit) const;
};

class MutableAttributedString : public AttributedString {
public:
    using AttributedString::AttributedString;
    MutableAttributedString(const AttributedString& other) : AttributedString(other) {}

    // New text takes the dictionary of the first replaced character; for an empty
    // range that of the character before, or at position 0 the one after.
    void replaceCharacters(Range range, const QString& string);
    void replaceCharacters(Range range, const AttributedString& string);
    void insert(const AttributedString& string, qsizetype index);
    void append(const AttributedString& string);
    // Appends the part range of string (which may be this string), as
    // append(string.attributedSubstring(range)) does, without the copy.
    void append(const AttributedString& string, Range range);
    void deleteCharacters(Range range);
    void setAttributedString(const AttributedString& string);

    void setAttributes(const Attributes& attributes, Range range);
    // Replaces every dictionary at once by runs laid end to end from position
    // 0; their lengths must add up to the text's length (else nothing changes
    // and the answer is false).
    bool setAttributeRuns(std::span<const AttributeRun> runs);
    // A null value removes the attribute.
    void addAttribute(const QString& name, const Value& value, Range range);
    void addAttributes(const Attributes& attributes, Range range);
    void removeAttribute(const QString& name, Range range);

    // Batches of edits; text storage processes them once at the outermost end.
    virtual void beginEditing() {}
    virtual void endEditing() {}

    // Over the paragraphs touching range: each paragraph takes the paragraph
    // style of its first character; the attachment attribute stays only on
    // the object replacement character.
    void fixAttributes(Range range);

protected:
    // Every change reports the range it replaced (in the text as it was) and the
    // change in length.
    virtual void edited(unsigned editedMask, Range range, qsizetype changeInLength);

private:
    void changeAttributes(Range range, const std::function<void(Attributes&)>& change);
    // Counts the change and reports it.
    void didEdit(unsigned editedMask, Range range, qsizetype changeInLength);
};

} // namespace plat
