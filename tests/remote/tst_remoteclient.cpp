// The remote layer against a real varnex-server on a loopback port.
#include "remote/AesEnvelope.h"
#include "remote/DAData_DM.h"
#include "remote/HttpChannel.h"
#include "remote/LoginService.h"
#include "data/PacketCipher.h"
#include "remote/RemoteDataAdapter.h"
#include "remote/RemoteError.h"
#include "support/PacketBombs.h"
#include "support/ServerProcess.h"
#include "remote/SyncService.h"
#include "remote/SyncWorkerHelper_DM.h"
#include "remote/TableCodec.h"

#include <QBuffer>
#include <QCborArray>
#include <QCborMap>
#include <QTcpSocket>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <thread>

using namespace Wire;

namespace {

// A loopback HTTP server that answers exactly one request with fixed bytes, for replies the real
// server never sends. The accept is bounded by a receive time-out so a test never hangs on it.
class CannedServer
{
public:
    CannedServer(int status, const QByteArray &body)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        ::bind(m_fd, reinterpret_cast<sockaddr *>(&addr), len);
        ::listen(m_fd, 1);
        ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        timeval tv{10, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        m_thread = std::thread([this, status, body] {
            const int c = ::accept(m_fd, nullptr, nullptr);
            if (c < 0)
                return;
            ::setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, &m_receiveTimeout, sizeof m_receiveTimeout);
            QByteArray in;
            char buf[4096];
            qsizetype need = -1;
            while (need < 0 || in.size() < need) {
                const ssize_t n = ::recv(c, buf, sizeof buf, 0);
                if (n <= 0)
                    break;
                in.append(buf, n);
                const qsizetype end = in.indexOf("\r\n\r\n");
                if (need < 0 && end >= 0) {
                    const qsizetype cl = in.toLower().indexOf("content-length:");
                    need = end + 4 + (cl >= 0 ? in.mid(cl + 15, in.indexOf("\r\n", cl) - cl - 15).trimmed().toLongLong() : 0);
                }
            }
            const QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Type: application/cbor\r\n"
                + "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
            ::send(c, out.constData(), size_t(out.size()), MSG_NOSIGNAL);
            ::close(c);
        });
    }
    ~CannedServer()
    {
        ::shutdown(m_fd, SHUT_RDWR);
        m_thread.join();
        ::close(m_fd);
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/varnex/bin").arg(m_port); }

private:
    int m_fd = -1;
    int m_port = 0;
    timeval m_receiveTimeout{10, 0};
    std::thread m_thread;
};

// One POST over a plain socket, for what libcurl hides: the answer's status, its Content-Encoding and
// its body as it travelled.
struct RawAnswer
{
    int status = 0;
    QByteArray contentEncoding;
    QByteArray body;
};

RawAnswer rawPost(int port, const QByteArray &body, const QByteArray &acceptEncoding)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, quint16(port));
    if (!socket.waitForConnected(5000))
        return {};
    QByteArray request = "POST /varnex/bin HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n"
                         "Content-Type: application/cbor\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\n";
    if (!acceptEncoding.isNull())
        request += "Accept-Encoding: " + acceptEncoding + "\r\n";
    socket.write(request + "\r\n" + body);
    QByteArray in;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(5000))
        in += socket.readAll();
    in += socket.readAll();
    const qsizetype end = in.indexOf("\r\n\r\n");
    RawAnswer answer;
    if (end < 0)
        return answer;
    const QList<QByteArray> lines = in.left(end).split('\n');
    answer.status = lines.first().split(' ').value(1).toInt();
    for (const QByteArray &line : lines)
        if (line.toLower().startsWith("content-encoding:"))
            answer.contentEncoding = line.mid(17).trimmed();
    answer.body = in.mid(end + 4);
    return answer;
}

// Inflates gzip or zlib data (the two HTTP codings); empty on failure.
QByteArray inflateAnswer(const QByteArray &data)
{
    z_stream stream{};
    if (inflateInit2(&stream, 15 + 32) != Z_OK)
        return {};
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    stream.avail_in = uInt(data.size());
    QByteArray out;
    char buffer[16384];
    int rc = Z_OK;
    while (rc == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef *>(buffer);
        stream.avail_out = sizeof buffer;
        rc = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, qsizetype(sizeof buffer - stream.avail_out));
    }
    inflateEnd(&stream);
    return rc == Z_STREAM_END ? out : QByteArray();
}

// A new row of the authority's offices with the given id, as the synchronisation uploads it.
QVariantMap officeRow(qint64 id, const QString &code)
{
    return {{QStringLiteral("ID"), id},
            {QStringLiteral("UNIQUE_UUID"), QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()},
            {QStringLiteral("CODE"), code},
            {QStringLiteral("LOCAL_AUTHORITY__CODE"), QStringLiteral("DEMO")},
            {QStringLiteral("IS_SYNCING"), QStringLiteral("T")}};
}

} // namespace

class TestRemoteClient : public QObject
{
    Q_OBJECT

private:
    ServerProcess m_server;

    CentralServerSettings settings() const
    {
        CentralServerSettings s;
        s.serverAddress = m_server.url();
        return s;
    }
    void resetFaults()
    {
        QVERIFY(m_server.control(R"({"refuseServiceLogin":false,"failCall":null,"dropReply":null,"stallMs":0})"));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    }
    void init() { resetFaults(); }

    void serverIsAlive_data()
    {
        QTest::addColumn<bool>("useRealServer");
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("expected");
        QTest::newRow("running server") << true << QString() << true;
        QTest::newRow("closed port") << false << QStringLiteral("http://127.0.0.1:%1/bin").arg(ServerProcess::freePort()) << false;
        QTest::newRow("not a URL") << false << QStringLiteral("::no url::") << false;
        QTest::newRow("empty address") << false << QString() << false;
        QTest::newRow("wrong path") << false << QStringLiteral("PATH:/elsewhere") << false;
    }
    void serverIsAlive()
    {
        QFETCH(bool, useRealServer);
        QFETCH(QString, url);
        QFETCH(bool, expected);
        if (useRealServer)
            url = m_server.url();
        if (url.startsWith(QLatin1String("PATH:")))
            url = m_server.baseUrl() + url.mid(5);
        TSyncWorkerHelperDM helper;
        helper.ClientChannel.setConnectTimeoutMs(2000);
        helper.ClientChannel.setTimeoutMs(5000);
        helper.SetRemoteServerURL(url);
        QCOMPARE(helper.ServerIsAlive(), expected);
    }

    // Each thread owns its instance; nothing is shared between them.
    void aliveChecksOnSeveralThreads()
    {
        std::atomic<int> alive{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&] {
                TSyncWorkerHelperDM helper(m_server.url());
                for (int i = 0; i < 5; ++i)
                    if (helper.ServerIsAlive())
                        ++alive;
            });
        for (std::thread &t : threads)
            t.join();
        QCOMPARE(alive.load(), 20);
    }

    // A stalled server: the call ends with a transport failure once its time-out passes, and the
    // alive check reads that as false; the server serves again once the stall is lifted.
    // Replies the client must never take for success: each ends in the named failure.
    void badRepliesAreRefused_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("enveloped");
        QTest::addColumn<QString>("failure");
        const AesEnvelope envelope(AesEnvelope::builtInPassPhrase());
        Reply ok;
        ok.results << Param::boolean(QStringLiteral("Result"), true);
        const QByteArray okBody = encodeReply(ok);
        QByteArray tampered = envelope.wrap(okBody);
        tampered[tampered.size() - 20] = char(tampered.at(tampered.size() - 20) ^ 1);
        QCborMap shape;
        shape.insert(QStringLiteral("varnex"), 1);
        shape.insert(QStringLiteral("kind"), QStringLiteral("reply"));
        shape.insert(QStringLiteral("results"), QStringLiteral("none"));
        QTest::newRow("success outside the envelope") << 200 << okBody << true << QStringLiteral("ProtocolError");
        QTest::newRow("tampered envelope") << 200 << tampered << true << QStringLiteral("ProtocolError");
        QTest::newRow("envelope not asked for") << 200 << envelope.wrap(okBody) << false << QStringLiteral("ProtocolError");
        QTest::newRow("garbage") << 200 << QByteArray("<html>proxy</html>") << false << QStringLiteral("ProtocolError");
        QTest::newRow("truncated") << 200 << okBody.left(okBody.size() - 2) << false << QStringLiteral("ProtocolError");
        QTest::newRow("empty") << 200 << QByteArray() << false << QStringLiteral("ProtocolError");
        QTest::newRow("results of the wrong shape") << 200 << QCborValue(shape).toCbor() << false << QStringLiteral("ProtocolError");
        QTest::newRow("success with an error status") << 500 << okBody << false << QStringLiteral("TransportError");
        QTest::newRow("error status without a body") << 502 << QByteArray() << true << QStringLiteral("TransportError");
    }
    void badRepliesAreRefused()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, enveloped);
        QFETCH(QString, failure);
        CannedServer canned(status, body);
        HttpChannel channel;
        channel.setTargetUrl(canned.url());
        const AesEnvelope envelope(AesEnvelope::builtInPassPhrase());
        SyncService sync(channel, enveloped ? &envelope : nullptr);
        try {
            const bool alive = sync.IsAlive();
            QFAIL(qPrintable(QStringLiteral("taken for success (%1)").arg(alive)));
        } catch (const RemoteError &e) {
            QCOMPARE(e.className(), failure);
            QVERIFY(!e.message().isEmpty());
        }
    }

    void stalledServerEndsCall()
    {
        QVERIFY(m_server.control(R"({"stallMs":3000})"));
        TSyncWorkerHelperDM helper(m_server.url());
        helper.ClientChannel.setTimeoutMs(300);
        QVERIFY_THROWS_EXCEPTION(TransportError, SyncService(helper.ClientChannel).IsAlive());
        QVERIFY(!helper.ServerIsAlive());
        resetFaults();
        helper.ClientChannel.setTimeoutMs(10000);
        QVERIFY(helper.ServerIsAlive());
    }

    void loginWithServiceAccount()
    {
        TDADataDm dm(settings());
        QVERIFY(dm.Login(QString(), QStringLiteral("vrxuser"), QStringLiteral("kite3")));
        QVERIFY(dm.LoggedIn());
        QCOMPARE(dm.UserId(), 17);
        QCOMPARE(dm.RealName(), QStringLiteral("Varnex service account"));

        TDADataDm wrong(settings());
        QVERIFY(!wrong.Login(QString(), QStringLiteral("vrxuser"), QStringLiteral("wrong")));
        QVERIFY(!wrong.LoggedIn());
        QCOMPARE(wrong.UserId(), 0);
        QVERIFY(wrong.RealName().isEmpty());
    }

    // When the server refuses the built-in account, nothing is posted and the caller learns of it.
    void refusedServiceAccountFails()
    {
        QVERIFY(m_server.control(R"({"refuseServiceLogin":true})"));
        TDADataDm dm(settings());
        QBuffer content;
        content.setData("packet");
        try {
            dm.AddFileToPostBox("S", "", "", "", "", "", "", "", "", "", "", content, "");
            QFAIL("AddFileToPostBox returned normally although the login was refused");
        } catch (const RemoteError &e) {
            QVERIFY2(e.message().contains(QLatin1String("refused the service account \"vrxuser\"")), qPrintable(e.message()));
        }
        QVERIFY_THROWS_EXCEPTION(RemoteError, dm.SetProsecutionForSample(QStringLiteral("DEMO-0001"), true));
        QVERIFY(!dm.LoggedIn());
        QCOMPARE(dm.tblInsertFile.rowCount(), 0);
    }

    void postboxRowIsStoredAndDecodes()
    {
        DataTable samples({{QStringLiteral("CODE"), FieldType::String, 30}, {QStringLiteral("QTY"), FieldType::Int64},
                           {QStringLiteral("NOTE"), FieldType::Memo}});
        QVERIFY(samples.appendRow({QStringLiteral("S-1"), 5, QString(QLatin1String(""))}));
        QVERIFY(samples.appendRow({QStringLiteral("S-2"), QVariant(), QVariant()}));
        QByteArray packet;
        QString error;
        QVERIFY2(PacketCipher::makePacket(samples, &packet, &error), qPrintable(error));

        QBuffer content;
        content.setData(packet);
        QVERIFY(content.open(QIODevice::ReadOnly));
        content.seek(content.size()); // the export engine hands the stream over at its end

        TDADataDm dm(settings());
        dm.AddFileToPostBox(QStringLiteral("LA1"), QStringLiteral("Sender"), QStringLiteral("SITE"), QStringLiteral("Site"),
                            QStringLiteral("LAB1"), QStringLiteral("Lab"), QStringLiteral("Pat"), QStringLiteral("pat@x"),
                            QStringLiteral("0123"), QStringLiteral("my comment"), QStringLiteral("FOOD"), content, QString());
        QCOMPARE(dm.tblInsertFile.rowCount(), 1);
        const qint64 id = dm.tblInsertFile.value(0, QStringLiteral("ID")).toLongLong();
        QVERIFY(id > 0);

        RemoteDataAdapter adapter(dm.ROChannel, QStringLiteral("PostboxV9Service"), &dm.ROAESEncryptionEnvelope1);
        const DataTable row = adapter.Open(QStringLiteral("FILE_FROM_LA_FOR_ID"), {{QStringLiteral("Id"), id}});
        QCOMPARE(row.rowCount(), 1);
        QCOMPARE(row.value(0, QStringLiteral("CONTENT")).toByteArray(), packet);
        QCOMPARE(row.value(0, QStringLiteral("SENDER_NOTES")).toString(), QStringLiteral("my comment"));
        QVERIFY(row.value(0, QStringLiteral("COMMENT")).isValid());
        QVERIFY(row.value(0, QStringLiteral("COMMENT")).toString().isEmpty());
        QVERIFY(row.value(0, QStringLiteral("CANCELLED_SAMPLE_LIST")).isValid());
        QVERIFY(row.value(0, QStringLiteral("CANCELLED_SAMPLE_LIST")).toString().isEmpty());
        QVERIFY(!row.value(0, QStringLiteral("FILENAME")).isValid());

        const Reply decoded = adapter.service().call(QStringLiteral("DecodeFile"), {Param::int64(QStringLiteral("Id"), id)});
        QCOMPARE(decodeTable(readValue(decoded, QStringLiteral("Data"), Type::Table)), samples);
    }

    // A packet that would expand far beyond its size is refused before it takes the memory.
    void postboxBombIsRefused()
    {
        QByteArray packet;
        QString error;
        QVERIFY2(PacketCipher::seal(twoMillionNullRows(), &packet, &error), qPrintable(error));
        QBuffer content;
        content.setData(packet);
        QVERIFY(content.open(QIODevice::ReadOnly));
        TDADataDm dm(settings());
        dm.AddFileToPostBox(QStringLiteral("LA1"), QString(), QString(), QString(), QString(), QString(), QString(),
                            QString(), QString(), QString(), QStringLiteral("FOOD"), content, QString());
        const qint64 id = dm.tblInsertFile.value(0, QStringLiteral("ID")).toLongLong();
        RemoteDataAdapter adapter(dm.ROChannel, QStringLiteral("PostboxV9Service"), &dm.ROAESEncryptionEnvelope1);
        try {
            adapter.service().call(QStringLiteral("DecodeFile"), {Param::int64(QStringLiteral("Id"), id)});
            QFAIL("decoded");
        } catch (const ServerError &e) {
            QVERIFY2(e.message().contains(QLatin1String("decoding it would take more than the 64 MiB allowed")), qPrintable(e.message()));
        }
    }

    void prosecutionFlag_data()
    {
        QTest::addColumn<bool>("value");
        QTest::addColumn<QString>("stored");
        QTest::newRow("set") << true << QStringLiteral("T");
        QTest::newRow("cleared writes F, not empty") << false << QStringLiteral("F");
    }
    void prosecutionFlag()
    {
        QFETCH(bool, value);
        QFETCH(QString, stored);
        TDADataDm dm(settings());
        dm.SetProsecutionForSample(QStringLiteral("DEMO-0001"), value);
        RemoteTable check(dm.ClientAdapterAdapter, QStringLiteral("FINAL_SAMPLE_FOR_CODE"));
        check.setParam(QStringLiteral("sample_code"), QStringLiteral("DEMO-0001"));
        check.open();
        QCOMPARE(check.rowCount(), 1);
        QCOMPARE(check.value(0, QStringLiteral("FLAG_PROSECUTION")).toString(), stored);
    }

    void prosecutionFlagUnknownSample()
    {
        TDADataDm dm(settings());
        try {
            dm.SetProsecutionForSample(QStringLiteral("NO-SUCH"), true);
            QFAIL("no exception");
        } catch (const RemoteError &e) {
            QCOMPARE(e.message(), QStringLiteral("No sample found on server with code: NO-SUCH"));
        }
    }

    // Blocks are [StartID, EndID): EndID is never used, so even consecutive blocks (and the empty
    // ones of n = 0) must not share an id.
    void idBlocksNeverOverlap()
    {
        HttpChannel channel;
        channel.setTargetUrl(m_server.url());
        SyncService sync(channel);
        QList<QPair<qint64, qint64>> blocks;
        for (qint32 n : {0, 1, 5, 0, 3, 0, 100}) {
            qint64 start = 0, end = 0;
            sync.GetSyncIdRange(n, start, end);
            QCOMPARE(end - start, qint64(n));
            blocks.append({start, end});
        }
        for (int i = 0; i < blocks.size(); ++i)
            for (int j = i + 1; j < blocks.size(); ++j)
                QVERIFY2(blocks[i].second < blocks[j].first || blocks[j].second < blocks[i].first,
                         qPrintable(QStringLiteral("blocks %1 and %2 overlap").arg(i).arg(j)));
        qint64 s = 0, e = 0;
        QVERIFY_THROWS_EXCEPTION(ServerError, sync.GetSyncIdRange(-1, s, e));
    }

    void badBodiesGetErrorAnswers_data()
    {
        QTest::addColumn<QByteArray>("body");
        const QByteArray valid = encodeRequest({QStringLiteral("SyncService"), QStringLiteral("IsAlive"), {}});
        QTest::newRow("garbage") << QByteArray("\xff\x00garbage\x13", 10);
        QTest::newRow("truncated") << valid.left(valid.size() / 2);
        QTest::newRow("trailing bytes") << valid + QByteArray("xx");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("envelope marker only") << QByteArray("AES");
        QTest::newRow("envelope with garbage") << QByteArray("AES") + QByteArray(64, 'x');
        QTest::newRow("unknown service") << encodeRequest({QStringLiteral("Nope"), QStringLiteral("IsAlive"), {}});
        QTest::newRow("mistyped parameter") << encodeRequest({QStringLiteral("SyncService"), QStringLiteral("GetSyncIdRange"),
                                                               {Param::string(QStringLiteral("QuantityRequired"), QStringLiteral("5"))}});
        QTest::newRow("unknown dataset") << encodeRequest({QStringLiteral("SyncService"), QStringLiteral("GetData"),
                                                            {Param::string(QStringLiteral("DatasetName"), QStringLiteral("RDB$RELATIONS"))}});
        QTest::newRow("where on an unknown column") << encodeRequest(
            {QStringLiteral("SyncService"), QStringLiteral("GetData"),
             {Param::string(QStringLiteral("DatasetName"), QStringLiteral("_dyn_sample_officer")),
              {QStringLiteral("Where"), Type::Where, encodeWhere({{QStringLiteral("1=1 OR EMAIL_ADDRESS"), WhereItem::Equal, 1}})}}});
        QTest::newRow("write of an unknown column") << encodeRequest(
            {QStringLiteral("SyncService"), QStringLiteral("UpdateData"),
             {Param::string(QStringLiteral("DatasetName"), QStringLiteral("local_auth_office_update")),
              {QStringLiteral("Changes"), Type::Changes,
               encodeChanges({{RowChange::Insert, {}, {{QStringLiteral("ID"), 1}, {QStringLiteral("NO_SUCH"), 2}}}})}}});
    }
    void hostileBodiesGetErrorAnswers_data()
    {
        QTest::addColumn<QByteArray>("body");
        const auto data = [](const QString &service, const QString &op, const QList<Param> &params) {
            return encodeRequest({service, op, params});
        };
        const Param officer = Param::string(QStringLiteral("DatasetName"), QStringLiteral("_dyn_sample_officer"));
        const auto where = [](const QString &field, const QVariant &value) {
            return Param{QStringLiteral("Where"), Type::Where, encodeWhere({{field, WhereItem::Equal, value}})};
        };
        QTest::newRow("nested beyond any message") << QByteArray(100000, '\x81') + QByteArray(1, '\0');
        QTest::newRow("byte string of 2^56 bytes declared") << QByteArray("\x5b\x00\xff\xff\xff\xff\xff\xff\xff", 9) + "abc";
        QTest::newRow("array of 2^32 items declared") << QByteArray("\x9b\x00\x00\x00\x00\xff\xff\xff\xff", 9) + "abc";
        QTest::newRow("map of 2^31 pairs declared") << QByteArray("\xba\x7f\xff\xff\xff", 5) + QByteArray(64, '\0');
        // 2 MB of one-byte items, which the operation would ignore, would take tens of MB decoded.
        QTest::newRow("two million nulls beside a call") << [] {
            const QByteArray bytes = encodeRequest({QStringLiteral("SyncService"), QStringLiteral("IsAlive"),
                                                    {{QStringLiteral("Padding"), Type::Array, QCborArray{}}}});
            const qsizetype at = bytes.size() - 1; // the empty array ends the message
            return bytes.left(at) + QByteArray("\x9a\x00\x1e\x84\x80", 5) + QByteArray(2000000, char(0xf6));
        }();
        QTest::newRow("service of the wrong type") << [] {
            QCborMap m = QCborValue::fromCbor(encodeRequest({QStringLiteral("SyncService"), QStringLiteral("IsAlive"), {}})).toMap();
            m.insert(QStringLiteral("service"), 7);
            return QCborValue(m).toCbor();
        }();
        QTest::newRow("unknown operation") << data(QStringLiteral("SyncService"), QStringLiteral("DropTable"), {officer});
        QTest::newRow("id block of more than allowed")
            << data(QStringLiteral("SyncService"), QStringLiteral("GetSyncIdRange"), {Param::int32(QStringLiteral("QuantityRequired"), INT32_MAX)});
        QTest::newRow("negative page size") << data(QStringLiteral("SyncService"), QStringLiteral("GetData"),
                                                    {officer, Param::int32(QStringLiteral("MaxRows"), -5)});
        QTest::newRow("where with a quote in the field") << data(QStringLiteral("SyncService"), QStringLiteral("GetData"),
                                                                 {officer, where(QStringLiteral("ID\" = 1 OR \"ID"), 1)});
        QTest::newRow("where value that is no number") << data(QStringLiteral("SyncService"), QStringLiteral("GetData"),
                                                               {officer, where(QStringLiteral("ID"), QStringLiteral("1 OR 1=1"))});
        QTest::newRow("text longer than its column") << data(
            QStringLiteral("VRXMaint"), QStringLiteral("GetData"),
            {Param::string(QStringLiteral("DatasetName"), QStringLiteral("CLIENT_OUTCOME_CATEGORY")),
             {QStringLiteral("Params"), Type::Params,
              encodeDatasetParams({{QStringLiteral("headingCode"), QString(100000, QLatin1Char('x'))}})}});
        QTest::newRow("command that does not exist") << data(
            QStringLiteral("FileUploadService"), QStringLiteral("ExecuteCommand"),
            {Param::string(QStringLiteral("CommandName"), QStringLiteral("drop_everything"))});
        QTest::newRow("negative file offset") << data(
            QStringLiteral("HYAutoUpdateService"), QStringLiteral("GetFileData"),
            {{QStringLiteral("UpdateInfo"), Type::Struct, QCborMap{}}, Param::int32(QStringLiteral("Offset"), -1),
             Param::int32(QStringLiteral("Count"), 10)});
        QTest::newRow("file name climbing out") << data(
            QStringLiteral("HYAutoUpdateService"), QStringLiteral("GetFileData"),
            {{QStringLiteral("UpdateInfo"), Type::Struct, QCborMap{{QStringLiteral("FileName"), QStringLiteral("../../etc/passwd")}}},
             Param::int32(QStringLiteral("Offset"), 0), Param::int32(QStringLiteral("Count"), 10)});
    }
    void hostileBodiesGetErrorAnswers() { badBodiesGetErrorAnswers(); }

    void badBodiesGetErrorAnswers()
    {
        QFETCH(QByteArray, body);
        HttpChannel channel;
        channel.setTargetUrl(m_server.url());
        long status = 0;
        const QByteArray answer = channel.post(body, 0, &status);
        const Reply reply = decodeReply(answer);
        QVERIFY(!reply.ok);
        QVERIFY(!reply.errorMessage.isEmpty());
        QVERIFY(status != 200);
        TSyncWorkerHelperDM helper(m_server.url());
        QVERIFY(helper.ServerIsAlive());
    }

    void oversizedBodyGetsErrorAnswer()
    {
        ServerProcess small;
        QVERIFY2(small.start({QStringLiteral("--max-body"), QStringLiteral("1024")}), qPrintable(small.errorText()));
        HttpChannel channel;
        channel.setTargetUrl(small.url());
        long status = 0;
        const QByteArray answer = channel.post(QByteArray(4096, 'x'), 0, &status);
        QCOMPARE(status, 413L);
        QVERIFY(!decodeReply(answer).ok);
        TSyncWorkerHelperDM helper(small.url());
        QVERIFY(helper.ServerIsAlive());
    }

    // An upload gets a fresh UPDATE_ID at commit; the download after the old mark returns the
    // row; repeating the upload (as after a lost reply) creates nothing twice.
    void uploadDownloadAndRepeat()
    {
        TSyncWorkerHelperDM helper(m_server.url());
        qint64 start = 0, end = 0;
        SyncService(helper.ClientChannel).GetSyncIdRange(1, start, end);
        const QList<DatasetParam> params = {{QStringLiteral("localauthoritycode"), QStringLiteral("DEMO")},
                                            {QStringLiteral("lastupdateid"), QStringLiteral("0")}};
        const DataTable before = helper.RemoteDataAdapter.Open(QStringLiteral("local_auth_office"), params);
        qint64 mark = 0;
        for (int r = 0; r < before.rowCount(); ++r)
            mark = std::max(mark, before.value(r, QStringLiteral("UPDATE_ID")).toLongLong());

        const QVariantMap row = {{QStringLiteral("ID"), start}, {QStringLiteral("UPDATE_ID"), start},
                                 {QStringLiteral("UNIQUE_UUID"), QStringLiteral("A3C1E2D0-0000-4000-8000-000000000001")},
                                 {QStringLiteral("CODE"), QStringLiteral("DEMO02")}, {QStringLiteral("LOCAL_AUTHORITY__CODE"), QStringLiteral("DEMO")},
                                 {QStringLiteral("DESCRIPTION"), QString(QLatin1String(""))}, {QStringLiteral("IS_SYNCING"), QStringLiteral("T")}};
        QVERIFY(m_server.control(R"({"dropReply":"SyncService.UpdateData"})"));
        QVERIFY_THROWS_EXCEPTION(TransportError, helper.RemoteDataAdapter.ApplyChanges(QStringLiteral("local_auth_office_update"),
                                                                                      {{RowChange::Insert, {}, row}}));
        const DataTable answer = helper.RemoteDataAdapter.ApplyChanges(QStringLiteral("local_auth_office_update"),
                                                                       {{RowChange::Insert, {}, row}});
        QCOMPARE(answer.rowCount(), 1);
        QVERIFY(answer.value(0, QStringLiteral("UPDATE_ID")).toLongLong() > start);

        const DataTable after = helper.RemoteDataAdapter.Open(QStringLiteral("local_auth_office"),
                                                              {{QStringLiteral("localauthoritycode"), QStringLiteral("DEMO")},
                                                               {QStringLiteral("lastupdateid"), QString::number(mark)}});
        int found = 0;
        qint64 previous = 0;
        for (int r = 0; r < after.rowCount(); ++r) {
            const qint64 u = after.value(r, QStringLiteral("UPDATE_ID")).toLongLong();
            QVERIFY(u > previous); // ascending UPDATE_ID
            previous = u;
            if (after.value(r, QStringLiteral("ID")).toLongLong() == start) {
                ++found;
                QVERIFY(after.value(r, QStringLiteral("DESCRIPTION")).isValid()); // empty text stays empty, not NULL
                QVERIFY(!after.value(r, QStringLiteral("OFFICE_CODE")).isValid());
            }
        }
        QCOMPARE(found, 1);

        // Other authorities' rows stay out of the download.
        const DataTable other = helper.RemoteDataAdapter.Open(QStringLiteral("local_auth_office"),
                                                              {{QStringLiteral("localauthoritycode"), QStringLiteral("ELSEWHERE")}});
        QCOMPARE(other.rowCount(), 0);
    }

    void dynamicWhereSelectsOfficer()
    {
        TSyncWorkerHelperDM helper(m_server.url());
        const DataTable officers = helper.RemoteDataAdapter.Open(
            QStringLiteral("_DYN_SAMPLE_OFFICER"), {},
            {{QStringLiteral("email_address"), WhereItem::Equal, QStringLiteral("plain@demo.example")},
             {QStringLiteral("flag_deleted"), WhereItem::Different, QStringLiteral("T")},
             {QStringLiteral("update_id"), WhereItem::Greater, 0}});
        QCOMPARE(officers.rowCount(), 1);
        QCOMPARE(officers.value(0, QStringLiteral("CODE")).toString(), QStringLiteral("PLAIN"));
        QCOMPARE(officers.value(0, QStringLiteral("DATA_SCOPE")).toString(), QStringLiteral("office"));
    }

    void installationNumberIsClaimedOnce()
    {
        HttpChannel channel;
        channel.setTargetUrl(m_server.url());
        RemoteDataAdapter adapter(channel, QStringLiteral("PostboxV9Service"));
        RemoteTable first(adapter, QStringLiteral("DB_ACTIVATION_LOCAL_AUTHORITY"));
        first.setParam(QStringLiteral("localAuthorityCode"), QStringLiteral("DEMO"));
        first.open();
        RemoteTable second(adapter, QStringLiteral("DB_ACTIVATION_LOCAL_AUTHORITY"));
        second.setParam(QStringLiteral("localAuthorityCode"), QStringLiteral("DEMO"));
        second.open();
        const qint64 last = first.value(0, QStringLiteral("LAST_INSTALL_ID")).toLongLong();
        const auto claim = [&](RemoteTable &t, const QString &uuid) {
            adapter.ApplyChanges(t.logicalName(),
                                 {{RowChange::Update,
                                   {{QStringLiteral("CODE"), QStringLiteral("DEMO")}, {QStringLiteral("LAST_INSTALL_ID"), last}},
                                   {{QStringLiteral("LAST_INSTALL_ID"), last + 1}, {QStringLiteral("LAST_INSTALL_UUID"), uuid}}}});
        };
        claim(first, QStringLiteral("11111111-1111-1111-1111-111111111111"));
        QVERIFY_THROWS_EXCEPTION(ServerError, claim(second, QStringLiteral("22222222-2222-2222-2222-222222222222")));
        second.open();
        QCOMPARE(second.value(0, QStringLiteral("LAST_INSTALL_ID")).toLongLong(), last + 1);
        QCOMPARE(second.value(0, QStringLiteral("LAST_INSTALL_UUID")).toString(), QStringLiteral("11111111-1111-1111-1111-111111111111"));
    }

    // A fault switch hits the next call of the operation it names, once, whatever calls come first.
    void faultsHitTheOperationTheyName()
    {
        QVERIFY(!m_server.control(R"({"failCall":1})")); // a call number is no target
        QVERIFY(!m_server.control(R"({"failCall":"GetSyncIdRange"})"));
        QVERIFY(m_server.control(R"({"failCall":"SyncService.GetSyncIdRange"})"));
        HttpChannel channel;
        channel.setTargetUrl(m_server.url());
        const SyncService sync(channel);
        QVERIFY(sync.IsAlive());
        QVERIFY(sync.IsAlive());
        qint64 start = 0, end = 0;
        try {
            sync.GetSyncIdRange(1, start, end);
            QFAIL("the aimed-at call did not fail");
        } catch (const ServerError &e) {
            QCOMPARE(e.serverClass(), QStringLiteral("InjectedFault"));
            QVERIFY2(e.message().contains(QLatin1String("SyncService.GetSyncIdRange")), qPrintable(e.message()));
        }
        sync.GetSyncIdRange(1, start, end);
        QCOMPARE(end - start, 1);
    }

    // Values the database would round or cut are refused with the field (or parameter) named;
    // what fits is stored as sent.
    void valuesThatDoNotFitAreRefused_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("refusal"); // empty: accepted
        const QString quantity = QStringLiteral("QUANTITY"); // DECIMAL(18,2)
        const QString code = QStringLiteral("CODE");         // VARCHAR(30)
        QTest::newRow("decimal at its scale") << quantity << QVariant(QStringLiteral("3.45")) << QString();
        QTest::newRow("decimal with zeros beyond its scale") << quantity << QVariant(QStringLiteral("3.4500")) << QString();
        // Every digit of the column, which a double does not keep (it made 10000000000000000.00).
        QTest::newRow("decimal of eighteen digits") << quantity << QVariant(QStringLiteral("9999999999999999.99")) << QString();
        QTest::newRow("negative decimal of eighteen digits") << quantity << QVariant(QStringLiteral("-1234567890123456.78")) << QString();
        QTest::newRow("small decimal at its precision") << QStringLiteral("TEMPERATURE") << QVariant(QStringLiteral("-999.9")) << QString();
        QTest::newRow("decimal beyond its scale") << quantity << QVariant(QStringLiteral("3.456"))
                                                  << QStringLiteral("field QUANTITY: \"3.456\" has more than 2 digits after the decimal point");
        // Once stored as -92233720368547760.00 and answered with success.
        QTest::newRow("decimal beyond its precision")
            << quantity << QVariant(QStringLiteral("99999999999999999"))
            << QStringLiteral("field QUANTITY: \"99999999999999999\" has more than 16 digits before the decimal point");
        QTest::newRow("decimal of ten thousand digits") << quantity << QVariant(QString(10000, QLatin1Char('9')))
                                                        << QStringLiteral("has more than 16 digits before the decimal point");
        // DECIMAL(4,1), which Firebird keeps in 32 bits and would store.
        QTest::newRow("small decimal beyond its precision")
            << QStringLiteral("TEMPERATURE") << QVariant(QStringLiteral("99999999"))
            << QStringLiteral("field TEMPERATURE: \"99999999\" has more than 3 digits before the decimal point");
        QTest::newRow("decimal in another form") << quantity << QVariant(QStringLiteral("+3.4"))
                                                 << QStringLiteral("field QUANTITY: \"+3.4\" is not a decimal number");
        QTest::newRow("decimal as a binary number") << quantity << QVariant(3.4)
                                                    << QStringLiteral("field QUANTITY takes a decimal number written as text");
        QTest::newRow("text of 30 characters in 60 bytes") << code << QVariant(QString(30, QChar(0xe9))) << QString();
        QTest::newRow("text of 30 characters outside the BMP") << code << QVariant(QString::fromUcs4(std::u32string(30, U'\U0001D11E').c_str(), 30))
                                                               << QString();
        QTest::newRow("text of 31 characters") << code << QVariant(QString(31, QLatin1Char('x')))
                                               << QStringLiteral("field CODE holds at most 30 characters; the text sent has 31");
    }
    void valuesThatDoNotFitAreRefused()
    {
        QFETCH(QString, field);
        QFETCH(QVariant, value);
        QFETCH(QString, refusal);
        TSyncWorkerHelperDM helper(m_server.url());
        qint64 id = 0, end = 0;
        SyncService(helper.ClientChannel).GetSyncIdRange(1, id, end);
        QVariantMap row = {{QStringLiteral("ID"), id},
                           {QStringLiteral("UNIQUE_UUID"), QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()},
                           {QStringLiteral("CODE"), QStringLiteral("FIT-%1").arg(id)},
                           {QStringLiteral("LOCAL_AUTHORITY__CODE"), QStringLiteral("DEMO")}};
        row.insert(field, value);
        const QString dataset = QStringLiteral("sample_update");
        if (!refusal.isEmpty()) {
            try {
                helper.RemoteDataAdapter.ApplyChanges(dataset, {{RowChange::Insert, {}, row}});
                QFAIL("stored");
            } catch (const ServerError &e) {
                QVERIFY2(e.message().contains(refusal), qPrintable(e.message()));
            }
            QCOMPARE(helper.RemoteDataAdapter.Open(QStringLiteral("_DYN_SAMPLE"), {}, {{QStringLiteral("ID"), WhereItem::Equal, id}}).rowCount(), 0);
            return;
        }
        helper.RemoteDataAdapter.ApplyChanges(dataset, {{RowChange::Insert, {}, row}});
        const DataTable stored = helper.RemoteDataAdapter.Open(QStringLiteral("_DYN_SAMPLE"), {}, {{QStringLiteral("ID"), WhereItem::Equal, id}});
        QCOMPARE(stored.rowCount(), 1);
        if (field == QLatin1String("QUANTITY") || field == QLatin1String("TEMPERATURE")) {
            QString canonical = value.toString();
            if (canonical.endsWith(QLatin1String("00")))
                canonical.chop(2); // "3.4500" is kept at the column's scale
            QCOMPARE(stored.value(0, field).toString(), canonical);
        } else {
            QCOMPARE(stored.value(0, field), value);
        }
    }

    // A parameter compared with a column is checked against that column too.
    void parameterLongerThanItsColumnIsNamed()
    {
        TDADataDm dm(settings());
        RemoteTable categories(dm.ClientAdapterAdapter, QStringLiteral("CLIENT_OUTCOME_CATEGORY"));
        dm.ROChannel.setTargetUrl(m_server.url());
        categories.setParam(QStringLiteral("headingCode"), QString(31, QLatin1Char('x')));
        try {
            categories.open();
            QFAIL("opened");
        } catch (const ServerError &e) {
            QVERIFY2(e.message().contains(QLatin1String("the parameter headingCode holds at most 30 characters")), qPrintable(e.message()));
        }
    }

    // "equal" to NULL selects the rows where the field is NULL; "different" from NULL the others.
    void whereNullConditions()
    {
        TSyncWorkerHelperDM helper(m_server.url());
        const WhereItem plain{QStringLiteral("EMAIL_ADDRESS"), WhereItem::Equal, QStringLiteral("plain@demo.example")};
        const QString officers = QStringLiteral("_DYN_SAMPLE_OFFICER");
        QCOMPARE(helper.RemoteDataAdapter.Open(officers, {}, {plain, {QStringLiteral("TELEPHONE_NO"), WhereItem::Equal, QVariant()}}).rowCount(), 1);
        QCOMPARE(helper.RemoteDataAdapter.Open(officers, {}, {plain, {QStringLiteral("TELEPHONE_NO"), WhereItem::Different, QVariant()}}).rowCount(), 0);
        QCOMPARE(helper.RemoteDataAdapter.Open(officers, {}, {plain, {QStringLiteral("CODE"), WhereItem::Equal, QVariant()}}).rowCount(), 0);
        QCOMPARE(helper.RemoteDataAdapter.Open(officers, {}, {plain, {QStringLiteral("CODE"), WhereItem::Different, QVariant()}}).rowCount(), 1);
    }

    // Plain answers of some size travel compressed when the request accepts gzip or deflate.
    void answersAreCompressedWhenAccepted_data()
    {
        QTest::addColumn<QByteArray>("acceptEncoding"); // null: no header
        QTest::addColumn<bool>("largeAnswer");
        QTest::addColumn<QByteArray>("coding");          // empty: sent as it is
        QTest::newRow("gzip") << QByteArray("gzip") << true << QByteArray("gzip");
        QTest::newRow("deflate") << QByteArray("deflate") << true << QByteArray("deflate");
        QTest::newRow("both") << QByteArray("deflate, gzip") << true << QByteArray("gzip");
        QTest::newRow("gzip refused by weight") << QByteArray("gzip;q=0, deflate;q=0.5") << true << QByteArray("deflate");
        QTest::newRow("any") << QByteArray("*") << true << QByteArray("gzip");
        QTest::newRow("only identity") << QByteArray("identity") << true << QByteArray();
        QTest::newRow("no header") << QByteArray() << true << QByteArray();
        QTest::newRow("small answer") << QByteArray("gzip") << false << QByteArray();
    }
    void answersAreCompressedWhenAccepted()
    {
        QFETCH(QByteArray, acceptEncoding);
        QFETCH(bool, largeAnswer);
        QFETCH(QByteArray, coding);
        const QByteArray request = largeAnswer
            ? encodeRequest({QStringLiteral("SyncService"), QStringLiteral("GetSchema"),
                             {Param::string(QStringLiteral("DatasetName"), QStringLiteral("_DYN_SAMPLE"))}})
            : encodeRequest({QStringLiteral("SyncService"), QStringLiteral("IsAlive"), {}});
        const RawAnswer answer = rawPost(QUrl(m_server.url()).port(), request, acceptEncoding);
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.contentEncoding, coding);
        QByteArray body = answer.body;
        if (coding == "gzip")
            QVERIFY(body.startsWith("\x1f\x8b"));
        if (coding == "deflate")
            QCOMPARE(body.at(0), char(0x78)); // the zlib format, as HTTP's "deflate" is
        if (!coding.isEmpty())
            body = inflateAnswer(body);
        const Reply reply = decodeReply(body);
        QVERIFY(reply.ok);
        if (largeAnswer)
            QVERIFY(decodeSchema(readValue(reply, QStringLiteral("Schema"), Type::Struct)).fields.size() > 100);
    }

    // The server ends cleanly on SIGTERM and SIGINT: the call in hand gets its answer and is
    // committed, the process exits with status 0, and the store opens again.
    void stopsCleanlyOnSignal_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void stopsCleanlyOnSignal()
    {
        QFETCH(int, signal);
        ServerProcess server;
        QVERIFY2(server.start(), qPrintable(server.errorText()));
        qint64 id = 0, end = 0;
        {
            HttpChannel channel;
            channel.setTargetUrl(server.url());
            SyncService(channel).GetSyncIdRange(1, id, end);
        }
        QVERIFY(server.control(R"({"stallMs":3000})"));
        QString failure;
        std::thread upload([&] {
            try {
                TSyncWorkerHelperDM helper(server.url());
                helper.RemoteDataAdapter.ApplyChanges(QStringLiteral("local_auth_office_update"),
                                                      {{RowChange::Insert, {}, officeRow(id, QStringLiteral("STOPPED"))}});
            } catch (const VarnexError &e) {
                failure = e.message();
            }
        });
        QThread::msleep(1000); // the upload is in hand, waiting out the stall
        const int status = server.stop(signal, 20000);
        upload.join();
        QCOMPARE(status, 0);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));

        QVERIFY2(server.start(), qPrintable(server.errorText()));
        TSyncWorkerHelperDM helper(server.url());
        QVERIFY(helper.ServerIsAlive());
        const DataTable office = helper.RemoteDataAdapter.Open(QStringLiteral("local_auth_office"),
                                                               {{QStringLiteral("lastupdateid"), QStringLiteral("0")}});
        bool found = false;
        for (int r = 0; r < office.rowCount(); ++r)
            found = found || office.value(r, QStringLiteral("ID")).toLongLong() == id;
        QVERIFY(found);
    }

    // A store that is gone makes IsAlive answer false, not fail; once back, true again.
    void aliveIsFalseWhileTheStoreIsGone()
    {
        ServerProcess server;
        QVERIFY2(server.start(), qPrintable(server.errorText()));
        HttpChannel channel;
        channel.setTargetUrl(server.url());
        const SyncService sync(channel);
        QVERIFY(sync.IsAlive());
        const QString store = QDir(server.dataDir()).filePath(QStringLiteral("store/varnex-server.fdb"));
        QVERIFY(QFile::rename(store, store + QStringLiteral(".away")));
        QCOMPARE(sync.IsAlive(), false);
        QVERIFY(QFile::rename(store + QStringLiteral(".away"), store));
        QVERIFY(sync.IsAlive());
    }

    // The envelope's pass phrase is the server's to choose; a client with another one is refused.
    void envelopePassPhraseIsTheServersOption()
    {
        const QString phrase = QStringLiteral("\u015Cekreto-\u00e9");
        ServerProcess server;
        QVERIFY2(server.start({QStringLiteral("--envelope-pass-phrase"), phrase}), qPrintable(server.errorText()));
        HttpChannel channel;
        channel.setTargetUrl(server.url());
        const auto login = [&](const QByteArray &passPhrase) {
            const AesEnvelope envelope(passPhrase);
            VRXLoginInfo info;
            return LoginService(channel, &envelope).Login(TDADataDm::ServiceUserName(), TDADataDm::ServicePassword(), info);
        };
        QVERIFY(login(phrase.toUtf8()));
        QVERIFY_THROWS_EXCEPTION(ServerError, login(AesEnvelope::builtInPassPhrase()));
        QVERIFY_THROWS_EXCEPTION(ServerError, login(phrase.toLatin1()));
    }

    // Kept for last: the store survives a kill and a restart on the same folder.
    void storePersistsOverRestart()
    {
        TDADataDm dm(settings());
        QBuffer content;
        content.setData("persist me");
        dm.AddFileToPostBox("S", "", "", "", "", "", "", "", "", "", "", content, "");
        const qint64 id = dm.tblInsertFile.value(0, QStringLiteral("ID")).toLongLong();
        m_server.kill();
        QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
        TDADataDm again(settings());
        RemoteDataAdapter adapter(again.ROChannel, QStringLiteral("PostboxV9Service"), &again.ROAESEncryptionEnvelope1);
        again.ROChannel.setTargetUrl(m_server.url());
        const DataTable row = adapter.Open(QStringLiteral("FILE_FROM_LA_FOR_ID"), {{QStringLiteral("Id"), id}});
        QCOMPARE(row.rowCount(), 1);
        QCOMPARE(row.value(0, QStringLiteral("CONTENT")).toByteArray(), QByteArray("persist me"));
    }
};

QTEST_GUILESS_MAIN(TestRemoteClient)
#include "tst_remoteclient.moc"
