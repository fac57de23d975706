// The pick list editors offscreen: what marks a list as changed, what a tab change and closing do
// with a changed list, and a save the store refuses.
#include "reference/ui/OptionalLookupListMaint_FRM.h"

#include "base/Prompter.h"
#include "support/MainStore.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTest>

// Records as its base does, and first runs what a test gives it when a question is asked.
class WatchingPrompter : public RecordingPrompter
{
public:
    std::function<void()> onQuestion;

    Answer questionWithCancel(const QString &title, const QString &text) override
    {
        if (onQuestion)
            onQuestion();
        return RecordingPrompter::questionWithCancel(title, text);
    }
};

class TestOptionalLookupFrm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void everyKindOfChangeMarksTheList_data();
    void everyKindOfChangeMarksTheList();
    void changedTabAsksBeforeLeaving();
    void closingIsRefusedWhileChanged();
    void failedSaveKeepsTextAndFlag();
    void feedFormShowsFeedLists();

private:
    template <class TForm>
    TForm *open();

    std::unique_ptr<MainStore> m_store;
    std::unique_ptr<TOptionalLookupDataDM> m_lists;
    std::unique_ptr<QWidget> m_owner;
    WatchingPrompter m_prompter;
    std::unique_ptr<ScopedPrompter> m_scope;
    bool m_storeBroken = false;
};

void TestOptionalLookupFrm::init()
{
    m_store = std::make_unique<MainStore>();
    QVERIFY(m_store->main.isOpen());
    m_storeBroken = false;
    const QSqlDatabase db = m_store->main;
    m_lists = std::make_unique<TOptionalLookupDataDM>([this, db] { return m_storeBroken ? QSqlDatabase() : db; });
    m_lists->SetLookupData("BrandName", "ACME\nZENITH");
    m_lists->SetLookupData("FoodDescription", "PIE");
    m_owner = std::make_unique<QWidget>();
    m_prompter.clear();
    m_prompter.onQuestion = nullptr;
    m_scope = std::make_unique<ScopedPrompter>(&m_prompter);
}

void TestOptionalLookupFrm::cleanup()
{
    m_owner.reset();
    m_scope.reset();
    m_lists.reset();
    m_store.reset();
}

template <class TForm>
TForm *TestOptionalLookupFrm::open()
{
    auto *form = TBasefrm::Create<TForm>(m_owner.get());
    form->SetLookupModule(m_lists.get());
    form->InitialiseDefaults(std::make_unique<TOptionalLookupListMaintFrmDefaults>());
    return form;
}

void TestOptionalLookupFrm::everyKindOfChangeMarksTheList_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("typed") << 0;
    QTest::newRow("pasted") << 1;
    QTest::newRow("sorted, order unchanged") << 2;
}

void TestOptionalLookupFrm::everyKindOfChangeMarksTheList()
{
    QFETCH(int, kind);
    auto *form = open<TOptionalLookupListMaintFrm>();
    QCOMPARE(form->memList->toPlainText(), QString("ACME\nZENITH"));
    QVERIFY(!form->Changed());
    QVERIFY(!form->actSaveChanges->isEnabled());
    if (kind == 0) {
        form->memList->moveCursor(QTextCursor::End);
        QTest::keyClick(form->memList, Qt::Key_Return);
        QTest::keyClicks(form->memList, "new");
    } else if (kind == 1) {
        form->memList->moveCursor(QTextCursor::End);
        form->memList->insertPlainText("\nPasted");
    } else {
        form->actSortList->trigger();
    }
    QVERIFY(form->Changed());
    QVERIFY(form->actSaveChanges->isEnabled() && form->actCancelChanges->isEnabled());
    form->actSaveChanges->trigger();
    QVERIFY(!form->Changed());
    const QString stored[] = {"ACME\r\nZENITH\r\nNEW", "ACME\r\nZENITH\r\nPasted", "ACME\r\nZENITH"};
    QCOMPARE(m_lists->GetLookupData("BrandName"), stored[kind]);
}

void TestOptionalLookupFrm::changedTabAsksBeforeLeaving()
{
    auto *form = open<TOptionalLookupListMaintFrm>();
    form->memList->setPlainText("CHANGED");
    // While the question is open the changed list is still the one in front.
    int tabWhileAsked = -1;
    QString textWhileAsked;
    m_prompter.onQuestion = [&]() {
        tabWhileAsked = form->tbTextLists->currentIndex();
        textWhileAsked = form->memList->toPlainText();
    };
    // Cancel: the tab stays, with the officer's text, still changed and not stored.
    m_prompter.queueAnswer(Prompter::Answer::Cancel);
    form->tbTextLists->setCurrentIndex(1);
    QCOMPARE(m_prompter.texts(Prompter::Kind::Question), QStringList({"'Brand name' has been changed, save changes?"}));
    QCOMPARE(tabWhileAsked, 0);
    QCOMPARE(textWhileAsked, QString("CHANGED"));
    QCOMPARE(form->tbTextLists->currentIndex(), 0);
    QCOMPARE(form->CurrentListName(), QString("BrandName"));
    QCOMPARE(form->memList->toPlainText(), QString("CHANGED"));
    QVERIFY(form->Changed());
    QCOMPARE(m_lists->GetLookupData("BrandName"), QString("ACME\r\nZENITH"));

    // No: the changes are dropped and the other list shown.
    form->memList->setPlainText("DROPPED");
    m_prompter.clear();
    m_prompter.queueAnswer(false);
    form->tbTextLists->setCurrentIndex(1);
    QCOMPARE(tabWhileAsked, 0);
    QCOMPARE(m_prompter.texts(Prompter::Kind::Question), QStringList({"'Brand name' has been changed, save changes?"}));
    QCOMPARE(form->CurrentListName(), QString("FoodDescription"));
    QCOMPARE(form->memList->toPlainText(), QString("PIE"));
    QVERIFY(!form->Changed());
    QCOMPARE(m_lists->GetLookupData("BrandName"), QString("ACME\r\nZENITH"));

    form->memList->setPlainText("PIE\nTART");
    m_prompter.queueAnswer(true);
    form->tbTextLists->setCurrentIndex(0);
    QCOMPARE(tabWhileAsked, 1);
    QCOMPARE(form->tbTextLists->currentIndex(), 0);
    QCOMPARE(m_lists->GetLookupData("FoodDescription"), QString("PIE\r\nTART"));
    QCOMPARE(form->memList->toPlainText(), QString("ACME\nZENITH"));
    // Cancel reloads the stored text.
    form->memList->setPlainText("X");
    form->actCancelChanges->trigger();
    QCOMPARE(form->memList->toPlainText(), QString("ACME\nZENITH"));
    QVERIFY(!form->Changed());
}

void TestOptionalLookupFrm::closingIsRefusedWhileChanged()
{
    auto *form = open<TOptionalLookupListMaintFrm>();
    form->show();
    form->memList->setPlainText("UNSAVED");
    form->close();
    QVERIFY(form->isVisible());
    QCOMPARE(m_prompter.texts(Prompter::Kind::Error), QStringList({"Save or cancel changed before exiting."}));
    // Opened again meanwhile: the text stays.
    form->InitialiseDefaults(std::make_unique<TOptionalLookupListMaintFrmDefaults>());
    QCOMPARE(form->memList->toPlainText(), QString("UNSAVED"));
    QVERIFY(form->Changed());
    form->actSaveChanges->trigger();
    form->close();
    QVERIFY(!form->isVisible());
}

void TestOptionalLookupFrm::failedSaveKeepsTextAndFlag()
{
    auto *form = open<TOptionalLookupListMaintFrm>();
    form->memList->setPlainText("KEEP ME");
    m_storeBroken = true;
    form->actSaveChanges->trigger();
    QCOMPARE(m_prompter.texts(Prompter::Kind::Error).size(), 1);
    QVERIFY(form->Changed());
    QCOMPARE(form->memList->toPlainText(), QString("KEEP ME"));
    // Saving on leaving the tab fails too: the form stays on the list with the text.
    m_prompter.queueAnswer(true);
    form->tbTextLists->setCurrentIndex(2);
    QCOMPARE(form->tbTextLists->currentIndex(), 0);
    QCOMPARE(form->memList->toPlainText(), QString("KEEP ME"));
    QVERIFY(form->Changed());
    m_storeBroken = false;
    form->actSaveChanges->trigger();
    QCOMPARE(m_lists->GetLookupData("BrandName"), QString("KEEP ME"));
}

void TestOptionalLookupFrm::feedFormShowsFeedLists()
{
    auto *form = open<TOptionalLookupListAFMaintFrm>();
    QCOMPARE(form->tbTextLists->count(), 4);
    QCOMPARE(form->tbTextLists->tabText(3), QString("Feed survey reference"));
    QCOMPARE(form->CurrentListName(), QString("FeedName"));
    QCOMPARE(form->lblHeading->text(), QString("  Animal feed - Optional lookup lists"));
}

QTEST_MAIN(TestOptionalLookupFrm)
#include "tst_optionallookupfrm.moc"
