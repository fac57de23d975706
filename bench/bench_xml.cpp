// bench_xml [samples] [results] [runs]
//
// The sample XML export of completed samples with `results` laboratory results each (default 5),
// as the "Sample export" form writes it: the completed samples selected (every column of the
// sample and its officer's name) and the document streamed by GenerateXML to the file through the
// atomic writer. For comparison, in the same run, the same SELECT is read and every column of every
// row written as an element by a bare QXmlStreamWriter to a plain file (the results blob as
// Base64). Both are measured at a tenth of `samples` and at `samples` (default 10000), each in a
// store of its own, after one reading of the rows has filled the database's cache; each runs
// `runs` times (default 3) and the fastest run counts. Prints samples per second of both, their
// ratio (aim: 0.50 or better) and the peak memory growth of each at both sizes (aim: flat); the
// last line holds the figures as name=value pairs, to compare runs.
#include "PeakMemory.h"
#include "base/AtomicFile.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "data/ResultBlobs.h"
#include "exchange/SampleExportToXml_DM.h"
#include "exchange/VRXSampleXML_DM.h"
#include "store/LocalDatabase.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTime>
#include <QXmlStreamWriter>

#include <cstdio>
#include <functional>
#include <limits>

namespace {

bool exec(QSqlQuery &q)
{
    if (q.exec())
        return true;
    std::fprintf(stderr, "%s\n", qPrintable(q.lastError().text()));
    return false;
}

// Results as a laboratory returns them, a few different sets.
QByteArray resultsBlob(int variant, int rows)
{
    DataTable t(ResultBlobs::resultFields());
    for (int i = 0; i < rows; ++i) {
        const int r = t.appendRow();
        t.setValue(r, QStringLiteral("UNIQUE_ID"), variant * 100 + i);
        t.setValue(r, QStringLiteral("RESULT"), QStringLiteral("%1.%2").arg(i).arg(variant));
        t.setValue(r, QStringLiteral("TEXT_RESULT"), i % 2 ? QStringLiteral("Not detected") : QStringLiteral("Detected"));
        t.setValue(r, QStringLiteral("RESULT_TYPE"), QStringLiteral("N"));
        t.setValue(r, QStringLiteral("QUALIFIER"), QStringLiteral("<"));
        t.setValue(r, QStringLiteral("RESULT_TIMESTAMP"), DataTable::wallClock(QDate(2025, 3, 1).addDays(variant), QTime(10, i)));
        t.setValue(r, QStringLiteral("OUTPUT"), QStringLiteral("< %1 in 25g").arg(i + 1));
        t.setValue(r, QStringLiteral("SUBSTANCE"), QStringLiteral("Substance number %1").arg(i + variant));
        t.setValue(r, QStringLiteral("LAB_UNIT"), QStringLiteral("mg/kg"));
        t.setValue(r, QStringLiteral("BATCH_NUMBER"), QStringLiteral("B%1").arg(variant));
        t.setValue(r, QStringLiteral("FAILCODE"), QStringLiteral("S1"));
        t.setValue(r, QStringLiteral("FAILCODE_DESC"), QStringLiteral("Satisfactory"));
        t.setValue(r, QStringLiteral("EXP_MEASURE_OF_UNCERTAINTY"), QStringLiteral("0.00%1").arg(i));
        t.setValue(r, QStringLiteral("LODLOQ"), QStringLiteral("0.02"));
    }
    return ResultBlobs::writeResults(t);
}

// Officers and completed samples filled the way officers and laboratories fill them.
bool fill(QSqlDatabase db, int samples, int results)
{
    db.transaction();
    QSqlQuery q(db);
    q.prepare(QStringLiteral("UPDATE SYS_COMPANY SET LOCAL_AUTHORITY_NAME = 'Abbey Council', USEWW3XMLDATES = 'T'"));
    if (!exec(q))
        return false;
    QSqlQuery officer(db);
    officer.prepare(QStringLiteral("INSERT INTO SAMPLE_OFFICER (ID, UNIQUE_UUID, CODE, NAME, FLAG_DELETED) VALUES (?, ?, ?, ?, 'F')"));
    const int officers = 8;
    for (int i = 0; i < officers; ++i) {
        for (const QVariant &v : QVariantList{i + 1, QStringLiteral("OFFICER-UUID-%1").arg(i), QStringLiteral("OFF%1").arg(i),
                                              QStringLiteral("Officer Number %1").arg(i)})
            officer.addBindValue(v);
        if (!exec(officer))
            return false;
    }
    QList<QByteArray> blobs;
    for (int v = 0; v < 10; ++v)
        blobs << resultsBlob(v, results);
    QSqlQuery sample(db);
    sample.prepare(QStringLiteral(
        "INSERT INTO SAMPLE (UNIQUE_UUID, CODE, LA_SAMPLENO, RECORD_TYPE, SAMPLE_STATUS__CODE, FLAG_DELETED, "
        "LOCAL_AUTHORITY__CODE, LOCAL_AUTH_OFFICE__CODE, LOCAL_AUTH_OFFICE_DESCRIPTION, SAMPLE_OFFICER__CODE, "
        "SAMPLE_OFFICER_NAME, SAMPLE_DATE, SAMPLE_TIME, RECORDED_DATE, PREMISES_NAME, BUSINESS_ID, BUSINESS_ADDR_1, "
        "BUSINESS_POSTCODE, PREMISES_TYPE__CODE, PREMISES_TYPE_DESCRIPTION, ANALYSIS_TYPE, REASON__CODE, REASON_DESCRIPTION, "
        "BRAND_NAME, FOOD_DESCRIPTION, CATEGORY__CODE, SUB_CATEGORY__CODE, SUB_CATEGORY_DESCRIPTION, MANUFACTURER, "
        "COUNTRY, QUANTITY, PACK_SIZE, BATCH_NUMBER, DURABILITY_DAY, DURABILITY_MONTH, DURABILITY_YEAR, TEMPERATURE, "
        "FLAG_COP_CONDITION, FLAG_SATISFACTORY, LABORATORY__CODE, LABORATORY_DESCRIPTION, SAMPLE_COMMENTS, "
        "LABORATORY_COMMENTS, ANALYSIS_TEXT, QOVA_INFO, PURCHASE_COST, CDS_LABORATORY_RESULTS) VALUES "
        "(?, ?, ?, 'FOOD', 'COMPLETE', 'F', 'ABC', 'ABC01', 'North Office', ?, ?, ?, ?, ?, ?, ?, ?, ?, 'R', 'Restaurant', "
        "?, 'E', 'Enforcement/Investigation', ?, ?, '01', '01.02', 'Milk and cream', ?, 'United Kingdom', ?, 'G', ?, "
        "?, ?, 2025, ?, 'T', 'T', 'LAB1', 'County Laboratory', ?, ?, ?, ?, ?, ?)"));
    for (int i = 0; i < samples; ++i) {
        const int o = i % officers;
        const QVariantList values = {
            QStringLiteral("%1-0000-4000-8000-%2").arg(i, 8, 16, QLatin1Char('0')).arg(i * 7919, 12, 16, QLatin1Char('0')).toUpper(),
            QStringLiteral("ABC07%1").arg(i + 1, 5, 10, QLatin1Char('0')),
            QStringLiteral("LA/2025/%1").arg(i + 1, 5, 10, QLatin1Char('0')),
            QStringLiteral("OFF%1").arg(o),
            QStringLiteral("Officer Number %1").arg(o),
            QDate(2025, 1, 1).addDays(i % 365),
            QTime(8, 0).addSecs(60 * (i % 600)),
            QDate(2025, 1, 2).addDays(i % 365),
            QStringLiteral("The %1 Arms").arg(i % 97),
            QStringLiteral("PREM%1").arg(i % 500, 5, 10, QLatin1Char('0')),
            QStringLiteral("%1 High Street").arg(i % 250 + 1),
            QStringLiteral("AB%1 %2CD").arg(i % 30 + 1).arg(i % 9),
            i % 3 ? QStringLiteral("C") : QStringLiteral("MICRO"),
            QStringLiteral("Brand %1").arg(i % 41),
            QStringLiteral("Semi-skimmed milk, pack %1").arg(i % 13),
            QStringLiteral("Manufacturer %1 Ltd").arg(i % 60),
            QStringLiteral("%1.%2").arg(i % 900 + 1).arg(i % 100, 2, 10, QLatin1Char('0')),
            QStringLiteral("LOT%1").arg(i * 31 % 100000, 6, 10, QLatin1Char('0')),
            i % 28 + 1,
            i % 12 + 1,
            QStringLiteral("%1.%2").arg(i % 8).arg(i % 10),
            QStringLiteral("Taken from the chiller display; contract code C-%1. Label intact, sealed in bag %2.")
                .arg(i % 17)
                .arg(i),
            QStringLiteral("Received in good condition & tested within 24 hours <%1>.").arg(i % 3),
            QStringLiteral("Salmonella, Listeria monocytogenes, E. coli (%1)").arg(i % 5),
            QStringLiteral("VRXNet Version = 1.0.0, Computer name = WORKSTATION-%1").arg(o),
            QStringLiteral("%1.%2").arg(i % 20 + 1).arg(i % 100, 2, 10, QLatin1Char('0')),
            blobs.at(i % blobs.size()),
        };
        for (int v = 0; v < values.size(); ++v)
            sample.bindValue(v, values.at(v));
        if (!exec(sample))
            return false;
    }
    return db.commit();
}

struct Timed
{
    double seconds = std::numeric_limits<double>::max();
    long peakGrowthKiB = -1;
};

// The fastest of `runs` runs of work, and the peak memory of the runs.
Timed fastest(int runs, const std::function<void()> &work)
{
    Timed timed;
    PeakMemory memory;
    memory.start();
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        work();
        timed.seconds = std::min(timed.seconds, t.nsecsElapsed() / 1e9);
    }
    timed.peakGrowthKiB = memory.growthKiB();
    return timed;
}

// The same SELECT, every column of every row an element, by a bare writer.
int rawExport(const QSqlDatabase &db, const QString &fileName)
{
    QFile file(fileName);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QXmlStreamWriter w(&file);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(2);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("QOVAData"));
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.setNumericalPrecisionPolicy(QSql::HighPrecision);
    q.prepare(TSampleSelection::SelectSql() + QStringLiteral(" WHERE S.SAMPLE_STATUS__CODE = ? ORDER BY S.CODE"));
    q.addBindValue(QStringLiteral("COMPLETE"));
    if (!exec(q))
        return 0;
    const QSqlRecord record = q.record();
    QStringList names;
    for (int c = 0; c < record.count(); ++c)
        names << record.fieldName(c);
    int rows = 0;
    while (q.next()) {
        w.writeStartElement(QStringLiteral("Sample"));
        for (int c = 0; c < names.size(); ++c) {
            const QVariant v = q.value(c);
            w.writeTextElement(names.at(c), v.metaType().id() == QMetaType::QByteArray ? QString::fromLatin1(v.toByteArray().toBase64())
                                                                                     : v.toString());
        }
        w.writeEndElement();
        ++rows;
    }
    w.writeEndDocument();
    return rows;
}

struct Figures
{
    int samples = 0;
    int written = 0;
    Timed xml, raw, read;
    long long xmlBytes = 0, rawBytes = 0;
    double xmlRate() const { return written / xml.seconds; }
    double rawRate() const { return written / raw.seconds; }
    double ratio() const { return xmlRate() / rawRate(); }
};

// The export as the form writes it: the selection streamed to the file through the atomic writer.
int exportCompleted(TVRXSampleXMLDM &generator, const QSqlDatabase &db, const QString &fileName)
{
    std::unique_ptr<TSampleSelection> rows = TSampleSelection::Completed(db, false, std::nullopt);
    AtomicFileWriter file(fileName);
    QString error;
    try {
        if (!file.open(&error))
            throw VarnexError(error);
        generator.SetSampleDataset(rows.get());
        generator.GenerateXML(file);
        generator.SetSampleDataset(nullptr);
        rows->Close();
        if (!file.commit(&error))
            throw VarnexError(error);
    } catch (const VarnexError &e) {
        std::fprintf(stderr, "export: %s\n", qPrintable(e.message()));
        generator.SetSampleDataset(nullptr);
        return 0;
    }
    return generator.SamplesWritten();
}

// Both writers over a fresh store of `samples` completed samples.
bool measure(int samples, int results, int runs, Figures *f)
{
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("store.fdb"));
    QFile::copy(QStringLiteral(VARNEX_BIN_DIR "/database_template.fdb"), store);
    QFile(store).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QString connection = QLatin1String(TMaindm::ConnectionName);
    {
        QSqlDatabase db = openLocalDatabase(store, connection);
        if (!db.isOpen() || !fill(db, samples, results)) {
            std::fprintf(stderr, "the store could not be filled\n");
            return false;
        }
        TMaindm maindm;
        TVRXSampleXMLDM generator(maindm);
        const QString xmlFile = dir.filePath(QStringLiteral("export.xml"));
        const QString rawFile = dir.filePath(QStringLiteral("raw.xml"));
        f->samples = samples;
        // The sample rows alone, read as the export reads them; this also fills the database's
        // cache, which neither writer is to be charged for.
        f->read = fastest(runs, [&]() {
            std::unique_ptr<TSampleSelection> rows = TSampleSelection::Completed(db, false, std::nullopt);
            while (rows->Next()) {
            }
        });
        f->xml = fastest(runs, [&]() { f->written = exportCompleted(generator, db, xmlFile); });
        int rawRows = 0;
        f->raw = fastest(runs, [&]() { rawRows = rawExport(db, rawFile); });
        if (f->written != samples || rawRows != samples) {
            std::fprintf(stderr, "%d samples exported, %d written bare, of %d\n", f->written, rawRows, samples);
            return false;
        }
        f->xmlBytes = QFileInfo(xmlFile).size();
        f->rawBytes = QFileInfo(rawFile).size();
    }
    closeDatabaseConnection(connection);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int samples = argc > 1 ? std::max(10, atoi(argv[1])) : 10000;
    const int results = argc > 2 ? atoi(argv[2]) : 5;
    const int runs = argc > 3 ? std::max(1, atoi(argv[3])) : 3;

    Figures small, large;
    if (!measure(samples / 10, results, runs, &small) || !measure(samples, results, runs, &large))
        return 1;
    for (const Figures *f : {&small, &large}) {
        std::printf("%d completed samples with %d results each: document %lld bytes, raw %lld bytes\n", f->samples,
                    results, f->xmlBytes, f->rawBytes);
        std::printf("  export:      %8.1f ms = %8.0f samples/s, peak memory growth %ld KiB\n", f->xml.seconds * 1e3,
                    f->xmlRate(), f->xml.peakGrowthKiB);
        std::printf("  bare writer: %8.1f ms = %8.0f samples/s, peak memory growth %ld KiB\n", f->raw.seconds * 1e3,
                    f->rawRate(), f->raw.peakGrowthKiB);
        std::printf("  rows alone:  %8.1f ms (the export's reading of the rows, for information)\n", f->read.seconds * 1e3);
        std::printf("  export / bare writer, in samples/s: %.2f (aim: 0.50 or better)\n", f->ratio());
    }
    std::printf("samples=%d results=%d xml_bytes=%lld xml_ms=%.1f xml_samples_per_s=%.0f raw_ms=%.1f raw_samples_per_s=%.0f "
                "read_ms=%.1f xml_to_raw_%d=%.2f xml_to_raw_%d=%.2f xml_peak_growth_kib_%d=%ld xml_peak_growth_kib_%d=%ld "
                "raw_peak_growth_kib_%d=%ld raw_peak_growth_kib_%d=%ld\n",
                large.samples, results, large.xmlBytes, large.xml.seconds * 1e3, large.xmlRate(), large.raw.seconds * 1e3,
                large.rawRate(), large.read.seconds * 1e3, small.samples, small.ratio(), large.samples, large.ratio(),
                small.samples, small.xml.peakGrowthKiB, large.samples, large.xml.peakGrowthKiB, small.samples,
                small.raw.peakGrowthKiB, large.samples, large.raw.peakGrowthKiB);
    return 0;
}
