// bench_export [samples] [runs]
//
// The laboratory packet of validated samples, as a delivery makes it, at a tenth of `samples` and
// at `samples` (default 5000), each in a store of its own: the rows are read the way the export
// selects them (every column of the sample, then every column of its officer), then encoded as a
// dataset packet and sealed (raw DEFLATE, then AES-256) by PacketCipher::makePacket, the encoding
// and the compressing side by side. For comparison, in the same run, plain zlib deflates the bytes
// of the same dataset packet; for information, the encoder alone runs into a sink that drops what
// it gets (the overlapped packet cannot be quicker than the slower of the two). Each step runs
// `runs` times (default 5) and the fastest run counts. Prints the rates, the ratio of encode +
// seal to deflate alone (aim: 1.80 or less), the compression ratio and the peak memory growth of
// each at both sizes; the last line holds the figures as name=value pairs, to compare runs.
#include "PeakMemory.h"
#include "data/DataPacket.h"
#include "data/DataTable.h"
#include "data/PacketCipher.h"
#include "store/LocalDatabase.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTime>

#include <zlib.h>

#include <cstdio>
#include <functional>
#include <limits>

namespace {

QString copyTemplate(const QTemporaryDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("store.fdb"));
    QFile::copy(QStringLiteral(VARNEX_BIN_DIR "/database_template.fdb"), path);
    QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return path;
}

bool exec(QSqlQuery &q)
{
    if (q.exec())
        return true;
    std::fprintf(stderr, "%s\n", qPrintable(q.lastError().text()));
    return false;
}

// Officers and validated samples filled the way officers fill them: codes, names, addresses,
// descriptions, comments, dates and amounts, every row a little different.
bool fill(QSqlDatabase db, int samples)
{
    db.transaction();
    QSqlQuery officer(db);
    officer.prepare(QStringLiteral("INSERT INTO SAMPLE_OFFICER (ID, UNIQUE_UUID, CODE, NAME, TELEPHONE_NO, EMAIL_ADDRESS, "
                                   "LOGIN_USERNAME, LOGIN_PASSWORD, FLAG_FOOD, FLAG_FEED, FLAG_DELETED, LOCAL_AUTHORITY__CODE, "
                                   "LOCAL_AUTH_OFFICE__CODE) VALUES (?, ?, ?, ?, ?, ?, ?, ?, 'T', 'F', 'F', 'ABC', 'ABC01')"));
    const int officers = 8;
    for (int i = 0; i < officers; ++i) {
        for (const QVariant &v : QVariantList{i + 1, QStringLiteral("OFFICER-UUID-%1").arg(i), QStringLiteral("OFF%1").arg(i),
                                              QStringLiteral("Officer Number %1").arg(i), QStringLiteral("01234 56789%1").arg(i),
                                              QStringLiteral("officer%1@abc.example").arg(i), QStringLiteral("officer%1").arg(i),
                                              QStringLiteral("secret%1").arg(i)})
            officer.addBindValue(v);
        if (!exec(officer))
            return false;
    }
    QSqlQuery sample(db);
    sample.prepare(QStringLiteral(
        "INSERT INTO SAMPLE (UNIQUE_UUID, CODE, SAMPLE_NUMBER, LA_SAMPLENO, RECORD_TYPE, SAMPLE_STATUS__CODE, FLAG_DELETED, "
        "LOCAL_AUTHORITY__CODE, LOCAL_AUTHORITY_DESCRIPTION, LOCAL_AUTH_OFFICE__CODE, LOCAL_AUTH_OFFICE_DESCRIPTION, "
        "SAMPLE_OFFICER__CODE, SAMPLE_OFFICER_NAME, SAMPLE_DATE, SAMPLE_TIME, PREMISES_TYPE__CODE, PREMISES_TYPE_DESCRIPTION, "
        "PREMISES_NAME, BUSINESS_ID, BUSINESS_ADDR_1, BUSINESS_ADDR_2, BUSINESS_ADDR_3, BUSINESS_POSTCODE, ANALYSIS_TYPE, "
        "REASON__CODE, REASON_DESCRIPTION, SAMPLE_TYPE__CODE, SAMPLE_TYPE_DESCRIPTION, BRAND_NAME, FOOD_DESCRIPTION, "
        "CATEGORY__CODE, CATEGORY_DESCRIPTION, SUB_CATEGORY__CODE, SUB_CATEGORY_DESCRIPTION, MANUFACTURER, COUNTRY, "
        "QUANTITY, PACK_SIZE, BATCH_NUMBER, DURABILITY_DAY, DURABILITY_MONTH, DURABILITY_YEAR, TEMPERATURE, "
        "LABORATORY__CODE, LABORATORY_DESCRIPTION, SAMPLE_COMMENTS, ANALYSIS_TEXT, QOVA_INFO, PURCHASE_COST) VALUES "
        "(?, ?, ?, ?, 'FOOD', 'VALIDATED', 'F', 'ABC', 'Abbey Council', 'ABC01', 'North Office', ?, ?, ?, ?, 'R', "
        "'Restaurant', ?, ?, ?, 'Market Street', 'Abbeytown', ?, ?, ?, ?, 'C1', 'Complaint', ?, ?, ?, ?, ?, ?, ?, "
        "'UNITED KINGDOM', ?, 'G', ?, ?, ?, 2025, ?, 'LAB1', 'County Laboratory', ?, ?, ?, ?)"));
    const QStringList foods = {QStringLiteral("Chicken and bacon sandwich"), QStringLiteral("Semi-skimmed milk"),
                               QStringLiteral("Free range eggs"), QStringLiteral("Mixed leaf salad"),
                               QStringLiteral("Beef lasagne ready meal"), QStringLiteral("Smoked salmon")};
    for (int i = 0; i < samples; ++i) {
        const int o = i % officers;
        const QVariantList values = {
            QStringLiteral("%1-0000-4000-8000-%2").arg(i, 8, 16, QLatin1Char('0')).arg(i * 7919, 12, 16, QLatin1Char('0')).toUpper(),
            QStringLiteral("ABC07%1").arg(i + 1, 4, 10, QLatin1Char('0')),
            i + 1,
            QStringLiteral("LA/%1/%2").arg(2025).arg(i + 1, 5, 10, QLatin1Char('0')),
            QStringLiteral("OFF%1").arg(o),
            QStringLiteral("Officer Number %1").arg(o),
            QDate(2025, 1, 1).addDays(i % 365),
            QTime(8, 0).addSecs(60 * (i % 600)),
            QStringLiteral("The %1 Arms").arg(i % 97),
            QStringLiteral("PREM%1").arg(i % 500, 5, 10, QLatin1Char('0')),
            QStringLiteral("%1 High Street").arg(i % 250 + 1),
            QStringLiteral("AB%1 %2CD").arg(i % 30 + 1).arg(i % 9),
            i % 3 ? QStringLiteral("C") : QStringLiteral("M"),
            i % 4 ? QStringLiteral("E") : QStringLiteral("S"),
            i % 4 ? QStringLiteral("Enforcement/Investigation") : QStringLiteral("Surveillance/Monitoring"),
            QStringLiteral("Brand %1").arg(i % 41),
            foods.at(i % foods.size()) + QStringLiteral(", pack %1").arg(i % 13),
            QStringLiteral("%1").arg(i % 20 + 1, 2, 10, QLatin1Char('0')),
            QStringLiteral("Category %1").arg(i % 20 + 1),
            QStringLiteral("%1.%2").arg(i % 20 + 1).arg(i % 7),
            QStringLiteral("Sub category %1 of %2").arg(i % 7).arg(i % 20 + 1),
            QStringLiteral("Manufacturer %1 Ltd").arg(i % 60),
            QStringLiteral("%1.%2").arg(i % 900 + 1).arg(i % 100, 2, 10, QLatin1Char('0')),
            QStringLiteral("LOT%1").arg(i * 31 % 100000, 6, 10, QLatin1Char('0')),
            i % 28 + 1,
            i % 12 + 1,
            QStringLiteral("%1.%2").arg(i % 8).arg(i % 10),
            QStringLiteral("Taken from the chiller display at %1; contract code C-%2. Label intact, sealed in bag %3.")
                .arg(QTime(8, 0).addSecs(60 * (i % 600)).toString(QStringLiteral("HH:mm")))
                .arg(i % 17)
                .arg(i),
            i % 2 ? QStringLiteral("Routine analysis required, or as previously agreed with the laboratory")
                  : QStringLiteral("Salmonella, Listeria monocytogenes, E. coli (%1)").arg(i % 5),
            QStringLiteral("VRXNet Version = 1.0.0, Computer name = WORKSTATION-%1").arg(o),
            QStringLiteral("%1.%2").arg(i % 20 + 1).arg(i % 100, 2, 10, QLatin1Char('0')),
        };
        for (int v = 0; v < values.size(); ++v)
            sample.bindValue(v, values.at(v));
        if (!exec(sample))
            return false;
    }
    return db.commit();
}

// The fastest of `runs` runs of work, in seconds.
double fastest(int runs, const std::function<void()> &work)
{
    double best = std::numeric_limits<double>::max();
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        work();
        best = std::min(best, t.nsecsElapsed() / 1e9);
    }
    return best;
}

// Plain zlib: one raw deflate stream at the default level into a buffer of its bound.
QByteArray zlibDeflate(const QByteArray &data)
{
    z_stream zs{};
    deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&zs, uLong(data.size()))), Qt::Uninitialized);
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    zs.avail_in = uInt(data.size());
    zs.next_out = reinterpret_cast<Bytef *>(out.data());
    zs.avail_out = uInt(out.size());
    deflate(&zs, Z_FINISH);
    out.truncate(qsizetype(zs.total_out));
    deflateEnd(&zs);
    return out;
}

struct Figures
{
    int samples = 0;
    int columns = 0;
    qsizetype packetBytes = 0, sealedBytes = 0, deflatedBytes = 0;
    double packetSeconds = 0, deflateSeconds = 0, encodeSeconds = 0;
    long packetGrowth = -1, deflateGrowth = -1;
    double ratio() const { return packetSeconds / deflateSeconds; }
    double mib() const { return packetBytes / (1024.0 * 1024.0); }
};

bool measure(int samples, int runs, Figures *f)
{
    QTemporaryDir dir;
    const QString path = copyTemplate(dir);
    DataTable rows;
    {
        QSqlDatabase db = openLocalDatabase(path, QStringLiteral("bench"));
        if (!db.isOpen() || !fill(db, samples)) {
            std::fprintf(stderr, "the store could not be filled\n");
            return false;
        }
        QSqlQuery q(db);
        q.prepare(QStringLiteral("SELECT S.*, SO.* FROM SAMPLE S LEFT OUTER JOIN SAMPLE_OFFICER SO ON SO.CODE = "
                                 "S.SAMPLE_OFFICER__CODE ORDER BY SO.NAME, S.LA_SAMPLENO"));
        QString error;
        if (!rows.fillFromQuery(q, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return false;
        }
    }
    closeDatabaseConnection(QStringLiteral("bench"));
    f->samples = rows.rowCount();
    f->columns = rows.fieldCount();

    // The packet as a delivery makes it: encoded and compressed side by side, enciphered.
    QByteArray packet;
    PeakMemory packetMemory;
    packetMemory.start();
    f->packetSeconds = fastest(runs, [&]() {
        QString error;
        if (!PacketCipher::makePacket(rows, &packet, &error))
            std::fprintf(stderr, "packet: %s\n", qPrintable(error));
    });
    f->packetGrowth = packetMemory.growthKiB();
    f->sealedBytes = packet.size();

    // The same dataset packet encoded whole, for plain zlib to deflate.
    const QByteArray encoded = DataPacket::encode(rows);
    f->packetBytes = encoded.size();
    QByteArray deflated;
    PeakMemory deflateMemory;
    deflateMemory.start();
    f->deflateSeconds = fastest(runs, [&]() { deflated = zlibDeflate(encoded); });
    f->deflateGrowth = deflateMemory.growthKiB();
    f->deflatedBytes = deflated.size();
    f->encodeSeconds = fastest(runs, [&]() { DataPacket::encodeTo(rows, [](QByteArrayView) {}); });
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int samples = argc > 1 ? std::max(10, atoi(argv[1])) : 5000;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 5;

    Figures small, large;
    if (!measure(samples / 10, runs, &small) || !measure(samples, runs, &large))
        return 1;
    for (const Figures *f : {&small, &large}) {
        std::printf("%d samples, %d columns: dataset packet %lld bytes, enciphered packet %lld bytes, plain deflate %lld "
                    "bytes (%.1f%%)\n",
                    f->samples, f->columns, static_cast<long long>(f->packetBytes),
                    static_cast<long long>(f->sealedBytes), static_cast<long long>(f->deflatedBytes),
                    100.0 * f->deflatedBytes / f->packetBytes);
        std::printf("  encode + seal: %8.1f ms = %7.1f MiB/s of dataset packet, peak memory growth %ld KiB\n",
                    f->packetSeconds * 1e3, f->mib() / f->packetSeconds, f->packetGrowth);
        std::printf("  plain deflate: %8.1f ms = %7.1f MiB/s, peak memory growth %ld KiB\n", f->deflateSeconds * 1e3,
                    f->mib() / f->deflateSeconds, f->deflateGrowth);
        std::printf("  encoder alone: %8.1f ms = %7.1f MiB/s (for information)\n", f->encodeSeconds * 1e3,
                    f->mib() / f->encodeSeconds);
        std::printf("  encode + seal / plain deflate: %.2f (aim: 1.80 or less)\n", f->ratio());
    }
    std::printf("samples=%d columns=%d packet_bytes=%lld sealed_bytes=%lld deflated_bytes=%lld packet_ms=%.1f "
                "deflate_ms=%.1f encode_ms=%.1f compression=%.3f packet_to_deflate_%d=%.2f packet_to_deflate_%d=%.2f "
                "packet_peak_growth_kib_%d=%ld packet_peak_growth_kib_%d=%ld deflate_peak_growth_kib_%d=%ld "
                "deflate_peak_growth_kib_%d=%ld\n",
                large.samples, large.columns, static_cast<long long>(large.packetBytes),
                static_cast<long long>(large.sealedBytes), static_cast<long long>(large.deflatedBytes),
                large.packetSeconds * 1e3, large.deflateSeconds * 1e3, large.encodeSeconds * 1e3,
                double(large.deflatedBytes) / large.packetBytes, small.samples, small.ratio(), large.samples,
                large.ratio(), small.samples, small.packetGrowth, large.samples, large.packetGrowth, small.samples,
                small.deflateGrowth, large.samples, large.deflateGrowth);
    return 0;
}
