#pragma once

#include <QByteArray>
#include <QCborValue>
#include <QString>
#include <QStringList>

// The complex types of the central server's services that the program declares but does not call
// (see ServiceContracts.h). Plain values: copying or assign() copies every field, binary fields
// included. Each is written in published order and read by name, so either field order is
// accepted; read() throws ProtocolError with fieldReadingMessage() (ComplexField.h) naming the
// field that could not be read, and the fields read before it stay assigned.

struct SupportIncident
{
    QByteArray AuthorityCode;
    QByteArray AuthorityName;
    QByteArray ContactName;
    QByteArray EmailAddress;
    QByteArray TelephoneNumber;
    QString MessageContent;
    QByteArray AttachmentName;
    QByteArray Attachment; // binary

    static QStringList fieldNames(); // in published order
    QCborValue write() const;
    void read(const QCborValue &value);
    void assign(const SupportIncident &other) { *this = other; }
    bool operator==(const SupportIncident &) const = default;
};

struct UpgradeInfo
{
    QString VersionNumber;
    QString ReleaseNotes;
    qint32 FileSize = 0;
    bool UpgradeAvailable = false;
    QByteArray FileName;

    static QStringList fieldNames();
    QCborValue write() const;
    void read(const QCborValue &value);
    void assign(const UpgradeInfo &other) { *this = other; }
    bool operator==(const UpgradeInfo &) const = default;
};

struct QOVAUpdateCount
{
    qint32 SampleInsert = 0;
    qint32 SampleDelete = 0;
    qint32 SampleUpdate = 0;
    qint32 SampleTotal = 0;
    qint32 ResultInsert = 0;
    qint32 ResultDelete = 0;
    qint32 ResultUpdate = 0;
    qint32 ResultTotal = 0;

    static QStringList fieldNames();
    QCborValue write() const;
    void read(const QCborValue &value);
    void assign(const QOVAUpdateCount &other) { *this = other; }
    bool operator==(const QOVAUpdateCount &) const = default;
};

struct UpdateData
{
    QByteArray SampleData; // binary
    QByteArray ResultData; // binary

    static QStringList fieldNames();
    QCborValue write() const;
    void read(const QCborValue &value);
    void assign(const UpdateData &other) { *this = other; }
    bool operator==(const UpdateData &) const = default;
};

struct ImportData
{
    QByteArray Samples;  // binary
    QByteArray Results;  // binary
    QByteArray Outcomes; // binary

    static QStringList fieldNames();
    QCborValue write() const;
    void read(const QCborValue &value);
    void assign(const ImportData &other) { *this = other; }
    bool operator==(const ImportData &) const = default;
};

struct QOVALoginInfo
{
    QByteArray UserId;
    QByteArray Forename;
    QByteArray Surname;
    QByteArray CouncilId;
    QByteArray SessionId;

    static QStringList fieldNames();
    QCborValue write() const;
    void read(const QCborValue &value);
    void assign(const QOVALoginInfo &other) { *this = other; }
    bool operator==(const QOVALoginInfo &) const = default;
};
