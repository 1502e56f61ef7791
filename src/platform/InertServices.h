#pragma once

#include "platform/KeySynthesizer.h"
#include "platform/Pasteboard.h"

namespace quillet {

// Stand-ins for a desktop that offers Quillet no clipboard or no synthetic
// keys: they do nothing, and say so through their answers.

// A clipboard that is always empty, never changes and ignores writes.
class InertPasteboard final : public Pasteboard {
public:
    qint64 changeCount() const override { return 0; }
    bool notifiesChanges() const override { return true; }
    QFuture<PasteboardContents> read(ReadPlan) override
    {
        return QtFuture::makeReadyFuture(PasteboardContents {});
    }
    QFuture<std::optional<QString>> readText(Selection) override
    {
        return QtFuture::makeReadyFuture(std::optional<QString>());
    }
    QFuture<void> clear() override { return QtFuture::makeReadyFuture(); }
    QFuture<void> write(const QList<PasteboardItem> &) override { return QtFuture::makeReadyFuture(); }
    QFuture<void> restore(const QList<PasteboardItem> &) override { return QtFuture::makeReadyFuture(); }
};

// Reports that keystrokes cannot be posted, and posts none.
class InertKeySynthesizer final : public KeySynthesizer {
public:
    bool isTrusted() override { return false; }
    void postCopy() override { }
    void postPaste(std::optional<WindowId>) override { }
};

} // namespace quillet
