#include "data/MemDataStream.h"

#include "base/VarnexError.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace MemDataStream {

namespace {

constexpr char Signature[] = "Ver";
constexpr qint64 MsecsPerDay = 86400000;
// The smallest field definition: size, type, name length and a one-byte name (its zero byte).
constexpr qsizetype MinimalDefinition = 4 + 2 + 2 + 1;

// The characters of 0x80..0x9F in Windows-1252; the five bytes the code page leaves undefined
// read as the C1 control of the same number, as Windows itself reads them.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

struct TypeInfo
{
    TypeCode code;
    FieldType type;
    int dataSize; // bytes of a fixed-size value; 0 for text
};

constexpr TypeInfo Types[] = {
    {String, FieldType::String, 0},     {SmallInt, FieldType::Int16, 2}, {Integer, FieldType::Int32, 4},
    {Word, FieldType::Int32, 2},        {Boolean, FieldType::Boolean, 2}, {Float, FieldType::Float, 8},
    {Currency, FieldType::Float, 8},    {Date, FieldType::Date, 4},       {Time, FieldType::Time, 4},
    {DateTime, FieldType::Timestamp, 8}, {AutoInc, FieldType::Int32, 4}, {LargeInt, FieldType::Int64, 8},
};

const TypeInfo *typeByCode(quint16 code)
{
    for (const TypeInfo &t : Types)
        if (t.code == code)
            return &t;
    return nullptr;
}

// The code the writer gives a field type; the first entry of the table for that type.
const TypeInfo *typeForField(FieldType type)
{
    for (const TypeInfo &t : Types)
        if (t.type == type)
            return &t;
    return nullptr;
}

QDate firstDay()
{
    return QDate(1, 1, 1);
}

// A cursor over the stream that refuses to read past its end.
class Reader
{
public:
    explicit Reader(QByteArrayView bytes) : m_bytes(bytes) {}

    qsizetype position() const { return m_pos; }
    qsizetype left() const { return m_bytes.size() - m_pos; }
    bool atEnd() const { return m_pos >= m_bytes.size(); }

    QByteArrayView take(qsizetype count, const char *what)
    {
        if (count < 0 || count > left())
            fail(QStringLiteral("the stream ends inside %1 (%2 bytes needed, %3 left)")
                     .arg(QLatin1String(what)).arg(count).arg(left()));
        const QByteArrayView part = m_bytes.sliced(m_pos, count);
        m_pos += count;
        return part;
    }

    template<typename T>
    T number(const char *what)
    {
        const QByteArrayView part = take(sizeof(T), what);
        return qFromLittleEndian<T>(part.data());
    }

    [[noreturn]] void fail(const QString &what) const
    {
        throw VarnexError(QStringLiteral("The lookup table stream is damaged at byte %1: %2.").arg(m_pos).arg(what));
    }

private:
    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
};

struct StreamField
{
    const TypeInfo *info;
    int size;
};

// A fixed-size value's bytes follow its presence byte also for a null, and are then skipped unread.
QVariant readFixed(Reader &in, const StreamField &f, const FieldDef &def, bool present)
{
    const QByteArrayView data = in.take(f.info->dataSize, "a value");
    if (!present)
        return {};
    const char *p = data.data();
    switch (f.info->code) {
    case SmallInt:
        return qint64(qFromLittleEndian<qint16>(p));
    case Word:
        return qint64(qFromLittleEndian<quint16>(p));
    case Integer:
    case AutoInc:
        return qint64(qFromLittleEndian<qint32>(p));
    case LargeInt:
        return qint64(qFromLittleEndian<qint64>(p));
    case Boolean:
        return qFromLittleEndian<quint16>(p) != 0;
    case Float:
    case Currency: {
        const double d = qFromLittleEndian<double>(p);
        if (!std::isfinite(d))
            in.fail(QStringLiteral("field \"%1\" holds a number that is not finite").arg(def.name));
        return d;
    }
    case Date: {
        const qint32 days = qFromLittleEndian<qint32>(p);
        const QDate date = firstDay().addDays(qint64(days) - 1);
        if (days < 1 || !date.isValid())
            in.fail(QStringLiteral("field \"%1\" holds day number %2, which is no date").arg(def.name).arg(days));
        return date;
    }
    case Time: {
        const qint32 ms = qFromLittleEndian<qint32>(p);
        if (ms < 0 || ms >= MsecsPerDay)
            in.fail(QStringLiteral("field \"%1\" holds %2 ms, which is no time of day").arg(def.name).arg(ms));
        return QTime::fromMSecsSinceStartOfDay(ms);
    }
    case DateTime: {
        const double d = qFromLittleEndian<double>(p);
        // Day 1 is 0001-01-01; anything past the year 9999 is no date the program can hold.
        if (!std::isfinite(d) || d < MsecsPerDay || d >= 3652060.0 * MsecsPerDay)
            in.fail(QStringLiteral("field \"%1\" holds a date and time out of range").arg(def.name));
        const qint64 total = qint64(std::llround(d));
        const QDate date = firstDay().addDays(total / MsecsPerDay - 1);
        const QTime time = QTime::fromMSecsSinceStartOfDay(int(total % MsecsPerDay));
        // A wall-clock time, without a zone: the table keeps what the stream says.
        return QDateTime(date, time);
    }
    case String:
        break;
    }
    return {};
}

void writeFixed(QByteArray &out, const TypeInfo &info, const QVariant &value)
{
    char buffer[8] = {};
    if (value.isValid()) {
        switch (info.code) {
        case SmallInt:
            qToLittleEndian<qint16>(qint16(value.toLongLong()), buffer);
            break;
        case Integer:
            qToLittleEndian<qint32>(qint32(value.toLongLong()), buffer);
            break;
        case LargeInt:
            qToLittleEndian<qint64>(value.toLongLong(), buffer);
            break;
        case Boolean:
            qToLittleEndian<quint16>(value.toBool() ? 1 : 0, buffer);
            break;
        case Float:
            qToLittleEndian<double>(value.toDouble(), buffer);
            break;
        case Date:
            qToLittleEndian<qint32>(qint32(firstDay().daysTo(value.toDate()) + 1), buffer);
            break;
        case Time:
            qToLittleEndian<qint32>(value.toTime().msecsSinceStartOfDay(), buffer);
            break;
        case DateTime: {
            const QDateTime dt = value.toDateTime();
            const double ms = double(firstDay().daysTo(dt.date()) + 1) * MsecsPerDay + dt.time().msecsSinceStartOfDay();
            qToLittleEndian<double>(ms, buffer);
            break;
        }
        default:
            break;
        }
    }
    out.append(buffer, info.dataSize);
}

} // namespace

QString fromAnsi(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar c = uchar(bytes[i]);
        out[i] = (c >= 0x80 && c < 0xA0) ? QChar(Cp1252High[c - 0x80]) : QChar(c);
    }
    return text;
}

QByteArray toAnsi(const QString &text, const QString &what)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            bytes.append(char(u));
            continue;
        }
        const char16_t *hit = std::find(std::begin(Cp1252High), std::end(Cp1252High), u);
        if (hit == std::end(Cp1252High))
            throw VarnexError(QStringLiteral("%1 holds the character U+%2, which Windows-1252 cannot hold.")
                                  .arg(what, QString::number(u, 16).toUpper().rightJustified(4, QLatin1Char('0'))));
        bytes.append(char(0x80 + (hit - std::begin(Cp1252High))));
    }
    return bytes;
}

DataTable read(QByteArrayView stream)
{
    Reader in(stream);
    if (in.take(3, "the signature") != QByteArrayView(Signature, 3))
        throw VarnexError(QStringLiteral("The lookup table stream is damaged: it does not begin with \"Ver\"."));
    const double version = in.number<double>("the version");
    if (!std::isfinite(version) || version <= 0)
        in.fail(QStringLiteral("the version is not a positive number"));

    const qint32 count = in.number<qint32>("the field count");
    if (count < 0 || qint64(count) * MinimalDefinition > in.left())
        in.fail(QStringLiteral("%1 field definitions cannot fit in the %2 bytes left").arg(count).arg(in.left()));

    DataTable table;
    QList<StreamField> fields;
    fields.reserve(count);
    for (int i = 0; i < count; ++i) {
        const qint32 size = in.number<qint32>("a field size");
        const quint16 code = in.number<quint16>("a field type");
        const quint16 nameLength = in.number<quint16>("a field name length");
        if (nameLength < 1)
            in.fail(QStringLiteral("field %1 has a name length of 0").arg(i + 1));
        const QByteArrayView rawName = in.take(nameLength, "a field name");
        if (rawName.back() != '\0')
            in.fail(QStringLiteral("the name of field %1 does not end in a zero byte").arg(i + 1));
        const QString name = fromAnsi(rawName.chopped(1));
        const TypeInfo *info = typeByCode(code);
        if (!info)
            in.fail(QStringLiteral("field \"%1\" has the unknown type code %2").arg(name).arg(code));
        if (info->code == String && (size < 0 || size > 0xFFFF))
            in.fail(QStringLiteral("text field \"%1\" declares %2 characters").arg(name).arg(size));
        FieldDef def;
        def.name = name;
        def.type = info->type;
        def.size = info->code == String ? size : 0;
        QString error;
        if (!table.addField(def, &error))
            in.fail(QStringLiteral("field %1: %2").arg(i + 1).arg(error));
        fields.append({info, def.size});
    }
    if (count == 0 && !in.atEnd())
        in.fail(QStringLiteral("records follow a table without fields"));

    while (!in.atEnd()) {
        // Every field takes at least its presence byte, so a record cannot be smaller than this.
        if (in.left() < count)
            in.fail(QStringLiteral("the last record is cut short"));
        const int row = table.appendRow();
        for (int column = 0; column < count; ++column) {
            const StreamField &f = fields.at(column);
            const FieldDef &def = table.field(column);
            const quint8 present = in.number<quint8>("a presence byte");
            if (present > 1)
                in.fail(QStringLiteral("field \"%1\" of record %2 has the presence byte %3")
                            .arg(def.name).arg(row + 1).arg(present));
            QVariant value;
            if (f.info->code == String) {
                if (!present)
                    continue;
                const qint32 length = in.number<qint32>("a text length");
                if (length < 0 || length > in.left())
                    in.fail(QStringLiteral("field \"%1\" of record %2 declares %3 bytes of text, %4 are left")
                                .arg(def.name).arg(row + 1).arg(length).arg(in.left()));
                if (f.size > 0 && length > f.size)
                    in.fail(QStringLiteral("field \"%1\" of record %2 holds %3 characters, more than its %4")
                                .arg(def.name).arg(row + 1).arg(length).arg(f.size));
                value = fromAnsi(in.take(length, "a text"));
            } else {
                value = readFixed(in, f, def, present);
                if (!present)
                    continue;
            }
            QString error;
            if (!table.setValue(row, column, value, &error))
                in.fail(QStringLiteral("field \"%1\" of record %2: %3").arg(def.name).arg(row + 1).arg(error));
        }
    }
    return table;
}

QByteArray write(const DataTable &table)
{
    QList<const TypeInfo *> infos;
    QByteArray out(Signature, 3);
    char buffer[8];
    qToLittleEndian<double>(Version, buffer);
    out.append(buffer, 8);
    qToLittleEndian<qint32>(table.fieldCount(), buffer);
    out.append(buffer, 4);
    for (const FieldDef &def : table.fields()) {
        const TypeInfo *info = typeForField(def.type);
        if (!info)
            throw VarnexError(QStringLiteral("The field \"%1\" is of type %2, which a lookup table stream cannot hold.")
                                  .arg(def.name, fieldTypeName(def.type)));
        infos.append(info);
        const QByteArray name = toAnsi(def.name, QStringLiteral("The field name \"%1\"").arg(def.name));
        qToLittleEndian<qint32>(info->code == String ? def.size : 0, buffer);
        out.append(buffer, 4);
        qToLittleEndian<quint16>(info->code, buffer);
        out.append(buffer, 2);
        qToLittleEndian<quint16>(quint16(name.size() + 1), buffer);
        out.append(buffer, 2);
        out.append(name);
        out.append('\0');
    }
    for (int row = 0; row < table.rowCount(); ++row) {
        for (int column = 0; column < table.fieldCount(); ++column) {
            const QVariant value = table.value(row, column);
            out.append(char(value.isValid() ? 1 : 0));
            if (infos.at(column)->code == String) {
                if (!value.isValid())
                    continue;
                const QByteArray text = toAnsi(value.toString(), QStringLiteral("The field \"%1\" of record %2")
                                                                     .arg(table.field(column).name).arg(row + 1));
                qToLittleEndian<qint32>(qint32(text.size()), buffer);
                out.append(buffer, 4);
                out.append(text);
            } else {
                writeFixed(out, *infos.at(column), value);
            }
        }
    }
    return out;
}

} // namespace MemDataStream
