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
    void setPasteTarget(std::optional<WindowId> window) override { pasteTarget = window; }
    void postCopy() override
    {
        posted.append(QStringLiteral("copy"));
        if (onCopy)
            onCopy();
    }
    void postPaste() override
    {
        posted.append(QStringLiteral("paste"));
        if (onPaste)
            onPaste();
    }

    bool trusted = true;
    std::optional<WindowId> pasteTarget;
    QStringList posted;
    std::function<void()> onCopy;
    std::function<void()> onPaste;
};

} // namespace quillet::test
