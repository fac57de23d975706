#include "remote/ComplexTypes.h"

#include "remote/ComplexField.h"

// Fields are written in published order and read by name; the order of the reads only decides
// which of several bad fields is reported.

QStringList SupportIncident::fieldNames()
{
    return {QStringLiteral("AuthorityCode"),  QStringLiteral("AuthorityName"),   QStringLiteral("ContactName"),
            QStringLiteral("EmailAddress"),   QStringLiteral("TelephoneNumber"), QStringLiteral("MessageContent"),
            QStringLiteral("AttachmentName"), QStringLiteral("Attachment")};
}

QCborValue SupportIncident::write() const
{
    return ComplexWriter()
        .ansiString(QStringLiteral("AuthorityCode"), AuthorityCode)
        .ansiString(QStringLiteral("AuthorityName"), AuthorityName)
        .ansiString(QStringLiteral("ContactName"), ContactName)
        .ansiString(QStringLiteral("EmailAddress"), EmailAddress)
        .ansiString(QStringLiteral("TelephoneNumber"), TelephoneNumber)
        .string(QStringLiteral("MessageContent"), MessageContent)
        .ansiString(QStringLiteral("AttachmentName"), AttachmentName)
        .binary(QStringLiteral("Attachment"), Attachment)
        .value();
}

void SupportIncident::read(const QCborValue &value)
{
    const ComplexReader r(value, QStringLiteral("support incident"));
    r.ansiString(QStringLiteral("AuthorityCode"), AuthorityCode);
    r.ansiString(QStringLiteral("AuthorityName"), AuthorityName);
    r.ansiString(QStringLiteral("ContactName"), ContactName);
    r.ansiString(QStringLiteral("EmailAddress"), EmailAddress);
    r.ansiString(QStringLiteral("TelephoneNumber"), TelephoneNumber);
    r.string(QStringLiteral("MessageContent"), MessageContent);
    r.ansiString(QStringLiteral("AttachmentName"), AttachmentName);
    r.binary(QStringLiteral("Attachment"), Attachment);
}

QStringList UpgradeInfo::fieldNames()
{
    return {QStringLiteral("VersionNumber"), QStringLiteral("ReleaseNotes"), QStringLiteral("FileSize"),
            QStringLiteral("UpgradeAvailable"), QStringLiteral("FileName")};
}

QCborValue UpgradeInfo::write() const
{
    return ComplexWriter()
        .string(QStringLiteral("VersionNumber"), VersionNumber)
        .string(QStringLiteral("ReleaseNotes"), ReleaseNotes)
        .int32(QStringLiteral("FileSize"), FileSize)
        .boolean(QStringLiteral("UpgradeAvailable"), UpgradeAvailable)
        .ansiString(QStringLiteral("FileName"), FileName)
        .value();
}

void UpgradeInfo::read(const QCborValue &value)
{
    const ComplexReader r(value, QStringLiteral("upgrade info"));
    r.string(QStringLiteral("VersionNumber"), VersionNumber);
    r.string(QStringLiteral("ReleaseNotes"), ReleaseNotes);
    r.int32(QStringLiteral("FileSize"), FileSize);
    r.boolean(QStringLiteral("UpgradeAvailable"), UpgradeAvailable);
    r.ansiString(QStringLiteral("FileName"), FileName);
}

QStringList QOVAUpdateCount::fieldNames()
{
    return {QStringLiteral("SampleInsert"), QStringLiteral("SampleDelete"), QStringLiteral("SampleUpdate"),
            QStringLiteral("SampleTotal"),  QStringLiteral("ResultInsert"), QStringLiteral("ResultDelete"),
            QStringLiteral("ResultUpdate"), QStringLiteral("ResultTotal")};
}

QCborValue QOVAUpdateCount::write() const
{
    return ComplexWriter()
        .int32(QStringLiteral("SampleInsert"), SampleInsert)
        .int32(QStringLiteral("SampleDelete"), SampleDelete)
        .int32(QStringLiteral("SampleUpdate"), SampleUpdate)
        .int32(QStringLiteral("SampleTotal"), SampleTotal)
        .int32(QStringLiteral("ResultInsert"), ResultInsert)
        .int32(QStringLiteral("ResultDelete"), ResultDelete)
        .int32(QStringLiteral("ResultUpdate"), ResultUpdate)
        .int32(QStringLiteral("ResultTotal"), ResultTotal)
        .value();
}

void QOVAUpdateCount::read(const QCborValue &value)
{
    const ComplexReader r(value, QStringLiteral("update count"));
    r.int32(QStringLiteral("SampleInsert"), SampleInsert);
    r.int32(QStringLiteral("SampleDelete"), SampleDelete);
    r.int32(QStringLiteral("SampleUpdate"), SampleUpdate);
    r.int32(QStringLiteral("SampleTotal"), SampleTotal);
    r.int32(QStringLiteral("ResultInsert"), ResultInsert);
    r.int32(QStringLiteral("ResultDelete"), ResultDelete);
    r.int32(QStringLiteral("ResultUpdate"), ResultUpdate);
    r.int32(QStringLiteral("ResultTotal"), ResultTotal);
}

QStringList UpdateData::fieldNames()
{
    return {QStringLiteral("SampleData"), QStringLiteral("ResultData")};
}

QCborValue UpdateData::write() const
{
    return ComplexWriter()
        .binary(QStringLiteral("SampleData"), SampleData)
        .binary(QStringLiteral("ResultData"), ResultData)
        .value();
}

void UpdateData::read(const QCborValue &value)
{
    const ComplexReader r(value, QStringLiteral("update data"));
    r.binary(QStringLiteral("SampleData"), SampleData);
    r.binary(QStringLiteral("ResultData"), ResultData);
}

QStringList ImportData::fieldNames()
{
    return {QStringLiteral("Samples"), QStringLiteral("Results"), QStringLiteral("Outcomes")};
}

QCborValue ImportData::write() const
{
    return ComplexWriter()
        .binary(QStringLiteral("Samples"), Samples)
        .binary(QStringLiteral("Results"), Results)
        .binary(QStringLiteral("Outcomes"), Outcomes)
        .value();
}

void ImportData::read(const QCborValue &value)
{
    const ComplexReader r(value, QStringLiteral("import data"));
    r.binary(QStringLiteral("Samples"), Samples);
    r.binary(QStringLiteral("Results"), Results);
    r.binary(QStringLiteral("Outcomes"), Outcomes);
}

QStringList QOVALoginInfo::fieldNames()
{
    return {QStringLiteral("UserId"), QStringLiteral("Forename"), QStringLiteral("Surname"),
            QStringLiteral("CouncilId"), QStringLiteral("SessionId")};
}

QCborValue QOVALoginInfo::write() const
{
    return ComplexWriter()
        .ansiString(QStringLiteral("UserId"), UserId)
        .ansiString(QStringLiteral("Forename"), Forename)
        .ansiString(QStringLiteral("Surname"), Surname)
        .ansiString(QStringLiteral("CouncilId"), CouncilId)
        .ansiString(QStringLiteral("SessionId"), SessionId)
        .value();
}

void QOVALoginInfo::read(const QCborValue &value)
{
    const ComplexReader r(value, QStringLiteral("login info"));
    r.ansiString(QStringLiteral("UserId"), UserId);
    r.ansiString(QStringLiteral("Forename"), Forename);
    r.ansiString(QStringLiteral("Surname"), Surname);
    r.ansiString(QStringLiteral("CouncilId"), CouncilId);
    r.ansiString(QStringLiteral("SessionId"), SessionId);
}
