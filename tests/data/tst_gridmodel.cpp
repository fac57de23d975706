#include "data/GridModel.h"
#include "support/TestDatabase.h"
#include "base/VarnexError.h"
#include "Failure.h"

#include <QSet>
#include <QSignalSpy>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(GridCondition)
Q_DECLARE_METATYPE(QList<GridSortKey>)

namespace {

const QString ListSql = QStringLiteral(
    "SELECT ID, UNIQUE_UUID, CODE, NAME, AMOUNT, TAKEN, STAMP, FLAG, NOTES FROM GRID_ROW");

// Runs a statement without parameter processing (PSQL blocks use their own ":name").
void run(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        QTest::qFail(qPrintable(q.lastError().text()), __FILE__, __LINE__);
}

QStringList keysOf(const GridModel &model)
{
    QStringList keys;
    for (int r = 0; r < model.rowCount(); ++r)
        keys << model.keyOf(r).toString();
    return keys;
}

} // namespace

class TestGridModel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void listsWithoutReadingEverything();
    void pagesFollowTheOrder_data();
    void pagesFollowTheOrder();
    void filterValuesStayValues_data();
    void filterValuesStayValues();
    void sortAndFilterReadAgain();
    void locateAndFindKey();
    void rowsChangingUnderneath();
    void noCursorOutlivesAPage();
    void displayAndEditRoles();
    void failuresAreReported();

private:
    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<GridModel> list(int pageSize = GridModel::DefaultPageSize);
    void addRow(qint64 id, const QVariant &code, const QVariant &name, const QVariant &amount = QVariant());
    QStringList keysInOrder(const QString &orderBy, const QString &where = QString());
};

void TestGridModel::init()
{
    m_db = std::make_unique<TestDatabase>();
    QVERIFY2(m_db->isValid(), qPrintable(m_db->errorText()));
    m_db->exec("CREATE TABLE GRID_ROW (ID BIGINT NOT NULL PRIMARY KEY, UNIQUE_UUID VARCHAR(36) NOT NULL UNIQUE, "
               "CODE VARCHAR(30), NAME VARCHAR(50), AMOUNT NUMERIC(18,2), TAKEN DATE, STAMP TIMESTAMP, "
               "FLAG BOOLEAN, NOTES BLOB SUB_TYPE TEXT)");
    m_db->exec("CREATE INDEX GRID_ROW_CODE ON GRID_ROW (CODE)");
}

void TestGridModel::cleanup()
{
    m_db.reset();
}

std::unique_ptr<GridModel> TestGridModel::list(int pageSize)
{
    auto model = std::make_unique<GridModel>(m_db->db(), ListSql, QStringLiteral("UNIQUE_UUID"));
    model->setPageSize(pageSize);
    return model;
}

void TestGridModel::addRow(qint64 id, const QVariant &code, const QVariant &name, const QVariant &amount)
{
    m_db->exec("INSERT INTO GRID_ROW (ID, UNIQUE_UUID, CODE, NAME, AMOUNT) VALUES (?, ?, ?, ?, ?)",
               {id, QStringLiteral("U%1").arg(id, 6, 10, QLatin1Char('0')), code, name, amount});
}

QStringList TestGridModel::keysInOrder(const QString &orderBy, const QString &where)
{
    QSqlQuery q(m_db->db());
    const QString sql = QStringLiteral("SELECT UNIQUE_UUID FROM GRID_ROW %1 ORDER BY %2")
                            .arg(where.isEmpty() ? QString() : QStringLiteral("WHERE ") + where, orderBy);
    if (!q.exec(sql))
        QTest::qFail(qPrintable(q.lastError().text()), __FILE__, __LINE__);
    QStringList keys;
    while (q.next())
        keys << q.value(0).toString();
    return keys;
}

void TestGridModel::listsWithoutReadingEverything()
{
    run(m_db->db(), QStringLiteral(
        "EXECUTE BLOCK AS DECLARE i INTEGER = 1; BEGIN WHILE (i <= 100000) DO BEGIN "
        "INSERT INTO GRID_ROW (ID, UNIQUE_UUID, CODE, NAME) VALUES (:i, 'U' || LPAD(:i, 6, '0'), "
        "'C' || LPAD(:i, 6, '0'), 'Name ' || :i); i = i + 1; END END"));

    auto model = list();
    model->setSort({{QStringLiteral("CODE")}});
    model->open();
    // One page, and more to come.
    QCOMPARE(model->rowCount(), 200);
    QVERIFY(model->canFetchMore(QModelIndex()));
    QCOMPARE(model->value(0, "CODE").toString(), QStringLiteral("C000001"));
    QCOMPARE(model->value(199, "CODE").toString(), QStringLiteral("C000200"));
    QCOMPARE(model->totalCount(), qint64(100000));
    QCOMPARE(model->rowCount(), 200);

    QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
    model->fetchMore(QModelIndex());
    QCOMPARE(model->rowCount(), 400);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 200);
    QCOMPARE(inserted.at(0).at(2).toInt(), 399);
    QCOMPARE(model->value(200, "CODE").toString(), QStringLiteral("C000201"));

    // Finding a row reads up to it, not the rest of the list.
    QCOMPARE(model->findKey(QStringLiteral("U005000")), 4999);
    QCOMPARE(model->rowCount(), 5000);
    QVERIFY(model->canFetchMore(QModelIndex()));

    // Seeking a row far down reads a page from it, and the rows above only when asked for.
    QCOMPARE(model->seekKey(QStringLiteral("U090000")), 0);
    QCOMPARE(model->rowCount(), 200);
    QCOMPARE(model->value(0, "CODE").toString(), QStringLiteral("C090000"));
    QSignalSpy above(model.get(), &QAbstractItemModel::rowsInserted);
    model->fetchBefore(10);
    QCOMPARE(above.count(), 1);
    QCOMPARE(above.at(0).at(1).toInt(), 0);
    QCOMPARE(model->value(0, "CODE").toString(), QStringLiteral("C089990"));
    QCOMPARE(model->findKey(QStringLiteral("U090000")), 10);
    // A search or a refresh there stays there.
    QCOMPARE(model->locate({{"CODE", GridCondition::StartsWith, QStringLiteral("c0999")}}), 0);
    QCOMPARE(model->rowCount(), 101); // C099900 to the end
    QVERIFY(!model->canFetchMore(QModelIndex()));
    QCOMPARE(model->refresh(model->keyOf(3)), 0);
    QCOMPARE(model->value(0, "CODE").toString(), QStringLiteral("C099903"));
    QCOMPARE(model->toLast(), model->rowCount() - 1);
    QCOMPARE(model->value(model->rowCount() - 1, "CODE").toString(), QStringLiteral("C100000"));
    QCOMPARE(model->toFirst(), 0);
    QCOMPARE(model->value(0, "CODE").toString(), QStringLiteral("C000001"));
    QVERIFY(!model->canFetchBefore());
}

void TestGridModel::pagesFollowTheOrder_data()
{
    QTest::addColumn<QList<GridSortKey>>("sort");
    QTest::addColumn<QString>("orderBy");

    QTest::newRow("key only") << QList<GridSortKey>{} << "UNIQUE_UUID";
    QTest::newRow("code with ties and NULLs") << QList<GridSortKey>{{"CODE"}} << "CODE ASC NULLS FIRST, UNIQUE_UUID";
    QTest::newRow("code descending")
        << QList<GridSortKey>{{"code", Qt::DescendingOrder}} << "CODE DESC NULLS LAST, UNIQUE_UUID";
    QTest::newRow("two columns, mixed")
        << QList<GridSortKey>{{"NAME", Qt::DescendingOrder}, {"AMOUNT"}}
        << "NAME DESC NULLS LAST, AMOUNT ASC NULLS FIRST, UNIQUE_UUID";
    QTest::newRow("decimals") << QList<GridSortKey>{{"AMOUNT", Qt::DescendingOrder}}
                              << "AMOUNT DESC NULLS LAST, UNIQUE_UUID";
    QTest::newRow("key descending ends the order")
        << QList<GridSortKey>{{"UNIQUE_UUID", Qt::DescendingOrder}, {"CODE"}} << "UNIQUE_UUID DESC";
}

void TestGridModel::pagesFollowTheOrder()
{
    QFETCH(QList<GridSortKey>, sort);
    QFETCH(QString, orderBy);

    // Few distinct values, NULLs among them, so that pages end inside runs of equal values.
    for (int i = 1; i <= 60; ++i)
        addRow(i, i % 7 == 0 ? QVariant() : QVariant(QStringLiteral("C%1").arg(i % 4)),
               i % 5 == 0 ? QVariant() : QVariant(QStringLiteral("N%1").arg(i % 3)),
               i % 6 == 0 ? QVariant() : QVariant(QStringLiteral("%1.25").arg(i % 5 - 2)));

    auto model = list(7);
    model->setSort(sort);
    model->open();
    while (model->canFetchMore(QModelIndex()))
        model->fetchMore(QModelIndex());
    const QStringList all = keysInOrder(orderBy);
    QCOMPARE(keysOf(*model), all);

    // Opened on a row in the middle, or on the last page, the list reads on both ways to the same
    // rows in the same order.
    for (const QString &middle : {all.at(23), all.at(41), QString()}) {
        auto around = list(7);
        around->setSort(sort);
        if (middle.isEmpty()) {
            around->open();
            QCOMPARE(around->toLast(), around->rowCount() - 1);
            QCOMPARE(around->keyOf(around->rowCount() - 1).toString(), all.constLast());
        } else {
            QCOMPARE(around->openAt(middle), 0);
            QCOMPARE(around->rowCount(), 7);
            QVERIFY(around->canFetchBefore());
        }
        while (around->canFetchBefore())
            around->fetchBefore(5);
        while (around->canFetchMore(QModelIndex()))
            around->fetchMore(QModelIndex());
        QCOMPARE(keysOf(*around), all);
    }
}

void TestGridModel::filterValuesStayValues_data()
{
    QTest::addColumn<GridCondition>("condition");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("apostrophes")
        << GridCondition{"NAME", GridCondition::Equal, QStringLiteral("O'Brien's")} << QStringList{"O'Brien's"};
    QTest::newRow("SQL as a value")
        << GridCondition{"NAME", GridCondition::Equal, QStringLiteral("x' OR '1'='1")} << QStringList{};
    QTest::newRow("statement as a value")
        << GridCondition{"NAME", GridCondition::Equal, QStringLiteral("'; DELETE FROM GRID_ROW; --")}
        << QStringList{"'; DELETE FROM GRID_ROW; --"};
    QTest::newRow("percent is no wildcard")
        << GridCondition{"NAME", GridCondition::Contains, QStringLiteral("%")} << QStringList{"100% beef"};
    QTest::newRow("underscore is no wildcard")
        << GridCondition{"NAME", GridCondition::StartsWith, QStringLiteral("a_")} << QStringList{"A_B"};
    // The driver would cut the value to the column's 50 characters.
    QTest::newRow("longer than the column")
        << GridCondition{"NAME", GridCondition::Equal, QString(50, QLatin1Char('N')) + QStringLiteral(" and more")}
        << QStringList{};
    QTest::newRow("contains ignores case")
        << GridCondition{"NAME", GridCondition::Contains, QStringLiteral("BRIEN")} << QStringList{"O'Brien's", "OBriens"};
}

void TestGridModel::filterValuesStayValues()
{
    QFETCH(GridCondition, condition);
    QFETCH(QStringList, names);

    int id = 0;
    for (const char *name : {"O'Brien's", "OBriens", "100% beef", "1000 beef", "A_B", "AxB", "x", "'; DELETE FROM GRID_ROW; --"})
        addRow(++id, QStringLiteral("C"), QString::fromUtf8(name));
    addRow(++id, QStringLiteral("C"), QString(50, QLatin1Char('N')));

    auto model = list();
    model->open();
    model->setFilter({condition});
    QStringList found;
    for (int r = 0; r < model->rowCount(); ++r)
        found << model->value(r, "NAME").toString();
    QCOMPARE(found, names);
    QCOMPARE(m_db->scalar("SELECT COUNT(*) FROM GRID_ROW").toInt(), id);
}

void TestGridModel::sortAndFilterReadAgain()
{
    for (int i = 1; i <= 30; ++i)
        addRow(i, QStringLiteral("C%1").arg(i % 3), QStringLiteral("N%1").arg(i, 2, 10, QLatin1Char('0')));
    m_db->exec("UPDATE GRID_ROW SET TAKEN = DATEADD(ID DAY TO DATE '2024-01-01')");

    // The SELECT's own parameter and the filter's values are all bound.
    auto model = std::make_unique<GridModel>(m_db->db(), ListSql + QStringLiteral(" WHERE ID > :lowest"),
                                             QStringLiteral("ID"));
    model->setPageSize(4);
    model->setParam(QStringLiteral("lowest"), 5);
    model->open();
    QCOMPARE(model->totalCount(), qint64(25));

    QSignalSpy reset(model.get(), &QAbstractItemModel::modelReset);
    model->setFilter({{"CODE", GridCondition::Equal, QStringLiteral("C1")},
                      {"TAKEN", GridCondition::GreaterOrEqual, QDate(2024, 1, 10)},
                      {"TAKEN", GridCondition::LessOrEqual, QDate(2024, 1, 25)}});
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model->totalCount(), qint64(5)); // ids 10, 13, 16, 19, 22
    QCOMPARE(model->rowCount(), 4);
    QCOMPARE(model->value(0, "ID").toLongLong(), 10);

    // A view's header click.
    model->sort(model->columnIndex("NAME"), Qt::DescendingOrder);
    QCOMPARE(reset.count(), 2);
    QCOMPARE(model->value(0, "ID").toLongLong(), 22);
    QCOMPARE(model->sortKeys().size(), 1);
    model->sort(-1);
    QCOMPARE(model->value(0, "ID").toLongLong(), 10);

    // A column the list does not have, or that is no plain name, is refused and changes nothing.
    QCOMPARE(failureOf([&] { model->setSort({{"PRICE"}}); }), QStringLiteral("The list has no column PRICE."));
    QVERIFY(failureOf([&] { model->setFilter({{"CODE = CODE OR 1", GridCondition::Equal, 1}}); })
                .contains("CODE = CODE OR 1"));
    QCOMPARE(failureOf([&] { model->setSort({{"NOTES"}}); }),
             QStringLiteral("The list cannot be sorted by NOTES: it holds a blob."));
    QCOMPARE(reset.count(), 3);
    QCOMPARE(model->totalCount(), qint64(5));
    QCOMPARE(model->filter().size(), 3);

    model->setFilter({{"NAME", GridCondition::IsNull, {}}});
    QCOMPARE(model->rowCount(), 0);
    QVERIFY(!model->canFetchMore(QModelIndex()));
}

void TestGridModel::locateAndFindKey()
{
    for (int i = 1; i <= 40; ++i)
        addRow(i, QStringLiteral("C%1").arg(i, 2, 10, QLatin1Char('0')), i % 2 ? QStringLiteral("apple %1").arg(i)
                                                                               : QStringLiteral("banana %1").arg(i));
    auto model = list(5);
    model->setSort({{"NAME"}});
    model->open();
    // Incremental search: the first row in the list's order whose name starts so, any letter case.
    const int row = model->locate({{"NAME", GridCondition::StartsWith, QStringLiteral("BAN")}});
    QCOMPARE(row, 20);
    QCOMPARE(model->value(row, "NAME").toString(), QStringLiteral("banana 10"));
    QCOMPARE(model->rowCount(), 21); // read up to the row found, not beyond
    QCOMPARE(model->locate({{"NAME", GridCondition::StartsWith, QStringLiteral("cherry")}}), -1);

    QCOMPARE(model->findKey(QStringLiteral("U000003")), 11); // "apple 3" after "apple 1", "apple 11".."apple 39"
    QCOMPARE(model->findKey(QStringLiteral("U000099")), -1);
    // A key outside the filter is not in the list.
    model->setFilter({{"NAME", GridCondition::StartsWith, QStringLiteral("b")}});
    QCOMPARE(model->findKey(QStringLiteral("U000003")), -1);
    QCOMPARE(model->findKey(QStringLiteral("U000040")), 17); // "banana 40" after "banana 38", "banana 4"
}

void TestGridModel::rowsChangingUnderneath()
{
    for (int i = 1; i <= 50; ++i)
        addRow(-i, QStringLiteral("C%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("N%1").arg(i));
    auto model = list(10);
    model->setSort({{"CODE"}});
    model->open();
    QCOMPARE(model->value(9, "CODE").toString(), QStringLiteral("C10"));

    // Another connection changes rows before, inside and after what has been read.
    m_db->exec("DELETE FROM GRID_ROW WHERE CODE IN ('C03', 'C15')");
    addRow(-100, QStringLiteral("C05a"), QStringLiteral("late, before the last row read"));
    addRow(-101, QStringLiteral("C12a"), QStringLiteral("late, after it"));

    // The next page starts right after the last row read: nothing repeated, nothing skipped.
    model->fetchMore(QModelIndex());
    QCOMPARE(model->rowCount(), 20);
    const QStringList keys = keysOf(*model);
    QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), 20);
    QCOMPARE(keys.mid(10), keysInOrder("CODE, UNIQUE_UUID", "CODE > 'C10'").mid(0, 10));

    // A synchronisation pass renumbers the local ids; the UUID still finds the row after a refresh.
    m_db->exec("UPDATE GRID_ROW SET ID = -ID WHERE ID < 0");
    const QString kept = model->keyOf(15).toString();
    const int row = model->refresh(kept);
    QCOMPARE(keysOf(*model), keysInOrder("CODE, UNIQUE_UUID").mid(0, 20));
    QCOMPARE(model->keyOf(row).toString(), kept);
    QVERIFY(model->value(row, "ID").toLongLong() > 0);

    // A row deleted meanwhile is not found again.
    const QString gone = model->keyOf(3).toString();
    m_db->exec("DELETE FROM GRID_ROW WHERE UNIQUE_UUID = ?", {gone});
    QCOMPARE(model->refresh(gone), -1);
    QVERIFY(!keysOf(*model).contains(gone));
}

void TestGridModel::noCursorOutlivesAPage()
{
    for (int i = 1; i <= 30; ++i)
        addRow(i, QStringLiteral("C%1").arg(i), QStringLiteral("N%1").arg(i));
    auto model = list(10);
    model->open();
    // After a page the connection holds no transaction but the one of the question asked here.
    QCOMPARE(m_db->scalar("SELECT COUNT(*) FROM MON$TRANSACTIONS WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION")
                 .toInt(),
             1);

    // The connection's own unit of work commits between two pages; the list reads on.
    QSqlDatabase db = m_db->db();
    QVERIFY(db.transaction());
    model->fetchMore(QModelIndex());
    m_db->exec("UPDATE GRID_ROW SET NAME = 'changed' WHERE ID = 25");
    QVERIFY(db.commit());
    model->fetchMore(QModelIndex());
    QCOMPARE(model->rowCount(), 30);
    QCOMPARE(model->value(24, "NAME").toString(), QStringLiteral("changed"));
    QVERIFY(model->lastError().isEmpty());
}

void TestGridModel::displayAndEditRoles()
{
    m_db->exec("INSERT INTO GRID_ROW (ID, UNIQUE_UUID, CODE, NAME, AMOUNT, TAKEN, STAMP, FLAG, NOTES) "
               "VALUES (1, 'U1', 'C1', '', 2.5, DATE '2024-02-29', TIMESTAMP '2024-07-02 19:15:30', TRUE, 'a note')");
    m_db->exec("INSERT INTO GRID_ROW (ID, UNIQUE_UUID, FLAG) VALUES (2, 'U2', FALSE)");
    auto model = list();
    model->setHeaderCaption("taken", "Date sample taken");
    model->open();

    const auto cell = [&](int row, const char *column, int role) {
        return model->data(model->index(row, model->columnIndex(column)), role);
    };
    QCOMPARE(cell(0, "TAKEN", Qt::DisplayRole).toString(), QStringLiteral("29/02/2024"));
    QCOMPARE(cell(0, "TAKEN", Qt::EditRole).toDate(), QDate(2024, 2, 29));
    QCOMPARE(cell(0, "AMOUNT", Qt::DisplayRole).toString(), QStringLiteral("2.50"));
    QCOMPARE(cell(0, "AMOUNT", Qt::EditRole).toString(), QStringLiteral("2.50"));
    QCOMPARE(cell(0, "STAMP", Qt::DisplayRole).toString(), QStringLiteral("02/07/2024 19:15:30"));
    QCOMPARE(cell(0, "STAMP", Qt::EditRole).toDateTime().time(), QTime(19, 15, 30));
    QCOMPARE(cell(0, "FLAG", Qt::DisplayRole).toString(), QStringLiteral("T"));
    QCOMPARE(cell(1, "FLAG", Qt::DisplayRole).toString(), QStringLiteral("F"));
    QCOMPARE(cell(1, "FLAG", Qt::EditRole), QVariant(false));
    QCOMPARE(cell(0, "NOTES", Qt::DisplayRole).toString(), QStringLiteral("a note"));
    QCOMPARE(cell(0, "ID", Qt::EditRole), QVariant::fromValue<qint64>(1));
    // Empty text and NULL look alike in a list but stay apart as values.
    QCOMPARE(cell(0, "NAME", Qt::DisplayRole).toString(), QString());
    QVERIFY(cell(0, "NAME", Qt::EditRole).isValid());
    QCOMPARE(cell(1, "NAME", Qt::DisplayRole).toString(), QString());
    QVERIFY(!cell(1, "NAME", Qt::EditRole).isValid());

    QCOMPARE(model->headerData(model->columnIndex("TAKEN"), Qt::Horizontal).toString(),
             QStringLiteral("Date sample taken"));
    QCOMPARE(model->headerData(model->columnIndex("CODE"), Qt::Horizontal).toString(), QStringLiteral("CODE"));
    QCOMPARE(model->field(model->columnIndex("AMOUNT")).type, FieldType::Decimal);
}

void TestGridModel::failuresAreReported()
{
    for (int i = 1; i <= 30; ++i)
        addRow(i, QStringLiteral("C%1").arg(i), QStringLiteral("N%1").arg(i));

    auto model = std::make_unique<GridModel>(m_db->db(), ListSql + QStringLiteral(" WHERE ID > :lowest"),
                                             QStringLiteral("ID"));
    QCOMPARE(failureOf([&] { model->open(); }), QStringLiteral("The parameter 'lowest' of the list has no value."));
    QVERIFY(!model->isOpen());
    model->setParam(":LOWEST", 0);
    QCOMPARE(failureOf([&] { model->setKeyColumn("ID; --"); }).contains("ID; --"), true);
    GridModel keyless(m_db->db(), ListSql, QStringLiteral("SERIAL"));
    QCOMPARE(failureOf([&] { keyless.open(); }), QStringLiteral("Cannot open the list: it has no key column SERIAL."));

    model->setPageSize(10);
    model->open();
    QCOMPARE(failureOf([&] { model->setSql(ListSql); }), QStringLiteral("The SQL of an open list cannot be changed."));

    // A page that cannot be read is reported, not thrown at the view; the rows shown stay.
    QSignalSpy failed(model.get(), &GridModel::loadFailed);
    m_db->db().close();
    model->fetchMore(QModelIndex());
    QCOMPARE(failed.count(), 1);
    QVERIFY(!model->lastError().isEmpty());
    QCOMPARE(model->rowCount(), 10);
    QVERIFY(!model->canFetchMore(QModelIndex()));
    model->sort(0);
    QCOMPARE(failed.count(), 2);
    QCOMPARE(model->rowCount(), 10);
}

QTEST_GUILESS_MAIN(TestGridModel)
#include "tst_gridmodel.moc"
