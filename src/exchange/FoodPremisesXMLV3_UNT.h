#pragma once

#include "exchange/PremisesXmlReader.h"
#include "exchange/XmlRecordList.h"

#include <QByteArray>
#include <QString>

// The V3 layout of a premises register: PremisesData holding FileInfo and a PremisesList of
// Premises records.

struct TXMLFileInfoType
{
    QString DateGenerated;
    QString FileSource;
    qint64 PremisesCount = 0;
    QString SchemaVersion;
};

// The leaves a V3 Premises record shares with a CAPS PremisesList record; a leaf the file lacks is
// empty.
struct TXMLPremisesCommonType
{
    QString BusinessId;
    QString PremisesName;
    QString BusinessAddress1;
    QString BusinessAddress2;
    QString BusinessAddress3;
    QString BusinessAddress4;
    QString BusinessPostcode;
    QString PremisesTypeCode;
    QString PremisesTypeDescription;
    QString FoodSafetyRiskCategoryCode;
    QString FoodSafetyRiskCategoryDescription;
    QString FoodStandardsRiskCategoryCode;
    QString FoodStandardsRiskCategoryDescription;

    // Fills the leaves from a record as read.
    void ReadLeaves(const PremisesXmlReader::Record &record);
};

// One Premises record.
struct TXMLPremisesType : TXMLPremisesCommonType
{
    QString RegistrationNumber;
};

class TXMLPremisesListType : public XmlRecordList<TXMLPremisesType>
{
};

struct TXMLPremisesDataType
{
    TXMLFileInfoType FileInfo;
    TXMLPremisesListType PremisesList;
};

// A V3 document, or a CAPS export read as one (each of its PremisesList records a Premises).
// Throws VarnexError with the parser's error when the text is not well-formed XML or has another
// root.
TXMLPremisesDataType ParsePremisesData(const QByteArray &xml);
