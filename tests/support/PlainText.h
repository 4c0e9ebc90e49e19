#pragma once
// Text in an editor's default typing attributes, as a user types it.

#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZSSettings.h"
#include "platform/text/AttributedString.h"

inline plat::AttributedString plain(const QString& text, ZQEditorType editorType = ZQEditorType::Rich)
{
    return plat::AttributedString(text, ZSSettings::sharedSettings()->defaultTypingAttribute(editorType));
}
