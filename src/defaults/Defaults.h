#pragma once

#include <QObject>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

namespace quillet {

// The per-user preferences store: a typed facade over an INI file
// ($XDG_CONFIG_HOME/Quillet/Quillet.conf) that is kept at mode 0600 because it
// holds the user's API key.
//
// The readers follow the rules the rest of Quillet relies on: integers and
// doubles read 0 when the key is absent or not a number; Booleans tell "absent
// or not a Boolean" apart from a stored value; strings read "" when absent.
// Every write reaches the file at once. Main thread only.
class Defaults : public QObject {
    Q_OBJECT
public:
    explicit Defaults(const QString &filePath, QObject *parent = nullptr);
    ~Defaults() override;

    // $XDG_CONFIG_HOME/Quillet/Quillet.conf (~/.config/Quillet/Quillet.conf).
    static QString standardPath();

    // The process-wide store at standardPath(), created on first use, unless a
    // store was installed with setShared().
    static Defaults &shared();
    static void setShared(Defaults *defaults);

    QString filePath() const;

    bool contains(const QString &key) const;
    QVariant object(const QString &key) const;

    qint64 integer(const QString &key) const;
    double doubleValue(const QString &key) const;
    std::optional<bool> boolean(const QString &key) const;
    QString string(const QString &key) const;
    std::optional<QString> optionalString(const QString &key) const;
    // Absent, or a value that is not a list of strings, gives nothing.
    std::optional<QStringList> stringList(const QString &key) const;

    void setInteger(const QString &key, qint64 value);
    void setDouble(const QString &key, double value);
    void setBool(const QString &key, bool value);
    void setString(const QString &key, const QString &value);
    void setStringList(const QString &key, const QStringList &value);
    void remove(const QString &key);

Q_SIGNALS:
    // A key's stored value changed (written with another value, or removed).
    void changed(const QString &key);

private:
    void write(const QString &key, const QVariant &value);
    // Writes the file; `key` is what changed, to tell a failed write from
    // an error QSettings kept from reading the file.
    void persist(const QString &key);

    std::unique_ptr<QSettings> m_settings;
    // Said once until a write succeeds again.
    bool m_writeFailed = false;
};

} // namespace quillet
