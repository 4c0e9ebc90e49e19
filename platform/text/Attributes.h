#pragma once
// Attribute dictionaries of attributed text and the platform's attribute names.
// A dictionary is a value: copies share one entry list until one of them
// changes, so a dictionary handed out by a string never changes under its
// holder, and the values in it (style objects, fonts...) are shared, not copied.
// The entries sit in one vector ordered by name, as a map would order them: a
// dictionary holds a handful of names, so a scan beats a tree and a copy costs
// one allocation instead of one per entry.

#include "platform/foundation/Value.h"

#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

namespace plat {

inline const QString FontAttribute = QStringLiteral("NSFont");
inline const QString ForegroundColorAttribute = QStringLiteral("NSColor");
inline const QString BackgroundColorAttribute = QStringLiteral("NSBackgroundColor");
inline const QString ParagraphStyleAttribute = QStringLiteral("NSParagraphStyle");
inline const QString LinkAttribute = QStringLiteral("NSLink");
inline const QString UnderlineAttribute = QStringLiteral("NSUnderline");
inline const QString UnderlineColorAttribute = QStringLiteral("NSUnderlineColor");
inline const QString StrikethroughAttribute = QStringLiteral("NSStrikethrough");
inline const QString StrikethroughColorAttribute = QStringLiteral("NSStrikethroughColor");
inline const QString AttachmentAttribute = QStringLiteral("NSAttachment");
inline const QString BaselineOffsetAttribute = QStringLiteral("NSBaselineOffset");
inline const QString SuperscriptAttribute = QStringLiteral("NSSuperScript");
inline const QString KernAttribute = QStringLiteral("NSKern");
inline const QString ToolTipAttribute = QStringLiteral("NSToolTip");
inline const QString CursorAttribute = QStringLiteral("NSCursor");
inline const QString ObliquenessAttribute = QStringLiteral("NSObliqueness");
inline const QString ExpansionAttribute = QStringLiteral("NSExpansion");

// The character that stands for an attachment in the text.
inline constexpr char16_t ObjectReplacementCharacter = 0xFFFC;

class Attributes {
public:
    using Entry = std::pair<QString, Value>;
    using Entries = std::vector<Entry>;

    Attributes() = default;
    Attributes(std::initializer_list<ValueMap::value_type> entries);
    explicit Attributes(ValueMap map);

    bool isEmpty() const { return !m_entries || m_entries->empty(); }
    std::size_t size() const { return m_entries ? m_entries->size() : 0; }
    bool contains(const QString& name) const { return find(name) != nullptr; }
    // The value under name; a null value when there is none.
    const Value& value(const QString& name) const;
    ValueMap map() const;
    // The entries in name order.
    Entries::const_iterator begin() const { return entries().begin(); }
    Entries::const_iterator end() const { return entries().end(); }

    // Setting a null value removes the name.
    void set(const QString& name, Value value);
    void remove(const QString& name);
    // Adds every entry of other, replacing values under the same names.
    void add(const Attributes& other);

    // Entry by entry, values by their own equality.
    friend bool operator==(const Attributes& a, const Attributes& b);
    friend bool operator!=(const Attributes& a, const Attributes& b) { return !(a == b); }

private:
    const Entries& entries() const;
    const Value* find(const QString& name) const;
    Entries& detach();

    std::shared_ptr<const Entries> m_entries; // null while empty
};

} // namespace plat
