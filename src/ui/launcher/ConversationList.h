#pragma once

#include "launcher/ConversationSession.h"

#include <QScrollArea>

class QVBoxLayout;

namespace quillet {

class LauncherViewModel;

// The past conversations of the current mode, newest first: each with its
// title, its age, a spinner while it works and a delete button; the
// highlighted one on an accent tint. A click opens a conversation.
class ConversationList : public QScrollArea {
    Q_OBJECT
public:
    explicit ConversationList(LauncherViewModel &model, QWidget *parent = nullptr);

    // Rebuilds the rows from the view model's filtered conversations.
    void refresh();

private:
    void updateSelection();

    LauncherViewModel &m_model;
    QVBoxLayout *m_column;
    QList<QWidget *> m_rows;
};

} // namespace quillet
