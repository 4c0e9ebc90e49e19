#pragma once
// What the full-text index stores and asks for. Words are split by SQLite's
// unicode61 tokenizer (letters, digits, private-use characters and marks make
// words; Latin diacritics fold away). Scripts written without spaces (Chinese,
// Japanese, Korean, Thai, Lao, Khmer, Myanmar) would make a whole sentence one
// word, so each of their characters (with its marks) becomes a word of its
// own, and a search term in them matches as a phrase: a word found inside a
// sentence, one character long or longer.

#include <QString>

class ZQIndexText {
public:
    ZQIndexText() = delete;

    // The text in the form the index stores: NFC, with a space around each
    // character of a script written without spaces.
    static QString indexableText(const QString& text);

    // The FTS5 expression for a search typed by the user: each term separated
    // by white space becomes one quoted phrase, and every phrase must match.
    // Nothing the user types reaches FTS5 as query syntax. Terms without any
    // word character (punctuation, operators, lone quotes) are dropped; empty
    // when nothing is left to search for.
    static QString matchExpression(const QString& userText);
};
