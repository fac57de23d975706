// The stand-in server's limits against a real varnex-server on a loopback port: bodies above the
// limit, chunked or not, are refused at once; clients that dawdle neither stop it answering others
// nor delay its stop; calls run side by side, an upload holding up neither IsAlive nor the others.
#include "remote/HttpChannel.h"
#include "remote/RemoteError.h"
#include "remote/SyncService.h"
#include "remote/SyncWorkerHelper_DM.h"
#include "remote/TableCodec.h"
#include "remote/WireCodec.h"
#include "support/ServerProcess.h"

#include <QUuid>
#include <QtTest>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

using namespace Wire;

namespace {

// A plain socket to the server, each wait on it bounded by a receive time-out.
class RawConnection
{
public:
    explicit RawConnection(int port, int receiveTimeoutMs = 5000)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(quint16(port));
        timeval tv{receiveTimeoutMs / 1000, (receiveTimeoutMs % 1000) * 1000};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        m_connected = ::connect(m_fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
    }
    ~RawConnection() { ::close(m_fd); }
    RawConnection(const RawConnection &) = delete;
    RawConnection &operator=(const RawConnection &) = delete;

    bool connected() const { return m_connected; }
    // False once the server has closed the connection (or refused what was sent).
    bool send(const QByteArray &bytes)
    {
        return ::send(m_fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == ssize_t(bytes.size());
    }
    // What arrives until the server closes the connection or the receive time-out passes.
    QByteArray receive()
    {
        QByteArray in;
        char buffer[4096];
        for (ssize_t n; (n = ::recv(m_fd, buffer, sizeof buffer, 0)) > 0;)
            in.append(buffer, n);
        return in;
    }
    // The status of the answer that arrives, 0 for none.
    int status()
    {
        const QByteArray in = receive();
        return in.startsWith("HTTP/1.1 ") ? in.mid(9, 3).toInt() : 0;
    }

private:
    int m_fd = -1;
    bool m_connected = false;
};

QByteArray isAliveRequest()
{
    return encodeRequest({QStringLiteral("SyncService"), QStringLiteral("IsAlive"), {}});
}

QVariantMap officeRow(qint64 id, const QString &code)
{
    return {{QStringLiteral("ID"), id},
            {QStringLiteral("UNIQUE_UUID"), QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()},
            {QStringLiteral("CODE"), code},
            {QStringLiteral("LOCAL_AUTHORITY__CODE"), QStringLiteral("DEMO")}};
}

} // namespace

class TestServerLimits : public QObject
{
    Q_OBJECT

private:
    ServerProcess m_server; // --max-body 4 MiB, --header-timeout 2
    int port() const { return QUrl(m_server.url()).port(); }
    bool alive(int timeoutMs = 3000) const
    {
        HttpChannel channel;
        channel.setTargetUrl(m_server.url());
        channel.setTimeoutMs(timeoutMs);
        try {
            return SyncService(channel).IsAlive();
        } catch (const RemoteError &) {
            return false;
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_server.start({QStringLiteral("--enable-control"), QStringLiteral("--max-body"), QStringLiteral("4194304"),
                                 QStringLiteral("--header-timeout"), QStringLiteral("2")}),
                 qPrintable(m_server.errorText()));
    }

    // Each body is answered as soon as its head (or its chunks) say what it is, while the client
    // is still sending: a declared 10 GiB was read to its end before, a chunked one without limit.
    void bodiesAreJudgedAsTheyArrive_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("repeat"); // times the body is sent, until the server stops taking it
        QTest::addColumn<int>("status");
        const QByteArray post = "POST /varnex/bin HTTP/1.1\r\nHost: localhost\r\n";
        const QByteArray chunk = "10000\r\n" + QByteArray(0x10000, 'x') + "\r\n";
        QTest::newRow("declared 10 GiB") << post + "Content-Length: 10737418240\r\n\r\n" << QByteArray(0x10000, 'x') << 800 << 413;
        QTest::newRow("chunked beyond the limit") << post + "Transfer-Encoding: chunked\r\n\r\n" << chunk << 800 << 413;
        QTest::newRow("chunked within the limit")
            << post + "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
            << QByteArray::number(isAliveRequest().size(), 16) + "\r\n" + isAliveRequest() + "\r\n0\r\n\r\n" << 1 << 200;
        QTest::newRow("compressed body") << post + "Content-Encoding: gzip\r\nContent-Length: 20\r\n\r\n" << QByteArray(20, 'x')
                                         << 1 << 415;
        QTest::newRow("chunk size that is no number") << post + "Transfer-Encoding: chunked\r\n\r\n" << QByteArray("zz\r\nxx\r\n")
                                                      << 1 << 400;
        QTest::newRow("another transfer coding") << post + "Transfer-Encoding: gzip, chunked\r\n\r\n" << QByteArray("0\r\n\r\n")
                                                 << 1 << 501;
        QTest::newRow("length and chunks") << post + "Content-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n"
                                           << QByteArray("0\r\n\r\n") << 1 << 400;
    }
    void bodiesAreJudgedAsTheyArrive()
    {
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, body);
        QFETCH(int, repeat);
        QFETCH(int, status);
        RawConnection c(port());
        QVERIFY(c.connected());
        QVERIFY(c.send(head));
        for (int i = 0; i < repeat && c.send(body); ++i) {
        }
        QCOMPARE(c.status(), status);
        QVERIFY(alive());
    }

    // Clients that send their headers a byte at a time hold connections, not workers: the server
    // goes on answering, and cuts each of them off when its headers are overdue.
    void dawdlersNeitherStopTheServerNorStay()
    {
        constexpr int Dawdlers = 24;
        std::vector<std::unique_ptr<RawConnection>> slow;
        for (int i = 0; i < Dawdlers; ++i) {
            slow.push_back(std::make_unique<RawConnection>(port(), 8000));
            QVERIFY(slow.back()->send("POST /varnex/bin HTTP/1.1\r\nHost: x\r\n"));
        }
        std::atomic<bool> done{false};
        std::thread dribble([&] {
            for (int tick = 0; tick < 12 && !done; ++tick) {
                for (auto &c : slow)
                    c->send("X");
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
            }
        });
        for (int i = 0; i < 3; ++i)
            QVERIFY(alive(3000));
        for (auto &c : slow)
            QCOMPARE(c->status(), 408);
        done = true;
        dribble.join();
    }

    // A stop finishes the call in hand and drops the connections that have not sent a whole
    // request, at once: before, a half-sent request held the stop for its 30 s read time-out.
    void stopDoesNotWaitForHalfSentRequests()
    {
        ServerProcess server;
        QVERIFY2(server.start(), qPrintable(server.errorText()));
        const int serverPort = QUrl(server.url()).port();
        RawConnection headOnly(serverPort), halfBody(serverPort);
        QVERIFY(headOnly.send("POST /varnex/bin HTTP/1.1\r\nHost: x\r\n"));
        QVERIFY(halfBody.send("POST /varnex/bin HTTP/1.1\r\nHost: x\r\nContent-Length: 1000\r\n\r\n" + QByteArray(10, 'x')));
        QVERIFY(server.control(R"({"stallMs":1500})"));
        std::atomic<int> answered{-1};
        std::thread call([&] {
            HttpChannel channel;
            channel.setTargetUrl(server.url());
            try {
                answered = SyncService(channel).IsAlive() ? 1 : 0;
            } catch (const RemoteError &) {
                answered = 0;
            }
        });
        QThread::msleep(500); // the call is in hand, waiting out the stall
        QCOMPARE(server.stop(SIGTERM, 6000), 0);
        call.join();
        QCOMPARE(answered.load(), 1);
        QCOMPARE(headOnly.receive(), QByteArray());
        QCOMPARE(halfBody.receive(), QByteArray());
    }

    // An upload of many rows holds up neither IsAlive nor other calls: they are answered while it
    // is still being worked on.
    void callsAreAnsweredDuringAnUpload()
    {
        TSyncWorkerHelperDM helper(m_server.url());
        constexpr int Rows = 10000;
        qint64 start = 0, end = 0;
        SyncService(helper.ClientChannel).GetSyncIdRange(Rows, start, end);
        QList<RowChange> changes;
        for (int i = 0; i < Rows; ++i)
            changes << RowChange{RowChange::Insert, {}, officeRow(start + i, QStringLiteral("BULK%1").arg(i))};
        std::atomic<bool> uploading{true};
        QString failure;
        std::thread upload([&] {
            try {
                TSyncWorkerHelperDM uploader(m_server.url());
                uploader.ClientChannel.setTimeoutMs(600000);
                uploader.RemoteDataAdapter.ApplyChanges(QStringLiteral("local_auth_office_update"), changes);
            } catch (const VarnexError &e) {
                failure = e.message();
            }
            uploading = false;
        });
        QThread::msleep(300); // the upload has reached the server
        QVERIFY(alive());
        const DataTable officers = helper.RemoteDataAdapter.Open(
            QStringLiteral("_DYN_SAMPLE_OFFICER"), {}, {{QStringLiteral("CODE"), WhereItem::Equal, QStringLiteral("PLAIN")}});
        QCOMPARE(officers.rowCount(), 1);
        QVERIFY(alive());
        const bool answeredDuringUpload = uploading;
        upload.join();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY(answeredDuringUpload);
    }

    // Uploads side by side, some to the same row: none fails, and the download after a mark has
    // every row once, in ascending UPDATE_ID, the row written by all carrying the last stamp.
    void uploadsSideBySideKeepTheirStamps()
    {
        TSyncWorkerHelperDM helper(m_server.url());
        const QList<DatasetParam> all = {{QStringLiteral("lastupdateid"), QStringLiteral("0")}};
        qint64 mark = 0;
        const DataTable before = helper.RemoteDataAdapter.Open(QStringLiteral("local_auth_office"), all);
        for (int r = 0; r < before.rowCount(); ++r)
            mark = std::max(mark, before.value(r, QStringLiteral("UPDATE_ID")).toLongLong());
        constexpr int Clients = 4, RowsEach = 15;
        qint64 start = 0, end = 0;
        SyncService(helper.ClientChannel).GetSyncIdRange(Clients * RowsEach + 1, start, end);
        const qint64 shared = start + Clients * RowsEach;
        QStringList failures;
        std::mutex failuresLock;
        std::vector<std::thread> clients;
        for (int c = 0; c < Clients; ++c) {
            clients.emplace_back([&, c] {
                try {
                    TSyncWorkerHelperDM client(m_server.url());
                    for (int i = 0; i < RowsEach; ++i) {
                        const qint64 id = start + c * RowsEach + i;
                        client.RemoteDataAdapter.ApplyChanges(QStringLiteral("local_auth_office_update"),
                                                              {{RowChange::Insert, {}, officeRow(id, QStringLiteral("SIDE%1").arg(id))},
                                                               {RowChange::Update, {}, officeRow(shared, QStringLiteral("SHARED"))}});
                    }
                } catch (const VarnexError &e) {
                    std::lock_guard<std::mutex> guard(failuresLock);
                    failures << e.message();
                }
            });
        }
        for (std::thread &t : clients)
            t.join();
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));

        const DataTable after = helper.RemoteDataAdapter.Open(QStringLiteral("local_auth_office"),
                                                              {{QStringLiteral("lastupdateid"), QString::number(mark)}});
        QSet<qint64> ids;
        qint64 previous = mark;
        for (int r = 0; r < after.rowCount(); ++r) {
            const qint64 stamp = after.value(r, QStringLiteral("UPDATE_ID")).toLongLong();
            QVERIFY(stamp > previous);
            previous = stamp;
            ids.insert(after.value(r, QStringLiteral("ID")).toLongLong());
        }
        for (qint64 id = start; id <= shared; ++id)
            QVERIFY2(ids.contains(id), qPrintable(QString::number(id)));
    }
};

QTEST_GUILESS_MAIN(TestServerLimits)
#include "tst_serverlimits.moc"
