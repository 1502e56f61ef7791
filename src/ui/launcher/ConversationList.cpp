#include "ui/launcher/ConversationList.h"

#include "core/Clock.h"
#include "launcher/LauncherViewModel.h"
#include "ui/common/ItemPresentation.h"
#include "ui/common/Palette.h"
#include "ui/launcher/BusyIndicator.h"
#include "ui/launcher/LauncherStyle.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>

namespace quillet {

using namespace launcherStyle;

namespace {

class SessionRow final : public QWidget {
public:
    SessionRow(LauncherViewModel &model, const ConversationSessionPtr &session, QWidget *parent)
        : QWidget(parent)
        , m_model(model)
        , m_session(session)
    {
        setObjectName(QStringLiteral("sessionRow"));
        setCursor(Qt::PointingHandCursor);
        auto *line = new QHBoxLayout(this);
        line->setContentsMargins(12, 8, 12, 8);
        line->setSpacing(10);
        auto *icon = new QLabel(this);
        icon->setFixedWidth(20);
        icon->setAlignment(Qt::AlignCenter);
        const bool terminal = session->mode() == LauncherMode::terminal;
        icon->setPixmap(symbolPixmap(terminal ? QStringLiteral("terminal") : QStringLiteral("sparkles"), 12,
            textColor(palette(), Emphasis::secondary)));
        auto *texts = new QVBoxLayout;
        texts->setSpacing(2);
        m_title = new QLabel(this);
        m_title->setObjectName(QStringLiteral("sessionTitle"));
        m_title->setTextFormat(Qt::PlainText);
        m_title->setFont(pixelFont(font(), 13));
        m_title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        auto *age = new QLabel(relativeTime(session->createdAt(), model.clock().now()), this);
        age->setTextFormat(Qt::PlainText);
        age->setFont(pixelFont(font(), 11));
        setTextColor(age, textColor(palette(), Emphasis::tertiary));
        texts->addWidget(m_title);
        texts->addWidget(age);
        m_busy = new BusyIndicator(12, this);
        auto *remove
            = plainButton(QStringLiteral("xmark"), 10, textColor(palette(), Emphasis::tertiary), this);
        remove->setObjectName(QStringLiteral("deleteSession"));
        remove->setToolTip(QCoreApplication::translate("ConversationList", "Delete conversation"));
        line->addWidget(icon);
        line->addLayout(texts, 1);
        line->addWidget(m_busy);
        line->addWidget(remove);

        remove->setAccessibleName(QCoreApplication::translate("ConversationList", "Delete conversation"));
        remove->setFocusPolicy(Qt::TabFocus);
        connect(remove, &QToolButton::clicked, this, [this] { m_model.deleteSession(m_session); });
        connect(session.get(), &ConversationSession::titleChanged, this, &SessionRow::updateState);
        connect(session.get(), &ConversationSession::isProcessingChanged, this, &SessionRow::updateState);
        updateState();
    }

    void setSelected(bool selected)
    {
        m_selected = selected;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (!m_selected)
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(accentColor(palette(), 0.15));
        painter.drawRoundedRect(QRectF(rect()).adjusted(6, 1, -6, -1), 6, 6);
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            m_model.openSession(m_session);
    }

private:
    void updateState()
    {
        m_title->setText(m_session->title());
        m_busy->setVisible(m_session->isProcessing());
        // A screen reader reads the row as its conversation's title.
        setAccessibleName(m_session->title());
    }

    LauncherViewModel &m_model;
    ConversationSessionPtr m_session;
    QLabel *m_title;
    BusyIndicator *m_busy;
    bool m_selected = false;
};

} // namespace

ConversationList::ConversationList(LauncherViewModel &model, QWidget *parent)
    : QScrollArea(parent)
    , m_model(model)
{
    setObjectName(QStringLiteral("sessions"));
    // Clicking a row or its delete button leaves the focus in the search field.
    setFocusPolicy(Qt::NoFocus);
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(false);
    auto *content = new QWidget(this);
    m_column = new QVBoxLayout(content);
    m_column->setContentsMargins(0, 4, 0, 4);
    m_column->setSpacing(0);
    m_column->addStretch(1);
    setWidget(content);
    connect(&model, &LauncherViewModel::selectedIndexChanged, this, &ConversationList::updateSelection);
}

void ConversationList::refresh()
{
    // A row may be the one whose delete button is being handled.
    for (QWidget *row : std::as_const(m_rows)) {
        row->hide();
        row->deleteLater();
    }
    m_rows.clear();
    const QList<ConversationSessionPtr> sessions = m_model.filteredSessions();
    for (const ConversationSessionPtr &session : sessions) {
        auto *row = new SessionRow(m_model, session, widget());
        m_column->insertWidget(int(m_rows.size()), row);
        m_rows.append(row);
    }
    updateSelection();
}

void ConversationList::updateSelection()
{
    for (qsizetype i = 0; i < m_rows.size(); ++i)
        static_cast<SessionRow *>(m_rows[i])->setSelected(i == m_model.selectedIndex());
    if (m_model.selectedIndex() >= 0 && m_model.selectedIndex() < m_rows.size())
        ensureWidgetVisible(m_rows[m_model.selectedIndex()], 0, 0);
}

} // namespace quillet
