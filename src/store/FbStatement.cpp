#include "store/FbStatement.h"

#include "store/FbStatus.h"
#include "store/FbTransaction.h"

#include <QDateTime>
#include <QSqlField>

#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr unsigned short Dialect = SQL_DIALECT_V6;
// The longest text a VARCHAR parameter carries, in bytes.
constexpr int MaxVarchar = 32765;
// Character sets of coerced parameters: NONE for text that is only digits and signs, OCTETS
// for bytes.
constexpr short CharsetNone = 0;
constexpr short CharsetOctets = 1;
// Blob segments are read and written in pieces of this size.
constexpr unsigned short Segment = 32767;

const QDate BaseDate(1858, 11, 17); // day 0 of Firebird's dates

struct XsqldaDeleter
{
    void operator()(XSQLDA *p) const { std::free(p); }
};
using Xsqlda = std::unique_ptr<XSQLDA, XsqldaDeleter>;

Xsqlda allocate(int n)
{
    auto *p = static_cast<XSQLDA *>(std::calloc(1, XSQLDA_LENGTH(qMax(n, 1))));
    if (!p)
        throw std::bad_alloc();
    p->version = SQLDA_VERSION1;
    p->sqln = short(qMax(n, 1));
    return Xsqlda(p);
}

bool isText(int type)
{
    return type == SQL_TEXT || type == SQL_VARYING;
}

QString scaledText(qint64 unscaled, int scale)
{
    // The digits as they are stored, with the point put in: exact, where a double would not be.
    const bool negative = unscaled < 0;
    // The magnitude of the smallest 64-bit value does not fit its type; as unsigned it does.
    const quint64 magnitude = negative ? quint64(0) - quint64(unscaled) : quint64(unscaled);
    QString digits = QString::number(magnitude);
    const int places = -scale;
    if (places > 0) {
        if (digits.size() <= places)
            digits = QString(places - digits.size() + 1, QLatin1Char('0')) + digits;
        digits.insert(digits.size() - places, QLatin1Char('.'));
    }
    return negative ? QLatin1Char('-') + digits : digits;
}

} // namespace

struct FbStatement::Private
{
    struct Param
    {
        short describedType = 0; // without the nullable flag
        short describedSubType = 0;
        short describedScale = 0;
        short describedLength = 0;
        std::vector<char> data;
        short indicator = -1;
        bool bound = false;
        bool blob = false;       // bytes to write into a new blob at execute
        QByteArray blobBytes;
    };

    QString sql;
    isc_db_handle attachment = 0;
    isc_stmt_handle statement = 0;
    int type = 0;
    Xsqlda in;
    Xsqlda out;
    std::vector<Param> params;
    std::vector<std::vector<char>> columnData;
    std::vector<short> indicators;
    QStringList columnNames;
    std::vector<short> describedTypes; // as described, with the nullable flag
    bool cursorOpen = false;
    unsigned *rowsTransaction = nullptr; // the transaction the rows were read in (for blobs)

    void closeCursor()
    {
        if (!cursorOpen)
            return;
        cursorOpen = false;
        FbStatus status;
        isc_dsql_free_statement(status.vector(), &statement, DSQL_close);
    }

    void writeBlobs(FbTransaction &transaction)
    {
        for (int i = 0; i < int(params.size()); ++i) {
            Param &p = params[i];
            if (!p.blob)
                continue;
            FbStatus status;
            isc_blob_handle blob = 0;
            isc_db_handle db = attachment;
            auto *id = reinterpret_cast<ISC_QUAD *>(p.data.data());
            isc_create_blob2(status.vector(), &db, transaction.handle(), &blob, id, 0, nullptr);
            status.throwIfFailed("Cannot write a BLOB");
            for (qsizetype at = 0; at < p.blobBytes.size(); at += Segment) {
                const auto piece = static_cast<unsigned short>(qMin<qsizetype>(Segment, p.blobBytes.size() - at));
                isc_put_segment(status.vector(), &blob, piece, p.blobBytes.constData() + at);
                if (status.failed()) {
                    FbStatus ignored;
                    isc_cancel_blob(ignored.vector(), &blob);
                    status.throwIfFailed("Cannot write a BLOB");
                }
            }
            isc_close_blob(status.vector(), &blob);
            status.throwIfFailed("Cannot write a BLOB");
        }
    }

    QByteArray readBlob(const ISC_QUAD &id) const
    {
        if (!rowsTransaction || !*rowsTransaction)
            throw VarnexError(QStringLiteral("Cannot read a BLOB: the transaction of its row has ended."));
        FbStatus status;
        isc_blob_handle blob = 0;
        isc_db_handle db = attachment;
        ISC_QUAD blobId = id;
        isc_open_blob2(status.vector(), &db, rowsTransaction, &blob, &blobId, 0, nullptr);
        status.throwIfFailed("Cannot read a BLOB");
        QByteArray bytes;
        char buffer[Segment];
        for (;;) {
            unsigned short length = 0;
            const ISC_STATUS result = isc_get_segment(status.vector(), &blob, &length, Segment, buffer);
            if (result == 0 || status.vector()[1] == isc_segment) {
                bytes.append(buffer, length);
                continue;
            }
            if (status.vector()[1] == isc_segstr_eof)
                break;
            FbStatus ignored;
            isc_close_blob(ignored.vector(), &blob);
            status.throwIfFailed("Cannot read a BLOB");
        }
        isc_close_blob(status.vector(), &blob);
        return bytes;
    }
};

FbStatement::FbStatement(FbTransaction &transaction, const QString &sql) : d(std::make_unique<Private>())
{
    transaction.requireActive("prepare a statement");
    d->sql = sql;
    d->attachment = transaction.attachmentHandle();
    FbStatus status;
    isc_dsql_allocate_statement(status.vector(), &d->attachment, &d->statement);
    status.throwIfFailed("Cannot allocate a statement");

    const QByteArray text = sql.toUtf8();
    d->out = allocate(20);
    isc_dsql_prepare(status.vector(), transaction.handle(), &d->statement, 0, text.constData(), Dialect, d->out.get());
    status.throwIfFailed(QStringLiteral("Cannot prepare \"%1\"").arg(sql.left(80)));
    if (d->out->sqld > d->out->sqln) {
        d->out = allocate(d->out->sqld);
        isc_dsql_describe(status.vector(), &d->statement, Dialect, d->out.get());
        status.throwIfFailed("Cannot describe a statement");
    }

    d->in = allocate(8);
    isc_dsql_describe_bind(status.vector(), &d->statement, Dialect, d->in.get());
    status.throwIfFailed("Cannot describe the parameters of a statement");
    if (d->in->sqld > d->in->sqln) {
        d->in = allocate(d->in->sqld);
        isc_dsql_describe_bind(status.vector(), &d->statement, Dialect, d->in.get());
        status.throwIfFailed("Cannot describe the parameters of a statement");
    }

    const char item = isc_info_sql_stmt_type;
    char info[16] = {};
    isc_dsql_sql_info(status.vector(), &d->statement, 1, &item, sizeof info, info);
    status.throwIfFailed("Cannot read the kind of a statement");
    if (info[0] == isc_info_sql_stmt_type) {
        const short length = short(isc_vax_integer(info + 1, 2));
        d->type = int(isc_vax_integer(info + 3, length));
    }
    if (d->type == isc_info_sql_stmt_exec_procedure && d->out->sqld > 0)
        throw VarnexError(QStringLiteral("A procedure's output is not read this way: %1").arg(sql.left(80)));

    d->params.resize(d->in->sqld);
    for (int i = 0; i < d->in->sqld; ++i) {
        const XSQLVAR &v = d->in->sqlvar[i];
        auto &p = d->params[i];
        p.describedType = short(v.sqltype & ~1);
        p.describedSubType = v.sqlsubtype;
        p.describedScale = v.sqlscale;
        p.describedLength = v.sqllen;
    }
    d->columnData.resize(d->out->sqld);
    d->indicators.assign(d->out->sqld, 0);
    for (int i = 0; i < d->out->sqld; ++i) {
        XSQLVAR &v = d->out->sqlvar[i];
        d->columnNames << QString::fromUtf8(v.aliasname, v.aliasname_length).simplified();
        d->describedTypes.push_back(v.sqltype);
        // Room for the longest value, a VARCHAR's length word in front.
        d->columnData[i].assign(size_t(v.sqllen) + sizeof(short), 0);
        v.sqldata = d->columnData[i].data();
        v.sqltype = short(v.sqltype | 1);
        v.sqlind = &d->indicators[i];
    }
}

FbStatement::~FbStatement()
{
    if (d->statement) {
        // A statement whose attachment is gone is gone with it.
        FbStatus status;
        isc_dsql_free_statement(status.vector(), &d->statement, DSQL_drop);
    }
}

QString FbStatement::sql() const
{
    return d->sql;
}

bool FbStatement::isSelect() const
{
    return d->type == isc_info_sql_stmt_select || d->type == isc_info_sql_stmt_select_for_upd;
}

int FbStatement::paramCount() const
{
    return int(d->params.size());
}

void FbStatement::bind(int index, const QVariant &value)
{
    if (index < 0 || index >= paramCount())
        throw VarnexError(QStringLiteral("The statement has no parameter %1: %2").arg(index + 1).arg(d->sql.left(80)));
    XSQLVAR &v = d->in->sqlvar[index];
    auto &p = d->params[index];
    p.bound = true;
    p.blob = false;
    p.blobBytes.clear();
    v.sqlind = &p.indicator;
    const auto setType = [&](short type, short length, short subType = 0, short scale = 0) {
        v.sqltype = short(type | 1);
        v.sqllen = length;
        v.sqlsubtype = subType;
        v.sqlscale = scale;
        p.data.assign(size_t(length) + sizeof(short), 0);
        v.sqldata = p.data.data();
    };
    const auto setText = [&](const QByteArray &bytes, short charset) {
        if (bytes.size() > MaxVarchar)
            throw VarnexError(QStringLiteral("A value of %1 bytes is too long for parameter %2 of: %3")
                                  .arg(bytes.size()).arg(index + 1).arg(d->sql.left(80)));
        setType(SQL_VARYING, short(bytes.size()), charset);
        const short length = short(bytes.size());
        std::memcpy(p.data.data(), &length, sizeof length);
        std::memcpy(p.data.data() + sizeof length, bytes.constData(), size_t(bytes.size()));
    };
    const auto setScalar = [&](short type, const auto &scalar) {
        setType(type, short(sizeof scalar));
        std::memcpy(p.data.data(), &scalar, sizeof scalar);
    };

    if (!value.isValid() || value.isNull()) {
        setType(p.describedType, p.describedLength, p.describedSubType, p.describedScale);
        p.indicator = -1;
        return;
    }
    p.indicator = 0;
    const int id = value.metaType().id();
    if (p.describedType == SQL_BLOB) {
        // Written into a blob of its own when the statement runs.
        setType(SQL_BLOB, short(sizeof(ISC_QUAD)), p.describedSubType, p.describedScale);
        p.blob = true;
        p.blobBytes = id == QMetaType::QByteArray ? value.toByteArray() : value.toString().toUtf8();
        return;
    }
    // Text for a text parameter goes in the parameter's own character set; other values as text
    // are digits and signs, which every character set reads alike.
    const short charset = isText(p.describedType) ? p.describedSubType : CharsetNone;
    switch (id) {
    case QMetaType::QString:
        setText(value.toString().toUtf8(), charset);
        return;
    case QMetaType::QByteArray:
        setText(value.toByteArray(), isText(p.describedType) ? p.describedSubType : CharsetOctets);
        return;
    case QMetaType::Bool:
        setScalar(SQL_BOOLEAN, FB_BOOLEAN(value.toBool() ? FB_TRUE : FB_FALSE));
        return;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        setScalar(SQL_INT64, ISC_INT64(value.toLongLong()));
        return;
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        if (value.toULongLong() > quint64(std::numeric_limits<qint64>::max())) {
            setText(value.toString().toUtf8(), charset);
            return;
        }
        setScalar(SQL_INT64, ISC_INT64(value.toLongLong()));
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        setScalar(SQL_DOUBLE, value.toDouble());
        return;
    case QMetaType::QDate:
        setScalar(SQL_TYPE_DATE, ISC_DATE(BaseDate.daysTo(value.toDate())));
        return;
    case QMetaType::QTime:
        setScalar(SQL_TYPE_TIME, ISC_TIME(value.toTime().msecsSinceStartOfDay() * 10));
        return;
    case QMetaType::QDateTime: {
        // The wall-clock reading, whatever zone the value carries.
        const QDateTime dt = value.toDateTime();
        ISC_TIMESTAMP ts;
        ts.timestamp_date = ISC_DATE(BaseDate.daysTo(dt.date()));
        ts.timestamp_time = ISC_TIME(dt.time().msecsSinceStartOfDay() * 10);
        setScalar(SQL_TIMESTAMP, ts);
        return;
    }
    default:
        setText(value.toString().toUtf8(), charset);
        return;
    }
}

void FbStatement::bindAll(const QVariantList &values)
{
    if (values.size() != paramCount())
        throw VarnexError(QStringLiteral("The statement takes %1 values, not %2: %3")
                              .arg(paramCount()).arg(values.size()).arg(d->sql.left(80)));
    for (int i = 0; i < values.size(); ++i)
        bind(i, values.at(i));
}

void FbStatement::execute(FbTransaction &transaction)
{
    transaction.requireActive("run a statement");
    if (transaction.attachmentHandle() != d->attachment)
        throw VarnexError(QStringLiteral("A statement runs only on the attachment it was prepared on."));
    for (int i = 0; i < paramCount(); ++i) {
        if (!d->params[i].bound)
            throw VarnexError(QStringLiteral("Parameter %1 has no value: %2").arg(i + 1).arg(d->sql.left(80)));
    }
    d->closeCursor();
    d->writeBlobs(transaction);
    FbStatus status;
    isc_dsql_execute(status.vector(), transaction.handle(), &d->statement, Dialect, d->params.empty() ? nullptr : d->in.get());
    status.throwIfFailed(QStringLiteral("Cannot run \"%1\"").arg(d->sql.left(80)));
    d->rowsTransaction = transaction.handle();
    d->cursorOpen = isSelect();
}

int FbStatement::columnCount() const
{
    return int(d->columnNames.size());
}

QString FbStatement::columnName(int column) const
{
    if (column < 0 || column >= columnCount())
        throw VarnexError(QStringLiteral("The statement has no column %1.").arg(column + 1));
    return d->columnNames.at(column);
}

QSqlRecord FbStatement::record(FbTransaction &transaction) const
{
    QSqlRecord record;
    std::unique_ptr<FbStatement> definition;
    for (int i = 0; i < columnCount(); ++i) {
        const XSQLVAR &v = d->out->sqlvar[i];
        const int type = v.sqltype & ~1;
        const bool scaled = v.sqlscale < 0;
        QMetaType::Type metaType = QMetaType::UnknownType;
        switch (type) {
        case SQL_VARYING:
        case SQL_TEXT: metaType = QMetaType::QString; break;
        case SQL_SHORT:
        case SQL_LONG: metaType = scaled ? QMetaType::Double : QMetaType::Int; break;
        case SQL_INT64: metaType = scaled ? QMetaType::Double : QMetaType::LongLong; break;
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_D_FLOAT: metaType = QMetaType::Double; break;
        case SQL_TIMESTAMP: metaType = QMetaType::QDateTime; break;
        case SQL_TYPE_TIME: metaType = QMetaType::QTime; break;
        case SQL_TYPE_DATE: metaType = QMetaType::QDate; break;
        case SQL_BLOB: metaType = QMetaType::QByteArray; break;
        case SQL_BOOLEAN: metaType = QMetaType::Bool; break;
        default: break;
        }
        const QString relation = QString::fromUtf8(v.relname, v.relname_length).trimmed();
        QSqlField field(d->columnNames.at(i), QMetaType(metaType), relation);
        field.setLength(v.sqllen);
        field.setPrecision(qAbs(v.sqlscale));
        field.setRequiredStatus((d->describedTypes[i] & 1) ? QSqlField::Optional : QSqlField::Required);
        if (scaled && !relation.isEmpty()) {
            // The declared precision, which the storage size does not tell.
            if (!definition)
                definition = std::make_unique<FbStatement>(transaction, QStringLiteral(
                    "SELECT b.RDB$FIELD_PRECISION, b.RDB$FIELD_SCALE, a.RDB$NULL_FLAG "
                    "FROM RDB$RELATION_FIELDS a JOIN RDB$FIELDS b ON b.RDB$FIELD_NAME = a.RDB$FIELD_SOURCE "
                    "WHERE a.RDB$RELATION_NAME = ? AND a.RDB$FIELD_NAME = ?"));
            definition->bind(0, relation);
            definition->bind(1, QString::fromUtf8(v.sqlname, v.sqlname_length).trimmed());
            definition->execute(transaction);
            if (definition->next()) {
                field.setLength(definition->value(0).toInt());
                field.setPrecision(qAbs(definition->value(1).toInt()));
                field.setRequiredStatus(definition->value(2).toInt() == 1 ? QSqlField::Required : QSqlField::Optional);
                definition->close();
            }
        }
        field.setSqlType(d->describedTypes[i]);
        record.append(field);
    }
    return record;
}

bool FbStatement::next()
{
    if (!d->cursorOpen)
        return false;
    FbStatus status;
    const ISC_STATUS result = isc_dsql_fetch(status.vector(), &d->statement, Dialect, d->out.get());
    if (result == 100) {
        d->closeCursor();
        return false;
    }
    status.throwIfFailed("Cannot read a row");
    return true;
}

void FbStatement::close()
{
    d->closeCursor();
}

void FbStatement::abandon()
{
    d->statement = 0;
    d->cursorOpen = false;
}

bool FbStatement::isNull(int column) const
{
    columnName(column);
    return d->indicators[column] < 0;
}

QVariant FbStatement::value(int column) const
{
    if (isNull(column))
        return QVariant();
    const XSQLVAR &v = d->out->sqlvar[column];
    const char *data = v.sqldata;
    const auto read = [data](auto scalar) {
        std::memcpy(&scalar, data, sizeof scalar);
        return scalar;
    };
    switch (v.sqltype & ~1) {
    case SQL_VARYING: {
        const short length = read(short());
        return QString::fromUtf8(data + sizeof(short), length);
    }
    case SQL_TEXT:
        return QString::fromUtf8(data, v.sqllen);
    case SQL_SHORT:
        return v.sqlscale < 0 ? QVariant(scaledText(read(short()), v.sqlscale)) : QVariant(int(read(short())));
    case SQL_LONG:
        return v.sqlscale < 0 ? QVariant(scaledText(read(ISC_LONG()), v.sqlscale)) : QVariant(int(read(ISC_LONG())));
    case SQL_INT64:
        return v.sqlscale < 0 ? QVariant(scaledText(read(ISC_INT64()), v.sqlscale))
                              : QVariant::fromValue<qint64>(read(ISC_INT64()));
    case SQL_FLOAT:
        return double(read(float()));
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return read(double());
    case SQL_TYPE_DATE:
        return BaseDate.addDays(read(ISC_DATE()));
    case SQL_TYPE_TIME:
        return QTime::fromMSecsSinceStartOfDay(int(read(ISC_TIME()) / 10));
    case SQL_TIMESTAMP: {
        const ISC_TIMESTAMP ts = read(ISC_TIMESTAMP());
        return QDateTime(BaseDate.addDays(ts.timestamp_date), QTime::fromMSecsSinceStartOfDay(int(ts.timestamp_time / 10)));
    }
    case SQL_BOOLEAN:
        return read(FB_BOOLEAN()) != FB_FALSE;
    case SQL_BLOB:
        return d->readBlob(read(ISC_QUAD()));
    default:
        throw VarnexError(QStringLiteral("The column %1 has a type that cannot be read (%2).").arg(d->columnNames.at(column)).arg(v.sqltype & ~1));
    }
}
