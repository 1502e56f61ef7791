#include "ui/settings/SnippetsSettingsView.h"

#include "ui/common/Palette.h"
#include "ui/common/SymbolIcons.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeWidget>

namespace quillet {

namespace {

constexpr int kIdRole = Qt::UserRole + 1;
constexpr int kIsFolderRole = Qt::UserRole + 2;

enum Page { emptyPage, folderPage, snippetPage };

QToolButton *barButton(const QString &symbol, const QString &tip, const char *name, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setIcon(symbolIcon(symbol, parent->palette().color(QPalette::WindowText)));
    button->setIconSize(QSize(16, 16));
    button->setToolTip(tip);
    button->setAutoRaise(true);
    return button;
}

QLabel *fieldLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, textColor(palette, Emphasis::secondary));
    label->setPalette(palette);
    return label;
}

} // namespace

SnippetsSettingsView::SnippetsSettingsView(SnippetsViewModel &snippets, QWidget *parent)
    : QWidget(parent)
    , m_snippets(snippets)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(16, 14, 16, 14);
    row->setSpacing(14);

    // The folders and their snippets, with the buttons that add and delete.
    auto *left = new QVBoxLayout;
    left->setSpacing(4);
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("snippetTree"));
    m_tree->setHeaderHidden(true);
    m_tree->setFixedWidth(180);
    m_tree->setIndentation(14);
    m_tree->setUniformRowHeights(true);
    left->addWidget(m_tree, 1);
    auto *bar = new QHBoxLayout;
    bar->setSpacing(2);
    auto *addFolder = barButton(QStringLiteral("folder.badge.plus"), tr("New Folder"), "newFolder", this);
    auto *addSnippet = barButton(QStringLiteral("plus"), tr("New Snippet"), "newSnippet", this);
    m_delete = barButton(QStringLiteral("minus"), tr("Delete"), "delete", this);
    bar->addWidget(addFolder);
    bar->addWidget(addSnippet);
    bar->addStretch(1);
    bar->addWidget(m_delete);
    left->addLayout(bar);
    row->addLayout(left);

    m_pages = new QStackedWidget(this);
    row->addWidget(m_pages, 1);

    auto *empty = new QLabel(tr("Choose a snippet, or add one with +.\n\n"
                                "Snippets are listed in the panel and the tray, "
                                "and paste like history entries."),
        m_pages);
    empty->setObjectName(QStringLiteral("emptyHint"));
    empty->setAlignment(Qt::AlignCenter);
    empty->setWordWrap(true);
    QPalette emptyPalette = empty->palette();
    emptyPalette.setColor(QPalette::WindowText, textColor(emptyPalette, Emphasis::secondary));
    empty->setPalette(emptyPalette);
    m_pages->addWidget(empty);

    auto *folder = new QWidget(m_pages);
    auto *folderColumn = new QVBoxLayout(folder);
    folderColumn->setContentsMargins(0, 0, 0, 0);
    folderColumn->addWidget(fieldLabel(tr("Folder name"), folder));
    m_folderName = new QLineEdit(folder);
    m_folderName->setObjectName(QStringLiteral("folderName"));
    folderColumn->addWidget(m_folderName);
    m_folderCount = fieldLabel(QString(), folder);
    m_folderCount->setObjectName(QStringLiteral("folderCount"));
    folderColumn->addWidget(m_folderCount);
    folderColumn->addStretch(1);
    m_pages->addWidget(folder);

    auto *snippet = new QWidget(m_pages);
    auto *snippetColumn = new QVBoxLayout(snippet);
    snippetColumn->setContentsMargins(0, 0, 0, 0);
    snippetColumn->addWidget(fieldLabel(tr("Title"), snippet));
    m_title = new QLineEdit(snippet);
    m_title->setObjectName(QStringLiteral("snippetTitle"));
    snippetColumn->addWidget(m_title);
    snippetColumn->addWidget(fieldLabel(tr("Folder"), snippet));
    m_folder = new QComboBox(snippet);
    m_folder->setObjectName(QStringLiteral("snippetFolder"));
    snippetColumn->addWidget(m_folder);
    snippetColumn->addWidget(fieldLabel(tr("Text"), snippet));
    m_text = new QPlainTextEdit(snippet);
    m_text->setObjectName(QStringLiteral("snippetText"));
    m_text->setTabChangesFocus(true);
    m_text->installEventFilter(this);
    snippetColumn->addWidget(m_text, 1);
    m_pages->addWidget(snippet);

    connect(addFolder, &QToolButton::clicked, this, &SnippetsSettingsView::newFolder);
    connect(addSnippet, &QToolButton::clicked, this, &SnippetsSettingsView::newSnippet);
    connect(m_delete, &QToolButton::clicked, this, &SnippetsSettingsView::deleteSelection);
    connect(m_folderName, &QLineEdit::editingFinished, this, &SnippetsSettingsView::commitEdits);
    connect(m_title, &QLineEdit::editingFinished, this, &SnippetsSettingsView::commitEdits);
    connect(m_folder, &QComboBox::activated, this, &SnippetsSettingsView::moveToFolder);
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *current) {
        const Selection next = selectionOf(current);
        if (next.kind == m_selection.kind && next.id == m_selection.id)
            return;
        // What was typed for the previous selection is kept; the store
        // change it makes rebuilds the tree later, not inside this signal.
        commitEdits();
        m_selection = next;
        showSelection();
    });
    // Other windows change snippets too (Save as Snippet); rebuilding waits
    // for the event loop, so it never happens inside a signal of the tree.
    connect(&m_snippets, &SnippetsViewModel::snippetsChanged, this, &SnippetsSettingsView::scheduleRebuild);
    rebuild();
    describeForAssistiveTechnologies();
}

void SnippetsSettingsView::describeForAssistiveTechnologies()
{
    m_tree->setAccessibleName(tr("Folders and snippets"));
    if (auto *addFolder = findChild<QToolButton *>(QStringLiteral("newFolder")))
        addFolder->setAccessibleName(tr("New Folder"));
    if (auto *addSnippet = findChild<QToolButton *>(QStringLiteral("newSnippet")))
        addSnippet->setAccessibleName(tr("New Snippet"));
    m_delete->setAccessibleName(tr("Delete"));
    m_delete->setAccessibleDescription(tr("Deletes the selected snippet or folder"));
    m_folderName->setAccessibleName(tr("Folder name"));
    m_title->setAccessibleName(tr("Title"));
    m_folder->setAccessibleName(tr("Folder"));
    m_text->setAccessibleName(tr("Text"));
}

SnippetsSettingsView::~SnippetsSettingsView() = default;

SnippetsSettingsView::Selection SnippetsSettingsView::selectionOf(const QTreeWidgetItem *item) const
{
    if (!item)
        return {};
    return { item->data(0, kIsFolderRole).toBool() ? Kind::folder : Kind::snippet,
        item->data(0, kIdRole).value<QUuid>() };
}

void SnippetsSettingsView::scheduleRebuild()
{
    if (m_rebuildPending)
        return;
    m_rebuildPending = true;
    QMetaObject::invokeMethod(this, &SnippetsSettingsView::rebuild, Qt::QueuedConnection);
}

void SnippetsSettingsView::rebuild()
{
    m_rebuildPending = false;
    const QSignalBlocker blocker(m_tree);
    m_tree->clear();
    QTreeWidgetItem *selected = nullptr;
    const QColor tint = palette().color(QPalette::WindowText);
    const QIcon folderIcon = symbolIcon(QStringLiteral("folder"), tint);
    const QIcon snippetIcon
        = symbolIcon(QStringLiteral("doc.text"), textColor(palette(), Emphasis::secondary));
    for (const auto &group : m_snippets.foldersWithSnippets()) {
        auto *folder = new QTreeWidgetItem(m_tree, { group.folder.name });
        folder->setIcon(0, folderIcon);
        folder->setData(0, kIdRole, QVariant::fromValue(group.folder.id));
        folder->setData(0, kIsFolderRole, true);
        if (m_selection.kind == Kind::folder && m_selection.id == group.folder.id)
            selected = folder;
        for (const Snippet &snippet : group.snippets) {
            auto *item = new QTreeWidgetItem(folder, { snippet.title });
            item->setIcon(0, snippetIcon);
            item->setData(0, kIdRole, QVariant::fromValue(snippet.id));
            item->setData(0, kIsFolderRole, false);
            if (m_selection.kind == Kind::snippet && m_selection.id == snippet.id)
                selected = item;
        }
        folder->setExpanded(true);
    }
    if (!selected)
        m_selection = {};
    m_tree->setCurrentItem(selected);
    showSelection();
}

void SnippetsSettingsView::select(Selection selection)
{
    commitEdits();
    m_selection = selection;
    rebuild();
}

void SnippetsSettingsView::showSnippet(const QUuid &snippet)
{
    select({ Kind::snippet, snippet });
}

void SnippetsSettingsView::showFolder(const QUuid &folder)
{
    select({ Kind::folder, folder });
}

void SnippetsSettingsView::showSelection()
{
    m_delete->setEnabled(m_selection.kind != Kind::none);
    const QTreeWidgetItem *item = m_tree->currentItem();
    if (m_selection.kind == Kind::folder && item) {
        m_loaded.reset();
        if (m_folderName->text() != item->text(0) || m_loadedFolderName != item->text(0)) {
            m_folderName->setText(item->text(0));
            m_loadedFolderName = item->text(0);
        }
        const int count = item->childCount();
        m_folderCount->setText(tr("%n snippet(s)", nullptr, count));
        m_pages->setCurrentIndex(folderPage);
        return;
    }
    if (m_selection.kind == Kind::snippet) {
        for (const Snippet &snippet : m_snippets.flatSnippets()) {
            if (snippet.id == m_selection.id) {
                loadSnippet(snippet);
                m_pages->setCurrentIndex(snippetPage);
                return;
            }
        }
    }
    m_loaded.reset();
    m_pages->setCurrentIndex(emptyPage);
}

void SnippetsSettingsView::loadSnippet(const Snippet &snippet)
{
    const QString text = m_snippets.text(snippet);
    // Unsaved typing in the same snippet stays.
    const bool sameSnippet = m_loaded && m_loaded->id == snippet.id;
    const bool titleEdited = sameSnippet && m_title->text() != m_loaded->title;
    const bool textEdited = sameSnippet && m_text->toPlainText() != m_loadedText;
    if (!titleEdited)
        m_title->setText(snippet.title);
    if (!textEdited && m_text->toPlainText() != text)
        m_text->setPlainText(text);
    // Compared with the store's values, typing kept above is saved later.
    m_loaded = snippet;
    m_loadedText = text;

    const QSignalBlocker blocker(m_folder);
    m_folder->clear();
    for (const SnippetFolder &folder : m_snippets.folders()) {
        m_folder->addItem(folder.name, QVariant::fromValue(folder.id));
        if (snippet.folder == folder.id)
            m_folder->setCurrentIndex(m_folder->count() - 1);
    }
}

void SnippetsSettingsView::commitEdits()
{
    if (m_selection.kind == Kind::folder) {
        const QString name = m_folderName->text().trimmed();
        if (name.isEmpty()) {
            m_folderName->setText(m_loadedFolderName);
        } else if (name != m_loadedFolderName) {
            m_loadedFolderName = name;
            m_snippets.renameFolder(m_selection.id, name);
        }
        return;
    }
    if (m_selection.kind != Kind::snippet || !m_loaded || m_loaded->id != m_selection.id)
        return;
    QString title = m_title->text().trimmed();
    if (title.isEmpty()) {
        title = m_loaded->title;
        m_title->setText(title);
    }
    const QString text = m_text->toPlainText();
    if (title == m_loaded->title && text == m_loadedText)
        return;
    m_loaded->title = title;
    m_loadedText = text;
    m_snippets.updateSnippet(m_selection.id, title, text);
}

void SnippetsSettingsView::moveToFolder(int index)
{
    const QUuid folder = m_folder->itemData(index).value<QUuid>();
    if (m_selection.kind != Kind::snippet || folder.isNull())
        return;
    commitEdits();
    m_snippets.moveSnippet(m_selection.id, folder);
    rebuild();
}

std::optional<QUuid> SnippetsSettingsView::targetFolder() const
{
    if (m_selection.kind == Kind::folder)
        return m_selection.id;
    if (m_selection.kind == Kind::snippet && m_loaded && m_loaded->folder)
        return m_loaded->folder;
    const QList<SnippetFolder> folders = m_snippets.folders();
    if (!folders.isEmpty())
        return folders.first().id;
    return std::nullopt;
}

void SnippetsSettingsView::newFolder()
{
    commitEdits();
    const auto folder = m_snippets.createFolder(tr("New Folder"));
    if (!folder)
        return;
    select({ Kind::folder, folder->id });
    m_folderName->setFocus();
    m_folderName->selectAll();
}

void SnippetsSettingsView::newSnippet()
{
    commitEdits();
    std::optional<QUuid> folder = targetFolder();
    if (!folder) {
        if (const auto created = m_snippets.createFolder(tr("Snippets")))
            folder = created->id;
    }
    if (!folder)
        return;
    const auto snippet = m_snippets.createSnippet(*folder, tr("New Snippet"), QString());
    if (!snippet)
        return;
    select({ Kind::snippet, snippet->id });
    m_title->setFocus();
    m_title->selectAll();
}

void SnippetsSettingsView::deleteSelection()
{
    const Selection selection = m_selection;
    if (selection.kind == Kind::folder) {
        const QTreeWidgetItem *item = m_tree->currentItem();
        const int count = item ? item->childCount() : 0;
        if (count > 0) {
            QMessageBox box(QMessageBox::Warning, tr("Delete Folder"),
                tr("Delete the folder “%1” and its %n snippet(s)?", nullptr, count).arg(item->text(0)),
                QMessageBox::NoButton, window());
            box.setObjectName(QStringLiteral("deleteFolderConfirmation"));
            box.setTextFormat(Qt::PlainText);
            box.setInformativeText(tr("This cannot be undone."));
            QPushButton *cancel = box.addButton(tr("Cancel"), QMessageBox::RejectRole);
            QPushButton *remove = box.addButton(tr("Delete"), QMessageBox::DestructiveRole);
            box.setDefaultButton(cancel);
            box.setEscapeButton(cancel);
            box.setWindowModality(Qt::WindowModal);
            box.exec();
            if (box.clickedButton() != remove)
                return;
        }
        m_selection = {};
        m_snippets.deleteFolder(selection.id);
    } else if (selection.kind == Kind::snippet) {
        // The folder it was in stays selected.
        m_selection
            = m_loaded && m_loaded->folder ? Selection { Kind::folder, *m_loaded->folder } : Selection {};
        m_loaded.reset();
        m_snippets.deleteSnippet(selection.id);
    }
    rebuild();
}

bool SnippetsSettingsView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_text && event->type() == QEvent::FocusOut)
        commitEdits();
    return QWidget::eventFilter(watched, event);
}

void SnippetsSettingsView::hideEvent(QHideEvent *event)
{
    commitEdits();
    QWidget::hideEvent(event);
}

} // namespace quillet
