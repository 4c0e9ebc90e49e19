#pragma once
// A footnote storage as the render engine hands it to the export handlers:
// its number and its body already rendered for the target.

#include "kit/model/ZQAttachedObjects.h"
#include "kit/model/ZQAttachedStorage.h"

inline ZQAttachedStoragePtr footnotePayload(quint64 number, const QString& body)
{
    auto storage = ZQAttachedStorage::create();
    storage->setOwner(QStringLiteral("ZQMacroFootnote"));
    auto text = ZQAttachedTextObject::create();
    text->setFootIndex(number);
    text->setRenderedContent(plat::AttributedString(body));
    storage->setAttachedText(text);
    return storage;
}
