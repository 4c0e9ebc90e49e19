#pragma once
// One scanned tag: its name (lower case, letters and digits) and whether it
// closes an element.

#include "platform/foundation/Object.h"

#include <QString>

class HTMLNode : public plat::Object {
public:
    // The tag text from "<" to ">".
    explicit HTMLNode(const QString& tag);

    QString className() const override { return QStringLiteral("HTMLNode"); }

    // Null when the tag holds no name (a comment, a declaration, "<>").
    const QString& tagName() const { return m_tagName; }
    bool closeTag() const { return m_closeTag; }

    // Exactly one of the two closes, and the names are equal.
    bool isPaired(const HTMLNode& other) const;

    static QString parseTagName(const QString& tag);
    static bool isWord(QChar c);

private:
    QString m_tagName;
    bool m_closeTag = false;
};
