#pragma once

#include "shortcuts/KeyboardLayout.h"

#include <QHash>

namespace quillet::test {

// A keyboard layout from a table of key codes; starts as US ANSI letters and
// digits.
class FakeKeyboardLayout final : public shortcuts::KeyboardLayout {
public:
    FakeKeyboardLayout()
    {
        const struct {
            int code;
            char character;
        } usAnsi[] = { { 0, 'a' }, { 1, 's' }, { 2, 'd' }, { 3, 'f' }, { 4, 'h' }, { 5, 'g' }, { 6, 'z' },
            { 7, 'x' }, { 8, 'c' }, { 9, 'v' }, { 11, 'b' }, { 12, 'q' }, { 13, 'w' }, { 14, 'e' },
            { 15, 'r' }, { 16, 'y' }, { 17, 't' }, { 31, 'o' }, { 32, 'u' }, { 34, 'i' }, { 35, 'p' },
            { 37, 'l' }, { 38, 'j' }, { 40, 'k' }, { 45, 'n' }, { 46, 'm' }, { 18, '1' }, { 19, '2' },
            { 20, '3' }, { 29, '0' }, { 43, ',' }, { 47, '.' } };
        for (const auto &entry : usAnsi)
            characters.insert(entry.code, QString(QLatin1Char(entry.character)));
    }

    std::optional<QString> translate(int keyCode) const override
    {
        if (!available)
            return std::nullopt;
        return characters.value(keyCode);
    }

    QHash<int, QString> characters;
    bool available = true;
};

} // namespace quillet::test
