#include "ai/ResultDiff.h"
#include "support/TestEnvironment.h"

#include <QRandomGenerator>
#include <QTextCursor>
#include <QTextDocument>

#include <sys/resource.h>

using namespace quillet;
using namespace Qt::StringLiterals;

namespace {

using Kind = DiffChunk::Kind;

QString describe(const QList<DiffChunk> &chunks)
{
    QStringList parts;
    for (const DiffChunk &chunk : chunks) {
        const char *sign = chunk.kind == Kind::equal ? "=" : (chunk.kind == Kind::removed ? "-" : "+");
        parts.append(QLatin1String(sign) + QLatin1Char('[') + chunk.text + QLatin1Char(']'));
    }
    return parts.join(QLatin1Char(' '));
}

QString side(const QList<DiffChunk> &chunks, Kind skipped)
{
    QString text;
    for (const DiffChunk &chunk : chunks) {
        if (chunk.kind != skipped)
            text += chunk.text;
    }
    return text;
}

// Both texts come back, and the chunk order holds: never two removed or two
// added runs in a row, never an added run right before a removed one.
void verifyChunks(const QList<DiffChunk> &chunks, const QString &oldText, const QString &newText)
{
    QCOMPARE(side(chunks, Kind::added), oldText);
    QCOMPARE(side(chunks, Kind::removed), newText);
    for (qsizetype i = 1; i < chunks.size(); ++i) {
        const Kind before = chunks[i - 1].kind;
        const Kind after = chunks[i].kind;
        QVERIFY(!(before == Kind::removed && after == Kind::removed));
        QVERIFY(!(before == Kind::added && after == Kind::added));
        QVERIFY(!(before == Kind::added && after == Kind::removed));
        QVERIFY(!chunks[i].text.isEmpty());
    }
}

qint64 equalTokens(const QList<DiffChunk> &chunks)
{
    return std::count_if(
        chunks.begin(), chunks.end(), [](const DiffChunk &c) { return c.kind == Kind::equal; });
}

std::vector<int> randomSequence(QRandomGenerator &random, int maxLength, int alphabet)
{
    std::vector<int> sequence(std::size_t(random.bounded(maxLength + 1)));
    for (int &symbol : sequence)
        symbol = random.bounded(alphabet);
    return sequence;
}

bool isSubsequence(const std::vector<int> &needle, const std::vector<int> &haystack)
{
    std::size_t at = 0;
    for (const int symbol : haystack) {
        if (at < needle.size() && needle[at] == symbol)
            ++at;
    }
    return at == needle.size();
}

QString words(QRandomGenerator &random, int count)
{
    static const QStringList vocabulary { "the", "cat", "sat", "on", "a", "mat", "and", "dog", "ran", "far",
        "away", "from", "its", "home", "quickly", "über", "naïve", "日本" };
    static const QStringList separators { " ", " ", " ", " ", ", ", ". ", "\n", " — ", "; " };
    QString text;
    for (int i = 0; i < count; ++i) {
        text += vocabulary[random.bounded(vocabulary.size())];
        text += separators[random.bounded(separators.size())];
    }
    return text;
}

qint64 maxResidentKilobytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

class ResultDiffTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tokenize_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("tokens");
        QTest::newRow("words and punctuation")
            << "Hello, world!" << QStringList { "Hello", ",", " ", "world", "!" };
        QTest::newRow("runs are not merged") << "a  b" << QStringList { "a", " ", " ", "b" };
        QTest::newRow("dash") << "co-op" << QStringList { "co", "-", "op" };
        QTest::newRow("currency") << "$5" << QStringList { "$", "5" };
        QTest::newRow("decimal") << "3.14" << QStringList { "3", ".", "14" };
        QTest::newRow("combining mark stays in the word")
            << "cafe\u0301 ok" << QStringList { "cafe\u0301", " ", "ok" };
        QTest::newRow("CRLF is one character") << "a\r\nb" << QStringList { "a", "\r\n", "b" };
        QTest::newRow("no-break space") << "1\u00a0kg" << QStringList { "1", "\u00a0", "kg" };
        QTest::newRow("ideographic space") << "日本\u3000語" << QStringList { "日本", "\u3000", "語" };
        QTest::newRow("emoji family")
            << "hi👩‍👩‍👧!" << QStringList { "hi", "👩‍👩‍👧", "!" };
        QTest::newRow("flag") << "🇫🇷x" << QStringList { "🇫🇷", "x" };
        QTest::newRow("math symbol") << "a+b=c" << QStringList { "a", "+", "b", "=", "c" };
        QTest::newRow("connector punctuation") << "snake_case" << QStringList { "snake", "_", "case" };
        QTest::newRow("empty") << "" << QStringList {};
    }
    void tokenize()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, tokens);
        QCOMPARE(ResultDiff::tokenize(text), tokens);
    }

    void chunks_data()
    {
        QTest::addColumn<QString>("oldText");
        QTest::addColumn<QString>("newText");
        QTest::addColumn<QString>("chunks");
        QTest::newRow("changed word") << u"teh cat"_s << u"the cat"_s << u"-[teh] +[the] =[ ] =[cat]"_s;
        QTest::newRow("changed last word") << u"a b"_s << u"a c"_s << u"=[a] =[ ] -[b] +[c]"_s;
        QTest::newRow("first match wins") << u"x"_s << u"x x"_s << u"=[x] +[ x]"_s;
        QTest::newRow("tie goes back in the new text") << u"x y"_s << u"y x"_s << u"-[x ] =[y] +[ x]"_s;
        QTest::newRow("equal texts") << u"a, b"_s << u"a, b"_s << u"=[a] =[,] =[ ] =[b]"_s;
        QTest::newRow("empty old") << u""_s << u"new text"_s << u"+[new text]"_s;
        QTest::newRow("empty new") << u"old text"_s << u""_s << u"-[old text]"_s;
        QTest::newRow("both empty") << u""_s << u""_s << u""_s;
        QTest::newRow("nothing in common") << u"ab"_s << u"cd"_s << u"-[ab] +[cd]"_s;
        QTest::newRow("canonically equal") << u"café"_s << u"cafe\u0301"_s << u"=[café]"_s;
    }
    void chunks()
    {
        QFETCH(QString, oldText);
        QFETCH(QString, newText);
        QFETCH(QString, chunks);
        const QList<DiffChunk> diff = ResultDiff::diff(oldText, newText);
        QCOMPARE(describe(diff), chunks);
    }

    void longestCommonTokensFollowsTheTieRule()
    {
        QCOMPARE(ResultDiff::longestCommonTokens({ "x", " ", "y" }, { "y", " ", "x" }), QStringList { "y" });
        // At the tie in the last cell the walk steps back in the new text, so c survives.
        QCOMPARE(ResultDiff::longestCommonTokens({ "a", "b", "c" }, { "a", "c", "b" }),
            (QStringList { "a", "c" }));
        QCOMPARE(ResultDiff::longestCommonTokens({}, { "a" }), QStringList {});
    }

    void linearSpaceSearchFindsALongestSequence_data()
    {
        QTest::addColumn<double>("greedyShare");
        QTest::addColumn<qint64>("leafCells");
        QTest::newRow("row split only") << 0.0 << qint64(0);
        QTest::newRow("greedy only") << 1e12 << qint64(0);
        QTest::newRow("mixed with small tables") << 0.25 << qint64(30);
    }
    void linearSpaceSearchFindsALongestSequence()
    {
        QFETCH(double, greedyShare);
        QFETCH(qint64, leafCells);
        QRandomGenerator random(20240601);
        const LcsLimits linear { 0, leafCells, greedyShare };
        for (int round = 0; round < 3000; ++round) {
            const int alphabet = 1 + round % 5;
            const std::vector<int> a = randomSequence(random, 40, alphabet);
            const std::vector<int> b = randomSequence(random, 40, alphabet);
            const std::vector<qsizetype> exact = commonSubsequence(a, b);
            LcsStats stats;
            const std::vector<qsizetype> found = commonSubsequence(a, b, linear, &stats);
            QCOMPARE(found.size(), exact.size());
            QVERIFY(std::is_sorted(found.begin(), found.end()));
            QVERIFY(std::adjacent_find(found.begin(), found.end()) == found.end());
            std::vector<int> symbols;
            for (const qsizetype position : found) {
                QVERIFY(position >= 0 && position < qsizetype(a.size()));
                symbols.push_back(a[std::size_t(position)]);
            }
            QVERIFY(isSubsequence(symbols, b));
            QCOMPARE(stats.linearSpace, !a.empty() && !b.empty());
        }
    }

    void anyLimitGivesBothTextsBack()
    {
        QRandomGenerator random(7);
        for (int round = 0; round < 200; ++round) {
            const QString oldText = words(random, random.bounded(60));
            QString newText = oldText;
            for (int edit = random.bounded(6); edit > 0 && !newText.isEmpty(); --edit) {
                const int at = random.bounded(int(newText.size()));
                newText = newText.left(at) + words(random, random.bounded(3))
                    + newText.mid(at + random.bounded(10));
            }
            const QList<DiffChunk> exact = ResultDiff::diff(oldText, newText);
            verifyChunks(exact, oldText, newText);
            const QList<DiffChunk> linear = ResultDiff::diff(oldText, newText, LcsLimits { 0, 16, 0.25 });
            verifyChunks(linear, oldText, newText);
            QCOMPARE(equalTokens(linear), equalTokens(exact));
        }
    }

    void largeInputsDropTheirCommonEndsFirst()
    {
        const QString common = QStringLiteral("one two three four five six ");
        const QString oldText = common + QStringLiteral("teh cat") + QStringLiteral(" seven eight nine");
        const QString newText = common + QStringLiteral("the cat") + QStringLiteral(" seven eight nine");
        LcsStats stats;
        // Too small for the whole table, large enough for the middle.
        const QList<DiffChunk> diff
            = ResultDiff::diff(oldText, newText, LcsLimits { lcsTableBytes(6, 6), 0, 0 }, &stats);
        QVERIFY(stats.linearSpace);
        verifyChunks(diff, oldText, newText);
        QVERIFY(describe(diff).contains(QStringLiteral("-[teh] +[the] =[ ] =[cat]")));
    }

    void twentyThousandWordTextsStayWithinTheMemoryBound()
    {
        QRandomGenerator random(42);
        const QString oldText = words(random, 20000);
        // An answer that fixes a word here and there, adds and drops a few.
        QStringList tokens = ResultDiff::tokenize(oldText);
        for (qsizetype i = 0; i < tokens.size(); i += 37 + random.bounded(20)) {
            switch (random.bounded(3)) {
            case 0:
                tokens[i] = QStringLiteral("changed");
                break;
            case 1:
                tokens.insert(i, QStringLiteral("extra "));
                break;
            default:
                tokens.removeAt(i);
                break;
            }
        }
        const QString newText = tokens.join(QString());

        const qint64 residentBefore = maxResidentKilobytes();
        LcsStats stats;
        const QList<DiffChunk> diff = ResultDiff::diff(oldText, newText, LcsLimits {}, &stats);
        QVERIFY(stats.linearSpace);
        QVERIFY2(stats.peakBytes <= LcsLimits {}.maxTableBytes, qPrintable(QString::number(stats.peakBytes)));
        // The table alone would be several gigabytes.
        QVERIFY(lcsTableBytes(ResultDiff::tokenize(oldText).size(), tokens.size()) > 1'000'000'000);
        QVERIFY2(maxResidentKilobytes() - residentBefore < 160 * 1024,
            qPrintable(QString::number(maxResidentKilobytes() - residentBefore)));
        verifyChunks(diff, oldText, newText);
        // Nearly every token survives the light edit.
        QVERIFY(equalTokens(diff) > ResultDiff::tokenize(oldText).size() * 95 / 100);
    }

    void styledRuns()
    {
        const QList<DiffChunk> chunks { DiffChunk::equal("a"), DiffChunk::equal(" "),
            DiffChunk::removed("teh"), DiffChunk::added("the"), DiffChunk::equal(" cat") };
        const DiffColors colors = DiffColors::light();
        const QList<DiffRun> runs = ResultDiff::styled(chunks, colors);
        // Equal neighbours merge; removed text is struck out in red, added text is green.
        QCOMPARE(runs.size(), 4);
        QCOMPARE(runs[0].text, QStringLiteral("a "));
        QCOMPARE(runs[0].kind, Kind::equal);
        QVERIFY(!runs[0].format.fontStrikeOut());
        QVERIFY(!runs[0].format.hasProperty(QTextFormat::BackgroundBrush));
        QVERIFY(runs[1].format.fontStrikeOut());
        QCOMPARE(runs[1].format.foreground().color(), colors.red);
        QVERIFY(!runs[2].format.fontStrikeOut());
        QCOMPARE(runs[2].format.foreground().color(), colors.green);

        QTextDocument document;
        QTextCursor cursor(&document);
        ResultDiff::insert(cursor, chunks, colors);
        QCOMPARE(document.toPlainText(), QStringLiteral("a tehthe cat"));
        QTextCursor probe(&document);
        probe.setPosition(3);
        QVERIFY(probe.charFormat().fontStrikeOut());

        QPalette dark;
        dark.setColor(QPalette::Window, Qt::black);
        QCOMPARE(DiffColors::forPalette(dark).red, DiffColors::dark().red);
    }
};

QUILLET_TEST_MAIN(ResultDiffTest)
#include "ResultDiffTest.moc"
