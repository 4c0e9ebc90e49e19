#include "platform/text/KeyEvent.h"

#include <QKeyEvent>
#include <gtest/gtest.h>

using plat::KeyPress;
namespace Flag = plat::ModifierFlag;

TEST(KeyEvent, QtKeysBecomeVirtualKeyCodesAndModifierMasks)
{
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        quint16 code;
        quint64 flags;
    };
    const Case cases[] = {
        {Qt::Key_Return, Qt::NoModifier, 36, 0},
        {Qt::Key_Tab, Qt::NoModifier, 48, 0},
        {Qt::Key_Backtab, Qt::ShiftModifier, 48, Flag::Shift},
        // Some platforms report Backtab without Shift; it is Shift-Tab all the same.
        {Qt::Key_Backtab, Qt::NoModifier, 48, Flag::Shift},
        {Qt::Key_Escape, Qt::NoModifier, 53, 0},
        {Qt::Key_Return, Qt::MetaModifier, 36, Flag::Control},
        {Qt::Key_B, Qt::ControlModifier, 11, Flag::Command},
        {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, 6, Flag::Command | Flag::Shift},
        {Qt::Key_1, Qt::ControlModifier | Qt::AltModifier, 18, Flag::Command | Flag::Option},
        {Qt::Key_Exclam, Qt::ShiftModifier, 18, Flag::Shift},
        {Qt::Key_Comma, Qt::NoModifier, 43, 0},
        {Qt::Key_F13, Qt::NoModifier, plat::KeyCode::Unknown, 0},
    };
    for (const Case& c : cases) {
        const KeyPress press = KeyPress::fromQt(c.key, c.modifiers, QString());
        EXPECT_EQ(press.keyCode, c.code) << c.key;
        EXPECT_EQ(press.modifierFlags, c.flags) << c.key;
        EXPECT_EQ(press.modifierFlags & 0xFFFF, 0u);
    }
}

TEST(KeyEvent, EventCarriesItsCharacters)
{
    const QKeyEvent event(QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier, QStringLiteral("A"));
    const KeyPress press = KeyPress::fromEvent(event);
    EXPECT_EQ(press.keyCode, 0);
    EXPECT_EQ(press.modifierFlags, Flag::Shift);
    EXPECT_EQ(press.characters, "A");
}
