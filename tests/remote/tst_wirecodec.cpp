// Round trips and refusals of the wire messages, the table codec, the AES envelope and the login
// info's field reading.
#include "remote/AesEnvelope.h"
#include "remote/RemoteError.h"
#include "remote/TableCodec.h"
#include "remote/VRXLoginInfo.h"
#include "remote/WireCodec.h"

#include <QCborMap>
#include <QtTest>

using namespace Wire;

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
        const AesEnvelope env(QByteArrayLiteral("HbrodixQ27"));
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
