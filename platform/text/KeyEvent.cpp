#include "platform/text/KeyEvent.h"

#include <QHash>
#include <QKeyEvent>

namespace plat {

namespace {

// Positions of the ANSI keyboard's keys in the virtual key code space.
const QHash<int, quint16>& keyCodes()
{
    static const QHash<int, quint16> table = [] {
        QHash<int, quint16> t{
            {Qt::Key_Return, KeyCode::Return},
            {Qt::Key_Enter, KeyCode::KeypadEnter},
            {Qt::Key_Tab, KeyCode::Tab},
            {Qt::Key_Backtab, KeyCode::Tab},
            {Qt::Key_Space, KeyCode::Space},
            {Qt::Key_Backspace, KeyCode::Delete},
            {Qt::Key_Escape, KeyCode::Escape},
            {Qt::Key_Delete, KeyCode::ForwardDelete},
            {Qt::Key_Left, KeyCode::Left},
            {Qt::Key_Right, KeyCode::Right},
            {Qt::Key_Down, KeyCode::Down},
            {Qt::Key_Up, KeyCode::Up},
            {Qt::Key_Home, 115},
            {Qt::Key_End, 119},
            {Qt::Key_PageUp, 116},
            {Qt::Key_PageDown, 121},
            {Qt::Key_Comma, KeyCode::Comma},
            {Qt::Key_Less, KeyCode::Comma},
            {Qt::Key_Period, 47},
            {Qt::Key_Greater, 47},
            {Qt::Key_Slash, 44},
            {Qt::Key_Question, 44},
            {Qt::Key_Semicolon, 41},
            {Qt::Key_Colon, 41},
            {Qt::Key_Apostrophe, 39},
            {Qt::Key_QuoteDbl, 39},
            {Qt::Key_BracketLeft, 33},
            {Qt::Key_BraceLeft, 33},
            {Qt::Key_BracketRight, 30},
            {Qt::Key_BraceRight, 30},
            {Qt::Key_Backslash, 42},
            {Qt::Key_Bar, 42},
            {Qt::Key_Minus, 27},
            {Qt::Key_Underscore, 27},
            {Qt::Key_Equal, 24},
            {Qt::Key_Plus, 24},
            {Qt::Key_QuoteLeft, 50},
            {Qt::Key_AsciiTilde, 50},
        };
        const quint16 letters[26] = {0,  11, 8,  2,  14, 3,  5,  4,  34, 38, 40, 37, 46,
                                     45, 31, 35, 12, 15, 1,  17, 32, 9,  13, 7,  16, 6};
        for (int i = 0; i < 26; ++i)
            t.insert(Qt::Key_A + i, letters[i]);
        const quint16 digits[10] = {29, 18, 19, 20, 21, 23, 22, 26, 28, 25};
        for (int i = 0; i < 10; ++i)
            t.insert(Qt::Key_0 + i, digits[i]);
        // Shifted digits share their key.
        const int shifted[10] = {Qt::Key_ParenRight, Qt::Key_Exclam,    Qt::Key_At,        Qt::Key_NumberSign,
                                 Qt::Key_Dollar,     Qt::Key_Percent,   Qt::Key_AsciiCircum, Qt::Key_Ampersand,
                                 Qt::Key_Asterisk,   Qt::Key_ParenLeft};
        for (int i = 0; i < 10; ++i)
            t.insert(shifted[i], digits[i]);
        return t;
    }();
    return table;
}

} // namespace

KeyPress KeyPress::fromQt(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text)
{
    KeyPress press;
    press.keyCode = keyCodes().value(qtKey, KeyCode::Unknown);
    press.characters = text;
    if (modifiers & Qt::ShiftModifier || qtKey == Qt::Key_Backtab)
        press.modifierFlags |= ModifierFlag::Shift;
    if (modifiers & Qt::ControlModifier)
        press.modifierFlags |= ModifierFlag::Command;
    if (modifiers & Qt::MetaModifier)
        press.modifierFlags |= ModifierFlag::Control;
    if (modifiers & Qt::AltModifier)
        press.modifierFlags |= ModifierFlag::Option;
    return press;
}

KeyPress KeyPress::fromEvent(const QKeyEvent& event)
{
    return fromQt(event.key(), event.modifiers(), event.text());
}

} // namespace plat
