#pragma once

#include "ui/AppActions.h"

#include <QWidget>

class QVBoxLayout;

namespace quillet {

class SnippetsViewModel;

// The tray popup's snippets: one collapsible group per folder (collapsed at
// first), each listing its snippets.
class TraySnippetList : public QWidget {
    Q_OBJECT
public:
    TraySnippetList(AppActions &actions, SnippetsViewModel &snippets, QWidget *parent = nullptr);

Q_SIGNALS:
    // The rows were rebuilt (their height may have changed).
    void contentChanged();

private:
    void rebuild();
    void rebuildRows();

    AppActions &m_actions;
    SnippetsViewModel &m_snippets;
    QVBoxLayout *m_rows;
};

} // namespace quillet
