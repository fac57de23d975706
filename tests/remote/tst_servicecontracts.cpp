// The registry of the central server's service contracts, the generic proxy against a real
// varnex-server, and the complex types of the services that the program declares.
#include "remote/ComplexTypes.h"
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

struct ExpectedService
{
    const char *interfaceName;
    const char *serviceName;
    const char *guid;
    const char *parent;
    const char *library;
    bool called;
};

const char *const SharedGuid = "{47876009-A185-4967-9CAA-DAC85F80B664}";

const ExpectedService Expected[] = {
    {"ISyncService", "SyncService", SharedGuid, "IDataAbstractService", "HydraDASyncLibrary", true},
    {"IDeletemeService", "DeletemeService", "{E52EB3B0-0F6E-4158-A0AA-12D40EA07822}", "IHYAutoUpdateService", "HydraDASyncLibrary", false},
    {"ILoginService", "LoginService", "{DA729E55-703A-4EFD-A3D0-E92B93897543}", "ISimpleLoginService", "HydraDALoginService", true},
    {"ISupportService", "SupportService", "{DA055496-F8F9-4AFC-8A67-74A760288056}", "", "HydraDASupportLibrary", false},
    {"IUpgradeService", "UpgradeService", "{212B573F-54BB-4891-8220-B0EF93E52C66}", "", "HydraDASupportLibrary", false},
    {"IAutoUpdateService", "AutoUpdateService", "{BA442B01-2097-48C6-8E72-EAA04517699E}", "IHYAutoUpdateService", "HydraDASupportLibrary", false},
    {"IAdminService", "AdminService", "{3573EE14-C143-46CE-8CB2-E41B66D406D7}", "ISimpleDataAbstractService", "HydraDAAdminService", false},
    {"IVRXMaint", "VRXMaint", "{678C93CB-08BD-4AE7-B26E-B7BD3866E1C1}", "IDataAbstractService", "HydraDAVRXMaintLibrary", true},
    {"INewsService", "NewsService", "{12783E4C-006C-44AE-BB68-D05F39C37950}", "", "HydraDAVRXMaintLibrary", false},
    {"IQOVAService", "QOVAService", "{8C67B7F0-DF46-462F-9B45-46469F8715D9}", "", "HydraDAVRXMaintLibrary", false},
    {"IQOVAData", "QOVAData", "{87D5AF2F-0592-4352-9AF7-179B0C01F52D}", "IDataAbstractService", "HydraDAVRXMaintLibrary", false},
    {"IQOVALoginService", "QOVALoginService", "{38A70B58-8002-451A-8EBF-D7F417B67E34}", "ISimpleLoginService", "HydraDAVRXMaintLibrary", false},
    {"INewService", "NewService", "{CF3334A7-CDBF-4A74-8457-F4CD6BD26518}", "", "HydraDAVRXMaintLibrary", false},
    {"IQOVAMaint", "QOVAMaint", "{4A46ED42-CD23-4F31-82CC-5679A4EB4979}", "IDataAbstractService", "HydraDAVRXMaintLibrary", false},
    {"ILookupDataMaintService", "LookupDataMaintService", "{4B68224A-DB1E-4DFA-822E-E733194AD9CA}", "IDataAbstractService", "LookupDataMaintLibirary", false},
    {"IFoodSampleService", "FoodSampleService", SharedGuid, "IDataAbstractService", "HydraDAFoodSampleLibrary", false},
    {"IFileUploadService", "FileUploadService", SharedGuid, "IDataAbstractService", "HydraDAFileUploadLibrary", true},
    {"IPostboxV9Service", "PostboxV9Service", SharedGuid, "IDataAbstractService", "HydraDAPostboxV9Library", true},
    {"ISamplePrintService", "SamplePrintService", "{97186E95-CCB1-44EF-9E3A-6D465B0D1235}", "IDataAbstractService", "HydraDAPostboxV9Library", false},
    {"IPostboxService", "PostboxService", "{5D29C1A6-B9A9-4371-8803-E9262659874F}", "IDataAbstractService", "HydraDAPostboxLibrary", false},
};

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
};

template <typename T>
ComplexType complexType()
{
    return {readAssignWrite<T>, T::fieldNames};
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

// Sends an operation with the parameters named and typed as its contract declares them.
Reply callByContract(const RemoteService &proxy, const OperationContract &op, const QList<QCborValue> &args)
{
    QList<Param> params;
    for (qsizetype i = 0; i < op.request.size(); ++i)
        params << Param{op.request.at(i).name, op.request.at(i).type, args.value(i)};
    return proxy.call(op.name, params);
}

} // namespace

class TestServiceContracts : public QObject
{
    Q_OBJECT

private:
    ServerProcess m_server;

private slots:
    void initTestCase() { QVERIFY2(m_server.start(), qPrintable(m_server.errorText())); }

    void serviceByInterface_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(Expected)); ++i)
            QTest::newRow(Expected[i].interfaceName) << i;
    }
    void serviceByInterface()
    {
        QFETCH(int, index);
        const ExpectedService &e = Expected[index];
        const ServiceContract *c = findServiceByInterface(QLatin1String(e.interfaceName));
        QVERIFY(c);
        QCOMPARE(c->interfaceName, QLatin1String(e.interfaceName));
        QCOMPARE(c->serviceName, QLatin1String(e.serviceName));
        QCOMPARE(c->guid, QUuid(QLatin1String(e.guid)));
        QCOMPARE(c->parentInterface, QLatin1String(e.parent));
        QCOMPARE(c->libraryName, QLatin1String(e.library));
        QCOMPARE(c->calledByProgram, e.called);
        // Interface names are matched without regard to letter case.
        QCOMPARE(findServiceByInterface(QString::fromLatin1(e.interfaceName).toLower()), c);
        // The generic proxy sends under the service name.
        HttpChannel channel;
        QCOMPARE(createServiceProxy(QLatin1String(e.interfaceName), channel).serviceName(), c->serviceName);
    }

    // Nothing in the registry beyond the services above, each interface once, and every declared
    // value well formed: a known wire type, results named "Result", structs naming a complex type
    // that exists.
    void registryIsWellFormed()
    {
        QStringList expected;
        for (const ExpectedService &e : Expected)
            expected << QLatin1String(e.interfaceName);
        QStringList registered;
        for (const ServiceContract &c : serviceContracts())
            registered << c.interfaceName;
        QCOMPARE(registered, expected);

        for (const ServiceContract &c : serviceContracts())
            for (const OperationContract &op : c.operations) {
                QList<ContractValue> values = op.request + op.out;
                if (op.result) {
                    QCOMPARE(op.result->name, QStringLiteral("Result"));
                    values << *op.result;
                }
                for (const ContractValue &v : values) {
                    const QString where = c.serviceName + QLatin1Char('.') + op.name + QLatin1Char(' ') + v.name;
                    QVERIFY2(isKnownType(v.type), qPrintable(where));
                    QVERIFY2((v.type == Type::Struct) == complexTypes().contains(v.complexType), qPrintable(where));
                }
            }
        QVERIFY(!findServiceByInterface(QStringLiteral("IHYAutoUpdateService")));
        HttpChannel channel;
        QVERIFY_THROWS_EXCEPTION(VarnexError, createServiceProxy(QStringLiteral("INoSuchService"), channel));
    }

    void serviceByGuid_data()
    {
        QTest::addColumn<QString>("guid");
        QTest::addColumn<QString>("interfaceName"); // empty: no service answers
        QTest::newRow("login") << QStringLiteral("{DA729E55-703A-4EFD-A3D0-E92B93897543}") << QStringLiteral("ILoginService");
        QTest::newRow("login, lower case, no braces") << QStringLiteral("da729e55-703a-4efd-a3d0-e92b93897543")
                                                      << QStringLiteral("ILoginService");
        QTest::newRow("shared by four") << QString::fromLatin1(SharedGuid) << QString();
        QTest::newRow("shared, lower case") << QString::fromLatin1(SharedGuid).toLower() << QString();
        QTest::newRow("unknown") << QStringLiteral("{00000000-0000-0000-0000-000000000001}") << QString();
        QTest::newRow("null") << QUuid().toString() << QString();
        QTest::newRow("not a GUID") << QStringLiteral("ILoginService") << QString();
        for (const ExpectedService &e : Expected)
            if (qstrcmp(e.guid, SharedGuid) != 0)
                QTest::newRow(e.interfaceName) << QString::fromLatin1(e.guid) << QString::fromLatin1(e.interfaceName);
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

    // The called operations, sent through the generic proxy with the names and types of the
    // registry, are understood by the server, and their replies carry what the registry declares.
    void callsThroughGenericProxy_data()
    {
        QTest::addColumn<QString>("interfaceName");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QList<QCborValue>>("args");
        QTest::newRow("GetSyncIdRange 0") << QStringLiteral("ISyncService") << QStringLiteral("GetSyncIdRange")
                                          << QList<QCborValue>{QCborValue(0)};
        QTest::newRow("IsAlive") << QStringLiteral("ISyncService") << QStringLiteral("IsAlive") << QList<QCborValue>{};
        QTest::newRow("Login") << QStringLiteral("ILoginService") << QStringLiteral("Login")
                               << QList<QCborValue>{QCborValue(QStringLiteral("vrxuser")), QCborValue(QStringLiteral("kite3"))};
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
        QList<ContractValue> expected = op->out;
        if (op->result)
            expected.prepend(*op->result);
        QCOMPARE(reply.results.size(), expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i) {
            QCOMPARE(reply.results.at(i).name, expected.at(i).name);
            QCOMPARE(reply.results.at(i).type, expected.at(i).type);
            if (expected.at(i).type == Type::Struct)
                complexTypes().at(expected.at(i).complexType).readAssignWrite(reply.results.at(i).value);
        }
        if (op->result && op->result->type == Type::Boolean)
            QVERIFY(readBoolean(reply, QStringLiteral("Result")));
    }

    // An uncalled service is callable through the generic proxy: the request reaches the server
    // under its service name (the stand-in server does not serve it and says so).
    void uncalledServiceReachesServer()
    {
        HttpChannel channel;
        channel.setTargetUrl(m_server.url());
        const RemoteService proxy = createServiceProxy(QStringLiteral("ISupportService"), channel);
        const OperationContract *op = findServiceByInterface(QStringLiteral("ISupportService"))->findOperation(QStringLiteral("LogSupportIncident"));
        QVERIFY(op);
        try {
            callByContract(proxy, *op, {SupportIncident().write()});
            QFAIL("the stand-in server answered a service it does not serve");
        } catch (const ServerError &e) {
            QVERIFY2(e.message().contains(QLatin1String("\"SupportService\"")), qPrintable(e.message()));
        }
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
