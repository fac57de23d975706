// The grid layout store: layouts kept by name for one form and view, restored by field name
// whatever the view has become since, and grids saved as Excel workbooks.
#include "base/AtomicFile.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "layouts/GridExcelExport.h"
#include "layouts/GridViewStorage_DM.h"
#include "store/SqlUtil.h"
#include "support/TestDatabase.h"
#include "support/ZipEntry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>


namespace {

// A view as the store sees it, with no widgets.
class FakeView : public IGridLayoutView
{
public:
    FakeView(const QString &form, const QStringList &fields) : m_form(form), m_fields(fields) {}
    QObject *ViewObject() const override { return const_cast<QObject *>(&m_object); }
    QString FormName() const override { return m_form; }
    QString ViewName() const override { return QStringLiteral("tvData"); }
    QStringList LayoutFields() const override { return m_fields; }
    GridViewLayout CurrentLayout() const override { return layout; }
    void ApplyLayout(const GridViewLayout &l) override
    {
        layout = l;
        ++applied;
    }
    void ExpandGroups() override {}
    void CollapseGroups() override {}
    std::unique_ptr<IGridExportSource> ExportSource() override { return nullptr; }

    GridViewLayout layout;
    int applied = 0;

private:
    QObject m_object;
    QString m_form;
    QStringList m_fields;
};

// Records from a list of rows; the first values of a row are its group values.
class RowsSource : public IGridExportSource
{
public:
    QList<GridExportColumn> columns;
    QStringList groups;
    QList<QVariantList> rows;
    qint64 hint = -1;
    qint64 generated = 0; // more empty records after the rows (a grid too long for a sheet)

    QList<GridExportColumn> Columns() const override { return columns; }
    QStringList GroupCaptions() const override { return groups; }
    qint64 RecordCountHint() const override { return hint; }
    bool NextRecord(QVariantList &groupValues, QVariantList &cells) override
    {
        if (m_next < rows.size()) {
            const QVariantList &row = rows.at(m_next++);
            groupValues = row.mid(0, groups.size());
            cells = row.mid(groups.size());
            return true;
        }
        if (m_generated < generated) {
            ++m_generated;
            groupValues.clear();
            cells.clear();
            return true;
        }
        return false;
    }

private:
    int m_next = 0;
    qint64 m_generated = 0;
};

GridViewLayout arranged()
{
    GridViewLayout l;
    l.columns = {{"TOWN", true, 120}, {"CODE", true, 80}, {"NAME", false, 150}, {"ADDRESS", true, 200}};
    l.sort = {{"TOWN", Qt::DescendingOrder}};
    l.groups = {"TOWN"};
    l.filter = {{"CODE", GridCondition::StartsWith, QStringLiteral("P")}};
    l.summaries = {{"CODE", GridLayoutSummary::Count, QStringLiteral("Premises: ")}};
    return l;
}

} // namespace

class TestGridViewStorage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void layoutReturnsByFieldNameToItsFormAndView();
    void namesAreCheckedBeforeAnythingIsStored_data();
    void namesAreCheckedBeforeAnythingIsStored();
    void unreadableLayoutLeavesTheViewAsItWas_data();
    void unreadableLayoutLeavesTheViewAsItWas();
    void workbookHoldsEveryRecordTyped();
    void gridBeyondASheetLeavesNoFile_data();
    void gridBeyondASheetLeavesNoFile();

private:
    qint64 storedId(const QString &form, const QString &description);
    int offered(const IGridLayoutView &view);

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<TGridViewStorageDm> m_storage;
    RecordingPrompter m_prompter;
    std::unique_ptr<ScopedPrompter> m_scope;
};

void TestGridViewStorage::init()
{
    m_db = std::make_unique<TestDatabase>();
    QVERIFY2(m_db->isValid(), qPrintable(m_db->errorText()));
    const QSqlDatabase db = m_db->db();
    m_storage = std::make_unique<TGridViewStorageDm>([db]() { return db; });
    m_prompter.clear();
    m_scope = std::make_unique<ScopedPrompter>(&m_prompter);
}

void TestGridViewStorage::cleanup()
{
    m_scope.reset();
    m_storage.reset();
    m_db.reset();
}

qint64 TestGridViewStorage::storedId(const QString &form, const QString &description)
{
    return m_db->scalar("SELECT ID FROM SYS_GRID_VIEW WHERE FORM_NAME = ? AND DESCRIPTION = ? AND FLAG_DELETED = 'F'",
                        {form, description})
        .toLongLong();
}

int TestGridViewStorage::offered(const IGridLayoutView &view)
{
    GridModel list(m_db->db(), TGridViewStorageDm::StoredViewsSql(), QStringLiteral("ID"));
    for (const auto &[name, value] : TGridViewStorageDm::ViewParams(view))
        list.setParam(name, value);
    list.open();
    return int(list.totalCount());
}

void TestGridViewStorage::layoutReturnsByFieldNameToItsFormAndView()
{
    FakeView kept("PremisesMaint", {"CODE", "NAME", "ADDRESS", "TOWN"});
    kept.layout = arranged();
    m_prompter.queueText(QStringLiteral("By town"));
    m_storage->StoreViewToDB(kept);
    QVERIFY2(m_prompter.texts(Prompter::Kind::Error).isEmpty(), qPrintable(m_prompter.texts().join('\n')));
    QCOMPARE(m_prompter.calls().first().title, TGridViewStorageDm::NameTitle());
    const qint64 id = storedId("PremisesMaint", "By town");
    QVERIFY(id > 0);

    // Kept again under its name, the layout replaces the one kept before.
    kept.layout.columns[0].width = 140;
    m_storage->StoreLayout(kept, QStringLiteral("By town"));
    QCOMPARE(offered(kept), 1);

    // A later version of the view: NAME is called FULL_NAME now, and a column was added.
    FakeView later("PremisesMaint", {"CODE", "FULL_NAME", "ADDRESS", "TOWN", "POSTCODE"});
    m_storage->ApplyStoredView(storedId("PremisesMaint", "By town"), later);
    QCOMPARE(later.applied, 1);
    GridViewLayout expected = arranged();
    expected.columns = {{"TOWN", true, 140}, {"CODE", true, 80}, {"ADDRESS", true, 200}, {"FULL_NAME", false, 0},
                        {"POSTCODE", false, 0}};
    QCOMPARE(later.layout.toBytes(), expected.toBytes());

    // Offered only to the form and view it was kept for: the picker of the same list keeps its own.
    QCOMPARE(offered(FakeView("PremisesDetailMaintV5Frm", {"CODE"})), 0);
    // Deleted, it stays in the table and is offered no more.
    m_storage->DeleteStoredView(storedId("PremisesMaint", "By town"));
    QCOMPARE(offered(kept), 0);
    QCOMPARE(m_db->scalar("SELECT COUNT(*) FROM SYS_GRID_VIEW").toInt(), 1);
}

void TestGridViewStorage::namesAreCheckedBeforeAnythingIsStored_data()
{
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<QString>("message");
    QTest::newRow("cancelled") << std::optional<QString>() << TGridViewStorageDm::NoNameMessage();
    QTest::newRow("empty") << std::optional<QString>(QString()) << TGridViewStorageDm::NoNameMessage();
    QTest::newRow("blanks") << std::optional<QString>(QStringLiteral("   ")) << TGridViewStorageDm::NoNameMessage();
    QTest::newRow("too long") << std::optional<QString>(QString(TGridViewStorageDm::DescriptionLength + 1, QLatin1Char('x')))
                              << TGridViewStorageDm::NameTooLongMessage();
}

void TestGridViewStorage::namesAreCheckedBeforeAnythingIsStored()
{
    QFETCH(std::optional<QString>, answer);
    QFETCH(QString, message);
    FakeView view("PremisesMaint", {"CODE"});
    m_prompter.queueText(answer);
    m_storage->StoreViewToDB(view);
    QCOMPARE(m_prompter.calls().last().text, message);
    QCOMPARE(m_db->scalar("SELECT COUNT(*) FROM SYS_GRID_VIEW").toInt(), 0);
}

void TestGridViewStorage::unreadableLayoutLeavesTheViewAsItWas_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("cause");
    QTest::newRow("not a document") << QByteArray("\x01\x02 grid stream") << "cannot be read";
    QTest::newRow("another format") << QByteArray(R"({"format":"other","version":1})") << "not a layout of this program";
    QTest::newRow("a later version") << QByteArray(R"({"format":"varnex-grid-layout","version":9})") << "later version";
    QTest::newRow("columns of the wrong kind")
        << QByteArray(R"({"format":"varnex-grid-layout","version":1,"columns":{"CODE":1}})") << "\"columns\" is not a list";
    QTest::newRow("an unknown condition")
        << QByteArray(R"({"format":"varnex-grid-layout","version":1,"filter":[{"field":"CODE","op":"like"}]})")
        << "unknown condition";
}

void TestGridViewStorage::unreadableLayoutLeavesTheViewAsItWas()
{
    QFETCH(QByteArray, settings);
    QFETCH(QString, cause);
    m_db->exec("INSERT INTO SYS_GRID_VIEW (APPLICATION_NAME, FORM_NAME, VIEW_NAME, DESCRIPTION, VIEW_SETTINGS, FLAG_DELETED) "
               "VALUES ('VRXNet', 'PremisesMaint', 'tvData', 'Old', ?, 'F')",
               {settings});
    FakeView view("PremisesMaint", {"CODE", "NAME"});
    try {
        m_storage->ApplyStoredView(storedId("PremisesMaint", "Old"), view);
        QFAIL("applied");
    } catch (const VarnexError &e) {
        QVERIFY2(e.message().contains(cause), qPrintable(e.message()));
        QVERIFY(e.message().startsWith("The stored grid layout cannot be read"));
    }
    QCOMPARE(view.applied, 0);

    // A row without settings is offered, and using it changes nothing.
    m_db->exec("UPDATE SYS_GRID_VIEW SET VIEW_SETTINGS = NULL");
    m_storage->ApplyStoredView(storedId("PremisesMaint", "Old"), view);
    QCOMPARE(view.applied, 0);
}

void TestGridViewStorage::workbookHoldsEveryRecordTyped()
{
    RowsSource source;
    source.columns = {{"Code", FieldType::String, 0, 80},      {"Cost", FieldType::Decimal, 2, 60},
                      {"Taken", FieldType::Date, 0, 90},       {"At", FieldType::Timestamp, 0, 120},
                      {"Count", FieldType::Int32, 0, 50},      {"Done", FieldType::Boolean, 0, 40}};
    source.groups = {"Officer"};
    const QDate day(2024, 3, 1);
    source.rows = {
        {"Al", "S1", "12.50", day, QDateTime(day, QTime(6, 0)), 3, true},
        {"Al", "S2", QVariant(), QVariant(), QVariant(), QVariant(), QVariant()},
        {"Bo", "S3 & <more>", "-1.25", QDate(1899, 12, 1), QDateTime(day, QTime(18, 0)), 0, false},
    };
    QTemporaryDir dir;
    const QString file = dir.filePath("grid.xlsx");
    GridExcelExport::Save(file, source);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"grid.xlsx"});

    const QString sheet = QString::fromUtf8(zipEntry(file, "xl/worksheets/sheet1.xml"));
    QVERIFY(!sheet.isEmpty());
    // Header, a heading row per group, and every record below its group, one outline level in.
    QCOMPARE(sheet.count("<row "), 1 + 2 + 3);
    QCOMPARE(sheet.count("outlineLevel=\"1\""), 3);
    QVERIFY(sheet.contains("Officer: Al") && sheet.contains("Officer: Bo"));
    QVERIFY(sheet.contains("S3 &amp; &lt;more&gt;"));
    // Typed cells: numbers, dates as day numbers (1 March 2024 is 45352), flags as Booleans; a
    // date before Excel's calendar as text; NULL as no cell at all.
    QVERIFY(sheet.contains("<v>12.5</v>") && sheet.contains("<v>-1.25</v>"));
    QVERIFY(sheet.contains("<v>45352</v>") && sheet.contains("<v>45352.25</v>") && sheet.contains("<v>45352.75</v>"));
    QVERIFY(sheet.contains("t=\"b\""));
    QVERIFY(sheet.contains("01/12/1899"));
    QVERIFY(!sheet.contains("r=\"B4\""));
}

void TestGridViewStorage::gridBeyondASheetLeavesNoFile_data()
{
    QTest::addColumn<int>("columns");
    QTest::addColumn<qint64>("hint");
    QTest::addColumn<qint64>("records");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cause");
    QTest::newRow("too many columns") << GridExcelExport::MaxColumns + 1 << qint64(-1) << qint64(0) << QString() << "columns";
    QTest::newRow("too many records, known before") << 1 << GridExcelExport::MaxRows << qint64(0) << QString() << "more rows";
    QTest::newRow("too many records, found while writing")
        << 1 << qint64(-1) << GridExcelExport::MaxRows << QString() << "more rows";
    QTest::newRow("a text too long for a cell")
        << 1 << qint64(-1) << qint64(0) << QString(GridExcelExport::MaxCellText + 1, QLatin1Char('x')) << "32767";
}

void TestGridViewStorage::gridBeyondASheetLeavesNoFile()
{
    QFETCH(int, columns);
    QFETCH(qint64, hint);
    QFETCH(qint64, records);
    QFETCH(QString, text);
    QFETCH(QString, cause);
    RowsSource source;
    for (int c = 0; c < columns; ++c)
        source.columns.append({QStringLiteral("C%1").arg(c), FieldType::String, 0, 0});
    source.hint = hint;
    source.generated = records;
    if (!text.isEmpty())
        source.rows = {{text}};
    QTemporaryDir dir;
    const QString file = dir.filePath("grid.xlsx");
    QVERIFY(saveFileAtomically(file, "the workbook saved before"));
    try {
        GridExcelExport::Save(file, source);
        QFAIL("saved");
    } catch (const VarnexError &e) {
        QVERIFY2(e.message().contains(cause), qPrintable(e.message()));
    }
    // The file saved before is as it was, and nothing half written lies beside it.
    QFile kept(file);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("the workbook saved before"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"grid.xlsx"});
}

QTEST_MAIN(TestGridViewStorage)
#include "tst_gridviewstorage.moc"
