// Synchronisation against a real varnex-server on a loopback port: the table list, whole passes,
// uploads and downloads, and values as they travel.
#include "SyncFixture.h"
#include "sync/ui/SyncLog_FRM.h"

#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTimer>
#include <QUuid>
#include <QtTest>

using namespace SyncTest;
using namespace Wire;

class TestSync : public SyncFixture
{
    Q_OBJECT

private slots:
    // The list is what the synchronisation may touch: every table of the store that carries the
    // synchronisation columns is on it exactly once, each one marks its local changes (a trigger
    // that draws on a generator), the directions agree with the datasets, and the server serves
    // every dataset the list names.
    void tableListCoversEveryMarkedTable()
    {
        TestDatabase db;
        QVERIFY2(db.isValid(), qPrintable(db.errorText()));
        QStringList marked;
        QSqlQuery q(db.db());
        QVERIFY(q.exec(QStringLiteral("SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATION_FIELDS "
                                      "WHERE RDB$FIELD_NAME = 'IS_SYNCING' ORDER BY 1")));
        while (q.next())
            marked << q.value(0).toString();
        q.finish();
        QStringList listed = synchronisedTableNames();
        QCOMPARE(QSet<QString>(listed.cbegin(), listed.cend()).size(), listed.size());
        listed.sort();
        QCOMPARE(listed, marked);

        TSyncWorkerHelperDM channel(m_server.url());
        for (const TSyncTable &t : SyncTables()) {
            const QString table = t.LocalTableName();
            QVERIFY2(db.scalar(QStringLiteral("SELECT COUNT(*) FROM RDB$TRIGGERS t JOIN RDB$DEPENDENCIES d "
                                              "ON d.RDB$DEPENDENT_NAME = t.RDB$TRIGGER_NAME AND d.RDB$DEPENDED_ON_TYPE = 14 "
                                              "WHERE t.RDB$RELATION_NAME = ? AND COALESCE(t.RDB$TRIGGER_INACTIVE, 0) = 0"),
                               {table}).toInt() > 0,
                     qPrintable(table + QStringLiteral(" marks no local change")));
            QCOMPARE(t.syncToServer(), !t.UpdateTablename().isEmpty());
            QCOMPARE(localTableNameOf(t.tablename()).toUpper(), table);
            QStringList datasets{t.tablename()};
            if (!t.UpdateTablename().isEmpty())
                datasets << t.UpdateTablename();
            for (const QString &dataset : std::as_const(datasets)) {
                QStringList fields;
                for (const FieldDef &f : channel.RemoteDataAdapter.GetSchema(dataset).fields)
                    fields << f.name.toUpper();
                QVERIFY2(fields.contains(QLatin1String("ID")) && fields.contains(QLatin1String("UPDATE_ID")),
                         qPrintable(dataset + QStringLiteral(": ") + fields.join(QLatin1Char(','))));
            }
        }
    }

    // A whole pass on the controller's own thread: every table filled, each mark at the server's
    // highest update id in scope, the events in order, the log window complete.
    void firstPassFillsEveryTable()
    {
        TestDatabase db;
        QVERIFY2(db.isValid(), qPrintable(db.errorText()));
        RecordingPrompter prompter;
        ScopedPrompter scoped(&prompter);
        TSyncLoginFlags login;
        login.FirstSync = true;
        TSyncControllerDM controller;
        controller.SetLoginState(&login);
        controller.SetPageSize(4); // several pages per table
        QVERIFY(initialise(controller, db));
        TSyncLogFrm log;
        log.attachTo(&controller);
        QSignalSpy events(&controller, &TSyncControllerDM::OnSyncEvent);
        QSignalSpy status(&controller, &TSyncControllerDM::OnSyncStatusChange);
        QSignalSpy finished(&controller, &TSyncControllerDM::SyncPassFinished);

        QVERIFY(controller.RunSync());
        QVERIFY(controller.SyncActive());
        QCOMPARE(controller.SyncStatus(), QStringLiteral("Sync in progress..."));
        QVERIFY(!controller.RunSync()); // one pass at a time
        QVERIFY(!controller.RequestSync()); // also when asked for: the status shows the running pass
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 120000);
        QVERIFY2(finished.first().first().toStringList().isEmpty(), qPrintable(finished.first().first().toStringList().join('\n')));
        QVERIFY(prompter.calls().isEmpty());
        QVERIFY(!controller.SyncActive());
        QCOMPARE(controller.SyncStatus(), QStringLiteral("Sync sleeping."));
        QCOMPARE(status.size(), 2);
        QVERIFY(controller.SyncTimer()->isActive());
        QVERIFY(!login.FirstSync);

        QCOMPARE(events.size(), 20);
        QCOMPARE(events.first().at(1).toInt(), 10);
        QCOMPARE(events.first().at(2).toInt(), 0);
        QCOMPARE(events.first().at(3).toString(), QStringLiteral("local_auth_office"));
        QCOMPARE(events.first().at(4).value<SyncEvent>(), SyncEvent::TableStarted);
        QCOMPARE(events.last().at(2).toInt(), 9);
        QCOMPARE(events.last().at(3).toString(), QStringLiteral("sample_template"));
        QCOMPARE(events.last().at(4).value<SyncEvent>(), SyncEvent::TableFinished);

        for (const TableInfo &t : tableInfos()) {
            const DataTable server = serverRows(m_server.url(), t);
            QSet<qint64> ids;
            qint64 highest = 0;
            for (int r = 0; r < server.rowCount(); ++r) {
                ids.insert(server.value(r, QStringLiteral("ID")).toLongLong());
                highest = qMax(highest, server.value(r, QStringLiteral("UPDATE_ID")).toLongLong());
            }
            QCOMPARE(localIds(db, t.local), ids);
            QCOMPARE(mark(db, t.local), highest);
        }
        // Seven premises of the seed file are live for the office, beside the server's own demo
        // register; the deleted one and the other office's stay away.
        QCOMPARE(localIds(db, QStringLiteral("PREMISES_DETAIL")).size(), 7 + DemoFoodPremises);
        // The placeholder authority row gave way to the server's.
        QCOMPARE(db.scalar(QStringLiteral("SELECT LOCAL_AUTHORITY__CODE FROM SYS_COMPANY")).toString(), Authority);

        const QStringList lines = log.logLines();
        QCOMPARE(lines.size(), 11);
        QVERIFY2(lines.at(0).endsWith(QLatin1String(" - Syncing [local_auth_office] data completed.")), qPrintable(lines.at(0)));
        QVERIFY(lines.last().startsWith(QLatin1String("Sync completed in (")));
        QVERIFY(!log.Timer1->isActive());
        QVERIFY(log.memDetailLog->toPlainText().contains(QLatin1String("(_dyn_premises_detail) SyncDownloadFromServer: ")));
    }

    // A sample made here gets a server id, reaches the server, and a second pass changes nothing.
    void localSampleRoundTrip()
    {
        TestDatabase db;
        QVERIFY(runPass(db, m_server.url()).isEmpty());
        const qint64 localId = insertLocalSample(db, QStringLiteral("LOCAL-RT"));
        QVERIFY(localId < 0);
        QVERIFY(runPass(db, m_server.url()).isEmpty());
        const qint64 id = db.scalar(QStringLiteral("SELECT ID FROM SAMPLE WHERE CODE = 'LOCAL-RT'")).toLongLong();
        const qint64 updateId = db.scalar(QStringLiteral("SELECT UPDATE_ID FROM SAMPLE WHERE CODE = 'LOCAL-RT'")).toLongLong();
        QVERIFY(id > 0);
        QVERIFY(updateId > 0);
        QCOMPARE(serverCount(m_server.url(), QStringLiteral("_DYN_SAMPLE"), QStringLiteral("ID"), id), 1);
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM SAMPLE WHERE UPDATE_ID < 0")).toInt(), 0);

        const QStringList before = snapshot(db);
        QVERIFY(runPass(db, m_server.url()).isEmpty());
        QCOMPARE(snapshot(db), before);
    }

    // Another client's edit and soft delete arrive; a row with a pending local change keeps it.
    void serverEditAndSoftDeleteArrive()
    {
        TestDatabase db;
        QVERIFY(runPass(db, m_server.url()).isEmpty());
        QSqlQuery q(db.db());
        QVERIFY(q.exec(QStringLiteral("SELECT FIRST 3 ID FROM PREMISES_DETAIL ORDER BY ID")));
        QList<qint64> ids;
        while (q.next())
            ids << q.value(0).toLongLong();
        QCOMPARE(ids.size(), 3);
        q.finish();
        serverChange(m_server.url(), QStringLiteral("PREMISES_DETAIL_UPDATE"),
                     {{"ID", ids[0]}, {"PREMISES_NAME", QStringLiteral("Edited on the server")}});
        serverChange(m_server.url(), QStringLiteral("PREMISES_DETAIL_UPDATE"), {{"ID", ids[1]}, {"FLAG_DELETED", QStringLiteral("T")}});
        serverChange(m_server.url(), QStringLiteral("PREMISES_DETAIL_UPDATE"),
                     {{"ID", ids[2]}, {"PREMISES_NAME", QStringLiteral("Server side")}});
        db.exec(QStringLiteral("UPDATE PREMISES_DETAIL SET PREMISES_NAME = 'Kept here' WHERE ID = ?"), {ids[2]});

        // Download only, so that the local change is still pending while the server's rows arrive.
        const TSyncTableList entry{tableEntry("PREMISES_DETAIL", false, true)};
        TSyncPassContext context;
        QVERIFY(runTables(db, m_server.url(), entry, context).isEmpty());
        QCOMPARE(db.scalar(QStringLiteral("SELECT PREMISES_NAME FROM PREMISES_DETAIL WHERE ID = ?"), {ids[0]}).toString(),
                 QStringLiteral("Edited on the server"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM PREMISES_DETAIL WHERE ID = ?"), {ids[1]}).toInt(), 0);
        QCOMPARE(db.scalar(QStringLiteral("SELECT PREMISES_NAME FROM PREMISES_DETAIL WHERE ID = ?"), {ids[2]}).toString(),
                 QStringLiteral("Kept here"));
        QVERIFY(db.scalar(QStringLiteral("SELECT UPDATE_ID FROM PREMISES_DETAIL WHERE ID = ?"), {ids[2]}).toLongLong() < 0);

        // The next full pass sends the local change up; the server then holds it.
        QVERIFY(runPass(db, m_server.url()).isEmpty());
        TSyncWorkerHelperDM channel(m_server.url());
        const DataTable server = channel.RemoteDataAdapter.Open(QStringLiteral("_DYN_PREMISES_DETAIL"), {},
                                                                {WhereItem{QStringLiteral("ID"), WhereItem::Equal, ids[2]}});
        QCOMPARE(server.value(0, QStringLiteral("PREMISES_NAME")).toString(), QStringLiteral("Kept here"));
    }

    // Rows the server is seeded with may bring their own (64-bit) ids: no id block handed out
    // afterwards may contain one, or a client's new row would overwrite the seeded one.
    void seededIdsAreNeverHandedOut()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const qint64 seededId = Q_INT64_C(5000000000);
        QJsonObject row;
        row.insert(QStringLiteral("ID"), double(seededId));
        row.insert(QStringLiteral("CODE"), QStringLiteral("SEEDED-ID"));
        row.insert(QStringLiteral("LOCAL_AUTHORITY__CODE"), Authority);
        row.insert(QStringLiteral("LOCAL_AUTH_OFFICE__CODE"), Office);
        row.insert(QStringLiteral("FLAG_DELETED"), QStringLiteral("F"));
        QJsonObject root;
        root.insert(QStringLiteral("PREMISES_DETAIL"), QJsonArray{row});
        const QString seed = dir.filePath(QStringLiteral("seed.json"));
        QFile f(seed);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QJsonDocument(root).toJson());
        f.close();
        ServerProcess server;
        QVERIFY2(server.start({QStringLiteral("--seed"), seed}), qPrintable(server.errorText()));
        QCOMPARE(serverCount(server.url(), QStringLiteral("_DYN_PREMISES_DETAIL"), QStringLiteral("ID"), seededId), 1);
        TSyncWorkerHelperDM channel(server.url());
        qint64 start = 0, end = 0;
        SyncService(channel.ClientChannel).GetSyncIdRange(1000, start, end);
        QCOMPARE(end - start, 1000);
        QVERIFY2(start > seededId, qPrintable(QStringLiteral("block %1..%2").arg(start).arg(end)));
    }

    // What a new user's first pass brings of the demo authority is what a real authority would
    // have: durability years that take the coming years, the laboratories new food and feed
    // samples go to (ones of the laboratory list), and a sample being recorded.
    void demoAuthorityIsReadyForANewUser()
    {
        TestDatabase db;
        QVERIFY(runPass(db, m_server.url()).isEmpty());
        const int lower = db.scalar(QStringLiteral("SELECT DURABILITY_YEAR_LOWER_OFFSET FROM SYS_COMPANY")).toInt();
        const int upper = db.scalar(QStringLiteral("SELECT DURABILITY_YEAR_UPPER_OFFSET FROM SYS_COMPANY")).toInt();
        QVERIFY2(lower >= 1 && upper >= 5, qPrintable(QStringLiteral("%1 %2").arg(lower).arg(upper)));

        const DataTable laboratories = MemDataStream::read(
            db.scalar(QStringLiteral("SELECT BINARY_CONTENT FROM LOOKUP_TABLE_LIST WHERE DATASET_NAME = 'mdLaboratory'")).toByteArray());
        QStringList codes;
        for (int r = 0; r < laboratories.rowCount(); ++r)
            codes << laboratories.value(r, QStringLiteral("Code")).toString();
        for (const char *setting : {"LABORATORY__CODE_CHEM", "LABORATORY__CODE_MICRO", "ANIMAL_FEED_LAB__CODE_CHEM",
                                    "ANIMAL_FEED_LAB__CODE_MICRO"}) {
            const QString code = db.scalar(QStringLiteral("SELECT %1 FROM SYS_COMPANY").arg(QLatin1String(setting))).toString();
            QVERIFY2(codes.contains(code), setting);
        }

        QSqlQuery q(db.db());
        QVERIFY(q.exec(QStringLiteral("SELECT SAMPLE_STATUS__CODE, SAMPLE_DATE, FOOD_DESCRIPTION FROM SAMPLE WHERE CODE = 'DEMO-0001'")));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("ENTERED"));
        QVERIFY(q.value(1).toDate().isValid());
        QVERIFY(!q.value(2).toString().isEmpty());
    }

    // Values travel up from one store and down into another as they were: NULL stays NULL, empty
    // text stays empty text, text BLOBs keep every character.
    void valuesSurviveTheRoundTrip()
    {
        struct Case { const char *column; QVariant value; bool decimal = false; };
        const QList<Case> cases = {
            {"SAMPLE_OFFICER__CODE", QVariant()},
            {"SAMPLE_OFFICER__CODE", QVariant(QStringLiteral(""))},
            {"QOVA_INFO", QVariant()},
            {"QOVA_INFO", QVariant(QStringLiteral(""))},
            {"QOVA_INFO", QVariant(QStringLiteral("line 1\nl\u00EFne 2 \u20AC"))},
            // Every digit of the column: a double keeps some 15 of them.
            {"QUANTITY", QVariant(QStringLiteral("9999999999999999.99")), true},
            {"ANALYSIS_COST", QVariant(QStringLiteral("-123456789012345.678")), true},
            {"TEMPERATURE", QVariant(QStringLiteral("-999.9")), true},
        };
        // Decimals are written and read here as text, which the engine converts exactly.
        const auto place = [](const Case &c) { return c.decimal ? QStringLiteral("CAST(? AS VARCHAR(40))") : QStringLiteral("?"); };
        const auto column = [](const Case &c) {
            return c.decimal ? SqlUtil::decimalAsText(QLatin1String(c.column)) : QString::fromLatin1(c.column);
        };
        TestDatabase up;
        QVERIFY(runPass(up, m_server.url()).isEmpty());
        const QString prefix = QStringLiteral("RT-%1-").arg(QUuid::createUuid().toString(QUuid::Id128).left(8));
        for (int i = 0; i < cases.size(); ++i) {
            const QString code = prefix + QString::number(i);
            insertLocalSample(up, code);
            up.exec(QStringLiteral("UPDATE SAMPLE SET %1 = %2 WHERE CODE = ?").arg(QLatin1String(cases[i].column), place(cases[i])),
                    {cases[i].value.isValid() ? cases[i].value : QVariant(QMetaType::fromType<QString>()), code});
        }
        QVERIFY(runPass(up, m_server.url()).isEmpty());
        TestDatabase down;
        QVERIFY(runPass(down, m_server.url()).isEmpty());
        for (TestDatabase *db : {&up, &down}) {
            for (int i = 0; i < cases.size(); ++i) {
                const QString what = QStringLiteral("%1 case %2 (%3)").arg(db == &up ? "up" : "down").arg(i).arg(QLatin1String(cases[i].column));
                QSqlQuery q(db->db());
                QVERIFY(q.prepare(QStringLiteral("SELECT %1 FROM SAMPLE WHERE CODE = ?").arg(column(cases[i]))));
                q.addBindValue(prefix + QString::number(i));
                QVERIFY(q.exec());
                QVERIFY2(q.next(), qPrintable(what));
                QVERIFY2(q.isNull(0) == !cases[i].value.isValid(), qPrintable(what));
                if (cases[i].value.isValid())
                    QVERIFY2(q.value(0).toString() == cases[i].value.toString(), qPrintable(what + QStringLiteral(": ") + q.value(0).toString()));
            }
        }
    }
};

QTEST_MAIN(TestSync)
#include "tst_sync.moc"
