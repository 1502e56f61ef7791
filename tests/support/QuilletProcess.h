#pragma once

// The quillet program run as a user would: the running application, and
// `quillet COMMAND` invocations. Both get the data, config, cache and runtime
// folders of a test home. QUILLET_BINARY names the program.

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>

namespace quillet::test {

// The system environment with XDG folders under `home` (created, mode 0700).
inline QProcessEnvironment quilletEnvironment(const QString &home, bool withDisplay = true)
{
    auto environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME" }) {
        const QString dir = home + QLatin1Char('/') + QLatin1String(name);
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        environment.insert(QLatin1String(name), dir);
    }
    if (!withDisplay) {
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    }
    return environment;
}

// The socket a Quillet started with `home` listens on.
inline QString quilletSocket(const QString &home)
{
    QString display = qEnvironmentVariable("DISPLAY");
    display.replace(QLatin1Char('/'), QLatin1Char('_'));
    return home + QStringLiteral("/XDG_RUNTIME_DIR/app.quillet.Quillet%1.socket").arg(display);
}

// The running application; stopped (and waited for) on destruction.
class QuilletInstance {
public:
    explicit QuilletInstance(const QString &home, bool withDisplay = true)
    {
        m_process.setProcessEnvironment(quilletEnvironment(home, withDisplay));
        m_process.setProcessChannelMode(QProcess::MergedChannels);
    }
    ~QuilletInstance() { stop(); }

    void start() { m_process.start(QStringLiteral(QUILLET_BINARY), {}); }
    bool waitForStarted() { return m_process.waitForStarted(); }
    // Starts and waits until it says it runs.
    bool startAndWait()
    {
        start();
        return waitForOutput(QStringLiteral("Quillet is running"));
    }

    // Waits until the output holds `text` or the process ends.
    bool waitForOutput(const QString &text)
    {
        QDeadlineTimer deadline(60000);
        while (!m_output.contains(text) && !deadline.hasExpired()) {
            if (m_process.state() == QProcess::NotRunning)
                break;
            m_process.waitForReadyRead(int(deadline.remainingTime()));
            m_output += QString::fromUtf8(m_process.readAll());
        }
        m_output += QString::fromUtf8(m_process.readAll());
        return m_output.contains(text);
    }
    // The exit status, or -1 when it crashed or did not end.
    int waitForExit()
    {
        m_process.waitForFinished(60000);
        m_output += QString::fromUtf8(m_process.readAll());
        return m_process.state() == QProcess::NotRunning && m_process.exitStatus() == QProcess::NormalExit
            ? m_process.exitCode()
            : -1;
    }
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(10000))
                m_process.kill();
            m_process.waitForFinished(10000);
        }
    }
    const QString &output() const { return m_output; }

private:
    QProcess m_process;
    QString m_output;
};

struct CommandResult {
    int exitCode = -1; // -1: crashed or did not end
    QByteArray out;
    QByteArray err;
};

// `quillet <arguments>` with `input` on its standard input.
inline CommandResult runQuillet(
    const QString &home, const QStringList &arguments, const QByteArray &input = {}, bool withDisplay = true)
{
    QProcess process;
    process.setProcessEnvironment(quilletEnvironment(home, withDisplay));
    process.start(QStringLiteral(QUILLET_BINARY), arguments);
    process.write(input);
    process.closeWriteChannel();
    CommandResult result;
    if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    else
        process.kill();
    process.waitForFinished(5000);
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

} // namespace quillet::test
