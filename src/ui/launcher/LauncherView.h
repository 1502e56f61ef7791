#pragma once

#include "launcher/ConversationSession.h"

#include <QList>
#include <QWidget>

#include <optional>

class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QStackedWidget;
class QToolButton;

namespace quillet {

class BusyIndicator;
class ConversationList;
class ConversationView;
class ElidedLabel;
class LauncherResultsModel;
class LauncherViewModel;

// The content of the launcher panel: the search bar (or, with a conversation
// open, its header), the application results, the past conversations or the
// open conversation, and a footer with hints (or the follow-up field). It
// draws the view model's state and calls its operations; it keeps nothing of
// its own but the focus.
//
// Keys: Up and Down move the highlight (also "i" and "j" while no text field
// has the focus); Return opens the highlighted application or starts or
// reopens a conversation, and in an open conversation sends the follow-up;
// Escape closes an open conversation, else asks the view model to dismiss
// the launcher.
class LauncherView : public QWidget {
    Q_OBJECT
public:
    // The full size; the view is as high as its content while it shows no
    // list (see setAvailableSize).
    static constexpr int width = 600;
    static constexpr int height = 474;

    // `model` must outlive the view.
    explicit LauncherView(LauncherViewModel &model, QWidget *parent = nullptr);

    // The launcher's shortcut as the footer names it, e.g. "Ctrl+Alt+Space".
    void setShortcutText(const QString &text);
    // Puts the keyboard focus where typing goes: the follow-up field with a
    // conversation open, else the search field.
    void focusInput();
    // The room the launcher has (at most width x height, less on a small
    // screen). The view takes all of it while it shows a list or a
    // conversation, and only what the search bar, a message and the footer
    // need otherwise.
    void setAvailableSize(const QSize &size);

Q_SIGNALS:
    // The view changed its height; its window follows.
    void heightChanged(int height);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void describeForAssistiveTechnologies();
    bool handleKey(QKeyEvent *event, bool inTextField);
    void syncSearch();
    void syncSession();
    void syncHeader();
    void syncBody();
    void syncSelection();
    void syncError();
    void updateHeight();

    LauncherViewModel &m_model;
    std::optional<LauncherMode> m_shownMode;
    ConversationSessionPtr m_shown;
    QList<QMetaObject::Connection> m_sessionConnections;

    QStackedWidget *m_top;
    QWidget *m_searchBar;
    QLabel *m_modeIcon;
    QLineEdit *m_search;
    QToolButton *m_clear;
    QWidget *m_header;
    QLabel *m_headerIcon;
    ElidedLabel *m_title;
    BusyIndicator *m_headerBusy;
    QLabel *m_error;
    QSize m_available { width, height };
    QFrame *m_bodyDivider;
    QFrame *m_footerDivider;
    QStackedWidget *m_body;
    QListView *m_apps;
    QLabel *m_noMatch;
    LauncherResultsModel *m_results;
    ConversationList *m_sessions;
    ConversationView *m_conversation;
    QStackedWidget *m_footer;
    QLabel *m_shortcut;
    QLineEdit *m_followUp;
    QToolButton *m_stop;
};

} // namespace quillet
