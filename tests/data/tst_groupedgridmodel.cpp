// The grouped list: groups in order, each read a page at a time only when asked, the counts from
// one aggregate off the GUI thread, and reading again without losing what was read.
#include "data/GroupedGridModel.h"
#include "support/TestDatabase.h"
#include "base/VarnexError.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

const QString ListSql = QStringLiteral("SELECT ID, OWNER, NAME, STATE, NOTES FROM GROUPED_ROW WHERE STATE IS DISTINCT FROM :GONE");

QStringList groupValues(const GroupedGridModel &m)
{
    QStringList values;
    for (int g = 0; g < m.groupCount(); ++g)
        values << (m.groupValue(g).isValid() ? m.groupValue(g).toString() : QStringLiteral("<null>"));
    return values;
}

QList<qint64> groupCounts(const GroupedGridModel &m)
{
    QList<qint64> counts;
    for (int g = 0; g < m.groupCount(); ++g)
        counts << m.groupRowCount(g);
    return counts;
}

// The keys read under a group.
QList<qint64> keysOf(const GroupedGridModel &m, int group)
{
    QList<qint64> keys;
    for (int r = 0; r < m.rowsRead(group); ++r)
        keys << m.keyOf(m.index(r, 0, m.groupIndex(group))).toLongLong();
    return keys;
}

} // namespace

class TestGroupedGridModel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstGroupAtOnceTheRestWithTheCounts();
    void groupsReadOnlyWhenAskedAPageAtATime();
    void valuesAreBoundAndGroupsFollowTheFilter();
    void anEmptyListIsCountedAtOnce();
    void sortWithinGroupsAndReadColumnsInGridOrder();
    void refreshKeepsWhatWasReadAndRecounts();
    void locateKeyReadsItsGroupUpToIt();
    void aFailingCountIsReported();
    void aRenumberedRowKeepsItsKey();
    void aGroupReadFromItsEnd();

private:
    void addRow(qint64 id, const QVariant &owner, const QString &name, const QString &state = QStringLiteral("ON"));
    std::unique_ptr<GroupedGridModel> list(int pageSize = 50);

    std::unique_ptr<TestDatabase> m_db;
};

void TestGroupedGridModel::init()
{
    m_db = std::make_unique<TestDatabase>();
    QVERIFY2(m_db->isValid(), qPrintable(m_db->errorText()));
    m_db->exec("CREATE TABLE GROUPED_ROW (ID BIGINT NOT NULL PRIMARY KEY, OWNER VARCHAR(40), NAME VARCHAR(40), "
               "STATE VARCHAR(10), NOTES BLOB SUB_TYPE TEXT)");
    m_db->exec("CREATE INDEX GROUPED_ROW_OWNER ON GROUPED_ROW (OWNER)");
}

void TestGroupedGridModel::cleanup()
{
    m_db.reset();
}

void TestGroupedGridModel::addRow(qint64 id, const QVariant &owner, const QString &name, const QString &state)
{
    m_db->exec("INSERT INTO GROUPED_ROW (ID, OWNER, NAME, STATE) VALUES (?, ?, ?, ?)", {id, owner, name, state});
}

std::unique_ptr<GroupedGridModel> TestGroupedGridModel::list(int pageSize)
{
    auto m = std::make_unique<GroupedGridModel>();
    m->setDatabase(m_db->db());
    m->setSql(ListSql);
    m->setKeyColumn(QStringLiteral("ID"));
    m->setGroupColumn(QStringLiteral("OWNER"));
    m->setParam(QStringLiteral("GONE"), QStringLiteral("GONE"));
    m->setPageSize(pageSize);
    m->setHeaderCaption(QStringLiteral("OWNER"), QStringLiteral("Owner"));
    m->setCountCaption(QStringLiteral("Rows: "));
    return m;
}

void TestGroupedGridModel::firstGroupAtOnceTheRestWithTheCounts()
{
    addRow(1, QStringLiteral("Bea"), QStringLiteral("b1"));
    addRow(2, QStringLiteral("Al"), QStringLiteral("a1"));
    addRow(3, QVariant(), QStringLiteral("n1"));
    addRow(4, QStringLiteral("Al"), QStringLiteral("a2"));
    addRow(5, QStringLiteral(""), QStringLiteral("e1")); // empty is a value of its own, not NULL
    addRow(6, QStringLiteral("Bea"), QStringLiteral("gone"), QStringLiteral("GONE"));
    auto m = list();
    QSignalSpy counted(m.get(), &GroupedGridModel::countsChanged);
    m->open();
    // The first group in the group order (NULL first) and its rows, nothing else yet.
    QCOMPARE(groupValues(*m), QStringList{QStringLiteral("<null>")});
    QCOMPARE(keysOf(*m, 0), QList<qint64>{3});
    QVERIFY(!m->countsKnown());
    QCOMPARE(m->data(m->groupIndex(0)).toString(), QStringLiteral("Owner: "));

    QVERIFY(counted.wait(10000));
    QCOMPARE(groupValues(*m), (QStringList{"<null>", "", "Al", "Bea"}));
    QCOMPARE(groupCounts(*m), (QList<qint64>{1, 1, 2, 1}));
    QCOMPARE(m->totalCount(), 5);
    QCOMPARE(m->data(m->groupIndex(2)).toString(), QStringLiteral("Owner: Al  (Rows: 2)"));
    // The first group kept its rows; the others read nothing.
    QCOMPARE(keysOf(*m, 0), QList<qint64>{3});
    QCOMPARE(m->rowsRead(2), 0);
    QVERIFY(m->isGroupRow(m->groupIndex(1)));
    QVERIFY(!(m->flags(m->groupIndex(1)) & Qt::ItemIsSelectable));
}

void TestGroupedGridModel::groupsReadOnlyWhenAskedAPageAtATime()
{
    for (int i = 1; i <= 5; ++i)
        addRow(i, QStringLiteral("Al"), QStringLiteral("a%1").arg(i));
    for (int i = 6; i <= 8; ++i)
        addRow(i, QStringLiteral("Bea"), QStringLiteral("b%1").arg(i));
    auto m = list(2);
    QSignalSpy counted(m.get(), &GroupedGridModel::countsChanged);
    m->open();
    QCOMPARE(keysOf(*m, 0), (QList<qint64>{1, 2}));
    QVERIFY(counted.wait(10000));
    QCOMPARE(m->canFetchMore(m->groupIndex(1)), false); // views never read a group by themselves
    QVERIFY(m->canFetchGroup(1));
    QCOMPARE(m->rowsRead(1), 0);
    QSignalSpy inserted(m.get(), &QAbstractItemModel::rowsInserted);
    m->fetchGroup(1);
    QCOMPARE(keysOf(*m, 1), (QList<qint64>{6, 7}));
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted.at(0).at(0).value<QModelIndex>(), m->groupIndex(1));
    m->fetchGroup(1);
    QCOMPARE(keysOf(*m, 1), (QList<qint64>{6, 7, 8}));
    QVERIFY(!m->canFetchGroup(1));
    m->fetchGroup(0);
    m->fetchGroup(0);
    QCOMPARE(keysOf(*m, 0), (QList<qint64>{1, 2, 3, 4, 5}));
    QVERIFY(!m->canFetchGroup(0));
    QCOMPARE(m->value(m->index(4, 0, m->groupIndex(0)), QStringLiteral("NAME")).toString(), QStringLiteral("a5"));
    QCOMPARE(m->parent(m->index(1, 0, m->groupIndex(1))), m->groupIndex(1));
}

void TestGroupedGridModel::valuesAreBoundAndGroupsFollowTheFilter()
{
    const QString tricky = QStringLiteral("O'Hara's ''best'' -- x");
    addRow(1, tricky, QStringLiteral("t1"));
    addRow(2, tricky, QStringLiteral("t2"), QStringLiteral("OFF"));
    addRow(3, QStringLiteral("O'Hara"), QStringLiteral("t3"));
    auto m = list();
    QSignalSpy counted(m.get(), &GroupedGridModel::countsChanged);
    m->setFilter({{QStringLiteral("STATE"), GridCondition::Equal, QStringLiteral("ON")}});
    m->open();
    QVERIFY(counted.wait(10000));
    QCOMPARE(groupValues(*m), (QStringList{"O'Hara", tricky}));
    m->fetchGroup(1);
    QCOMPARE(keysOf(*m, 1), QList<qint64>{1});

    m->setFilter({{QStringLiteral("OWNER"), GridCondition::Equal, tricky}});
    m->open();
    QVERIFY(counted.wait(10000));
    QCOMPARE(groupValues(*m), QStringList{tricky});
    QCOMPARE(keysOf(*m, 0), (QList<qint64>{1, 2}));
    QCOMPARE(m->totalCount(), 2);

    // A filter that names the group's value: a value no row has makes an empty list at once; a
    // value the store matches with trailing blanks gives the group the value its rows hold, so
    // the counts keep it and its rows.
    m->setFilter({{QStringLiteral("OWNER"), GridCondition::Equal, QStringLiteral("Nobody")}});
    m->open();
    QCOMPARE(m->groupCount(), 0);
    QCOMPARE(m->totalCount(), 0);
    m->setFilter({{QStringLiteral("OWNER"), GridCondition::Equal, QStringLiteral("O'Hara  ")}});
    m->open();
    QCOMPARE(m->groupValue(0).toString(), QStringLiteral("O'Hara"));
    QCOMPARE(keysOf(*m, 0), QList<qint64>{3});
    QSignalSpy inserted(m.get(), &QAbstractItemModel::rowsInserted);
    QVERIFY(counted.wait(10000));
    QCOMPARE(groupValues(*m), QStringList{"O'Hara"});
    QCOMPARE(m->totalCount(), 1);
    QCOMPARE(keysOf(*m, 0), QList<qint64>{3});
    QVERIFY(inserted.isEmpty());
}

void TestGroupedGridModel::anEmptyListIsCountedAtOnce()
{
    auto m = list();
    QSignalSpy counted(m.get(), &GroupedGridModel::countsChanged);
    m->open();
    QVERIFY(m->isOpen());
    QCOMPARE(m->groupCount(), 0);
    QCOMPARE(m->totalCount(), 0);
    QCOMPARE(counted.size(), 1);
    QVERIFY(m->readColumns({QStringLiteral("ID")}).rowCount() == 0);
}

void TestGroupedGridModel::sortWithinGroupsAndReadColumnsInGridOrder()
{
    addRow(1, QStringLiteral("Bea"), QStringLiteral("x"));
    addRow(2, QStringLiteral("Al"), QStringLiteral("z"));
    addRow(3, QStringLiteral("Al"), QStringLiteral("y"));
    addRow(4, QStringLiteral("Bea"), QStringLiteral("w"));
    auto m = list();
    QSignalSpy counted(m.get(), &GroupedGridModel::countsChanged);
    m->open();
    QVERIFY(counted.wait(10000));
    m->fetchGroup(1);
    QSignalSpy reread(m.get(), &GroupedGridModel::reread);
    m->sort(m->columnIndex(QStringLiteral("NAME")), Qt::AscendingOrder);
    QCOMPARE(reread.size(), 1);
    QCOMPARE(keysOf(*m, 0), (QList<qint64>{3, 2}));
    QCOMPARE(keysOf(*m, 1), (QList<qint64>{4, 1}));
    const DataTable rows = m->readColumns({QStringLiteral("ID"), QStringLiteral("NAME")});
    QList<qint64> ids;
    for (int r = 0; r < rows.rowCount(); ++r)
        ids << rows.value(r, 0).toLongLong();
    QCOMPARE(ids, (QList<qint64>{3, 2, 4, 1}));
    QCOMPARE(rows.fieldCount(), 2);

    // A blob cannot order a list: refused, the order stays.
    QSignalSpy failed(m.get(), &GroupedGridModel::loadFailed);
    m->sort(m->columnIndex(QStringLiteral("NOTES")));
    QCOMPARE(failed.size(), 1);
    QCOMPARE(keysOf(*m, 0), (QList<qint64>{3, 2}));
    QVERIFY_THROWS_EXCEPTION(VarnexError, m->setSort({{QStringLiteral("NO_SUCH"), Qt::AscendingOrder}}));
}

void TestGroupedGridModel::refreshKeepsWhatWasReadAndRecounts()
{
    for (int i = 1; i <= 6; ++i)
        addRow(i, QStringLiteral("Al"), QStringLiteral("a%1").arg(i));
    addRow(7, QStringLiteral("Cy"), QStringLiteral("c"));
    auto m = list(2);
    QSignalSpy counted(m.get(), &GroupedGridModel::countsChanged);
    m->open();
    m->fetchGroup(0);
    QCOMPARE(m->rowsRead(0), 4);
    QVERIFY(counted.wait(10000));

    m_db->exec("UPDATE GROUPED_ROW SET STATE = 'GONE' WHERE ID = 2");
    m_db->exec("UPDATE GROUPED_ROW SET OWNER = 'Bo' WHERE ID = 7");
    const QModelIndex kept = m->refresh(QVariant(qint64(3)));
    QVERIFY(kept.isValid());
    QCOMPARE(m->keyOf(kept).toLongLong(), 3);
    // At least as many rows as before, the gone one left out.
    QCOMPARE(keysOf(*m, 0), (QList<qint64>{1, 3, 4, 5}));
    QVERIFY(counted.wait(10000));
    QCOMPARE(groupValues(*m), (QStringList{"Al", "Bo"}));
    QCOMPARE(groupCounts(*m), (QList<qint64>{5, 1}));
    QCOMPARE(m->totalCount(), 6);
    QVERIFY(!m->refresh(QVariant(qint64(2))).isValid());
}

void TestGroupedGridModel::locateKeyReadsItsGroupUpToIt()
{
    for (int i = 1; i <= 9; ++i)
        addRow(i, i <= 3 ? QStringLiteral("Al") : QStringLiteral("Zed"), QStringLiteral("n%1").arg(i));
    auto m = list(2);
    m->open();
    // Before the counts: the key's group is brought in, read up to the key.
    const QModelIndex at = m->locateKey(QVariant(qint64(7)));
    QVERIFY(at.isValid());
    QCOMPARE(m->keyOf(at).toLongLong(), 7);
    QCOMPARE(groupValues(*m), (QStringList{"Al", "Zed"}));
    QCOMPARE(keysOf(*m, 1), (QList<qint64>{4, 5, 6, 7}));
    QSignalSpy counted(m.get(), &GroupedGridModel::countsChanged);
    QVERIFY(counted.wait(10000));
    QCOMPARE(groupValues(*m), (QStringList{"Al", "Zed"}));
    QCOMPARE(keysOf(*m, 1), (QList<qint64>{4, 5, 6, 7}));
    QVERIFY(!m->locateKey(QVariant(qint64(99))).isValid());
}

void TestGroupedGridModel::aFailingCountIsReported()
{
    addRow(1, QStringLiteral("Al"), QStringLiteral("a"));
    addRow(2, QStringLiteral("Bea"), QStringLiteral("b"));
    // A column that only row 2 cannot compute: the first group reads, counting every row fails.
    auto m = list();
    m->setSql(QStringLiteral("SELECT ID, OWNER, NAME, STATE, 1 / (ID - 2) AS BAD FROM GROUPED_ROW"));
    m->setFilter({{QStringLiteral("BAD"), GridCondition::GreaterOrEqual, -100}});
    QSignalSpy failed(m.get(), &GroupedGridModel::loadFailed);
    m->open();
    QCOMPARE(keysOf(*m, 0), QList<qint64>{1});
    QVERIFY(failed.wait(10000));
    QVERIFY2(failed.at(0).at(0).toString().startsWith(QStringLiteral("The rows of the list could not be counted: ")),
             qPrintable(failed.at(0).at(0).toString()));
    // What was read stays; the counts stay unknown.
    QCOMPARE(groupValues(*m), QStringList{QStringLiteral("Al")});
    QVERIFY(!m->countsKnown());
}

// Rows known by a column that never changes and ordered by a number that may (a local row given
// its server id): read again, the row is found where the number now puts it.
void TestGroupedGridModel::aRenumberedRowKeepsItsKey()
{
    for (int i = 1; i <= 5; ++i)
        addRow(-i, QStringLiteral("Al"), QStringLiteral("n%1").arg(i));
    auto m = list(2);
    m->setKeyColumn(QStringLiteral("NAME"));
    m->setOrderKeyColumn(QStringLiteral("ID"));
    m->open();
    QCOMPARE(m->keyOf(m->index(1, 0, m->groupIndex(0))).toString(), QStringLiteral("n4"));
    m_db->exec("UPDATE GROUPED_ROW SET ID = 100 WHERE NAME = 'n4'");
    const QModelIndex kept = m->refresh(QStringLiteral("n4"));
    QVERIFY(kept.isValid());
    QCOMPARE(m->keyOf(kept).toString(), QStringLiteral("n4"));
    QCOMPARE(m->value(kept, QStringLiteral("ID")).toLongLong(), 100);
    QCOMPARE(kept.row(), 4); // last in the order of the numbers
    QCOMPARE(m->indexOfKey(QStringLiteral("n5")).row(), 0);
    QVERIFY(!m->locateKey(QStringLiteral("n9")).isValid());
}

// The last row of the list at once: the last group, brought in before the counts, read from its
// end; the rows above come a page at a time, and the first group reads from its start again.
void TestGroupedGridModel::aGroupReadFromItsEnd()
{
    for (int i = 1; i <= 7; ++i)
        addRow(i, i <= 2 ? QStringLiteral("Al") : QStringLiteral("Zed"), QStringLiteral("n%1").arg(i));
    auto m = list(2);
    QSignalSpy counted(m.get(), &GroupedGridModel::countsChanged);
    m->open();
    const int last = m->lastGroup();
    QCOMPARE(m->groupValue(last).toString(), QStringLiteral("Zed"));
    QCOMPARE(m->keyOf(m->toGroupEnd(last)).toLongLong(), 7);
    QCOMPARE(keysOf(*m, last), (QList<qint64>{6, 7}));
    QVERIFY(m->canFetchGroupBefore(last));
    m->fetchGroupBefore(last);
    QCOMPARE(keysOf(*m, last), (QList<qint64>{4, 5, 6, 7}));
    m->fetchGroupBefore(last);
    QCOMPARE(keysOf(*m, last), (QList<qint64>{3, 4, 5, 6, 7}));
    QVERIFY(!m->canFetchGroupBefore(last));
    QCOMPARE(m->keyOf(m->toGroupStart(0)).toLongLong(), 1);
    QVERIFY(counted.wait(10000));
    QCOMPARE(groupValues(*m), (QStringList{"Al", "Zed"}));
    QCOMPARE(m->lastGroup(), 1);
    QCOMPARE(keysOf(*m, 1), (QList<qint64>{3, 4, 5, 6, 7}));
}

QTEST_GUILESS_MAIN(TestGroupedGridModel)
#include "tst_groupedgridmodel.moc"
