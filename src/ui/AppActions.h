#pragma once

#include "store/ClipboardItem.h"
#include "store/Snippet.h"
#include "ui/common/PanelTab.h"

#include <QObject>

namespace quillet {

// What the views ask of the application: the operations behind their rows,
// buttons and menus, and the panel's tab. The application state implements
// it; tests use a recording fake.
class AppActions : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual PanelTab panelTab() const = 0;
    virtual void setPanelTab(PanelTab tab) = 0;

    virtual void paste(const ClipboardItem &item) = 0;
    virtual void pasteSnippet(const Snippet &snippet) = 0;
    // Deletes every unpinned entry. Views ask the user first (confirmClear).
    virtual void clearHistory() = 0;
    // What Clear would do now: how many entries go, how many pinned ones stay.
    struct ClearCounts {
        qint64 removed = 0;
        qint64 pinnedKept = 0;
    };
    virtual ClearCounts clearCounts() = 0;
    // Brings back what the last Delete or Clear removed, while the panel is
    // open (removalUndoable said so); false when there is nothing to bring back.
    virtual bool undoRemoval() = 0;
    virtual void setPinned(const ClipboardItem &item, bool pinned) = 0;
    virtual void remove(const ClipboardItem &item) = 0;
    // Makes a snippet of the entry's text and opens it for editing.
    virtual void saveAsSnippet(const ClipboardItem &item) = 0;
    virtual void showPanel() = 0;
    virtual void hidePanel() = 0;
    virtual void openSettings() = 0;
    virtual void quit() = 0;

    // Why copies are not being recorded (the store is unavailable, or writes
    // fail), in one short line; empty while they are.
    virtual QString historyProblem() const { return QString(); }
    // Whether choosing an entry also pastes it (the "pasteAfterSelection"
    // preference); when not, the views say that it is copied.
    virtual bool pastesAfterSelection() const { return true; }
    // Tries the store again at once.
    virtual void retryHistory() { }

Q_SIGNALS:
    void panelTabChanged();
    void historyProblemChanged();
    // Entries went and undoRemoval() can bring them back; `notice` says what
    // went.
    void removalUndoable(const QString &notice);
    // The owner of the settings window shows it.
    void settingsRequested();
    // The owner of the settings window shows this snippet in its editor.
    void snippetEditRequested(const QUuid &snippet);
    // The owner of the application ends it.
    void quitRequested();
};

} // namespace quillet
