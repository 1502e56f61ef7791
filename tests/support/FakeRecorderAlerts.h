#pragma once

#include "shortcuts/RecorderController.h"

#include <QStringList>

namespace quillet::test {

// Counts the recorder's beeps, keeps its alerts and answers each with `answer`.
class FakeRecorderAlerts final : public shortcuts::RecorderAlerts {
public:
    struct Alert {
        QString message;
        QString informativeText;
        QStringList buttons;
    };

    void beep() override { ++beeps; }
    int showAlert(const QString &message, const QString &informativeText, const QStringList &buttons) override
    {
        alerts.append({ message, informativeText, buttons });
        return answer;
    }

    int beeps = 0;
    QList<Alert> alerts;
    int answer = 0;
};

} // namespace quillet::test
