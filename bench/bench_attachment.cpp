// bench_attachment [MiB]
//
// Against a varnex-server of its own on a loopback port: one attachment of a tenth of `MiB` and
// one of `MiB` mebibytes (default 40) uploaded through the attachment module and downloaded again
// to a file, each timed, beside a bare channel POST of the same bytes in the same run (what the
// transport alone costs: the server reads the body and refuses it). Prints the rates, each path's
// ratio to the bare POST (aim: 0.30 or more) and its peak memory growth as a multiple of the file,
// at both sizes; the last line holds the figures as name=value pairs.
#include "BenchServer.h"
#include "PeakMemory.h"
#include "remote/HttpChannel.h"
#include "samples/SampleAttachment_DM.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <limits>

namespace {

struct Figures
{
    qint64 bytes = 0;
    double bare = 0, up = 0, down = 0; // MiB/s
    double upPeak = -1, downPeak = -1;  // peak growth over the file's size
    double upRatio() const { return up / bare; }
    double downRatio() const { return down / bare; }
};

double mibPerSecond(qint64 bytes, const QElapsedTimer &t)
{
    return double(bytes) / (1024 * 1024) / (double(t.nsecsElapsed()) / 1e9);
}

// One file of `bytes` random bytes: the bare POST, the upload and the download, the fastest of
// `runs` of each.
bool measure(const QString &url, const QTemporaryDir &dir, qint64 bytes, int runs, Figures *f)
{
    f->bytes = bytes;
    QByteArray content(bytes, Qt::Uninitialized);
    QRandomGenerator(11).fillRange(reinterpret_cast<quint32 *>(content.data()), content.size() / 4);
    const QString source = dir.filePath(QStringLiteral("attachment-%1.bin").arg(bytes));
    {
        QFile file(source);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(source));
            return false;
        }
    }
    HttpChannel bare;
    bare.setTargetUrl(url);
    bare.setTimeoutMs(600000);
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        try {
            long status = 0;
            bare.post(content, 600000, &status);
        } catch (const std::exception &) {
        }
        f->bare = std::max(f->bare, mibPerSecond(bytes, t));
    }
    content = QByteArray(); // the module reads the file itself

    CentralServerSettings settings;
    settings.serverAddress = url;
    TSampleAttachmentDm dm(settings, QStringLiteral("DEMO"));
    const QString target = dir.filePath(QStringLiteral("downloaded.bin"));
    const double fileKiB = double(bytes) / 1024;
    for (int r = 0; r < runs; ++r) {
        PeakMemory upMemory;
        upMemory.start();
        QElapsedTimer t;
        t.start();
        qint64 id = 0;
        try {
            id = dm.UploadFile(source, QStringLiteral("benchmark"), QStringLiteral("BENCH-1"));
        } catch (const std::exception &e) {
            std::fprintf(stderr, "upload failed: %s\n", e.what());
            return false;
        }
        f->up = std::max(f->up, mibPerSecond(bytes, t));
        f->upPeak = std::max(f->upPeak, upMemory.growthKiB() / fileKiB);

        PeakMemory downMemory;
        downMemory.start();
        t.start();
        try {
            dm.SaveAttachmentToFile(id, target);
        } catch (const std::exception &e) {
            std::fprintf(stderr, "download failed: %s\n", e.what());
            return false;
        }
        f->down = std::max(f->down, mibPerSecond(bytes, t));
        f->downPeak = std::max(f->downPeak, downMemory.growthKiB() / fileKiB);
        if (QFileInfo(target).size() != bytes) {
            std::fprintf(stderr, "the download is not whole\n");
            return false;
        }
        dm.DeleteAttachment(id);
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 mib = argc > 1 ? std::max<qint64>(1, QByteArray(argv[1]).toLongLong()) : 40;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 3;

    QTemporaryDir dir;
    QProcess server;
    const QString url = startBenchServer(server, dir.filePath(QStringLiteral("server")));
    if (url.isEmpty())
        return 1;
    Figures small, large;
    const qint64 bytes = mib * 1024 * 1024;
    const bool measured = measure(url, dir, bytes / 10, runs, &small) && measure(url, dir, bytes, runs, &large);
    server.kill();
    server.waitForFinished(5000);
    if (!measured)
        return 1;

    for (const Figures *f : {&small, &large}) {
        std::printf("attachment of %.1f MiB through a local server\n", double(f->bytes) / (1024 * 1024));
        std::printf("  bare channel POST:  %8.1f MiB/s\n", f->bare);
        std::printf("  upload:             %8.1f MiB/s (%.2f of the bare POST), peak growth %.2f x the file\n", f->up,
                    f->upRatio(), f->upPeak);
        std::printf("  download:           %8.1f MiB/s (%.2f of the bare POST), peak growth %.2f x the file\n", f->down,
                    f->downRatio(), f->downPeak);
    }
    const int smallKiB = int(small.bytes / 1024), largeKiB = int(large.bytes / 1024);
    std::printf("size_kib=%d bare_mib_per_s=%.1f up_mib_per_s=%.1f down_mib_per_s=%.1f up_to_bare_%d=%.2f "
                "up_to_bare_%d=%.2f down_to_bare_%d=%.2f down_to_bare_%d=%.2f up_peak_to_file_%d=%.2f "
                "up_peak_to_file_%d=%.2f down_peak_to_file_%d=%.2f down_peak_to_file_%d=%.2f\n",
                largeKiB, large.bare, large.up, large.down, smallKiB, small.upRatio(), largeKiB, large.upRatio(), smallKiB,
                small.downRatio(), largeKiB, large.downRatio(), smallKiB, small.upPeak, largeKiB, large.upPeak, smallKiB,
                small.downPeak, largeKiB, large.downPeak);
    return 0;
}
