#include "shortcuts/Shortcut.h"

#include <QJsonDocument>
#include <QJsonValue>

#include <cmath>
#include <limits>

namespace quillet::shortcuts {

namespace {

const struct {
    Modifier modifier;
    Qt::KeyboardModifier qt;
} kQtTable[] = {
    { command, Qt::MetaModifier },
    { shift, Qt::ShiftModifier },
    { option, Qt::AltModifier },
    { control, Qt::ControlModifier },
};

std::optional<int> integerMember(const QJsonObject &object, const QString &name)
{
    const QJsonValue value = object.value(name);
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!std::isfinite(number) || std::trunc(number) != number || number < std::numeric_limits<int>::min()
        || number > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(number);
}

} // namespace

int modifiersFromQt(Qt::KeyboardModifiers modifiers)
{
    int result = 0;
    for (const auto &entry : kQtTable) {
        if (modifiers.testFlag(entry.qt))
            result |= entry.modifier;
    }
    return result;
}

Qt::KeyboardModifiers qtModifiers(int modifiers)
{
    Qt::KeyboardModifiers result;
    for (const auto &entry : kQtTable) {
        if (modifiers & entry.modifier)
            result |= entry.qt;
    }
    return result;
}

QString Shortcut::toJson() const
{
    const QJsonObject object { { QStringLiteral("carbonKeyCode"), carbonKeyCode },
        { QStringLiteral("carbonModifiers"), carbonModifiers } };
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

std::optional<Shortcut> Shortcut::fromJson(const QString &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const auto keyCode = integerMember(object, QStringLiteral("carbonKeyCode"));
    const auto modifiers = integerMember(object, QStringLiteral("carbonModifiers"));
    if (!keyCode || !modifiers)
        return std::nullopt;
    return Shortcut(*keyCode, *modifiers);
}

} // namespace quillet::shortcuts
