#pragma once

#include "exchange/FoodPremisesXMLV3_UNT.h"

// The CAPS export of a premises register: PremisesData holding FileInfo and one PremisesList
// element per premises. The import reads such a file as V3 (ParsePremisesData); this binding reads
// it as it stands.

struct TXMLCAPSFileInfoType
{
    qint64 DateGenerated = 0;
    QString FileSource;
    qint64 PremisesCount = 0;
    QString SchemaVersion;
};

// One PremisesList record: the V3 record without RegistrationNumber.
struct TXMLCAPSPremisesListType : TXMLPremisesCommonType
{
};

struct TXMLCAPSPremisesDataType
{
    TXMLCAPSFileInfoType FileInfo;
    XmlRecordList<TXMLCAPSPremisesListType> PremisesList;
};

// Throws VarnexError with the parser's error when the text is not well-formed XML or has another
// root.
TXMLCAPSPremisesDataType GetPremisesData(const QByteArray &xml);
