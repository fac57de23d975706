#include "data/DataSet.h"
#include "support/TestDatabase.h"
#include "base/VarnexError.h"
#include "store/SqlUtil.h"
#include "Failure.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>
#include <QScopeGuard>
#include <QTimeZone>

#include <memory>

namespace {

const char *OfficerSql = "SELECT ID, UPDATE_ID, UNIQUE_UUID, CODE, NAME, TELEPHONE_NO, FLAG_FOOD, NAME_AND_TELEPHONE, "
                         "NAME_MAPPINGS FROM SAMPLE_OFFICER WHERE FLAG_DELETED = 'F' ORDER BY CODE";

} // namespace

class TestDataSet : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void insertReadsBackTriggerValues();
    void editPostCancelRoundTrip();
    void beforePostRefusalKeepsEdits();
    void databaseFailureKeepsInsert();
    void updateOfVanishedRowFails();
    void nullDistinctFromEmpty_data();
    void nullDistinctFromEmpty();
    void parametersAreBound();
    void refusals_data();
    void refusals();
    void valueConversion();
    void wideRowWithTextBlobs();
    void postInsideCallersTransaction();
    void writeWrappedInOwnUnit();
    void textLongerThanItsColumnRefused();
    void navigationAndRefresh();
    void deleteRemovesRow();
    void signalsFollowState();
    void newRowWhileUnchangedNewRow_data();
    void newRowWhileUnchangedNewRow();
    void timestampsFromOtherZonesKeepTheirMoment_data();
    void timestampsFromOtherZonesKeepTheirMoment();

private:
    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<SqlDataSet> officers();
    void addOfficer(const QString &code, const QString &name);
};

void TestDataSet::init()
{
    m_db = std::make_unique<TestDatabase>();
    QVERIFY2(m_db->isValid(), qPrintable(m_db->errorText()));
    m_db->exec("DELETE FROM SAMPLE_OFFICER");
    addOfficer("B", "Bea");
    addOfficer("D", "Dan");
}

void TestDataSet::cleanup()
{
    m_db.reset();
}

void TestDataSet::addOfficer(const QString &code, const QString &name)
{
    m_db->exec("INSERT INTO SAMPLE_OFFICER (UNIQUE_UUID, CODE, NAME) VALUES (?, ?, ?)", {newUuid(), code, name});
}

std::unique_ptr<SqlDataSet> TestDataSet::officers()
{
    auto ds = std::make_unique<SqlDataSet>(m_db->db(), QString::fromLatin1(OfficerSql));
    ds->setUpdateTable("SAMPLE_OFFICER", {"ID"});
    ds->open();
    return ds;
}

void TestDataSet::insertReadsBackTriggerValues()
{
    auto ds = officers();
    const QString uuid = newUuid();
    ds->onNewRecord = [&](SqlDataSet &d) { d.setValue("unique_uuid", uuid); };
    ds->append();
    QCOMPARE(ds->state(), SqlDataSet::dsInsert);
    QCOMPARE(ds->value("UNIQUE_UUID").toString(), uuid);
    QVERIFY(ds->isNull("ID"));
    ds->setValue("CODE", "C");
    ds->setValue("NAME", "Cy");
    ds->setValue("TELEPHONE_NO", "123");
    ds->post();

    QCOMPARE(ds->state(), SqlDataSet::dsBrowse);
    QCOMPARE(ds->recordCount(), 3);
    QVERIFY2(ds->value("ID").toLongLong() < 0, "the trigger's negative id is read back");
    QCOMPARE(ds->value("UPDATE_ID"), ds->value("ID"));
    // The domain default and the computed column come from the database.
    QCOMPARE(ds->text("FLAG_FOOD"), QString("F"));
    QCOMPARE(ds->text("NAME_AND_TELEPHONE"), QString("Cy (123)"));
    QCOMPARE(m_db->scalar("SELECT NAME FROM SAMPLE_OFFICER WHERE ID = ?", {ds->value("ID")}).toString(), QString("Cy"));
}

void TestDataSet::editPostCancelRoundTrip()
{
    auto ds = officers();
    QVERIFY(ds->locate("CODE", "D"));
    const QVariant id = ds->value("ID");
    const qint64 updateBefore = ds->value("UPDATE_ID").toLongLong();

    ds->edit();
    ds->setValue("NAME", "Daniel");
    QVERIFY(ds->isModified("name"));
    ds->cancel();
    QCOMPARE(ds->text("NAME"), QString("Dan"));
    QCOMPARE(ds->state(), SqlDataSet::dsBrowse);

    ds->edit();
    ds->setValue("NAME", "Daniel");
    ds->post();
    QCOMPARE(ds->text("NAME"), QString("Daniel"));
    QCOMPARE(m_db->scalar("SELECT NAME FROM SAMPLE_OFFICER WHERE ID = ?", {id}).toString(), QString("Daniel"));
    QVERIFY2(ds->value("UPDATE_ID").toLongLong() < updateBefore, "the trigger's new change number is read back");
    // Only the changed column is written: the other row is untouched.
    QCOMPARE(m_db->scalar("SELECT NAME FROM SAMPLE_OFFICER WHERE CODE = 'B'").toString(), QString("Bea"));
}

void TestDataSet::beforePostRefusalKeepsEdits()
{
    auto ds = officers();
    int calls = 0;
    ds->beforePost = [&](SqlDataSet &d) {
        ++calls;
        if (d.text("NAME").isEmpty())
            throw VarnexError("A name is required.");
    };
    ds->edit();
    ds->setValue("NAME", QVariant());
    ds->setValue("TELEPHONE_NO", "555");
    QCOMPARE(failureOf([&] { ds->post(); }), QString("A name is required."));
    QCOMPARE(ds->state(), SqlDataSet::dsEdit);
    QVERIFY(ds->isNull("NAME"));
    QCOMPARE(ds->text("TELEPHONE_NO"), QString("555"));
    QVERIFY(m_db->scalar("SELECT TELEPHONE_NO FROM SAMPLE_OFFICER WHERE CODE = 'B'").isNull());

    ds->setValue("NAME", "Beatrice");
    ds->post();
    QCOMPARE(calls, 2);
    QCOMPARE(m_db->scalar("SELECT NAME || TELEPHONE_NO FROM SAMPLE_OFFICER WHERE CODE = 'B'").toString(),
             QString("Beatrice555"));
}

void TestDataSet::databaseFailureKeepsInsert()
{
    // UNIQUE_UUID is NOT NULL in the table and nothing sets it here.
    auto ds = officers();
    ds->append();
    ds->setValue("NAME", "Nobody");
    const QString message = failureOf([&] { ds->post(); });
    QVERIFY2(message != "no error", "the database's refusal reaches the caller");
    QCOMPARE(ds->state(), SqlDataSet::dsInsert);
    QCOMPARE(ds->text("NAME"), QString("Nobody"));
    ds->setValue("UNIQUE_UUID", newUuid());
    ds->post();
    QCOMPARE(m_db->scalar("SELECT COUNT(*) FROM SAMPLE_OFFICER").toInt(), 3);

    // A required column is checked before anything is written.
    ds->setRequiredFields({"CODE"});
    ds->append();
    ds->setValue("UNIQUE_UUID", newUuid());
    ds->setValue("CODE", "");
    QCOMPARE(failureOf([&] { ds->post(); }), QString("Field 'CODE' must have a value"));
    QCOMPARE(ds->state(), SqlDataSet::dsInsert);
    QCOMPARE(m_db->scalar("SELECT COUNT(*) FROM SAMPLE_OFFICER").toInt(), 3);
}

void TestDataSet::updateOfVanishedRowFails()
{
    auto ds = officers();
    ds->edit();
    ds->setValue("NAME", "Gone");
    m_db->exec("DELETE FROM SAMPLE_OFFICER WHERE CODE = 'B'");
    QVERIFY(failureOf([&] { ds->post(); }).contains("not found"));
    QCOMPARE(ds->state(), SqlDataSet::dsEdit);
    QCOMPARE(ds->text("NAME"), QString("Gone"));
}

void TestDataSet::nullDistinctFromEmpty_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("storedNull");
    QTest::addColumn<QString>("storedText");

    QTest::newRow("invalid variant") << QVariant() << true << QString();
    QTest::newRow("null string variant") << QVariant(QMetaType(QMetaType::QString)) << true << QString();
    QTest::newRow("empty text") << QVariant(QString("")) << false << QString("");
    QTest::newRow("default QString is empty text") << QVariant(QString()) << false << QString("");
    QTest::newRow("blank") << QVariant(QString(" ")) << false << QString(" ");
    QTest::newRow("text") << QVariant(QString("x")) << false << QString("x");
}

void TestDataSet::nullDistinctFromEmpty()
{
    QFETCH(QVariant, value);
    QFETCH(bool, storedNull);
    QFETCH(QString, storedText);

    auto ds = officers();
    ds->edit();
    ds->setValue("TELEPHONE_NO", "old");
    ds->setValue("NAME_MAPPINGS", "old");
    ds->post();
    ds->edit();
    ds->setValue("TELEPHONE_NO", value);
    ds->setValue("NAME_MAPPINGS", value);
    QCOMPARE(ds->isNull("TELEPHONE_NO"), storedNull);
    ds->post();

    QCOMPARE(ds->isNull("TELEPHONE_NO"), storedNull);
    QSqlQuery q(m_db->db());
    QVERIFY(q.exec("SELECT TELEPHONE_NO, NAME_MAPPINGS FROM SAMPLE_OFFICER WHERE CODE = 'B'"));
    QVERIFY(q.next());
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(q.isNull(i), storedNull);
        QCOMPARE(q.value(i).toString(), storedText);
    }
    // And the same again after reading the rows anew.
    ds->refresh();
    QCOMPARE(ds->isNull("NAME_MAPPINGS"), storedNull);
    QCOMPARE(ds->text("NAME_MAPPINGS"), storedText);
}

void TestDataSet::parametersAreBound()
{
    m_db->exec("UPDATE SAMPLE_OFFICER SET NAME = ? WHERE CODE = 'D'", {QString("O'Brien -- ; :x")});
    SqlDataSet ds(m_db->db(),
                  "SELECT CODE, NAME FROM SAMPLE_OFFICER /* :notAParam */ WHERE NAME = :Name AND CODE <> ':skip' AND NAME = :name");
    QCOMPARE(ds.paramNames(), QStringList({"Name"}));
    QCOMPARE(failureOf([&] { ds.open(); }), QString("The parameter 'Name' of the dataset has no value."));
    QVERIFY(!ds.isActive());

    ds.beforeOpen = [](SqlDataSet &d) { d.setParam("NAME", QString("O'Brien -- ; :x")); };
    ds.open();
    QCOMPARE(ds.recordCount(), 1);
    QCOMPARE(ds.text("code"), QString("D"));
    QCOMPARE(m_db->scalar("SELECT COUNT(*) FROM SAMPLE_OFFICER").toInt(), 2);

    // A value that looks like SQL finds nothing and breaks nothing.
    ds.close();
    ds.beforeOpen = nullptr;
    ds.setParam(":name", QString("x' OR '1'='1"));
    ds.open();
    QCOMPARE(ds.recordCount(), 0);
    QCOMPARE(ds.recNo(), -1);
}

void TestDataSet::refusals_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("message");

    QTest::newRow("read-only") << true << "SAMPLE_OFFICER" << "The data is read-only and cannot be changed.";
    QTest::newRow("no update table") << false << ""
                                     << "The data cannot be changed: no table to write to was given.";
}

void TestDataSet::refusals()
{
    QFETCH(bool, readOnly);
    QFETCH(QString, table);
    QFETCH(QString, message);

    SqlDataSet ds(m_db->db(), QString::fromLatin1(OfficerSql));
    if (!table.isEmpty())
        ds.setUpdateTable(table, {"ID"});
    ds.setReadOnly(readOnly);
    ds.open();
    QVERIFY(!ds.canModify());
    QCOMPARE(failureOf([&] { ds.edit(); }), message);
    QCOMPARE(failureOf([&] { ds.append(); }), message);
    QCOMPARE(failureOf([&] { ds.insert(); }), message);
    QCOMPARE(failureOf([&] { ds.deleteRecord(); }), message);
    QCOMPARE(failureOf([&] { ds.setValue("NAME", "x"); }), SqlDataSet::notEditingMessage());
    QCOMPARE(ds.state(), SqlDataSet::dsBrowse);
    QCOMPARE(m_db->scalar("SELECT COUNT(*) FROM SAMPLE_OFFICER").toInt(), 2);
}

void TestDataSet::valueConversion()
{
    auto ds = officers();
    QCOMPARE(failureOf([&] { ds->value("NO_SUCH"); }), QString("Field 'NO_SUCH' not found"));
    ds->edit();
    QCOMPARE(failureOf([&] { ds->setValue("NAME_AND_TELEPHONE", "x"); }),
             QString("Field 'NAME_AND_TELEPHONE' cannot be modified"));
    QCOMPARE(failureOf([&] { ds->setValue("ID", "abc"); }), QString("'abc' is not a valid value for field 'ID'"));
    ds->setValue("ID", "");
    QVERIFY(ds->isNull("ID"));
    ds->setValue("ID", "-77");
    QCOMPARE(ds->value("ID").metaType().id(), QMetaType::LongLong);
    QCOMPARE(ds->value("ID").toLongLong(), -77LL);
    ds->cancel();

    // Setup errors name what was wrong.
    SqlDataSet bad(m_db->db(), QString::fromLatin1(OfficerSql));
    QCOMPARE(failureOf([&] { bad.setUpdateTable("SAMPLE_OFFICER; DROP", {"ID"}); }),
             QString("Invalid table name 'SAMPLE_OFFICER; DROP'."));
    bad.setUpdateTable("NO_SUCH_TABLE", {"ID"});
    QCOMPARE(failureOf([&] { bad.open(); }), QString("The table NO_SUCH_TABLE does not exist."));
    bad.setUpdateTable("SAMPLE_OFFICER", {"LOGIN_PASSWORD"});
    QVERIFY(failureOf([&] { bad.open(); }).startsWith("The key column LOGIN_PASSWORD"));
}

void TestDataSet::wideRowWithTextBlobs()
{
    SqlDataSet ds(m_db->db(), "SELECT * FROM SAMPLE WHERE UNIQUE_UUID = :uuid");
    ds.setUpdateTable("SAMPLE", {"UNIQUE_UUID"});
    const QString uuid = newUuid();
    ds.setParam("uuid", uuid);
    ds.open();
    QVERIFY(ds.fieldCount() > 140);
    QVERIFY(ds.isEmpty());

    const QString longText = QString::fromUtf8("Blöb ✓ line\r\n").repeated(3000);
    ds.append();
    ds.setValue("UNIQUE_UUID", uuid);
    ds.setValue("CODE", "S1");
    ds.setValue("ANALYSIS_TEXT", longText);
    ds.setValue("SAMPLE_COMMENTS", QString(""));
    ds.setValue("RECORDED_DATE", QDate(2024, 2, 29));
    ds.post();
    QVERIFY(ds.value("ID").toLongLong() < 0);
    QCOMPARE(ds.value("ANALYSIS_TEXT").metaType().id(), QMetaType::QString);

    ds.close();
    ds.open();
    QCOMPARE(ds.recordCount(), 1);
    QCOMPARE(ds.text("ANALYSIS_TEXT"), longText);
    QVERIFY(!ds.isNull("SAMPLE_COMMENTS"));
    QVERIFY(ds.isNull("LABORATORY_COMMENTS"));
    QCOMPARE(ds.value("RECORDED_DATE").toDate(), QDate(2024, 2, 29));

    ds.edit();
    ds.setValue("SAMPLE_COMMENTS", "second");
    ds.post();
    QCOMPARE(m_db->scalar("SELECT SAMPLE_COMMENTS FROM SAMPLE WHERE UNIQUE_UUID = ?", {uuid}).toString(),
             QString("second"));
    QCOMPARE(QString::fromUtf8(m_db->scalar("SELECT ANALYSIS_TEXT FROM SAMPLE WHERE UNIQUE_UUID = ?", {uuid})
                                   .toByteArray()),
             longText);
}

void TestDataSet::postInsideCallersTransaction()
{
    QSqlDatabase own = m_db->openExtraConnection("form");
    QVERIFY(own.isOpen());
    SqlDataSet ds(own, QString::fromLatin1(OfficerSql));
    ds.setUpdateTable("SAMPLE_OFFICER", {"ID"});
    ds.open();

    QVERIFY(own.transaction());
    ds.append();
    ds.setValue("UNIQUE_UUID", newUuid());
    ds.setValue("CODE", "T");
    ds.post();
    QVERIFY(ds.value("ID").toLongLong() < 0);
    QCOMPARE(m_db->scalar("SELECT COUNT(*) FROM SAMPLE_OFFICER WHERE CODE = 'T'").toInt(), 0);
    QVERIFY(own.rollback());
    QCOMPARE(m_db->scalar("SELECT COUNT(*) FROM SAMPLE_OFFICER WHERE CODE = 'T'").toInt(), 0);
    // The rolled-back row is still shown until the rows are read again.
    QCOMPARE(ds.recordCount(), 3);
    ds.refresh();
    QCOMPARE(ds.recordCount(), 2);

    QVERIFY(own.transaction());
    ds.edit();
    ds.setValue("NAME", "Committed");
    ds.post();
    QVERIFY(own.commit());
    QCOMPARE(m_db->scalar("SELECT COUNT(*) FROM SAMPLE_OFFICER WHERE NAME = 'Committed'").toInt(), 1);
}

void TestDataSet::writeWrappedInOwnUnit()
{
    // Keyed on UNIQUE_UUID, without ID: a row renumbered after it was read is still the one written.
    QSqlDatabase own = m_db->openExtraConnection("form");
    SqlDataSet ds(own, "SELECT UNIQUE_UUID, CODE, NAME, TELEPHONE_NO FROM SAMPLE_OFFICER WHERE CODE = 'B'");
    ds.setUpdateTable("SAMPLE_OFFICER", {"UNIQUE_UUID"});
    ds.open();
    m_db->exec("UPDATE SAMPLE_OFFICER SET ID = 4242 WHERE CODE = 'B'");

    // The wrapper runs the write in a transaction of its own, with a last value before it; a
    // refusal after the write leaves nothing stored and the row as it was being edited.
    bool refuse = true;
    ds.aroundWrite = [&](SqlDataSet &d, const std::function<void()> &write) {
        SqlUtil::inTransaction(d.database(), [&](QSqlDatabase &) {
            d.setValue("TELEPHONE_NO", "999");
            write();
            if (refuse)
                throw VarnexError("refused");
        });
    };
    ds.edit();
    ds.setValue("NAME", "Bee");
    QSignalSpy changed(&ds, &SqlDataSet::fieldChanged);
    QCOMPARE(failureOf([&] { ds.post(); }), QString("refused"));
    QCOMPARE(ds.state(), SqlDataSet::dsEdit);
    QCOMPARE(ds.text("NAME"), QString("Bee"));
    QVERIFY2(ds.isNull("TELEPHONE_NO"), "the wrapper's value is taken back");
    QVERIFY(!ds.isModified("TELEPHONE_NO"));
    QVERIFY(changed.contains(QVariantList{"TELEPHONE_NO"}));
    QCOMPARE(m_db->scalar("SELECT NAME FROM SAMPLE_OFFICER WHERE CODE = 'B'").toString(), QString("Bea"));

    refuse = false;
    ds.post();
    QCOMPARE(ds.state(), SqlDataSet::dsBrowse);
    QCOMPARE(m_db->scalar("SELECT ID || NAME || TELEPHONE_NO FROM SAMPLE_OFFICER WHERE CODE = 'B'").toString(),
             QString("4242Bee999"));
    QCOMPARE(m_db->scalar("SELECT COUNT(*) FROM SAMPLE_OFFICER").toInt(), 2);
}

void TestDataSet::textLongerThanItsColumnRefused()
{
    auto ds = officers();
    QCOMPARE(ds->fieldMaxLength("CODE"), 30);
    QCOMPARE(ds->fieldMaxLength("name"), 150);
    QCOMPARE(ds->fieldMaxLength("ID"), 0);
    QCOMPARE(ds->fieldMaxLength("NAME_MAPPINGS"), 4000);
    ds->edit();
    // Counted in characters, not bytes.
    ds->setValue("CODE", QString(30, QChar(0x00E9)));
    QCOMPARE(failureOf([&] { ds->setValue("CODE", QString(31, QLatin1Char('x'))); }),
             QString("'%1' is too long for field 'CODE', which holds at most 30 characters").arg(QString(31, QLatin1Char('x'))));
    QCOMPARE(ds->text("CODE"), QString(30, QChar(0x00E9)));
    ds->post();
    QCOMPARE(m_db->scalar("SELECT CODE FROM SAMPLE_OFFICER WHERE NAME = 'Bea'").toString(), QString(30, QChar(0x00E9)));
}

void TestDataSet::navigationAndRefresh()
{
    addOfficer("A", "Al");
    addOfficer("C", "Cy");
    auto ds = officers();
    QCOMPARE(ds->recordCount(), 4);
    QCOMPARE(ds->text("CODE"), QString("A"));
    QVERIFY(ds->bof());
    ds->prior();
    QVERIFY(ds->bof());
    QCOMPARE(ds->recNo(), 0);
    ds->last();
    QCOMPARE(ds->text("CODE"), QString("D"));
    ds->next();
    QVERIFY(ds->eof());
    QCOMPARE(ds->recNo(), 3);
    QVERIFY(!ds->locate(QVariantMap{{"CODE", "C"}, {"NAME", "Bea"}}));
    QCOMPARE(ds->recNo(), 3);
    QVERIFY(ds->locate(QVariantMap{{"code", "C"}, {"telephone_no", QVariant()}}));
    QCOMPARE(ds->text("NAME"), QString("Cy"));

    // Another row appears before the current one: refresh keeps the current row by its key.
    addOfficer("B2", "Bo");
    ds->refresh();
    QCOMPARE(ds->recordCount(), 5);
    QCOMPARE(ds->text("CODE"), QString("C"));

    // Moving off a changed row saves it; a refresh while editing is refused.
    ds->edit();
    ds->setValue("NAME", "Cyril");
    QVERIFY(failureOf([&] { ds->refresh(); }).startsWith("Cannot refresh"));
    ds->first();
    QCOMPARE(ds->state(), SqlDataSet::dsBrowse);
    QCOMPARE(m_db->scalar("SELECT NAME FROM SAMPLE_OFFICER WHERE CODE = 'C'").toString(), QString("Cyril"));
}

void TestDataSet::deleteRemovesRow()
{
    auto ds = officers();
    ds->last();
    ds->deleteRecord();
    QCOMPARE(ds->recordCount(), 1);
    QCOMPARE(ds->text("CODE"), QString("B"));
    QCOMPARE(m_db->scalar("SELECT COUNT(*) FROM SAMPLE_OFFICER").toInt(), 1);
    // Deleting a new row only drops it.
    ds->append();
    ds->deleteRecord();
    QCOMPARE(ds->recordCount(), 1);
    QCOMPARE(ds->state(), SqlDataSet::dsBrowse);
}

void TestDataSet::signalsFollowState()
{
    SqlDataSet ds(m_db->db(), QString::fromLatin1(OfficerSql));
    ds.setUpdateTable("SAMPLE_OFFICER", {"ID"});
    QSignalSpy states(&ds, &SqlDataSet::stateChanged);
    QSignalSpy fields(&ds, &SqlDataSet::fieldChanged);
    ds.open();
    ds.edit();
    ds.setValue("NAME", "Bea"); // unchanged value: no field signal
    ds.setValue("NAME", "Bee");
    ds.cancel();
    ds.insert();
    ds.cancel();
    ds.close();
    QList<SqlDataSet::State> seen;
    for (const auto &s : states)
        seen << s.at(0).value<SqlDataSet::State>();
    QCOMPARE(seen, (QList<SqlDataSet::State>{SqlDataSet::dsBrowse, SqlDataSet::dsEdit, SqlDataSet::dsBrowse,
                                             SqlDataSet::dsInsert, SqlDataSet::dsBrowse, SqlDataSet::dsInactive}));
    QCOMPARE(fields.size(), 1);
    QCOMPARE(fields.at(0).at(0).toString(), QString("NAME"));
}

void TestDataSet::newRowWhileUnchangedNewRow_data()
{
    QTest::addColumn<bool>("firstAppends");
    QTest::addColumn<bool>("secondAppends");
    QTest::addColumn<int>("startRow");
    QTest::addColumn<int>("expectedRow");

    QTest::newRow("append, append") << true << true << 0 << 2;
    QTest::newRow("append, insert") << true << false << 0 << 0;
    QTest::newRow("insert, append") << false << true << 1 << 2;
    QTest::newRow("insert, insert") << false << false << 1 << 1;
    QTest::newRow("append from last, append") << true << true << 1 << 2;
}

void TestDataSet::newRowWhileUnchangedNewRow()
{
    QFETCH(bool, firstAppends);
    QFETCH(bool, secondAppends);
    QFETCH(int, startRow);
    QFETCH(int, expectedRow);

    auto ds = officers();
    ds->moveTo(startRow);
    firstAppends ? ds->append() : ds->insert();
    // Nothing was entered in the first new row: it is dropped and the second takes a valid place.
    secondAppends ? ds->append() : ds->insert();
    QCOMPARE(ds->state(), SqlDataSet::dsInsert);
    QCOMPARE(ds->recordCount(), 3);
    QCOMPARE(ds->recNo(), expectedRow);
    QVERIFY(ds->isNull("CODE"));
    ds->setValue("UNIQUE_UUID", newUuid());
    ds->setValue("CODE", "N");
    ds->post();
    QCOMPARE(ds->recordCount(), 3);
    QStringList codes;
    for (ds->first(); !ds->eof(); ds->next())
        codes << ds->text("CODE");
    QStringList expected{"B", "D"};
    expected.insert(expectedRow, "N");
    QCOMPARE(codes, expected);
    QCOMPARE(m_db->scalar("SELECT COUNT(*) FROM SAMPLE_OFFICER").toInt(), 3);
}

void TestDataSet::timestampsFromOtherZonesKeepTheirMoment_data()
{
    QTest::addColumn<QDateTime>("given");

    const QDateTime moment(QDate(2024, 7, 2), QTime(10, 15, 30), Qt::UTC);
    QTest::newRow("UTC") << moment;
    QTest::newRow("offset from UTC") << moment.toOffsetFromUtc(-5 * 3600);
    QTest::newRow("named zone") << moment.toTimeZone(QTimeZone("Australia/Sydney"));
}

void TestDataSet::timestampsFromOtherZonesKeepTheirMoment()
{
    QFETCH(QDateTime, given);

    // Local time far from UTC, so that a clock time written unconverted is seen.
    const QByteArray oldTz = qgetenv("TZ");
    qputenv("TZ", "Asia/Tokyo");
    auto restoreTz = qScopeGuard([&] {
        if (oldTz.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", oldTz);
    });

    SqlDataSet ds(m_db->db(), "SELECT * FROM SAMPLE WHERE UNIQUE_UUID = :uuid");
    ds.setUpdateTable("SAMPLE", {"UNIQUE_UUID"});
    const QString uuid = newUuid();
    ds.setParam("uuid", uuid);
    ds.open();
    ds.append();
    ds.setValue("UNIQUE_UUID", uuid);
    ds.setValue("CODE", "T1");
    ds.setValue("SAMPLE_TIMESTAMP", given);
    QCOMPARE(ds.value("SAMPLE_TIMESTAMP").toDateTime().toUTC(), given.toUTC());
    ds.post();
    QCOMPARE(ds.value("SAMPLE_TIMESTAMP").toDateTime().toUTC(), given.toUTC());
    QCOMPARE(m_db->scalar("SELECT CAST(SAMPLE_TIMESTAMP AS VARCHAR(30)) FROM SAMPLE WHERE UNIQUE_UUID = ?", {uuid})
                 .toString(),
             QString("2024-07-02 19:15:30.0000"));
}

QTEST_GUILESS_MAIN(TestDataSet)
#include "tst_dataset.moc"
