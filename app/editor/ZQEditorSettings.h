#pragma once
// The shared settings the editors read and write their line metrics in. The
// application's settings object is the kit's shared one.

#include "kit/model/ZSSettings.h"

inline std::shared_ptr<ZSSettings> editorSharedSettings()
{
    return ZSSettings::sharedSettings();
}
