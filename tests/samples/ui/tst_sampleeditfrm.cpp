// The food sample editor offscreen over a test store: saving with and without the rules, sent
// samples, what a synchronisation pass may do to a sample while it is open, the lists a store may
// lack, the controls' limits and the pages.
#include "samples/ui/SampleEdit_FRM.h"

#include "../SampleFixtures.h"
#include "EditorTestSupport.h"
#include "base/Clock.h"
#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "data/MemDataStream.h"
#include "reference/LookupData_DM.h"
#include "reference/ui/CategoryTree_FRM.h"
#include "reference/ui/PremisesDetailMaintV5_FRM.h"
#include "reference/OptionalLookupData_DM.h"
#include "samples/SampleLabel_Unt.h"
#include "samples/ui/AnalysisBuilder_FRM.h"
#include "samples/ui/SampleLabelInfo_FRM.h"
#include "samples/SampleProfiles.h"
#include "samples/SampleRecord.h"
#include "support/MainStore.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

using namespace EditorTestSupport;

namespace {

// Records as its base does, and first runs what a test gives it: a synchronisation pass that
// happens while a question is open, a look at the form meanwhile.
class ActingPrompter : public RecordingPrompter
{
public:
    std::function<void()> onAsk;

    bool question(const QString &title, const QString &text, bool defaultYes = false) override
    {
        if (onAsk)
            onAsk();
        return RecordingPrompter::question(title, text, defaultYes);
    }
    std::optional<QString> textInput(const QString &title, const QString &label, const QString &initialText = {},
                                     bool masked = false) override
    {
        if (onAsk)
            onAsk();
        return RecordingPrompter::textInput(title, label, initialText, masked);
    }
};

} // namespace

class TestSampleEditFrm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void newSampleSavedEntered();
    void completeSampleValidatedAndClosed();
    void incompleteSampleMarksEveryFailure();
    void sentSampleAsksForTheReasonFirst_data();
    void sentSampleAsksForTheReasonFirst();
    void sentSampleTakesNoInput_data();
    void sentSampleTakesNoInput();
    void typedDateAndTimeAreSaved();
    void statusFollowsTheStoreAtSaveTime();
    void duplicateCodeReplacedOnAnySave_data();
    void duplicateCodeReplacedOnAnySave();
    void renumberedByAPassWhileOpen();
    void storeWithoutListsLosesNoCode();
    void extrasAndFreeTextPickLists();
    void controlsTakeWhatTheirColumnsHold();
    void uuidNamingNoFoodSample_data();
    void uuidNamingNoFoodSample();
    void pagesKeysAndClosing();
    void dependentFieldsFollowTheControls();
    void premisesAndCategory();

private:
    void addList(const QString &name, const DataTable &table);
    void fillLists();
    QString insertSample(const QVariantMap &values);
    QVariantMap stored(const QString &uuid, const QStringList &columns);
    int sampleCount();
    TSampleEditFrm *open(bool create, const QString &uuid = {});

    std::unique_ptr<MainStore> m_store;
    std::unique_ptr<TLookupDataDm> m_lookups;
    std::unique_ptr<QWidget> m_owner;
    ActingPrompter m_prompter;
    std::unique_ptr<ScopedPrompter> m_prompterScope;
    FixedClock m_clock{QDateTime(SampleFixtures::today(), QTime(10, 0))};
    std::unique_ptr<ScopedClock> m_clockScope;
    int m_lists = 0;
};

void TestSampleEditFrm::init()
{
    m_store = std::make_unique<MainStore>();
    QVERIFY(m_store->main.isOpen());
    TMaindm &maindm = m_store->useSettings("LA1", "OF1");
    maindm.UserID = 77;
    TestDatabase &db = m_store->db;
    db.exec("UPDATE SYS_LOCAL_SETTINGS SET INSTALLATION_CODE = '07'");
    db.exec("UPDATE SYS_COMPANY SET ANALYSIS_TYPE = 'C', LABORATORY__CODE_CHEM = 'LAB1', LABORATORY__CODE_MICRO = 'LAB2', "
            "LOCAL_AUTHORITY_NAME = ?, DURABILITY_YEAR_LOWER_OFFSET = 1, DURABILITY_YEAR_UPPER_OFFSET = 10",
            {QString("Lakeshire District Council ") + QString(150, QLatin1Char('x'))});
    db.exec("INSERT INTO LOCAL_AUTH_OFFICE (UNIQUE_UUID, CODE, OFFICE_CODE, LOCAL_AUTHORITY__CODE, DESCRIPTION) "
            "VALUES (?, 'OF1', '1', 'LA1', 'North Office')",
            {newUuid()});
    db.exec("INSERT INTO SAMPLE_OFFICER (UNIQUE_UUID, CODE, NAME, FLAG_FOOD) VALUES (?, 'JS', 'Jane Smith', 'T')", {newUuid()});
    db.exec("INSERT INTO SAMPLE_OFFICER (UNIQUE_UUID, CODE, NAME, FLAG_FOOD) VALUES (?, 'FD', 'Feed Only', 'F')", {newUuid()});
    m_lists = 0;
    const QSqlDatabase main = m_store->main;
    m_lookups = std::make_unique<TLookupDataDm>([main] { return main; }, [] { return QString(); });
    LookupDataDm = m_lookups.get();
    m_owner = std::make_unique<QWidget>();
    m_prompter.clear();
    m_prompter.onAsk = nullptr;
    m_prompterScope = std::make_unique<ScopedPrompter>(&m_prompter);
    m_clockScope = std::make_unique<ScopedClock>(&m_clock);
}

void TestSampleEditFrm::cleanup()
{
    m_owner.reset();
    LookupDataDm = nullptr;
    m_lookups.reset();
    m_clockScope.reset();
    m_prompterScope.reset();
    m_store.reset();
}

void TestSampleEditFrm::addList(const QString &name, const DataTable &table)
{
    ++m_lists;
    m_store->db.exec("INSERT INTO LOOKUP_TABLE_LIST (ID, UPDATE_ID, IS_SYNCING, DATASET_NAME, BINARY_CONTENT) "
                     "VALUES (?, ?, 'T', ?, ?)",
                     {m_lists, m_lists, name, MemDataStream::write(table)});
}

// The lists that hold the codes of the complete sample of the rule tests, and a few more.
void TestSampleEditFrm::fillLists()
{
    addList("mdPremisesType", codeList({{"R1", "Retailer"}, {"V1", "Varnex only"}}));
    addList("mdLAEMSPremisesType", codeList({{"R1", "Retailer (LAEMS)"}, {"L1", "LAEMS only"}}));
    addList("mdSampleTypeSurveillance", codeList({{"SV1", "Routine survey"}}));
    addList("mdSampleTypeEnforcement", codeList({{"EN1", "Complaint"}}));
    addList("mdFoodSafetyRiskCategory", codeList({{"A", "High"}}));
    addList("mdFoodStandardsRiskCategory", codeList({{"B", "Medium"}}));
    addList("mdSurveyBody", codeList({{"SB", "Agency"}}));
    addList("mdMAFF", codeListWith("Sub_Category__Code", {{"M65", "Swabs"}}));
    addList("mdProductType", codeList({{"P", "Prepacked"}, {"S", "Swab"}}));
    addList("mdPackagingType", codeList({{"P", "Packed"}, {"N", "None"}, {"O", "Open"}, {"D", "Display"}}));
    addList("mdMaterialType", codeList({{"G", "Glass"}, {"O", "Other"}}));
    addList("mdPackagingUnit", codeList({{"G", "grams"}}));
    addList("mdDurability", codeList({{"D", "Use by"}, {"E", "Best before end"}, {"N", "None"}}));
    addList("mdCondition", codeList({{"C", "Chilled"}, {"F", "Frozen"}, {"O", "Other"}}));
    addList("mdLaboratory", codeListWith("MailboxCode", {{"LAB1", "Public Analyst"}, {"LAB2", "Micro Lab"}}));
    addList("mdAdditionalCategoryInfo", codeList({{"SHELF", "Shelf"}}));
    addList("mdUKCountry", names({"UNITED KINGDOM", "WALES"}));
    addList("mdEUCountry", names({"FRANCE"}));
    const QStringList problems = m_lookups->RefreshDatasetsFromDatabase();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join("\n")));
}

QString TestSampleEditFrm::insertSample(const QVariantMap &values)
{
    QVariantMap row = values;
    if (!row.contains("UNIQUE_UUID"))
        row.insert("UNIQUE_UUID", newUuid());
    if (!row.contains("CODE"))
        row.insert("CODE", "LA1070900");
    if (!row.contains("RECORD_TYPE"))
        row.insert("RECORD_TYPE", Varnex::PersonalityFood);
    m_store->db.insert("SAMPLE", row);
    return row.value("UNIQUE_UUID").toString();
}

QVariantMap TestSampleEditFrm::stored(const QString &uuid, const QStringList &columns)
{
    QVariantMap values;
    for (const QString &c : columns)
        values.insert(c, m_store->db.scalar(QString("SELECT %1 FROM SAMPLE WHERE UNIQUE_UUID = ?").arg(c), {uuid}));
    return values;
}

int TestSampleEditFrm::sampleCount()
{
    return m_store->db.scalar("SELECT COUNT(*) FROM SAMPLE").toInt();
}

TSampleEditFrm *TestSampleEditFrm::open(bool create, const QString &uuid)
{
    auto defaults = std::make_unique<TSampleEditFrmDefaults>();
    defaults->CreateSample = create;
    defaults->uuid = uuid;
    TSampleEditFrm *form = TBasefrm::Create<TSampleEditFrm>(m_owner.get());
    form->InitialiseDefaults(std::move(defaults));
    form->show();
    return form;
}

void TestSampleEditFrm::newSampleSavedEntered()
{
    fillLists();
    TSampleEditFrm *form = open(true);
    QVERIFY(form->Editing());
    QVERIFY(form->windowTitle().startsWith("New Sample."));
    QCOMPARE(form->lblSampleType->text(), QString("Chemical"));
    QCOMPARE(form->edtCode->text(), QString("LA1070002"));
    QVERIFY(form->actSaveWithoutValidation->isEnabled());
    QVERIFY(!form->actEdit->isEnabled());

    choose(form->cmbOfficer, "JS");
    form->rgReason->Button(0)->click();
    QVERIFY(form->grpEnforcement->isEnabled() && !form->grpSurveillance->isEnabled());
    choose(form->cmbSampleTypeEnforcement, "EN1");
    choose(form->cmbProduct, "P");
    choose(form->cmbPremisesType, "R1");
    QTest::keyClicks(form->cmbFoodDescription->lineEdit(), "cheddar");
    // A time typed and not left yet is saved with the rest.
    QApplication::setActiveWindow(form);
    QVERIFY(QTest::qWaitForWindowActive(form));
    form->edtSampleTime->setFocus();
    QTest::keyClicks(form->edtSampleTime, "9:05");
    QVERIFY(form->qryData_->isNull("SAMPLE_TIME"));
    form->actSaveWithoutValidation->trigger();
    QCOMPARE(m_prompter.texts(), QStringList());
    QVERIFY2(!form->isVisible(), "a saved sample closes the editor");

    QCOMPARE(sampleCount(), 1);
    const QString uuid = m_store->db.scalar("SELECT UNIQUE_UUID FROM SAMPLE").toString();
    QVERIFY(QRegularExpression("^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$").match(uuid).hasMatch());
    const QVariantMap row = stored(uuid, {"SAMPLE_STATUS__CODE", "RECORD_TYPE", "CODE", "SAMPLE_NUMBER", "QOVA_INFO",
                                          "ANALYSIS_TYPE", "LABORATORY__CODE", "LABORATORY_DESCRIPTION", "LOCAL_AUTHORITY__CODE",
                                          "LOCAL_AUTHORITY_DESCRIPTION", "LOCAL_AUTH_OFFICE_DESCRIPTION", "SAMPLE_OFFICER_NAME",
                                          "REASON_DESCRIPTION", "SAMPLE_TYPE_DESCRIPTION", "PRODUCT_DESCRIPTION",
                                          "PREMISES_TYPE_DESCRIPTION", "FOOD_DESCRIPTION", "MAFF_DESCRIPTION", "QUANTITY",
                                          "SAMPLE_TIME"});
    QCOMPARE(row["SAMPLE_STATUS__CODE"].toString(), QString("ENTERED"));
    QCOMPARE(row["RECORD_TYPE"].toString(), QString("FOOD"));
    QCOMPARE(row["CODE"].toString(), QString("LA1070002"));
    QCOMPARE(row["SAMPLE_NUMBER"].toInt(), 1);
    QCOMPARE(row["QOVA_INFO"].toString(), programMark(Maindm->Version(), Maindm->LocalComputerName()));
    QCOMPARE(row["ANALYSIS_TYPE"].toString(), QString("C"));
    QCOMPARE(row["LABORATORY__CODE"].toString(), QString("LAB1"));
    QCOMPARE(row["LABORATORY_DESCRIPTION"].toString(), QString("Public Analyst"));
    QCOMPARE(row["LOCAL_AUTHORITY__CODE"].toString(), QString("LA1"));
    // A description longer than its column is cut to it rather than failing the save.
    QCOMPARE(row["LOCAL_AUTHORITY_DESCRIPTION"].toString(), Maindm->LocalAuthorityDescription().left(100));
    QCOMPARE(row["LOCAL_AUTH_OFFICE_DESCRIPTION"].toString(), QString("North Office"));
    QCOMPARE(row["SAMPLE_OFFICER_NAME"].toString(), QString("Jane Smith"));
    QCOMPARE(row["REASON_DESCRIPTION"].toString(), QString("Enforcement/Investigation"));
    QCOMPARE(row["SAMPLE_TYPE_DESCRIPTION"].toString(), QString("Complaint"));
    QCOMPARE(row["PRODUCT_DESCRIPTION"].toString(), QString("Prepacked"));
    QCOMPARE(row["PREMISES_TYPE_DESCRIPTION"].toString(), QString("Retailer"));
    QCOMPARE(row["FOOD_DESCRIPTION"].toString(), QString("CHEDDAR"));
    QVERIFY(row["MAFF_DESCRIPTION"].isNull() && row["QUANTITY"].isNull());
    QCOMPARE(row["SAMPLE_TIME"].toTime(), QTime(9, 5));
}

void TestSampleEditFrm::completeSampleValidatedAndClosed()
{
    fillLists();
    QVariantMap sample = SampleFixtures::completeFoodSample();
    sample.remove("BRAND_NAME");
    const QString uuid = insertSample(sample);
    TSampleEditFrm *form = open(false, uuid);
    QVERIFY(form->windowTitle().startsWith("Sample Details."));
    QVERIFY(!form->Editing());
    QVERIFY(!form->actPost->isEnabled() && form->actEdit->isEnabled());

    form->actEdit->trigger();
    QVERIFY(form->Editing() && form->actPost->isEnabled());
    form->actPost->trigger();
    QCOMPARE(m_prompter.texts(), QStringList());
    QVERIFY(!form->isVisible());
    const QVariantMap row = stored(uuid, {"SAMPLE_STATUS__CODE", "FLAG_LAEMS_PREMISES_CODE", "BRAND_NAME", "CODE",
                                          "RISK_CATEGORY_DESCRIPTION", "SURVEY_BODY_DESCRIPTION", "COUNTRY"});
    QCOMPARE(row["SAMPLE_STATUS__CODE"].toString(), QString("VALIDATED"));
    QCOMPARE(row["FLAG_LAEMS_PREMISES_CODE"].toString(), QString("F"));
    QCOMPARE(row["BRAND_NAME"].toString(), QString("N/A"));
    QCOMPARE(row["CODE"].toString(), QString("LA1070900"));
    QCOMPARE(row["RISK_CATEGORY_DESCRIPTION"].toString(), QString("High"));
    QVERIFY(row["SURVEY_BODY_DESCRIPTION"].isNull());
    QCOMPARE(row["COUNTRY"].toString(), QString("UNITED KINGDOM"));
}

void TestSampleEditFrm::incompleteSampleMarksEveryFailure()
{
    fillLists();
    TSampleEditFrm *form = open(true);
    QApplication::setActiveWindow(form);
    QVERIFY(QTest::qWaitForWindowActive(form));
    form->PageControl->setCurrentWidget(form->tabCOP);
    // Eight days before today: asked, and answered No.
    form->dtSampleDate->setDate(SampleFixtures::today().addDays(-8));
    m_prompter.queueAnswer(false);
    form->actPost->trigger();

    QCOMPARE(sampleCount(), 0);
    QVERIFY(form->Editing() && form->isVisible());
    QCOMPARE(m_prompter.texts(), (QStringList{SampleDateQuestion, NotAllValidMessage}));
    // Every failure is marked, each with its message; the first is shown on its page.
    const QList<QPair<QWidget *, QString>> marked = {
        {form->cmbOfficer, "'Sample Officer' is required, please enter a value."},
        {form->dtSampleDate, SampleDateMessage},
        {form->edtSampleTime, "Please enter a valid sample time"},
        {form->edtBusinessId, "'Business ID' is required, please enter a value."},
        {form->cmbPremisesType, "A valid 'Premises Type' entry is required, please enter a value."},
        {form->rgReason, "'Reason for sample taken' is required, please enter a value."},
        {form->cmbSampleTypeSurveillance, "'Sample Type' is required, please enter a value."},
        {form->btnCategoryTree, "'Category' is required, please enter a value."},
        {form->cmbMaterial, "'Packaging material' is required, please enter a value."},
        {form->edtDurabilityDay, "'Durability, Day' is invalid, please enter a valid value."},
        {form->edtDurabilityYear, "'Durability, Year' is invalid, year must have four digits eg \"2003\"."},
        {form->memAnalysisText, "'Analysis required' entry is required, please enter a value."},
    };
    for (const auto &m : marked) {
        QVERIFY2(form->FocusController->IsControlInvalid(m.first), qPrintable(m.first->objectName()));
        QCOMPARE(m.first->toolTip(), m.second);
    }
    // Every target of the editor's rules has its control.
    for (const ProfileRule &rule : foodEditorProfile().rules)
        QVERIFY2(form->TargetControl(rule.target), qPrintable(rule.target));
    QVERIFY(!form->FocusController->IsControlInvalid(form->rgAnalysisType));
    // The sample date was marked first, by the question before the rules.
    QCOMPARE(form->PageControl->currentWidget(), form->tabAdmin);
    QCOMPARE(QApplication::focusWidget(), form->dtSampleDate);
    // The category tree's panel shows the mark too; the "N/A" fills stay in the row.
    QCOMPARE(form->pnlCategoryTree->palette().color(QPalette::Window), form->FocusController->InvalidFocusColor);
    QCOMPARE(form->qryData_->text("COUNTRY"), QString("N/A"));

}

void TestSampleEditFrm::sentSampleAsksForTheReasonFirst_data()
{
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<QString>("message");
    QTest::newRow("cancelled") << std::optional<QString>() << ChangeReasonRequiredMessage;
    QTest::newRow("empty") << std::optional<QString>("") << ChangeReasonRequiredMessage;
    QTest::newRow("blank") << std::optional<QString>("   ") << ChangeReasonRequiredMessage;
    QTest::newRow("too long") << std::optional<QString>(QString(351, QLatin1Char('r')))
                              << "The reason for change may hold at most 350 characters; the one given has 351.";
    QTest::newRow("given") << std::optional<QString>("Laboratory asked for the batch") << QString();
}

void TestSampleEditFrm::sentSampleAsksForTheReasonFirst()
{
    QFETCH(std::optional<QString>, answer);
    QFETCH(QString, message);
    fillLists();
    QVariantMap sample = SampleFixtures::completeFoodSample();
    sample.insert("SAMPLE_STATUS__CODE", "EXPORTED");
    const QString uuid = insertSample(sample);
    TSampleEditFrm *form = open(false, uuid);
    QVERIFY(form->Sent());
    // Typing does not put a sent sample into edit state; Edit Sample does. F8 is never offered.
    QVERIFY(!form->qryData_->autoEdit());
    QVERIFY(!form->actSaveWithoutValidation->isEnabled());
    form->actEdit->trigger();
    QVERIFY(!form->actSaveWithoutValidation->isEnabled());
    form->qryData_->setValue("BATCH_NUMBER", "L999");

    m_prompter.queueText(answer);
    form->actPost->trigger();
    QCOMPARE(m_prompter.calls().first().kind, Prompter::Kind::TextInput);
    QCOMPARE(m_prompter.calls().first().title, QString("Sent sample"));
    QCOMPARE(m_prompter.calls().first().text, QString("Reason for change:"));
    const QVariantMap row = stored(uuid, {"BATCH_NUMBER", "SAMPLE_STATUS__CODE", "USER_CHANGE_REASON", "USER_CHANGE_USER__ID"});
    if (message.isEmpty()) {
        QCOMPARE(m_prompter.calls().size(), 1);
        QVERIFY(!form->isVisible());
        QCOMPARE(row["BATCH_NUMBER"].toString(), QString("L999"));
        QCOMPARE(row["SAMPLE_STATUS__CODE"].toString(), QString("EXPORTED"));
        QCOMPARE(row["USER_CHANGE_REASON"].toString(), *answer);
        QCOMPARE(row["USER_CHANGE_USER__ID"].toInt(), 77);
    } else {
        QCOMPARE(m_prompter.texts(Prompter::Kind::Error), QStringList{message});
        QVERIFY(form->Editing() && form->isVisible());
        QCOMPARE(row["BATCH_NUMBER"].toString(), QString("L123"));
        QVERIFY(row["USER_CHANGE_REASON"].isNull());
    }
}

void TestSampleEditFrm::sentSampleTakesNoInput_data()
{
    QTest::addColumn<QString>("status");
    QTest::newRow("exported") << "EXPORTED";
    QTest::newRow("complete") << "COMPLETE";
}

// Keys and clicks in a sent sample change nothing and raise nothing; Edit Sample (F6) is the way
// in, and a save then asks for the reason.
void TestSampleEditFrm::sentSampleTakesNoInput()
{
    QFETCH(QString, status);
    fillLists();
    QVariantMap sample = SampleFixtures::completeFoodSample();
    sample.insert("SAMPLE_STATUS__CODE", status);
    const QString uuid = insertSample(sample);
    TSampleEditFrm *form = open(false, uuid);
    QApplication::setActiveWindow(form);
    QVERIFY(QTest::qWaitForWindowActive(form));
    const QVariantList before = rowValues(*form->qryData_);

    tryEveryEditor(form->PageControl);
    QVERIFY2(m_prompter.calls().isEmpty(), qPrintable(m_prompter.texts().join("\n")));
    QVERIFY(!form->Editing());
    QCOMPARE(rowValues(*form->qryData_), before);
    QCOMPARE(form->edtHealthMark->text(), sample.value("HEALTH_MARK").toString());

    QTest::keyClick(form, Qt::Key_F6);
    QVERIFY(form->Editing());
    form->edtHealthMark->setFocus();
    form->edtHealthMark->end(false);
    QTest::keyClicks(form->edtHealthMark, "9");
    QCOMPARE(form->qryData_->text("HEALTH_MARK"), sample.value("HEALTH_MARK").toString() + "9");
    m_prompter.queueText(QString("Health mark corrected"));
    QTest::keyClick(form, Qt::Key_F7);
    QCOMPARE(m_prompter.texts(Prompter::Kind::TextInput), QStringList{"Reason for change:"});
    QCOMPARE(stored(uuid, {"HEALTH_MARK"}).value("HEALTH_MARK").toString(), sample.value("HEALTH_MARK").toString() + "9");
}

// A date and a time typed with the keys are saved: a page change takes what was typed, and so does
// a save started from its key while the officer is still in the field. A date that cannot be read
// is never saved as empty: the save stops with the reason and the entry stays for correction.
void TestSampleEditFrm::typedDateAndTimeAreSaved()
{
    fillLists();
    TSampleEditFrm *form = open(true);
    QApplication::setActiveWindow(form);
    QVERIFY(QTest::qWaitForWindowActive(form));
    form->dtSampleDate->setFocus();
    QVERIFY(QTest::qWaitFor([form]() { return form->dtSampleDate->hasFocus(); }, 2000));
    QTest::keyClicks(form->dtSampleDate, "31/02/2026");
    QTest::keyClick(form, Qt::Key_F10);
    QVERIFY(m_prompter.calls().isEmpty());
    QTest::keyClick(form, Qt::Key_F8);
    QCOMPARE(m_prompter.texts(Prompter::Kind::Error), QStringList{form->dtSampleDate->EntryProblem()});
    QVERIFY(form->dtSampleDate->EntryProblem().contains("'31/02/2026' is not a date"));
    QCOMPARE(sampleCount(), 0);
    QVERIFY(form->isVisible() && form->Editing());
    QCOMPARE(form->PageControl->currentWidget(), form->tabAdmin);
    QCOMPARE(QApplication::focusWidget(), form->dtSampleDate);
    QCOMPARE(form->dtSampleDate->text(), QString("31/02/2026"));
    QVERIFY(form->qryData_->isNull("SAMPLE_DATE"));

    form->dtSampleDate->selectAll();
    QTest::keyClicks(form->dtSampleDate, "11/12/26");
    QTest::keyClick(form, Qt::Key_F10);
    QCOMPARE(form->PageControl->currentWidget(), form->tabReason);
    QCOMPARE(form->qryData_->value("SAMPLE_DATE"), QVariant(QDate(2026, 12, 11)));
    QTest::keyClick(form, Qt::Key_F9);
    QCOMPARE(form->dtSampleDate->text(), QString("11 Dec 2026"));
    QVERIFY(form->dtSampleDate->EntryProblem().isEmpty());

    form->edtSampleTime->setFocus();
    QVERIFY(QTest::qWaitFor([form]() { return form->edtSampleTime->hasFocus(); }, 2000));
    QTest::keyClicks(form->edtSampleTime, "1030");
    m_prompter.clear();
    QTest::keyClick(form, Qt::Key_F8);
    QCOMPARE(m_prompter.texts(), QStringList());
    QVERIFY(!form->isVisible());
    const QString uuid = m_store->db.scalar("SELECT UNIQUE_UUID FROM SAMPLE").toString();
    const QVariantMap row = stored(uuid, {"SAMPLE_DATE", "SAMPLE_TIME"});
    QCOMPARE(row["SAMPLE_DATE"].toDate(), QDate(2026, 12, 11));
    QCOMPARE(row["SAMPLE_TIME"].toTime(), QTime(10, 30));
}

void TestSampleEditFrm::statusFollowsTheStoreAtSaveTime()
{
    fillLists();
    const QString uuid = insertSample(SampleFixtures::completeFoodSample());
    TSampleEditFrm *form = open(false, uuid);
    QVERIFY(form->qryData_->autoEdit());
    QTest::keyClicks(form->edtHealthMark, "UK AB123");
    QVERIFY(form->Editing());
    QVERIFY(form->actSaveWithoutValidation->isEnabled());

    // A pass delivers the sample to the laboratory while it is open.
    m_store->db.exec("UPDATE SAMPLE SET SAMPLE_STATUS__CODE = 'EXPORTED', IS_SYNCING = 'T' WHERE UNIQUE_UUID = ?", {uuid});
    m_prompter.queueText(QString("Health mark added"));
    form->actSaveWithoutValidation->trigger();
    QCOMPARE(m_prompter.texts(Prompter::Kind::TextInput), QStringList{"Reason for change:"});
    QVERIFY(!form->isVisible());
    const QVariantMap row = stored(uuid, {"SAMPLE_STATUS__CODE", "HEALTH_MARK", "USER_CHANGE_REASON"});
    QCOMPARE(row["SAMPLE_STATUS__CODE"].toString(), QString("EXPORTED"));
    QCOMPARE(row["HEALTH_MARK"].toString(), QString("UK AB123"));
    QCOMPARE(row["USER_CHANGE_REASON"].toString(), QString("Health mark added"));

    // A pass exports it while the week question is open: the save starts again as for a sent
    // sample, asking for the reason. No transaction is open while the officer answers.
    const QString second = insertSample(SampleFixtures::merged(SampleFixtures::completeFoodSample(),
                                                               {{"SAMPLE_DATE", SampleFixtures::today().addDays(-30)}}));
    form = open(false, second);
    form->actEdit->trigger();
    m_prompter.clear();
    bool passDone = false;
    bool transactionOpenWhileAsking = false;
    m_prompter.onAsk = [&]() {
        transactionOpenWhileAsking = transactionOpenWhileAsking || form->trnLocal->InTransaction();
        if (!passDone)
            m_store->db.exec("UPDATE SAMPLE SET SAMPLE_STATUS__CODE = 'COMPLETE', IS_SYNCING = 'T' WHERE UNIQUE_UUID = ?", {second});
        passDone = true;
    };
    m_prompter.queueAnswer(true);
    m_prompter.queueAnswer(true);
    m_prompter.queueText(QString("Results came back"));
    form->actPost->trigger();
    QCOMPARE(m_prompter.texts(), (QStringList{SampleDateQuestion, "Reason for change:", SampleDateQuestion}));
    QVERIFY(!transactionOpenWhileAsking);
    QVERIFY(!form->isVisible());
    const QVariantMap afterPass = stored(second, {"SAMPLE_STATUS__CODE", "USER_CHANGE_REASON"});
    QCOMPARE(afterPass["SAMPLE_STATUS__CODE"].toString(), QString("COMPLETE"));
    QCOMPARE(afterPass["USER_CHANGE_REASON"].toString(), QString("Results came back"));
    m_prompter.onAsk = nullptr;

    // Columns the editor did not change are not written: the pass's own stay.
    m_store->db.exec("UPDATE SAMPLE SET SAMPLE_STATUS__CODE = 'ENTERED', LAB_REFERENCE_NO = 'R1', IS_SYNCING = 'T' "
                     "WHERE UNIQUE_UUID = ?",
                     {uuid});
    form = open(false, uuid);
    form->actEdit->trigger();
    m_store->db.exec("UPDATE SAMPLE SET LAB_REFERENCE_NO = 'R2', IS_SYNCING = 'T' WHERE UNIQUE_UUID = ?", {uuid});
    form->actPost->trigger();
    QCOMPARE(stored(uuid, {"SAMPLE_STATUS__CODE", "LAB_REFERENCE_NO"}),
             (QVariantMap{{"SAMPLE_STATUS__CODE", "VALIDATED"}, {"LAB_REFERENCE_NO", "R2"}}));
}

void TestSampleEditFrm::duplicateCodeReplacedOnAnySave_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("validate");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("copy, F8") << DuplicateCode << false << true;
    QTest::newRow("copy, F7") << DuplicateCode << true << true;
    QTest::newRow("own code, F8") << "LA1070055" << false << false;
    QTest::newRow("lower-case duplicate is a code") << "duplicate" << false << false;
}

void TestSampleEditFrm::duplicateCodeReplacedOnAnySave()
{
    QFETCH(QString, code);
    QFETCH(bool, validate);
    QFETCH(bool, replaced);
    fillLists();
    QVariantMap sample = SampleFixtures::completeFoodSample();
    sample.insert("CODE", code);
    const QString uuid = insertSample(sample);
    TSampleEditFrm *form = open(false, uuid);
    form->actEdit->trigger();
    (validate ? form->actPost : form->actSaveWithoutValidation)->trigger();
    QCOMPARE(m_prompter.texts(), QStringList());
    const QString now = stored(uuid, {"CODE"}).value("CODE").toString();
    if (replaced)
        QVERIFY2(QRegularExpression("^LA107\\d{4,}$").match(now).hasMatch(), qPrintable(now));
    else
        QCOMPARE(now, code);
}

void TestSampleEditFrm::renumberedByAPassWhileOpen()
{
    fillLists();
    const QString uuid = insertSample(SampleFixtures::completeFoodSample());
    QVERIFY(m_store->db.scalar("SELECT ID FROM SAMPLE").toLongLong() < 0);
    TSampleEditFrm *form = open(false, uuid);
    QTest::keyClicks(form->edtPremisesName, " (new)");
    // The upload gives the new sample the server's id.
    m_store->db.exec("UPDATE SAMPLE SET ID = 5001, UPDATE_ID = 9, IS_SYNCING = 'T' WHERE UNIQUE_UUID = ?", {uuid});
    form->actPost->trigger();
    QCOMPARE(m_prompter.texts(), QStringList());
    QCOMPARE(sampleCount(), 1);
    QCOMPARE(m_store->db.scalar("SELECT ID || ' ' || PREMISES_NAME || ' ' || SAMPLE_STATUS__CODE FROM SAMPLE").toString(),
             QString("5001 Corner Shop (new) VALIDATED"));
}

void TestSampleEditFrm::storeWithoutListsLosesNoCode()
{
    // No list has come down yet: nothing can tell a code from a wrong one, so none is cleared.
    const QString uuid = insertSample(SampleFixtures::completeFoodSample());
    TSampleEditFrm *form = open(false, uuid);
    QCOMPARE(form->cmbPackaging->count(), 0);
    form->actEdit->trigger();
    form->actPost->trigger();
    QCOMPARE(m_prompter.texts(), QStringList());
    const QStringList codes = {"PREMISES_TYPE__CODE", "SAMPLE_TYPE__CODE", "RISK_CATEGORY", "PRODUCT__CODE",
                               "PACKAGING__CODE", "MATERIAL__CODE", "DURABILITY__CODE", "CONDITION__CODE",
                               "LABORATORY__CODE", "COUNTRY", "SAMPLE_STATUS__CODE"};
    const QVariantMap row = stored(uuid, codes);
    const QVariantMap sample = SampleFixtures::completeFoodSample();
    for (const QString &c : codes.mid(0, codes.size() - 1))
        QCOMPARE(row[c].toString(), sample[c].toString());
    QCOMPARE(row["SAMPLE_STATUS__CODE"].toString(), QString("VALIDATED"));
}

void TestSampleEditFrm::extrasAndFreeTextPickLists()
{
    fillLists();
    // The pick lists come from the authority's optional lists.
    const QSqlDatabase main = m_store->main;
    TOptionalLookupDataDM optional([main] { return main; });
    optional.SetLookupData("BrandName", "OMEGA\r\nZENITH");
    optional.SetLookupData("SurveyReference", "X-9");
    OptionalLookupDataDM = &optional;
    const auto noOptional = qScopeGuard([] { OptionalLookupDataDM = nullptr; });

    TSampleEditFrm *form = open(true);
    QCOMPARE(form->cmbBrandName->count(), 2);
    QCOMPARE(form->cmbBrandName->itemText(1), QString("ZENITH"));
    QCOMPARE(form->cmbSurveyRef->count(), 1);
    QCOMPARE(form->cmbManufacturer->count(), 0);

    // "Labelling" follows the packaging; the analysis builder the routine analysis.
    choose(form->cmbPackaging, "D");
    QVERIFY(form->actLabelling->isEnabled() && form->btnLabelling->isEnabled());
    choose(form->cmbPackaging, "O");
    QVERIFY(!form->actLabelling->isEnabled());
    choose(form->cmbPackaging, "D");
    choose(form->cmbRoutineAnalysis, "F");
    QVERIFY(form->actAnalysisBuilder->isEnabled());

    // The builder's text goes into the sample, routine analysis off.
    QTimer::singleShot(0, [&]() {
        if (auto *builder = qobject_cast<TAnalysisBuilderFrm *>(QApplication::activeModalWidget())) {
            builder->memAnalysisText->setPlainText("Lead\nTin");
            builder->actSave->trigger();
        }
    });
    form->actAnalysisBuilder->trigger();
    QCOMPARE(form->qryData_->text("ANALYSIS_TEXT"), QString("Lead\r\nTin"));
    QCOMPARE(form->qryData_->text("ROUTINE_ANALYSIS"), QString("F"));

    // The label declarations come back as both texts; closed without saving, nothing changes.
    QTimer::singleShot(0, [&]() {
        if (auto *label = qobject_cast<TSampleLabelInfoFrm *>(QApplication::activeModalWidget())) {
            label->cmbMeatContent->setCurrentText("Yes");
            label->edtMeatContent->setText("25%");
            label->actSave->trigger();
        }
    });
    form->actLabelling->trigger();
    QVERIFY(form->qryData_->text("LABELLING_DETAILS").startsWith("Meat content:"));
    const QString xml = form->qryData_->text("LABELLING_XML");
    TFoodLabel label;
    label.SetAsXML(xml);
    QCOMPARE(label.MeatContentDecaration, QString("25%"));
    QTimer::singleShot(0, [&]() {
        if (auto *dialog = qobject_cast<TSampleLabelInfoFrm *>(QApplication::activeModalWidget())) {
            QCOMPARE(dialog->edtMeatContent->text(), QString("25%")); // reopened as saved
            dialog->edtMeatContent->setText("dropped");
            dialog->reject();
        }
    });
    form->actLabelling->trigger();
    QCOMPARE(form->qryData_->text("LABELLING_XML"), xml);

    // The attachment buttons are there, off until the page has listed the sample's attachments.
    QStringList attachmentButtons;
    for (QPushButton *b : form->tabAttachments->findChildren<QPushButton *>()) {
        QVERIFY(!b->isEnabled());
        attachmentButtons << b->text();
    }
    QCOMPARE(attachmentButtons, (QStringList{"Add Attachment", "Save/Open selected", "Delete selected"}));

    // The pick lists take what is typed, in capitals where the list is upper case.
    QTest::keyClicks(form->cmbBrandName->lineEdit(), "Acme foods");
    QTest::keyClicks(form->cmbSurveyRef->lineEdit(), "s-1");
    QTest::keyClicks(form->cmbBatchNumber->lineEdit(), "lot 7");
    QCOMPARE(form->qryData_->text("BRAND_NAME"), QString("ACME FOODS"));
    QCOMPARE(form->qryData_->text("BATCH_NUMBER"), QString("lot 7"));
    QCOMPARE(form->cmbBatchNumber->count(), 2);
}

void TestSampleEditFrm::controlsTakeWhatTheirColumnsHold()
{
    fillLists();
    const QString longText = QString(500, QLatin1Char('a'));
    QVariantMap sample = SampleFixtures::completeFoodSample();
    sample.insert("ROUTINE_ANALYSIS", "F");
    sample.insert("ANALYSIS_TEXT", longText);
    const QString uuid = insertSample(sample);
    TSampleEditFrm *form = open(false, uuid);
    // Each text control is as long as its column, whatever is typed.
    QTest::keyClicks(form->edtPremisesName, QString(60, QLatin1Char('n')));
    QCOMPARE(form->qryData_->text("PREMISES_NAME").size(), 50);
    QTest::keyClicks(form->cmbFoodDescription->lineEdit(), QString(300, QLatin1Char('d')));
    QCOMPARE(form->qryData_->text("FOOD_DESCRIPTION").size(), 250);
    QCOMPARE(form->edtPostCode->maxLength(), 10);
    QCOMPARE(form->edtCode->maxLength(), 30);
    QCOMPARE(form->memAdditionalInfo->MaxLength(), 50);
    QCOMPARE(form->edtTemperature->decimals(), 1);
    QVERIFY(form->edtTemperature->maximum() < 1000);
    // The analysis text: a longer stored text is kept whole, typing does not lengthen it.
    QCOMPARE(form->memAnalysisText->toPlainText(), longText);
    form->memAnalysisText->moveCursor(QTextCursor::End);
    QTest::keyClicks(form->memAnalysisText, "more");
    QCOMPARE(form->qryData_->text("ANALYSIS_TEXT"), longText);
    form->actPost->trigger();
    QCOMPARE(m_prompter.texts(), QStringList());
    QCOMPARE(stored(uuid, {"ANALYSIS_TEXT"}).value("ANALYSIS_TEXT").toString(), longText);

    // Typed into an empty memo, it stops at 200.
    form = open(true);
    choose(form->cmbRoutineAnalysis, "F");
    QVERIFY(form->memAnalysisText->isEnabled());
    QTest::keyClicks(form->memAnalysisText, QString(230, QLatin1Char('b')));
    QCOMPARE(form->qryData_->text("ANALYSIS_TEXT").size(), TSampleEditFrm::AnalysisTextTypedLength);
}

void TestSampleEditFrm::uuidNamingNoFoodSample_data()
{
    QTest::addColumn<QString>("recordType");
    QTest::newRow("no sample") << QString();
    QTest::newRow("an animal-feed sample") << Varnex::PersonalityAnimalFeed;
}

void TestSampleEditFrm::uuidNamingNoFoodSample()
{
    QFETCH(QString, recordType);
    QString uuid = newUuid();
    if (!recordType.isEmpty())
        uuid = insertSample({{"RECORD_TYPE", recordType}, {"SAMPLE_STATUS__CODE", "ENTERED"}});
    const int before = sampleCount();
    auto defaults = std::make_unique<TSampleEditFrmDefaults>();
    defaults->uuid = uuid;
    QString message;
    try {
        TSampleEditFrm::ShowEditor(m_owner.get(), std::move(defaults));
    } catch (const VarnexError &e) {
        message = e.message();
    }
    QCOMPARE(message, TSampleEditFrm::NoSuchSampleMessage(uuid));
    QCOMPARE(sampleCount(), before);
    QCOMPARE(TBasefrm::FindForm(m_owner.get(), TSampleEditFrm::FormKey()), nullptr);
    QCOMPARE(m_store->db.scalar("SELECT RECORD_TYPE FROM SAMPLE WHERE UNIQUE_UUID = ?", {uuid}).toString(), recordType);
}

void TestSampleEditFrm::pagesKeysAndClosing()
{
    fillLists();
    const QString uuid = insertSample(SampleFixtures::completeFoodSample());
    TSampleEditFrm *form = open(false, uuid);
    QApplication::setActiveWindow(form);
    QVERIFY(QTest::qWaitForWindowActive(form));
    QCOMPARE(form->PageControl->count(), 6);

    // F9 from the first page goes to the last, F10 from the last to the first.
    QTest::keyClick(form, Qt::Key_F9);
    QCOMPARE(form->PageControl->currentWidget(), form->tabAttachments);
    QTest::keyClick(form, Qt::Key_F10);
    QCOMPARE(form->PageControl->currentWidget(), form->tabAdmin);

    // Tab on the forward button of a page turns it; Shift+Tab does not.
    QPushButton *next = form->NextButtons.first();
    next->setFocus();
    QTest::keyClick(next, Qt::Key_Tab);
    QCOMPARE(form->PageControl->currentWidget(), form->tabReason);
    next = form->NextButtons.at(1);
    next->setFocus();
    QTest::keyClick(next, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(form->PageControl->currentWidget(), form->tabReason);
    // The forward button of the COP page is only a button.
    QCOMPARE(form->NextButtons.last()->property("tag").toInt(), 0);

    // F6 edits; a close while editing is refused with its message; Abandon discards and closes.
    QTest::keyClick(form, Qt::Key_F6);
    QVERIFY(form->Editing());
    form->qryData_->setValue("HEALTH_MARK", "X");
    form->actClose->trigger();
    QCOMPARE(m_prompter.texts(), QStringList{TSampleEditFrm::CloseWhileEditingMessage()});
    QVERIFY(form->isVisible());
    form->actCancel->trigger();
    QVERIFY(!form->isVisible());
    QVERIFY(stored(uuid, {"HEALTH_MARK"}).value("HEALTH_MARK").isNull());

    // Not editing, Close simply closes.
    form = open(false, uuid);
    form->actClose->trigger();
    QVERIFY(!form->isVisible());
}

void TestSampleEditFrm::dependentFieldsFollowTheControls()
{
    fillLists();
    TSampleEditFrm *form = open(true);
    // Packaging "N": no material, no quantity, "N/A" as the batch.
    choose(form->cmbMaterial, "G");
    choose(form->cmbPackaging, "N");
    QVERIFY(!form->cmbMaterial->isEnabled() && !form->edtQuantity->isEnabled());
    QVERIFY(form->qryData_->isNull("MATERIAL__CODE"));
    QCOMPARE(form->cmbBatchNumber->currentText(), QString("N/A"));
    // A swab takes its fixed values on every run.
    choose(form->cmbProduct, "S");
    QCOMPARE(form->edtSubCategory3->text(), QString("Hygiene Swab"));
    QCOMPARE(form->qryData_->text("CONDITION__CODE"), QString("O"));
    QVERIFY(!form->edtDurabilityDay->isEnabled());
    // Micro: the micro laboratory, the "Sample taken from" list instead of the memo.
    form->rgAnalysisType->Button(0)->click();
    QCOMPARE(form->qryData_->text("LABORATORY__CODE"), QString("LAB2"));
    QCOMPARE(form->lblSampleType->text(), QString("Micro"));
    QVERIFY(!form->cmbAdditionalInfo->isHidden() && form->memAdditionalInfo->isHidden());
    QVERIFY(form->lblAdditionalInfo->text().startsWith("Sample taken from:"));
    // Another reason empties the sample type; the region chooses the countries offered.
    form->rgReason->Button(1)->click();
    choose(form->cmbSampleTypeSurveillance, "SV1");
    form->rgReason->Button(0)->click();
    QVERIFY(form->qryData_->isNull("SAMPLE_TYPE__CODE"));
    choose(form->cmbCountry, "WALES");
    choose(form->cmbCountryRegion, "EU");
    QVERIFY(form->qryData_->isNull("COUNTRY"));
    QCOMPARE(form->cmbCountry->count(), 1);
    // The premises types of the setting, under its caption.
    QVERIFY(form->lblPremisesType->text().startsWith("Varnex Premises type"));
}

void TestSampleEditFrm::premisesAndCategory()
{
    fillLists();
    m_store->db.exec("INSERT INTO PREMISES_DETAIL (UNIQUE_UUID, CODE, PREMISES_NAME, BUSINESS_ADDR_1, BUSINESS_POSTCODE, "
                     "PREMISES_TYPE__CODE, RISK_CATEGORY__CODE, RISK_CATEGORY_FOOD_STAND__CODE) "
                     "VALUES (?, 'P100', 'Deli', '1 High St', 'AB1 2CD', 'R1', 'Q', 'B')",
                     {newUuid()});
    const QString uuid = insertSample(SampleFixtures::completeFoodSample());
    TSampleEditFrm *form = open(false, uuid);

    // The picker, opened on the sample's premises; its choice is copied with the codes the lists hold.
    QString pickerOpenedOn;
    QTimer::singleShot(0, [&]() {
        if (auto *picker = qobject_cast<TPremisesDetailMaintV5Frm *>(QApplication::activeModalWidget())) {
            pickerOpenedOn = picker->CurrentKey().toString();
            picker->actClose->trigger();
        }
    });
    form->actPickPremises->trigger();
    QVERIFY(form->Editing());
    QCOMPARE(form->qryData_->text("BUSINESS_ID"), QString("P100"));
    QCOMPARE(form->qryData_->text("PREMISES_NAME"), QString("Deli"));
    QCOMPARE(form->qryData_->text("BUSINESS_POSTCODE"), QString("AB1 2CD"));
    QCOMPARE(form->qryData_->text("PREMISES_TYPE__CODE"), QString("R1"));
    QVERIFY2(form->qryData_->isNull("RISK_CATEGORY"), "a risk category the list does not hold is not copied");
    QVERIFY(!pickerOpenedOn.isEmpty());

    form->actNotAvailable->trigger();
    QCOMPARE(form->qryData_->text("BUSINESS_ID"), QString("N/A"));

    // The category tree's choice, only while editing.
    QCOMPARE(form->GetDeepestCategoryCode(), QString("01.01.02.01"));
    TCategoryTreeFrmReturnInfo choice;
    choice.Category = "02";
    choice.CategoryDescription = "Meat";
    choice.SubCategory = "02.01";
    choice.SubCategoryDescription = "Fresh meat";
    choice.MaffCode = "M65";
    choice.SubCategory2 = "02.01.01";
    choice.SubCategory2Description = "Beef";
    choice.SubCategory3 = "02.01.01.01";
    choice.SubCategory3Description = "Steak";
    form->ApplyCategorySelection(choice);
    QCOMPARE(form->edtCategory->text(), QString("Meat"));
    QCOMPARE(form->edtSubCategory3->text(), QString("Steak"));
    QCOMPARE(form->qryData_->text("MAFF__CODE"), QString("M65"));
    form->actCancel->trigger();
    form = open(false, uuid);
    form->ApplyCategorySelection(choice);
    QCOMPARE(form->qryData_->text("SUB_CATEGORY_3__CODE"), QString("01.01.02.01"));
}

QTEST_MAIN(TestSampleEditFrm)
#include "tst_sampleeditfrm.moc"
