// varnex-server --data DIR --port N [--seed FILE] [--bind ADDRESS] [--max-body BYTES]
//               [--header-timeout SECONDS] [--body-timeout SECONDS]
//               [--envelope-pass-phrase TEXT] [fault switches]
#include "Faults.h"
#include "HttpCompression.h"
#include "HttpFront.h"
#include "ServerDispatcher.h"
#include "ServerNews.h"
#include "ServerStore.h"
#include "base/VarnexError.h"
#include "remote/AesEnvelope.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#include <pthread.h>
#include <signal.h>

namespace {

// Sets the switches named in a control object; false with *error for a value it cannot take.
bool applyControl(Faults &faults, const QJsonObject &o, QString *error)
{
    const auto target = [&](const char *key, QString *out) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isNull() || v.isUndefined()) {
            out->clear();
            return true;
        }
        if (!v.isString() || !Faults::isValidTarget(v.toString())) {
            *error = QStringLiteral("%1 takes \"Service.Operation\" (or \"\" or null to switch it off)").arg(QLatin1String(key));
            return false;
        }
        *out = v.toString();
        return true;
    };
    QString failCall, dropReply;
    if ((o.contains(QLatin1String("failCall")) && !target("failCall", &failCall))
        || (o.contains(QLatin1String("dropReply")) && !target("dropReply", &dropReply)))
        return false;
    if (o.contains(QLatin1String("refuseServiceLogin")))
        faults.setRefuseServiceLogin(o.value(QLatin1String("refuseServiceLogin")).toBool());
    if (o.contains(QLatin1String("failCall")))
        faults.setFailCall(failCall);
    if (o.contains(QLatin1String("dropReply")))
        faults.setDropReply(dropReply);
    if (o.contains(QLatin1String("stallMs")))
        faults.setStallMs(o.value(QLatin1String("stallMs")).toInt());
    return true;
}

// SIGTERM and SIGINT are taken by one thread of their own: every other thread (the engine's and
// the server's included) is started with both blocked. The server then stops accepting, drops
// the connections that have not sent a whole request, finishes the requests in hand (each commits
// its own transaction), and main closes the store.
class StopSignals
{
public:
    StopSignals()
    {
        // A shell starts background jobs with SIGINT ignored, and an ignored signal is dropped even
        // while blocked; the server is to stop on either signal however it was started.
        std::signal(SIGTERM, SIG_DFL);
        std::signal(SIGINT, SIG_DFL);
        sigemptyset(&m_signals);
        sigaddset(&m_signals, SIGTERM);
        sigaddset(&m_signals, SIGINT);
        pthread_sigmask(SIG_BLOCK, &m_signals, nullptr);
        m_thread = std::thread([this] {
            int signal = 0;
            sigwait(&m_signals, &signal);
            m_requested = true;
            if (HttpFront *front = m_front.load())
                front->stop();
        });
    }
    ~StopSignals() { finish(); }
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    // A stop asked for before the front is watched is seen through requested().
    void watch(HttpFront *front)
    {
        m_front = front;
        if (m_requested)
            front->stop();
    }
    bool requested() const { return m_requested; }
    // Ends the signal thread; from then on it no longer touches the front.
    void finish()
    {
        if (!m_thread.joinable())
            return;
        if (!m_requested)
            pthread_kill(m_thread.native_handle(), SIGTERM); // wakes the waiting thread
        m_thread.join();
    }

private:
    sigset_t m_signals;
    std::thread m_thread;
    std::atomic<HttpFront *> m_front{nullptr};
    std::atomic<bool> m_requested{false};
};

} // namespace

int main(int argc, char *argv[])
{
    StopSignals stopSignals;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("varnex-server"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Stand-in central server for Varnex Desktop"));
    parser.addHelpOption();
    const QCommandLineOption dataOpt(QStringLiteral("data"), QStringLiteral("Data folder of the store."), QStringLiteral("DIR"));
    const QCommandLineOption portOpt(QStringLiteral("port"), QStringLiteral("TCP port."), QStringLiteral("N"));
    const QCommandLineOption seedOpt(QStringLiteral("seed"), QStringLiteral("JSON rows added when the store is created."), QStringLiteral("FILE"));
    const QCommandLineOption bindOpt(QStringLiteral("bind"), QStringLiteral("Address to listen on (default 127.0.0.1)."), QStringLiteral("ADDRESS"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption passPhraseOpt(QStringLiteral("envelope-pass-phrase"),
                                           QStringLiteral("Pass phrase of the AES envelope, taken as UTF-8 (default: the one built into the client)."),
                                           QStringLiteral("TEXT"));
    const QCommandLineOption refuseOpt(QStringLiteral("fault-refuse-service-login"), QStringLiteral("Refuse every login."));
    const QCommandLineOption failOpt(QStringLiteral("fault-fail-call"), QStringLiteral("Fail the next call of Service.Operation."), QStringLiteral("SERVICE.OPERATION"));
    const QCommandLineOption dropOpt(QStringLiteral("fault-drop-reply"), QStringLiteral("Carry out the next call of Service.Operation, then lose its reply."), QStringLiteral("SERVICE.OPERATION"));
    const QCommandLineOption stallOpt(QStringLiteral("fault-stall-ms"), QStringLiteral("Wait before every call."), QStringLiteral("MS"));
    const QCommandLineOption maxBodyOpt(QStringLiteral("max-body"), QStringLiteral("Largest request body in bytes (default 256 MiB)."), QStringLiteral("BYTES"));
    const QCommandLineOption headerTimeoutOpt(QStringLiteral("header-timeout"),
                                              QStringLiteral("Seconds a request's line and headers may take to arrive (default 10)."),
                                              QStringLiteral("SECONDS"));
    const QCommandLineOption bodyTimeoutOpt(QStringLiteral("body-timeout"),
                                            QStringLiteral("Seconds a request's body may take to arrive, plus one per 32 KiB (default 30)."),
                                            QStringLiteral("SECONDS"));
    const QCommandLineOption controlOpt(QStringLiteral("enable-control"), QStringLiteral("Accept fault switches on POST /control (tests only)."));
    parser.addOptions({dataOpt, portOpt, seedOpt, bindOpt, passPhraseOpt, refuseOpt, failOpt, dropOpt, stallOpt, maxBodyOpt,
                       headerTimeoutOpt, bodyTimeoutOpt, controlOpt});
    parser.process(app);

    bool portOk = false;
    const int port = parser.value(portOpt).toInt(&portOk);
    if (!parser.isSet(dataOpt) || !portOk || port <= 0 || port > 65535) {
        std::fprintf(stderr, "varnex-server: --data DIR and --port N (1..65535) are required\n");
        return 2;
    }
    for (const QCommandLineOption *opt : {&failOpt, &dropOpt})
        if (!Faults::isValidTarget(parser.value(*opt))) {
            std::fprintf(stderr, "varnex-server: --%s takes SERVICE.OPERATION, e.g. SyncService.GetData\n",
                         qPrintable(opt->names().constFirst()));
            return 2;
        }
    const QByteArray passPhrase = parser.isSet(passPhraseOpt) ? parser.value(passPhraseOpt).toUtf8()
                                                              : AesEnvelope::builtInPassPhrase();
    if (passPhrase.isEmpty()) {
        std::fprintf(stderr, "varnex-server: --envelope-pass-phrase must not be empty\n");
        return 2;
    }

    Faults faults;
    faults.setRefuseServiceLogin(parser.isSet(refuseOpt));
    faults.setFailCall(parser.value(failOpt));
    faults.setDropReply(parser.value(dropOpt));
    faults.setStallMs(parser.value(stallOpt).toInt());

    ServerStore store(parser.value(dataOpt));
    try {
        store.openOrCreate(parser.value(seedOpt));
    } catch (const VarnexError &e) {
        std::fprintf(stderr, "varnex-server: %s\n", qPrintable(e.message()));
        return 1;
    }
    ServerDispatcher dispatcher(store, faults, passPhrase);

    HttpFront::Limits limits;
    if (parser.isSet(maxBodyOpt)) {
        bool ok = false;
        const qlonglong n = parser.value(maxBodyOpt).toLongLong(&ok);
        if (!ok || n <= 0) {
            std::fprintf(stderr, "varnex-server: --max-body needs a positive number of bytes\n");
            return 2;
        }
        limits.maxBody = n;
    }
    for (const auto &[opt, ms] : {std::pair{&headerTimeoutOpt, &limits.headerTimeoutMs}, std::pair{&bodyTimeoutOpt, &limits.bodyTimeoutMs}}) {
        if (!parser.isSet(*opt))
            continue;
        bool ok = false;
        const int seconds = parser.value(*opt).toInt(&ok);
        if (!ok || seconds <= 0 || seconds > 3600) {
            std::fprintf(stderr, "varnex-server: --%s needs a number of seconds (1..3600)\n", qPrintable(opt->names().constFirst()));
            return 2;
        }
        *ms = seconds * 1000;
    }
    HttpFront::Routes server;
    // Bodies reach httplib whole and checked (see HttpFront); its own limit stays as a second guard.
    server.set_payload_max_length(size_t(limits.maxBody));
    // What httplib announces in Keep-Alive is what the front keeps to.
    server.set_keep_alive_max_count(HttpFront::MaxRequestsPerConnection);
    server.set_keep_alive_timeout(limits.idleTimeoutMs / 1000);
    const auto cborError = [](httplib::Response &res, const QString &message) {
        const QByteArray body = ServerDispatcher::errorBody(QStringLiteral("ProtocolError"), message);
        res.set_content(body.constData(), size_t(body.size()), "application/cbor");
    };
    server.set_error_handler([&](const httplib::Request &, httplib::Response &res) {
        if (res.body.empty())
            cborError(res, QStringLiteral("HTTP error %1").arg(res.status));
    });
    server.set_exception_handler([&](const httplib::Request &, httplib::Response &res, std::exception_ptr) {
        res.status = 500;
        cborError(res, QStringLiteral("The server failed to handle the request"));
    });
    const auto dispatchHandler = [&](const httplib::Request &req, httplib::Response &res) {
        // The body stays in the request while it is handled; no copy of it is needed.
        const ServerDispatcher::Outcome out = dispatcher.handle(QByteArray::fromRawData(req.body.data(), qsizetype(req.body.size())));
        if (out.drop) {
            // The work is done, but the answer is cut off: the client sees a broken transfer.
            res.set_chunked_content_provider("application/cbor", [](size_t, httplib::DataSink &) { return false; });
            return;
        }
        res.status = out.httpStatus;
        if (out.body.isEmpty())
            return;
        QByteArray body = out.body;
        // An enveloped answer is ciphertext, which does not compress.
        if (body.size() >= HttpCompression::MinSize && !AesEnvelope::isWrapped(body)) {
            const QByteArray coding = HttpCompression::chooseCoding(QByteArray::fromStdString(req.get_header_value("Accept-Encoding")));
            if (!coding.isEmpty()) {
                body = HttpCompression::compress(body, coding);
                res.set_header("Content-Encoding", coding.toStdString());
            }
        }
        res.set_header("Vary", "Accept-Encoding");
        res.set_content(body.constData(), size_t(body.size()), "application/cbor");
    };
    // The message dispatcher: any path ending in "/bin".
    server.Post(R"(.*/bin)", dispatchHandler);
    registerNewsPage(server);
    if (parser.isSet(controlOpt)) {
        server.Post("/control", [&](const httplib::Request &req, httplib::Response &res) {
            const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(req.body));
            QString error = QStringLiteral("control body must be a JSON object");
            if (!doc.isObject() || !applyControl(faults, doc.object(), &error)) {
                res.status = 400;
                res.set_content(error.toStdString(), "text/plain");
                return;
            }
            res.set_content("ok", "text/plain");
        });
    }
    const auto frontError = [](int status, const QString &message) {
        return ServerDispatcher::errorBody(status == 503 ? QStringLiteral("ServerError") : QStringLiteral("ProtocolError"), message);
    };
    HttpFront front(server, limits, frontError);
    const std::string host = parser.value(bindOpt).toStdString();
    std::string listenError;
    if (!front.listen(host, port, &listenError)) {
        std::fprintf(stderr, "varnex-server: cannot listen on %s:%d: %s\n", host.c_str(), port, listenError.c_str());
        return 1;
    }
    std::printf("varnex-server listening on %s:%d\n", host.c_str(), port);
    std::fflush(stdout);
    stopSignals.watch(&front);
    front.run();
    stopSignals.finish();
    // Every worker thread has ended (closing its connection); close the store on this one.
    store.close();
    std::printf("varnex-server stopped\n");
    std::fflush(stdout);
    return 0;
}
