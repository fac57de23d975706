#pragma once

#include "base/ProductNames.h"
#include "remote/HttpChannel.h"

#include <QObject>
#include <QString>

#include <functional>

// The objects that the update settings file creates by class name and configures property by
// property. Class names are matched without regard to letter case. The names the settings files of
// older installations use are registered beside our own: "TROWinInetHTTPChannel" makes our HTTP
// channel, "TROBinMessage" our wire message.
class ComponentRegistry
{
public:
    using Factory = std::function<QObject *()>;

    static void registerClass(const QString &className, Factory factory);
    static bool isRegistered(const QString &className);
    // A new object without owner; throws VarnexError "Class %1 not found" for an unknown or empty name.
    static QObject *create(const QString &className);
};

// The HTTP channel of the update check, configured through its properties.
class HttpChannelComponent : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString TargetURL READ targetUrl WRITE setTargetUrl)
    // Total time for one call and time to connect, in milliseconds.
    Q_PROPERTY(int TimeOut READ timeOut WRITE setTimeOut)
    Q_PROPERTY(int ConnectTimeOut READ connectTimeOut WRITE setConnectTimeOut)
    Q_PROPERTY(bool KeepAlive READ keepAlive WRITE setKeepAlive)
    Q_PROPERTY(QString UserAgent READ userAgent WRITE setUserAgent)

public:
    static constexpr int DefaultTimeOutMs = 10000;
    static constexpr int DefaultConnectTimeOutMs = 5000;

    explicit HttpChannelComponent(QObject *parent = nullptr);

    QString targetUrl() const { return m_channel.targetUrl(); }
    void setTargetUrl(const QString &url) { m_channel.setTargetUrl(url.trimmed()); }
    int timeOut() const { return m_channel.timeoutMs(); }
    void setTimeOut(int ms) { m_channel.setTimeoutMs(ms); }
    int connectTimeOut() const { return m_channel.connectTimeoutMs(); }
    void setConnectTimeOut(int ms) { m_channel.setConnectTimeoutMs(ms); }
    bool keepAlive() const { return m_channel.keepAlive(); }
    void setKeepAlive(bool on) { m_channel.setKeepAlive(on); }
    QString userAgent() const { return m_userAgent; }
    void setUserAgent(const QString &agent)
    {
        m_userAgent = agent;
        m_channel.setUserAgent(agent);
    }

    HttpChannel &channel() { return m_channel; }

private:
    HttpChannel m_channel;
    QString m_userAgent = Varnex::ProgramName;
};

// The message format of the update check: always our CBOR wire message (docs/wire.md). It has no
// settings of its own; it exists so that a settings file names its message as it names its channel.
class WireMessageComponent : public QObject
{
    Q_OBJECT

public:
    explicit WireMessageComponent(QObject *parent = nullptr) : QObject(parent) {}
};
