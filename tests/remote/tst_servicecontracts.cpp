// The registry of the central server's service contracts put to its use (the generic proxy against
// a real varnex-server, the login service's lookup by GUID), and the complex types of the services
// that the program declares.
#include "remote/ComplexTypes.h"
#include "remote/DAData_DM.h"
#include "remote/HttpChannel.h"
#include "remote/RemoteError.h"
#include "support/ServerProcess.h"
#include "remote/ServiceContracts.h"
#include "remote/VRXLoginInfo.h"
#include "remote/WireCodec.h"

#include <QCborArray>
#include <QCborMap>
#include <QtTest>

#include <functional>
#include <map>

using namespace Wire;

namespace {

// Reads a value as the complex type, copies it with assign() and writes the copy, so that a field
// lost in reading, copying or writing shows up as a difference from what was read.
template <typename T>
QCborMap readAssignWrite(const QCborValue &value)
{
    T received;
    received.read(value);
    T copy;
    copy.assign(received);
    return copy.write().toMap();
}

struct ComplexType
{
    std::function<QCborMap(const QCborValue &)> readAssignWrite;
    std::function<QStringList()> fieldNames;
    std::function<QCborValue()> emptyValue;
};

template <typename T>
ComplexType complexType()
{
    return {readAssignWrite<T>, T::fieldNames, [] { return T().write(); }};
}

const std::map<QString, ComplexType> &complexTypes()
{
    static const std::map<QString, ComplexType> types = {
        {QStringLiteral("VRXLoginInfo"), complexType<VRXLoginInfo>()},
        {QStringLiteral("SupportIncident"), complexType<SupportIncident>()},
        {QStringLiteral("UpgradeInfo"), complexType<UpgradeInfo>()},
        {QStringLiteral("QOVAUpdateCount"), complexType<QOVAUpdateCount>()},
        {QStringLiteral("UpdateData"), complexType<UpdateData>()},
        {QStringLiteral("ImportData"), complexType<ImportData>()},
        {QStringLiteral("QOVALoginInfo"), complexType<QOVALoginInfo>()},
    };
    return types;
}

// A value of every type with no field at its default, in published order.
QCborMap sample(const QString &type)
{
    QCborMap m;
    auto add = [&m](const char *field, const QCborValue &v) { m.insert(QLatin1String(field), v); };
    const QByteArray blob("\0\x01\xff\0z", 5);
    if (type == QLatin1String("VRXLoginInfo")) {
        add("UserId", QStringLiteral("17"));
        add("UserName", QStringLiteral("vrxuser"));
        add("RealName", QStringLiteral("Ren\u00e9e"));
        add("SessionId", QStringLiteral("s-1"));
    } else if (type == QLatin1String("SupportIncident")) {
        add("AuthorityCode", QStringLiteral("LA01"));
        add("AuthorityName", QStringLiteral("Borough"));
        add("ContactName", QStringLiteral("Zo\u00eb"));
        add("EmailAddress", QStringLiteral("z@example.org"));
        add("TelephoneNumber", QStringLiteral("0100"));
        add("MessageContent", QStringLiteral("\u0141\u00f3d\u017a \u2713"));
        add("AttachmentName", QStringLiteral("log.txt"));
        add("Attachment", blob);
    } else if (type == QLatin1String("UpgradeInfo")) {
        add("VersionNumber", QStringLiteral("4.2"));
        add("ReleaseNotes", QStringLiteral("Fixes \u2713"));
        add("FileSize", qint64(-2147483647 - 1));
        add("UpgradeAvailable", true);
        add("FileName", QStringLiteral("setup.bin"));
    } else if (type == QLatin1String("QOVAUpdateCount")) {
        const char *names[] = {"SampleInsert", "SampleDelete", "SampleUpdate", "SampleTotal",
                               "ResultInsert", "ResultDelete", "ResultUpdate", "ResultTotal"};
        qint64 n = 2147483640;
        for (const char *name : names)
            add(name, n++);
    } else if (type == QLatin1String("UpdateData")) {
        add("SampleData", blob);
        add("ResultData", QByteArray("r"));
    } else if (type == QLatin1String("ImportData")) {
        add("Samples", blob);
        add("Results", QByteArray("r"));
        add("Outcomes", QByteArray("o"));
    } else if (type == QLatin1String("QOVALoginInfo")) {
        add("UserId", QStringLiteral("9"));
        add("Forename", QStringLiteral("Ana\u00efs"));
        add("Surname", QStringLiteral("Smith"));
        add("CouncilId", QStringLiteral("C7"));
        add("SessionId", QStringLiteral("s-2"));
    }
    return m;
}

QStringList keysOf(const QCborMap &m)
{
    QStringList keys;
    for (auto it = m.begin(); it != m.end(); ++it)
        keys << it.key().toString();
    return keys;
}

QString fieldMessage(const char *message, const char *field)
{
    return QStringLiteral("Exception \"ProtocolError\" with message \"%1\" happens during reading field \"%2\".")
        .arg(QLatin1String(message), QLatin1String(field));
}

// A plain value of a declared parameter: what the generic proxy sends when nothing else is given.
QCborValue emptyArgument(const ContractValue &v)
{
    if (v.type == Type::Boolean)
        return false;
    if (v.type == Type::Int32 || v.type == Type::Int64)
        return 0;
    if (v.type == Type::String || v.type == Type::AnsiString)
        return QString(QLatin1String(""));
    if (v.type == Type::Binary)
        return QByteArray("");
    if (v.type == Type::DateTime)
        return encodeDateTime(QDateTime(QDate(2024, 1, 1), QTime(0, 0)));
    if (v.type == Type::Struct) {
        const auto it = complexTypes().find(v.complexType);
        return it != complexTypes().end() ? it->second.emptyValue() : QCborValue();
    }
    return QCborValue(QCborValue::Null);
}

// Sends an operation with the parameters named and typed as its contract declares them; missing
// arguments are sent as empty values.
Reply callByContract(const RemoteService &proxy, const OperationContract &op, const QList<QCborValue> &args = {})
{
    QList<Param> params;
    for (qsizetype i = 0; i < op.request.size(); ++i)
        params << Param{op.request.at(i).name, op.request.at(i).type,
                        i < args.size() ? args.at(i) : emptyArgument(op.request.at(i))};
    return proxy.call(op.name, params);
}

// The reply carries, in order, what the operation declares: its result first, then the out values;
// struct values read as their complex type.
void checkReplyAgainstContract(const Reply &reply, const OperationContract &op)
{
    QList<ContractValue> expected = op.out;
    if (op.result)
        expected.prepend(*op.result);
    QCOMPARE(reply.results.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QCOMPARE(reply.results.at(i).name, expected.at(i).name);
        QCOMPARE(reply.results.at(i).type, expected.at(i).type);
        if (expected.at(i).type == Type::Struct) {
            const auto it = complexTypes().find(expected.at(i).complexType);
            QVERIFY2(it != complexTypes().end(), qPrintable(expected.at(i).complexType));
            it->second.readAssignWrite(reply.results.at(i).value);
        }
    }
}

// A dataset each data service that the program calls must serve.
QString datasetOf(const QString &serviceName)
{
    if (serviceName == QLatin1String("SyncService"))
        return QStringLiteral("_DYN_SAMPLE_OFFICER");
    if (serviceName == QLatin1String("PostboxV9Service"))
        return QStringLiteral("FILE_TO_INSERT_FROM_LA_EX");
    if (serviceName == QLatin1String("VRXMaint"))
        return QStringLiteral("FINAL_SAMPLE_FOR_CODE");
    if (serviceName == QLatin1String("FileUploadService"))
        return QStringLiteral("ATTACHMENT");
    return QStringLiteral("ANY");
}

} // namespace

class TestServiceContracts : public QObject
{
    Q_OBJECT

private:
    ServerProcess m_server;

private slots:
    void initTestCase() { QVERIFY2(m_server.start(), qPrintable(m_server.errorText())); }

    // The registry's one lookup by GUID is the login service's; a GUID that several interfaces share
    // answers none of them rather than one at random.
    void serviceByGuid_data()
    {
        QTest::addColumn<QString>("guid");
        QTest::addColumn<QString>("interfaceName"); // empty: no service answers
        const QString shared = QStringLiteral("{47876009-A185-4967-9CAA-DAC85F80B664}");
        QTest::newRow("login") << QStringLiteral("{DA729E55-703A-4EFD-A3D0-E92B93897543}") << QStringLiteral("ILoginService");
        QTest::newRow("login, lower case, no braces") << QStringLiteral("da729e55-703a-4efd-a3d0-e92b93897543")
                                                      << QStringLiteral("ILoginService");
        QTest::newRow("shared by four") << shared << QString();
        QTest::newRow("shared, lower case") << shared.toLower() << QString();
        QTest::newRow("unknown") << QStringLiteral("{00000000-0000-0000-0000-000000000001}") << QString();
        QTest::newRow("null") << QUuid().toString() << QString();
        QTest::newRow("not a GUID") << QStringLiteral("ILoginService") << QString();
    }
    void serviceByGuid()
    {
        QFETCH(QString, guid);
        QFETCH(QString, interfaceName);
        const ServiceContract *c = findServiceByGuid(guid);
        if (interfaceName.isEmpty())
            QCOMPARE(c, nullptr);
        else
            QCOMPARE(c, findServiceByInterface(interfaceName));
    }

    void proxyByInterfaceName()
    {
        HttpChannel channel;
        // Interface names match without regard to letter case; the proxy sends under the service name.
        QCOMPARE(createServiceProxy(QStringLiteral("iloginservice"), channel).serviceName(), QStringLiteral("LoginService"));
        QVERIFY_THROWS_EXCEPTION(VarnexError, createServiceProxy(QStringLiteral("INoSuchService"), channel));
    }

    // Every operation of the registry goes out through the generic proxy with the names and types it
    // declares. For each service the program calls, the server answers with what the registry
    // declares (and a data service serves its datasets); a service the program does not call reaches
    // the server under its own name, which the stand-in server refuses by that name.
    void everyOperationThroughGenericProxy_data()
    {
        QTest::addColumn<QString>("interfaceName");
        QTest::addColumn<QString>("operation");
        for (const ServiceContract &c : serviceContracts()) {
            for (const OperationContract &op : c.operations)
                QTest::newRow(qPrintable(c.serviceName + QLatin1Char('.') + op.name)) << c.interfaceName << op.name;
            if (c.servesDatasets)
                QTest::newRow(qPrintable(c.serviceName + QStringLiteral(".GetSchema"))) << c.interfaceName << QStringLiteral("GetSchema");
        }
    }
    void everyOperationThroughGenericProxy()
    {
        QFETCH(QString, interfaceName);
        QFETCH(QString, operation);
        const ServiceContract *c = findServiceByInterface(interfaceName);
        QVERIFY(c);
        HttpChannel channel;
        channel.setTargetUrl(m_server.url());
        const RemoteService proxy = createServiceProxy(*c, channel);
        const OperationContract *op = c->findOperation(operation);
        const auto call = [&] {
            if (op)
                return callByContract(proxy, *op);
            return proxy.call(operation, {Param::string(QStringLiteral("DatasetName"), datasetOf(c->serviceName))});
        };
        if (!c->calledByProgram) {
            try {
                call();
                QFAIL("the stand-in server answered a service it does not serve");
            } catch (const ServerError &e) {
                QVERIFY2(e.message().contains(QLatin1Char('"') + c->serviceName + QLatin1Char('"')), qPrintable(e.message()));
            }
            return;
        }
        const Reply reply = call();
        if (op)
            checkReplyAgainstContract(reply, *op);
        else
            QVERIFY(!decodeSchema(readValue(reply, QStringLiteral("Schema"), Type::Struct)).fields.isEmpty());
    }

    // The called operations with real arguments: the answers hold what the program relies on.
    void callsThroughGenericProxy_data()
    {
        QTest::addColumn<QString>("interfaceName");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QList<QCborValue>>("args");
        QTest::newRow("GetSyncIdRange 5") << QStringLiteral("ISyncService") << QStringLiteral("GetSyncIdRange")
                                          << QList<QCborValue>{QCborValue(5)};
        QTest::newRow("IsAlive") << QStringLiteral("ISyncService") << QStringLiteral("IsAlive") << QList<QCborValue>{};
        QTest::newRow("Login") << QStringLiteral("ILoginService") << QStringLiteral("Login")
                               << QList<QCborValue>{QCborValue(QString::fromLatin1(TDADataDm::ServiceUserName())),
                                                    QCborValue(QString::fromLatin1(TDADataDm::ServicePassword()))};
    }
    void callsThroughGenericProxy()
    {
        QFETCH(QString, interfaceName);
        QFETCH(QString, operation);
        QFETCH(QList<QCborValue>, args);
        const ServiceContract *c = findServiceByInterface(interfaceName);
        QVERIFY(c);
        const OperationContract *op = c->findOperation(operation);
        QVERIFY(op);
        HttpChannel channel;
        channel.setTargetUrl(m_server.url());
        const Reply reply = callByContract(createServiceProxy(*c, channel), *op, args);
        checkReplyAgainstContract(reply, *op);
        if (op->result && op->result->type == Type::Boolean)
            QVERIFY(readBoolean(reply, QStringLiteral("Result")));
        if (operation == QLatin1String("GetSyncIdRange"))
            QCOMPARE(readInt64(reply, QStringLiteral("EndID")) - readInt64(reply, QStringLiteral("StartID")), 5);
    }

    void complexRoundTrip_data()
    {
        QTest::addColumn<QString>("type");
        for (const auto &[name, _] : complexTypes())
            QTest::newRow(qPrintable(name)) << name;
    }
    void complexRoundTrip()
    {
        QFETCH(QString, type);
        const QCborMap published = sample(type);
        QVERIFY(!published.isEmpty());
        const auto &readAssignWrite = complexTypes().at(type).readAssignWrite;
        QCOMPARE(keysOf(published), complexTypes().at(type).fieldNames());

        const QCborMap written = readAssignWrite(published);
        QCOMPARE(written, published);
        QCOMPARE(keysOf(written), keysOf(published)); // published order on the way out

        // The same fields in alphabetical order read to the same value.
        QStringList sorted = keysOf(published);
        sorted.sort();
        QVERIFY(sorted != keysOf(published)); // else the order would not be put to the test
        QCborMap alphabetical;
        for (const QString &key : sorted)
            alphabetical.insert(key, published.value(key));
        QCOMPARE(keysOf(alphabetical), sorted);
        QCOMPARE(readAssignWrite(alphabetical), published);
    }

    void badField_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QCborValue>("value"); // undefined: the field is left out
        QTest::addColumn<QString>("message");
        QTest::newRow("login info, number for text") << QStringLiteral("VRXLoginInfo") << QStringLiteral("SessionId") << QCborValue(5)
                                                     << fieldMessage("The value is not a string", "SessionId");
        QTest::newRow("incident, text for binary") << QStringLiteral("SupportIncident") << QStringLiteral("Attachment")
                                                   << QCborValue(QStringLiteral("x"))
                                                   << fieldMessage("The value is not binary data", "Attachment");
        QTest::newRow("incident, beyond Latin-1") << QStringLiteral("SupportIncident") << QStringLiteral("ContactName")
                                                  << QCborValue(QStringLiteral("\u2713"))
                                                  << fieldMessage("The value is not a single-byte string", "ContactName");
        QTest::newRow("incident, missing") << QStringLiteral("SupportIncident") << QStringLiteral("MessageContent")
                                           << QCborValue(QCborValue::Undefined)
                                           << fieldMessage("The field is missing", "MessageContent");
        QTest::newRow("upgrade, text for integer") << QStringLiteral("UpgradeInfo") << QStringLiteral("FileSize")
                                                   << QCborValue(QStringLiteral("12"))
                                                   << fieldMessage("The value is not an integer", "FileSize");
        QTest::newRow("upgrade, null Boolean") << QStringLiteral("UpgradeInfo") << QStringLiteral("UpgradeAvailable")
                                               << QCborValue(QCborValue::Null)
                                               << fieldMessage("The value is not a Boolean", "UpgradeAvailable");
        QTest::newRow("count, beyond 32 bits") << QStringLiteral("QOVAUpdateCount") << QStringLiteral("ResultTotal")
                                               << QCborValue(qint64(1) << 31)
                                               << fieldMessage("The value 2147483648 is outside the 32-bit range", "ResultTotal");
        QTest::newRow("update data, missing") << QStringLiteral("UpdateData") << QStringLiteral("ResultData")
                                              << QCborValue(QCborValue::Undefined)
                                              << fieldMessage("The field is missing", "ResultData");
        QTest::newRow("import, array for binary") << QStringLiteral("ImportData") << QStringLiteral("Outcomes")
                                                  << QCborValue(QCborArray{1})
                                                  << fieldMessage("The value is not binary data", "Outcomes");
        QTest::newRow("QOVA login, number for text") << QStringLiteral("QOVALoginInfo") << QStringLiteral("Surname")
                                                     << QCborValue(1.5)
                                                     << fieldMessage("The value is not a string", "Surname");
    }
    void badField()
    {
        QFETCH(QString, type);
        QFETCH(QString, field);
        QFETCH(QCborValue, value);
        QFETCH(QString, message);
        QCborMap m = sample(type);
        QVERIFY(m.contains(field));
        if (value.isUndefined())
            m.remove(field);
        else
            m.insert(field, value);
        try {
            complexTypes().at(type).readAssignWrite(m);
            QFAIL("no exception");
        } catch (const ProtocolError &e) {
            QCOMPARE(e.message(), message);
        }
    }

    // Nulls where the wire allows them read as empty values; not a structure is refused whole.
    void nullsAndNonStructures()
    {
        QCborMap m = sample(QStringLiteral("SupportIncident"));
        m.insert(QStringLiteral("Attachment"), QCborValue(QCborValue::Null));
        m.insert(QStringLiteral("MessageContent"), QCborValue(QCborValue::Null));
        SupportIncident incident;
        incident.Attachment = "old";
        incident.read(m);
        QVERIFY(incident.Attachment.isEmpty());
        QVERIFY(incident.MessageContent.isEmpty());
        QCOMPARE(incident.AuthorityCode, QByteArray("LA01"));

        UpdateData data;
        QVERIFY_THROWS_EXCEPTION(ProtocolError, data.read(QCborArray{}));
    }
};

QTEST_GUILESS_MAIN(TestServiceContracts)
#include "tst_servicecontracts.moc"
