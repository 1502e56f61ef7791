#pragma once

#include "launcher/InlineMarkdown.h"

#include <QList>
#include <QString>

#include <optional>

namespace quillet {

// One block of a model answer, as the launcher lays it out. Containers
// (quotes, lists and their items) hold their blocks in `children`.
struct MarkdownBlock {
    enum class Kind {
        paragraph, // `text`
        heading, // `text`, `level` 1-6
        quote, // `children`
        bulletList, // `children`: its items
        orderedList, // `children`: its items; `start`: the first number
        item, // `children`; `task`: a task list item, done or not
        codeBlock, // `code` without its last line break, `language`
        table, // `alignments` per column; `rows`, the header first, one cell per column
        rule, // a thematic break
    };
    enum class Align { none, left, center, right };

    Kind kind = Kind::paragraph;
    InlineText text;
    int level = 0;
    int start = 1;
    std::optional<bool> task;
    QString code;
    QString language;
    QList<MarkdownBlock> children;
    QList<Align> alignments;
    QList<QList<InlineText>> rows;

    friend bool operator==(const MarkdownBlock &, const MarkdownBlock &) = default;
};

// A model answer read as CommonMark with GitHub's tables, strikethrough,
// task lists and autolinks (md4c). Raw HTML stays text: nothing in an answer
// becomes markup. Images come back as links to their source, named by their
// description. Containers nested deeper than a few levels are flattened into
// the deepest one kept. Pure; linear in the text.
QList<MarkdownBlock> parseMarkdown(const QString &markdown);

// A compact readable form of blocks, for logs and test failures:
// `h2(Title)`, `p(a {b:bold} {a=https://x:link})`, `quote[p(x)]`,
// `ul[li[p(a)], task+[p(done)]]`, `ol3[...]`, `code:sh(ls)`,
// `table(l,-,r)[A|B|C; 1|2|3]`, `hr`.
QString describe(const QList<MarkdownBlock> &blocks);
QString describe(const InlineText &runs);

} // namespace quillet
