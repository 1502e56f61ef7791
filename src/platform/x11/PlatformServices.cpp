#include "platform/x11/PlatformServices.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11KeySynthesizer.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11Workspace.h"
#include "platform/x11/XdgAutostart.h"

#include <QGuiApplication>

namespace quillet {

namespace {

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

} // namespace

PlatformServices makePlatformServices()
{
    PlatformServices services;
    services.loginItems = std::make_unique<x11::XdgAutostart>();

    const QString platform = QGuiApplication::platformName();
    std::shared_ptr<x11::X11Connection> clipboardConnection;
    std::shared_ptr<x11::X11Connection> desktopConnection;
    QString reason;
    if (platform != QLatin1String("xcb")) {
        reason = QStringLiteral("Quillet needs an X11 session, and the display platform is “%1”")
                     .arg(platform.isEmpty() ? QStringLiteral("none") : platform);
    } else {
        const QByteArray display = x11::X11Connection::qtDisplayName();
        clipboardConnection = x11::X11Connection::open(display);
        desktopConnection = x11::X11Connection::open(display);
        if (!clipboardConnection || !desktopConnection) {
            clipboardConnection.reset();
            desktopConnection.reset();
            reason
                = QStringLiteral("the X server “%1” cannot be reached").arg(QString::fromLocal8Bit(display));
        }
    }

    if (!clipboardConnection) {
        services.pasteboard = std::make_unique<InertPasteboard>();
        services.workspace = std::make_unique<x11::X11Workspace>(nullptr);
        services.keySynthesizer = std::make_unique<InertKeySynthesizer>();
        services.unavailableFeatures
            << QStringLiteral("Clipboard history is unavailable: %1.").arg(reason)
            << QStringLiteral(
                   "Pasting into other applications and AI transforms of selected text are unavailable: %1.")
                   .arg(reason)
            << QStringLiteral(
                   "The application a copy came from cannot be told, so excluded applications are not "
                   "recognised: %1.")
                   .arg(reason);
        return services;
    }

    auto pasteboard = std::make_unique<x11::X11Pasteboard>(clipboardConnection);
    services.pasteboard = std::move(pasteboard);
    services.workspace = std::make_unique<x11::X11Workspace>(desktopConnection);
    auto keys = std::make_unique<x11::X11KeySynthesizer>(desktopConnection);
    if (!keys->isTrusted()) {
        services.unavailableFeatures << QStringLiteral("Pasting into other applications and AI transforms of "
                                                       "selected text are unavailable: the X server lacks "
                                                       "the XTest extension.");
    }
    services.keySynthesizer = std::move(keys);
    return services;
}

} // namespace quillet
