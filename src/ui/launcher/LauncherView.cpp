#include "ui/launcher/LauncherView.h"

#include "launcher/AppIndexService.h"
#include "launcher/LauncherViewModel.h"
#include "ui/common/Palette.h"
#include "ui/controls/Dividers.h"
#include "ui/launcher/BusyIndicator.h"
#include "ui/launcher/ConversationList.h"
#include "ui/launcher/ConversationView.h"
#include "ui/launcher/LauncherResultRow.h"
#include "ui/launcher/LauncherStyle.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QStackedWidget>
#include <QToolButton>

namespace quillet {

using namespace launcherStyle;

// A one-line label that elides what does not fit.
class ElidedLabel : public QWidget {
public:
    using QWidget::QWidget;
    void setText(const QString &text)
    {
        m_text = text;
        update();
    }
    QString text() const { return m_text; }
    QSize sizeHint() const override { return QSize(100, fontMetrics().height()); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter,
            fontMetrics().elidedText(m_text, Qt::ElideRight, width()));
    }

private:
    QString m_text;
};

namespace {

QLineEdit *plainField(const QFont &font, QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setFrame(false);
    field->setFont(font);
    field->setAttribute(Qt::WA_MacShowFocusRect, false);
    field->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
    return field;
}

QWidget *hint(const QString &symbol, const QString &text, QWidget *parent)
{
    auto *item = new QWidget(parent);
    auto *line = new QHBoxLayout(item);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(4);
    const QColor tertiary = textColor(parent->palette(), Emphasis::tertiary);
    auto *icon = new QLabel(item);
    icon->setPixmap(symbolPixmap(symbol, 10, tertiary));
    auto *label = new QLabel(text, item);
    label->setFont(pixelFont(parent->font(), 10));
    setTextColor(label, tertiary);
    line->addWidget(icon);
    line->addWidget(label);
    return item;
}

QString modeSymbol(LauncherMode mode)
{
    switch (mode) {
    case LauncherMode::aiChat:
        return QStringLiteral("sparkles");
    case LauncherMode::terminal:
        return QStringLiteral("terminal");
    case LauncherMode::apps:
        break;
    }
    return QStringLiteral("magnifyingglass");
}

QString placeholder(LauncherMode mode)
{
    switch (mode) {
    case LauncherMode::aiChat:
        return QCoreApplication::translate("LauncherView", "? Ask a question...");
    case LauncherMode::terminal:
        return QCoreApplication::translate("LauncherView", "> Describe a task...");
    case LauncherMode::apps:
        break;
    }
    return QCoreApplication::translate("LauncherView", "Search apps, ? AI chat, > terminal...");
}

} // namespace

LauncherView::LauncherView(LauncherViewModel &model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
{
    setObjectName(QStringLiteral("LauncherView"));
    setFixedSize(m_available);
    const QColor secondary = textColor(palette(), Emphasis::secondary);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // The search bar, or the open conversation's header.
    m_top = new QStackedWidget(this);
    m_searchBar = new QWidget(m_top);
    auto *search = new QHBoxLayout(m_searchBar);
    search->setContentsMargins(16, 12, 16, 12);
    search->setSpacing(8);
    m_modeIcon = new QLabel(m_searchBar);
    m_modeIcon->setObjectName(QStringLiteral("modeIcon"));
    m_modeIcon->setFixedSize(16, 16);
    m_search = plainField(pixelFont(font(), 18), m_searchBar);
    m_search->setObjectName(QStringLiteral("search"));
    m_clear = plainButton(QStringLiteral("xmark.circle.fill"), 14, secondary, m_searchBar);
    m_clear->setObjectName(QStringLiteral("clearSearch"));
    search->addWidget(m_modeIcon);
    search->addWidget(m_search, 1);
    search->addWidget(m_clear);
    m_top->addWidget(m_searchBar);

    m_header = new QWidget(m_top);
    auto *header = new QHBoxLayout(m_header);
    header->setContentsMargins(16, 12, 16, 12);
    header->setSpacing(8);
    auto *back = plainButton(QStringLiteral("chevron.left"), 14, secondary, m_header);
    back->setObjectName(QStringLiteral("back"));
    back->setToolTip(tr("Back"));
    m_headerIcon = new QLabel(m_header);
    m_title = new ElidedLabel(m_header);
    m_title->setObjectName(QStringLiteral("title"));
    m_title->setFont(pixelFont(font(), 16, QFont::Medium));
    m_headerBusy = new BusyIndicator(14, m_header);
    header->addWidget(back);
    header->addWidget(m_headerIcon);
    header->addWidget(m_title, 1);
    header->addWidget(m_headerBusy);
    m_top->addWidget(m_header);
    m_top->setFixedHeight(m_searchBar->sizeHint().height());
    column->addWidget(m_top);

    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("error"));
    m_error->setTextFormat(Qt::PlainText);
    m_error->setWordWrap(true);
    m_error->setFont(pixelFont(font(), 12));
    m_error->setContentsMargins(16, 0, 16, 8);
    setTextColor(m_error, errorRed());
    column->addWidget(m_error);

    // The body, absent when there is nothing to show.
    m_bodyDivider = makeDivider(this);
    column->addWidget(m_bodyDivider);
    m_body = new QStackedWidget(this);
    m_body->setObjectName(QStringLiteral("body"));
    m_results = new LauncherResultsModel(model, this);
    m_apps = new QListView(m_body);
    m_apps->setObjectName(QStringLiteral("apps"));
    m_apps->setModel(m_results);
    m_apps->setItemDelegate(new LauncherResultRow(m_apps));
    m_apps->setFrameShape(QFrame::NoFrame);
    m_apps->setFocusPolicy(Qt::NoFocus);
    m_apps->setSelectionMode(QAbstractItemView::SingleSelection);
    m_apps->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_apps->setUniformItemSizes(true);
    m_apps->setContentsMargins(0, 4, 0, 4);
    m_apps->viewport()->setAutoFillBackground(false);
    m_apps->setStyleSheet(QStringLiteral("QListView { background: transparent; }"));
    m_sessions = new ConversationList(model, m_body);
    m_conversation = new ConversationView(model, m_body);
    m_noMatch = new QLabel(tr("No applications match"), m_body);
    m_noMatch->setObjectName(QStringLiteral("noMatch"));
    m_noMatch->setTextFormat(Qt::PlainText);
    m_noMatch->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_noMatch->setContentsMargins(16, 10, 16, 10);
    m_noMatch->setFont(pixelFont(font(), 13));
    setTextColor(m_noMatch, secondary);
    m_body->addWidget(m_noMatch);
    m_body->addWidget(m_apps);
    m_body->addWidget(m_sessions);
    m_body->addWidget(m_conversation);
    column->addWidget(m_body, 1);
    column->addStretch(0); // keeps the footer at the bottom while the body is hidden

    // Hints, or the follow-up field of an open conversation.
    m_footerDivider = makeDivider(this);
    column->addWidget(m_footerDivider);
    m_footer = new QStackedWidget(this);
    m_footer->setObjectName(QStringLiteral("footer"));
    auto *hints = new QWidget(m_footer);
    auto *hintLine = new QHBoxLayout(hints);
    hintLine->setContentsMargins(12, 6, 12, 6);
    hintLine->setSpacing(16);
    hintLine->addWidget(hint(QStringLiteral("questionmark.circle"), tr("? AI Chat"), hints));
    hintLine->addWidget(hint(QStringLiteral("terminal"), tr("> Terminal"), hints));
    hintLine->addStretch(1);
    m_shortcut = new QLabel(hints);
    m_shortcut->setObjectName(QStringLiteral("shortcut"));
    m_shortcut->setTextFormat(Qt::PlainText);
    m_shortcut->setFont(monospaceFont(10));
    setTextColor(m_shortcut, textColor(palette(), Emphasis::quaternary));
    hintLine->addWidget(m_shortcut);
    m_footer->addWidget(hints);

    auto *followUp = new QWidget(m_footer);
    auto *followLine = new QHBoxLayout(followUp);
    followLine->setContentsMargins(16, 10, 16, 10);
    followLine->setSpacing(8);
    auto *arrow = new QLabel(followUp);
    arrow->setPixmap(
        symbolPixmap(QStringLiteral("arrow.turn.down.right"), 12, textColor(palette(), Emphasis::tertiary)));
    m_followUp = plainField(pixelFont(font(), 14), followUp);
    m_followUp->setObjectName(QStringLiteral("followUp"));
    m_followUp->setPlaceholderText(tr("Follow up..."));
    m_stop = plainButton(QStringLiteral("stop.circle.fill"), 16, secondary, followUp);
    m_stop->setObjectName(QStringLiteral("stop"));
    m_stop->setToolTip(tr("Stop generating"));
    followLine->addWidget(arrow);
    followLine->addWidget(m_followUp, 1);
    followLine->addWidget(m_stop);
    m_footer->addWidget(followUp);
    column->addWidget(m_footer);

    m_search->installEventFilter(this);
    m_followUp->installEventFilter(this);

    connect(m_search, &QLineEdit::textEdited, &model, &LauncherViewModel::setSearchText);
    connect(m_followUp, &QLineEdit::textEdited, &model, &LauncherViewModel::setFollowUpText);
    connect(m_clear, &QToolButton::clicked, this, [this] {
        m_model.setSearchText(QString());
        m_search->setFocus();
    });
    connect(back, &QToolButton::clicked, this, [this] {
        m_model.setActiveSession(nullptr);
        m_model.setFollowUpText(QString());
    });
    connect(m_stop, &QToolButton::clicked, &model, &LauncherViewModel::stopGenerating);
    connect(m_apps, &QListView::clicked, this, [this](const QModelIndex &index) {
        m_model.setSelectedIndex(index.row());
        m_model.submit();
    });

    connect(&model, &LauncherViewModel::searchTextChanged, this, &LauncherView::syncSearch);
    connect(&model, &LauncherViewModel::currentModeChanged, this, &LauncherView::syncSearch);
    connect(&model, &LauncherViewModel::resultsChanged, this, &LauncherView::syncBody);
    connect(&model.appIndex(), &AppIndexService::isIndexedChanged, this, &LauncherView::syncBody);
    connect(&model, &LauncherViewModel::selectedIndexChanged, this, &LauncherView::syncSelection);
    connect(&model, &LauncherViewModel::filteredSessionsChanged, this, [this] {
        m_sessions->refresh();
        syncBody();
    });
    // After a conversation is deleted with its button, typing goes on in the
    // search field.
    connect(&model, &LauncherViewModel::sessionsChanged, this, &LauncherView::focusInput);
    connect(&model, &LauncherViewModel::activeSessionChanged, this, &LauncherView::syncSession);
    connect(&model, &LauncherViewModel::followUpTextChanged, this, [this] {
        if (m_followUp->text() != m_model.followUpText())
            m_followUp->setText(m_model.followUpText());
    });
    connect(&model, &LauncherViewModel::errorTextChanged, this, &LauncherView::syncError);

    m_sessions->refresh();
    syncSearch();
    syncSession();
    syncError();
    describeForAssistiveTechnologies();
}

void LauncherView::describeForAssistiveTechnologies()
{
    // The window takes this name too.
    setAccessibleName(tr("Launcher"));
    m_search->setAccessibleName(tr("Search"));
    m_search->setAccessibleDescription(tr("Type to find an application and press Return to open it. Start "
                                          "with ? to ask the AI, with > to describe a task for the terminal. "
                                          "Up and Down choose a row, Escape closes the launcher."));
    m_clear->setAccessibleName(tr("Clear search"));
    if (auto *back = m_header->findChild<QToolButton *>(QStringLiteral("back")))
        back->setAccessibleName(tr("Back"));
    m_headerBusy->setAccessibleName(tr("Working"));
    m_apps->setAccessibleName(tr("Applications"));
    m_sessions->setAccessibleName(tr("Conversations"));
    m_followUp->setAccessibleName(tr("Follow-up message"));
    m_stop->setAccessibleName(tr("Stop generating"));
    // What no key does, Tab reaches (and Space presses: Return keeps sending,
    // so it never approves a command by accident).
    m_stop->setFocusPolicy(Qt::TabFocus);
}

void LauncherView::setShortcutText(const QString &text)
{
    m_shortcut->setText(text);
}

void LauncherView::focusInput()
{
    if (m_model.activeSession())
        m_followUp->setFocus();
    else
        m_search->setFocus();
}

void LauncherView::syncSearch()
{
    if (m_search->text() != m_model.searchText())
        m_search->setText(m_model.searchText());
    const LauncherMode mode = m_model.currentMode();
    if (!m_shownMode || *m_shownMode != mode) {
        m_shownMode = mode;
        m_modeIcon->setPixmap(symbolPixmap(modeSymbol(mode), 16, textColor(palette(), Emphasis::secondary)));
        m_search->setPlaceholderText(placeholder(mode));
    }
    m_clear->setVisible(!m_model.searchText().isEmpty());
    syncBody();
}

void LauncherView::syncSession()
{
    const ConversationSessionPtr active = m_model.activeSession();
    const bool openedOrClosed = bool(active) != bool(m_shown);
    for (const QMetaObject::Connection &connection : std::as_const(m_sessionConnections))
        disconnect(connection);
    m_sessionConnections.clear();
    m_shown = active;
    m_conversation->setSession(active);
    if (active) {
        ConversationSession *session = active.get();
        m_sessionConnections = {
            connect(session, &ConversationSession::titleChanged, this, &LauncherView::syncHeader),
            connect(session, &ConversationSession::isProcessingChanged, this, &LauncherView::syncHeader),
            connect(session, &ConversationSession::isProcessingChanged, this, &LauncherView::syncBody),
            connect(session, &ConversationSession::messagesChanged, this, &LauncherView::syncBody),
            // Once Deny or Allow is pressed, the next thing typed is a follow-up.
            connect(session, &ConversationSession::awaitingApprovalChanged, this,
                [this] {
                    if (m_shown && !m_shown->awaitingApproval())
                        focusInput();
                }),
        };
    }
    if (!active)
        m_sessions->refresh(); // their ages moved on
    m_top->setCurrentWidget(active ? m_header : m_searchBar);
    m_footer->setCurrentIndex(active ? 1 : 0);
    // As high as what it shows, never more: the space an absent body leaves
    // goes above the footer, which keeps to the bottom.
    m_footer->setFixedHeight(m_footer->currentWidget()->sizeHint().height());
    syncHeader();
    syncBody();
    if (openedOrClosed)
        focusInput();
}

void LauncherView::syncHeader()
{
    if (!m_shown)
        return;
    const bool terminal = m_shown->mode() == LauncherMode::terminal;
    m_headerIcon->setPixmap(symbolPixmap(terminal ? QStringLiteral("terminal") : QStringLiteral("sparkles"),
        14, textColor(palette(), Emphasis::secondary)));
    m_title->setText(m_shown->title());
    m_headerBusy->setVisible(m_shown->isProcessing());
    m_stop->setVisible(m_shown->isProcessing());
}

// The body shows only when it has something: an open conversation with
// messages or at work, the application results, or past conversations.
void LauncherView::syncBody()
{
    QWidget *page = nullptr;
    bool shown = false;
    if (m_shown) {
        page = m_conversation;
        shown = !m_shown->messages().isEmpty() || m_shown->isProcessing();
    } else if (m_model.noApplicationMatches()) {
        page = m_noMatch;
        shown = true;
    } else if (m_model.currentMode() == LauncherMode::apps) {
        page = m_apps;
        shown = !m_model.results().isEmpty();
    } else {
        page = m_sessions;
        shown = !m_model.filteredSessions().isEmpty();
    }
    m_body->setCurrentWidget(page);
    m_body->setVisible(shown);
    m_bodyDivider->setVisible(shown);
    syncSelection();
    updateHeight();
}

void LauncherView::setAvailableSize(const QSize &size)
{
    m_available = size;
    setFixedWidth(size.width());
    updateHeight();
}

// A list or a conversation takes all the room there is; without one the
// launcher is no taller than what it shows.
void LauncherView::updateHeight()
{
    int wanted = m_available.height();
    const bool body = !m_body->isHidden();
    if (!body || m_body->currentWidget() == m_noMatch) {
        wanted = m_top->height() + m_footerDivider->sizeHint().height() + m_footer->height();
        if (!m_error->isHidden())
            wanted += m_error->heightForWidth(m_available.width());
        if (body)
            wanted += m_bodyDivider->sizeHint().height() + m_noMatch->sizeHint().height();
        wanted = std::min(wanted, m_available.height());
    }
    if (wanted == QWidget::height() && minimumHeight() == wanted)
        return;
    setFixedHeight(wanted);
    Q_EMIT heightChanged(wanted);
}

void LauncherView::syncSelection()
{
    const int row = m_model.selectedIndex();
    if (row >= 0 && row < m_results->rowCount()) {
        const QModelIndex index = m_results->index(row);
        m_apps->setCurrentIndex(index);
        m_apps->scrollTo(index);
    } else {
        m_apps->clearSelection();
    }
}

void LauncherView::syncError()
{
    m_error->setText(m_model.errorText());
    m_error->setVisible(!m_model.errorText().isEmpty());
    updateHeight();
}

bool LauncherView::handleKey(QKeyEvent *event, bool inTextField)
{
    switch (event->key()) {
    case Qt::Key_Up:
        m_model.moveSelectionUp();
        return true;
    case Qt::Key_Down:
        m_model.moveSelectionDown();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_model.activeSession())
            m_model.submitFollowUp();
        else
            m_model.submit();
        return true;
    case Qt::Key_Escape:
        if (m_model.activeSession()) {
            m_model.setActiveSession(nullptr);
            m_model.setFollowUpText(QString());
        } else {
            m_model.dismiss();
        }
        return true;
    case Qt::Key_I:
    case Qt::Key_J:
        if (inTextField || event->modifiers() != Qt::NoModifier)
            return false;
        if (event->key() == Qt::Key_I)
            m_model.moveSelectionUp();
        else
            m_model.moveSelectionDown();
        return true;
    default:
        return false;
    }
}

bool LauncherView::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == m_search || watched == m_followUp) && event->type() == QEvent::KeyPress)
        return handleKey(static_cast<QKeyEvent *>(event), true);
    return QWidget::eventFilter(watched, event);
}

void LauncherView::keyPressEvent(QKeyEvent *event)
{
    if (handleKey(event, false))
        return;
    // Text typed while something else holds the focus (an answer being
    // selected, a button reached with Tab) goes to the field it is meant for.
    const Qt::KeyboardModifiers commands = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint() && !(event->modifiers() & commands)) {
        focusInput();
        QLineEdit *field = m_model.activeSession() ? m_followUp : m_search;
        QKeyEvent copy(event->type(), event->key(), event->modifiers(), text, event->isAutoRepeat());
        QCoreApplication::sendEvent(field, &copy);
        return;
    }
    QWidget::keyPressEvent(event);
}

void LauncherView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_sessions->refresh();
    focusInput();
}

} // namespace quillet
