#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A varnex-server on a free loopback port with its data in a temporary folder, for one test class.
class ServerProcess
{
public:
    ServerProcess();
    ~ServerProcess();

    // Starts (or restarts on the same data) and waits until it listens; false with errorText().
    bool start(const QStringList &extraArgs = {QStringLiteral("--enable-control")});
    // Ends it at once (SIGKILL), as a crash would.
    void kill();
    // Sends the signal and waits up to timeoutMs for the server to end; its exit status, or -1
    // when it did not end by itself in time (it is killed then) or ended by a signal.
    int stop(int signal, int timeoutMs);
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/varnex/bin").arg(m_port); }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    QString errorText() const { return m_error; }
    QString dataDir() const { return m_dir.path(); }

    // Sets fault switches through the control endpoint, e.g. {"stallMs": 2000} or
    // {"failCall": "SyncService.GetData"} (the next call of that operation fails); true when the
    // server took them.
    bool control(const QByteArray &json);

    static int freePort();

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
    QString m_error;
};
