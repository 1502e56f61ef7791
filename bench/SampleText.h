#pragma once

#include "ai/ResultDiff.h"

#include <QRandomGenerator>
#include <QStringList>

// Texts for the benchmarks: prose-like words with punctuation, the light
// edit a grammar fix makes of them, and a model's Markdown answer.
namespace quillet::bench {

inline QString words(QRandomGenerator &random, int count)
{
    static const QStringList vocabulary { "the", "quick", "brown", "fox", "jumps", "over", "lazy", "dog",
        "while", "editors", "review", "draft", "résumé", "naïve", "über", "日本語", "text", "with", "several",
        "commas", "and", "numbers", "42", "3.14" };
    static const QStringList separators { " ", " ", " ", " ", " ", ", ", ". ", "\n", "; ", " (", ") " };
    QString text;
    for (int i = 0; i < count; ++i) {
        text += vocabulary[random.bounded(vocabulary.size())];
        text += separators[random.bounded(separators.size())];
    }
    return text;
}

// About one token in twenty replaced or preceded by a new word.
inline QString edited(QRandomGenerator &random, const QString &text)
{
    QStringList tokens = ResultDiff::tokenize(text);
    for (qsizetype i = 0; i < tokens.size(); i += 10 + random.bounded(20)) {
        if (random.bounded(2))
            tokens[i] = QStringLiteral("fixed");
        else
            tokens.insert(i, QStringLiteral("new "));
    }
    return tokens.join(QString());
}

// A model's answer of `size` characters using every Markdown form the
// launcher draws.
inline QString markdownAnswer(qsizetype size)
{
    const QString chunk = QStringLiteral(
        "## Setting up the **build**\n"
        "Run the configure step first, then *build* with `ninja`. See [the guide](https://example.org/guide) "
        "for details on __options__ and ***flags***.\n\n"
        "- install `cmake` and `ninja`\n- run **configure**\n+ check the *output*\n\n"
        "1. clone\n2. configure with `-G Ninja`\n3. build\n\n"
        "| Option | Default | Meaning |\n|---|:-:|---|\n| `QUILLET_BENCH` | off | **benchmarks** |\n"
        "| `QUILLET_FUZZ` | off | fuzz targets |\n\n"
        "```sh\ncmake -S . -B build\ncmake --build build\n```\n\n");
    QString text;
    while (text.size() < size)
        text += chunk;
    text.truncate(size);
    return text;
}

} // namespace quillet::bench
