// The setup form offscreen, on a copy of the template store: every setting saved, default
// laboratories blanked once when they leave the laboratories in use, the definition files offered,
// and the connection test against the stand-in server.
#include "core/ui/Setup_FRM.h"

#include "base/Prompter.h"
#include "data/MemDataStream.h"
#include "reference/LookupData_DM.h"
#include "support/MainStore.h"
#include "support/ServerProcess.h"

#include <QComboBox>
#include <QLineEdit>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray laboratories()
{
    DataTable t;
    t.addField({QStringLiteral("Code"), FieldType::String, 20});
    t.addField({QStringLiteral("Description"), FieldType::String, 100});
    t.addField({QStringLiteral("MailboxCode"), FieldType::String, 20});
    t.appendRow({QStringLiteral("LA"), QStringLiteral("Lab Alpha"), QStringLiteral("MA")});
    t.appendRow({QStringLiteral("LB"), QStringLiteral("Lab Beta"), QStringLiteral("MB")});
    t.appendRow({QStringLiteral("LC"), QStringLiteral("Lab Gamma"), QStringLiteral("MC")});
    return MemDataStream::write(t);
}

} // namespace

class TestSetupFrm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void everySettingIsSaved();
    void unusedDefaultLaboratoriesAreBlankedOnce();
    void pageChangeLeavesPendingEditsAlone();
    void laboratoryListsMoveAndAreKept();
    void pagesWrapAndOpeningStartsOver();
    void definitionFilesAreListedFromTheProgramFolder();
    void withoutTheSettingsRowNothingIsMadeUp();
    void connectionTestSaysWhatTheServerAnswered();

private:
    TSetupFrm *open(const QString &serverAddress = QString());
    QVariant company(const char *column)
    {
        return m_store->db.scalar(QStringLiteral("SELECT %1 FROM SYS_COMPANY").arg(QLatin1String(column)));
    }

    std::unique_ptr<MainStore> m_store;
    std::unique_ptr<TLookupDataDm> m_lookups;
    std::unique_ptr<QWidget> m_owner;
    QTemporaryDir m_program;
    RecordingPrompter m_prompter;
    std::unique_ptr<ScopedPrompter> m_scope;
};

void TestSetupFrm::init()
{
    m_store = std::make_unique<MainStore>();
    QVERIFY(m_store->main.isOpen());
    TMaindm &maindm = m_store->useSettings("LA1", "LA1N");
    m_store->db.exec("INSERT INTO LOOKUP_TABLE_LIST (ID, UPDATE_ID, IS_SYNCING, DATASET_NAME, BINARY_CONTENT) "
                     "VALUES (1, 1, 'T', 'mdLaboratory', ?)",
                     {laboratories()});
    const QSqlDatabase main = m_store->main;
    m_lookups = std::make_unique<TLookupDataDm>([main]() { return main; }, [&maindm]() { return maindm.LocalLaboratories(); });
    QVERIFY(m_lookups->RefreshDatasetsFromDatabase().isEmpty());
    LookupDataDm = m_lookups.get();
    m_owner = std::make_unique<QWidget>();
    m_prompter.clear();
    m_scope = std::make_unique<ScopedPrompter>(&m_prompter);
}

void TestSetupFrm::cleanup()
{
    m_owner.reset();
    LookupDataDm = nullptr;
    m_lookups.reset();
    m_scope.reset();
    m_store.reset();
}

TSetupFrm *TestSetupFrm::open(const QString &serverAddress)
{
    auto defaults = std::make_unique<TSetupFrmDefaults>();
    defaults->ServerSettings = [serverAddress]() {
        CentralServerSettings s;
        s.serverAddress = serverAddress;
        return s;
    };
    defaults->ProgramFolder = m_program.path();
    return TBasefrm::CreateAndShow<TSetupFrm>(QStringLiteral("Setup"), m_owner.get(), false, std::move(defaults));
}

void TestSetupFrm::everySettingIsSaved()
{
    TSetupFrm *form = open();
    form->actEdit->trigger();
    QCOMPARE(form->qryData->state(), SqlDataSet::dsEdit);
    form->cboImportDefinitionFile->lineEdit()->clear();
    QTest::keyClicks(form->cboImportDefinitionFile->lineEdit(), "Mine.xml");
    for (QCheckBox *box : {static_cast<QCheckBox *>(form->chkWW3Dates), static_cast<QCheckBox *>(form->chkIsoCountryCodes),
                           static_cast<QCheckBox *>(form->chkLaemsPremises), static_cast<QCheckBox *>(form->chkInternetLogin),
                           static_cast<QCheckBox *>(form->chkDontUpdate), static_cast<QCheckBox *>(form->chkKeepAlive)})
        box->click();
    const auto choose = [](QComboBox *box, const char *text) {
        const int index = box->findText(QLatin1String(text), Qt::MatchContains);
        QVERIFY2(index >= 0, text);
        box->setCurrentIndex(index);
        emit box->activated(index); // as a choice with the mouse does
    };
    choose(form->cboMicroLab, "Lab Beta");
    choose(form->cboChemLab, "Lab Gamma");
    choose(form->cboFeedLab, "Lab Alpha");
    form->edtDurabilityMin->setValue(-2);
    form->edtDurabilityMax->setValue(5);
    form->rgDuplicateAnalysisType->Button(1)->click();
    form->rgAnalysisType->Button(0)->click(); // saved when clicked, the other settings with it
    QTRY_COMPARE(form->qryData->state(), SqlDataSet::dsBrowse);
    QVERIFY2(m_prompter.calls().isEmpty(), qPrintable(m_prompter.texts().join('\n')));

    const QList<std::pair<const char *, QVariant>> saved = {
        {"XML_IMPORT_FIELD_DEFS_FILE", "Mine.xml"}, {"USEWW3XMLDATES", "T"}, {"FLAG_USE_ISO_COUNTRY_CODES", "T"},
        {"FLAG_USE_LAEMS_PREMISES_CODES", "T"},    {"SHOW_INTERNET_LOGIN_DIALOG", "T"}, {"FLAG_DONT_UPDATE_ON_START", "T"},
        {"FLAG_KEEP_ALIVE", "T"},                  {"LABORATORY__CODE_MICRO", "LB"},   {"LABORATORY__CODE_CHEM", "LC"},
        {"ANIMAL_FEED_LAB__CODE_CHEM", "LA"},      {"DURABILITY_YEAR_LOWER_OFFSET", -2}, {"DURABILITY_YEAR_UPPER_OFFSET", 5},
        {"ANALYSIS_TYPE", "M"},                    {"FOOD_ANALYSIS_TYPE_DUPLICATE", "C"},
    };
    for (const auto &[column, value] : saved)
        QVERIFY2(company(column).toString() == value.toString(), column);

    // Edit and Save Changes: a check box cleared again.
    form->actEdit->trigger();
    form->chkKeepAlive->click();
    form->actSaveChanges->trigger();
    QCOMPARE(company("FLAG_KEEP_ALIVE").toString(), QString("F"));
}

void TestSetupFrm::unusedDefaultLaboratoriesAreBlankedOnce()
{
    m_store->db.exec("UPDATE SYS_COMPANY SET FLAG_USE_LOCAL_LABORATORIES = 'T', LOCAL_LABORATORIES = ?, "
                     "LABORATORY__CODE_MICRO = 'LB', LABORATORY__CODE_CHEM = 'LC', ANIMAL_FEED_LAB__CODE_CHEM = 'LA'",
                     {QStringLiteral("Lab Alpha\r\n")});
    m_lookups->SetupFilterdLabList();
    TSetupFrm *form = open();
    form->actNextPage->trigger();
    QCOMPARE(m_prompter.texts(), QStringList{TSetupFrm::BlankedMessage()});
    QCOMPARE(form->qryData->state(), SqlDataSet::dsBrowse);
    QVERIFY(company("LABORATORY__CODE_MICRO").isNull());
    QVERIFY(company("LABORATORY__CODE_CHEM").isNull());
    QCOMPARE(company("ANIMAL_FEED_LAB__CODE_CHEM").toString(), QString("LA"));
    // Nothing more to blank on the next change.
    form->actNextPage->trigger();
    QCOMPARE(m_prompter.calls().size(), 1);
}

void TestSetupFrm::pageChangeLeavesPendingEditsAlone()
{
    m_store->db.exec("UPDATE SYS_COMPANY SET FLAG_USE_LOCAL_LABORATORIES = 'T', LABORATORY__CODE_MICRO = 'LB'");
    TSetupFrm *form = open();
    form->actEdit->trigger();
    form->chkKeepAlive->click();
    form->actNextPage->trigger();
    // Every laboratory is in use (none chosen): nothing blanked, and the edit waits for Save.
    QVERIFY(m_prompter.calls().isEmpty());
    QCOMPARE(form->qryData->state(), SqlDataSet::dsEdit);
    QCOMPARE(company("FLAG_KEEP_ALIVE").toString(), QString("F"));
    QVERIFY(!form->close());
    QCOMPARE(m_prompter.texts(), QStringList{TSetupFrm::UnsavedMessage()});
    form->actCancelChanges->trigger();
    form->close();
    QVERIFY(!form->isVisible());
    QCOMPARE(TBasefrm::FindForm(m_owner.get(), "Setup"), form); // hidden, kept
}

void TestSetupFrm::laboratoryListsMoveAndAreKept()
{
    TSetupFrm *form = open();
    form->PageControl->setCurrentWidget(form->tabLaboratories);
    QCOMPARE(form->lstAllLabs->count(), 3);
    QVERIFY(!form->btnExclude->isEnabled() && !form->btnExcludeAll->isEnabled());
    form->btnIncludeAll->click();
    QCOMPARE(form->lstAllLabs->count(), 0);
    QVERIFY(!form->btnInclude->isEnabled() && !form->btnIncludeAll->isEnabled());
    QCOMPARE(form->qryData->state(), SqlDataSet::dsEdit);
    form->lstLabsInUse->item(1)->setSelected(true); // "Lab Beta"
    form->btnExclude->click();
    QCOMPARE(form->lstAllLabs->item(0)->text(), QString("Lab Beta"));
    QCOMPARE(form->lstLabsInUse->currentItem()->text(), QString("Lab Gamma"));
    form->actSaveChanges->trigger();
    QCOMPARE(company("LOCAL_LABORATORIES").toString(), QString("Lab Alpha\r\nLab Gamma"));
    // The lookup module's laboratories in use follow.
    QCOMPARE(m_lookups->Table("mdLaboratoryFiltered").rowCount(), 2);
    QVERIFY(!form->LabListChanged());
}

void TestSetupFrm::pagesWrapAndOpeningStartsOver()
{
    TSetupFrm *form = open();
    QCOMPARE(form->PageControl->currentWidget(), form->tabGeneral);
    form->actPrevPage->trigger();
    QCOMPARE(form->PageControl->currentWidget(), form->tabLaboratories);
    form->actNextPage->trigger();
    QCOMPARE(form->PageControl->currentWidget(), form->tabGeneral);
    form->actNextPage->trigger();
    m_store->db.exec("UPDATE SYS_COMPANY SET FLAG_KEEP_ALIVE = 'T'");
    QCOMPARE(open(), form);
    QCOMPARE(form->PageControl->currentWidget(), form->tabGeneral);
    QVERIFY(form->chkKeepAlive->isChecked());
}

void TestSetupFrm::definitionFilesAreListedFromTheProgramFolder()
{
    QVERIFY(QDir(m_program.path()).mkpath("XMLImportDefinitions"));
    for (const char *name : {"b.xml", "A.XML", "notes.txt"}) {
        QFile f(m_program.filePath(QStringLiteral("XMLImportDefinitions/") + name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QString current = QDir::currentPath();
    TSetupFrm *form = open();
    QStringList offered;
    for (int i = 0; i < form->cboImportDefinitionFile->count(); ++i)
        offered << form->cboImportDefinitionFile->itemText(i);
    QCOMPARE(offered, (QStringList{"A.XML", "b.xml"}));
    QCOMPARE(QDir::currentPath(), current);
}

void TestSetupFrm::withoutTheSettingsRowNothingIsMadeUp()
{
    m_store->db.exec("DELETE FROM SYS_COMPANY");
    TSetupFrm *form = open();
    QCOMPARE(m_prompter.texts(), QStringList{TSetupFrm::NoRowMessage()});
    QVERIFY(!form->actEdit->isEnabled());
    form->actEdit->trigger();
    form->actNextPage->trigger();
    QCOMPARE(m_store->db.scalar("SELECT COUNT(*) FROM SYS_COMPANY").toInt(), 0);
    form->close();
    QVERIFY(!form->isVisible());
}

void TestSetupFrm::connectionTestSaysWhatTheServerAnswered()
{
    ServerProcess server;
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    TSetupFrm *form = open(server.url());
    QCOMPARE(form->lblServerAddress->text(), server.url());
    form->btnTestConnection->click();
    QVERIFY(form->IsTesting() && !form->btnTestConnection->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!form->IsTesting(), 20000);
    QCOMPARE(m_prompter.texts(), QStringList{TSetupFrm::ConnectedMessage()});

    m_prompter.clear();
    QVERIFY(server.control(R"({"refuseServiceLogin":true})"));
    form->btnTestConnection->click();
    QTRY_VERIFY_WITH_TIMEOUT(!form->IsTesting(), 20000);
    QCOMPARE(m_prompter.texts(), QStringList{TSetupFrm::RefusedMessage()});

    // A server that cannot be reached: the failure with its cause.
    m_prompter.clear();
    server.kill();
    form->btnTestConnection->click();
    QTRY_VERIFY_WITH_TIMEOUT(!form->IsTesting(), 20000);
    QCOMPARE(m_prompter.texts(Prompter::Kind::Error).size(), 1);
}

QTEST_MAIN(TestSetupFrm)
#include "tst_setupfrm.moc"
