#pragma once
// Pieces of HTML output that the inline filters share.
//
// Element markup a filter writes (tags of emphasis, code, links, autolinks)
// carries "ZQTARaw" = ElementKey, so that later passes neither take it for text
// with escapes nor copy it into an image's alternative text.

#include "platform/foundation/CharacterSet.h"
#include "platform/foundation/Range.h"
#include "platform/text/AttributedString.h"

#include <QString>

namespace ZQHTMLWriting {

inline const QString ElementKey = QStringLiteral("htmlElement");

// Markup of an element, marked as written by a renderer.
plat::AttributedString element(const QString& markup);

// The text of range less the element markup in it: an image's alternative
// text, still HTML-escaped as the paragraph holds it.
QString textWithoutElements(const plat::AttributedString& text, plat::Range range);

// UTF-8 percent-encoding of every character outside allowed.
QString percentEncoded(const QString& text, const plat::CharacterSet& allowed);

// "&quot;", "&amp;", "&lt;" or "&gt;" for the four characters HTML reserves;
// null for any other.
QString reservedEntity(QChar c);

} // namespace ZQHTMLWriting
