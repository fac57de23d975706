#include "reference/ui/AFPremisesDetailMaintV5_FRM.h"
#include "reference/ui/LocalAuthDepartmentMaint_FRM.h"
#include "reference/ui/LocalAuthOfficeMaint_FRM.h"
#include "reference/ui/PremisesDetailMaintV5_FRM.h"

#include "base/Prompter.h"
#include "data/MemDataStream.h"
#include "reference/LookupData_DM.h"
#include "support/MainStore.h"

#include <QTest>
#include <QTimer>

namespace {

template <class TForm, class TDefaults = TIBCompatibleBaseMaintFrmDefaults>
TForm *openMaint(QWidget *owner, const QString &key)
{
    auto defaults = std::make_unique<TDefaults>();
    defaults->OpenMode = mmoMaint;
    return TBasefrm::CreateAndShow<TForm>(key, owner, false, std::move(defaults));
}

QStringList listed(const GridModel &model, const QString &column)
{
    QStringList values;
    for (int r = 0; r < model.rowCount(); ++r)
        values << model.value(r, column).toString();
    return values;
}

} // namespace

class TestReferenceForms : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void officesOfTheAuthorityWithNationalCodes();
    void officeDeleteRefusedWhileOfficersAreLive();
    void departments();
    void addressSearch_data();
    void addressSearch();
    void newPremisesAndLookups();
    void feedAddressIsCut();
    void premisesPicker();

private:
    void addOffice(const QString &authority, const QString &ownCode, const QString &description);
    QString addPremises(const QString &table, const QString &code, const QString &name, const QString &addr1,
                        const QVariant &deleted = QStringLiteral("F"));

    std::unique_ptr<MainStore> m_store;
    std::unique_ptr<QWidget> m_owner;
    RecordingPrompter m_prompter;
    std::unique_ptr<ScopedPrompter> m_prompterScope;
};

void TestReferenceForms::init()
{
    m_store = std::make_unique<MainStore>();
    QVERIFY(m_store->main.isOpen());
    m_store->useSettings("LA1", "LA1N");
    m_owner = std::make_unique<QWidget>();
    m_prompter.clear();
    m_prompterScope = std::make_unique<ScopedPrompter>(&m_prompter);
}

void TestReferenceForms::cleanup()
{
    m_owner.reset();
    m_prompterScope.reset();
    m_store.reset();
}

void TestReferenceForms::addOffice(const QString &authority, const QString &ownCode, const QString &description)
{
    m_store->db.exec("INSERT INTO LOCAL_AUTH_OFFICE (UNIQUE_UUID, CODE, OFFICE_CODE, LOCAL_AUTHORITY__CODE, DESCRIPTION) "
                     "VALUES (?, ?, ?, ?, ?)",
                     {newUuid(), authority + ownCode, ownCode, authority, description});
}

QString TestReferenceForms::addPremises(const QString &table, const QString &code, const QString &name,
                                        const QString &addr1, const QVariant &deleted)
{
    const QString uuid = newUuid();
    m_store->db.exec(QStringLiteral("INSERT INTO %1 (UNIQUE_UUID, CODE, PREMISES_NAME, BUSINESS_ADDR_1) VALUES (?, ?, ?, ?)").arg(table),
                     {uuid, code, name, addr1});
    m_store->db.exec(QStringLiteral("UPDATE %1 SET FLAG_DELETED = CAST(? AS VARCHAR(1)) WHERE UNIQUE_UUID = ?").arg(table),
                     {deleted, uuid});
    return uuid;
}

void TestReferenceForms::officesOfTheAuthorityWithNationalCodes()
{
    addOffice("LA1", "N", "North");
    addOffice("LA2", "S", "Elsewhere");
    auto *form = openMaint<TLocalAuthOfficeMaintFrm, TLocalAuthOfficeMaintFrmDefaults>(m_owner.get(), "LocalAuthOfficeMaintFrm");
    QCOMPARE(listed(*form->qryList, "DESCRIPTION"), QStringList{"North"});

    // A new office: its own code typed in capitals, the national code and the authority set on save.
    form->actNew->trigger();
    QTest::keyClicks(form->edtOfficeCode, "we");
    QCOMPARE(form->edtOfficeCode->text(), QString("WE"));
    form->qryIBOData->setValue("DESCRIPTION", "West");
    form->actSaveChanges->trigger();
    QCOMPARE(m_store->db.scalar("SELECT CODE || '|' || LOCAL_AUTHORITY__CODE FROM LOCAL_AUTH_OFFICE WHERE OFFICE_CODE = 'WE'").toString(),
             QString("LA1WE|LA1"));

    // A changed own code changes the national code; an empty one leaves the authority code alone.
    form->actEdit->trigger();
    form->qryIBOData->setValue("OFFICE_CODE", "WW");
    form->actPost->trigger();
    QCOMPARE(form->qryIBOData->text("CODE"), QString("LA1WW"));
    form->actEdit->trigger();
    form->qryIBOData->setValue("OFFICE_CODE", QVariant());
    form->actPost->trigger();
    QCOMPARE(m_store->db.scalar("SELECT CODE FROM LOCAL_AUTH_OFFICE WHERE DESCRIPTION = 'West'").toString(), QString("LA1"));
    QVERIFY(m_prompter.texts(Prompter::Kind::Error).isEmpty());

    // The authority is a bound value: a quote in it is just a character, and the rows follow the
    // settings of the moment.
    m_store->useSettings("O'X", "");
    addOffice("O'X", "Q", "Quoted");
    form->RefreshData();
    QVERIFY(m_prompter.texts(Prompter::Kind::Error).isEmpty());
    QCOMPARE(listed(*form->qryList, "DESCRIPTION"), QStringList{"Quoted"});

    // As a picker it answers the national code.
    QTimer::singleShot(0, []() {
        if (auto *picker = qobject_cast<TLocalAuthOfficeMaintFrm *>(QApplication::activeModalWidget()))
            picker->actClose->trigger();
    });
    QCOMPARE(TIBCompatibleBaseMaintfrm::SearchForCode<TLocalAuthOfficeMaintFrm>(), QString("O'XQ"));
}

void TestReferenceForms::officeDeleteRefusedWhileOfficersAreLive()
{
    addOffice("LA1", "N", "North");
    m_store->db.exec("INSERT INTO SAMPLE_OFFICER (UNIQUE_UUID, CODE, LOCAL_AUTH_OFFICE__CODE, FLAG_DELETED) VALUES (?, 'O1', 'LA1N', 'F')",
                     {newUuid()});
    m_store->db.exec("INSERT INTO SAMPLE_OFFICER (UNIQUE_UUID, CODE, LOCAL_AUTH_OFFICE__CODE, FLAG_DELETED) VALUES (?, 'O2', 'LA1N', 'T')",
                     {newUuid()});
    auto *form = openMaint<TLocalAuthOfficeMaintFrm>(m_owner.get(), "Offices");

    // Refused before any question; nothing changes.
    m_prompter.queueAnswer(true);
    form->actDelete->trigger();
    QCOMPARE(m_prompter.texts(), QStringList{TLocalAuthOfficeMaintFrm::OfficersAssignedMessage()});
    QCOMPARE(form->qryList->rowCount(), 1);

    // Only deleted officers left: the question, then the soft delete.
    m_prompter.clear();
    m_store->db.exec("UPDATE SAMPLE_OFFICER SET FLAG_DELETED = 'T'");
    m_prompter.queueAnswer(true);
    form->actDelete->trigger();
    QCOMPARE(m_prompter.texts(), QStringList{TIBCompatibleBaseMaintfrm::DeleteQuestion()});
    QCOMPARE(form->qryList->rowCount(), 0);
    QCOMPARE(m_store->db.scalar("SELECT FLAG_DELETED FROM LOCAL_AUTH_OFFICE").toString(), QString("T"));
}

void TestReferenceForms::departments()
{
    m_store->db.exec("INSERT INTO LOCAL_AUTH_DEPT (UNIQUE_UUID, LOCAL_AUTHORITY__CODE, DESCRIPTION) VALUES (?, 'LA2', 'Theirs')",
                     {newUuid()});
    auto *form = openMaint<TLocalAuthDepartmentMaintFrm, TLocalAuthDepartmentMaintFrmDefaults>(m_owner.get(),
                                                                                             "LocalAuthDepartmenteMaintFrm");
    QCOMPARE(form->qryList->rowCount(), 0);
    form->actNew->trigger();
    form->qryIBOData->setValue("DESCRIPTION", "Ours");
    form->actPost->trigger();
    QCOMPARE(listed(*form->qryList, "DESCRIPTION"), QStringList{"Ours"});
    QCOMPARE(m_store->db.scalar("SELECT LOCAL_AUTHORITY__CODE FROM LOCAL_AUTH_DEPT WHERE DESCRIPTION = 'Ours'").toString(), QString("LA1"));

    // Ticking Deleted retires it.
    form->actEdit->trigger();
    form->chkDeleted->click();
    form->actPost->trigger();
    QCOMPARE(form->qryList->rowCount(), 0);
    QCOMPARE(m_store->db.scalar("SELECT FLAG_DELETED FROM LOCAL_AUTH_DEPT WHERE DESCRIPTION = 'Ours'").toString(), QString("T"));
}

void TestReferenceForms::addressSearch_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("codes");
    QTest::newRow("nothing typed: every row not retired") << "" << QStringList{"P1", "P2", "P3", "P4", "P6"};
    QTest::newRow("lower case finds capitals") << "high st" << QStringList{"P1", "P2"};
    QTest::newRow("the code is part of the address") << "p3" << QStringList{"P3"};
    QTest::newRow("percent is a character") << "50%" << QStringList{"P3"};
    QTest::newRow("a lone percent") << "%" << QStringList{"P3"};
    QTest::newRow("underscore is a character") << "a_b" << QStringList{"P4"};
    QTest::newRow("no match") << "nowhere" << QStringList{};
    QTest::newRow("the separators stay for empty parts") << "P6, , , ," << QStringList{"P6"};
}

void TestReferenceForms::addressSearch()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, codes);
    const QString table = "PREMISES_DETAIL";
    addPremises(table, "P1", "Bakery", "1 HIGH STREET");
    addPremises(table, "P2", "Butcher", "2 High Street");
    addPremises(table, "P3", "Shop", "50% OFF LANE");
    addPremises(table, "P4", "A_B Ltd", "Axb Road");
    addPremises(table, "P5", "Gone", "3 High Street", QStringLiteral("T"));
    addPremises(table, "P6", "", "", QVariant()); // no flag at all counts as not retired
    auto *form = openMaint<TPremisesDetailMaintV5Frm, TPremisesDetailMaintV5FrmDefaults>(m_owner.get(), "PremisesMaint");
    QTest::keyClicks(form->edtAddressSearch, typed);
    QVERIFY(m_prompter.calls().isEmpty());
    QCOMPARE(listed(*form->qryList, "CODE"), codes);
    QVERIFY(form->grdData->isColumnHidden(form->qryList->columnIndex(PremisesMaintForm::FullAddressField())));

    // Clearing the box shows every row again.
    form->edtAddressSearch->clear();
    QCOMPARE(form->qryList->rowCount(), 5);
}

void TestReferenceForms::newPremisesAndLookups()
{
    const auto list = [](const QList<QStringList> &rows) {
        DataTable t({{"Code", FieldType::String, 20}, {"Description", FieldType::String, 100}});
        for (const QStringList &r : rows)
            t.appendRow({r[0], r[1]});
        return MemDataStream::write(t);
    };
    m_store->db.exec("INSERT INTO LOOKUP_TABLE_LIST (ID, UPDATE_ID, IS_SYNCING, DATASET_NAME, BINARY_CONTENT) VALUES (1, 1, 'T', ?, ?)",
                     {"mdPremisesType", list({{"RET", "Retailer"}, {"MAN", "Manufacturer"}})});
    const QSqlDatabase db = m_store->main;
    TLookupDataDm lookups([db] { return db; }, [] { return QString(); });
    QVERIFY(lookups.RefreshDatasetsFromDatabase().isEmpty());
    LookupDataDm = &lookups;
    auto *form = openMaint<TPremisesDetailMaintV5Frm, TPremisesDetailMaintV5FrmDefaults>(m_owner.get(), "PremisesMaint");
    LookupDataDm = nullptr;
    QCOMPARE(form->cmbPremisesType->count(), 2);
    QCOMPARE(form->cmbPremisesType->itemText(0), QString("MAN - Manufacturer"));

    // A new premises belongs to the user's authority and office, under a new key.
    form->actNew->trigger();
    QTest::keyClicks(form->edtCode, "new1");
    form->cmbPremisesType->setCurrentIndex(1);
    emit form->cmbPremisesType->activated(1);
    form->actSaveChanges->trigger();
    QVERIFY(m_prompter.calls().isEmpty());
    QCOMPARE(m_store->db.scalar("SELECT CODE || '|' || LOCAL_AUTHORITY__CODE || '|' || LOCAL_AUTH_OFFICE__CODE || '|' || "
                                "PREMISES_TYPE__CODE || '|' || CHAR_LENGTH(UNIQUE_UUID) FROM PREMISES_DETAIL").toString(),
             QString("NEW1|LA1|LA1N|RET|36"));

    // The box follows a reload of its list.
    m_store->db.exec("UPDATE LOOKUP_TABLE_LIST SET BINARY_CONTENT = ?", {list({{"RET", "Retail shop"}})});
    QVERIFY(lookups.RefreshDatasetsFromDatabase().isEmpty());
    QCOMPARE(form->cmbPremisesType->count(), 1);
    QCOMPARE(form->cmbPremisesType->currentText(), QString("RET - Retail shop"));
    // A code the list does not hold is still shown.
    m_store->db.exec("UPDATE LOOKUP_TABLE_LIST SET BINARY_CONTENT = ?", {list({{"MAN", "Manufacturer"}})});
    QVERIFY(lookups.RefreshDatasetsFromDatabase().isEmpty());
    QCOMPARE(form->cmbPremisesType->currentIndex(), -1);
    QCOMPARE(form->cmbPremisesType->placeholderText(), QString("RET"));
}

void TestReferenceForms::feedAddressIsCut()
{
    const QString fifty(50, QLatin1Char('x'));
    const QString uuid = addPremises("PREMISES_DETAIL_ANIMAL_FEED", QString(30, QLatin1Char('C')), fifty, fifty);
    m_store->db.exec("UPDATE PREMISES_DETAIL_ANIMAL_FEED SET BUSINESS_ADDR_2 = ?, BUSINESS_ADDR_3 = ?, BUSINESS_ADDR_4 = ?, "
                     "BUSINESS_POSTCODE = 'AB12 3CDEF'",
                     {fifty, fifty, fifty});
    auto *form = openMaint<TAFPremisesDetailMaintV5Frm, TAFPremisesDetailMaintV5FrmDrefaults>(m_owner.get(), "PremisesMaint");
    QCOMPARE(form->qryList->rowCount(), 1);
    QCOMPARE(form->qryList->value(0, PremisesMaintForm::FullAddressField()).toString().size(), 300);
    QVERIFY(form->edtRegistrationNumber && !form->cmbRiskCategoryFS);
    // The search sees only what the full address holds: the end of the postcode is cut off.
    QTest::keyClicks(form->edtAddressSearch, "ab12 3cd");
    QCOMPARE(form->qryList->rowCount(), 1);
    QTest::keyClicks(form->edtAddressSearch, "e");
    QCOMPARE(form->qryList->rowCount(), 0);
    form->edtAddressSearch->clear();
    QCOMPARE(form->CurrentKey().toString(), uuid);
}

void TestReferenceForms::premisesPicker()
{
    m_store->db.exec("INSERT INTO PREMISES_DETAIL (UNIQUE_UUID, CODE, PREMISES_NAME) "
                     "WITH RECURSIVE N AS (SELECT 1 AS I FROM RDB$DATABASE UNION ALL SELECT I + 1 FROM N WHERE I < 300) "
                     "SELECT UUID_TO_CHAR(GEN_UUID()), 'C' || LPAD(I, 3, '0'), 'Name' FROM N");
    const QString bookmark = TPremisesDetailMaintV5Frm::BookmarkForCode("C280");
    QCOMPARE(bookmark.size(), 36);
    QVERIFY(TPremisesDetailMaintV5Frm::BookmarkForCode("NONE").isEmpty());

    // Opened on the sample's premises, read-only; a double-click accepts the row under it.
    const auto pickWith = [&](const std::function<void(TPremisesDetailMaintV5Frm &)> &act) {
        auto defaults = std::make_unique<TPremisesDetailMaintV5FrmDefaults>();
        defaults->AllowEdit = false;
        defaults->InitialBookmark = bookmark;
        QTimer::singleShot(0, [&]() {
            if (auto *picker = qobject_cast<TPremisesDetailMaintV5Frm *>(QApplication::activeModalWidget()))
                act(*picker);
        });
        return TIBCompatibleBaseMaintfrm::SearchForCode<TPremisesDetailMaintV5Frm>(std::move(defaults));
    };
    QCOMPARE(pickWith([](TPremisesDetailMaintV5Frm &p) {
                 QVERIFY(!p.actNew->isEnabled());
                 p.actClose->trigger();
             }),
             QString("C280"));
    QCOMPARE(pickWith([](TPremisesDetailMaintV5Frm &p) {
                 p.grdData->setCurrentRow(p.grdData->currentRow() + 1);
                 emit p.grdData->doubleClicked(p.grdData->currentIndex());
             }),
             QString("C281"));
    QCOMPARE(pickWith([](TPremisesDetailMaintV5Frm &p) { p.actCancel->trigger(); }), QString("CANCELLED"));

    // In maintenance a double-click leaves the form open.
    auto *form = openMaint<TPremisesDetailMaintV5Frm, TPremisesDetailMaintV5FrmDefaults>(m_owner.get(), "PremisesMaint");
    emit form->grdData->doubleClicked(form->grdData->currentIndex());
    QVERIFY(form->isVisible());
}

QTEST_MAIN(TestReferenceForms)
#include "tst_referenceforms.moc"
