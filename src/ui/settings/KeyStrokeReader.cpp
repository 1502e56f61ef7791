#include "ui/settings/KeyStrokeReader.h"

#include "shortcuts/SpecialKey.h"

#include <QHash>
#include <QKeyEvent>

namespace quillet {

using namespace shortcuts;

namespace {

// Printable keys: both labels of each key of the US layout.
const QHash<int, int> &printableKeys()
{
    static const QHash<int, int> table = [] {
        QHash<int, int> keys;
        const char *const letters = "asdfhgzxcv_bqweryt";
        for (int code = 0; letters[code]; ++code) {
            if (letters[code] != '_')
                keys.insert(Qt::Key_A + (letters[code] - 'a'), code);
        }
        const struct {
            int qtKey;
            int code;
        } others[] = {
            { Qt::Key_O, 31 },
            { Qt::Key_U, 32 },
            { Qt::Key_I, 34 },
            { Qt::Key_P, 35 },
            { Qt::Key_L, 37 },
            { Qt::Key_J, 38 },
            { Qt::Key_K, 40 },
            { Qt::Key_N, 45 },
            { Qt::Key_M, 46 },
            { Qt::Key_1, 18 },
            { Qt::Key_Exclam, 18 },
            { Qt::Key_2, 19 },
            { Qt::Key_At, 19 },
            { Qt::Key_3, 20 },
            { Qt::Key_NumberSign, 20 },
            { Qt::Key_4, 21 },
            { Qt::Key_Dollar, 21 },
            { Qt::Key_6, 22 },
            { Qt::Key_AsciiCircum, 22 },
            { Qt::Key_5, 23 },
            { Qt::Key_Percent, 23 },
            { Qt::Key_Equal, 24 },
            { Qt::Key_Plus, 24 },
            { Qt::Key_9, 25 },
            { Qt::Key_ParenLeft, 25 },
            { Qt::Key_7, 26 },
            { Qt::Key_Ampersand, 26 },
            { Qt::Key_Minus, 27 },
            { Qt::Key_Underscore, 27 },
            { Qt::Key_8, 28 },
            { Qt::Key_Asterisk, 28 },
            { Qt::Key_0, 29 },
            { Qt::Key_ParenRight, 29 },
            { Qt::Key_BracketRight, 30 },
            { Qt::Key_BraceRight, 30 },
            { Qt::Key_BracketLeft, 33 },
            { Qt::Key_BraceLeft, 33 },
            { Qt::Key_Apostrophe, 39 },
            { Qt::Key_QuoteDbl, 39 },
            { Qt::Key_Semicolon, 41 },
            { Qt::Key_Colon, 41 },
            { Qt::Key_Backslash, 42 },
            { Qt::Key_Bar, 42 },
            { Qt::Key_Comma, 43 },
            { Qt::Key_Less, 43 },
            { Qt::Key_Slash, 44 },
            { Qt::Key_Question, 44 },
            { Qt::Key_Period, 47 },
            { Qt::Key_Greater, 47 },
            { Qt::Key_QuoteLeft, 50 },
            { Qt::Key_AsciiTilde, 50 },
            { Qt::Key_Backtab, 48 },
        };
        for (const auto &entry : others)
            keys.insert(entry.qtKey, entry.code);
        return keys;
    }();
    return table;
}

bool isKeypadKey(SpecialKey key)
{
    return int(key) >= int(SpecialKey::keypad0);
}

// Keys without a printed character; the keypad's own keys only count with
// the keypad flag.
std::optional<int> specialKeyCode(int pressed, bool keypad)
{
    static const auto build = [](bool wantKeypad) {
        QHash<int, int> keys;
        for (const SpecialKey key : allSpecialKeys()) {
            if (isKeypadKey(key) == wantKeypad)
                keys.insert(shortcuts::qtKey(key), keyCode(key));
        }
        return keys;
    };
    static const QHash<int, int> main = build(false);
    static const QHash<int, int> pad = [] {
        QHash<int, int> keys = build(true);
        keys.insert(Qt::Key_Comma, keyCode(SpecialKey::keypadDecimal));
        return keys;
    }();
    if (keypad) {
        if (const auto found = pad.constFind(pressed); found != pad.constEnd())
            return *found;
    }
    if (pressed == Qt::Key_Enter)
        return keyCode(SpecialKey::keypadEnter);
    if (const auto found = main.constFind(pressed); found != main.constEnd())
        return *found;
    return std::nullopt;
}

} // namespace

std::optional<KeyStroke> keyStrokeFromQtEvent(const QKeyEvent &event)
{
    const int key = event.key();
    const bool keypad = event.modifiers().testFlag(Qt::KeypadModifier);
    std::optional<int> code = specialKeyCode(key, keypad);
    if (!code) {
        if (const auto found = printableKeys().constFind(key); found != printableKeys().constEnd())
            code = *found;
    }
    if (!code)
        return std::nullopt;
    return KeyStroke { *code, modifiersFromQt(event.modifiers()) };
}

} // namespace quillet
