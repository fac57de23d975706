#pragma once

#include "exchange/XmlRecordList.h"

#include <QByteArray>
#include <QString>

// The CP layout of a premises register: the root CPVRXPREM_ME holding one CPVRXPREM_ME.CP element
// per premises.

// One CPVRXPREM_ME.CP record; a leaf the file lacks is empty.
struct TXMLCPVRXPREM_MECPType
{
    QString CODE;
    QString PREMISES_NAME;
    QString BUSINESS_ADDR_1;
    QString BUSINESS_ADDR_2;
    QString BUSINESS_ADDR_3;
    QString BUSINESS_ADDR_4;
    QString BUSINESS_POSTCODE;
    QString PREMISES_TYPE_CODE;
    QString RISK_CATEGORY_CODE;
    QString RISK_CATEGORY_FOOD_STAND_CODE;
    QString FLAG_DELETED;
};

class TXMLCPVRXPREM_METype : public XmlRecordList<TXMLCPVRXPREM_MECPType>
{
};

// The records of a CP document, in document order. Throws VarnexError with the parser's error when
// the text is not well-formed XML or not a CP document.
TXMLCPVRXPREM_METype ParseCPVRXPREM_ME(const QByteArray &xml);
