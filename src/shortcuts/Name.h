#pragma once

#include "shortcuts/Shortcut.h"

#include <QMetaType>
#include <QString>

#include <optional>

namespace quillet::shortcuts {

// A shortcut as application code knows it: by name, with an optional factory
// combination and a description of what it does for desktops that list the
// shortcuts they keep for applications. Two names are the same when their raw
// values are.
struct Name {
    QString rawValue;
    std::optional<Shortcut> defaultShortcut;
    QString description;

    Name() = default;
    explicit Name(QString raw, std::optional<Shortcut> factory = std::nullopt, QString what = {})
        : rawValue(std::move(raw))
        , defaultShortcut(factory)
        , description(std::move(what))
    {
    }

    // The preference key that holds the name's shortcut.
    QString defaultsKey() const { return QStringLiteral("KeyboardShortcuts_") + rawValue; }

    friend bool operator==(const Name &a, const Name &b) { return a.rawValue == b.rawValue; }
};

inline size_t qHash(const Name &name, size_t seed = 0) noexcept
{
    return qHash(name.rawValue, seed);
}

} // namespace quillet::shortcuts

Q_DECLARE_METATYPE(quillet::shortcuts::Name)
