#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace quillet {

// One block of a model answer, as the launcher lays it out.
struct MarkdownBlock {
    enum class Kind {
        paragraph, // `text`; a heading is stored with its text wrapped in "**"
        bullet, // `items`, markers removed
        ordered, // `items`, numbers removed
        codeBlock, // `text`: the lines between the fences, unchanged
        table, // `headers` and `rows`; rows may be shorter or longer than the header
    };

    Kind kind = Kind::paragraph;
    QString text;
    QStringList items;
    QStringList headers;
    QList<QStringList> rows;

    static MarkdownBlock paragraph(const QString &text) { return { Kind::paragraph, text, {}, {}, {} }; }
    static MarkdownBlock bullet(const QStringList &items) { return { Kind::bullet, {}, items, {}, {} }; }
    static MarkdownBlock ordered(const QStringList &items) { return { Kind::ordered, {}, items, {}, {} }; }
    static MarkdownBlock codeBlock(const QString &code) { return { Kind::codeBlock, code, {}, {}, {} }; }
    static MarkdownBlock table(const QStringList &headers, const QList<QStringList> &rows)
    {
        return { Kind::table, {}, {}, headers, rows };
    }

    // The body rows as shown: exactly one cell per header column, shorter rows
    // padded with empty cells, extra cells left out.
    QList<QStringList> displayRows() const;

    friend bool operator==(const MarkdownBlock &, const MarkdownBlock &) = default;
};

// The line-based block parser for model answers: fenced code, "#" headings,
// pipe tables, "-"/"+"/"*" bullet lists, "1." numbered lists and paragraphs
// (their lines joined with spaces). Pure; linear in the text.
QList<MarkdownBlock> parseBlocks(const QString &text);

// A readable form of a block, for logs and test failures.
QString describe(const MarkdownBlock &block);

} // namespace quillet
