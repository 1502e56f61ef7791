#pragma once

#include "shortcuts/DesktopShortcutService.h"

namespace quillet::test {

// A desktop that keeps global shortcuts for applications, answering at once:
// remembers what was bound, reports the triggers the test assigns, and names
// combinations from a table the test fills.
class FakeDesktopShortcuts final : public shortcuts::DesktopShortcutService {
public:
    State state() const override { return current; }
    void bind(const QList<Binding> &bindings) override { bound = bindings; }
    QHash<QString, QString> triggers() const override { return assigned; }
    bool canConfigure() const override { return configurable; }
    void configure() override { ++configureCalls; }
    std::optional<QString> trigger(const shortcuts::Shortcut &shortcut) const override
    {
        const auto name = notations.constFind(shortcut);
        return name == notations.constEnd() ? std::nullopt : std::optional<QString>(*name);
    }

    void setState(State state)
    {
        current = state;
        Q_EMIT stateChanged();
    }

    State current = State::ready;
    QList<Binding> bound;
    QHash<QString, QString> assigned;
    QHash<shortcuts::Shortcut, QString> notations;
    bool configurable = true;
    int configureCalls = 0;
};

} // namespace quillet::test
