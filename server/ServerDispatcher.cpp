#include "ServerDispatcher.h"

#include "ServerAutoUpdate.h"
#include "ServerStore.h"
#include "data/PacketCipher.h"
#include "remote/RemoteError.h"
#include "remote/TableCodec.h"
#include "remote/VRXLoginInfo.h"
#include "store/SqlUtil.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <chrono>
#include <thread>

using namespace Wire;

namespace {

// Most ids one GetSyncIdRange call may claim; the sequence must not be exhausted by one caller.
constexpr qint64 MaxIdBlock = 1000000;

const QString *requireParam(const Request &r, const QString &name, const QString &type, QCborValue *out)
{
    const Param *p = findParam(r.params, name);
    if (!p)
        throw ProtocolError(QStringLiteral("%1.%2 needs the parameter \"%3\"").arg(r.service, r.operation, name));
    if (p->type != type && !(type == Type::String && p->type == Type::AnsiString))
        throw ProtocolError(QStringLiteral("The parameter \"%1\" must be of type %2").arg(name, type));
    *out = p->value;
    return nullptr;
}

QCborValue param(const Request &r, const QString &name, const QString &type)
{
    QCborValue v;
    requireParam(r, name, type, &v);
    return v;
}

QCborValue optionalParam(const Request &r, const QString &name, const QString &type)
{
    const Param *p = findParam(r.params, name);
    if (!p)
        return {};
    if (p->type != type)
        throw ProtocolError(QStringLiteral("The parameter \"%1\" must be of type %2").arg(name, type));
    return p->value;
}

// Firebird refuses the later of two transactions that change the same row at once (or insert
// the same key) once the earlier one has committed; done again, it sees that row and succeeds.
bool isWriteConflict(const VarnexError &e)
{
    static const QRegularExpression conflict(QStringLiteral("update conflicts with concurrent update|deadlock|lock conflict"
                                                            "|violation of PRIMARY or UNIQUE KEY constraint"),
                                             QRegularExpression::CaseInsensitiveOption);
    return conflict.match(e.message()).hasMatch();
}

// Runs `work` on this thread's connection in one transaction, done again when it collides with a
// concurrent one, after a pause that grows and varies (so that two colliding calls part). `work`
// takes the connection and the StampTurn of its transaction; from the third attempt on, the turn
// of `stampedTable` (if any) is taken before the transaction starts, so that a snapshot taken
// after the other stamping transactions of that table cannot collide with them again.
template<typename F>
auto inTransaction(ServerStore &store, const QString &stampedTable, F work)
{
    constexpr int Attempts = 10;
    constexpr int EarlyTurnFrom = 3;
    for (int attempt = 1;; ++attempt) {
        {
            StampTurn stampTurn(store); // ends after the commit (or the rollback)
            try {
                if (attempt >= EarlyTurnFrom && !stampedTable.isEmpty())
                    stampTurn.take(stampedTable, StampTurn::EarlyWaitMs);
                return SqlUtil::inTransaction(store.connection(), [&](QSqlDatabase &db) { return work(db, stampTurn); });
            } catch (const VarnexError &e) {
                if (attempt == Attempts || !isWriteConflict(e))
                    throw;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(QRandomGenerator::global()->bounded(5, 20) * attempt));
    }
}

template<typename F>
auto inTransaction(ServerStore &store, F work)
{
    return inTransaction(store, QString(), work);
}

} // namespace

ServerDispatcher::ServerDispatcher(ServerStore &store, Faults &faults, const QByteArray &passPhrase)
    : m_store(store), m_faults(faults), m_datasets(store), m_envelope(passPhrase)
{
}

QByteArray ServerDispatcher::errorBody(const QString &errorClass, const QString &message)
{
    return encodeReply(Reply::error(errorClass, message));
}

ServerDispatcher::Outcome ServerDispatcher::handle(const QByteArray &body)
{
    if (const int ms = m_faults.stallMs(); ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));

    // The reply travels in the envelope only when the request's envelope opened.
    bool wrapped = false;
    QString service, operation;
    Reply reply;
    try {
        QByteArray plain = body;
        if (AesEnvelope::isWrapped(body)) {
            plain = m_envelope.unwrap(body);
            wrapped = true;
        }
        const Request request = decodeRequest(plain);
        service = request.service;
        operation = request.operation;
        if (m_faults.takeFailCall(service, operation))
            return {errorBody(QStringLiteral("InjectedFault"), QStringLiteral("%1.%2 failed on purpose").arg(service, operation)),
                    500};
        reply = dispatch(request);
    } catch (const RemoteError &e) {
        reply = Reply::error(e.className(), e.message());
    } catch (const VarnexError &e) {
        reply = Reply::error(QStringLiteral("ServerError"), e.message());
    } catch (const std::exception &e) {
        reply = Reply::error(QStringLiteral("ServerError"), QString::fromLocal8Bit(e.what()));
    }
    if (!service.isEmpty() && m_faults.takeDropReply(service, operation))
        return {QByteArray(), 200, true};
    QByteArray out = encodeReply(reply);
    if (wrapped)
        out = m_envelope.wrap(out);
    return {out, reply.ok ? 200 : 400};
}

Reply ServerDispatcher::dispatch(const Request &request)
{
    if (request.service == QLatin1String("SyncService")
        && (request.operation == QLatin1String("GetSyncIdRange") || request.operation == QLatin1String("IsAlive")))
        return syncService(request);
    if (request.service == QLatin1String("LoginService"))
        return loginService(request);
    static const QStringList dataServices = {QStringLiteral("SyncService"), QStringLiteral("PostboxV9Service"),
                                             QStringLiteral("VRXMaint"), QStringLiteral("FileUploadService")};
    if (request.service == QLatin1String("PostboxV9Service") && request.operation == QLatin1String("DecodeFile"))
        return decodePostboxFile(request);
    if (dataServices.contains(request.service))
        return datasetOperation(request);
    if (isAutoUpdateService(request.service))
        return autoUpdateService(QFileInfo(m_store.databasePath()).absolutePath(), request);
    throw ProtocolError(QStringLiteral("Unknown service \"%1\"").arg(request.service));
}

Reply ServerDispatcher::syncService(const Request &request)
{
    Reply reply;
    if (request.operation == QLatin1String("IsAlive")) {
        // Alive means the store is there and answers; a store that is gone makes the answer false,
        // not a failure of the call.
        bool alive = false;
        try {
            alive = QFileInfo::exists(m_store.databasePath())
                && inTransaction(m_store, [](const QSqlDatabase &db, auto &) {
                       return SqlUtil::scalar(db, QStringLiteral("SELECT 1 FROM RDB$DATABASE"));
                   }).toInt() == 1;
        } catch (const VarnexError &) {
            alive = false;
        }
        reply.results << Param::boolean(QStringLiteral("Result"), alive);
        return reply;
    }
    const qint64 n = param(request, QStringLiteral("QuantityRequired"), Type::Int32).toInteger();
    if (n < 0)
        throw VarnexError(QStringLiteral("QuantityRequired must not be negative (%1 was asked for)").arg(n));
    if (n > MaxIdBlock)
        throw VarnexError(QStringLiteral("QuantityRequired may be at most %1 (%2 was asked for)").arg(MaxIdBlock).arg(n));
    // n + 1 values: StartID .. StartID + n - 1 are the client's, EndID itself is never used, so
    // blocks never overlap, also for n = 0.
    const qint64 last = inTransaction(m_store, [n](const QSqlDatabase &db, auto &) { return ServerStore::claimSyncIds(db, n + 1); });
    reply.results << Param::int64(QStringLiteral("StartID"), last - n) << Param::int64(QStringLiteral("EndID"), last);
    return reply;
}

Reply ServerDispatcher::loginService(const Request &request)
{
    Reply reply;
    if (request.operation == QLatin1String("Logout")) {
        param(request, QStringLiteral("UserName"), Type::AnsiString);
        return reply;
    }
    if (request.operation != QLatin1String("Login"))
        throw ProtocolError(QStringLiteral("LoginService has no operation \"%1\"").arg(request.operation));
    const QString user = param(request, QStringLiteral("UserName"), Type::AnsiString).toString();
    const QString password = param(request, QStringLiteral("Password"), Type::AnsiString).toString();
    VRXLoginInfo info;
    bool accepted = false;
    if (!m_faults.refuseServiceLogin()) {
        accepted = inTransaction(m_store, [&](const QSqlDatabase &db, auto &) {
            QSqlQuery q = SqlUtil::exec(db, QStringLiteral("SELECT USER_ID, USER_NAME, REAL_NAME FROM SERVICE_ACCOUNT "
                                                           "WHERE USER_NAME = ? AND USER_PASSWORD = ?"), {user, password});
            if (!q.next())
                return false;
            info.UserId = q.value(0).toString().toLatin1();
            info.UserName = q.value(1).toString().toLatin1();
            info.RealName = q.value(2).toString().toLatin1();
            info.SessionId = QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1();
            return true;
        });
    }
    reply.results << Param::boolean(QStringLiteral("Result"), accepted);
    reply.results << Param{QStringLiteral("aLoginInfo"), Type::Struct, accepted ? info.write() : VRXLoginInfo().write()};
    return reply;
}

Reply ServerDispatcher::datasetOperation(const Request &request)
{
    Reply reply;
    const QString &op = request.operation;
    if (op == QLatin1String("ExecuteCommand")) {
        const QString command = param(request, QStringLiteral("CommandName"), Type::String).toString();
        const QList<DatasetParam> params = decodeDatasetParams(optionalParam(request, QStringLiteral("Params"), Type::Params));
        const qint64 n = inTransaction(m_store, [&](const QSqlDatabase &db, auto &) {
            return m_datasets.executeCommand(db, request.service, command, params);
        });
        reply.results << Param::int64(QStringLiteral("Result"), n);
        return reply;
    }
    const QString name = param(request, QStringLiteral("DatasetName"), Type::String).toString();
    const ServerDatasets::Def *def = m_datasets.find(request.service, name);
    if (!def)
        throw VarnexError(QStringLiteral("%1 has no dataset \"%2\"").arg(request.service, name));
    const QList<DatasetParam> params = decodeDatasetParams(optionalParam(request, QStringLiteral("Params"), Type::Params));
    if (op == QLatin1String("GetSchema")) {
        const DatasetSchema s = inTransaction(m_store, [&](const QSqlDatabase &db, auto &) { return m_datasets.schema(db, *def); });
        reply.results << Param{QStringLiteral("Schema"), Type::Struct, encodeSchema(s)};
    } else if (op == QLatin1String("GetData")) {
        const QList<WhereItem> where = decodeWhere(optionalParam(request, QStringLiteral("Where"), Type::Where));
        // Optional page size of a synchronisation download (docs/wire.md, "Reading in pages").
        const QCborValue maxRowsValue = optionalParam(request, QStringLiteral("MaxRows"), Type::Int32);
        const int maxRows = maxRowsValue.isInteger() ? int(maxRowsValue.toInteger()) : 0;
        if (maxRows < 0)
            throw VarnexError(QStringLiteral("MaxRows must not be negative"));
        const DataTable t = inTransaction(m_store, [&](const QSqlDatabase &db, auto &) { return m_datasets.open(db, *def, params, where, maxRows); });
        reply.results << Param{QStringLiteral("Data"), Type::Table, encodeTable(t)};
    } else if (op == QLatin1String("UpdateData")) {
        const QList<RowChange> changes = decodeChanges(param(request, QStringLiteral("Changes"), Type::Changes));
        const DataTable t = inTransaction(m_store, ServerDatasets::stampedTable(*def), [&](const QSqlDatabase &db, StampTurn &stampTurn) {
            return m_datasets.apply(db, *def, params, changes, stampTurn);
        });
        reply.results << Param{QStringLiteral("Data"), Type::Table, encodeTable(t)};
    } else {
        throw ProtocolError(QStringLiteral("%1 has no operation \"%2\"").arg(request.service, op));
    }
    return reply;
}

Reply ServerDispatcher::decodePostboxFile(const Request &request)
{
    const qint64 id = param(request, QStringLiteral("Id"), Type::Int64).toInteger();
    const QByteArray content = inTransaction(m_store, [id](const QSqlDatabase &db, auto &) {
        QSqlQuery q = SqlUtil::exec(db, QStringLiteral("SELECT CONTENT FROM FILE_TO_INSERT_FROM_LA_EX WHERE ID = ?"), {id});
        if (!q.next())
            throw VarnexError(QStringLiteral("No postbox file with id %1").arg(id));
        return q.value(0).toByteArray();
    });
    DataTable table;
    QString error;
    if (!PacketCipher::openPacket(content, &table, &error))
        throw VarnexError(QStringLiteral("Postbox file %1 does not decode: %2").arg(id).arg(error));
    Reply reply;
    reply.results << Param{QStringLiteral("Data"), Type::Table, encodeTable(table)};
    return reply;
}
