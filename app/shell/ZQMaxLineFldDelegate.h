#pragma once
// The characters-per-line field of the preferences: each change of its text
// that is a whole number from 41 to 999 becomes the line length (stored, and
// the editors' line widths measured again); anything else, including a number
// still being typed, changes nothing.

#include "kit/model/ZSSettings.h"

#include <QString>

class ZQMaxLineFldDelegate {
public:
    ZQMaxLineFldDelegate() : m_settings(ZSSettings::sharedSettings()) {}

    // The field's text after a change; true when it was applied.
    bool controlTextDidChange(const QString& text);

private:
    ZSSettingsPtr m_settings;
};
