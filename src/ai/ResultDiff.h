#pragma once

#include "ai/CommonSequence.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextCharFormat>

class QPalette;
class QTextCursor;

namespace quillet {

// One piece of a word-level comparison.
struct DiffChunk {
    enum class Kind { equal, removed, added };

    Kind kind = Kind::equal;
    QString text;

    static DiffChunk equal(QString text) { return { Kind::equal, std::move(text) }; }
    static DiffChunk removed(QString text) { return { Kind::removed, std::move(text) }; }
    static DiffChunk added(QString text) { return { Kind::added, std::move(text) }; }

    friend bool operator==(const DiffChunk &, const DiffChunk &) = default;
};

// The colours of removed and added text.
struct DiffColors {
    QColor red;
    QColor green;

    static DiffColors light();
    static DiffColors dark();
    // The set that reads on the palette's window colour.
    static DiffColors forPalette(const QPalette &palette);
};

// One stretch of the drawn comparison: consecutive chunks of one kind, with
// the format they are drawn in.
struct DiffRun {
    DiffChunk::Kind kind = DiffChunk::Kind::equal;
    QString text;
    QTextCharFormat format;
};

// The word-level comparison of a selection with the answer that is meant to
// replace it: which words stayed, which went and which came.
class ResultDiff {
public:
    // Cuts a text into words and single separators. A character (a grapheme
    // cluster) that is white space, punctuation or a symbol is a token of its
    // own; runs of other characters (letters, digits, marks) form words.
    static QStringList tokenize(const QString &text);

    // The tokens both lists share, in order, as a longest common sequence.
    // Tokens match when they are canonically equivalent.
    static QStringList longestCommonTokens(
        const QStringList &oldTokens, const QStringList &newTokens, const LcsLimits &limits = {});

    // The chunks that turn `oldText` into `newText`: each common token is an
    // equal chunk of its own; between two of them, the removed run comes
    // before the added run. Equal and removed chunks give the old text back,
    // equal and added chunks the new one.
    static QList<DiffChunk> diff(const QString &oldText, const QString &newText, const LcsLimits &limits = {},
        LcsStats *stats = nullptr);

    // The chunks as styled runs: equal text plain; removed text red, struck
    // through, on a faint red; added text green on a fainter green; all of it
    // in medium weight.
    static QList<DiffRun> styled(const QList<DiffChunk> &chunks, const DiffColors &colors);

    // Inserts the styled runs at the cursor.
    static void insert(QTextCursor &cursor, const QList<DiffChunk> &chunks, const DiffColors &colors);
};

} // namespace quillet
