#pragma once

// Outside actors for the X11 tests: xclip as another application that owns
// or reads the clipboard, and the test window program. Waits spin the event
// loop, because Quillet's clipboard answers other clients from it.

#include "support/TestFiles.h"

#include <QDeadlineTimer>
#include <QFuture>
#include <QProcess>
#include <QTest>

#include <memory>

namespace quillet::test {

inline constexpr int kX11WaitMs = 15000;

// Spins the event loop until `done` holds or the bound passes.
template<typename Condition> bool waitUntil(Condition done, int milliseconds = kX11WaitMs)
{
    QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

// The result of a future, with the event loop spinning meanwhile (Quillet's
// clipboard thread delivers results through it).
template<typename T> T resultOf(QFuture<T> future)
{
    waitUntil([&] { return future.isFinished(); });
    if constexpr (!std::is_void_v<T>)
        return future.result();
}

// An xclip process that owns the clipboard with `data` as `type` until it
// loses the selection or the object is destroyed.
class ClipboardOwner {
public:
    ClipboardOwner(const QString &type, const QByteArray &data)
    {
        // xclip reports every request it serves: a pipe nobody reads would
        // fill up and stop it.
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.start(QStringLiteral("xclip"),
            { QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                QStringLiteral("-t"), type, QStringLiteral("-i") });
        m_process.waitForStarted();
        m_process.write(data);
        m_process.closeWriteChannel();
    }
    ~ClipboardOwner()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
};

#ifdef QUILLET_TEST_SELECTION_OWNER
// The misbehaving clipboard owner (SelectionOwner.cpp); closing its input
// ends it.
class MisbehavingOwner {
public:
    explicit MisbehavingOwner(const QStringList &arguments)
    {
        m_process.start(QStringLiteral(QUILLET_TEST_SELECTION_OWNER), arguments);
    }
    ~MisbehavingOwner() { close(); }
    // Waits until it prints `line` ("owned", "request TARGETS", ...).
    bool waitFor(const QByteArray &line)
    {
        return waitUntil([&] {
            while (m_process.canReadLine()) {
                if (m_process.readLine().trimmed() == line)
                    return true;
            }
            return m_process.state() == QProcess::NotRunning;
        }) && m_process.state() == QProcess::Running;
    }
    void close()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }

private:
    QProcess m_process;
};
#endif

// What `xclip -o` reads from the clipboard, as `type`; nothing on failure.
inline std::optional<QByteArray> readClipboard(const QString &type)
{
    QProcess xclip;
    QStringList arguments { QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard") };
    if (!type.isEmpty())
        arguments << QStringLiteral("-t") << type;
    xclip.start(QStringLiteral("xclip"), arguments);
    QByteArray output;
    QObject::connect(
        &xclip, &QProcess::readyReadStandardOutput, [&] { output += xclip.readAllStandardOutput(); });
    if (!waitUntil([&] { return xclip.state() == QProcess::NotRunning; })) {
        xclip.kill();
        xclip.waitForFinished(5000);
        return std::nullopt;
    }
    output += xclip.readAllStandardOutput();
    if (xclip.exitStatus() != QProcess::NormalExit || xclip.exitCode() != 0)
        return std::nullopt;
    return output;
}

// Writes `id`.desktop, an application entry with `body`, in the isolated
// XDG_DATA_HOME.
inline bool writeDesktopEntry(const QString &id, const QByteArray &body)
{
    return writeFile(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications/") + id
            + QStringLiteral(".desktop"),
        "[Desktop Entry]\nType=Application\nExec=true\n" + body);
}

// The test window program (TestWindow.cpp).
class TestWindow {
public:
    explicit TestWindow(const QStringList &arguments)
    {
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] {
            while (m_process.canReadLine()) {
                const QString line = QString::fromUtf8(m_process.readLine()).chopped(1);
                if (line.startsWith(QLatin1String("window ")))
                    m_window = line.mid(7).toULongLong();
                else if (line.startsWith(QLatin1String("text ")))
                    m_texts.append(line.mid(5));
            }
        });
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(QUILLET_TEST_WINDOW), arguments);
    }
    ~TestWindow()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    // Waits until the window is shown and active; its X11 id, or 0.
    quint64 waitForWindow()
    {
        waitUntil([this] { return m_window != 0 || m_process.state() == QProcess::NotRunning; });
        return m_window;
    }
    bool waitForText(const QString &text)
    {
        return waitUntil([&] { return m_texts.contains(text); });
    }
    const QStringList &texts() const { return m_texts; }
    bool waitForExit()
    {
        return waitUntil([this] { return m_process.state() == QProcess::NotRunning; });
    }

private:
    QProcess m_process;
    quint64 m_window = 0;
    QStringList m_texts;
};

} // namespace quillet::test
