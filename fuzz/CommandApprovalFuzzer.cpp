#include "launcher/CommandApproval.h"
#include "launcher/ShellCommandReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString command = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    // The reader invents no text: in a reading it could follow, a word written
    // plainly stands in the input as it is, once line continuations are gone.
    const quillet::ShellCommandReader reading(command);
    const QString joined = QString(command).remove(QStringLiteral("\\\n"));
    for (const quillet::ShellSimpleCommand &simple : reading.commands()) {
        for (const quillet::ShellWord &word : simple.words) {
            if (!reading.doubtful() && word.isPlain() && !joined.contains(word.value))
                __builtin_trap();
        }
    }

    const bool dangerous = quillet::isDangerous(command);
    // Prefixing a dangerous command with another one never hides it.
    if (dangerous && !quillet::isDangerous(QStringLiteral("ls; ") + command))
        __builtin_trap();

    // Whatever a command that runs without asking leaves open (a quote, a
    // here-document, a comment, a continued line), a destructive line after
    // it still asks.
    const auto runsUnasked
        = [](const QString &text) { return !quillet::isDangerous(text) && quillet::isReadOnly(text); };
    if (runsUnasked(command) && runsUnasked(command + QStringLiteral("\nrm -rf x")))
        __builtin_trap();

    // Nothing that runs unasked carries text bash would substitute if it
    // read a word again (an array subscript of test -v, arithmetic), however
    // it was quoted.
    if (runsUnasked(command)) {
        for (const quillet::ShellSimpleCommand &simple : reading.commands()) {
            for (const quillet::ShellWord &word : simple.words) {
                if (word.value.contains(QLatin1String("$(")) || word.value.contains(u'`')
                    || word.value.contains(QLatin1String("${")))
                    __builtin_trap();
            }
        }
    }
    return 0;
}
