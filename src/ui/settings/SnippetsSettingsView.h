#pragma once

#include "snippets/SnippetsViewModel.h"

#include <QUuid>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QStackedWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace quillet {

// The Snippets tab: the folders with their snippets on the left, the selected
// folder's name or the selected snippet (title, folder, text) on the right.
// New folders and snippets go last; a folder that holds snippets is deleted
// only after a confirmation. Edits are saved as each field is left (and when
// the tab is left), and show at once in the panel and the popup.
class SnippetsSettingsView : public QWidget {
    Q_OBJECT
public:
    explicit SnippetsSettingsView(SnippetsViewModel &snippets, QWidget *parent = nullptr);
    ~SnippetsSettingsView() override;

    // Selects a snippet (or folder) and shows it for editing.
    void showSnippet(const QUuid &snippet);
    void showFolder(const QUuid &folder);

    void newFolder();
    void newSnippet();
    // Deletes the selection; a folder holding snippets asks first.
    void deleteSelection();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void describeForAssistiveTechnologies();
    enum class Kind { none, folder, snippet };
    struct Selection {
        Kind kind = Kind::none;
        QUuid id;
    };

    void rebuild();
    void scheduleRebuild();
    void select(Selection selection);
    void showSelection();
    void loadSnippet(const Snippet &snippet);
    // Saves what the fields hold for the selection, if it changed.
    void commitEdits();
    void moveToFolder(int index);
    std::optional<QUuid> targetFolder() const;
    Selection selectionOf(const QTreeWidgetItem *item) const;

    SnippetsViewModel &m_snippets;
    Selection m_selection;
    // What the snippet fields were loaded with: they are saved only when
    // they differ, and a rebuild does not overwrite unsaved typing.
    std::optional<Snippet> m_loaded;
    QString m_loadedText;
    QString m_loadedFolderName;
    bool m_rebuildPending = false;

    QTreeWidget *m_tree;
    QToolButton *m_delete;
    QStackedWidget *m_pages;
    QLineEdit *m_folderName;
    QLabel *m_folderCount;
    QLineEdit *m_title;
    QComboBox *m_folder;
    QPlainTextEdit *m_text;
};

} // namespace quillet
