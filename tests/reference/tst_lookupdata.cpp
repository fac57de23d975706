#include "reference/LookupData_DM.h"

#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "data/MemDataStream.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

DataTable codeList(const QList<QStringList> &rows, const QList<FieldDef> &extra = {})
{
    DataTable t({{"Code", FieldType::String, 20}, {"Description", FieldType::String, 100}});
    for (const FieldDef &f : extra)
        t.addField(f);
    for (const QStringList &r : rows) {
        QVariantList values;
        for (const QString &v : r)
            values << v;
        t.appendRow(values);
    }
    return t;
}

DataTable names(const QStringList &list)
{
    DataTable t({{"Name", FieldType::String, 100}});
    for (const QString &n : list)
        t.appendRow({n});
    return t;
}

} // namespace

class TestLookupData : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void loadsTheLowestRowOfEachName();
    void damagedListsKeepTheirContentAndAreNamed();
    void rowGoneStartsOverOnlyOnReload();
    void codeQuestions();
    void categoryHelpAndCountries();
    void filteredLaboratories_data();
    void filteredLaboratories();
    void dataSourcesByLabelAndName();
    void exportQuotesAndNeedsItsFolder();

private:
    void addRow(const QString &name, const QByteArray &content, qint64 id = 0);
    std::unique_ptr<TLookupDataDm> make();

    std::unique_ptr<TestDatabase> m_db;
    QString m_laboratories;
    RecordingPrompter m_prompter;
    std::unique_ptr<ScopedPrompter> m_prompterScope;
    qint64 m_nextId = 1;
};

void TestLookupData::init()
{
    m_db = std::make_unique<TestDatabase>();
    QVERIFY2(m_db->isValid(), qPrintable(m_db->errorText()));
    m_laboratories.clear();
    m_prompterScope = std::make_unique<ScopedPrompter>(&m_prompter);
}

void TestLookupData::cleanup()
{
    m_prompterScope.reset();
    m_db.reset();
}

void TestLookupData::addRow(const QString &name, const QByteArray &content, qint64 id)
{
    // Rows come down from the server: they carry its ids and are marked as synchronised.
    m_db->exec(QStringLiteral("INSERT INTO LOOKUP_TABLE_LIST (ID, UPDATE_ID, IS_SYNCING, DATASET_NAME, BINARY_CONTENT) "
                              "VALUES (?, ?, 'T', ?, ?)"),
               {id ? id : m_nextId, m_nextId, name, content});
    ++m_nextId;
}

std::unique_ptr<TLookupDataDm> TestLookupData::make()
{
    const QSqlDatabase db = m_db->db();
    auto dm = std::make_unique<TLookupDataDm>([db] { return db; }, [this] { return m_laboratories; });
    const QStringList problems = dm->RefreshDatasetsFromDatabase();
    if (!problems.isEmpty())
        qWarning() << problems;
    return dm;
}

void TestLookupData::loadsTheLowestRowOfEachName()
{
    addRow("mdMaterialType", MemDataStream::write(codeList({{"PL", "Plastic"}})), 20);
    addRow("mdMaterialType", MemDataStream::write(codeList({{"GL", "Glass"}, {"CO", "Composite"}})), 10);
    auto dm = make();
    const DataTable &t = dm->Table("mdMaterialType");
    QCOMPARE(t.rowCount(), 2);
    // Sorted by Code.
    QCOMPARE(t.value(0, "Code").toString(), QString("CO"));
    QVERIFY(dm->CheckCodeExists("GL", "mdMaterialType"));
    QVERIFY(!dm->CheckCodeExists("PL", "mdMaterialType"));
}

void TestLookupData::damagedListsKeepTheirContentAndAreNamed()
{
    addRow("mdCondition", MemDataStream::write(codeList({{"F", "Frozen"}})));
    addRow("mdDurability", MemDataStream::write(codeList({{"U", "Use by"}})));
    auto dm = make();
    QVERIFY(dm->CheckCodeExists("F", "mdCondition"));

    // One stream cut short, one without its Description field; the third list still reloads.
    m_db->exec("UPDATE LOOKUP_TABLE_LIST SET BINARY_CONTENT = ? WHERE DATASET_NAME = 'mdCondition'",
               {MemDataStream::write(codeList({{"C", "Chilled"}})).chopped(3)});
    DataTable onlyCode({{"Code", FieldType::String, 20}});
    onlyCode.appendRow({QString("B")});
    m_db->exec("UPDATE LOOKUP_TABLE_LIST SET BINARY_CONTENT = ? WHERE DATASET_NAME = 'mdDurability'",
               {MemDataStream::write(onlyCode)});
    addRow("mdReasonTaken", MemDataStream::write(codeList({{"E", "Enforcement"}})));
    QSignalSpy reset(dm->DataSource("srcReasonTaken"), &QAbstractItemModel::modelReset);
    const QStringList problems = dm->RefreshDatasetsFromDatabase();
    QCOMPARE(problems.size(), 2);
    QVERIFY(problems.at(0).startsWith("mdDurability: the list has no field Description"));
    QVERIFY(problems.at(1).startsWith("mdCondition: The lookup table stream is damaged"));
    QVERIFY(dm->CheckCodeExists("F", "mdCondition"));
    QVERIFY(dm->CheckCodeExists("U", "mdDurability"));
    QVERIFY(dm->CheckCodeExists("E", "mdReasonTaken"));
    QCOMPARE(reset.count(), 1);

    TLookupDataDm::ShowLoadProblems(problems);
    QCOMPARE(m_prompter.calls().size(), 1);
    QVERIFY(m_prompter.calls().at(0).text.contains("mdCondition"));
    QVERIFY(m_prompter.calls().at(0).text.contains("mdDurability"));
}

// A reload starts a list without a row over; loading that one list by itself leaves it be.
void TestLookupData::rowGoneStartsOverOnlyOnReload()
{
    addRow("mdCondition", MemDataStream::write(codeList({{"F", "Frozen"}})));
    auto dm = make();
    m_db->exec("DELETE FROM LOOKUP_TABLE_LIST");
    QCOMPARE(dm->LoadFromLocalData("mdCondition"), QString());
    QVERIFY(dm->CheckCodeExists("F", "mdCondition"));
    QVERIFY(dm->RefreshSingleDataset("mdCondition").isEmpty());
    QVERIFY(!dm->CheckCodeExists("F", "mdCondition"));
    QCOMPARE(dm->Table("mdCondition").fieldCount(), 2);
}

void TestLookupData::codeQuestions()
{
    addRow("mdPremisesType", MemDataStream::write(codeList({{"RET", "Retailer"}})));
    auto dm = make();
    QVERIFY(dm->CheckCodeExists("RET", "mdPremisesType"));
    QVERIFY(!dm->CheckCodeExists("ret", "mdPremisesType"));
    QVERIFY(!dm->CheckCodeExists("RET", "mdLAEMSPremisesType"));
    QVERIFY(!dm->CheckCodeExists("RET", "noSuchList"));
    QVERIFY(!dm->CheckCodeExists("", "mdPremisesType"));
    QVERIFY_THROWS_EXCEPTION(VarnexError, dm->Table("noSuchList"));
}

void TestLookupData::categoryHelpAndCountries()
{
    auto dm = make();
    // The program's own help texts, by 11-character code only.
    QVERIFY(dm->HelpForCategory("01.01.01.01") != "No help for this category.");
    QCOMPARE(dm->HelpForCategory("01.01.01.0"), QString("No help for this category."));
    QCOMPARE(dm->HelpForCategory("01.01.01.011"), QString("No help for this category."));
    QCOMPARE(dm->GetISOCodeForCountry("France"), QString("N/A"));
    QCOMPARE(dm->GetRegionForCountry("France"), QString());

    // A server list replaces the program's help texts.
    addRow("mdCategoryHelp", MemDataStream::write(codeList({{"99.99.99.99", "Server text"}})));
    DataTable iso({{"Name", FieldType::String, 100}, {"ISOCode", FieldType::String, 4}});
    iso.appendRow({QString("France"), QString("FR")});
    addRow("mdCountryISOCodes", MemDataStream::write(iso));
    addRow("mdUKCountry", MemDataStream::write(names({"Wales"})));
    addRow("mdEUCountry", MemDataStream::write(names({"France", "Wales"})));
    addRow("mdNonEUCountry", MemDataStream::write(names({"Norway"})));
    dm->RefreshDatasetsFromDatabase();
    QCOMPARE(dm->HelpForCategory("99.99.99.99"), QString("Server text"));
    QCOMPARE(dm->HelpForCategory("01.01.01.01"), QString("No help for this category."));
    QCOMPARE(dm->GetISOCodeForCountry("France"), QString("FR"));
    QCOMPARE(dm->GetISOCodeForCountry("france"), QString("N/A"));
    QCOMPARE(dm->GetRegionForCountry("Wales"), QString("UK"));
    QCOMPARE(dm->GetRegionForCountry("France"), QString("EU"));
    QCOMPARE(dm->GetRegionForCountry("Norway"), QString("Non EU"));
    QCOMPARE(dm->GetRegionForCountry("Atlantis"), QString());
}

void TestLookupData::filteredLaboratories_data()
{
    QTest::addColumn<QString>("inUse");
    QTest::addColumn<QStringList>("kept");
    QTest::newRow("no setting keeps every laboratory") << QString() << QStringList{"A1", "B2", "C3"};
    QTest::newRow("lines in another letter case") << QString("northern lab\r\nWESTERN LAB\n") << QStringList{"A1", "C3"};
    QTest::newRow("a line naming none") << QString("Nowhere") << QStringList{};
}

void TestLookupData::filteredLaboratories()
{
    QFETCH(QString, inUse);
    QFETCH(QStringList, kept);
    m_laboratories = inUse;
    addRow("mdLaboratory", MemDataStream::write(codeList({{"B2", "Southern Lab", "SBOX"}, {"A1", "Northern Lab", "NBOX"},
                                                          {"C3", "Western Lab", "WBOX"}},
                                                         {{"MailboxCode", FieldType::String, 20}})));
    auto dm = make();
    const DataTable &filtered = dm->Table("mdLaboratoryFiltered");
    QStringList codes;
    for (int row = 0; row < filtered.rowCount(); ++row)
        codes << filtered.value(row, "Code").toString();
    QCOMPARE(codes, kept);
    if (!kept.isEmpty())
        QCOMPARE(filtered.value(0, "MailboxCode").toString(), QString("NBOX"));
}

void TestLookupData::dataSourcesByLabelAndName()
{
    addRow("mdReasonTaken", MemDataStream::write(codeList({{"S", "Surveillance"}, {"E", "Enforcement"}})));
    auto dm = make();
    TLookupDataSetInfo info;
    LookupTableModel *reasons = dm->GetDataSource("Reason", &info);
    QVERIFY(reasons);
    QCOMPARE(reasons->objectName(), QString("srcReasonTaken"));
    QCOMPARE(info.LookupFields, QString("Code; Description"));
    QCOMPARE(reasons->rowCount(), 2);
    QCOMPARE(reasons->index(0, reasons->column("Description")).data().toString(), QString("Enforcement"));
    QVERIFY(!dm->GetDataSource("Sample type", &info));
    QVERIFY(!dm->GetDataSource("reason"));
    // The two spellings the editors bind to.
    QVERIFY(dm->DataSource("srcFoodSaftyRiskCategory"));
    QVERIFY(dm->DataSource("srcLabelBusinessType"));
    QVERIFY(!dm->DataSource("srcCategoryHelp"));
}

void TestLookupData::exportQuotesAndNeedsItsFolder()
{
    addRow("mdMaterialType", MemDataStream::write(codeList({{"O", "Other | \"see notes\""}, {"P", "Plain"}})));
    auto dm = make();
    QTemporaryDir dir;
    QVERIFY_THROWS_EXCEPTION(VarnexError, dm->SaveDatasetsToFile(dir.filePath("vrxlookups")));
    QVERIFY(QDir(dir.path()).mkdir("vrxlookups"));
    dm->SaveDatasetsToFile(dir.filePath("vrxlookups"));
    QFile f(dir.filePath("vrxlookups/mdMaterialType.txt"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(f.readAll()), QString("Code|Description\r\nO|\"Other | \"\"see notes\"\"\"\r\nP|Plain\r\n"));
    QCOMPARE(QDir(dir.filePath("vrxlookups")).entryList(QDir::Files).size(), TLookupDataDm::TableNames().size());
}

QTEST_GUILESS_MAIN(TestLookupData)
#include "tst_lookupdata.moc"
