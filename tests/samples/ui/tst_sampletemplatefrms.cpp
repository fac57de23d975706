// The template editors, the template lists and the group list offscreen over a test store.
#include "base/Clock.h"
#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "reference/LookupData_DM.h"
#include "samples/SampleRecord.h"
#include "samples/ui/SampleEditAnimalFeeds_FRM.h"
#include "samples/ui/SampleEdit_FRM.h"
#include "samples/ui/SampleTemplateAnimalFeedsBrowser_FRM.h"
#include "samples/ui/SampleTemplateBrowser_FRM.h"
#include "samples/ui/SampleTemplateEditAnimalFeeds_FRM.h"
#include "samples/ui/SampleTemplateEdit_FRM.h"
#include "samples/ui/SampleTemplateGroupMaint_FRM.h"
#include "support/MainStore.h"

#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

namespace {

bool messageShown(const RecordingPrompter &prompter, const QString &text)
{
    for (const RecordingPrompter::Call &call : prompter.calls())
        if (call.text.contains(text))
            return true;
    return false;
}

} // namespace

class TestSampleTemplateFrms : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void newFoodTemplateSavesWithEitherAction_data();
    void newFoodTemplateSavesWithEitherAction();
    void newFeedTemplate();
    void closingWhileEditingRefused();
    void unknownTemplateOpensNothing();
    void browseModeAppliesNoRuleUntilEdit();
    void failedPostKeepsTheEdits();
    void premisesPick_data();
    void premisesPick();
    void analysisBuilderAndPickLists();
    void createSampleNeedsATemplate();
    void createSampleMakesAnEnteredSample();
    void procedureErrorLeavesTheListAsItWas();
    void deleteRetiresAndCopyLandsOnTheCopy();
    void groups();

private:
    QString insertTemplate(const QVariantMap &values);
    QVariant storedTemplate(const QString &uuid, const QString &column);
    template <class TForm>
    TForm *openEditor(const QString &uuid);
    template <class TForm>
    TForm *openList();

    std::unique_ptr<MainStore> m_store;
    std::unique_ptr<TLookupDataDm> m_lookups;
    std::unique_ptr<QWidget> m_owner;
    RecordingPrompter m_prompter;
    std::unique_ptr<ScopedPrompter> m_prompterScope;
    FixedClock m_clock{QDateTime(QDate(2014, 6, 15), QTime(10, 0))};
    std::unique_ptr<ScopedClock> m_clockScope;
};

void TestSampleTemplateFrms::init()
{
    m_store = std::make_unique<MainStore>();
    QVERIFY(m_store->main.isOpen());
    m_store->useSettings("LA1", "OF1");
    TestDatabase &db = m_store->db;
    db.exec("UPDATE SYS_LOCAL_SETTINGS SET INSTALLATION_CODE = '07'");
    db.exec("UPDATE SYS_COMPANY SET ANALYSIS_TYPE = 'C', LABORATORY__CODE_CHEM = 'LAB1', LABORATORY__CODE_MICRO = 'LAB2', "
            "ANIMAL_FEED_LAB__CODE_CHEM = 'AFLAB1', ANIMAL_FEED_LAB__CODE_MICRO = 'AFLAB2'");
    db.exec("INSERT INTO LOCAL_AUTH_OFFICE (UNIQUE_UUID, CODE, OFFICE_CODE, LOCAL_AUTHORITY__CODE, DESCRIPTION) "
            "VALUES (?, 'OF1', '1', 'LA1', 'North Office')",
            {newUuid()});
    const QSqlDatabase main = m_store->main;
    m_lookups = std::make_unique<TLookupDataDm>([main] { return main; }, [] { return QString(); });
    LookupDataDm = m_lookups.get();
    m_owner = std::make_unique<QWidget>();
    m_prompter.clear();
    m_prompterScope = std::make_unique<ScopedPrompter>(&m_prompter);
    m_clockScope = std::make_unique<ScopedClock>(&m_clock);
}

void TestSampleTemplateFrms::cleanup()
{
    SampleTemplateEditForm::SetPremisesPicker({});
    SampleTemplateEditForm::SetAnalysisBuilder({});
    SampleTemplateEditForm::SetPickListSource({});
    m_owner.reset();
    LookupDataDm = nullptr;
    m_lookups.reset();
    m_clockScope.reset();
    m_prompterScope.reset();
    m_store.reset();
}

QString TestSampleTemplateFrms::insertTemplate(const QVariantMap &values)
{
    QVariantMap row = values;
    if (!row.contains("UNIQUE_UUID"))
        row.insert("UNIQUE_UUID", newUuid());
    if (!row.contains("RECORD_TYPE"))
        row.insert("RECORD_TYPE", Varnex::PersonalityFood);
    m_store->db.insert("SAMPLE_TEMPLATE", row);
    return row.value("UNIQUE_UUID").toString();
}

QVariant TestSampleTemplateFrms::storedTemplate(const QString &uuid, const QString &column)
{
    return m_store->db.scalar(QString("SELECT %1 FROM SAMPLE_TEMPLATE WHERE UNIQUE_UUID = ?").arg(column), {uuid});
}

template <class TForm>
TForm *TestSampleTemplateFrms::openEditor(const QString &uuid)
{
    auto defaults = std::make_unique<TSampleTemplateEditFrmDefaults>();
    defaults->CreateSample = uuid.isEmpty();
    defaults->Uuid = uuid;
    TForm *form = TBasefrm::Create<TForm>(m_owner.get());
    form->InitialiseDefaults(std::move(defaults));
    form->show();
    return form;
}

template <class TForm>
TForm *TestSampleTemplateFrms::openList()
{
    TForm *form = TBasefrm::Create<TForm>(m_owner.get());
    form->InitialiseDefaults(nullptr);
    form->show();
    return form;
}

void TestSampleTemplateFrms::newFoodTemplateSavesWithEitherAction_data()
{
    QTest::addColumn<bool>("validate");
    QTest::newRow("Save changes (F7)") << true;
    QTest::newRow("Save Without Validating (F8)") << false;
}

void TestSampleTemplateFrms::newFoodTemplateSavesWithEitherAction()
{
    QFETCH(bool, validate);
    auto *form = openEditor<TSampleTemplateEditFrm>({});
    QVERIFY(form->Editing());
    QVERIFY(form->windowTitle().startsWith("New Sample."));
    QCOMPARE(form->qryData_->text("ANALYSIS_TYPE"), QString("C"));
    QCOMPARE(form->qryData_->text("LABORATORY__CODE"), QString("LAB1"));
    QCOMPARE(form->lblSampleType->text(), QString("Chemical"));
    // The food lists, so that a sample made from the template passes the food validation.
    QCOMPARE(form->cmbSampleTypeEnforcement->ListSource(), LookupDataDm->DataSource("srcSampleTypeEnforcement"));
    QCOMPARE(form->cmbSampleTypeSurveillance->ListSource(), LookupDataDm->DataSource("srcSampleTypeSurveillance"));
    QCOMPARE(form->cmbPackUnits->ListSource(), LookupDataDm->DataSource("srcPackagingUnit"));

    // Choosing Micro takes the micro laboratory.
    form->rgAnalysisType->Button(0)->click();
    QCOMPARE(form->qryData_->text("LABORATORY__CODE"), QString("LAB2"));

    const QString uuid = form->qryData_->text("UNIQUE_UUID");
    form->qryData_->setValue("TEMPLATE_DESCRIPTION", "Cheese from the deli");
    (validate ? form->actSaveItem : form->actSaveWithoutValidating)->trigger();
    QVERIFY2(m_prompter.calls().isEmpty(), "a template has no rules to fail");
    QVERIFY(!form->Editing());
    QVERIFY(!form->isVisible());
    QCOMPARE(storedTemplate(uuid, "TEMPLATE_DESCRIPTION").toString(), QString("Cheese from the deli"));
    QCOMPARE(storedTemplate(uuid, "RECORD_TYPE").toString(), QString("FOOD"));
    QVERIFY(storedTemplate(uuid, "QOVA_INFO").toString().startsWith("VRXNet Version = "));
    QVERIFY(storedTemplate(uuid, "UNIQUE_ID").toLongLong() > 0);
}

void TestSampleTemplateFrms::newFeedTemplate()
{
    m_store->db.exec("INSERT INTO PREMISES_DETAIL_ANIMAL_FEED (UNIQUE_UUID, CODE, PREMISES_NAME, RISK_CATEGORY__CODE) "
                     "VALUES (?, 'F100', 'Feed Mill', 'H')",
                     {newUuid()});
    SampleTemplateEditForm::SetPremisesPicker([](const QString &personality, const QString &) {
        return personality == Varnex::PersonalityAnimalFeed ? QString("F100") : QString("WRONG LIST");
    });
    auto *form = openEditor<TSampleTemplateEditAnimalFeedsFrm>({});
    QVERIFY(form->windowTitle().startsWith("New Sample template."));
    QCOMPARE(form->qryData_->text("RECORD_TYPE"), QString("ANIMAL FEED"));
    QCOMPARE(form->qryData_->text("ANALYSIS_TYPE"), QString("C"));
    QCOMPARE(form->qryData_->text("LABORATORY__CODE"), QString("AFLAB1"));
    QCOMPARE(form->cmbRiskCategory->DataField(), QString("RISK_CATEGORY"));

    form->actPickPremises->trigger();
    QCOMPARE(form->qryData_->text("PREMISES_NAME"), QString("Feed Mill"));
    QCOMPARE(form->qryData_->text("RISK_CATEGORY"), QString("H"));

    // The sample type list follows the reason.
    form->rgReason->Button(0)->click();
    QCOMPARE(form->cmbSampleType->ListSource(), LookupDataDm->DataSource("srcFeedSampleTypeEnforcement"));

    const QString uuid = form->qryData_->text("UNIQUE_UUID");
    form->actSaveWithoutValidating->trigger();
    QVERIFY(!form->Editing());
    QCOMPARE(storedTemplate(uuid, "RISK_CATEGORY").toString(), QString("H"));
    QVERIFY2(storedTemplate(uuid, "QOVA_INFO").isNull(), "the feed template writes no program mark");
}

void TestSampleTemplateFrms::closingWhileEditingRefused()
{
    auto *form = openEditor<TSampleTemplateEditFrm>({});
    QVERIFY(!form->close());
    QVERIFY(form->isVisible());
    QVERIFY(messageShown(m_prompter, "Please save or abandon current changes before leaving the form."));
    // Abandon cancels and closes.
    form->actAbandonItem->trigger();
    QVERIFY(!form->isVisible());
    QCOMPARE(m_store->db.scalar("SELECT COUNT(*) FROM SAMPLE_TEMPLATE").toInt(), 0);

    // The kept form opened again on an existing template starts afresh on it.
    const QString uuid = insertTemplate({{"TEMPLATE_DESCRIPTION", "Kept"}});
    auto defaults = std::make_unique<TSampleTemplateEditFrmDefaults>();
    defaults->Uuid = uuid;
    form->InitialiseDefaults(std::move(defaults));
    QVERIFY(!form->Editing());
    QVERIFY(form->windowTitle().startsWith("Sample Details."));
    QCOMPARE(form->edtTemplateDescription->text(), QString("Kept"));
}

void TestSampleTemplateFrms::unknownTemplateOpensNothing()
{
    try {
        TSampleTemplateEditFrm::ShowEditor(m_owner.get(), "NO-SUCH-UUID");
        QFAIL("an unknown template opened an editor");
    } catch (const VarnexError &e) {
        QVERIFY(e.message().contains("NO-SUCH-UUID"));
    }
    QVERIFY(!TBasefrm::FindForm(m_owner.get(), TSampleTemplateEditFrm::FormKey()));
    // A feed template is not a food one.
    const QString feed = insertTemplate({{"RECORD_TYPE", "ANIMAL FEED"}});
    QVERIFY_THROWS_EXCEPTION(VarnexError, TSampleTemplateEditFrm::ShowEditor(m_owner.get(), feed));
}

void TestSampleTemplateFrms::browseModeAppliesNoRuleUntilEdit()
{
    const QString uuid = insertTemplate({{"PRODUCT__CODE", "S"}, {"REASON__CODE", "S"}, {"FLAG_FOLLOW_UP", "T"},
                                         {"INDEX_NUMBER", "X1"}, {"TEMPLATE_DESCRIPTION", "Swabs"}});
    auto *form = openEditor<TSampleTemplateEditFrm>(uuid);
    QVERIFY(form->windowTitle().startsWith("Sample Details."));
    QVERIFY(!form->Editing());
    QVERIFY(form->actEditItem->isEnabled() && !form->actSaveItem->isEnabled());
    QCOMPARE(form->qryData_->text("FLAG_FOLLOW_UP"), QString("T"));
    QVERIFY(form->qryData_->isNull("CATEGORY__CODE"));

    QCOMPARE(form->actEditItem->shortcut(), QKeySequence(Qt::Key_F6));
    form->actEditItem->trigger();
    QVERIFY(form->Editing());
    QCOMPARE(form->qryData_->text("FLAG_FOLLOW_UP"), QString("F"));
    QVERIFY(form->qryData_->isNull("INDEX_NUMBER"));
    QCOMPARE(form->qryData_->text("CATEGORY__CODE"), QString("18"));
    QCOMPARE(form->qryData_->text("SUB_CATEGORY__CODE"), QString("18.07"));
}

void TestSampleTemplateFrms::failedPostKeepsTheEdits()
{
    // The store refuses the row: another template has its identity.
    const QString taken = insertTemplate({{"TEMPLATE_DESCRIPTION", "Taken"}});
    auto *form = openEditor<TSampleTemplateEditFrm>({});
    form->qryData_->setValue("UNIQUE_UUID", taken);
    form->qryData_->setValue("BUSINESS_ID", "B1");
    form->actSaveItem->trigger();
    QCOMPARE(m_prompter.calls().size(), 1);
    QCOMPARE(m_prompter.calls().first().kind, Prompter::Kind::Error);
    QVERIFY(form->Editing());
    QVERIFY(form->isVisible());
    QCOMPARE(form->qryData_->text("BUSINESS_ID"), QString("B1"));
    QCOMPARE(m_store->db.scalar("SELECT COUNT(*) FROM SAMPLE_TEMPLATE").toInt(), 1);
}

void TestSampleTemplateFrms::premisesPick_data()
{
    QTest::addColumn<QString>("picked");
    QTest::addColumn<QString>("businessId");
    QTest::addColumn<QString>("premisesName");
    QTest::addColumn<QString>("foodStandards");

    QTest::newRow("cancelled") << "CANCELLED" << "OLD" << "Old Shop" << "B";
    QTest::newRow("found") << "P100" << "P100" << "Deli" << "D";
    QTest::newRow("no such premises") << "P999" << "P999" << "" << "B";
}

void TestSampleTemplateFrms::premisesPick()
{
    QFETCH(QString, picked);
    QFETCH(QString, businessId);
    QFETCH(QString, premisesName);
    QFETCH(QString, foodStandards);
    m_store->db.exec("INSERT INTO PREMISES_DETAIL (UNIQUE_UUID, CODE, PREMISES_NAME, RISK_CATEGORY__CODE, "
                     "RISK_CATEGORY_FOOD_STAND__CODE) VALUES (?, 'P100', 'Deli', 'A', 'D')",
                     {newUuid()});
    const QString uuid = insertTemplate({{"BUSINESS_ID", "OLD"}, {"PREMISES_NAME", "Old Shop"},
                                         {"RISK_CATEGORY_FOOD_STAND__CODE", "B"}});
    QString openedOn;
    SampleTemplateEditForm::SetPremisesPicker([&](const QString &, const QString &current) {
        openedOn = current;
        return picked;
    });
    auto *form = openEditor<TSampleTemplateEditFrm>(uuid);
    // The food pick puts a browsed template into edit mode, as the sample editors' pick does.
    form->actPickPremises->trigger();
    QCOMPARE(openedOn, QString("OLD"));
    QVERIFY(form->Editing());
    QCOMPARE(form->qryData_->text("BUSINESS_ID"), businessId);
    QCOMPARE(form->qryData_->text("PREMISES_NAME"), premisesName);
    QCOMPARE(form->qryData_->text("RISK_CATEGORY_FOOD_STAND__CODE"), foodStandards);
}

void TestSampleTemplateFrms::analysisBuilderAndPickLists()
{
    // Without a builder the button says it is not available.
    auto *plain = openEditor<TSampleTemplateEditFrm>({});
    plain->qryData_->setValue("ROUTINE_ANALYSIS", "F");
    plain->VerifyAll();
    QVERIFY(!plain->actAnalysisBuilder->isEnabled());
    plain->actAbandonItem->trigger();

    QList<AnalysisSelection> offered;
    SampleTemplateEditForm::SetAnalysisBuilder([&](TBasefrm *opener, const QString &text, AnalysisSelection selection) {
        offered << selection;
        return opener ? std::optional<QString>(text + "Lead") : std::nullopt;
    });
    SampleTemplateEditForm::SetPickListSource([](const QString &list) {
        return list == "FeedName" ? QStringList{"MASH", "PELLETS"} : QStringList();
    });
    auto *form = openEditor<TSampleTemplateEditAnimalFeedsFrm>({});
    QCOMPARE(form->cmbBrandName->count(), 2);
    QCOMPARE(form->cmbBrandName->itemText(1), QString("PELLETS"));

    form->qryData_->setValue("ROUTINE_ANALYSIS", "T");
    form->VerifyAll();
    QVERIFY2(!form->actAnalysisBuilder->isEnabled(), "routine analysis needs no builder");
    form->qryData_->setValue("ROUTINE_ANALYSIS", "F");
    form->VerifyAll();
    QVERIFY(form->actAnalysisBuilder->isEnabled());
    const QList<QPair<QString, AnalysisSelection>> categories = {
        {"50", AnalysisSelection::abCompoundFeeds}, {"51", AnalysisSelection::abFeedMaterials}, {"52", AnalysisSelection::abAll}};
    for (const auto &category : categories) {
        form->qryData_->setValue("CATEGORY__CODE", category.first);
        form->actAnalysisBuilder->trigger();
        QCOMPARE(offered.last(), category.second);
    }
    QCOMPARE(form->qryData_->text("ANALYSIS_TEXT"), QString("LeadLeadLead"));
    QCOMPARE(form->qryData_->text("ROUTINE_ANALYSIS"), QString("F"));
}

void TestSampleTemplateFrms::createSampleNeedsATemplate()
{
    auto *food = openList<TSampleTemplateBrowserFrm>();
    food->actCreateSample->trigger();
    QVERIFY(messageShown(m_prompter, "Please select a template."));
    QVERIFY(!food->actMaintainGroups->isVisible());

    // A food group row is no template.
    insertTemplate({{"PARENT_ID", -1}, {"UNIQUE_ID", 7}, {"TEMPLATE_DESCRIPTION", "Dairy"}});
    insertTemplate({{"PARENT_ID", -1}, {"UNIQUE_ID", 8}, {"TEMPLATE_DESCRIPTION", "Mills"}, {"RECORD_TYPE", "ANIMAL FEED"}});
    food->InitialiseDefaults(nullptr);
    QCOMPARE(food->qryIBOSample->rowCount(), 1);
    m_prompter.clear();
    food->actCreateSample->trigger();
    QVERIFY(messageShown(m_prompter, "Please select a template."));

    // The feed list makes a sample of any row, and opens it in the feed editor.
    auto *feed = openList<TSampleTemplateAnimalFeedsBrowserFrm>();
    QCOMPARE(feed->qryIBOSample->rowCount(), 1);
    m_prompter.clear();
    feed->actCreateSample->trigger(); // answered No
    QCOMPARE(m_prompter.calls().size(), 1);
    QCOMPARE(m_prompter.calls().first().text, TSampleTemplateBrowserFrm::CreateSampleQuestion());
    QCOMPARE(m_store->db.scalar("SELECT COUNT(*) FROM SAMPLE").toInt(), 0);

    m_prompter.queueAnswer(true);
    QString editorOn;
    QTimer::singleShot(0, [&]() {
        if (auto *editor = qobject_cast<TSampleEditAnimalFeedsFrm *>(QApplication::activeModalWidget())) {
            editorOn = editor->qryData_->text("UNIQUE_UUID");
            editor->close();
        }
    });
    feed->actCreateSample->trigger();
    QVERIFY2(!editorOn.isEmpty(), "the feed sample editor was not opened");
    QCOMPARE(m_store->db.scalar("SELECT RECORD_TYPE FROM SAMPLE WHERE UNIQUE_UUID = ?", {editorOn}).toString(),
             QString("ANIMAL FEED"));
}

void TestSampleTemplateFrms::createSampleMakesAnEnteredSample()
{
    const QString uuid = insertTemplate({{"TEMPLATE_DESCRIPTION", "Milk"}, {"UNIQUE_ID", 3}, {"BRAND_NAME", "DAIRYCO"}});
    auto *list = openList<TSampleTemplateBrowserFrm>();
    QCOMPARE(list->CurrentUuid(), uuid);
    m_prompter.queueAnswer(true);
    // The sample editor opens on the new sample; closed unsaved, the sample stays.
    QString editorOn;
    QTimer::singleShot(0, [&]() {
        if (auto *editor = qobject_cast<TSampleEditFrm *>(QApplication::activeModalWidget())) {
            editorOn = editor->qryData_->text("UNIQUE_UUID");
            editor->actCancel->trigger();
            editor->close();
        }
    });
    list->actCreateSample->trigger();
    QVERIFY2(!editorOn.isEmpty(), "the sample editor was not opened");
    QCOMPARE(m_store->db.scalar("SELECT SAMPLE_STATUS__CODE FROM SAMPLE WHERE UNIQUE_UUID = ?", {editorOn}).toString(),
             SampleStatus::Entered);
    QCOMPARE(m_store->db.scalar("SELECT BRAND_NAME FROM SAMPLE WHERE UNIQUE_UUID = ?", {editorOn}).toString(),
             QString("DAIRYCO"));
    QVERIFY(m_store->db.scalar("SELECT CODE FROM SAMPLE WHERE UNIQUE_UUID = ?", {editorOn}).toString().startsWith("LA107"));
}

void TestSampleTemplateFrms::procedureErrorLeavesTheListAsItWas()
{
    const QString uuid = insertTemplate({{"TEMPLATE_DESCRIPTION", "Milk"}});
    auto *list = openList<TSampleTemplateBrowserFrm>();
    // A synchronisation pass removes the template behind the list.
    m_store->db.exec("DELETE FROM SAMPLE_TEMPLATE WHERE UNIQUE_UUID = ?", {uuid});
    m_prompter.queueAnswer(true);
    list->actCreateSample->trigger();
    QVERIFY(messageShown(m_prompter, "no template has the UUID"));
    QCOMPARE(m_store->db.scalar("SELECT COUNT(*) FROM SAMPLE").toInt(), 0);
    list->actCopyTemplate->trigger();
    QCOMPARE(m_store->db.scalar("SELECT COUNT(*) FROM SAMPLE_TEMPLATE").toInt(), 0);
    QCOMPARE(list->qryIBOSample->rowCount(), 1);
    QCOMPARE(list->CurrentUuid(), uuid);
}

void TestSampleTemplateFrms::deleteRetiresAndCopyLandsOnTheCopy()
{
    const QString first = insertTemplate({{"TEMPLATE_DESCRIPTION", "A cheese"}, {"UNIQUE_ID", 1}});
    insertTemplate({{"TEMPLATE_DESCRIPTION", "B milk"}, {"UNIQUE_ID", 2}});
    auto *list = openList<TSampleTemplateBrowserFrm>();
    QCOMPARE(list->CurrentUuid(), first);

    list->actCopyTemplate->trigger();
    QCOMPARE(list->qryIBOSample->rowCount(), 3);
    const QString copy = list->CurrentUuid();
    QVERIFY(copy != first);
    QCOMPARE(storedTemplate(copy, "TEMPLATE_DESCRIPTION").toString(), QString("A cheese"));

    m_prompter.queueAnswer(true);
    list->actDeleteSelected->trigger();
    QCOMPARE(m_prompter.calls().last().text, TSampleTemplateBrowserFrm::DeleteTemplateQuestion());
    QCOMPARE(storedTemplate(copy, "FLAG_DELETED").toString(), QString("T"));
    QCOMPARE(storedTemplate(copy, "TEMPLATE_DESCRIPTION").toString(), QString("A cheese"));
    QCOMPARE(list->qryIBOSample->rowCount(), 2);

    // Answered No: nothing changes.
    list->actDeleteSelected->trigger();
    QCOMPARE(list->qryIBOSample->rowCount(), 2);
}

void TestSampleTemplateFrms::groups()
{
    auto *form = TBasefrm::Create<TSampleTemplateGroupMaintFRM>(m_owner.get());
    auto defaults = std::make_unique<TSampleTemplateGroupMaintFRMDefaults>();
    defaults->OpenMode = mmoMaint;
    form->InitialiseDefaults(std::move(defaults));
    form->show();

    form->actNew->trigger();
    QTest::keyClicks(form->edtGroupName, QString(60, QLatin1Char('g')));
    QCOMPARE(form->edtGroupName->text().size(), TemplateGroupNameLength);
    form->edtGroupName->clear();
    QTest::keyClicks(form->edtGroupName, "Dairy");
    form->actPost->trigger();
    QVERIFY2(!form->IsEditing(), qPrintable(m_prompter.calls().isEmpty() ? QString() : m_prompter.calls().last().text));
    const QString group = m_store->db.scalar("SELECT UNIQUE_UUID FROM SAMPLE_TEMPLATE WHERE PARENT_ID = -1").toString();
    const qint64 g = storedTemplate(group, "UNIQUE_ID").toLongLong();
    QVERIFY(g > 0);
    QCOMPARE(storedTemplate(group, "ID").toLongLong(), -g);
    QCOMPARE(storedTemplate(group, "TEMPLATE_GROUP").toString(), QString("Dairy"));
    QCOMPARE(storedTemplate(group, "RECORD_TYPE").toString(), QString("FOOD"));
    QCOMPARE(storedTemplate(group, "LOCAL_AUTHORITY__CODE").toString(), QString("LA1"));

    // A group that holds a template is not retired.
    const QString member = insertTemplate({{"PARENT_ID", g}, {"TEMPLATE_DESCRIPTION", "Milk"}});
    m_prompter.clear();
    form->actDelete->trigger();
    QVERIFY(messageShown(m_prompter, GroupHasTemplatesMessage));
    QCOMPARE(storedTemplate(group, "FLAG_DELETED").toString(), QString("F"));

    // Empty again, it is retired without a question.
    m_store->db.exec("UPDATE SAMPLE_TEMPLATE SET FLAG_DELETED = 'T' WHERE UNIQUE_UUID = ?", {member});
    m_prompter.clear();
    form->actDelete->trigger();
    QVERIFY(m_prompter.calls().isEmpty());
    QCOMPARE(storedTemplate(group, "FLAG_DELETED").toString(), QString("T"));
    QCOMPARE(form->qryList->rowCount(), 0);

    // The template list's Delete retires a group even while it holds templates.
    const QString other = insertTemplate({{"PARENT_ID", -1}, {"UNIQUE_ID", 900}, {"TEMPLATE_DESCRIPTION", "AAA"}});
    insertTemplate({{"PARENT_ID", 900}, {"TEMPLATE_DESCRIPTION", "ZZZ"}});
    auto *list = openList<TSampleTemplateBrowserFrm>();
    QCOMPARE(list->CurrentUuid(), other);
    m_prompter.queueAnswer(true);
    list->actDeleteSelected->trigger();
    QCOMPARE(storedTemplate(other, "FLAG_DELETED").toString(), QString("T"));
}

QTEST_MAIN(TestSampleTemplateFrms)
#include "tst_sampletemplatefrms.moc"
