#pragma once
// The shared settings the editors read and write their line metrics in. The
// application's settings object is the kit's shared one.

#include "kit/model/ZSSettings.h"
#include "platform/text/Color.h"

#include <QColor>

inline std::shared_ptr<ZSSettings> editorSharedSettings()
{
    return ZSSettings::sharedSettings();
}

// A theme colour for a widget; the fallback when the theme has none.
inline QColor themeColor(const plat::ColorPtr& color, QColor fallback)
{
    return color ? color->toQColor() : fallback;
}
