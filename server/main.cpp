// varnex-server --data DIR --port N [--seed FILE] [--bind ADDRESS] [--max-body BYTES]
//               [--envelope-pass-phrase TEXT] [fault switches]
#include "Faults.h"
#include "HttpCompression.h"
#include "ServerDispatcher.h"
#include "ServerNews.h"
#include "ServerStore.h"
#include "base/VarnexError.h"
#include "remote/AesEnvelope.h"

#include <httplib.h>

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

constexpr size_t MaxBodySize = size_t(256) * 1024 * 1024;

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
// the HTTP server's included) is started with both blocked. The server then stops accepting,
// finishes the requests in hand (each commits its own transaction), and main closes the store.
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
            // The HTTP server may not be listening yet; keep asking it to stop until main is done.
            while (!m_done) {
                if (httplib::Server *server = m_server.load(); server && server->is_running())
                    server->stop();
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
    }
    ~StopSignals() { finish(); }
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    void watch(httplib::Server *server) { m_server = server; }
    bool requested() const { return m_requested; }
    // Ends the signal thread; from then on it no longer touches the server.
    void finish()
    {
        if (!m_thread.joinable())
            return;
        m_done = true;
        if (!m_requested)
            pthread_kill(m_thread.native_handle(), SIGTERM); // wakes the waiting thread
        m_thread.join();
    }

private:
    sigset_t m_signals;
    std::thread m_thread;
    std::atomic<httplib::Server *> m_server{nullptr};
    std::atomic<bool> m_requested{false};
    std::atomic<bool> m_done{false};
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
    const QCommandLineOption controlOpt(QStringLiteral("enable-control"), QStringLiteral("Accept fault switches on POST /control (tests only)."));
    parser.addOptions({dataOpt, portOpt, seedOpt, bindOpt, passPhraseOpt, refuseOpt, failOpt, dropOpt, stallOpt, maxBodyOpt, controlOpt});
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

    httplib::Server server;
    size_t maxBody = MaxBodySize;
    if (parser.isSet(maxBodyOpt)) {
        bool ok = false;
        const qulonglong n = parser.value(maxBodyOpt).toULongLong(&ok);
        if (!ok || n == 0) {
            std::fprintf(stderr, "varnex-server: --max-body needs a positive number of bytes\n");
            return 2;
        }
        maxBody = size_t(n);
    }
    server.set_payload_max_length(maxBody);
    server.set_read_timeout(30, 0);
    server.set_write_timeout(30, 0);
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
    const std::string host = parser.value(bindOpt).toStdString();
    if (!server.bind_to_port(host, port)) {
        std::fprintf(stderr, "varnex-server: cannot listen on %s:%d\n", host.c_str(), port);
        return 1;
    }
    std::printf("varnex-server listening on %s:%d\n", host.c_str(), port);
    std::fflush(stdout);
    stopSignals.watch(&server);
    if (!stopSignals.requested())
        server.listen_after_bind();
    stopSignals.finish();
    // Every handler thread has ended (closing its connection); close the store on this one.
    store.close();
    std::printf("varnex-server stopped\n");
    std::fflush(stdout);
    return 0;
}
