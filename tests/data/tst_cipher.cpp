#include "data/DataPacket.h"
#include "data/DataTable.h"
#include "data/PacketCipher.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstdint>

#include "support/PacketBombs.h"
#include "support/TestDatabase.h"

namespace {

QByteArray fromHex(const char *hex)
{
    return QByteArray::fromHex(hex);
}

QByteArray counting(int n, int start = 0)
{
    QByteArray bytes(n, '\0');
    for (int i = 0; i < n; ++i)
        bytes[i] = char(start + i);
    return bytes;
}

// The hexadecimal digit of pi at fractional position n (0 is the first digit after the point), by
// the Bailey-Borwein-Plouffe digit extraction; doubles are exact enough for the first few thousand
// digits, far beyond the 512 checked here.
int piHexDigit(int n)
{
    const auto powMod16 = [](std::int64_t e, std::int64_t m) {
        std::int64_t result = 1 % m, base = 16 % m;
        for (; e > 0; e >>= 1) {
            if (e & 1)
                result = result * base % m;
            base = base * base % m;
        }
        return double(result);
    };
    // Fractional part of the sum over k of 16^(n-k) / (8k + j).
    const auto series = [&](int j) {
        double s = 0;
        for (int k = 0; k <= n; ++k) {
            s += powMod16(n - k, 8 * k + j) / (8.0 * k + j);
            s -= std::floor(s);
        }
        for (int k = n + 1;; ++k) {
            const double t = std::pow(16.0, double(n - k)) / (8.0 * k + j);
            if (t < 1e-17)
                break;
            s += t;
        }
        return s - std::floor(s);
    };
    double x = 4 * series(1) - 2 * series(4) - series(5) - series(6);
    x -= std::floor(x);
    return int(x * 16.0) & 0xf;
}

QByteArray randomBytes(int n, quint32 seed)
{
    QRandomGenerator gen(seed);
    QByteArray bytes(n, '\0');
    for (int i = 0; i < n; ++i)
        bytes[i] = char(gen.bounded(256));
    return bytes;
}

DataTable sampleTable()
{
    DataTable t({
        {QStringLiteral("CODE"), FieldType::String, 30, 0, true},
        {QStringLiteral("NOTES"), FieldType::Memo, 0, 0, false},
        {QStringLiteral("PHOTO"), FieldType::Blob, 0, 0, false},
        {QStringLiteral("ID"), FieldType::Int64, 0, 0, true},
        {QStringLiteral("QUANTITY"), FieldType::Decimal, 18, 2, false},
    });
    t.appendRow({QStringLiteral("S-1"), QString(""), QByteArray("\0\1\0", 3),
                 std::numeric_limits<qint64>::min(), QStringLiteral("12345678901234.56")});
    t.appendRow({QStringLiteral("S-2"), QVariant(), QVariant(), std::numeric_limits<qint64>::max(),
                 QVariant()});
    return t;
}

} // namespace

class TestCipher : public QObject
{
    Q_OBJECT

private slots:
    void piDigest();
    void keyGeneration_data();
    void keyGeneration();
    void keyFromPassPhraseIsStable();
    void aesKnownAnswer();
    void framing_data();
    void framing();
    void decipherRefuses_data();
    void decipherRefuses();
    void deflateIsRaw();
    void deflateRoundTrip_data();
    void deflateRoundTrip();
    void inflateRefuses_data();
    void inflateRefuses();
    void emptyTablePacket();
    void packetIsDeterministic();
    void packetLayers();
    void largePacketIsTheSerialOne();
    void packetRoundTrip();
    void bombsAreRefusedByTheirSize_data();
    void bombsAreRefusedByTheirSize();
    void packetFromQuery();
    void saveAndLoad();
    void saveReplacesExistingFile();
    void saveFailureIsReported();
    void failedQueryLeavesFileAlone();
};

void TestCipher::piDigest()
{
    // The digest starts from pi's fractional digits; every byte of the program's table is checked
    // against the digits worked out afresh.
    const QByteArray pi = PacketCipher::piDigest();
    QCOMPARE(pi.size(), 256);
    QByteArray expected(256, '\0');
    for (int i = 0; i < expected.size(); ++i)
        expected[i] = char((piHexDigit(2 * i) << 4) | piHexDigit(2 * i + 1));
    QCOMPARE(pi.toHex(), expected.toHex());
    QVERIFY(pi.startsWith(fromHex("243f6a8885a308d313198a2e03707344")));
}

void TestCipher::keyGeneration_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expectedPrefix");

    QTest::newRow("abc") << QByteArray("abc")
                         << fromHex("2aa17baa76a4c4cd4b73a5f934b4cc1a6492b853fc94eb88eeb34e7ce128867b");
    QTest::newRow("no bytes") << QByteArray() << fromHex("0bd132aa831c56ac");
}

void TestCipher::keyGeneration()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expectedPrefix);

    const QByteArray key = PacketCipher::generateKey(input, 32);
    QCOMPARE(key.size(), 32);
    QCOMPARE(key.left(expectedPrefix.size()).toHex(), expectedPrefix.toHex());
}

void TestCipher::keyFromPassPhraseIsStable()
{
    const QByteArray phrase = PacketCipher::passPhrase();
    QCOMPARE(phrase.toHex(), QByteArray("5a1d0c7f93b24e8a06d1f5c3b7e9a2046f8c1d3e5b7a9c0e2f4d6b8a1c3e5f70"));
    // A whole number of 8-byte groups: the finishing bytes are fed in full, unlike for "abc".
    const QByteArray key = PacketCipher::generateKey(phrase);
    // The key that docs/dataset-packet.md gives to whoever writes a receiver.
    QCOMPARE(key.toHex(), QByteArray("1a75c3f3cbd5d916e72f2d7ba1110a9e071f8bdde6504c4e25a1c180fbee4537"));
    QCOMPARE(PacketCipher::generateKey(phrase), key);
    QVERIFY(key != PacketCipher::generateKey(phrase.left(31)));
}

void TestCipher::aesKnownAnswer()
{
    const QByteArray key = counting(32);
    const QByteArray plain = fromHex("00112233445566778899aabbccddeeff");
    QByteArray cipher;
    QString error;
    QVERIFY2(PacketCipher::encipherBlocks(key, plain, &cipher, &error), qPrintable(error));
    QCOMPARE(cipher.toHex(), QByteArray("8ea2b7ca516745bfeafc49904b496089"));

    QByteArray back;
    QVERIFY2(PacketCipher::decipherBlocks(key, cipher, &back, &error), qPrintable(error));
    QCOMPARE(back, plain);
}

void TestCipher::framing_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("packetLength");

    QTest::newRow("0") << 0 << 16;
    QTest::newRow("1") << 1 << 16;
    QTest::newRow("15") << 15 << 16;
    QTest::newRow("16") << 16 << 32;
    QTest::newRow("31") << 31 << 32;
    QTest::newRow("32") << 32 << 48;
    QTest::newRow("33") << 33 << 48;
}

void TestCipher::framing()
{
    QFETCH(int, length);
    QFETCH(int, packetLength);

    const QByteArray key = PacketCipher::generateKey(PacketCipher::passPhrase());
    const QByteArray plain = counting(length, 0x41);
    QByteArray packet;
    QString error;
    QVERIFY2(PacketCipher::encipher(key, plain, &packet, &error), qPrintable(error));
    QCOMPARE(packet.size(), packetLength);

    // Every block is plain ECB under the key: the leading ones are the data as it stands ...
    QByteArray blocks;
    QVERIFY(PacketCipher::decipherBlocks(key, packet, &blocks));
    const int whole = length / 16 * 16;
    QCOMPARE(blocks.left(whole), plain.left(whole));
    // ... and the last holds the rest, zero bytes, and the count of the rest in byte 15.
    QByteArray last = plain.mid(whole);
    last += QByteArray(16 - last.size(), '\0');
    last[15] = char(length % 16);
    QCOMPARE(blocks.right(16).toHex(), last.toHex());

    QByteArray back;
    QVERIFY2(PacketCipher::decipher(key, packet, &back, &error), qPrintable(error));
    QCOMPARE(back, plain);
}

void TestCipher::decipherRefuses_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QByteArray>("key");

    const QByteArray key = PacketCipher::generateKey(PacketCipher::passPhrase());
    QByteArray good;
    PacketCipher::encipher(key, QByteArray("some compressed bytes"), &good);

    QTest::newRow("empty") << QByteArray() << key;
    QTest::newRow("not whole blocks") << good.left(good.size() - 1) << key;
    QTest::newRow("wrong key") << good << PacketCipher::generateKey("another phrase");
    // A final block whose count is 16 or more cannot come from the framing.
    QByteArray badCount;
    PacketCipher::encipherBlocks(key, QByteArray(15, '\0') + char(16), &badCount);
    QTest::newRow("count out of range") << badCount << key;
}

void TestCipher::decipherRefuses()
{
    QFETCH(QByteArray, packet);
    QFETCH(QByteArray, key);

    QByteArray out("untouched");
    QString error;
    QVERIFY(!PacketCipher::decipher(key, packet, &out, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(out, QByteArray("untouched"));
}

void TestCipher::deflateIsRaw()
{
    // The empty raw DEFLATE stream is one final fixed-Huffman block holding only its end code;
    // a zlib or gzip wrapper would add a header and a checksum.
    QByteArray out;
    QVERIFY(PacketCipher::deflateRaw(QByteArray(), &out));
    QCOMPARE(out.toHex(), QByteArray("0300"));
}

void TestCipher::deflateRoundTrip_data()
{
    QTest::addColumn<QByteArray>("data");

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("short text") << QByteArray("Samples for: A. Officer");
    QTest::newRow("zero bytes") << QByteArray(1000, '\0');
    QTest::newRow("repetitive, several output chunks") << QByteArray("VALIDATED;").repeated(200000);
    QTest::newRow("incompressible") << randomBytes(300000, 7);
}

void TestCipher::deflateRoundTrip()
{
    QFETCH(QByteArray, data);

    QByteArray compressed;
    QString error;
    QVERIFY2(PacketCipher::deflateRaw(data, &compressed, &error), qPrintable(error));
    QByteArray again;
    QVERIFY(PacketCipher::deflateRaw(data, &again));
    QCOMPARE(again, compressed);

    QByteArray back;
    QVERIFY2(PacketCipher::inflateRaw(compressed, &back, &error), qPrintable(error));
    QCOMPARE(back.size(), data.size());
    QVERIFY(back == data);
}

void TestCipher::inflateRefuses_data()
{
    QTest::addColumn<QByteArray>("compressed");
    QTest::addColumn<qint64>("maxSize");

    QByteArray good;
    PacketCipher::deflateRaw(QByteArray("abcdefgh").repeated(1000), &good);

    QTest::newRow("empty") << QByteArray() << PacketCipher::DefaultMaxInflatedSize;
    QTest::newRow("garbage") << fromHex("ffffffffffffffff") << PacketCipher::DefaultMaxInflatedSize;
    QTest::newRow("truncated") << good.left(good.size() - 2) << PacketCipher::DefaultMaxInflatedSize;
    QTest::newRow("trailing bytes") << good + "xyz" << PacketCipher::DefaultMaxInflatedSize;
    QTest::newRow("zlib wrapper") << fromHex("789c030000000001") << PacketCipher::DefaultMaxInflatedSize;
    QTest::newRow("over the limit") << good << qint64(7999);
}

void TestCipher::inflateRefuses()
{
    QFETCH(QByteArray, compressed);
    QFETCH(qint64, maxSize);

    QByteArray out("untouched");
    QString error;
    QVERIFY(!PacketCipher::inflateRaw(compressed, &out, &error, maxSize));
    QVERIFY(error.startsWith(QLatin1String("inflate")));
    QCOMPARE(out, QByteArray("untouched"));
}

void TestCipher::emptyTablePacket()
{
    const DataTable noRows({{QStringLiteral("CODE"), FieldType::String, 30, 0, true}});
    for (const DataTable &table : {DataTable(), noRows}) {
        QByteArray packet;
        QString error;
        QVERIFY2(PacketCipher::makePacket(table, &packet, &error), qPrintable(error));
        QVERIFY(!packet.isEmpty());
        QCOMPARE(packet.size() % 16, 0);

        DataTable back({{QStringLiteral("junk"), FieldType::Int32}});
        QVERIFY2(PacketCipher::openPacket(packet, &back, &error), qPrintable(error));
        QCOMPARE(back, table);
    }
}

void TestCipher::packetIsDeterministic()
{
    QByteArray first, second;
    QVERIFY(PacketCipher::makePacket(sampleTable(), &first));
    QVERIFY(PacketCipher::makePacket(sampleTable(), &second));
    QCOMPARE(first.toHex(), second.toHex());

    DataTable changed = sampleTable();
    changed.setValue(1, QStringLiteral("notes"), QString(""));
    QByteArray third;
    QVERIFY(PacketCipher::makePacket(changed, &third));
    QVERIFY(third != first);
}

void TestCipher::packetLayers()
{
    // Peel the layers one by one, as a receiver written elsewhere would.
    QByteArray packet;
    QVERIFY(PacketCipher::makePacket(sampleTable(), &packet));

    QByteArray compressed, encoded;
    QString error;
    QVERIFY2(PacketCipher::decipher(PacketCipher::generateKey(PacketCipher::passPhrase()), packet,
                                    &compressed, &error),
             qPrintable(error));
    QCOMPARE(packet.size(), (compressed.size() / 16 + 1) * 16);
    QVERIFY2(PacketCipher::inflateRaw(compressed, &encoded, &error), qPrintable(error));
    QCOMPARE(encoded, DataPacket::encode(sampleTable()));
}

void TestCipher::largePacketIsTheSerialOne()
{
    // Many pieces' worth, texts that cross piece boundaries and a blob larger than a piece: the
    // packet compressed beside its encoding holds exactly the bytes of the one compressed after it.
    DataTable t({{QStringLiteral("CODE"), FieldType::String, 30, 0, true},
                 {QStringLiteral("NOTES"), FieldType::Memo},
                 {QStringLiteral("PHOTO"), FieldType::Blob},
                 {QStringLiteral("N"), FieldType::Int64}});
    for (int r = 0; r < 20000; ++r)
        t.appendRow({QStringLiteral("S-%1").arg(r), QStringLiteral("note %1 ").repeated(r % 7 + 1),
                     r == 1234 ? QVariant(randomBytes(300 * 1024, 5)) : QVariant(), r * 7919LL});
    const QByteArray encoded = DataPacket::encode(t);
    QVERIFY(encoded.size() > 1024 * 1024);

    QByteArray packet, serial;
    QString error;
    QVERIFY2(PacketCipher::makePacket(t, &packet, &error), qPrintable(error));
    QVERIFY2(PacketCipher::seal(encoded, &serial, &error), qPrintable(error));
    QCOMPARE(packet.size(), serial.size());
    QVERIFY(packet == serial);
}

void TestCipher::packetRoundTrip()
{
    QByteArray packet;
    QString error;
    QVERIFY2(PacketCipher::makePacket(sampleTable(), &packet, &error), qPrintable(error));

    DataTable back;
    QVERIFY2(PacketCipher::openPacket(packet, &back, &error), qPrintable(error));
    QCOMPARE(back, sampleTable());
    QVERIFY(!back.isNull(0, 1));
    QCOMPARE(back.value(0, 1).toString(), QString());
    QVERIFY(back.isNull(1, 1));
    QCOMPARE(back.value(0, 2).toByteArray(), QByteArray("\0\1\0", 3));
    QCOMPARE(back.value(0, 3).toLongLong(), std::numeric_limits<qint64>::min());
    QCOMPARE(back.value(1, 3).toLongLong(), std::numeric_limits<qint64>::max());
    QCOMPARE(back.value(0, 4).toString(), QStringLiteral("12345678901234.56"));

    // A damaged packet is refused rather than read as something else.
    QByteArray damaged = packet;
    damaged[0] = char(damaged.at(0) ^ 0x01);
    DataTable untouched = sampleTable();
    QVERIFY(!PacketCipher::openPacket(damaged, &untouched, &error));
    QCOMPARE(untouched, sampleTable());
}

// A packet may cost in memory only in proportion to its own size: one that expands a
// thousandfold is refused before it is decoded, or before it is even inflated in full.
void TestCipher::bombsAreRefusedByTheirSize_data()
{
    QTest::addColumn<QByteArray>("datasetPacket");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("two million NULLs") << twoMillionNullRows() << "decoding it would take more than the 64 MiB allowed for its size";
    QTest::newRow("thirty megabytes of zeros") << QByteArray(30 << 20, '\0') << "inflate: the data expands beyond";
}

void TestCipher::bombsAreRefusedByTheirSize()
{
    QFETCH(QByteArray, datasetPacket);
    QFETCH(QString, refusal);
    QByteArray packet;
    QString error;
    QVERIFY2(PacketCipher::seal(datasetPacket, &packet, &error), qPrintable(error));
    QVERIFY(packet.size() < 64 * 1024);
    DataTable table;
    QVERIFY(!PacketCipher::openPacket(packet, &table, &error));
    QVERIFY2(error.contains(refusal), qPrintable(error));
}

void TestCipher::packetFromQuery()
{
    TestDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.errorText()));
    db.exec(QStringLiteral("create table PACKET_ROWS (CODE varchar(30) not null, QTY decimal(18,2), "
                           "N bigint)"));
    db.exec(QStringLiteral("insert into PACKET_ROWS values ('B', 1.50, null)"));
    db.exec(QStringLiteral("insert into PACKET_ROWS values ('A', null, -9223372036854775808)"));

    QSqlQuery query(db.db());
    query.prepare(QStringLiteral("select * from PACKET_ROWS order by CODE"));
    QByteArray packet;
    QString error;
    QVERIFY2(PacketCipher::makePacket(query, &packet, &error), qPrintable(error));

    DataTable back;
    QVERIFY2(PacketCipher::openPacket(packet, &back, &error), qPrintable(error));
    QCOMPARE(back.rowCount(), 2);
    QCOMPARE(back.value(0, QStringLiteral("code")).toString(), QStringLiteral("A"));
    QCOMPARE(back.value(1, QStringLiteral("qty")).toString(), QStringLiteral("1.50"));
    QVERIFY(back.isNull(0, back.indexOf(QStringLiteral("QTY"))));
    QCOMPARE(back.value(0, QStringLiteral("N")).toLongLong(), std::numeric_limits<qint64>::min());
}

void TestCipher::saveAndLoad()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ABC07152.enc"));
    QString error;
    QVERIFY2(PacketCipher::savePacket(sampleTable(), path, &error), qPrintable(error));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray inMemory;
    QVERIFY(PacketCipher::makePacket(sampleTable(), &inMemory));
    QCOMPARE(file.readAll(), inMemory);

    DataTable back;
    QVERIFY2(PacketCipher::loadPacket(path, &back, &error), qPrintable(error));
    QCOMPARE(back, sampleTable());
    // Nothing but the packet is left behind in the folder.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("ABC07152.enc")});
}

void TestCipher::saveReplacesExistingFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("batch.enc"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100000, 'x'));
    }
    QVERIFY(PacketCipher::savePacket(DataTable(), path));
    DataTable back({{QStringLiteral("junk"), FieldType::Int32}});
    QString error;
    QVERIFY2(PacketCipher::loadPacket(path, &back, &error), qPrintable(error));
    QCOMPARE(back, DataTable());
}

void TestCipher::saveFailureIsReported()
{
    QTemporaryDir dir;
    const QString blocker = dir.filePath(QStringLiteral("not-a-folder"));
    {
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }
    // A folder that cannot exist (its parent is a file) fails even for a privileged user; so does
    // a name that is an existing folder.
    const QStringList targets{blocker + QStringLiteral("/out.enc"), dir.path()};
    for (const QString &target : targets) {
        QString error;
        QVERIFY2(!PacketCipher::savePacket(sampleTable(), target, &error), qPrintable(target));
        QVERIFY2(error.contains(target), qPrintable(error));
    }
    QFile f(blocker);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("keep me"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("not-a-folder")});
}

void TestCipher::failedQueryLeavesFileAlone()
{
    TestDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.errorText()));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("batch.enc"));
    QVERIFY(PacketCipher::savePacket(sampleTable(), path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    QSqlQuery query(db.db());
    query.prepare(QStringLiteral("select * from NO_SUCH_TABLE"));
    QString error;
    QVERIFY(!PacketCipher::savePacket(query, path, &error));
    QVERIFY(!error.isEmpty());

    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

QTEST_GUILESS_MAIN(TestCipher)
#include "tst_cipher.moc"
