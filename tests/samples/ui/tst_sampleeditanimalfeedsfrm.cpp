// The animal-feed sample editor offscreen over a test store: a new sample, the statuses that open
// read-only and what an amendment does to them, the deleted sample, the office every save needs,
// the dependent fields and the rules as the form runs them.
#include "samples/ui/SampleEditAnimalFeeds_FRM.h"

#include "../SampleFixtures.h"
#include "EditorTestSupport.h"
#include "base/Clock.h"
#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "data/MemDataStream.h"
#include "reference/LookupData_DM.h"
#include "samples/SampleProfiles.h"
#include "samples/SampleRecord.h"
#include "samples/SampleVerify.h"
#include "support/MainStore.h"

#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

using namespace EditorTestSupport;

class TestSampleEditAnimalFeedsFrm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void newSampleIsChemicalAndNeedsAnOffice();
    void completeSampleValidated();
    void deletedSampleIsEditable_data();
    void deletedSampleIsEditable();
    void deliveredSampleAmendedKeepsItsStatus_data();
    void deliveredSampleAmendedKeepsItsStatus();
    void deliveredSampleTakesNoInput_data();
    void deliveredSampleTakesNoInput();
    void failedValidationMarksAndFills();
    void dependentFields();
    void uuidOfAFoodSampleOpensNothing();

private:
    void fillLists();
    QString insertSample(const QVariantMap &values);
    QVariant stored(const QString &uuid, const QString &column);
    TSampleEditAnimalFeedsFrm *open(bool create, const QString &uuid = {});
    static QVariantMap completeFeedSample();

    std::unique_ptr<MainStore> m_store;
    std::unique_ptr<TLookupDataDm> m_lookups;
    std::unique_ptr<QWidget> m_owner;
    RecordingPrompter m_prompter;
    std::unique_ptr<ScopedPrompter> m_prompterScope;
    FixedClock m_clock{QDateTime(SampleFixtures::today(), QTime(10, 0))};
    std::unique_ptr<ScopedClock> m_clockScope;
};

void TestSampleEditAnimalFeedsFrm::init()
{
    m_store = std::make_unique<MainStore>();
    QVERIFY(m_store->main.isOpen());
    TMaindm &maindm = m_store->useSettings("LA1", "OF1");
    maindm.UserID = 77;
    TestDatabase &db = m_store->db;
    db.exec("UPDATE SYS_LOCAL_SETTINGS SET INSTALLATION_CODE = '07'");
    db.exec("UPDATE SYS_COMPANY SET ANALYSIS_TYPE = 'M', LABORATORY__CODE_CHEM = 'LAB1', LABORATORY__CODE_MICRO = 'LAB2', "
            "ANIMAL_FEED_LAB__CODE_CHEM = 'FLAB', ANIMAL_FEED_LAB__CODE_MICRO = 'LAB2', LOCAL_AUTHORITY_NAME = 'Lakeshire', "
            "DURABILITY_YEAR_LOWER_OFFSET = 1, DURABILITY_YEAR_UPPER_OFFSET = 10");
    db.exec("INSERT INTO LOCAL_AUTH_OFFICE (UNIQUE_UUID, CODE, OFFICE_CODE, LOCAL_AUTHORITY__CODE, DESCRIPTION) "
            "VALUES (?, 'OF1', '1', 'LA1', 'North Office')",
            {newUuid()});
    // Another authority's office is not offered.
    db.exec("INSERT INTO LOCAL_AUTH_OFFICE (UNIQUE_UUID, CODE, OFFICE_CODE, LOCAL_AUTHORITY__CODE, DESCRIPTION) "
            "VALUES (?, 'OFX', '9', 'LA9', 'Elsewhere')",
            {newUuid()});
    db.exec("INSERT INTO SAMPLE_OFFICER (UNIQUE_UUID, CODE, NAME, FLAG_FOOD, FLAG_FEED) VALUES (?, 'JS', 'Jane Smith', 'F', 'T')",
            {newUuid()});
    db.exec("INSERT INTO SAMPLE_OFFICER (UNIQUE_UUID, CODE, NAME, FLAG_FOOD, FLAG_FEED) VALUES (?, 'FO', 'Food Only', 'T', 'F')",
            {newUuid()});
    const QSqlDatabase main = m_store->main;
    m_lookups = std::make_unique<TLookupDataDm>([main] { return main; }, [] { return QString(); });
    LookupDataDm = m_lookups.get();
    m_owner = std::make_unique<QWidget>();
    m_prompter.clear();
    m_prompterScope = std::make_unique<ScopedPrompter>(&m_prompter);
    m_clockScope = std::make_unique<ScopedClock>(&m_clock);
}

void TestSampleEditAnimalFeedsFrm::cleanup()
{
    m_owner.reset();
    LookupDataDm = nullptr;
    m_lookups.reset();
    m_clockScope.reset();
    m_prompterScope.reset();
    m_store.reset();
}

void TestSampleEditAnimalFeedsFrm::fillLists()
{
    int id = 0;
    const auto add = [&](const QString &name, const DataTable &table) {
        ++id;
        m_store->db.exec("INSERT INTO LOOKUP_TABLE_LIST (ID, UPDATE_ID, IS_SYNCING, DATASET_NAME, BINARY_CONTENT) "
                         "VALUES (?, ?, 'T', ?, ?)",
                         {id, id, name, MemDataStream::write(table)});
    };
    add("FeedPremisesType", codeList({{"FM", "Feed mill"}}));
    add("mdAnimalSpecies", codeListWith("AnimalTypeCode", {{"01.02", "Cattle"}, {"09.01", "Not specified"}}));
    add("mdFeedSampleTypeEnforcement", codeList({{"F", "Formal"}, {"I", "Informal"}}));
    add("mdFeedSampleTypeSurveillance", codeList({{"SV", "Survey"}}));
    add("mdFeedRiskCategory", codeList({{"H", "High"}}));
    add("mdFeedSurveyBody", codeList({{"SB", "Agency"}}));
    add("mdFeedPackagingType", codeList({{"P", "Packed"}, {"N", "None"}}));
    add("mdFeedPackagingUnit", codeList({{"KG", "kilograms"}}));
    add("mdFeedDurability", codeList({{"O", "Other"}, {"E", "Best before end"}, {"N", "None"}}));
    add("mdFeedCondition", codeList({{"G", "Good"}, {"O", "Other"}}));
    add("mdLaboratory", codeListWith("MailboxCode", {{"FLAB", "Feed Analyst"}, {"LAB2", "Micro Lab"}}));
    add("mdUKCountry", names({"UNITED KINGDOM"}));
    const QStringList problems = m_lookups->RefreshDatasetsFromDatabase();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join("\n")));
}

QVariantMap TestSampleEditAnimalFeedsFrm::completeFeedSample()
{
    return {
        {"ANALYSIS_TYPE", "C"}, {"LOCAL_AUTHORITY__CODE", "LA1"}, {"LOCAL_AUTH_OFFICE__CODE", "OF1"},
        {"SAMPLE_OFFICER__CODE", "JS"}, {"SAMPLE_DATE", SampleFixtures::today()}, {"SAMPLE_TIME", QTime(9, 0)},
        {"PREMISES_NAME", "Mill"}, {"PREMISES_TYPE__CODE", "FM"}, {"REASON__CODE", "E"}, {"SAMPLE_TYPE__CODE", "F"},
        {"FOOD_DESCRIPTION", "PELLETS"}, {"ANIMAL_SPECIES__CODE", "01.02"}, {"CATEGORY__CODE", "50"},
        {"SUB_CATEGORY__CODE", "50.01"}, {"COUNTRY", "UNITED KINGDOM"}, {"PACKAGING__CODE", "P"},
        {"DURABILITY__CODE", "O"}, {"DURABILITY_DAY", 2}, {"DURABILITY_MONTH", 3},
        {"DURABILITY_YEAR", SampleFixtures::today().year() + 1}, {"FLAG_COP_CONDITION", "T"},
        {"LABORATORY__CODE", "FLAB"}, {"ROUTINE_ANALYSIS", "T"}, {"ANALYSIS_TEXT", RoutineAnalysisText},
        {"SAMPLE_STATUS__CODE", "ENTERED"},
    };
}

QString TestSampleEditAnimalFeedsFrm::insertSample(const QVariantMap &values)
{
    QVariantMap row = values;
    row.insert("UNIQUE_UUID", newUuid());
    if (!row.contains("CODE"))
        row.insert("CODE", "LA1070900");
    if (!row.contains("RECORD_TYPE"))
        row.insert("RECORD_TYPE", Varnex::PersonalityAnimalFeed);
    m_store->db.insert("SAMPLE", row);
    return row.value("UNIQUE_UUID").toString();
}

QVariant TestSampleEditAnimalFeedsFrm::stored(const QString &uuid, const QString &column)
{
    return m_store->db.scalar(QString("SELECT %1 FROM SAMPLE WHERE UNIQUE_UUID = ?").arg(column), {uuid});
}

TSampleEditAnimalFeedsFrm *TestSampleEditAnimalFeedsFrm::open(bool create, const QString &uuid)
{
    auto defaults = std::make_unique<TSampleEditAnimalFeedsFrmDefaults>();
    defaults->CreateSample = create;
    defaults->Uuid = uuid;
    TSampleEditAnimalFeedsFrm *form = TBasefrm::Create<TSampleEditAnimalFeedsFrm>(m_owner.get());
    form->InitialiseDefaults(std::move(defaults));
    form->show();
    return form;
}

void TestSampleEditAnimalFeedsFrm::newSampleIsChemicalAndNeedsAnOffice()
{
    fillLists();
    TSampleEditAnimalFeedsFrm *form = open(true);
    QVERIFY(form->Editing());
    QVERIFY(form->windowTitle().startsWith("New Sample."));
    // Chemical with the feed chemical laboratory, whatever the food setting says.
    QCOMPARE(form->qryData_->text("ANALYSIS_TYPE"), QString("C"));
    QCOMPARE(form->qryData_->text("LABORATORY__CODE"), QString("FLAB"));
    QCOMPARE(form->qryData_->text("RECORD_TYPE"), QString("ANIMAL FEED"));
    QCOMPARE(form->cmbOffice->count(), 1);
    QCOMPARE(form->cmbOfficer->findData("FO"), -1);

    // F8 skips the rules but never the office.
    form->qryData_->setValue("LOCAL_AUTH_OFFICE__CODE", QVariant());
    form->actSaveWithoutValidation->trigger();
    QCOMPARE(m_prompter.texts(), QStringList{TSampleEditAnimalFeedsFrm::OfficeRequiredMessage()});
    QVERIFY(form->Editing() && form->isVisible());
    QCOMPARE(form->PageControl->currentWidget(), form->tabAdmin);
    QCOMPARE(m_store->db.scalar("SELECT COUNT(*) FROM SAMPLE").toInt(), 0);

    m_prompter.clear();
    choose(form->cmbOffice, "OF1");
    choose(form->cmbOfficer, "JS");
    form->rgReason->Button(0)->click();
    choose(form->cmbSampleType, "F");
    // Six lines, the empty ones blank.
    form->qryData_->setValue("PREMISES_NAME", "Mill");
    form->qryData_->setValue("BUSINESS_POSTCODE", "LS1 1AA");
    form->actUseMainAddress->trigger();
    QCOMPARE(form->qryData_->text("LABEL_BUSINESS_ADDRESS"), QString("Mill\r\n\r\n\r\n\r\n\r\nLS1 1AA\r\n"));
    form->actSaveWithoutValidation->trigger();
    QCOMPARE(m_prompter.texts(), QStringList());
    QVERIFY(!form->isVisible());
    const QString uuid = m_store->db.scalar("SELECT UNIQUE_UUID FROM SAMPLE").toString();
    QCOMPARE(stored(uuid, "SAMPLE_STATUS__CODE").toString(), QString("ENTERED"));
    QCOMPARE(stored(uuid, "REASON_DESCRIPTION").toString(), QString("Enforcement/Investigation"));
    QCOMPARE(stored(uuid, "SAMPLE_TYPE_DESCRIPTION").toString(), QString("Formal"));
    QCOMPARE(stored(uuid, "FLAG_COP_CONDITION").toString(), QString("T"));
    QCOMPARE(stored(uuid, "LOCAL_AUTH_OFFICE_DESCRIPTION").toString(), QString("North Office"));
    QCOMPARE(stored(uuid, "LOCAL_AUTHORITY_DESCRIPTION").toString(), QString("Lakeshire"));
}

void TestSampleEditAnimalFeedsFrm::completeSampleValidated()
{
    fillLists();
    // No sample date: the rule reports it and no week question is asked.
    const QString undated = insertSample(SampleFixtures::merged(completeFeedSample(), {{"SAMPLE_DATE", QVariant()}}));
    TSampleEditAnimalFeedsFrm *form = open(false, undated);
    form->actEdit->trigger();
    form->actPost->trigger();
    QCOMPARE(m_prompter.texts(), QStringList{NotAllValidMessage});
    QVERIFY(form->FocusController->IsControlInvalid(form->dtSampleDate));
    form->actCancel->trigger();

    m_prompter.clear();
    const QString uuid = insertSample(SampleFixtures::merged(completeFeedSample(), {{"CODE", "LA1070901"}}));
    form = open(false, uuid);
    form->actEdit->trigger();
    form->actPost->trigger();
    QCOMPARE(m_prompter.texts(), QStringList());
    QVERIFY(!form->isVisible());
    QCOMPARE(stored(uuid, "SAMPLE_STATUS__CODE").toString(), QString("VALIDATED"));
    QCOMPARE(stored(uuid, "BRAND_NAME").toString(), QString("N/A"));
    QCOMPARE(stored(uuid, "ANIMAL_SPECIES_DESCRIPTION").toString(), QString("Cattle"));
}

void TestSampleEditAnimalFeedsFrm::deletedSampleIsEditable_data()
{
    QTest::addColumn<bool>("validate");
    QTest::addColumn<QString>("status");
    QTest::newRow("F8 brings it back") << false << "ENTERED";
    QTest::newRow("F7 keeps it deleted") << true << "DELETED";
}

void TestSampleEditAnimalFeedsFrm::deletedSampleIsEditable()
{
    QFETCH(bool, validate);
    QFETCH(QString, status);
    fillLists();
    const QString uuid = insertSample(SampleFixtures::merged(completeFeedSample(), {{"SAMPLE_STATUS__CODE", "DELETED"}}));
    TSampleEditAnimalFeedsFrm *form = open(false, uuid);
    QVERIFY(!form->ReadOnlyStatus() && form->actEdit->isEnabled());
    form->actEdit->trigger();
    QVERIFY(form->actSaveWithoutValidation->isEnabled());
    m_prompter.queueText(QString("restored by mistake"));
    (validate ? form->actPost : form->actSaveWithoutValidation)->trigger();
    QVERIFY2(!form->isVisible(), qPrintable(m_prompter.texts().join("; ")));
    QCOMPARE(stored(uuid, "SAMPLE_STATUS__CODE").toString(), status);
    QCOMPARE(stored(uuid, "USER_CHANGE_REASON").toString(), QString("restored by mistake"));
}

void TestSampleEditAnimalFeedsFrm::deliveredSampleAmendedKeepsItsStatus_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("validate");
    for (const char *status : {"COMPLETE", "EXPORTED", "CANCELLED"}) {
        QTest::addRow("%s, F8", status) << QString(status) << false;
        QTest::addRow("%s, F7", status) << QString(status) << true;
    }
}

void TestSampleEditAnimalFeedsFrm::deliveredSampleAmendedKeepsItsStatus()
{
    QFETCH(QString, status);
    QFETCH(bool, validate);
    fillLists();
    const QString uuid = insertSample(SampleFixtures::merged(completeFeedSample(), {{"SAMPLE_STATUS__CODE", status}}));
    TSampleEditAnimalFeedsFrm *form = open(false, uuid);
    QVERIFY(form->ReadOnlyStatus());
    QVERIFY(!form->actEdit->isEnabled() && !form->actPost->isEnabled() && !form->actSaveWithoutValidation->isEnabled()
            && !form->actCancel->isEnabled());
    QVERIFY(!form->qryData_->autoEdit());

    // "Use main address" amends it; the save asks why and keeps the status.
    QVERIFY(form->actUseMainAddress->isEnabled());
    form->actUseMainAddress->trigger();
    QVERIFY(form->Editing() && form->actPost->isEnabled() && form->actSaveWithoutValidation->isEnabled());
    m_prompter.queueText(QString("label address corrected"));
    (validate ? form->actPost : form->actSaveWithoutValidation)->trigger();
    QVERIFY2(!form->isVisible(), qPrintable(m_prompter.texts().join("; ")));
    QCOMPARE(stored(uuid, "SAMPLE_STATUS__CODE").toString(), status);
    QCOMPARE(stored(uuid, "USER_CHANGE_REASON").toString(), QString("label address corrected"));
    QCOMPARE(stored(uuid, "LABEL_BUSINESS_ADDRESS").toString(), QString("Mill\r\n\r\n\r\n\r\n\r\n\r\n"));
}

void TestSampleEditAnimalFeedsFrm::deliveredSampleTakesNoInput_data()
{
    QTest::addColumn<QString>("status");
    for (const char *status : {"COMPLETE", "EXPORTED", "CANCELLED"})
        QTest::newRow(status) << QString(status);
}

// Keys and clicks in a sample that opens read-only change nothing and raise nothing.
void TestSampleEditAnimalFeedsFrm::deliveredSampleTakesNoInput()
{
    QFETCH(QString, status);
    fillLists();
    const QString uuid = insertSample(SampleFixtures::merged(completeFeedSample(), {{"SAMPLE_STATUS__CODE", status}}));
    TSampleEditAnimalFeedsFrm *form = open(false, uuid);
    QApplication::setActiveWindow(form);
    QVERIFY(QTest::qWaitForWindowActive(form));
    const QVariantList before = rowValues(*form->qryData_);

    tryEveryEditor(form->PageControl);
    QVERIFY2(m_prompter.calls().isEmpty(), qPrintable(m_prompter.texts().join("\n")));
    QVERIFY(!form->Editing());
    QCOMPARE(rowValues(*form->qryData_), before);
    QCOMPARE(form->dtSampleDate->text(), QLocale().toString(SampleFixtures::today(), "dd MMM yyyy"));
}

void TestSampleEditAnimalFeedsFrm::failedValidationMarksAndFills()
{
    fillLists();
    // A surveillance sample: no sample type, so not compliant, so an explanation is needed.
    const QString uuid = insertSample(SampleFixtures::merged(
        completeFeedSample(), {{"REASON__CODE", "S"}, {"SAMPLE_TYPE__CODE", QVariant()}, {"COUNTRY", QVariant()},
                               {"ANIMAL_SPECIES__CODE", "09.01"}}));
    TSampleEditAnimalFeedsFrm *form = open(false, uuid);
    form->actEdit->trigger();
    QCOMPARE(form->qryData_->text("FLAG_COP_CONDITION"), QString("F"));
    QVERIFY(form->edtNotCOP->isEnabled() && !form->cmbSampleType->isEnabled());
    form->actPost->trigger();
    QCOMPARE(m_prompter.texts(), QStringList{NotAllValidMessage});
    QVERIFY(form->Editing());
    for (QWidget *control : {static_cast<QWidget *>(form->edtNotCOP), static_cast<QWidget *>(form->cmbCountry),
                             static_cast<QWidget *>(form->cmbAnimalSpecies)})
        QVERIFY2(form->FocusController->IsControlInvalid(control), qPrintable(control->objectName()));
    // The empty country is "N/A" now; the record keeps it.
    QCOMPARE(form->qryData_->text("COUNTRY"), QString("N/A"));
    QCOMPARE(stored(uuid, "SAMPLE_STATUS__CODE").toString(), QString("ENTERED"));
    form->actCancel->trigger();
}

void TestSampleEditAnimalFeedsFrm::dependentFields()
{
    fillLists();
    TSampleEditAnimalFeedsFrm *form = open(true);
    // Durability "O" keeps every part; "E" the month and year; "N" none.
    const QList<QPair<QString, QList<bool>>> durability = {
        {"O", {true, true, true}}, {"E", {false, true, true}}, {"N", {false, false, false}}};
    for (const auto &[code, parts] : durability) {
        choose(form->cmbDurability, code);
        QCOMPARE((QList<bool>{form->edtDurabilityDay->isEnabled(), form->edtDurabilityMonth->isEnabled(),
                              form->edtDurabilityYear->isEnabled()}),
                 parts);
    }
    // The one sample-type list follows the reason, and a new reason clears the type.
    form->rgReason->Button(0)->click();
    choose(form->cmbSampleType, "I");
    QCOMPARE(form->qryData_->text("FLAG_COP_CONDITION"), QString("F"));
    QVERIFY(form->grpEnforcement->isEnabled() && !form->grpSurveillance->isEnabled());
    form->rgReason->Button(1)->click();
    QVERIFY(form->qryData_->isNull("SAMPLE_TYPE__CODE"));
    QVERIFY(!form->grpEnforcement->isEnabled() && form->grpSurveillance->isEnabled());
    QVERIFY(form->cmbSampleType->findData("SV") >= 0);
    // The statutory flag is the editor's to set.
    QVERIFY(!form->cmbCOPCondition->isEnabled());
    form->actCancel->trigger();
    QVERIFY(!form->isVisible());
}

void TestSampleEditAnimalFeedsFrm::uuidOfAFoodSampleOpensNothing()
{
    const QString uuid = insertSample({{"RECORD_TYPE", Varnex::PersonalityFood}});
    TSampleEditAnimalFeedsFrm *form = TBasefrm::Create<TSampleEditAnimalFeedsFrm>(m_owner.get());
    auto defaults = std::make_unique<TSampleEditAnimalFeedsFrmDefaults>();
    defaults->Uuid = uuid;
    try {
        form->InitialiseDefaults(std::move(defaults));
        QFAIL("a food sample opened in the feed editor");
    } catch (const VarnexError &e) {
        QCOMPARE(e.message(), TSampleEditAnimalFeedsFrm::NoSuchSampleMessage(uuid));
    }
}

QTEST_MAIN(TestSampleEditAnimalFeedsFrm)
#include "tst_sampleeditanimalfeedsfrm.moc"
