#pragma once

#include "platform/Workspace.h"

#include <QIcon>
#include <QPixmap>
#include <QRandomGenerator>

// Installed applications for the launcher benchmarks, and a workspace that
// lists them.
namespace quillet::bench {

// Desktop-entry-like names: one to four words from a syllable list.
inline QList<InstalledApplication> sampleApplications(int count)
{
    static const char *syllables[] = { "vi", "su", "al", "stu", "dio", "co", "de", "no", "tes", "ter", "mi",
        "nal", "fi", "le", "ma", "na", "ger", "pho", "to", "edit" };
    QRandomGenerator generator(1);
    QList<InstalledApplication> apps;
    for (int i = 0; i < count; ++i) {
        QStringList words;
        const int wordCount = 1 + int(generator.bounded(4));
        for (int w = 0; w < wordCount; ++w) {
            QString word;
            const int length = 1 + int(generator.bounded(3));
            for (int s = 0; s < length; ++s)
                word += QLatin1String(syllables[generator.bounded(20)]);
            word[0] = word[0].toUpper();
            words.append(word);
        }
        const QString id = QStringLiteral("org.example.App%1").arg(i);
        apps.append({ id, words.join(u' '), QStringLiteral("app-%1").arg(i),
            QStringLiteral("/usr/share/applications/%1.desktop").arg(id) });
    }
    return apps;
}

// A workspace with nothing running; its applications draw a plain square
// icon when `withIcons` (a panel draws them), none otherwise.
class ListWorkspace final : public Workspace {
public:
    explicit ListWorkspace(QList<InstalledApplication> apps, bool withIcons = false)
        : m_apps(std::move(apps))
        , m_withIcons(withIcons)
    {
    }
    std::optional<RunningApplication> frontmostApplication() override { return std::nullopt; }
    std::optional<WindowId> activeWindow() override { return std::nullopt; }
    void activateWindow(WindowId) override { }
    void showOnAllDesktops(WindowId) override { }
    QList<InstalledApplication> installedApplications() override { return m_apps; }
    QIcon applicationIcon(const InstalledApplication &) override
    {
        if (!m_withIcons)
            return {};
        QPixmap pixmap(32, 32);
        pixmap.fill(Qt::darkCyan);
        return QIcon(pixmap);
    }
    bool openApplication(const QString &, QString *) override { return true; }

private:
    QList<InstalledApplication> m_apps;
    bool m_withIcons;
};

} // namespace quillet::bench
