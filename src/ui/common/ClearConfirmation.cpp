#include "ui/common/ClearConfirmation.h"

#include "ui/AppActions.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace quillet {

void clearAfterAsking(AppActions &actions, QWidget *parent)
{
    const AppActions::ClearCounts counts = actions.clearCounts();
    if (counts.removed <= 0)
        return;
    const QString question = QCoreApplication::translate(
        "ClearConfirmation", "Remove %n entry(s) from the history?", nullptr, int(counts.removed));
    QString kept = QCoreApplication::translate("ClearConfirmation", "Pinned entries stay.");
    if (counts.pinnedKept > 0)
        kept = QCoreApplication::translate(
            "ClearConfirmation", "The %n pinned entry(s) stay.", nullptr, int(counts.pinnedKept));
    auto *box = new QMessageBox(QMessageBox::Warning,
        QCoreApplication::translate("ClearConfirmation", "Clear History"), question, QMessageBox::NoButton,
        parent);
    box->setObjectName(QStringLiteral("clearConfirmation"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setInformativeText(kept);
    QPushButton *cancel
        = box->addButton(QCoreApplication::translate("ClearConfirmation", "Cancel"), QMessageBox::RejectRole);
    QPushButton *clear = box->addButton(
        QCoreApplication::translate("ClearConfirmation", "&Clear"), QMessageBox::DestructiveRole);
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
