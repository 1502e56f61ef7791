#pragma once

#include "platform/KeySynthesizer.h"

#include <QStringList>

#include <functional>

namespace quillet::test {

// Records the keystrokes Quillet would post; a test can make the "copy"
// behave like an application that puts its selection on the clipboard.
class FakeKeySynthesizer final : public KeySynthesizer {
public:
    bool isTrusted() override { return trusted; }
    void postCopy() override
    {
        posted.append(QStringLiteral("copy"));
        if (onCopy)
            onCopy();
    }
    void postPaste(std::optional<WindowId> target = std::nullopt) override
    {
        posted.append(QStringLiteral("paste"));
        pasteTargets.append(target);
    }

    bool trusted = true;
    // The target of each paste, in order.
    QList<std::optional<WindowId>> pasteTargets;
    QStringList posted;
    std::function<void()> onCopy;
};

} // namespace quillet::test
