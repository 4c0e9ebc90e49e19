#pragma once
// Shows a file or folder selected in the desktop's file manager: the
// FileManager1 call on the session bus, else the folder that holds it opened
// by the desktop. Tests install a recorder in its place.

#include <QString>
#include <memory>

class ZQFileReveal {
public:
    virtual ~ZQFileReveal() = default;
    // False when neither way could show it.
    virtual bool reveal(const QString& path);

    static std::shared_ptr<ZQFileReveal> current();
    // None puts the desktop's back.
    static void setCurrent(std::shared_ptr<ZQFileReveal> reveal);
};
