#pragma once

#include "snippets/SnippetsViewModel.h"

#include "ui/common/RowListModel.h"

#include <QHash>
#include <QPointer>

#include <optional>

namespace quillet {

// The flat snippet list of the floating panel, narrowed by the search rule,
// with each snippet's folder name. Follows the store while it is alive, row by
// row.
class SnippetListModel : public RowListModel {
    Q_OBJECT
public:
    enum Role { SnippetRole = Qt::UserRole + 1, FolderNameRole, IndexRole };

    explicit SnippetListModel(SnippetsViewModel &snippets, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    void setSearchText(const QString &text);
    std::optional<Snippet> snippetAt(qsizetype position) const;
    void reload();

Q_SIGNALS:
    // The rows or a folder name changed.
    void contentsChanged();

private:
    QPointer<SnippetsViewModel> m_snippets;
    QString m_search;
    QList<Snippet> m_shown;
    QHash<QUuid, QString> m_folderNames;
};

} // namespace quillet
