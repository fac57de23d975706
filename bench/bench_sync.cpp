// bench_sync [samples] [premises] [changed]
//
// Against a varnex-server of its own on a loopback port: a full reload of the samples and
// premises into a new store, then an incremental pass after the server changed some samples, and,
// for comparison, the raw rate of inserting the same rows into a fresh store with one prepared
// statement in one transaction. Prints rows per second, the ratio of reload to raw insert, and how
// far the reload, the incremental pass and the raw insert raise the process's peak memory above
// what it held when each started (which must not grow with the number of rows). All of it at a
// tenth of the rows and at all of them. The last line holds the figures as name=value pairs, each
// name ending in the number of rows it was measured with, to compare runs.
#include "BenchServer.h"
#include "PeakMemory.h"
#include "data/DataTable.h"
#include "store/LocalDatabase.h"
#include "remote/RemoteDataAdapter.h"
#include "sync/SyncTable_Unt.h"
#include "remote/SyncWorkerHelper_DM.h"
#include "sync/SyncWorker_DM.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTcpServer>
#include <QTemporaryDir>

#include <cstdio>

namespace {

QByteArray seed(int samples, int premises)
{
    QJsonArray s, p;
    for (int i = 0; i < samples; ++i)
        s.append(QJsonObject{{"CODE", QStringLiteral("B-%1").arg(i, 6, 10, QLatin1Char('0'))},
                             {"LOCAL_AUTHORITY__CODE", "DEMO"}, {"LOCAL_AUTH_OFFICE__CODE", "DEMO01"},
                             {"RECORD_TYPE", "FOOD"}, {"FLAG_DELETED", "F"}, {"BUSINESS_POSTCODE", "AB1 2CD"},
                             {"SAMPLE_OFFICER__CODE", "PLAIN"}});
    for (int i = 0; i < premises; ++i)
        p.append(QJsonObject{{"CODE", QStringLiteral("PR-%1").arg(i)}, {"PREMISES_NAME", QStringLiteral("Premises number %1").arg(i)},
                             {"BUSINESS_ADDR_1", "1 High Street"}, {"BUSINESS_ADDR_2", "Town"}, {"BUSINESS_POSTCODE", "AB1 2CD"},
                             {"LOCAL_AUTHORITY__CODE", "DEMO"}, {"LOCAL_AUTH_OFFICE__CODE", "DEMO01"},
                             {"FLAG_FOOD", "T"}, {"FLAG_ANIMAL_FEEDS", "F"}, {"FLAG_DELETED", "F"}});
    return QJsonDocument(QJsonObject{{"SAMPLE", s}, {"PREMISES_DETAIL", p}}).toJson(QJsonDocument::Compact);
}

QString copyTemplate(const QTemporaryDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    QFile::copy(QStringLiteral(VARNEX_BIN_DIR "/database_template.fdb"), path);
    QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return path;
}

QString connectionText(const QString &path)
{
    return QStringLiteral("DataBase=%1\nUser_Name=%2\nPassword=%3").arg(path, localDatabaseUser(), localDatabasePassword());
}

double download(const QString &url, const QString &store, const QStringList &datasets, int pageSize, QStringList *errors)
{
    TSyncWorkerHelperDM channel(url);
    TSyncPassContext context;
    context.channel = &channel;
    context.pageSize = pageSize;
    QElapsedTimer t;
    t.start();
    const TSyncRunValues values{connectionText(store), QStringLiteral("DEMO"), QStringLiteral("DEMO01"), url};
    for (const QString &d : datasets) {
        SynchronisedTable downloadOnly = *findSynchronisedTable(localTableNameOf(d));
        downloadOnly.toServer = false;
        TSyncTable(downloadOnly).Sync(context, values);
    }
    *errors = context.errors;
    return t.nsecsElapsed() / 1e9;
}

// Reads every row of a table of `from` into memory, then times inserting them into `to` with one
// prepared statement in one transaction.
double rawInsert(const QString &from, const QString &to, const QString &table, int *rows)
{
    QSqlDatabase src = openLocalDatabase(from, QStringLiteral("raw-src"));
    QSqlDatabase dst = openLocalDatabase(to, QStringLiteral("raw-dst"));
    QSqlQuery read(src);
    read.setForwardOnly(true);
    read.exec(QStringLiteral("SELECT * FROM %1").arg(table));
    const QSqlRecord rec = read.record();
    QList<QVariantList> data;
    while (read.next()) {
        QVariantList row;
        for (int i = 0; i < rec.count(); ++i)
            row << read.value(i);
        data << row;
    }
    read.finish();
    QStringList names, marks;
    for (int i = 0; i < rec.count(); ++i) {
        names << rec.fieldName(i);
        marks << QStringLiteral("?");
    }
    QElapsedTimer t;
    t.start();
    dst.transaction();
    QSqlQuery insert(dst);
    insert.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, names.join(','), marks.join(',')));
    for (const QVariantList &row : std::as_const(data)) {
        for (int i = 0; i < row.size(); ++i)
            insert.bindValue(i, row.at(i));
        if (!insert.exec()) {
            std::fprintf(stderr, "raw insert: %s\n", qPrintable(insert.lastError().text()));
            break;
        }
    }
    dst.commit();
    const double seconds = t.nsecsElapsed() / 1e9;
    *rows = int(data.size());
    return seconds;
}

// Reads every page of the datasets and throws them away: what the server and the wire cost alone.
double fetchOnly(const QString &url, const QStringList &datasets, int pageSize, int *rows)
{
    TSyncWorkerHelperDM channel(url);
    QElapsedTimer t;
    t.start();
    *rows = 0;
    for (const QString &d : datasets) {
        qint64 after = 0;
        for (;;) {
            const DataTable page = channel.RemoteDataAdapter.OpenPage(
                d, pageSize, {}, {Wire::WhereItem{QStringLiteral("update_id"), Wire::WhereItem::Greater, after}});
            *rows += page.rowCount();
            if (page.rowCount() < pageSize)
                break;
            after = page.value(page.rowCount() - 1, QStringLiteral("UPDATE_ID")).toLongLong();
        }
    }
    return t.nsecsElapsed() / 1e9;
}

int count(const QString &path, const QString &table)
{
    QSqlDatabase db = openLocalDatabase(path, QStringLiteral("count"));
    QSqlQuery q(db);
    q.exec(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table));
    return q.next() ? q.value(0).toInt() : -1;
}

struct SyncFigures
{
    int rows = 0;
    double reloadRate = 0, incrementalRate = 0, fetchRate = 0, rawRate = 0;
    long reloadPeak = -1, reloadGrowth = -1, incrementalGrowth = -1, rawGrowth = -1;
    double ratio() const { return rawRate > 0 ? reloadRate / rawRate : 0; }
};

// One server seeded with the rows, one fresh store; false when a step failed.
bool measure(int samples, int premises, int changed, int pageSize, SyncFigures *f)
{
    QTemporaryDir dir;
    QFile seedFile(dir.filePath(QStringLiteral("seed.json")));
    seedFile.open(QIODevice::WriteOnly);
    seedFile.write(seed(samples, premises));
    seedFile.close();

    QProcess server;
    std::printf("seeding the server with %d samples and %d premises...\n", samples, premises);
    std::fflush(stdout);
    const QString url = startBenchServer(server, dir.filePath(QStringLiteral("server")),
                                         {QStringLiteral("--seed"), seedFile.fileName()});
    if (url.isEmpty())
        return false;
    const auto stop = [&server] {
        server.kill();
        server.waitForFinished(5000);
    };

    const QString store = copyTemplate(dir, QStringLiteral("store.fdb"));
    // The program holds its main connection to the store while a pass runs, as the raw insert
    // below holds its own: the database engine is loaded and the store open before either starts.
    QSqlDatabase main = openLocalDatabase(store, QStringLiteral("main"));
    QStringList errors;
    PeakMemory reloadMemory;
    reloadMemory.start();
    const double reload = download(url, store, {QStringLiteral("_dyn_sample"), QStringLiteral("_dyn_premises_detail")}, pageSize, &errors);
    f->reloadPeak = reloadMemory.peakKiB();
    f->reloadGrowth = reloadMemory.growthKiB();
    if (!errors.isEmpty()) {
        std::fprintf(stderr, "reload failed: %s\n", qPrintable(errors.join('\n')));
        stop();
        return false;
    }
    f->rows = count(store, QStringLiteral("SAMPLE")) + count(store, QStringLiteral("PREMISES_DETAIL"));

    // Another client changes some samples; the next pass brings just those.
    {
        TSyncWorkerHelperDM channel(url);
        QSqlDatabase db = openLocalDatabase(store, QStringLiteral("pick"));
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT FIRST %1 ID FROM SAMPLE ORDER BY ID").arg(changed));
        QList<Wire::RowChange> changes;
        while (q.next()) {
            Wire::RowChange c;
            c.kind = Wire::RowChange::Update;
            c.key.insert(QStringLiteral("ID"), q.value(0));
            c.values = {{QStringLiteral("ID"), q.value(0)}, {QStringLiteral("SAMPLE_OFFICER__CODE"), QStringLiteral("ADMIN")}};
            changes << c;
        }
        q.finish();
        channel.RemoteDataAdapter.ApplyChanges(QStringLiteral("SAMPLE_UPDATE"), changes);
    }
    PeakMemory incrementalMemory;
    incrementalMemory.start();
    const double incremental = download(url, store, {QStringLiteral("_dyn_sample")}, pageSize, &errors);
    f->incrementalGrowth = incrementalMemory.growthKiB();
    if (!errors.isEmpty()) {
        std::fprintf(stderr, "incremental pass failed: %s\n", qPrintable(errors.join('\n')));
        stop();
        return false;
    }

    const QString fresh = copyTemplate(dir, QStringLiteral("raw.fdb"));
    int rawSamples = 0, rawPremises = 0;
    PeakMemory rawMemory;
    rawMemory.start();
    double raw = rawInsert(store, fresh, QStringLiteral("SAMPLE"), &rawSamples);
    raw += rawInsert(store, fresh, QStringLiteral("PREMISES_DETAIL"), &rawPremises);
    f->rawGrowth = rawMemory.growthKiB();

    int fetched = 0;
    const double fetch = fetchOnly(url, {QStringLiteral("_dyn_sample"), QStringLiteral("_dyn_premises_detail")}, pageSize, &fetched);
    stop();

    f->reloadRate = f->rows / reload;
    f->incrementalRate = changed / incremental;
    f->fetchRate = fetched / fetch;
    f->rawRate = (rawSamples + rawPremises) / raw;
    std::printf("full reload:       %7d rows in %7.2f s = %9.0f rows/s (page %d)\n", f->rows, reload, f->reloadRate, pageSize);
    std::printf("incremental pass:  %7d changed samples in %7.2f s = %9.0f rows/s\n", changed, incremental, f->incrementalRate);
    std::printf("fetch only:        %7d rows in %7.2f s = %9.0f rows/s (server and wire, nothing stored)\n", fetched, fetch,
                f->fetchRate);
    std::printf("raw insert:        %7d rows in %7.2f s = %9.0f rows/s\n", rawSamples + rawPremises, raw, f->rawRate);
    std::printf("reload / raw insert: %.2f (aim: 0.90 or better)\n", f->ratio());
    std::printf("peak memory during the reload: %ld KiB, %ld KiB above its start; during the incremental pass: %ld KiB "
                "above its start; during the raw insert: %ld KiB above its start\n\n",
                f->reloadPeak, f->reloadGrowth, f->incrementalGrowth, f->rawGrowth);
    return true;
}

QString pairs(const SyncFigures &f)
{
    return QStringLiteral("reload_rows_per_s_%1=%2 incremental_rows_per_s_%1=%3 fetch_rows_per_s_%1=%4 raw_insert_rows_per_s_%1=%5 "
                          "reload_to_raw_%1=%6 reload_peak_kib_%1=%7 reload_peak_growth_kib_%1=%8 "
                          "incremental_peak_growth_kib_%1=%9 raw_peak_growth_kib_%1=%10")
        .arg(f.rows)
        .arg(f.reloadRate, 0, 'f', 0)
        .arg(f.incrementalRate, 0, 'f', 0)
        .arg(f.fetchRate, 0, 'f', 0)
        .arg(f.rawRate, 0, 'f', 0)
        .arg(f.ratio(), 0, 'f', 2)
        .arg(f.reloadPeak)
        .arg(f.reloadGrowth)
        .arg(f.incrementalGrowth)
        .arg(f.rawGrowth);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int samples = argc > 1 ? atoi(argv[1]) : 20000;
    const int premises = argc > 2 ? atoi(argv[2]) : 50000;
    const int changed = argc > 3 ? atoi(argv[3]) : 1000;
    const int pageSize = 1000;
    if (samples < 10 || premises < 10 || changed < 10) {
        std::fprintf(stderr, "usage: bench_sync [samples >= 10] [premises >= 10] [changed >= 10]\n");
        return 2;
    }

    // The same at a tenth of the rows and at all of them: what grows with the rows shows.
    SyncFigures small, large;
    if (!measure(samples / 10, premises / 10, changed / 10, pageSize, &small) || !measure(samples, premises, changed, pageSize, &large))
        return 1;
    std::printf("page=%d rows=%d reload_to_raw=%.2f %s %s\n", pageSize, large.rows, large.ratio(), qPrintable(pairs(small)),
                qPrintable(pairs(large)));
    return 0;
}
