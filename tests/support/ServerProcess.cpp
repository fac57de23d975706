#include "support/ServerProcess.h"

#include "remote/HttpChannel.h"

#include <QDir>
#include <QTcpServer>

#include <signal.h>

ServerProcess::ServerProcess() = default;

ServerProcess::~ServerProcess()
{
    kill();
}

int ServerProcess::freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

bool ServerProcess::start(const QStringList &extraArgs)
{
    kill();
    m_port = freePort();
    const QString program = QDir(QStringLiteral(VARNEX_BIN_DIR)).filePath(QStringLiteral("varnex-server"));
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(program, QStringList{QStringLiteral("--data"), m_dir.filePath(QStringLiteral("store")),
                                         QStringLiteral("--port"), QString::number(m_port)} + extraArgs);
    if (!m_process.waitForStarted(10000)) {
        m_error = m_process.errorString();
        return false;
    }
    QByteArray output;
    // Creating the store on the first start runs isql; give it time, but never hang for ever.
    for (int i = 0; i < 600 && !output.contains("listening"); ++i) {
        if (m_process.state() != QProcess::Running)
            break;
        m_process.waitForReadyRead(100);
        output += m_process.readAll();
    }
    if (!output.contains("listening")) {
        m_error = QString::fromLocal8Bit(output + m_process.readAll());
        kill();
        return false;
    }
    return true;
}

void ServerProcess::kill()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
}

int ServerProcess::stop(int signal, int timeoutMs)
{
    if (m_process.state() == QProcess::NotRunning)
        return -1;
    ::kill(pid_t(m_process.processId()), signal);
    if (!m_process.waitForFinished(timeoutMs)) {
        kill();
        return -1;
    }
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

bool ServerProcess::control(const QByteArray &json)
{
    HttpChannel channel;
    channel.setTargetUrl(baseUrl() + QStringLiteral("/control"));
    channel.setTimeoutMs(5000);
    try {
        return channel.post(json) == "ok";
    } catch (...) {
        return false;
    }
}
