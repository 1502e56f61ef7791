#pragma once

#include "platform/LoginItems.h"

#include <QString>

namespace quillet::x11 {

// Starting Quillet at login through an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/app.quillet.Quillet.desktop. The status is read
// back from the files each time: an entry marked Hidden=true or
// X-GNOME-Autostart-enabled=false does not start anything, and a user entry
// overrides one installed system-wide (in $XDG_CONFIG_DIRS/autostart).
class XdgAutostart final : public LoginItems {
public:
    static inline const QString kFileName = QStringLiteral("app.quillet.Quillet.desktop");

    // `program` is what the entry runs (the running executable by default).
    explicit XdgAutostart(QString program = {});

    Status status() override;
    bool registerApp(QString *error) override;
    bool unregisterApp(QString *error) override;

    // The user's entry.
    QString filePath() const;

    // `program` as one argument of an Exec= value: quoted and escaped by the
    // rules of the Desktop Entry Specification.
    static QString execValue(const QString &program);

private:
    bool writeEntry(bool hidden, QString *error);

    QString m_program;
};

} // namespace quillet::x11
