#pragma once
// Key presses as the render engine compares them: the classic desktop virtual
// key codes (36 Return, 48 Tab, 53 Escape) and modifier masks with the low 16
// bits clear. Ctrl stands for Command, so the shortcuts sit where Linux users
// expect them; the Meta key gives Control.

#include <QString>
#include <QtGlobal>

class QKeyEvent;

namespace plat {

namespace KeyCode {
constexpr quint16 Return = 36;
constexpr quint16 Tab = 48;
constexpr quint16 Space = 49;
constexpr quint16 Delete = 51; // backspace
constexpr quint16 Escape = 53;
constexpr quint16 KeypadEnter = 76;
constexpr quint16 ForwardDelete = 117;
constexpr quint16 Left = 123;
constexpr quint16 Right = 124;
constexpr quint16 Down = 125;
constexpr quint16 Up = 126;
constexpr quint16 Comma = 43;
constexpr quint16 Unknown = 0xFFFF;
} // namespace KeyCode

namespace ModifierFlag {
constexpr quint64 Shift = 0x20000;
constexpr quint64 Control = 0x40000;
constexpr quint64 Option = 0x80000;
constexpr quint64 Command = 0x100000;
} // namespace ModifierFlag

struct KeyPress {
    quint16 keyCode = KeyCode::Unknown;
    quint64 modifierFlags = 0;
    QString characters;

    static KeyPress fromQt(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text);
    static KeyPress fromEvent(const QKeyEvent& event);
};

} // namespace plat
