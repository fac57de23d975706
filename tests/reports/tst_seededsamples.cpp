#include "data/ResultBlobs.h"
#include "store/LocalDatabase.h"
#include "store/SqlUtil.h"
#include "support/ServerProcess.h"

#include <QDir>
#include <QSqlQuery>
#include <QTest>

#include <signal.h>

// The stand-in server's demo data holds completed samples whose result blobs the program reads.
class TestSeededSamples : public QObject
{
    Q_OBJECT
private slots:
    void completedSamplesCarryReadableResults();
};

void TestSeededSamples::completedSamplesCarryReadableResults()
{
    ServerProcess server;
    QVERIFY2(server.start({}), qPrintable(server.errorText()));
    QCOMPARE(server.stop(SIGTERM, 20000), 0);
    ScopedConnection store(QDir(server.dataDir()).filePath(QStringLiteral("store/varnex-server.fdb")),
                           QStringLiteral("seeded"), QStringLiteral("The server's store"));
    QSqlQuery q = SqlUtil::exec(store.database(),
                                QStringLiteral("SELECT CODE, RECORD_TYPE, CDS_LABORATORY_RESULTS, CDS_OUTCOMES FROM SAMPLE "
                                               "WHERE SAMPLE_STATUS__CODE = 'COMPLETE' ORDER BY CODE"));
    QStringList seen;
    while (q.next()) {
        const DataTable results = ResultBlobs::readResults(q.value(2).toByteArray());
        const DataTable outcomes = ResultBlobs::readOutcomes(QString::fromUtf8(q.value(3).toByteArray()));
        QStringList substances;
        for (int r = 0; r < results.rowCount(); ++r)
            substances << results.value(r, QStringLiteral("SUBSTANCE")).toString();
        seen << QStringLiteral("%1 %2: %3; %4 outcomes")
                    .arg(q.value(0).toString(), q.value(1).toString(), substances.join(QStringLiteral(", ")))
                    .arg(outcomes.rowCount());
    }
    QCOMPARE(seen, (QStringList{"DEMO-0101 FOOD: Listeria monocytogenes, Aerobic colony count; 1 outcomes",
                                "DEMO-0102 FOOD: Lead, Cadmium; 2 outcomes",
                                "DEMO-0103 ANIMAL FEED: Copper, Aflatoxin B1; 0 outcomes"}));
}

QTEST_GUILESS_MAIN(TestSeededSamples)
#include "tst_seededsamples.moc"
