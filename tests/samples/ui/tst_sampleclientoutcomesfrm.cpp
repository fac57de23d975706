// The client outcomes dialog and "Set prosecution" against the stand-in server, with its fault
// switches: whatever call fails, the server holds the old outcomes or the new, never a mix, and a
// failure is never reported as done.
#include "samples/ui/SampleClientOutcomes_Frm.h"

#include "base/Prompter.h"
#include "samples/ui/SampleRowActions.h"
#include "support/MainStore.h"
#include "support/ServerProcess.h"

#include <QListWidget>
#include <QTest>
#include <QTreeWidget>
#include <QUuid>

class TestSampleClientOutcomesFrm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void prosecutionSetOnServerThenLocally();
    void prosecutionRefused_data();
    void prosecutionRefused();
    void pickSaveAndReopen();
    void failedSaveLeavesTheOldOutcomes_data();
    void failedSaveLeavesTheOldOutcomes();
    void lostAnswerIsCheckedAgainstTheServer();
    void refusedLoginOpensNothing();

private:
    CentralServerSettings settings() const;
    TSampleClientOutcomesFrm *open(const QString &sampleCode, const QString &heading);
    // The server's outcomes of the sample under the heading as "category code/outcome code".
    QStringList savedOnServer(const QString &sampleCode, const QString &heading);
    QString serverProsecution(const QString &code);
    static void check(TSampleClientOutcomesFrm *form, const QString &category, const QString &outcome, bool on);

    ServerProcess m_server;
    std::unique_ptr<MainStore> m_store;
    std::unique_ptr<QWidget> m_owner;
    RecordingPrompter m_prompter;
    std::unique_ptr<ScopedPrompter> m_prompterScope;
};

void TestSampleClientOutcomesFrm::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
}

void TestSampleClientOutcomesFrm::init()
{
    QVERIFY(m_server.control(R"({"refuseServiceLogin":false,"failCall":null,"dropReply":null,"stallMs":0})"));
    m_store = std::make_unique<MainStore>();
    m_store->useSettings("LA1", "OF1");
    m_store->db.exec("INSERT INTO SAMPLE (UNIQUE_UUID, CODE, RECORD_TYPE, FLAG_PROSECUTION) VALUES (?, 'DEMO-0001', "
                     "'ANIMAL FEED', 'F')",
                     {QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()});
    m_owner = std::make_unique<QWidget>();
    m_prompter.clear();
    m_prompterScope = std::make_unique<ScopedPrompter>(&m_prompter);
    const CentralServerSettings server = settings();
    SampleRowActions::SetServerSettingsSource([server]() { return server; });
}

void TestSampleClientOutcomesFrm::cleanup()
{
    SampleRowActions::SetServerSettingsSource({});
    m_owner.reset();
    m_prompterScope.reset();
    m_store.reset();
}

CentralServerSettings TestSampleClientOutcomesFrm::settings() const
{
    CentralServerSettings s;
    s.serverAddress = m_server.url();
    return s;
}

TSampleClientOutcomesFrm *TestSampleClientOutcomesFrm::open(const QString &sampleCode, const QString &heading)
{
    auto defaults = std::make_unique<TsampleClientOutcomesFrmDefaults>();
    defaults->SampleCode = sampleCode;
    defaults->HeadingCode = heading;
    defaults->Server = settings();
    defaults->Persist = true;
    TSampleClientOutcomesFrm *form = TBasefrm::Create<TSampleClientOutcomesFrm>(m_owner.get());
    form->InitialiseDefaults(std::move(defaults));
    form->show();
    return form;
}

QStringList TestSampleClientOutcomesFrm::savedOnServer(const QString &sampleCode, const QString &heading)
{
    TDADataDm server(settings());
    server.Login({}, "vrxuser", "kite3");
    const DataTable rows = server.ClientAdapterAdapter.Open("CLIENT_OUTCOME_RESULT",
                                                            {{"SampleCode", sampleCode}, {"HeadingCode", heading}});
    QStringList saved;
    for (int r = 0; r < rows.rowCount(); ++r)
        saved << rows.value(r, "OUTCOME_CATEGORY__CODE").toString() + "/" + rows.value(r, "OUTCOME_RESULT_TEXT__CODE").toString();
    return saved;
}

QString TestSampleClientOutcomesFrm::serverProsecution(const QString &code)
{
    TDADataDm server(settings());
    server.Login({}, "vrxuser", "kite3");
    server.tblFinalSampleForCode.setParam("Sample_Code", code);
    server.tblFinalSampleForCode.open();
    return server.tblFinalSampleForCode.rowCount() ? server.tblFinalSampleForCode.value(0, "FLAG_PROSECUTION").toString()
                                                   : QString("(none)");
}

void TestSampleClientOutcomesFrm::check(TSampleClientOutcomesFrm *form, const QString &category, const QString &outcome,
                                        bool on)
{
    const QList<QListWidgetItem *> categories = form->lstCategories->findItems(category, Qt::MatchExactly);
    QCOMPARE(categories.size(), 1);
    form->lstCategories->setCurrentItem(categories.first());
    form->lstCategoriesClick();
    const QList<QListWidgetItem *> outcomes = form->lstOutcomes->findItems(outcome, Qt::MatchExactly);
    QCOMPARE(outcomes.size(), 1);
    outcomes.first()->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

void TestSampleClientOutcomesFrm::prosecutionSetOnServerThenLocally()
{
    m_prompter.queueAnswer(true);
    QVERIFY(SampleRowActions::SetProsecution(m_owner.get(), "DEMO-0001"));
    QCOMPARE(m_prompter.texts(), (QStringList{SampleRowActions::ProsecutionQuestion, SampleRowActions::UpdateSucceeded}));
    QCOMPARE(serverProsecution("DEMO-0001"), QString("T"));
    QCOMPARE(m_store->db.scalar("SELECT FLAG_PROSECUTION FROM SAMPLE WHERE CODE = 'DEMO-0001'").toString(), QString("T"));
}

void TestSampleClientOutcomesFrm::prosecutionRefused_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("refused login") << "DEMO-0001" << QByteArray(R"({"refuseServiceLogin":true})")
                                   << "The central server refused the service account";
    QTest::newRow("unknown code") << "NOWHERE-1" << QByteArray() << "No sample found on server with code: NOWHERE-1";
    QTest::newRow("update fails") << "DEMO-0001" << QByteArray(R"({"failCall":"VRXMaint.UpdateData"})") << "";
}

void TestSampleClientOutcomesFrm::prosecutionRefused()
{
    QFETCH(QString, code);
    QFETCH(QByteArray, fault);
    QFETCH(QString, message);
    // The server's flag starts clear for each case.
    {
        TDADataDm server(settings());
        server.SetProsecutionForSample("DEMO-0001", false);
    }
    m_store->db.exec("UPDATE SAMPLE SET CODE = ? WHERE CODE = 'DEMO-0001'", {code});
    if (!fault.isEmpty())
        QVERIFY(m_server.control(fault));
    m_prompter.queueAnswer(true);
    QVERIFY(!SampleRowActions::SetProsecution(m_owner.get(), code));
    const QStringList texts = m_prompter.texts();
    QCOMPARE(texts.size(), 2);
    QVERIFY2(texts.last().startsWith(message), qPrintable(texts.last()));
    QVERIFY(!texts.contains(SampleRowActions::UpdateSucceeded));
    QCOMPARE(m_store->db.scalar("SELECT FLAG_PROSECUTION FROM SAMPLE WHERE CODE = ?", {code}).toString(), QString("F"));
    QVERIFY(m_server.control(R"({"refuseServiceLogin":false,"failCall":null})"));
    QCOMPARE(serverProsecution("DEMO-0001"), QString("F"));

    // "No" asks nothing of the server.
    m_prompter.clear();
    m_prompter.queueAnswer(false);
    QVERIFY(!SampleRowActions::SetProsecution(m_owner.get(), "DEMO-0001"));
    QCOMPARE(m_prompter.texts(), QStringList{SampleRowActions::ProsecutionQuestion});
}

void TestSampleClientOutcomesFrm::pickSaveAndReopen()
{
    TSampleClientOutcomesFrm *form = open("FEED-OUT-1", "L");
    QCOMPARE(form->HeadingDescription(), QString("Labelling"));
    QCOMPARE(form->lstCategories->count(), 3);
    QCOMPARE(form->lstOutcomes->count(), 3);
    QCOMPARE(form->lstPicked->topLevelItemCount(), 0);

    // The same outcome under two categories is two pairs; unchecking takes only the selected one's.
    check(form, "Allergen labelling", "Product relabelled", true);
    check(form, "Nutrition labelling", "Product relabelled", true);
    check(form, "Nutrition labelling", "Advice given to the business", true);
    check(form, "Nutrition labelling", "Advice given to the business", false);
    QCOMPARE(form->lstPicked->topLevelItemCount(), 2);
    QVERIFY(form->actSaveExecute());
    QVERIFY(!form->isVisible());
    QCOMPARE(savedOnServer("FEED-OUT-1", "L"), (QStringList{"LABEL_ALLERGEN/RELABELLED", "LABEL_NUTRITION/RELABELLED"}));

    // Saved outcomes come back checked under their category.
    form = open("FEED-OUT-1", "L");
    QCOMPARE(form->lstPicked->topLevelItemCount(), 2);
    form->lstCategories->setCurrentRow(form->lstCategories->row(
        form->lstCategories->findItems("Allergen labelling", Qt::MatchExactly).first()));
    form->lstCategoriesClick();
    QCOMPARE(form->lstOutcomes->findItems("Product relabelled", Qt::MatchExactly).first()->checkState(), Qt::Checked);
    QCOMPARE(form->lstOutcomes->findItems("Product withdrawn from sale", Qt::MatchExactly).first()->checkState(),
             Qt::Unchecked);
    // A double click picks the first outcome; an empty list saved deletes every outcome.
    form->lstCategoriesDblClick();
    QCOMPARE(form->lstPicked->topLevelItemCount(), 3);
    form->lstPicked->clear();
    QVERIFY(form->actSaveExecute());
    QCOMPARE(savedOnServer("FEED-OUT-1", "L"), QStringList());
    // The other heading's lists are its own.
    form = open("FEED-OUT-1", "X");
    QCOMPARE(form->lstCategories->count(), 2);
    QCOMPARE(form->lstOutcomes->count(), 4);
}

void TestSampleClientOutcomesFrm::failedSaveLeavesTheOldOutcomes_data()
{
    QTest::addColumn<QByteArray>("fault");
    QTest::newRow("refused login") << QByteArray(R"({"refuseServiceLogin":true})");
    QTest::newRow("reading the saved rows fails") << QByteArray(R"({"failCall":"VRXMaint.GetData"})");
    QTest::newRow("the change set fails") << QByteArray(R"({"failCall":"VRXMaint.UpdateData"})");
}

void TestSampleClientOutcomesFrm::failedSaveLeavesTheOldOutcomes()
{
    QFETCH(QByteArray, fault);
    const QString sample = QString("FEED-OUT-%1").arg(QTest::currentDataTag());
    TSampleClientOutcomesFrm *form = open(sample, "X");
    check(form, "Informal action", "Warning letter", true);
    check(form, "Formal action", "Simple caution", true);
    QVERIFY(form->actSaveExecute());
    const QStringList old = {"ENF_INFORMAL/WARNING", "ENF_FORMAL/CAUTION"};
    QCOMPARE(savedOnServer(sample, "X"), old);

    form = open(sample, "X");
    check(form, "Formal action", "Simple caution", false);
    check(form, "Formal action", "Prosecution", true);
    check(form, "Formal action", "No further action", true);
    QVERIFY(m_server.control(fault));
    m_prompter.clear();
    QVERIFY(!form->actSaveExecute());
    QCOMPARE(m_prompter.texts().size(), 1);
    QVERIFY(m_prompter.texts().first().startsWith("The outcomes were not saved: "));
    QVERIFY2(form->isVisible(), "the dialog stays open with what was picked");
    QCOMPARE(form->lstPicked->topLevelItemCount(), 3);
    QVERIFY(m_server.control(R"({"refuseServiceLogin":false,"failCall":null,"dropReply":null})"));
    const QStringList now = {"ENF_INFORMAL/WARNING", "ENF_FORMAL/PROSECUTION", "ENF_FORMAL/NO_FURTHER"};
    QCOMPARE(savedOnServer(sample, "X"), old);
    // Saving again once the server answers gives the new outcomes.
    QVERIFY(form->actSaveExecute());
    QCOMPARE(savedOnServer(sample, "X"), now);
}

// The server saves the outcomes and its answer is lost on the way: what it holds is read again,
// and the save counts as done; it is never reported as failed.
void TestSampleClientOutcomesFrm::lostAnswerIsCheckedAgainstTheServer()
{
    TSampleClientOutcomesFrm *form = open("FEED-OUT-LOST", "X");
    check(form, "Informal action", "Warning letter", true);
    check(form, "Formal action", "Prosecution", true);
    QVERIFY(m_server.control(R"({"dropReply":"VRXMaint.UpdateData"})"));
    m_prompter.clear();
    QVERIFY(form->actSaveExecute());
    QVERIFY2(m_prompter.calls().isEmpty(), qPrintable(m_prompter.texts().join('\n')));
    QVERIFY(!form->isVisible());
    QCOMPARE(savedOnServer("FEED-OUT-LOST", "X"), (QStringList{"ENF_INFORMAL/WARNING", "ENF_FORMAL/PROSECUTION"}));
}

void TestSampleClientOutcomesFrm::refusedLoginOpensNothing()
{
    QVERIFY(m_server.control(R"({"refuseServiceLogin":true})"));
    SampleRowActions::ShowClientOutcomes(m_owner.get(), "FEED-OUT-1", "L");
    QCOMPARE(m_prompter.texts().size(), 1);
    QVERIFY(m_prompter.texts().first().startsWith("The central server refused the service account"));
    QCOMPARE(TBasefrm::FindForm(m_owner.get(), "Labels"), nullptr);
}

QTEST_MAIN(TestSampleClientOutcomesFrm)
#include "tst_sampleclientoutcomesfrm.moc"
