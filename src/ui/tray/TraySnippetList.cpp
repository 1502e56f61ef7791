#include "ui/tray/TraySnippetList.h"

#include "snippets/SnippetsViewModel.h"
#include "ui/common/Palette.h"
#include "ui/common/SymbolIcons.h"

#include <QBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace quillet {

TraySnippetList::TraySnippetList(AppActions &actions, SnippetsViewModel &snippets, QWidget *parent)
    : QWidget(parent)
    , m_actions(actions)
    , m_snippets(snippets)
    , m_rows(new QVBoxLayout(this))
{
    m_rows->setContentsMargins(6, 4, 6, 4);
    m_rows->setSpacing(0);
    connect(&snippets, &SnippetsViewModel::snippetsChanged, this, &TraySnippetList::rebuild);
    rebuild();
}

void TraySnippetList::rebuild()
{
    rebuildRows();
    Q_EMIT contentChanged();
}

void TraySnippetList::rebuildRows()
{
    while (QLayoutItem *child = m_rows->takeAt(0)) {
        delete child->widget();
        delete child;
    }
    const QPalette pal = palette();
    const auto groups = m_snippets.foldersWithSnippets();
    if (groups.isEmpty()) {
        auto *caption = new QLabel(tr("No snippets"), this);
        caption->setObjectName(QStringLiteral("emptyCaption"));
        caption->setAlignment(Qt::AlignCenter);
        caption->setContentsMargins(0, 16, 0, 16);
        QPalette palette = caption->palette();
        palette.setColor(QPalette::WindowText, textColor(pal, Emphasis::secondary));
        caption->setPalette(palette);
        m_rows->addWidget(caption);
        return;
    }
    for (const auto &group : groups) {
        auto *header = new QToolButton(this);
        header->setObjectName(QStringLiteral("folder"));
        // The triangle tells the group can be opened; the icon stays the folder.
        const QString name = group.folder.name;
        header->setText(QStringLiteral("\u25B8  ") + name);
        header->setIcon(symbolIcon(QStringLiteral("folder"), textColor(pal, Emphasis::primary)));
        header->setIconSize(QSize(11, 11));
        header->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        header->setAutoRaise(true);
        header->setCheckable(true);
        header->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        auto *body = new QWidget(this);
        auto *list = new QVBoxLayout(body);
        list->setContentsMargins(18, 0, 0, 4);
        list->setSpacing(0);
        for (const Snippet &snippet : group.snippets) {
            auto *row = new QToolButton(body);
            row->setObjectName(QStringLiteral("snippet"));
            row->setText(snippet.title);
            row->setIcon(symbolIcon(QStringLiteral("doc.text"), textColor(pal, Emphasis::secondary)));
            row->setIconSize(QSize(11, 11));
            row->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
            row->setAutoRaise(true);
            row->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
            connect(row, &QToolButton::clicked, this, [this, snippet] { m_actions.pasteSnippet(snippet); });
            list->addWidget(row);
        }
        body->setVisible(false);
        connect(header, &QToolButton::toggled, body, [this, header, body, name](bool open) {
            body->setVisible(open);
            Q_EMIT contentChanged();
            header->setText((open ? QStringLiteral("\u25BE  ") : QStringLiteral("\u25B8  ")) + name);
        });
        m_rows->addWidget(header);
        m_rows->addWidget(body);
    }
    m_rows->addStretch(1);
}

} // namespace quillet
