#include "remote/ServiceContracts.h"

#include "remote/WireCodec.h"

#include "base/VarnexError.h"

namespace {

ContractValue ansiString(const QString &name) { return {name, Wire::Type::AnsiString, {}}; }
ContractValue string(const QString &name) { return {name, Wire::Type::String, {}}; }
ContractValue int32(const QString &name) { return {name, Wire::Type::Int32, {}}; }
ContractValue int64(const QString &name) { return {name, Wire::Type::Int64, {}}; }
ContractValue boolean(const QString &name) { return {name, Wire::Type::Boolean, {}}; }
ContractValue binary(const QString &name) { return {name, Wire::Type::Binary, {}}; }
ContractValue dateTime(const QString &name) { return {name, Wire::Type::DateTime, {}}; }
ContractValue complex(const QString &name, const QString &typeName) { return {name, Wire::Type::Struct, typeName}; }
ContractValue result(ContractValue v)
{
    v.name = QStringLiteral("Result");
    return v;
}

const QString DataAbstractService = QStringLiteral("IDataAbstractService");
const QString AutoUpdateBase = QStringLiteral("IHYAutoUpdateService");

// Services are listed library by library; within one library in the order the library declares
// them. Called services are marked; the rest are declared so that the table is complete and can
// be reached through createServiceProxy(), but nothing in the program calls them.
// Over 100 lines: a data table, one entry per service, read best whole.
QList<ServiceContract> buildContracts()
{
    const QString syncLibrary = QStringLiteral("HydraDASyncLibrary");
    const QString loginLibrary = QStringLiteral("HydraDALoginService");
    const QString supportLibrary = QStringLiteral("HydraDASupportLibrary");
    const QString adminLibrary = QStringLiteral("HydraDAAdminService");
    const QString maintLibrary = QStringLiteral("HydraDAVRXMaintLibrary");
    // The library's name carries this spelling on the server; it must match exactly.
    const QString lookupLibrary = QStringLiteral("LookupDataMaintLibirary");
    const QString foodSampleLibrary = QStringLiteral("HydraDAFoodSampleLibrary");
    const QString fileUploadLibrary = QStringLiteral("HydraDAFileUploadLibrary");
    const QString postboxV9Library = QStringLiteral("HydraDAPostboxV9Library");
    const QString postboxLibrary = QStringLiteral("HydraDAPostboxLibrary");

    // Shared by ISyncService, IFoodSampleService, IFileUploadService and IPostboxV9Service.
    const QUuid sharedDataGuid(QStringLiteral("{47876009-A185-4967-9CAA-DAC85F80B664}"));

    const auto credentials = QList<ContractValue>{ansiString(QStringLiteral("UserName")),
                                                  ansiString(QStringLiteral("Password"))};
    const auto importData = QList<ContractValue>{complex(QStringLiteral("Imp"), QStringLiteral("ImportData"))};

    auto dataService = [](const QString &service, const QUuid &guid, const QString &library, bool called) {
        return ServiceContract{service, QLatin1Char('I') + service, guid, DataAbstractService, library, called, true, {}};
    };

    return {
        {QStringLiteral("SyncService"), QStringLiteral("ISyncService"), sharedDataGuid, DataAbstractService, syncLibrary,
         true, true,
         {{QStringLiteral("GetSyncIdRange"), {int32(QStringLiteral("QuantityRequired"))}, std::nullopt,
           {int64(QStringLiteral("StartID")), int64(QStringLiteral("EndID"))}},
          {QStringLiteral("IsAlive"), {}, result(boolean({})), {}}}},
        {QStringLiteral("DeletemeService"), QStringLiteral("IDeletemeService"),
         QUuid(QStringLiteral("{E52EB3B0-0F6E-4158-A0AA-12D40EA07822}")), AutoUpdateBase, syncLibrary, false, false, {}},

        {QStringLiteral("LoginService"), QStringLiteral("ILoginService"),
         QUuid(QStringLiteral("{DA729E55-703A-4EFD-A3D0-E92B93897543}")), QStringLiteral("ISimpleLoginService"),
         loginLibrary, true, false,
         {{QStringLiteral("Login"), credentials, result(boolean({})),
           {complex(QStringLiteral("aLoginInfo"), QStringLiteral("VRXLoginInfo"))}},
          // Declared, never sent by the program.
          {QStringLiteral("Logout"), credentials, std::nullopt, {}}}},

        {QStringLiteral("SupportService"), QStringLiteral("ISupportService"),
         QUuid(QStringLiteral("{DA055496-F8F9-4AFC-8A67-74A760288056}")), {}, supportLibrary, false, false,
         {{QStringLiteral("LogSupportIncident"),
           {complex(QStringLiteral("IncidentDetails"), QStringLiteral("SupportIncident"))}, result(boolean({})), {}}}},
        {QStringLiteral("UpgradeService"), QStringLiteral("IUpgradeService"),
         QUuid(QStringLiteral("{212B573F-54BB-4891-8220-B0EF93E52C66}")), {}, supportLibrary, false, false,
         {{QStringLiteral("GetUpgradeInfo"), {}, result(complex({}, QStringLiteral("UpgradeInfo"))), {}},
          {QStringLiteral("GetChunkCount"), {int32(QStringLiteral("ChunkSize"))}, result(int32({})), {}},
          {QStringLiteral("GetChunk"), {int32(QStringLiteral("Index"))}, result(binary({})), {}}}},
        {QStringLiteral("AutoUpdateService"), QStringLiteral("IAutoUpdateService"),
         QUuid(QStringLiteral("{BA442B01-2097-48C6-8E72-EAA04517699E}")), AutoUpdateBase, supportLibrary, false, false, {}},

        {QStringLiteral("AdminService"), QStringLiteral("IAdminService"),
         QUuid(QStringLiteral("{3573EE14-C143-46CE-8CB2-E41B66D406D7}")), QStringLiteral("ISimpleDataAbstractService"),
         adminLibrary, false, true,
         {{QStringLiteral("GetPostboxAddress"), {}, result(ansiString({})), {}}}},

        dataService(QStringLiteral("VRXMaint"), QUuid(QStringLiteral("{678C93CB-08BD-4AE7-B26E-B7BD3866E1C1}")),
                    maintLibrary, true),
        {QStringLiteral("NewsService"), QStringLiteral("INewsService"),
         QUuid(QStringLiteral("{12783E4C-006C-44AE-BB68-D05F39C37950}")), {}, maintLibrary, false, false,
         {{QStringLiteral("GetTextValue"), {string(QStringLiteral("Identifier"))}, result(string({})), {}}}},
        {QStringLiteral("QOVAService"), QStringLiteral("IQOVAService"),
         QUuid(QStringLiteral("{8C67B7F0-DF46-462F-9B45-46469F8715D9}")), {}, maintLibrary, false, false,
         {{QStringLiteral("Sum"), {int32(QStringLiteral("A")), int32(QStringLiteral("B"))}, result(int32({})), {}},
          {QStringLiteral("GetServerTime"), {}, result(dateTime({})), {}},
          {QStringLiteral("Login"),
           {string(QStringLiteral("iUsername")), string(QStringLiteral("iPassword")),
            string(QStringLiteral("iLocalAuthority"))},
           result(boolean({})), {}},
          {QStringLiteral("GetUpdateCount"), {dateTime(QStringLiteral("LastUpdated"))},
           result(complex({}, QStringLiteral("QOVAUpdateCount"))), {}},
          {QStringLiteral("GetUpdateData"), {dateTime(QStringLiteral("LastUpdated"))},
           result(complex({}, QStringLiteral("UpdateData"))), {}},
          {QStringLiteral("ImportFromOrion"), importData, std::nullopt, {}},
          {QStringLiteral("ImportFromPALabFile"), importData, std::nullopt, {}},
          {QStringLiteral("UpdateProsecution"),
           {string(QStringLiteral("SampleNumber")), boolean(QStringLiteral("IsProsecution"))}, std::nullopt, {}}}},
        dataService(QStringLiteral("QOVAData"), QUuid(QStringLiteral("{87D5AF2F-0592-4352-9AF7-179B0C01F52D}")),
                    maintLibrary, false),
        {QStringLiteral("QOVALoginService"), QStringLiteral("IQOVALoginService"),
         QUuid(QStringLiteral("{38A70B58-8002-451A-8EBF-D7F417B67E34}")), QStringLiteral("ISimpleLoginService"),
         maintLibrary, false, false,
         {{QStringLiteral("Login"), credentials, result(boolean({})),
           {complex(QStringLiteral("aLoginInfo"), QStringLiteral("QOVALoginInfo"))}}}},
        {QStringLiteral("NewService"), QStringLiteral("INewService"),
         QUuid(QStringLiteral("{CF3334A7-CDBF-4A74-8457-F4CD6BD26518}")), {}, maintLibrary, false, false, {}},
        dataService(QStringLiteral("QOVAMaint"), QUuid(QStringLiteral("{4A46ED42-CD23-4F31-82CC-5679A4EB4979}")),
                    maintLibrary, false),

        dataService(QStringLiteral("LookupDataMaintService"),
                    QUuid(QStringLiteral("{4B68224A-DB1E-4DFA-822E-E733194AD9CA}")), lookupLibrary, false),

        dataService(QStringLiteral("FoodSampleService"), sharedDataGuid, foodSampleLibrary, false),

        // Datasets and the command "attachment_delete", both through the dataset operations.
        dataService(QStringLiteral("FileUploadService"), sharedDataGuid, fileUploadLibrary, true),

        dataService(QStringLiteral("PostboxV9Service"), sharedDataGuid, postboxV9Library, true),
        dataService(QStringLiteral("SamplePrintService"), QUuid(QStringLiteral("{97186E95-CCB1-44EF-9E3A-6D465B0D1235}")),
                    postboxV9Library, false),

        dataService(QStringLiteral("PostboxService"), QUuid(QStringLiteral("{5D29C1A6-B9A9-4371-8803-E9262659874F}")),
                    postboxLibrary, false),
    };
}

} // namespace

const OperationContract *ServiceContract::findOperation(const QString &name) const
{
    for (const OperationContract &op : operations)
        if (op.name.compare(name, Qt::CaseInsensitive) == 0)
            return &op;
    return nullptr;
}

const QList<ServiceContract> &serviceContracts()
{
    static const QList<ServiceContract> contracts = buildContracts();
    return contracts;
}

const ServiceContract *findServiceByInterface(const QString &interfaceName)
{
    for (const ServiceContract &c : serviceContracts())
        if (c.interfaceName.compare(interfaceName, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

const ServiceContract *findServiceByGuid(const QUuid &guid)
{
    if (guid.isNull())
        return nullptr;
    const ServiceContract *found = nullptr;
    for (const ServiceContract &c : serviceContracts()) {
        if (c.guid != guid)
            continue;
        if (found)
            return nullptr; // shared: no one interface answers for it
        found = &c;
    }
    return found;
}

const ServiceContract *findServiceByGuid(const QString &guid)
{
    QString text = guid.trimmed();
    if (!text.startsWith(QLatin1Char('{')))
        text = QLatin1Char('{') + text + QLatin1Char('}');
    return findServiceByGuid(QUuid::fromString(text));
}

RemoteService createServiceProxy(const ServiceContract &contract, HttpChannel &channel, const AesEnvelope *envelope)
{
    return RemoteService(channel, contract.serviceName, envelope);
}

RemoteService createServiceProxy(const QString &interfaceName, HttpChannel &channel, const AesEnvelope *envelope)
{
    const ServiceContract *contract = findServiceByInterface(interfaceName);
    if (!contract)
        throw VarnexError(QStringLiteral("No remote service is registered for the interface \"%1\"").arg(interfaceName));
    return createServiceProxy(*contract, channel, envelope);
}
