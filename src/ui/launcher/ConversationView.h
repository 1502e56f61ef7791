#pragma once

#include "launcher/ConversationSession.h"

#include <QList>
#include <QScrollArea>

class QTimer;
class QVBoxLayout;

namespace quillet {

class LauncherViewModel;
class MessageRow;

// The open conversation: one row per message (the question, the answer drawn
// from its Markdown, each command with its output in a dark box, a command
// waiting for approval, errors) and, while the agent works, a thinking row.
// A change of one message redraws that row alone. Stays scrolled to the end
// while new rows arrive, unless the user scrolled up.
class ConversationView : public QScrollArea {
    Q_OBJECT
public:
    explicit ConversationView(LauncherViewModel &model, QWidget *parent = nullptr);

    void setSession(const ConversationSessionPtr &session);
    ConversationSessionPtr session() const { return m_session; }

private:
    void insertRow(qsizetype index);
    void removeRow(qsizetype index);
    void updateRow(qsizetype index);
    void redrawChangedRows();
    void updateNeighbours();
    void updateThinking();
    void finishGrowing();

    LauncherViewModel &m_model;
    ConversationSessionPtr m_session;
    QList<QMetaObject::Connection> m_connections;
    QVBoxLayout *m_column;
    QList<MessageRow *> m_rows;
    QWidget *m_thinking;
    bool m_followEnd = true;
    // The answer still streaming in, if any.
    MessageRow *m_growing = nullptr;
    static constexpr int kFrameMs = 16;
    // Rows whose message changed since they were drawn.
    QList<qsizetype> m_changedRows;
    QTimer *m_redraw = nullptr;
    int m_redrawInterval = kFrameMs;
};

} // namespace quillet
