#pragma once

#include "ai/ResultDiff.h"

#include <QRandomGenerator>
#include <QStringList>

// Texts for the AI benchmarks: prose-like words with punctuation, and the
// light edit a grammar fix makes of them.
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

} // namespace quillet::bench
