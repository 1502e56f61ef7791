#include "snippets/SnippetsViewModel.h"

#include "clipboard/DerivedValues.h"
#include "clipboard/RtfReader.h"
#include "clipboard/TypeRegistry.h"
#include "core/Search.h"

#include <QCoreApplication>
#include <algorithm>

namespace quillet {

SnippetsViewModel::SnippetsViewModel(Store &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
    connect(&m_store, &Store::changed, this, [this](Store::Record record) {
        if (record == Store::Record::Snippet || record == Store::Record::SnippetFolder)
            Q_EMIT snippetsChanged();
    });
}

QList<SnippetFolder> SnippetsViewModel::folders() const
{
    return m_store.folders();
}

QList<SnippetsViewModel::FolderWithSnippets> SnippetsViewModel::foldersWithSnippets() const
{
    QList<FolderWithSnippets> out;
    for (const SnippetFolder &folder : folders())
        out.append({ folder, m_store.snippets(folder.id) });
    return out;
}

QList<Snippet> SnippetsViewModel::flatSnippets() const
{
    QList<Snippet> snippets;
    for (const FolderWithSnippets &entry : foldersWithSnippets())
        snippets.append(entry.snippets);
    std::stable_sort(snippets.begin(), snippets.end(),
        [](const Snippet &a, const Snippet &b) { return a.sortOrder < b.sortOrder; });
    return snippets;
}

QList<Snippet> SnippetsViewModel::filteredSnippets(const QString &query) const
{
    QList<Snippet> out;
    for (const Snippet &snippet : flatSnippets()) {
        if (matchesSearch(snippet.title, query))
            out.append(snippet);
    }
    return out;
}

namespace {

const QString kTextType = types::utf8PlainText;

std::optional<QString> trimmedName(const QString &name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed;
}

} // namespace

QString SnippetsViewModel::text(const Snippet &snippet) const
{
    if (snippet.textContent)
        return *snippet.textContent;
    if (conformsTo(snippet.contentUTType, types::plainText) || conformsTo(snippet.contentUTType, kTextType)) {
        if (const auto data = m_store.snippetContentData(snippet.id))
            return QString::fromUtf8(*data);
    }
    return {};
}

std::optional<Snippet> SnippetsViewModel::storedSnippet(const QUuid &id) const
{
    for (const Snippet &snippet : m_store.allSnippets()) {
        if (snippet.id == id)
            return snippet;
    }
    return std::nullopt;
}

qint64 SnippetsViewModel::nextSnippetOrder() const
{
    qint64 last = -1;
    for (const Snippet &snippet : m_store.allSnippets())
        last = std::max(last, snippet.sortOrder);
    return last + 1;
}

std::optional<SnippetFolder> SnippetsViewModel::createFolder(const QString &name)
{
    const auto trimmed = trimmedName(name);
    if (!trimmed)
        return std::nullopt;
    qint64 last = -1;
    for (const SnippetFolder &folder : folders())
        last = std::max(last, folder.sortOrder);
    const SnippetFolder folder { QUuid::createUuid(), *trimmed, last + 1 };
    if (!m_store.insertFolder(folder))
        return std::nullopt;
    return folder;
}

bool SnippetsViewModel::renameFolder(const QUuid &id, const QString &name)
{
    const auto trimmed = trimmedName(name);
    if (!trimmed)
        return false;
    for (SnippetFolder folder : folders()) {
        if (folder.id != id)
            continue;
        if (folder.name == *trimmed)
            return true;
        folder.name = *trimmed;
        return m_store.updateFolder(folder);
    }
    return false;
}

bool SnippetsViewModel::deleteFolder(const QUuid &id)
{
    return m_store.deleteFolder(id);
}

std::optional<Snippet> SnippetsViewModel::createSnippet(
    const QUuid &folder, const QString &title, const QString &text)
{
    const auto trimmed = trimmedName(title);
    if (!trimmed)
        return std::nullopt;
    Snippet snippet;
    snippet.id = QUuid::createUuid();
    snippet.title = *trimmed;
    snippet.sortOrder = nextSnippetOrder();
    snippet.contentUTType = kTextType;
    snippet.textContent = text;
    snippet.createdAt = QDateTime::currentDateTimeUtc();
    snippet.folder = folder;
    snippet.hasContentData = true;
    if (!m_store.insertSnippet(snippet, text.toUtf8()))
        return std::nullopt;
    return snippet;
}

bool SnippetsViewModel::updateSnippet(const QUuid &id, const QString &title, const QString &text)
{
    const auto trimmed = trimmedName(title);
    auto snippet = storedSnippet(id);
    if (!trimmed || !snippet)
        return false;
    if (snippet->title == *trimmed && this->text(*snippet) == text)
        return true;
    snippet->title = *trimmed;
    snippet->contentUTType = kTextType;
    snippet->textContent = text;
    return m_store.updateSnippet(*snippet, text.toUtf8());
}

bool SnippetsViewModel::moveSnippet(const QUuid &id, const QUuid &folder)
{
    auto snippet = storedSnippet(id);
    if (!snippet)
        return false;
    if (snippet->folder == folder)
        return true;
    snippet->folder = folder;
    return m_store.updateSnippet(*snippet);
}

bool SnippetsViewModel::deleteSnippet(const QUuid &id)
{
    return m_store.deleteSnippet(id);
}

std::optional<Snippet> SnippetsViewModel::createSnippetFromItem(const ClipboardItem &item)
{
    // The entry's plain text, else the text of its rich text or HTML.
    std::optional<QString> text;
    const QList<ClipboardContent> contents = m_store.contents(item.id);
    for (const ClipboardContent &content : contents) {
        if (content.data
            && (conformsTo(content.utTypeIdentifier, types::plainText)
                || conformsTo(content.utTypeIdentifier, kTextType))) {
            text = decodedText(*content.data, content.utTypeIdentifier);
            break;
        }
    }
    for (const ClipboardContent &content : contents) {
        if (text)
            break;
        if (!content.data)
            continue;
        if (conformsTo(content.utTypeIdentifier, types::rtf))
            text = rtfToPlainText(*content.data);
        else if (conformsTo(content.utTypeIdentifier, types::html))
            text = decodedText(*content.data, content.utTypeIdentifier);
    }
    if (!text)
        return std::nullopt;
    const QList<SnippetFolder> existing = folders();
    const auto folder = existing.isEmpty()
        ? createFolder(QCoreApplication::translate("SnippetsViewModel", "Snippets"))
        : existing.first();
    if (!folder)
        return std::nullopt;
    const QString title = item.title.trimmed().isEmpty()
        ? QCoreApplication::translate("SnippetsViewModel", "Snippet")
        : item.title;
    return createSnippet(folder->id, title, *text);
}

void SnippetsViewModel::setIsEditingSnippet(bool editing)
{
    if (m_isEditingSnippet == editing)
        return;
    m_isEditingSnippet = editing;
    Q_EMIT isEditingSnippetChanged();
}

} // namespace quillet
