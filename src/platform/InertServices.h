#pragma once

#include "platform/KeySynthesizer.h"
#include "platform/Pasteboard.h"

namespace quillet {

// Stand-ins for a desktop that offers Quillet no clipboard or no synthetic
// keys: they do nothing, and say so through their answers.

// A clipboard that is always empty and ignores writes.
class InertPasteboard final : public Pasteboard {
public:
    qint64 changeCount() override { return 0; }
    QStringList types() override { return {}; }
    int itemCount() override { return 0; }
    QStringList itemTypes(int) override { return {}; }
    std::optional<QByteArray> data(int, const QString &) override { return std::nullopt; }
    std::optional<QString> string() override { return std::nullopt; }
    void clear() override { }
    void write(const QList<PasteboardItem> &) override { }
};

// Reports that keystrokes cannot be posted, and posts none.
class InertKeySynthesizer final : public KeySynthesizer {
public:
    bool isTrusted() override { return false; }
    void setPasteTarget(std::optional<WindowId>) override { }
    void postCopy() override { }
    void postPaste() override { }
};

} // namespace quillet
