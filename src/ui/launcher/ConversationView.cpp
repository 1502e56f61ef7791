#include "ui/launcher/ConversationView.h"

#include "launcher/LauncherViewModel.h"
#include "ui/common/Palette.h"
#include "ui/launcher/BusyIndicator.h"
#include "ui/launcher/CommandText.h"
#include "ui/launcher/LauncherStyle.h"
#include "ui/launcher/MarkdownView.h"
#include "ui/launcher/TerminalOutputView.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace quillet {

using namespace launcherStyle;
using Role = ConversationMessage::Role;

constexpr int kRowGap = 8;

// One row of the conversation. Its top gap and, for the terminal box, which
// corners are round depend on its neighbours.
class MessageRow : public QWidget {
public:
    MessageRow(Role role, QWidget *parent)
        : QWidget(parent)
        , m_role(role)
        , m_outer(new QVBoxLayout(this))
    {
        m_outer->setSpacing(0);
        m_outer->setContentsMargins(0, 0, 0, 0);
    }

    Role role() const { return m_role; }
    virtual void setMessage(const ConversationMessage &message) = 0;

    void setTopGap(int gap)
    {
        QMargins margins = m_outer->contentsMargins();
        margins.setTop(gap);
        m_outer->setContentsMargins(margins);
    }
    // Round top and bottom corners (the terminal box only).
    virtual void setRoundCorners(bool, bool) { }
    // Whether the message is still streaming in (the answer only).
    virtual void setGrowing(bool) { }

protected:
    void setSideMargins(int left, int right)
    {
        QMargins margins = m_outer->contentsMargins();
        margins.setLeft(left);
        margins.setRight(right);
        m_outer->setContentsMargins(margins);
    }

    const Role m_role;
    QVBoxLayout *m_outer;
};

namespace {

QLabel *plainLabel(const QFont &font, const QColor &color, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    setTextColor(label, color);
    return label;
}

class UserRow final : public MessageRow {
public:
    explicit UserRow(QWidget *parent)
        : MessageRow(Role::user, parent)
    {
        setSideMargins(12, 12);
        auto *line = new QHBoxLayout;
        line->setSpacing(6);
        auto *icon = new QLabel(this);
        icon->setPixmap(
            symbolPixmap(QStringLiteral("person.fill"), 10, textColor(palette(), Emphasis::tertiary)));
        icon->setAlignment(Qt::AlignTop);
        icon->setContentsMargins(0, 4, 0, 0);
        m_text = new PlainTextView(pixelFont(font(), 13), QWIDGETSIZE_MAX, this);
        setTextColor(m_text, textColor(palette(), Emphasis::secondary));
        line->addWidget(icon, 0, Qt::AlignTop);
        line->addWidget(m_text, 1);
        m_outer->addLayout(line);
    }
    void setMessage(const ConversationMessage &message) override { m_text->setPlainText(message.content); }

private:
    PlainTextView *m_text;
};

class AssistantRow final : public MessageRow {
public:
    explicit AssistantRow(QWidget *parent)
        : MessageRow(Role::assistant, parent)
        , m_view(new MarkdownView(13, this))
    {
        setSideMargins(12, 12);
        m_outer->addWidget(m_view);
    }
    // A growing answer is drawn a slice at a time; once complete, exactly.
    void setMessage(const ConversationMessage &message) override
    {
        m_view->streamMarkdown(message.content, !m_growing);
    }
    void setGrowing(bool growing) override { m_growing = growing; }

private:
    MarkdownView *m_view;
    bool m_growing = false;
};

// A part of the dark terminal box: the command head or the output body.
class TerminalRow : public MessageRow {
public:
    TerminalRow(Role role, QWidget *parent)
        : MessageRow(role, parent)
        , m_box(new QWidget(this))
    {
        setSideMargins(8, 8);
        m_outer->addWidget(m_box);
        m_inner = new QHBoxLayout(m_box);
        m_inner->setSpacing(4);
    }
    void setRoundCorners(bool top, bool bottom) override
    {
        m_roundTop = top;
        m_roundBottom = bottom;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = m_box->geometry();
        const qreal radius = 6;
        QPainterPath path;
        path.addRoundedRect(box, radius, radius);
        // Square corners where the head and body meet.
        if (!m_roundTop)
            path.addRect(box.adjusted(0, 0, 0, -box.height() / 2));
        if (!m_roundBottom)
            path.addRect(box.adjusted(0, box.height() / 2, 0, 0));
        path.setFillRule(Qt::WindingFill);
        painter.fillPath(
            path.simplified(), m_role == Role::command ? terminalHeadBackground() : terminalBackground());
    }

    QWidget *m_box;
    QHBoxLayout *m_inner;
    bool m_roundTop = true;
    bool m_roundBottom = true;
};

class CommandRow final : public TerminalRow {
public:
    explicit CommandRow(QWidget *parent)
        : TerminalRow(Role::command, parent)
    {
        m_inner->setContentsMargins(10, 6, 10, 6);
        auto *prompt = plainLabel(monospaceFont(11), terminalGreen(), m_box);
        prompt->setText(QStringLiteral("$"));
        m_text = new PlainTextView(monospaceFont(11), 120, m_box);
        setTextColor(m_text, terminalText());
        // How it came to run: unasked in the sandbox, or with the user's yes.
        m_route = plainLabel(monospaceFont(10), terminalGreen(), m_box);
        m_route->setObjectName(QStringLiteral("commandRoute"));
        m_inner->addWidget(prompt, 0, Qt::AlignTop);
        m_inner->addWidget(m_text, 1);
        m_inner->addWidget(m_route, 0, Qt::AlignTop);
    }
    void setMessage(const ConversationMessage &message) override
    {
        m_text->setCommand(message.content);
        m_route->setText(message.sandboxed ? QCoreApplication::translate("ConversationView", "read-only")
                                           : QCoreApplication::translate("ConversationView", "approved"));
        m_route->setToolTip(message.sandboxed
                ? QCoreApplication::translate("ConversationView",
                    "Ran without asking, in a sandbox: it could change no file, reach no "
                    "network and read no secret")
                : QCoreApplication::translate("ConversationView", "Ran with your approval"));
    }

private:
    PlainTextView *m_text;
    QLabel *m_route;
};

class OutputRow final : public TerminalRow {
public:
    explicit OutputRow(QWidget *parent)
        : TerminalRow(Role::output, parent)
        , m_view(new TerminalOutputView(m_box))
    {
        m_inner->setContentsMargins(10, 2, 10, 6);
        m_inner->addWidget(m_view);
    }
    // Raw bytes show as the terminal drew them; "(no output)" and the exit
    // code note appear only when nothing was read.
    void setMessage(const ConversationMessage &message) override
    {
        if (message.rawOutput && !message.rawOutput->isEmpty())
            m_view->setOutput(*message.rawOutput, message.omittedBytes);
        else
            m_view->setPlainOutput(message.content);
    }

private:
    TerminalOutputView *m_view;
};

class ApprovalRow final : public MessageRow {
public:
    ApprovalRow(LauncherViewModel &model, const ConversationSessionPtr &session, QWidget *parent)
        : MessageRow(Role::pendingApproval, parent)
    {
        setObjectName(QStringLiteral("approval"));
        auto *column = new QVBoxLayout;
        column->setContentsMargins(12, 8, 12, 8);
        column->setSpacing(8);
        auto *commandLine = new QHBoxLayout;
        commandLine->setSpacing(6);
        auto *prompt = plainLabel(monospaceFont(12), approvalOrange(), this);
        prompt->setText(QStringLiteral("$"));
        m_command = new PlainTextView(monospaceFont(12), 160, this);
        m_command->setObjectName(QStringLiteral("approvalCommand"));
        commandLine->addWidget(prompt, 0, Qt::AlignTop);
        commandLine->addWidget(m_command, 1);
        column->addLayout(commandLine);

        auto *question = new QHBoxLayout;
        question->setSpacing(8);
        auto *ask = plainLabel(pixelFont(font(), 12), textColor(palette(), Emphasis::secondary), this);
        ask->setText(QCoreApplication::translate("ConversationView", "Run this command?"));
        auto *deny = new QPushButton(QCoreApplication::translate("ConversationView", "Deny"), this);
        deny->setObjectName(QStringLiteral("deny"));
        auto *allow = new QPushButton(QCoreApplication::translate("ConversationView", "Allow"), this);
        allow->setObjectName(QStringLiteral("allow"));
        // Both are reached with Tab, so both show a ring while they hold the
        // focus; the style sheet would otherwise hide the platform's mark.
        const QString accent = accentColor(palette()).name();
        const QString ring = QStringLiteral("QPushButton:focus { border: 2px solid %1; padding: 1px 10px; }")
                                 .arg(accentColor(palette(), 0.55).name(QColor::HexArgb));
        deny->setStyleSheet(QStringLiteral("QPushButton { background: transparent; color: %1; border: none; "
                                           "border-radius: 5px; padding: 3px 12px; }")
                                .arg(textColor(palette(), Emphasis::secondary).name(QColor::HexArgb))
            + ring);
        allow->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none; "
                                            "border-radius: 5px; padding: 3px 12px; font-weight: 600; }")
                                 .arg(accent)
            + ring);
        // Return must never approve: neither button is a default, and the
        // view takes Return for the follow-up field.
        for (QPushButton *button : { deny, allow }) {
            button->setAutoDefault(false);
            button->setDefault(false);
            button->setFocusPolicy(Qt::TabFocus);
            button->setCursor(Qt::PointingHandCursor);
            button->setFont(pixelFont(font(), 12));
        }
        question->addWidget(ask);
        question->addStretch(1);
        question->addWidget(deny);
        question->addWidget(allow);
        column->addLayout(question);
        m_outer->addLayout(column);

        const std::weak_ptr<ConversationSession> shown = session;
        // Only the conversation on screen is answered.
        const auto answer = [&model, shown](bool approved) {
            const ConversationSessionPtr target = shown.lock();
            if (target && model.activeSession() == target)
                model.respondToApproval(approved);
        };
        connect(deny, &QPushButton::clicked, this, [answer] { answer(false); });
        connect(allow, &QPushButton::clicked, this, [answer] { answer(true); });
    }
    void setMessage(const ConversationMessage &message) override { m_command->setCommand(message.content); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        QColor tint = approvalOrange();
        tint.setAlphaF(0.1f);
        painter.fillRect(rect().adjusted(0, m_outer->contentsMargins().top(), 0, 0), tint);
    }

private:
    PlainTextView *m_command;
};

class ErrorRow final : public MessageRow {
public:
    explicit ErrorRow(QWidget *parent)
        : MessageRow(Role::error, parent)
    {
        setSideMargins(12, 12);
        m_text = new PlainTextView(pixelFont(font(), 12), QWIDGETSIZE_MAX, this);
        setTextColor(m_text, errorRed());
        m_outer->addWidget(m_text);
    }
    void setMessage(const ConversationMessage &message) override { m_text->setPlainText(message.content); }

private:
    PlainTextView *m_text;
};

MessageRow *makeRow(const ConversationMessage &message, LauncherViewModel &model,
    const ConversationSessionPtr &session, QWidget *parent)
{
    switch (message.role) {
    case Role::user:
        return new UserRow(parent);
    case Role::assistant:
        return new AssistantRow(parent);
    case Role::command:
        return new CommandRow(parent);
    case Role::output:
        return new OutputRow(parent);
    case Role::pendingApproval:
        return new ApprovalRow(model, session, parent);
    case Role::error:
        return new ErrorRow(parent);
    }
    return new ErrorRow(parent);
}

} // namespace

ConversationView::ConversationView(LauncherViewModel &model, QWidget *parent)
    : QScrollArea(parent)
    , m_model(model)
{
    setObjectName(QStringLiteral("conversation"));
    // A click in the conversation must not take the focus from the field the
    // user types into.
    setFocusPolicy(Qt::NoFocus);
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *content = new QWidget(this);
    content->setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    m_column = new QVBoxLayout(content);
    m_column->setContentsMargins(0, 8, 0, 8);
    m_column->setSpacing(0);

    m_thinking = new QWidget(content);
    auto *thinking = new QHBoxLayout(m_thinking);
    thinking->setContentsMargins(12, 4 + kRowGap, 12, 4);
    thinking->setSpacing(6);
    auto *busy = new BusyIndicator(12, m_thinking);
    auto *label = plainLabel(pixelFont(font(), 12), textColor(palette(), Emphasis::secondary), m_thinking);
    label->setText(QCoreApplication::translate("ConversationView", "Thinking..."));
    thinking->addWidget(busy);
    thinking->addWidget(label);
    thinking->addStretch(1);
    m_column->addWidget(m_thinking);
    m_column->addStretch(1);
    m_thinking->hide();
    setWidget(content);

    // New rows keep the end in view unless the user has scrolled up.
    QScrollBar *bar = verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this,
        [this, bar](int value) { m_followEnd = value >= bar->maximum(); });
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
        if (m_followEnd)
            bar->setValue(maximum);
    });
}

void ConversationView::setSession(const ConversationSessionPtr &session)
{
    if (session == m_session)
        return;
    for (const QMetaObject::Connection &connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    m_changedRows.clear();
    m_growing = nullptr;
    qDeleteAll(m_rows);
    m_rows.clear();
    m_session = session;
    m_followEnd = true;
    if (!session) {
        updateThinking();
        return;
    }
    for (qsizetype index = 0; index < session->messages().size(); ++index)
        insertRow(index);
    ConversationSession *s = session.get();
    m_connections = {
        connect(s, &ConversationSession::messageAppended, this,
            [this](qsizetype index) {
                m_followEnd = true;
                insertRow(index);
            }),
        connect(s, &ConversationSession::messageChanged, this, &ConversationView::updateRow),
        connect(s, &ConversationSession::messageRemoved, this, &ConversationView::removeRow),
        connect(s, &ConversationSession::isProcessingChanged, this, &ConversationView::updateThinking),
        connect(s, &ConversationSession::awaitingApprovalChanged, this, &ConversationView::updateThinking),
    };
    updateThinking();
}

void ConversationView::insertRow(qsizetype index)
{
    redrawChangedRows();
    const QList<ConversationMessage> messages = m_session->messages();
    if (index < 0 || index >= messages.size() || index > m_rows.size())
        return;
    // Only the last answer grows, and only while the agent works.
    finishGrowing();
    MessageRow *row = makeRow(messages[index], m_model, m_session, widget());
    if (index == messages.size() - 1 && m_session->isProcessing()) {
        row->setGrowing(true);
        m_growing = row;
    }
    row->setMessage(messages[index]);
    m_rows.insert(index, row);
    m_column->insertWidget(int(index), row);
    updateNeighbours();
}

void ConversationView::updateRow(qsizetype index)
{
    // A streamed answer changes with every chunk. It is redrawn at most once
    // a frame, and less often as redrawing it grows dearer, so the launcher
    // keeps answering however fast and long the answer comes.
    if (!m_changedRows.contains(index))
        m_changedRows.append(index);
    if (!m_redraw) {
        m_redraw = new QTimer(this);
        m_redraw->setSingleShot(true);
        connect(m_redraw, &QTimer::timeout, this, &ConversationView::redrawChangedRows);
    }
    if (!m_redraw->isActive())
        m_redraw->start(m_redrawInterval);
}

void ConversationView::redrawChangedRows()
{
    if (m_changedRows.isEmpty() || !m_session)
        return;
    QElapsedTimer cost;
    cost.start();
    const QList<ConversationMessage> &messages = m_session->messages();
    for (const qsizetype index : std::exchange(m_changedRows, {})) {
        if (index >= 0 && index < m_rows.size() && index < messages.size())
            m_rows[index]->setMessage(messages[index]);
    }
    // Redrawing takes at most a fifth of the time.
    m_redrawInterval = int(std::clamp<qint64>(4 * cost.elapsed(), kFrameMs, 1000));
}

void ConversationView::removeRow(qsizetype index)
{
    redrawChangedRows();
    if (index < 0 || index >= m_rows.size())
        return;
    // The row may hold the button whose click removes it (Deny, Allow).
    MessageRow *row = m_rows.takeAt(index);
    if (row == m_growing)
        m_growing = nullptr;
    m_column->removeWidget(row);
    row->hide();
    row->setParent(nullptr);
    row->deleteLater();
    updateNeighbours();
}

// A command and the output right after it touch and read as one box; every
// other row stands 8 pixels below the one before it.
void ConversationView::updateNeighbours()
{
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        const bool joinsAbove
            = i > 0 && m_rows[i]->role() == Role::output && m_rows[i - 1]->role() == Role::command;
        const bool joinsBelow = i + 1 < m_rows.size() && m_rows[i]->role() == Role::command
            && m_rows[i + 1]->role() == Role::output;
        m_rows[i]->setTopGap(i == 0 || joinsAbove ? 0 : kRowGap);
        m_rows[i]->setRoundCorners(!joinsAbove, !joinsBelow);
    }
}

void ConversationView::finishGrowing()
{
    MessageRow *row = std::exchange(m_growing, nullptr);
    const qsizetype index = m_rows.indexOf(row);
    const QList<ConversationMessage> messages
        = m_session ? m_session->messages() : QList<ConversationMessage>();
    if (!row || index < 0 || index >= messages.size())
        return;
    row->setGrowing(false);
    row->setMessage(messages[index]);
}

void ConversationView::updateThinking()
{
    if (m_session && !m_session->isProcessing()) {
        redrawChangedRows();
        finishGrowing();
    }
    // While a command waits for the user, nothing is thinking.
    m_thinking->setVisible(m_session && m_session->isProcessing() && !m_session->awaitingApproval());
}

} // namespace quillet
