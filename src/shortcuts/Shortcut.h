#pragma once

#include <QHashFunctions>
#include <QJsonObject>
#include <QString>
#include <Qt>

#include <optional>

namespace quillet::shortcuts {

// Modifier bits in the stored encoding (the Carbon mask that the preference
// file has always held). On Linux, Command is the Super key and Option is Alt.
enum Modifier : int {
    command = 0x100,
    shift = 0x200,
    option = 0x800,
    control = 0x1000,
    function = 0x20000,
};

// Every bit the encoding knows; anything else is dropped when converting.
inline constexpr int knownModifiers = command | shift | option | control | function;

// Qt's modifiers in the stored encoding and back. Qt has no Function
// modifier, and its keypad flag is not a modifier of a shortcut: both are
// dropped, like every bit the table does not list.
int modifiersFromQt(Qt::KeyboardModifiers modifiers);
Qt::KeyboardModifiers qtModifiers(int modifiers);

// A key by its position: the virtual key code of a US ANSI keyboard, so a
// stored shortcut means the same physical key whatever the layout.
struct Key {
    int rawValue = 0;

    friend bool operator==(const Key &, const Key &) = default;

    static constexpr Key fromRaw(int raw) { return Key { raw }; }
};

namespace keys {
inline constexpr Key a { 0 }, s { 1 }, d { 2 }, f { 3 }, h { 4 }, g { 5 }, z { 6 }, x { 7 }, c { 8 }, v { 9 },
    b { 11 }, q { 12 }, w { 13 }, e { 14 }, r { 15 }, y { 16 }, t { 17 }, one { 18 }, two { 19 },
    three { 20 }, four { 21 }, six { 22 }, five { 23 }, equal { 24 }, nine { 25 }, seven { 26 }, minus { 27 },
    eight { 28 }, zero { 29 }, rightBracket { 30 }, o { 31 }, u { 32 }, leftBracket { 33 }, i { 34 },
    p { 35 }, returnKey { 36 }, l { 37 }, j { 38 }, quote { 39 }, k { 40 }, semicolon { 41 },
    backslash { 42 }, comma { 43 }, slash { 44 }, n { 45 }, m { 46 }, period { 47 }, tab { 48 }, space { 49 },
    backtick { 50 }, deleteKey { 51 }, escape { 53 }, f5 { 96 }, f6 { 97 }, f7 { 98 }, f3 { 99 }, f8 { 100 },
    f9 { 101 }, f11 { 103 }, f10 { 109 }, f12 { 111 }, f4 { 118 }, f2 { 120 }, f1 { 122 }, leftArrow { 123 },
    rightArrow { 124 }, downArrow { 125 }, upArrow { 126 };
} // namespace keys

// A key combination as it is stored and registered.
struct Shortcut {
    int carbonKeyCode = 0;
    int carbonModifiers = 0;

    Shortcut() = default;
    Shortcut(int keyCode, int modifiers)
        : carbonKeyCode(keyCode)
        , carbonModifiers(modifiers)
    {
    }
    // Bits outside the encoding are dropped.
    Shortcut(Key key, int modifiers)
        : carbonKeyCode(key.rawValue)
        , carbonModifiers(modifiers & knownModifiers)
    {
    }
    Shortcut(Key key, Qt::KeyboardModifiers modifiers)
        : carbonKeyCode(key.rawValue)
        , carbonModifiers(modifiersFromQt(modifiers))
    {
    }

    Key key() const { return Key { carbonKeyCode }; }
    int modifiers() const { return carbonModifiers & knownModifiers; }
    bool has(Modifier modifier) const { return (carbonModifiers & modifier) != 0; }

    // The stored form: {"carbonKeyCode": …, "carbonModifiers": …} as UTF-8 JSON.
    QString toJson() const;
    // Nothing unless the text is a JSON object whose two members are integers.
    static std::optional<Shortcut> fromJson(const QString &json);

    friend bool operator==(const Shortcut &, const Shortcut &) = default;
};

inline size_t qHash(const Shortcut &shortcut, size_t seed = 0) noexcept
{
    return qHashMulti(seed, shortcut.carbonKeyCode, shortcut.carbonModifiers);
}

} // namespace quillet::shortcuts
