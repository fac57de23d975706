// Round trips and refusals of the wire messages, the table codec, the AES envelope and the login
// info's field reading.
#include "remote/AesEnvelope.h"
#include "remote/RemoteError.h"
#include "remote/TableCodec.h"
#include "remote/VRXLoginInfo.h"
#include "remote/WireCodec.h"

#include <QCborArray>
#include <QCborMap>
#include <QtTest>

#include <time.h>

using namespace Wire;

namespace {

// A CBOR array header for n items (major type 4, four-byte length).
QByteArray arrayHeader(quint32 n)
{
    QByteArray h(1, char(0x9a));
    for (int shift = 24; shift >= 0; shift -= 8)
        h.append(char((n >> shift) & 0xff));
    return h;
}

// A reply whose result "Data" is a table of one field with `rows` values, each the CBOR item
// `cell`: built byte by byte, so that a large fixture costs no more than its size to make.
QByteArray replyWithColumn(const QByteArray &cell, quint32 rows)
{
    QCborMap table;
    table.insert(QStringLiteral("fields"), encodeFields({{QStringLiteral("F"), FieldType::String}}));
    table.insert(QStringLiteral("rowCount"), qint64(rows));
    table.insert(QStringLiteral("columns"), QCborArray{QCborArray{}});
    Reply reply;
    reply.results << Param{QStringLiteral("Data"), Type::Table, table};
    QByteArray bytes = encodeReply(reply);
    // Replace the empty column (0x80, the last array in the message) with the full one.
    const QByteArray emptyColumn("\x81\x80", 2);
    const qsizetype at = bytes.lastIndexOf(emptyColumn);
    Q_ASSERT(at >= 0);
    QByteArray column = QByteArray(1, char(0x81)) + arrayHeader(rows);
    column.reserve(column.size() + cell.size() * rows);
    for (quint32 i = 0; i < rows; ++i)
        column.append(cell);
    return bytes.left(at) + column + bytes.mid(at + emptyColumn.size());
}

// Runs a test in a time zone of its own and restores the one before.
class TimeZoneScope
{
public:
    explicit TimeZoneScope(const QByteArray &zone) : m_had(qEnvironmentVariableIsSet("TZ")), m_old(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~TimeZoneScope()
    {
        if (m_had)
            qputenv("TZ", m_old);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    bool m_had;
    QByteArray m_old;
};

} // namespace

class TestWireCodec : public QObject
{
    Q_OBJECT

private slots:
    void requestRoundTrip_data()
    {
        QTest::addColumn<Param>("param");
        QTest::newRow("int32 max") << Param::int32(QStringLiteral("QuantityRequired"), INT32_MAX);
        QTest::newRow("int32 zero") << Param::int32(QStringLiteral("QuantityRequired"), 0);
        QTest::newRow("int64 min") << Param::int64(QStringLiteral("StartID"), std::numeric_limits<qint64>::min());
        QTest::newRow("int64 max") << Param::int64(QStringLiteral("EndID"), std::numeric_limits<qint64>::max());
        QTest::newRow("boolean") << Param::boolean(QStringLiteral("Result"), false);
        QTest::newRow("ansi string") << Param::ansiString(QStringLiteral("UserName"), QByteArray("caf\xe9", 4));
        QTest::newRow("empty string") << Param::string(QStringLiteral("S"), QString(QLatin1String("")));
        QTest::newRow("unicode string") << Param::string(QStringLiteral("S"), QStringLiteral("ŁÓDŹ ✓"));
        QTest::newRow("binary with zeros") << Param::binary(QStringLiteral("B"), QByteArray("\0\1\2\0", 4));
        QTest::newRow("null string") << Param{QStringLiteral("S"), Type::String, QCborValue(QCborValue::Null)};
        QTest::newRow("struct") << Param{QStringLiteral("aLoginInfo"), Type::Struct, VRXLoginInfo().write()};
    }
    void requestRoundTrip()
    {
        QFETCH(Param, param);
        const Request sent{QStringLiteral("SyncService"), QStringLiteral("Op"), {param}};
        const Request got = decodeRequest(encodeRequest(sent));
        QCOMPARE(got.service, sent.service);
        QCOMPARE(got.operation, sent.operation);
        QCOMPARE(got.params.size(), 1);
        QCOMPARE(got.params[0].name, param.name);
        QCOMPARE(got.params[0].type, param.type);
        QCOMPARE(got.params[0].value, param.value);
        QCOMPARE(got.params[0].value.isNull(), param.value.isNull());
    }

    void byteStringHeadIsTheEncodersOwn_data()
    {
        QTest::addColumn<qsizetype>("size");
        for (const qsizetype size : {0, 1, 23, 24, 255, 256, 65535, 65536, 300000})
            QTest::newRow(qPrintable(QString::number(size))) << size;
    }
    void byteStringHeadIsTheEncodersOwn()
    {
        // A body streamed around a placeholder is only the same message when its head for the
        // content is the head the encoder itself writes.
        QFETCH(qsizetype, size);
        const QByteArray bytes(size, 'b');
        QCOMPARE(byteStringHead(size) + bytes, QCborValue(bytes).toCbor());
        QCOMPARE(byteStringHead(qint64(1) << 32), QByteArray::fromHex("5b0000000100000000"));
    }

    void replyRoundTrip()
    {
        Reply ok;
        ok.results << Param::int64(QStringLiteral("StartID"), 5) << Param::int64(QStringLiteral("EndID"), 9);
        const Reply got = decodeReply(encodeReply(ok));
        QVERIFY(got.ok);
        QCOMPARE(readInt64(got, QStringLiteral("StartID")), 5);
        QCOMPARE(readInt64(got, QStringLiteral("endid")), 9); // names match without regard to case
        QVERIFY_THROWS_EXCEPTION(ProtocolError, readBoolean(got, QStringLiteral("Result")));

        const Reply err = decodeReply(encodeReply(Reply::error(QStringLiteral("ServerError"), QStringLiteral("text to show"))));
        QVERIFY(!err.ok);
        QCOMPARE(err.errorClass, QStringLiteral("ServerError"));
        QCOMPARE(err.errorMessage, QStringLiteral("text to show"));
    }

    void malformedMessagesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("data");
        const QByteArray valid = encodeRequest({QStringLiteral("S"), QStringLiteral("O"), {Param::int32(QStringLiteral("N"), 1)}});
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << QByteArray("\xff\xfe\xfd", 3);
        QTest::newRow("truncated") << valid.left(valid.size() - 3);
        QTest::newRow("trailing bytes") << valid + QByteArray(1, '\0');
        QTest::newRow("not a map") << QCborValue(42).toCbor();
        QCborMap m;
        m.insert(QStringLiteral("varnex"), 2);
        QTest::newRow("other version") << m.toCborValue().toCbor();
        auto withParam = [](const QString &type, const QCborValue &v) {
            QCborMap p;
            p.insert(QStringLiteral("name"), QStringLiteral("X"));
            p.insert(QStringLiteral("type"), type);
            p.insert(QStringLiteral("value"), v);
            QCborMap r;
            r.insert(QStringLiteral("varnex"), 1);
            r.insert(QStringLiteral("kind"), QStringLiteral("request"));
            r.insert(QStringLiteral("service"), QStringLiteral("S"));
            r.insert(QStringLiteral("operation"), QStringLiteral("O"));
            r.insert(QStringLiteral("params"), QCborArray{p});
            return r.toCborValue().toCbor();
        };
        QTest::newRow("int32 out of range") << withParam(Type::Int32, QCborValue(qint64(INT32_MAX) + 1));
        QTest::newRow("int64 as text") << withParam(Type::Int64, QCborValue(QStringLiteral("5")));
        QTest::newRow("null boolean") << withParam(Type::Boolean, QCborValue(QCborValue::Null));
        QTest::newRow("ansi string beyond latin-1") << withParam(Type::AnsiString, QCborValue(QStringLiteral("✓")));
        QTest::newRow("unknown type") << withParam(QStringLiteral("float128"), QCborValue(1));
    }
    void malformedMessagesAreRefused()
    {
        QFETCH(QByteArray, data);
        QVERIFY_THROWS_EXCEPTION(ProtocolError, decodeRequest(data));
    }

    void tableRoundTrip()
    {
        DataTable t({{QStringLiteral("S"), FieldType::String, 10},
                     {QStringLiteral("M"), FieldType::Memo},
                     {QStringLiteral("B"), FieldType::Blob},
                     {QStringLiteral("I16"), FieldType::Int16},
                     {QStringLiteral("I64"), FieldType::Int64},
                     {QStringLiteral("F"), FieldType::Float},
                     {QStringLiteral("D"), FieldType::Decimal, 18, 4},
                     {QStringLiteral("BO"), FieldType::Boolean},
                     {QStringLiteral("DA"), FieldType::Date},
                     {QStringLiteral("TI"), FieldType::Time},
                     {QStringLiteral("TS"), FieldType::Timestamp, 0, 0, true}});
        QVERIFY(t.appendRow({QString(QLatin1String("")), QString(QLatin1String("")), QByteArray(""), -32768,
                             std::numeric_limits<qint64>::max(), 0.5, QStringLiteral("12345678901234.5678"), true,
                             QDate(2024, 2, 29), QTime(23, 59, 59, 999), QDateTime(QDate(2024, 3, 31), QTime(1, 30, 0, 5))}));
        QVERIFY(t.appendRow(QVariantList(t.fieldCount())));
        const DataTable got = decodeTable(encodeTable(t));
        QCOMPARE(got, t);
        QCOMPARE(got.fields(), t.fields());
        // NULL stays distinct from empty text and empty bytes.
        QVERIFY(!got.isNull(0, 0));
        QVERIFY(!got.isNull(0, 2));
        QVERIFY(got.isNull(1, 0));
        QVERIFY(got.isNull(1, 2));
    }

    void damagedTablesAreRefused_data()
    {
        QTest::addColumn<QCborValue>("value");
        DataTable t({{QStringLiteral("S"), FieldType::String, 10}, {QStringLiteral("I"), FieldType::Int32}});
        t.appendRow({QStringLiteral("a"), 1});
        QCborMap good = encodeTable(t).toMap();
        QCborMap rows = good;
        rows.insert(QStringLiteral("rowCount"), 2);
        QTest::newRow("row count beyond columns") << QCborValue(rows);
        QCborMap cols = good;
        cols.insert(QStringLiteral("columns"), QCborArray{QCborArray{QStringLiteral("a")}});
        QTest::newRow("missing column") << QCborValue(cols);
        QCborMap typed = good;
        typed.insert(QStringLiteral("columns"), QCborArray{QCborArray{1}, QCborArray{1}});
        QTest::newRow("number in a text field") << QCborValue(typed);
        QCborMap range = good;
        range.insert(QStringLiteral("columns"), QCborArray{QCborArray{QStringLiteral("a")}, QCborArray{qint64(1) << 40}});
        QTest::newRow("int32 out of range") << QCborValue(range);
        QTest::newRow("not a map") << QCborValue(QCborArray{});
    }
    void damagedTablesAreRefused()
    {
        QFETCH(QCborValue, value);
        QVERIFY_THROWS_EXCEPTION(ProtocolError, decodeTable(value));
    }

    void whereAndChangesRoundTrip()
    {
        const QList<WhereItem> where = {{QStringLiteral("update_id"), WhereItem::Greater, qint64(7)},
                                        {QStringLiteral("flag_deleted"), WhereItem::Different, QStringLiteral("T")},
                                        {QStringLiteral("email_address"), WhereItem::Equal, QVariant()}};
        const QList<WhereItem> w = decodeWhere(encodeWhere(where));
        QCOMPARE(w.size(), 3);
        QCOMPARE(w[0].op, WhereItem::Greater);
        QCOMPARE(w[0].value.toLongLong(), 7);
        QCOMPARE(w[1].op, WhereItem::Different);
        QVERIFY(!w[2].value.isValid());

        const QList<RowChange> changes = {{RowChange::Update, {{QStringLiteral("ID"), qint64(3)}},
                                           {{QStringLiteral("FLAG_PROSECUTION"), QStringLiteral("F")}, {QStringLiteral("NOTE"), QVariant()}}}};
        const QList<RowChange> c = decodeChanges(encodeChanges(changes));
        QCOMPARE(c.size(), 1);
        QCOMPARE(c[0].kind, RowChange::Update);
        QCOMPARE(c[0].key.value(QStringLiteral("ID")).toLongLong(), 3);
        QVERIFY(c[0].values.contains(QStringLiteral("NOTE")));
        QVERIFY(!c[0].values.value(QStringLiteral("NOTE")).isValid());
    }

    void envelope()
    {
        const AesEnvelope env(AesEnvelope::builtInPassPhrase());
        for (const QByteArray &plain : {QByteArray(), QByteArray("x"), QByteArray(100000, '\7')}) {
            const QByteArray wrapped = env.wrap(plain);
            QVERIFY(AesEnvelope::isWrapped(wrapped));
            QCOMPARE(env.unwrap(wrapped), plain);
        }
        const QByteArray wrapped = env.wrap("secret");
        QVERIFY(!wrapped.contains("secret"));
        QByteArray tampered = wrapped;
        tampered[tampered.size() - 20] = char(tampered[tampered.size() - 20] ^ 1);
        QVERIFY_THROWS_EXCEPTION(ProtocolError, env.unwrap(tampered));
        QVERIFY_THROWS_EXCEPTION(ProtocolError, AesEnvelope(QByteArrayLiteral("other")).unwrap(wrapped));
        QVERIFY_THROWS_EXCEPTION(ProtocolError, env.unwrap(wrapped.left(10)));
    }

    // Wall-clock readings come back with the fields sent, and valid, also in the hour that local
    // time skips when the clocks go forward and in the hour it repeats when they go back.
    void dateTimeKeepsItsFields_data()
    {
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QDateTime>("fields"); // date and time expected
        QTest::newRow("in the spring-forward gap") << QStringLiteral("2025-03-30T01:30:00.000Z")
                                                   << QDateTime(QDate(2025, 3, 30), QTime(1, 30), Qt::UTC);
        QTest::newRow("last moment before the gap") << QStringLiteral("2025-03-30T00:59:59.999Z")
                                                    << QDateTime(QDate(2025, 3, 30), QTime(0, 59, 59, 999), Qt::UTC);
        QTest::newRow("first moment after the gap") << QStringLiteral("2025-03-30T02:00:00.000Z")
                                                    << QDateTime(QDate(2025, 3, 30), QTime(2, 0), Qt::UTC);
        QTest::newRow("in the repeated autumn hour") << QStringLiteral("2025-10-26T01:30:00.000Z")
                                                     << QDateTime(QDate(2025, 10, 26), QTime(1, 30), Qt::UTC);
        QTest::newRow("winter") << QStringLiteral("2025-01-15T12:00:00.000Z")
                                << QDateTime(QDate(2025, 1, 15), QTime(12, 0), Qt::UTC);
    }
    void dateTimeKeepsItsFields()
    {
        QFETCH(QString, sent);
        QFETCH(QDateTime, fields);
        const TimeZoneScope london("Europe/London");
        // Meaningful only where local time skips that hour.
        QVERIFY(!QDateTime(QDate(2025, 3, 30), QTime(1, 30)).isValid());
        const QCborValue value(QCborKnownTags::DateTimeString, sent);
        bool ok = false;
        const QDateTime got = decodeDateTime(value, &ok);
        QVERIFY(ok);
        QVERIFY(got.isValid());
        QCOMPARE(got.date(), fields.date());
        QCOMPARE(got.time(), fields.time());
        QCOMPARE(encodeDateTime(got), value);
        // As a value of a row change, as the server reads it.
        const QList<RowChange> changes = decodeChanges(encodeChanges({{RowChange::Insert, {}, {{QStringLiteral("TS"), got}}}}));
        const QDateTime travelled = changes.at(0).values.value(QStringLiteral("TS")).toDateTime();
        QVERIFY(travelled.isValid());
        QCOMPARE(travelled.time(), fields.time());
        // And inside a whole message.
        const Request request = decodeRequest(encodeRequest({QStringLiteral("S"), QStringLiteral("O"),
                                                             {{QStringLiteral("When"), Type::DateTime, value}}}));
        QCOMPARE(decodeDateTime(request.params.at(0).value).time(), fields.time());
    }

    // What a message may take in memory once decoded is bounded in proportion to its size: small
    // items by the thousand are refused before anything is built, while ordinary pages of rows and
    // large blobs pass.
    void decodeIsBoundedByMessageSize_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("a million and a half nulls in one column") << replyWithColumn(QByteArray(1, char(0xf6)), 1500000) << false;
        QTest::newRow("a million and a half empty texts") << replyWithColumn(QByteArray(1, char(0x60)), 1500000) << false;
        QTest::newRow("a page of nulls") << replyWithColumn(QByteArray(1, char(0xf6)), 200000) << true;
        QTest::newRow("a page of codes") << replyWithColumn(QByteArray("\x68SAMPLE-1", 9), 200000) << true;
        Reply blob;
        blob.results << Param::binary(QStringLiteral("Data"), QByteArray(32 * 1024 * 1024, 'x'));
        QTest::newRow("a blob of 32 MiB") << encodeReply(blob) << true;
    }
    void decodeIsBoundedByMessageSize()
    {
        QFETCH(QByteArray, message);
        QFETCH(bool, accepted);
        if (accepted) {
            const Reply reply = decodeReply(message);
            QCOMPARE(reply.results.size(), 1);
            if (reply.results.at(0).type == Type::Table)
                QCOMPARE(decodeTable(reply.results.at(0).value).rowCount(), 200000);
            return;
        }
        try {
            decodeReply(message);
            QFAIL("decoded");
        } catch (const ProtocolError &e) {
            QVERIFY2(e.message().contains(QLatin1String("allowed for its size")), qPrintable(e.message()));
        }
    }

    void loginInfoReading_data()
    {
        QTest::addColumn<QCborValue>("userId");
        QTest::addColumn<QString>("message");
        QTest::newRow("number") << QCborValue(12)
                                << QStringLiteral("Exception \"ProtocolError\" with message \"The value is not a string\" happens during reading field \"UserId\".");
        QTest::newRow("beyond latin-1") << QCborValue(QStringLiteral("✓"))
                                        << QStringLiteral("Exception \"ProtocolError\" with message \"The value is not a single-byte string\" happens during reading field \"UserId\".");
        QTest::newRow("missing") << QCborValue(QCborValue::Undefined)
                                 << QStringLiteral("Exception \"ProtocolError\" with message \"The field is missing\" happens during reading field \"UserId\".");
    }
    void loginInfoReading()
    {
        QFETCH(QCborValue, userId);
        QFETCH(QString, message);
        VRXLoginInfo sent;
        sent.UserId = "17";
        sent.RealName = QByteArray("R\xe9" "al");
        QCborMap m = sent.write().toMap();
        // Read by name, so the alphabetical order is accepted as well as the published one.
        VRXLoginInfo copy;
        copy.read(m);
        QCOMPARE(copy.RealName, sent.RealName);
        if (userId.isUndefined())
            m.remove(QStringLiteral("UserId"));
        else
            m.insert(QStringLiteral("UserId"), userId);
        try {
            VRXLoginInfo info;
            info.read(m);
            QFAIL("no exception");
        } catch (const ProtocolError &e) {
            QCOMPARE(e.message(), message);
        }
    }
};

QTEST_GUILESS_MAIN(TestWireCodec)
#include "tst_wirecodec.moc"
