#include "defaults/Defaults.h"
#include "shortcuts/KeyboardShortcuts.h"

#include <QHash>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace quillet;
using namespace quillet::shortcuts;

namespace {

// Grabs everything; the benchmark presses by id.
class RecordingBackend final : public HotKeyBackend {
public:
    int grab(quint32 id, const Shortcut &shortcut) override
    {
        ids.insert(shortcut, id);
        return 0;
    }
    void ungrab(quint32) override { }
    bool isTakenElsewhere(const Shortcut &) override { return false; }
    void release(const Shortcut &shortcut) { Q_EMIT released(ids.value(shortcut)); }

    QHash<Shortcut, quint32> ids;
};

class UsLayout final : public KeyboardLayout {
public:
    std::optional<QString> translate(int keyCode) const override
    {
        return keyCode == 9 ? QStringLiteral("v") : QString();
    }
};

// A release with the application's five names, seven built-in prompts and
// fifty saved prompts bound: every name's stored combination is compared.
void releaseWithSixtyTwoNames(benchmark::State &state)
{
    QTemporaryDir dir;
    Defaults defaults(dir.filePath(QStringLiteral("Quillet.conf")));
    RecordingBackend backend;
    UsLayout layout;
    KeyboardShortcuts library(defaults, &backend, &layout);
    int runs = 0;
    for (int i = 0; i < 62; ++i) {
        const Name name(QStringLiteral("name-%1").arg(i), Shortcut(i % 50, control | option));
        library.onKeyUp(name, [&] { ++runs; });
    }
    const Shortcut pressed(7, control | option);
    for (auto _ : state)
        backend.release(pressed);
    if (runs == 0)
        state.SkipWithError("no handler ran");
}
BENCHMARK(releaseWithSixtyTwoNames)->Unit(benchmark::kMicrosecond);

void describe(benchmark::State &state)
{
    QTemporaryDir dir;
    Defaults defaults(dir.filePath(QStringLiteral("Quillet.conf")));
    UsLayout layout;
    KeyboardShortcuts library(defaults, nullptr, &layout);
    const Shortcut shortcut(9, control | option | shift | command);
    for (auto _ : state)
        benchmark::DoNotOptimize(library.description(shortcut));
}
BENCHMARK(describe)->Unit(benchmark::kMicrosecond);

} // namespace
