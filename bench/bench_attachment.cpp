// Against a varnex-server of its own on a loopback port: one attachment of the given size (40 MiB
// by default) uploaded through the attachment module and downloaded again to a file, each timed,
// beside a bare channel POST of the same bytes in the same run (what the transport alone costs).
// The last line holds the figures as name=value pairs.
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

namespace {

double seconds(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 mib = argc > 1 ? QByteArray(argv[1]).toLongLong() : 40;
    const qint64 bytes = mib * 1024 * 1024;

    QTemporaryDir dir;
    QProcess server;
    const QString url = startBenchServer(server, dir.filePath(QStringLiteral("server")));
    if (url.isEmpty())
        return 1;

    QByteArray content(bytes, Qt::Uninitialized);
    QRandomGenerator(11).fillRange(reinterpret_cast<quint32 *>(content.data()), content.size() / 4);
    const QString source = dir.filePath(QStringLiteral("attachment.bin"));
    {
        QFile f(source);
        if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(source));
            return 1;
        }
    }

    // The transport alone: the same bytes in one POST (the server refuses the body; the bytes went).
    HttpChannel bare;
    bare.setTargetUrl(url);
    bare.setTimeoutMs(600000);
    QElapsedTimer t;
    t.start();
    long status = 0;
    try {
        bare.post(content, 600000, &status);
    } catch (const std::exception &) {
    }
    const double bareSeconds = seconds(t);
    content = QByteArray(); // the module reads the file itself

    CentralServerSettings settings;
    settings.serverAddress = url;
    TSampleAttachmentDm dm(settings, QStringLiteral("DEMO"));
    PeakMemory upMemory;
    upMemory.start();
    t.start();
    qint64 id = 0;
    try {
        id = dm.UploadFile(source, QStringLiteral("benchmark"), QStringLiteral("BENCH-1"));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "upload failed: %s\n", e.what());
        return 1;
    }
    const double upSeconds = seconds(t);
    const long upPeak = upMemory.growthKiB();

    PeakMemory downMemory;
    downMemory.start();
    t.start();
    const QString target = dir.filePath(QStringLiteral("downloaded.bin"));
    try {
        dm.SaveAttachmentToFile(id, target);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "download failed: %s\n", e.what());
        return 1;
    }
    const double downSeconds = seconds(t);
    const long downPeak = downMemory.growthKiB();
    if (QFileInfo(target).size() != bytes) {
        std::fprintf(stderr, "the download is not whole\n");
        return 1;
    }
    server.kill();
    server.waitForFinished(5000);

    const double mb = double(bytes) / (1024 * 1024);
    const double bareRate = mb / bareSeconds, upRate = mb / upSeconds, downRate = mb / downSeconds;
    const double fileKiB = double(bytes) / 1024;
    std::printf("attachment of %.0f MiB through a local server\n", mb);
    std::printf("  bare channel POST:  %8.1f MiB/s\n", bareRate);
    std::printf("  upload:             %8.1f MiB/s (%.2f of the bare POST), peak growth %.2f x the file\n", upRate,
                upRate / bareRate, upPeak < 0 ? -1.0 : upPeak / fileKiB);
    std::printf("  download:           %8.1f MiB/s (%.2f of the bare POST), peak growth %.2f x the file\n", downRate,
                downRate / bareRate, downPeak < 0 ? -1.0 : downPeak / fileKiB);
    std::printf("size_mib=%.0f bare_mib_per_s=%.1f up_mib_per_s=%.1f down_mib_per_s=%.1f up_to_bare=%.2f down_to_bare=%.2f "
                "up_peak_to_file=%.2f down_peak_to_file=%.2f\n",
                mb, bareRate, upRate, downRate, upRate / bareRate, downRate / bareRate,
                upPeak < 0 ? -1.0 : upPeak / fileKiB, downPeak < 0 ? -1.0 : downPeak / fileKiB);
    return 0;
}
