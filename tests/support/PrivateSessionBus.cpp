#include "support/PrivateSessionBus.h"

#include <QFile>

namespace quillet::test {

PrivateSessionBus::PrivateSessionBus()
{
    // No service directories: nothing of the machine's is started on demand.
    QFile config(m_folder.filePath(QStringLiteral("bus.conf")));
    if (!config.open(QIODevice::WriteOnly))
        return;
    config.write("<busconfig>\n"
                 "  <type>session</type>\n"
                 "  <listen>unix:dir="
        + QFile::encodeName(m_folder.path())
        + "</listen>\n"
          "  <auth>EXTERNAL</auth>\n"
          "  <policy context=\"default\">\n"
          "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
          "    <allow eavesdrop=\"true\"/>\n"
          "    <allow own=\"*\"/>\n"
          "  </policy>\n"
          "</busconfig>\n");
    config.close();
    m_daemon.setStandardErrorFile(QProcess::nullDevice());
    m_daemon.start(QStringLiteral("dbus-daemon"),
        { QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork"),
            QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1") });
    // The daemon prints its address once it accepts connections.
    while (m_daemon.waitForReadyRead(10000)) {
        if (m_daemon.canReadLine()) {
            m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
            break;
        }
    }
}

PrivateSessionBus::~PrivateSessionBus()
{
    if (m_daemon.state() == QProcess::NotRunning)
        return;
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(5000)) {
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }
}

} // namespace quillet::test
