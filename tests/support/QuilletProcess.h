#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

namespace quillet::test {

// A quillet process (the program the test names in QUILLET_BINARY) with its
// own data, config and runtime folders.
class QuilletProcess {
public:
    explicit QuilletProcess(const QString &home, bool withDisplay = true)
    {
        auto environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : { "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME" }) {
            const QString dir = home + QLatin1Char('/') + QLatin1String(name);
            QDir().mkpath(dir);
            QFile::setPermissions(
                dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            environment.insert(QLatin1String(name), dir);
        }
        if (!withDisplay) {
            environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
            environment.remove(QStringLiteral("DISPLAY"));
            environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        }
        m_environment = environment;
        m_process.setProcessChannelMode(QProcess::MergedChannels);
    }
    // The environment it starts with; change it before start().
    QProcessEnvironment &environment() { return m_environment; }
    ~QuilletProcess() { stop(); }

    void start()
    {
        m_process.setProcessEnvironment(m_environment);
        m_process.start(QStringLiteral(QUILLET_BINARY), {});
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
    int waitForExit()
    {
        m_process.waitForFinished(60000);
        m_output += QString::fromUtf8(m_process.readAll());
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
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
    // Collects what arrived by now, without waiting.
    const QString &readOutput()
    {
        m_output += QString::fromUtf8(m_process.readAll());
        return m_output;
    }

private:
    QProcessEnvironment m_environment;
    QProcess m_process;
    QString m_output;
};

} // namespace quillet::test
