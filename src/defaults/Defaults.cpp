#include "defaults/Defaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>

#include <cmath>
#include <limits>

#include <sys/stat.h>

Q_LOGGING_CATEGORY(lcDefaults, "quillet.defaults")

namespace quillet {

namespace {

constexpr auto kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

Defaults *g_shared = nullptr;

// Prepares the file before QSettings touches it: QSettings writes through a
// save file that keeps the existing file's permissions, so creating it 0600
// first means the key is never readable by others, not even briefly.
void prepareFile(const QString &path)
{
    const QFileInfo info(path);
    QDir().mkpath(info.absolutePath());
    // Only a regular file is read: opening a FIFO (or a device) would block
    // start-up for good. Whatever is there is kept aside, not deleted.
    struct stat status { };
    if (::stat(QFile::encodeName(path).constData(), &status) == 0 && !S_ISREG(status.st_mode)) {
        const QString aside = path + QStringLiteral(".not-a-file");
        qCWarning(lcDefaults) << "the preferences path" << path << "is not a regular file; moved it to"
                              << aside << "and starting from defaults";
        QFile::remove(aside);
        QFile::rename(path, aside);
    }
    if (!QFileInfo::exists(path)) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.close();
    }
    QFile::setPermissions(path, kOwnerOnly);
}

std::optional<double> toNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble();
    case QMetaType::QString: {
        bool ok = false;
        const double number = value.toString().trimmed().toDouble(&ok);
        if (ok && std::isfinite(number))
            return number;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

} // namespace

Defaults::Defaults(const QString &filePath, QObject *parent)
    : QObject(parent)
{
    prepareFile(filePath);
    m_settings = std::make_unique<QSettings>(filePath, QSettings::IniFormat);
    if (m_settings->status() != QSettings::NoError)
        qCWarning(lcDefaults) << "preferences file could not be read, starting from defaults:" << filePath;
}

Defaults::~Defaults()
{
    if (g_shared == this)
        g_shared = nullptr;
}

QString Defaults::standardPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Quillet/Quillet.conf");
}

Defaults &Defaults::shared()
{
    if (!g_shared)
        g_shared = new Defaults(standardPath());
    return *g_shared;
}

void Defaults::setShared(Defaults *defaults)
{
    g_shared = defaults;
}

QString Defaults::filePath() const
{
    return m_settings->fileName();
}

bool Defaults::contains(const QString &key) const
{
    return m_settings->contains(key);
}

QVariant Defaults::object(const QString &key) const
{
    return m_settings->value(key);
}

qint64 Defaults::integer(const QString &key) const
{
    const auto number = toNumber(object(key));
    if (!number)
        return 0;
    const double truncated = std::trunc(*number);
    if (truncated >= double(std::numeric_limits<qint64>::max())
        || truncated <= double(std::numeric_limits<qint64>::min()))
        return 0;
    return qint64(truncated);
}

double Defaults::doubleValue(const QString &key) const
{
    return toNumber(object(key)).value_or(0.0);
}

std::optional<bool> Defaults::boolean(const QString &key) const
{
    const QVariant value = object(key);
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        if (text == QLatin1String("true"))
            return true;
        if (text == QLatin1String("false"))
            return false;
    }
    return std::nullopt;
}

QString Defaults::string(const QString &key) const
{
    return optionalString(key).value_or(QString());
}

std::optional<QString> Defaults::optionalString(const QString &key) const
{
    const QVariant value = object(key);
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    return std::nullopt;
}

std::optional<QStringList> Defaults::stringList(const QString &key) const
{
    const QVariant value = object(key);
    // The INI format writes a one-element list as a plain string.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList();
    if (value.typeId() == QMetaType::QString)
        return QStringList { value.toString() };
    if (value.typeId() == QMetaType::QVariantList) {
        QStringList out;
        for (const QVariant &element : value.toList()) {
            if (element.typeId() != QMetaType::QString)
                return std::nullopt;
            out.append(element.toString());
        }
        return out;
    }
    return std::nullopt;
}

void Defaults::setInteger(const QString &key, qint64 value)
{
    write(key, QString::number(value));
}

void Defaults::setDouble(const QString &key, double value)
{
    write(key, QString::number(value, 'g', 17));
}

void Defaults::setBool(const QString &key, bool value)
{
    write(key, value ? QStringLiteral("true") : QStringLiteral("false"));
}

void Defaults::setString(const QString &key, const QString &value)
{
    write(key, value);
}

void Defaults::setStringList(const QString &key, const QStringList &value)
{
    write(key, QVariant(value));
}

void Defaults::remove(const QString &key)
{
    if (!m_settings->contains(key))
        return;
    m_settings->remove(key);
    persist(key);
    Q_EMIT changed(key);
}

void Defaults::write(const QString &key, const QVariant &value)
{
    const QVariant previous = m_settings->value(key);
    m_settings->setValue(key, value);
    persist(key);
    if (previous != m_settings->value(key))
        Q_EMIT changed(key);
}

void Defaults::persist(const QString &key)
{
    m_settings->sync();
    // QSettings keeps the first error it met, also one from reading the file
    // at start: the file itself says whether this write reached it.
    bool written = m_settings->status() == QSettings::NoError;
    if (!written) {
        const QSettings onDisk(m_settings->fileName(), QSettings::IniFormat);
        written = onDisk.contains(key) == m_settings->contains(key)
            && onDisk.value(key) == m_settings->value(key);
    }
    if (!written && !m_writeFailed)
        qCWarning(lcDefaults) << "could not write preferences to" << m_settings->fileName();
    m_writeFailed = !written;
    QFile::setPermissions(m_settings->fileName(), kOwnerOnly);
}

} // namespace quillet
