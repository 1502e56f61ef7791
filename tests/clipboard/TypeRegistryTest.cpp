#include "clipboard/TypeRegistry.h"
#include "support/TestEnvironment.h"

using namespace quillet;

class TypeRegistryTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void conformances_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("super");
        QTest::addColumn<bool>("conforms");
        QTest::newRow("utf-8 text is text") << types::utf8PlainText << types::plainText << true;
        QTest::newRow("utf-16 text is text") << types::utf16PlainText << types::plainText << true;
        QTest::newRow("spelling of utf-8 text")
            << QStringLiteral("Text/Plain; Charset=UTF-8") << types::utf8PlainText << true;
        QTest::newRow("text is not utf-8 text") << types::plainText << types::utf8PlainText << false;
        QTest::newRow("html is not plain text") << types::html << types::plainText << false;
        QTest::newRow("html with a charset is html")
            << QStringLiteral("text/html; charset=UTF-8") << types::html << true;
        QTest::newRow("png with a parameter is image")
            << QStringLiteral("image/png;x=1") << types::image << true;
        QTest::newRow("png is image") << types::png << types::image << true;
        QTest::newRow("webp is image") << QStringLiteral("image/webp") << types::image << true;
        QTest::newRow("png is not jpeg") << types::png << types::jpeg << false;
        QTest::newRow("application/rtf is rtf") << QStringLiteral("application/rtf") << types::rtf << true;
        QTest::newRow("rtfd kept literally") << types::rtfd << types::rtfd << true;
        QTest::newRow("rtfd is not rtf") << types::rtfd << types::rtf << false;
        QTest::newRow("uri-list is file url") << types::fileURL << types::fileURL << true;
        QTest::newRow("file url is url") << types::fileURL << types::url << true;
        QTest::newRow("url is not file url") << types::url << types::fileURL << false;
    }
    void conformances()
    {
        QFETCH(QString, type);
        QFETCH(QString, super);
        QFETCH(bool, conforms);
        QCOMPARE(conformsTo(type, super), conforms);
    }

    void knownTypes_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("known");
        QTest::newRow("TARGETS atom") << QStringLiteral("TARGETS") << false;
        QTest::newRow("UTF8_STRING atom") << QStringLiteral("UTF8_STRING") << false;
        QTest::newRow("private format") << QStringLiteral("x-special/gnome-copied-files") << false;
        QTest::newRow("chromium private") << QStringLiteral("chromium/x-web-custom-data") << false;
        QTest::newRow("marker") << types::selfMarker << false;
        QTest::newRow("plain text") << QStringLiteral("text/plain") << true;
        QTest::newRow("utf-8 text") << QStringLiteral("text/plain;charset=utf-8") << true;
        QTest::newRow("uri list") << QStringLiteral("text/uri-list") << true;
        QTest::newRow("moz url") << QStringLiteral("text/x-moz-url") << true;
        QTest::newRow("png") << QStringLiteral("image/png") << true;
        QTest::newRow("pdf from the mime database") << QStringLiteral("application/pdf") << true;
        QTest::newRow("rtf alias") << QStringLiteral("text/rtf") << true;
    }
    void knownTypes()
    {
        QFETCH(QString, type);
        QFETCH(bool, known);
        QCOMPARE(isKnownType(type), known);
    }

    void storageTypes()
    {
        QCOMPARE(storageTypeFor(QStringLiteral("text/plain;charset=utf-8")), types::utf8PlainText);
        QCOMPARE(storageTypeFor(QStringLiteral("text/plain;charset=utf-16")), types::plainText);
        QCOMPARE(storageTypeFor(types::fileURL), types::fileURL);
        QCOMPARE(storageTypeFor(QStringLiteral("text/html;charset=utf-8")), types::html);
        QCOMPARE(storageTypeFor(QStringLiteral("image/webp")), QString());
        QCOMPARE(storageTypeFor(QStringLiteral("application/pdf")), QString());
    }
};

QUILLET_TEST_MAIN(TypeRegistryTest)
#include "TypeRegistryTest.moc"
