#pragma once

#include <QString>
#include <QUuid>

namespace quillet {

struct SnippetFolder {
    QUuid id;
    QString name;
    qint64 sortOrder = 0;

    friend bool operator==(const SnippetFolder &, const SnippetFolder &) = default;
};

} // namespace quillet
