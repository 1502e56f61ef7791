#include "shortcuts/Shortcut.h"
#include "shortcuts/SpecialKey.h"

#include <cstddef>
#include <cstdint>

// The stored form of a shortcut comes from a preferences file anyone may have
// edited: whatever it holds must read as a shortcut that writes back the same,
// or as none.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace quillet::shortcuts;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto shortcut = Shortcut::fromJson(text);
    if (!shortcut)
        return 0;
    if (Shortcut::fromJson(shortcut->toJson()) != shortcut)
        __builtin_trap();
    if (modifiersFromQt(qtModifiers(shortcut->carbonModifiers)) & ~knownModifiers)
        __builtin_trap();
    if (const auto special = specialKey(shortcut->carbonKeyCode);
        special && keyCode(*special) != shortcut->carbonKeyCode)
        __builtin_trap();
    return 0;
}
