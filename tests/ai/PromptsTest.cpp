#include "ai/PromptLibrary.h"
#include "ai/TextPrompt.h"
#include "store/Store.h"
#include "support/ManualClock.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>

using namespace quillet;
using namespace quillet::test;

Q_DECLARE_METATYPE(quillet::SavedPrompt)

class PromptsTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TempStore> m_store;
    std::unique_ptr<ManualClock> m_clock;
    std::unique_ptr<PromptLibrary> m_library;

    QList<qint64> sortOrders()
    {
        QList<qint64> orders;
        for (const SavedPrompt &prompt : m_library->prompts())
            orders.append(prompt.sortOrder);
        return orders;
    }

private Q_SLOTS:
    void init()
    {
        m_store = std::make_unique<TempStore>();
        m_clock = std::make_unique<ManualClock>();
        m_library = std::make_unique<PromptLibrary>(**m_store, *m_clock);
    }
    void cleanup()
    {
        m_library.reset();
        m_store.reset();
    }

    void modeReadsFromItsRawValue_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<TransformMode>("mode");
        QTest::newRow("Input") << "Input" << TransformMode::input;
        QTest::newRow("Replace") << "Replace" << TransformMode::replace;
        QTest::newRow("lower-case input") << "input" << TransformMode::replace;
        QTest::newRow("empty") << "" << TransformMode::replace;
        QTest::newRow("unknown") << "Append" << TransformMode::replace;
    }
    void modeReadsFromItsRawValue()
    {
        QFETCH(QString, raw);
        QFETCH(TransformMode, mode);
        SavedPrompt prompt;
        prompt.modeRaw = raw;
        QCOMPARE(quillet::mode(prompt), mode);
        QCOMPARE(transformModeFromRaw(rawValue(mode)), mode);
    }

    void savedPromptDerivedValues()
    {
        SavedPrompt prompt;
        prompt.id = QUuid(QStringLiteral("{1b4e28ba-2fa1-11d2-883f-0016d3cca427}"));
        prompt.name = QStringLiteral("Tone");
        prompt.icon = QStringLiteral("brain");
        prompt.systemPrompt = QStringLiteral("Be kind.");
        QCOMPARE(shortcutName(prompt), QStringLiteral("aiPrompt-1B4E28BA-2FA1-11D2-883F-0016D3CCA427"));
        QCOMPARE(asTextPrompt(prompt),
            (TextPrompt { "1B4E28BA-2FA1-11D2-883F-0016D3CCA427", "Tone", "brain", "Be kind." }));
    }

    void createPlacesPromptsAfterTheLargestOrder()
    {
        QSignalSpy created(m_library.get(), &PromptLibrary::promptCreated);
        const auto first = m_library->create("A", "globe", "Do A.", TransformMode::input);
        QVERIFY(first);
        QCOMPARE(first->sortOrder, 0);
        QCOMPARE(first->createdAt, m_clock->now());
        QCOMPARE(first->modeRaw, QStringLiteral("Input"));
        QVERIFY(!first->id.isNull());
        QCOMPARE(created.count(), 1);
        QCOMPARE(created.first().first().value<SavedPrompt>(), *first);

        const auto second = m_library->create("B", "brain", "Do B.", TransformMode::replace);
        QCOMPARE(second->sortOrder, 1);
        QCOMPARE(second->modeRaw, QStringLiteral("Replace"));
        SavedPrompt gap = *second;
        gap.id = QUuid::createUuid();
        gap.sortOrder = 5;
        QVERIFY((*m_store)->insertPrompt(gap));
        const auto afterGap = m_library->create("C", "doc.text", "Do C.", TransformMode::replace);
        QCOMPARE(afterGap->sortOrder, 6);
        QCOMPARE(sortOrders(), (QList<qint64> { 0, 1, 5, 6 }));

        QSignalSpy deleted(m_library.get(), &PromptLibrary::promptDeleted);
        QVERIFY(m_library->remove(gap));
        QVERIFY(m_library->remove(*afterGap));
        QCOMPARE(deleted.count(), 2);
        QCOMPARE(deleted.last().first().value<SavedPrompt>().id, afterGap->id);
        QCOMPARE(m_library->create("D", "globe", "Do D.", TransformMode::replace)->sortOrder, 2);
        QCOMPARE(sortOrders(), (QList<qint64> { 0, 1, 2 }));
    }

    void editingKeepsIdentityOrderAndCreation()
    {
        const auto original = m_library->create("A", "globe", "Do A.", TransformMode::replace);
        m_clock->advance(std::chrono::hours(1));
        SavedPrompt staleCopy = *original;
        staleCopy.sortOrder = 99;
        staleCopy.createdAt = m_clock->now();
        QSignalSpy updated(m_library.get(), &PromptLibrary::promptUpdated);
        const auto edited = m_library->update(staleCopy, "A2", "brain", "Do A better.", TransformMode::input);
        QVERIFY(edited);
        const SavedPrompt stored = *m_library->prompt(original->id);
        QCOMPARE(stored, *edited);
        QCOMPARE(stored.id, original->id);
        QCOMPARE(stored.sortOrder, original->sortOrder);
        QCOMPARE(stored.createdAt, original->createdAt);
        QCOMPARE(shortcutName(stored), shortcutName(*original));
        QCOMPARE(stored.name, QStringLiteral("A2"));
        QCOMPARE(stored.icon, QStringLiteral("brain"));
        QCOMPARE(stored.systemPrompt, QStringLiteral("Do A better."));
        QCOMPARE(quillet::mode(stored), TransformMode::input);
        QCOMPARE(updated.count(), 1);
    }

    void editingADeletedPromptChangesNothing()
    {
        const auto prompt = m_library->create("A", "globe", "Do A.", TransformMode::replace);
        QVERIFY(m_library->remove(*prompt));
        QSignalSpy updated(m_library.get(), &PromptLibrary::promptUpdated);
        QCOMPARE(m_library->update(*prompt, "B", "globe", "x", TransformMode::replace), std::nullopt);
        QVERIFY(m_library->prompts().isEmpty());
        QCOMPARE(updated.count(), 0);
    }
};

QUILLET_TEST_MAIN(PromptsTest)
#include "PromptsTest.moc"
