#include "ui/settings/SnippetsSettingsView.h"
#include "support/SettingsFixture.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"
#include "ui/common/SnippetListModel.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QTreeWidget>

using namespace quillet;

namespace {

// The Snippets tab over a real store, next to the panel's snippet list to
// see the edits arrive there.
struct Editor {
    test::TempStore store;
    SnippetsViewModel snippets { *store };
    SnippetListModel panelList { snippets };
    SnippetsSettingsView view { snippets };

    Editor()
    {
        view.resize(480, 420);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }
    template<typename T> T *child(const char *name) { return view.findChild<T *>(QLatin1String(name)); }
    void click(const char *button) { child<QToolButton>(button)->click(); }
    // Types into a line edit and finishes with Return.
    void type(const char *field, const QString &text)
    {
        auto *edit = child<QLineEdit>(field);
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    QStringList folderNames()
    {
        QStringList names;
        for (const SnippetFolder &folder : snippets.folders())
            names.append(folder.name);
        return names;
    }
    Snippet only()
    {
        const QList<Snippet> all = store->allSnippets();
        return all.size() == 1 ? all.first() : Snippet();
    }
};

} // namespace

class SnippetsSettingsViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void foldersAreMadeRenamedAndDeleted()
    {
        Editor e;
        e.click("newFolder");
        QCOMPARE(e.child<QLineEdit>("folderName")->text(), QStringLiteral("New Folder"));
        QVERIFY(e.child<QLineEdit>("folderName")->hasFocus());
        e.type("folderName", QStringLiteral("Replies"));
        e.click("newFolder");
        e.type("folderName", QStringLiteral("Code"));
        QCOMPARE(e.folderNames(), (QStringList { QStringLiteral("Replies"), QStringLiteral("Code") }));

        // A folder that holds snippets is deleted only when confirmed.
        const QUuid replies = e.snippets.folders().first().id;
        e.view.showFolder(replies);
        e.click("newSnippet");
        QCOMPARE(e.only().folder, replies);
        e.view.showFolder(replies);
        for (const QString &answer : { QStringLiteral("Cancel"), QStringLiteral("Delete") }) {
            test::ModalAnswer modal(test::clickButton(answer));
            e.click("delete");
            QVERIFY(modal.answered);
        }
        QCOMPARE(e.folderNames(), QStringList { QStringLiteral("Code") });
        QVERIFY(e.store->allSnippets().isEmpty());

        // An empty one goes at once.
        e.view.showFolder(e.snippets.folders().first().id);
        e.click("delete");
        QVERIFY(e.snippets.folders().isEmpty());
    }

    void snippetsAreMadeEditedMovedAndDeleted()
    {
        Editor e;
        // Without a folder, one is made for the new snippet.
        e.click("newSnippet");
        QCOMPARE(e.folderNames(), QStringList { QStringLiteral("Snippets") });
        QVERIFY(e.child<QLineEdit>("snippetTitle")->hasFocus());
        e.type("snippetTitle", QStringLiteral("Thanks"));
        QCOMPARE(e.only().title, QStringLiteral("Thanks"));
        QTRY_COMPARE(e.panelList.index(0).data().toString(), QStringLiteral("Thanks"));

        // The text is saved when the user moves on.
        e.child<QPlainTextEdit>("snippetText")->setPlainText(QStringLiteral("Thank you!\nAna"));
        auto *tree = e.child<QTreeWidget>("snippetTree");
        tree->setCurrentItem(tree->topLevelItem(0));
        QCOMPARE(e.store->snippetContentData(e.only().id), QByteArray("Thank you!\nAna"));
        QCOMPARE(e.snippets.text(e.only()), QStringLiteral("Thank you!\nAna"));

        e.click("newFolder");
        e.type("folderName", QStringLiteral("Mail"));
        const QUuid mail = e.snippets.folders().last().id;
        e.view.showSnippet(e.only().id);
        auto *folder = e.child<QComboBox>("snippetFolder");
        QCOMPARE(folder->currentText(), QStringLiteral("Snippets"));
        const int mailIndex = folder->findText(QStringLiteral("Mail"));
        folder->setCurrentIndex(mailIndex);
        Q_EMIT folder->activated(mailIndex);
        QCOMPARE(e.only().folder, mail);
        QCOMPARE(e.only().title, QStringLiteral("Thanks"));

        e.click("delete");
        QVERIFY(e.store->allSnippets().isEmpty());
        QTRY_COMPARE(e.panelList.rowCount(), 0);
        // The folder it was in is what is selected now.
        QCOMPARE(e.child<QLineEdit>("folderName")->text(), QStringLiteral("Mail"));
    }
};

QUILLET_TEST_MAIN(SnippetsSettingsViewTest)
#include "SnippetsSettingsViewTest.moc"
