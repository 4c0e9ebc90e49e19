#pragma once
// The kind of editor a text belongs to and the markup dialect a page is written
// in. Settings, archives and the text view keep them as plain integers, so the
// numbers are fixed; convert with the helpers below where a value is stored or
// read back, and nowhere else.

#include <QtGlobal>

enum class ZQEditorType : quint64 {
    Rich = 1,   // the rich page editor
    Block = 2,  // the small editor of a macro's content
    Markup = 3, // the markup (source) editor
};

enum class ZQMarkupType : quint64 {
    Markdown = 0,
    QuorvelMarkup = 1,
};

// Stored values pass through unchanged, unknown ones included: they compare
// unequal to every named value, as the plain integers did.
constexpr quint64 storedValue(ZQEditorType type) { return static_cast<quint64>(type); }
constexpr quint64 storedValue(ZQMarkupType type) { return static_cast<quint64>(type); }
constexpr ZQEditorType editorTypeFromStored(quint64 value) { return static_cast<ZQEditorType>(value); }
constexpr ZQMarkupType markupTypeFromStored(quint64 value) { return static_cast<ZQMarkupType>(value); }
