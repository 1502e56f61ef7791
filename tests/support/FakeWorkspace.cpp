#include "support/FakeWorkspace.h"

#include <QPixmap>

namespace quillet::test {

void FakeWorkspace::activateWindow(WindowId window)
{
    activated.append(window);
    active = window;
}

QList<InstalledApplication> FakeWorkspace::installedApplications()
{
    if (listingGate)
        listingGate->tryAcquire(1, 10'000);
    ++listingCalls;
    return installed;
}

QIcon FakeWorkspace::applicationIcon(const InstalledApplication &)
{
    ++iconLookups;
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::darkCyan);
    return QIcon(pixmap);
}

bool FakeWorkspace::openApplication(const QString &id, QString *error)
{
    opened.append(id);
    if (!openSucceeds && error)
        *error = QStringLiteral("could not open %1").arg(id);
    return openSucceeds;
}

} // namespace quillet::test
