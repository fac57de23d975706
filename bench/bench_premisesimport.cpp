// bench_premisesimport [premises]
//
// The premises import of `premises` premises (default 50000) into the food register of a fresh
// copy of the template store, from a CSV file and from a V3 XML file, each loaded twice: the first
// load inserts every premises, the second (the same file again) updates every one. For
// comparison, in the same run and into another fresh store: the same rows written with one
// prepared INSERT each, all in one transaction. Prints the rates in premises per second, the first
// loads' ratio to the plain INSERT, and the peak memory of each load; the last line holds the
// figures as name=value pairs.
#include "PeakMemory.h"
#include "base/VarnexError.h"
#include "exchange/PremisesImporter.h"
#include "store/LocalDatabase.h"
#include "store/SqlUtil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

QString copyTemplate(const QTemporaryDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    QFile::copy(QStringLiteral(VARNEX_BIN_DIR "/database_template.fdb"), path);
    QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return path;
}

// The values of premises n: code, name, four address lines, postcode, risk, type, standards risk.
QStringList premises(int n)
{
    return {QStringLiteral("P%1").arg(n, 7, 10, QLatin1Char('0')),
            QStringLiteral("Premises number %1").arg(n),
            QStringLiteral("%1 Station Road").arg(n % 500 + 1),
            QStringLiteral("Unit %1").arg(n % 40),
            QStringLiteral("Northtown"),
            QStringLiteral("Shire"),
            QStringLiteral("NT%1 %2AB").arg(n % 30).arg(n % 9),
            QStringLiteral("A"),
            n % 3 == 0 ? QStringLiteral("R") : QStringLiteral("T"),
            QStringLiteral("B")};
}

QByteArray csvFile(int count)
{
    QByteArray out;
    for (int n = 1; n <= count; ++n)
        out += premises(n).join(QLatin1Char(',')).toUtf8() + "\r\n";
    return out;
}

QByteArray xmlFile(int count)
{
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PremisesData><FileInfo><DateGenerated>2014-06-01"
                     "</DateGenerated><FileSource>bench</FileSource><PremisesCount>"
                     + QByteArray::number(count) + "</PremisesCount><SchemaVersion>3</SchemaVersion></FileInfo>\n<PremisesList>\n";
    const char *leaves[] = {"BusinessId",       "PremisesName",     "BusinessAddress1",           "BusinessAddress2",
                            "BusinessAddress3", "BusinessAddress4", "BusinessPostcode",           "FoodSafetyRiskCategoryCode",
                            "PremisesTypeCode", "FoodStandardsRiskCategoryCode"};
    for (int n = 1; n <= count; ++n) {
        const QStringList values = premises(n);
        out += "<Premises>";
        for (int i = 0; i < values.size(); ++i)
            out += QByteArray("<") + leaves[i] + ">" + values.at(i).toUtf8() + "</" + leaves[i] + ">";
        out += "</Premises>\n";
    }
    return out + "</PremisesList></PremisesData>\n";
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

struct Run
{
    double rate = 0;
    long peakKiB = -1;
    long growthKiB = -1;
    PremisesImportCounts counts;
};

Run load(const QSqlDatabase &db, const QString &file)
{
    PremisesImporter importer(db, {QStringLiteral("FOOD"), QStringLiteral("ABC"), QStringLiteral("ABC01"), false});
    Run run;
    PeakMemory memory;
    memory.start();
    QElapsedTimer timer;
    timer.start();
    run.counts = importer.Load(file);
    run.rate = run.counts.processed * 1000.0 / qMax<qint64>(1, timer.elapsed());
    run.peakKiB = memory.peakKiB();
    run.growthKiB = memory.growthKiB();
    return run;
}

// Both loads of one file into a fresh store.
QPair<Run, Run> twice(const QTemporaryDir &dir, const QString &storeName, const QString &file)
{
    const QString connection = QStringLiteral("bench.") + storeName;
    QSqlDatabase db = openLocalDatabase(copyTemplate(dir, storeName + QStringLiteral(".fdb")), connection);
    const Run first = load(db, file);
    const Run again = load(db, file);
    db = QSqlDatabase();
    closeDatabaseConnection(connection);
    return {first, again};
}

Run rawInsert(const QTemporaryDir &dir, int count)
{
    const QString connection = QStringLiteral("bench.raw");
    QSqlDatabase db = openLocalDatabase(copyTemplate(dir, QStringLiteral("raw.fdb")), connection);
    Run run;
    PeakMemory memory;
    memory.start();
    QElapsedTimer timer;
    timer.start();
    SqlUtil::inTransaction(db, [&](QSqlDatabase &d) {
        QSqlQuery insert(d);
        insert.prepare(QStringLiteral("INSERT INTO PREMISES_DETAIL (UNIQUE_UUID, CODE, PREMISES_NAME, BUSINESS_ADDR_1, "
                                      "BUSINESS_ADDR_2, BUSINESS_ADDR_3, BUSINESS_ADDR_4, BUSINESS_POSTCODE, "
                                      "RISK_CATEGORY__CODE, PREMISES_TYPE__CODE, RISK_CATEGORY_FOOD_STAND__CODE, "
                                      "LOCAL_AUTHORITY__CODE, LOCAL_AUTH_OFFICE__CODE, FLAG_FOOD, FLAG_DELETED) "
                                      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 'ABC', 'ABC01', 'T', 'F')"));
        for (int n = 1; n <= count; ++n) {
            const QStringList values = premises(n);
            insert.bindValue(0, QStringLiteral("00000000-0000-4000-8000-%1").arg(n, 12, 10, QLatin1Char('0')));
            for (int i = 0; i < values.size(); ++i)
                insert.bindValue(i + 1, values.at(i));
            if (!insert.exec())
                throw VarnexError(QStringLiteral("the plain INSERT failed"));
        }
    });
    run.rate = count * 1000.0 / qMax<qint64>(1, timer.elapsed());
    run.peakKiB = memory.peakKiB();
    run.growthKiB = memory.growthKiB();
    db = QSqlDatabase();
    closeDatabaseConnection(connection);
    return run;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 50000;
    if (count <= 0) {
        std::fprintf(stderr, "usage: bench_premisesimport [premises]\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("premises.csv"));
    const QString xml = dir.filePath(QStringLiteral("premises.xml"));
    writeFile(csv, csvFile(count));
    writeFile(xml, xmlFile(count));

    try {
        const Run raw = rawInsert(dir, count);
        const auto [csvFirst, csvAgain] = twice(dir, QStringLiteral("csv"), csv);
        const auto [xmlFirst, xmlAgain] = twice(dir, QStringLiteral("xml"), xml);
        if (csvFirst.counts.inserted != count || csvAgain.counts.updated != count || xmlFirst.counts.inserted != count
            || xmlAgain.counts.updated != count) {
            std::fprintf(stderr, "a load did not write every premises\n");
            return 1;
        }
        std::printf("premises: %d (CSV %.1f MiB, XML %.1f MiB)\n", count, QFile(csv).size() / 1048576.0,
                    QFile(xml).size() / 1048576.0);
        const auto line = [](const char *what, const Run &r) {
            std::printf("%-28s %8.0f premises/s, peak %ld KiB (+%ld KiB)\n", what, r.rate, r.peakKiB, r.growthKiB);
        };
        line("plain INSERT, one transaction", raw);
        line("CSV, first load (inserts)", csvFirst);
        line("CSV, again (updates)", csvAgain);
        line("XML, first load (inserts)", xmlFirst);
        line("XML, again (updates)", xmlAgain);
        std::printf("first load / plain INSERT: CSV %.2f, XML %.2f\n", csvFirst.rate / raw.rate, xmlFirst.rate / raw.rate);
        std::printf("premises=%d raw_rows_per_s=%.0f csv_first_rows_per_s=%.0f csv_again_rows_per_s=%.0f "
                    "xml_first_rows_per_s=%.0f xml_again_rows_per_s=%.0f csv_first_to_raw=%.2f xml_first_to_raw=%.2f "
                    "csv_again_to_raw=%.2f xml_again_to_raw=%.2f csv_peak_growth_kib=%ld xml_peak_growth_kib=%ld "
                    "raw_peak_growth_kib=%ld\n",
                    count, raw.rate, csvFirst.rate, csvAgain.rate, xmlFirst.rate, xmlAgain.rate, csvFirst.rate / raw.rate,
                    xmlFirst.rate / raw.rate, csvAgain.rate / raw.rate, xmlAgain.rate / raw.rate,
                    qMax(csvFirst.growthKiB, csvAgain.growthKiB), qMax(xmlFirst.growthKiB, xmlAgain.growthKiB),
                    raw.growthKiB);
    } catch (const VarnexError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
