#include "ui/settings/ShortcutRecorderField.h"

#include "shortcuts/KeyboardShortcuts.h"
#include "shortcuts/Localization.h"
#include "shortcuts/StandardMenu.h"
#include "ui/common/Palette.h"
#include "ui/common/SymbolIcons.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>

namespace quillet {

using namespace shortcuts;

// The system beep and message boxes over the field's window.
class ShortcutRecorderField::DialogAlerts final : public RecorderAlerts {
public:
    explicit DialogAlerts(QWidget *field)
        : m_field(field)
    {
    }

    void beep() override { QApplication::beep(); }

    int showAlert(const QString &message, const QString &informativeText, const QStringList &buttons) override
    {
        QMessageBox box(m_field ? m_field->window() : nullptr);
        box.setObjectName(QStringLiteral("recorderAlert"));
        box.setIcon(QMessageBox::Warning);
        box.setWindowTitle(QGuiApplication::applicationDisplayName());
        box.setText(message);
        box.setInformativeText(informativeText);
        if (m_field)
            box.setWindowModality(Qt::WindowModal);
        QList<QAbstractButton *> added;
        for (int i = 0; i < buttons.size(); ++i) {
            // The first button only dismisses; any other one goes ahead.
            added.append(
                box.addButton(buttons[i], i == 0 ? QMessageBox::RejectRole : QMessageBox::AcceptRole));
        }
        if (!added.isEmpty()) {
            box.setDefaultButton(qobject_cast<QPushButton *>(added.first()));
            box.setEscapeButton(added.first());
        }
        box.exec();
        return qMax(0, int(added.indexOf(box.clickedButton())));
    }

private:
    QPointer<QWidget> m_field;
};

// What the controller talks to: the injected alerts, else the dialogs.
class ShortcutRecorderField::ForwardingAlerts final : public RecorderAlerts {
public:
    explicit ForwardingAlerts(RecorderAlerts &fallback)
        : m_fallback(fallback)
    {
    }
    void beep() override { target().beep(); }
    int showAlert(const QString &message, const QString &informativeText, const QStringList &buttons) override
    {
        return target().showAlert(message, informativeText, buttons);
    }

    RecorderAlerts *replacement = nullptr;

private:
    RecorderAlerts &target() { return replacement ? *replacement : m_fallback; }
    RecorderAlerts &m_fallback;
};

namespace {

bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Mode_switch:
        return true;
    default:
        return false;
    }
}

} // namespace

ShortcutRecorderField::ShortcutRecorderField(KeyboardShortcuts &library, Name name, QWidget *parent)
    : QLineEdit(parent)
    , m_dialogAlerts(std::make_unique<DialogAlerts>(this))
    , m_alerts(std::make_unique<ForwardingAlerts>(*m_dialogAlerts))
    , m_controller(std::make_unique<RecorderController>(library, std::move(name), *m_alerts))
{
    setObjectName(QStringLiteral("shortcutRecorder"));
    // The text is only ever the recorded combination: nothing can be typed,
    // pasted or dropped into it, and it shows no caret.
    setReadOnly(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
    setAlignment(Qt::AlignCenter);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setStyleSheet(
        QStringLiteral("QLineEdit { border: 1px solid palette(mid); border-radius: 6px;"
                       " padding: 2px 4px; background: palette(base); }"
                       "QLineEdit:focus { border: 2px solid palette(highlight); padding: 1px 3px; }"));

    m_clearAction
        = addAction(symbolIcon(QStringLiteral("xmark.circle.fill"), textColor(palette(), Emphasis::tertiary)),
            QLineEdit::TrailingPosition);
    m_clearAction->setObjectName(QStringLiteral("clearShortcut"));
    m_clearAction->setToolTip(tr("Clear"));
    connect(m_clearAction, &QAction::triggered, this, [this] { m_controller->clear(); });
    // The icon's name for screen readers.
    m_clearAction->setText(tr("Clear shortcut"));

    RecorderController *controller = m_controller.get();
    // Quillet has no menu bar of its own: the commands of every application
    // are what a global shortcut must not take.
    controller->setMenu(makeStandardEditingMenu(this));
    setText(controller->text());
    setPlaceholderText(controller->placeholder());
    m_clearAction->setVisible(controller->isCancelButtonVisible());
    connect(controller, &RecorderController::textChanged, this, &QLineEdit::setText);
    connect(controller, &RecorderController::placeholderChanged, this, &QLineEdit::setPlaceholderText);
    connect(controller, &RecorderController::cancelButtonVisibleChanged, m_clearAction, &QAction::setVisible);
    connect(
        controller, &RecorderController::recordingChanged, this, &ShortcutRecorderField::recordingChanged);
    connect(controller, &RecorderController::focusReleaseRequested, this, [this] {
        // During a key press the key decides: Tab moves the focus on by itself.
        if (m_handlingKey)
            m_releaseFocusAfterKey = true;
        else
            clearFocus();
    });
    connect(
        controller, &RecorderController::focusRequested, this, [this] { setFocus(Qt::OtherFocusReason); });
}

ShortcutRecorderField::~ShortcutRecorderField()
{
    qApp->removeEventFilter(this);
}

void ShortcutRecorderField::setOnChange(std::function<void(std::optional<Shortcut>)> onChange)
{
    m_controller->setOnChange(std::move(onChange));
}

void ShortcutRecorderField::setMenu(QMenu *menu)
{
    m_controller->setMenu(menu);
}

void ShortcutRecorderField::setAlerts(RecorderAlerts *alerts)
{
    m_alerts->replacement = alerts;
}

QSize ShortcutRecorderField::sizeHint() const
{
    return { minimumFieldWidth, QLineEdit::sizeHint().height() };
}

QSize ShortcutRecorderField::minimumSizeHint() const
{
    return sizeHint();
}

void ShortcutRecorderField::recordingChanged(bool recording)
{
    if (recording) {
        grabKeyboard();
        qApp->installEventFilter(this);
    } else {
        qApp->removeEventFilter(this);
        releaseKeyboard();
    }
    update();
}

std::optional<KeyStroke> ShortcutRecorderField::read(const QKeyEvent &event) const
{
    if (m_reader) {
        if (auto stroke = m_reader(event))
            return stroke;
    }
    return keyStrokeFromQtEvent(event);
}

bool ShortcutRecorderField::event(QEvent *event)
{
    if (m_controller->showsDesktopTrigger()) {
        // Nothing is recorded here: a click or Return opens the desktop's dialog.
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::LeftButton && rect().contains(mouse->position().toPoint()))
                m_controller->activate();
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
                m_controller->activate();
                return true;
            }
        }
    }
    if (m_controller->isRecording()) {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Every combination is the field's while it records, even one the
            // window uses for an action.
            event->accept();
            return true;
        case QEvent::KeyPress:
            if (handleKeyPress(static_cast<QKeyEvent *>(event)))
                return true;
            break;
        case QEvent::KeyRelease:
            return true;
        default:
            break;
        }
    }
    return QLineEdit::event(event);
}

bool ShortcutRecorderField::handleKeyPress(QKeyEvent *event)
{
    const auto stroke = read(*event);
    if (!stroke) {
        // A modifier alone is the start of a combination; any other key
        // without a key code can never be one.
        if (!isModifierKey(event->key()))
            m_alerts->beep();
        return true;
    }
    m_handlingKey = true;
    m_releaseFocusAfterKey = false;
    const bool swallowed = m_controller->handleKeyPress(*stroke) == RecorderController::Disposition::swallow;
    m_handlingKey = false;
    // A refused combination hands the focus back to record again.
    if (swallowed && m_releaseFocusAfterKey && !m_controller->isRecording())
        clearFocus();
    return swallowed;
}

bool ShortcutRecorderField::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && watched->isWidgetType()
        && m_controller->isRecording()) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton || mouse->button() == Qt::RightButton)
            m_controller->handleMouseUp(mapFromGlobal(mouse->globalPosition()), QRectF(rect()));
    }
    return false;
}

void ShortcutRecorderField::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    deselect();
    m_controller->startRecording();
}

void ShortcutRecorderField::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    m_controller->stopRecording();
    // Coming back to the window later should not silently record again.
    if (event->reason() == Qt::ActiveWindowFocusReason)
        clearFocus();
}

void ShortcutRecorderField::paintEvent(QPaintEvent *event)
{
    QLineEdit::paintEvent(event);
    // A centred field hides its placeholder while it has the focus, which is
    // exactly when "Press a shortcut" must show.
    if (!text().isEmpty() || !hasFocus() || placeholderText().isEmpty())
        return;
    QPainter painter(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect area = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    painter.setPen(palette().placeholderText().color());
    painter.drawText(
        area, Qt::AlignCenter, fontMetrics().elidedText(placeholderText(), Qt::ElideRight, area.width()));
}

} // namespace quillet
