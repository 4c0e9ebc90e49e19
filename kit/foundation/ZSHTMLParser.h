#pragma once
// A tag scanner, not an HTML parser: a tag is everything from a "<" to the
// next ">", and the text between tags is content.

#include "platform/foundation/Object.h"

#include <QString>

class ZSHTMLListener {
public:
    virtual ~ZSHTMLListener() = default;
    virtual void startDocument() = 0;
    virtual void endDocument() = 0;
    // The tag text from "<" to ">" inclusive.
    virtual void tag(const QString& tag) = 0;
    virtual void content(const QString& content) = 0;
};

class ZSHTMLParser : public plat::Object {
public:
    QString className() const override { return QStringLiteral("ZSHTMLParser"); }

    // Reports every character exactly once, in order; a "<" without a later
    // ">" is content of its own; empty input gives one empty content.
    void scan(const QString& html, ZSHTMLListener& listener) const;
};
