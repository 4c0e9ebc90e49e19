#pragma once
// Settings installed as the shared settings for the rest of the test run, as the
// program does at start, for code that keeps the shared settings it first saw.

#include "kit/model/ZSSettings.h"

#include "support/ScopedDefaults.h"

inline std::shared_ptr<ZSSettings> installedSettings()
{
    static ScopedDefaults defaults;
    static const std::shared_ptr<ZSSettings> settings = ZSSettings::create();
    if (ZSSettings::sharedSettings() != settings)
        ZSSettings::hookPlatformSettings(settings);
    return settings;
}
