#pragma once
// Class operations shared by the whole kit, one section per concern; each
// section is implemented in its own ZSUtils*.cpp.

#include <QString>

class HTMLNode;

class ZSUtils {
public:
    ZSUtils() = delete;

    // --- HTML tags (ZSUtilsHTML.cpp) ------------------------------------------

    // One of the 22 block-level names (table, div, h1-h6, lists, p, br, ...).
    static bool isBlockTag(const HTMLNode& node);
    // The text begins (after spaces and tabs) with a block element: an opening
    // block tag, or a closing tag followed later by its opening partner.
    static bool isStartByBlockHtmlTag(const QString& text);
    // The same from the end of the text backwards.
    static bool isEndByBlockHtmlTag(const QString& text);
};
