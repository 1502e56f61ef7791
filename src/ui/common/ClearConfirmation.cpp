#include "ui/common/ClearConfirmation.h"

#include "ui/AppActions.h"

#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace quillet {

void clearAfterAsking(AppActions &actions, QWidget *parent)
{
    const AppActions::ClearCounts counts = actions.clearCounts();
    if (counts.removed <= 0)
        return;
    const QString question = counts.removed == 1
        ? QStringLiteral("Remove 1 entry from the history?")
        : QStringLiteral("Remove %1 entries from the history?").arg(counts.removed);
    QString kept = QStringLiteral("Pinned entries stay.");
    if (counts.pinnedKept == 1)
        kept = QStringLiteral("The pinned entry stays.");
    else if (counts.pinnedKept > 1)
        kept = QStringLiteral("The %1 pinned entries stay.").arg(counts.pinnedKept);
    auto *box = new QMessageBox(
        QMessageBox::Warning, QStringLiteral("Clear History"), question, QMessageBox::NoButton, parent);
    box->setObjectName(QStringLiteral("clearConfirmation"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setInformativeText(kept);
    QPushButton *cancel = box->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    QPushButton *clear = box->addButton(QStringLiteral("&Clear"), QMessageBox::DestructiveRole);
    clear->setObjectName(QStringLiteral("confirmClear"));
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    QObject::connect(box, &QMessageBox::buttonClicked, &actions,
        [&actions, clear = QPointer<QPushButton>(clear)](QAbstractButton *button) {
            if (button == clear)
                actions.clearHistory();
        });
    box->open();
}

} // namespace quillet
