#pragma once

// A varnex-server of the benchmark's own on a free loopback port, its data in dataDir.

#include <QHostAddress>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTcpServer>

#include <cstdio>

inline int freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Starts the server with the extra arguments and waits until it listens; its message URL, or an
// empty text (with the server's output on standard error) when it did not start.
inline QString startBenchServer(QProcess &server, const QString &dataDir, const QStringList &extraArgs = {})
{
    const int port = freePort();
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start(QStringLiteral(VARNEX_BIN_DIR "/varnex-server"),
                 QStringList{QStringLiteral("--data"), dataDir, QStringLiteral("--port"), QString::number(port)} + extraArgs);
    server.waitForStarted(10000);
    QByteArray out;
    while (!out.contains("listening") && server.state() == QProcess::Running) {
        server.waitForReadyRead(200);
        out += server.readAll();
    }
    if (!out.contains("listening")) {
        std::fprintf(stderr, "server did not start: %s\n", out.constData());
        return {};
    }
    return QStringLiteral("http://127.0.0.1:%1/varnex/bin").arg(port);
}
