#include "clipboard/DerivedValues.h"
#include "clipboard/TypeRegistry.h"
#include "core/Graphemes.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QCryptographicHash>
#include <QImage>

using namespace quillet;

namespace {

PasteboardSnapshot snapshotOf(QList<TypedContent> contents)
{
    PasteboardSnapshot snapshot;
    snapshot.contents = std::move(contents);
    return snapshot;
}

using test::pngOf;

const QString kFamily = QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467");

} // namespace

class DerivedValuesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void classification_data()
    {
        QTest::addColumn<QStringList>("types");
        QTest::addColumn<ContentType>("expected");
        QTest::newRow("empty") << QStringList {} << ContentType::generic;
        QTest::newRow("plain") << QStringList { types::plainText } << ContentType::plainText;
        QTest::newRow("utf-8") << QStringList { types::utf8PlainText } << ContentType::plainText;
        QTest::newRow("rich text wins over text")
            << QStringList { types::plainText, types::rtf } << ContentType::richText;
        QTest::newRow("rtfd is rich text") << QStringList { types::rtfd } << ContentType::richText;
        QTest::newRow("html wins over text")
            << QStringList { types::plainText, types::html } << ContentType::html;
        QTest::newRow("rich text wins over html")
            << QStringList { types::html, types::rtf } << ContentType::richText;
        QTest::newRow("image wins over everything")
            << QStringList { types::plainText, types::rtf, types::png } << ContentType::image;
        QTest::newRow("file") << QStringList { types::fileURL, types::plainText } << ContentType::fileURL;
        QTest::newRow("unknown") << QStringList { QStringLiteral("application/pdf") } << ContentType::generic;
    }
    void classification()
    {
        QFETCH(QStringList, types);
        QFETCH(ContentType, expected);
        QCOMPARE(classifyContentType(types), expected);
    }

    void titles_data()
    {
        QTest::addColumn<QList<TypedContent>>("contents");
        QTest::addColumn<ContentType>("type");
        QTest::addColumn<QString>("title");
        QTest::newRow("hello") << QList<TypedContent> { { types::plainText, "Hello" } }
                               << ContentType::plainText << QStringLiteral("Hello");
        QTest::newRow("spaced first line")
            << QList<TypedContent> { { types::plainText, "   word \t\nsecond line\nthird" } }
            << ContentType::plainText << QStringLiteral("word");
        QTest::newRow("leading blank lines")
            << QList<TypedContent> { { types::plainText, "\n\r\nfirst\nsecond" } } << ContentType::plainText
            << QStringLiteral("first");
        QTest::newRow("unicode line separator")
            << QList<TypedContent> { { types::plainText, QStringLiteral("one\u2028two").toUtf8() } }
            << ContentType::plainText << QStringLiteral("one");
        QTest::newRow("no-break space trimmed")
            << QList<TypedContent> { { types::plainText, QStringLiteral("\u00A0x\u3000").toUtf8() } }
            << ContentType::plainText << QStringLiteral("x");
        QTest::newRow("latin-1 shown with replacement characters")
            << QList<TypedContent> { { types::plainText, "\xff\xfe caf\xe9" } } << ContentType::plainText
            << QStringLiteral("\uFFFD\uFFFD caf\uFFFD");
        QTest::newRow("utf-16") << QList<TypedContent> { { types::utf16PlainText,
            QByteArray("\xff\xfeh\0i\0", 6) } }
                                << ContentType::plainText << QStringLiteral("hi");
        QTest::newRow("html markup kept") << QList<TypedContent> { { types::html, "<b>bold</b>" } }
                                          << ContentType::html << QStringLiteral("<b>bold</b>");
        QTest::newRow("rtf title first") << QList<TypedContent> { { types::plainText, "plain" },
            { types::rtf, "{\\rtf1\\ansi {\\fonttbl\\f0 Helvetica;}\\f0 Rich\\par second}" } }
                                         << ContentType::richText << QStringLiteral("Rich");
        QTest::newRow("broken rtf falls back to text")
            << QList<TypedContent> { { types::rtf, "{\\rtf1 never closed" }, { types::plainText, "plain" } }
            << ContentType::richText << QStringLiteral("plain");
        QTest::newRow("only unreadable rtf") << QList<TypedContent> { { types::rtf, "not rtf" } }
                                             << ContentType::richText << QStringLiteral("Text");
        QTest::newRow("file") << QList<TypedContent> { { types::fileURL,
            "file:///home/ana/My%20Report.pdf" } }
                              << ContentType::fileURL << QStringLiteral("My Report.pdf");
        QTest::newRow("folder") << QList<TypedContent> { { types::fileURL, "file:///home/ana/Music/" } }
                                << ContentType::fileURL << QStringLiteral("Music");
        QTest::newRow("unparsable file url") << QList<TypedContent> { { types::fileURL, "file:///a b%zz" } }
                                             << ContentType::fileURL << QStringLiteral("File");
    }
    void titles()
    {
        QFETCH(QList<TypedContent>, contents);
        QFETCH(ContentType, type);
        QFETCH(QString, title);
        QCOMPARE(makeTitle(snapshotOf(contents), type), title);
    }

    void longTextIsCutInCharacters()
    {
        // 600 characters of which many are multi-unit emoji families.
        QString text;
        for (int i = 0; i < 300; ++i)
            text += kFamily + QStringLiteral("a");
        const QByteArray bytes = text.toUtf8();
        const QString title = makeTitle(snapshotOf({ { types::plainText, bytes } }), ContentType::plainText);
        QCOMPARE(graphemeCount(title), 200);
        const auto preview = makeTextPreview(bytes, types::plainText);
        QVERIFY(preview);
        QCOMPARE(graphemeCount(*preview), 500);
        QVERIFY(text.startsWith(*preview));
    }

    void previews_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("preview"); // null: no preview
        QTest::newRow("text keeps newlines")
            << QByteArray("a\nb ") << types::plainText << QStringLiteral("a\nb ");
        QTest::newRow("html") << QByteArray("<p>x</p>") << types::html << QStringLiteral("<p>x</p>");
        QTest::newRow("rtf") << QByteArray("{\\rtf1 Hi\\par there}") << types::rtf
                             << QStringLiteral("Hi\nthere");
        QTest::newRow("broken rtf as utf-8")
            << QByteArray("{\\rtf1 open") << types::rtf << QStringLiteral("{\\rtf1 open");
        QTest::newRow("utf-16") << QByteArray("\xff\xfeh\0i\0", 6) << types::utf16PlainText
                                << QStringLiteral("hi");
        QTest::newRow("latin-1") << QByteArray("caf\xe9") << types::plainText << QStringLiteral("caf\uFFFD");
        QTest::newRow("image") << QByteArray("x") << types::png << QString();
        QTest::newRow("file url") << QByteArray("file:///x") << types::fileURL << QString();
    }
    void previews()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, type);
        QFETCH(QString, preview);
        const auto result = makeTextPreview(data, type);
        QCOMPARE(result.has_value(), !preview.isNull());
        if (result)
            QCOMPARE(*result, preview);
    }

    void thumbnails_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("wide") << 1000 << 500 << QSize(200, 100);
        QTest::newRow("tall and small scales up") << 50 << 100 << QSize(100, 200);
        QTest::newRow("square") << 10 << 10 << QSize(200, 200);
        QTest::newRow("very wide keeps a pixel") << 4000 << 1 << QSize(200, 1);
    }
    void thumbnails()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QSize, expected);
        const auto thumbnail = makeThumbnail(pngOf(width, height));
        QVERIFY(thumbnail);
        QVERIFY(thumbnail->startsWith("\x89PNG"));
        const QImage image = QImage::fromData(*thumbnail, "PNG");
        QCOMPARE(image.size(), expected);
        QVERIFY(image.hasAlphaChannel());
    }

    void notAnImageGivesNoThumbnail_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("hello");
        QTest::newRow("png signature only") << QByteArray("\x89PNG\r\n\x1a\n", 8);
        QTest::newRow("truncated png") << pngOf(64, 64).left(40);
        // A header that claims a 100000 x 100000 image.
        QByteArray bomb = pngOf(1, 1);
        bomb.replace(16, 8, QByteArray::fromHex("000186a0000186a0"));
        QTest::newRow("huge claimed size") << bomb;
    }
    void notAnImageGivesNoThumbnail()
    {
        QFETCH(QByteArray, bytes);
        QCOMPARE(makeThumbnail(bytes), std::nullopt);
    }

    void hashCoversOnlyTheConcatenatedBytes()
    {
        const auto sha256 = [](const QByteArray &bytes) {
            return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
        };
        QCOMPARE(contentHashOf(snapshotOf({})), sha256({}));
        const QString a
            = contentHashOf(snapshotOf({ { types::plainText, "Hello" }, { types::html, "World" } }));
        const QString b = contentHashOf(
            snapshotOf({ { types::png, "Hel" }, { types::rtf, "loWor" }, { types::bmp, "ld" } }));
        const QString c
            = contentHashOf(snapshotOf({ { types::plainText, "World" }, { types::html, "Hello" } }));
        QCOMPARE(a, b);
        QVERIFY(a != c);
        QCOMPARE(a, sha256("HelloWorld"));
    }
};

QUILLET_TEST_MAIN(DerivedValuesTest)
#include "DerivedValuesTest.moc"
