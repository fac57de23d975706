#include "data/MemDataStream.h"

#include "base/VarnexError.h"

#include <QDateTime>
#include <QTest>
#include <QtEndian>

namespace {

// Builds a stream byte by byte, as the central server's writer lays it out.
class StreamBuilder
{
public:
    StreamBuilder() { m_bytes.append("Ver"); f64(1.91); }
    StreamBuilder &i32(qint32 v) { return raw(&v, 4); }
    StreamBuilder &u16(quint16 v) { return raw(&v, 2); }
    StreamBuilder &u8(quint8 v) { m_bytes.append(char(v)); return *this; }
    StreamBuilder &f64(double v) { return raw(&v, 8); }
    StreamBuilder &bytes(const QByteArray &b) { m_bytes.append(b); return *this; }
    StreamBuilder &field(qint32 size, quint16 type, const QByteArray &name)
    {
        return i32(size).u16(type).u16(quint16(name.size() + 1)).bytes(name).u8(0);
    }
    StreamBuilder &text(const QByteArray &value) { return u8(1).i32(qint32(value.size())).bytes(value); }
    QByteArray data() const { return m_bytes; }

private:
    template<typename T>
    StreamBuilder &raw(const T *v, int n)
    {
        char buffer[8];
        qToLittleEndian<T>(*v, buffer);
        m_bytes.append(buffer, n);
        return *this;
    }
    QByteArray m_bytes;
};

// Code, Description and an integer, with two records: the second has a null description and a
// null integer (whose four bytes still follow its presence byte).
QByteArray codeListStream()
{
    return StreamBuilder()
        .i32(3)
        .field(20, 1, "Code")
        .field(100, 1, "Description")
        .field(0, 3, "Rank")
        .text("GL").text("Glass \x80 \xe9").u8(1).i32(7)
        .text("PL").u8(0).u8(0).i32(0)
        .data();
}

} // namespace

class TestMemDataStream : public QObject
{
    Q_OBJECT

private slots:
    void readsTheLayout();
    void roundTripsEveryType();
    void refusesDamagedStreams_data();
    void refusesDamagedStreams();
    void writerRefusesWhatTheStreamCannotHold();
};

void TestMemDataStream::readsTheLayout()
{
    const DataTable t = MemDataStream::read(codeListStream());
    QCOMPARE(t.fieldCount(), 3);
    QCOMPARE(t.field(0).name, QString("Code"));
    QCOMPARE(t.field(0).type, FieldType::String);
    QCOMPARE(t.field(0).size, 20);
    QCOMPARE(t.field(2).type, FieldType::Int32);
    QCOMPARE(t.rowCount(), 2);
    QCOMPARE(t.value(0, "Description").toString(), QString::fromUtf8("Glass € é"));
    QCOMPARE(t.value(0, "Rank").toLongLong(), 7);
    QVERIFY(t.isNull(1, 1));
    QVERIFY(t.isNull(1, 2));
}

void TestMemDataStream::roundTripsEveryType()
{
    DataTable t;
    const QList<FieldDef> defs = {
        {"Code", FieldType::String, 30}, {"Small", FieldType::Int16}, {"Whole", FieldType::Int32},
        {"Large", FieldType::Int64},     {"Flag", FieldType::Boolean}, {"Ratio", FieldType::Float},
        {"Day", FieldType::Date},        {"At", FieldType::Time},      {"Stamp", FieldType::Timestamp},
    };
    for (const FieldDef &d : defs)
        QVERIFY(t.addField(d));
    QVERIFY(t.appendRow({QString::fromUtf8("Ærø – “x”"), -12, 2147483647, Q_INT64_C(-9007199254740993), true, 2.5,
                         QDate(2026, 12, 11), QTime(23, 59, 59, 999), QDateTime(QDate(1, 1, 1), QTime(0, 0))}));
    t.appendRow(); // all null
    QVERIFY(t.appendRow({QString(), 0, 0, 0, false, -0.125, QDate(9999, 12, 31), QTime(0, 0), QDateTime(QDate(2025, 3, 30), QTime(1, 30))}));
    const DataTable back = MemDataStream::read(MemDataStream::write(t));
    QCOMPARE(back.fields(), t.fields());
    for (int r = 0; r < t.rowCount(); ++r)
        for (int c = 0; c < t.fieldCount(); ++c)
            QCOMPARE(back.value(r, c), t.value(r, c));
}

void TestMemDataStream::refusesDamagedStreams_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QString>("message");
    const QByteArray good = codeListStream();
    QTest::newRow("empty") << QByteArray() << "signature";
    QTest::newRow("signature") << QByteArray("Vex").append(good.mid(3)) << "does not begin";
    QTest::newRow("cut in the header") << good.left(9) << "the version";
    QTest::newRow("cut in a definition") << good.left(55) << "stream ends inside a field name";
    QTest::newRow("cut in a value") << good.left(good.size() - 2) << "stream ends inside a value";
    QTest::newRow("cut in a text") << good.left(76) << "declares 9 bytes of text, 3 are left";
    QTest::newRow("cut in a record") << good + QByteArray(2, '\1') << "cut short";
    QTest::newRow("forged field count") << StreamBuilder().i32(100000000).field(20, 1, "Code").data() << "cannot fit";
    QTest::newRow("negative field count") << StreamBuilder().i32(-1).data() << "cannot fit";
    QTest::newRow("forged text length")
        << StreamBuilder().i32(1).field(20, 1, "Code").u8(1).i32(2000000000).bytes("AB").data() << "declares";
    QTest::newRow("unknown type") << StreamBuilder().i32(1).field(0, 99, "Blob").data() << "unknown type code 99";
    QTest::newRow("name without zero")
        << StreamBuilder().i32(1).i32(20).u16(1).u16(4).bytes("Code").data() << "zero byte";
    QTest::newRow("duplicate name")
        << StreamBuilder().i32(2).field(20, 1, "Code").field(20, 1, "CODE").data() << "field 2";
    QTest::newRow("presence byte") << StreamBuilder().i32(1).field(20, 1, "Code").u8(2).data() << "presence byte 2";
    QTest::newRow("records without fields") << StreamBuilder().i32(0).u8(1).data() << "without fields";
    QTest::newRow("text longer than its field")
        << StreamBuilder().i32(1).field(2, 1, "Code").text("ABC").data() << "more than its 2";
    QTest::newRow("day zero") << StreamBuilder().i32(1).field(0, 9, "Day").u8(1).i32(0).data() << "no date";
    QTest::newRow("time past midnight")
        << StreamBuilder().i32(1).field(0, 10, "At").u8(1).i32(86400000).data() << "no time of day";
}

void TestMemDataStream::refusesDamagedStreams()
{
    QFETCH(QByteArray, stream);
    QFETCH(QString, message);
    try {
        MemDataStream::read(stream);
        QFAIL("a damaged stream was read");
    } catch (const VarnexError &e) {
        QVERIFY2(e.message().contains(message), qPrintable(e.message()));
    }
}

void TestMemDataStream::writerRefusesWhatTheStreamCannotHold()
{
    DataTable memo({{"Notes", FieldType::Memo}});
    QVERIFY_THROWS_EXCEPTION(VarnexError, MemDataStream::write(memo));
    DataTable text({{"Name", FieldType::String, 10}});
    QVERIFY(text.appendRow({QString::fromUtf8("中")}));
    QVERIFY_THROWS_EXCEPTION(VarnexError, MemDataStream::write(text));
}

QTEST_GUILESS_MAIN(TestMemDataStream)
#include "tst_memdatastream.moc"
