#pragma once

#include "remote/RemoteService.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// Every remote service of the central server that the program declares, whether it calls it or
// not, in one constant table: its service name, interface, interface GUID, parent interface,
// library name and its own operations. Services that serve datasets inherit the dataset
// operations (GetSchema, GetData, UpdateData, docs/wire.md) and list only what they add.
//
// Several interfaces share one GUID, so the registry is searched by interface name; a GUID
// answers only when exactly one interface carries it (the login service is found that way).

// One parameter or result as it travels: its name, wire type (Wire::Type) and, for a struct, the
// name of its complex type.
struct ContractValue
{
    QString name;
    QString type;
    QString complexType;
};

struct OperationContract
{
    QString name;
    QList<ContractValue> request;        // in wire order
    std::optional<ContractValue> result; // named "Result", read first when present
    QList<ContractValue> out;            // reply values after the result, in wire order
};

struct ServiceContract
{
    QString serviceName;     // the name a request carries
    QString interfaceName;
    QUuid guid;
    QString parentInterface; // empty when the interface derives from nothing but the base
    QString libraryName;     // the server library that declares the service
    bool calledByProgram = false;
    bool servesDatasets = false;
    QList<OperationContract> operations; // its own, in declared order

    const OperationContract *findOperation(const QString &name) const;
};

// The whole table, in declaration order of the server libraries.
const QList<ServiceContract> &serviceContracts();

// By interface name, ignoring letter case; nullptr when none.
const ServiceContract *findServiceByInterface(const QString &interfaceName);
// The one service whose interface carries this GUID; nullptr when none does or when the GUID is
// shared by several interfaces, so that a shared GUID never yields one of them at random. The
// text form accepts the GUID with or without braces, in either case.
const ServiceContract *findServiceByGuid(const QUuid &guid);
const ServiceContract *findServiceByGuid(const QString &guid);

// A proxy of a registered service: calls go out under its service name, inside the envelope when
// one is given. The overload by interface name throws VarnexError for an unregistered interface.
RemoteService createServiceProxy(const ServiceContract &contract, HttpChannel &channel,
                                 const AesEnvelope *envelope = nullptr);
RemoteService createServiceProxy(const QString &interfaceName, HttpChannel &channel,
                                 const AesEnvelope *envelope = nullptr);
