// varnex-server --data DIR --port N [--seed FILE] [--bind ADDRESS] [fault switches]
#include "Faults.h"
#include "ServerDispatcher.h"
#include "ServerNews.h"
#include "ServerStore.h"
#include "base/VarnexError.h"

#include <httplib.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

constexpr size_t MaxBodySize = size_t(256) * 1024 * 1024;

void applyControl(Faults &faults, const QJsonObject &o)
{
    if (o.contains(QLatin1String("refuseServiceLogin")))
        faults.refuseServiceLogin = o.value(QLatin1String("refuseServiceLogin")).toBool();
    if (o.contains(QLatin1String("failCall")))
        faults.failCall = o.value(QLatin1String("failCall")).toInt();
    if (o.contains(QLatin1String("dropReply")))
        faults.dropReply = o.value(QLatin1String("dropReply")).toInt();
    if (o.contains(QLatin1String("stallMs")))
        faults.stallMs = o.value(QLatin1String("stallMs")).toInt();
    // Call numbers of failCall and dropReply count from the moment they are set.
    faults.callCounter = 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("varnex-server"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Stand-in central server for Varnex Desktop"));
    parser.addHelpOption();
    const QCommandLineOption dataOpt(QStringLiteral("data"), QStringLiteral("Data folder of the store."), QStringLiteral("DIR"));
    const QCommandLineOption portOpt(QStringLiteral("port"), QStringLiteral("TCP port."), QStringLiteral("N"));
    const QCommandLineOption seedOpt(QStringLiteral("seed"), QStringLiteral("JSON rows added when the store is created."), QStringLiteral("FILE"));
    const QCommandLineOption bindOpt(QStringLiteral("bind"), QStringLiteral("Address to listen on (default 127.0.0.1)."), QStringLiteral("ADDRESS"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption refuseOpt(QStringLiteral("fault-refuse-service-login"), QStringLiteral("Refuse every login."));
    const QCommandLineOption failOpt(QStringLiteral("fault-fail-call"), QStringLiteral("Fail the Nth call."), QStringLiteral("N"));
    const QCommandLineOption dropOpt(QStringLiteral("fault-drop-reply"), QStringLiteral("Carry out the Nth call, then lose its reply."), QStringLiteral("N"));
    const QCommandLineOption stallOpt(QStringLiteral("fault-stall-ms"), QStringLiteral("Wait before every call."), QStringLiteral("MS"));
    const QCommandLineOption maxBodyOpt(QStringLiteral("max-body"), QStringLiteral("Largest request body in bytes (default 256 MiB)."), QStringLiteral("BYTES"));
    const QCommandLineOption controlOpt(QStringLiteral("enable-control"), QStringLiteral("Accept fault switches on POST /control (tests only)."));
    parser.addOptions({dataOpt, portOpt, seedOpt, bindOpt, refuseOpt, failOpt, dropOpt, stallOpt, maxBodyOpt, controlOpt});
    parser.process(app);

    bool portOk = false;
    const int port = parser.value(portOpt).toInt(&portOk);
    if (!parser.isSet(dataOpt) || !portOk || port <= 0 || port > 65535) {
        std::fprintf(stderr, "varnex-server: --data DIR and --port N (1..65535) are required\n");
        return 2;
    }

    Faults faults;
    faults.refuseServiceLogin = parser.isSet(refuseOpt);
    faults.failCall = parser.value(failOpt).toInt();
    faults.dropReply = parser.value(dropOpt).toInt();
    faults.stallMs = parser.value(stallOpt).toInt();

    ServerStore store(parser.value(dataOpt));
    try {
        store.openOrCreate(parser.value(seedOpt));
    } catch (const VarnexError &e) {
        std::fprintf(stderr, "varnex-server: %s\n", qPrintable(e.message()));
        return 1;
    }
    ServerDispatcher dispatcher(store, faults);

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
        const ServerDispatcher::Outcome out = dispatcher.handle(QByteArray(req.body.data(), qsizetype(req.body.size())));
        if (out.drop) {
            // The work is done, but the answer is cut off: the client sees a broken transfer.
            res.set_chunked_content_provider("application/cbor", [](size_t, httplib::DataSink &) { return false; });
            return;
        }
        res.status = out.httpStatus;
        if (!out.body.isEmpty())
            res.set_content(out.body.constData(), size_t(out.body.size()), "application/cbor");
    };
    // The message dispatcher: any path ending in "/bin".
    server.Post(R"(.*/bin)", dispatchHandler);
    registerNewsPage(server);
    if (parser.isSet(controlOpt)) {
        server.Post("/control", [&](const httplib::Request &req, httplib::Response &res) {
            const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(req.body));
            if (!doc.isObject()) {
                res.status = 400;
                res.set_content("control body must be a JSON object", "text/plain");
                return;
            }
            applyControl(faults, doc.object());
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
    server.listen_after_bind();
    return 0;
}
