#pragma once

#include <QObject>

#include <functional>

class QLocalServer;

namespace quillet {

// One Quillet per user session: the first instance listens on a local socket;
// a later one asks it to show the panel and exits.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString &name = defaultName(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // Per user and display, so users and sessions on one machine do not meet.
    static QString defaultName();

    // True when another instance answered; it has been asked to show its panel.
    bool notifyRunningInstance();
    // Starts listening; `onShowPanel` runs when a later instance knocks.
    bool listen(std::function<void()> onShowPanel);

private:
    QString m_name;
    QLocalServer *m_server = nullptr;
};

} // namespace quillet
