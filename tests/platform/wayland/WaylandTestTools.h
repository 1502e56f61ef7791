#pragma once

// Outside actors for the Wayland tests (run inside scripts/with-sway):
// wl-copy as another application that owns the clipboard, wl-paste as one
// that reads it, and the test window program of the X11 tests on Qt's Wayland
// platform.

#include "platform/x11/X11TestTools.h"
#include "support/TestEnvironment.h"

namespace quillet::test {

// A `wl-copy --foreground` process that owns the clipboard (or the primary
// selection) with `data` offered as `type` until it loses the selection or
// the object is destroyed.
class WlCopy {
public:
    explicit WlCopy(
        const QByteArray &data, const QString &type = QStringLiteral("text/plain"), bool primary = false)
    {
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList arguments { QStringLiteral("--foreground"), QStringLiteral("--type"), type };
        if (primary)
            arguments << QStringLiteral("--primary");
        m_process.start(QStringLiteral("wl-copy"), arguments);
        m_process.waitForStarted();
        m_process.write(data);
        m_process.closeWriteChannel();
    }
    ~WlCopy() { stop(); }
    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000)) {
                m_process.kill();
                m_process.waitForFinished(5000);
            }
        }
    }
    bool isRunning() const { return m_process.state() == QProcess::Running; }

private:
    QProcess m_process;
};

// Runs a wl-clipboard tool to its end, spinning the event loop (Quillet may
// be the one answering it); its standard output, or nothing on failure.
inline std::optional<QByteArray> runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    QByteArray output;
    QObject::connect(
        &process, &QProcess::readyReadStandardOutput, [&] { output += process.readAllStandardOutput(); });
    if (!waitUntil([&] { return process.state() == QProcess::NotRunning; })) {
        process.kill();
        process.waitForFinished(5000);
        return std::nullopt;
    }
    output += process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return output;
}

// What `wl-paste` reads from the clipboard as `type`.
inline std::optional<QByteArray> wlPaste(const QString &type = QStringLiteral("text/plain"))
{
    return runTool(
        QStringLiteral("wl-paste"), { QStringLiteral("--no-newline"), QStringLiteral("--type"), type });
}

// Installs a desktop entry in the isolated XDG_DATA_HOME.
inline void installDesktopEntry(const QString &id, const QString &name, const QString &startupWmClass = {})
{
    QByteArray body = "Name=" + name.toUtf8() + "\n";
    if (!startupWmClass.isEmpty())
        body += "StartupWMClass=" + startupWmClass.toUtf8() + "\n";
    QVERIFY(writeDesktopEntry(id, body));
}

} // namespace quillet::test
