#include "exchange/XMLPremisesInterface.h"

#include "base/VarnexError.h"
#include "exchange/PremisesXmlReader.h"

TXMLCPVRXPREM_METype ParseCPVRXPREM_ME(const QByteArray &xml)
{
    TXMLCPVRXPREM_METype root;
    PremisesXmlReader reader;
    reader.OnRecord = [&root](const PremisesXmlReader::Record &r) {
        TXMLCPVRXPREM_MECPType &p = root.Add();
        p.CODE = r.leaf(u"CODE");
        p.PREMISES_NAME = r.leaf(u"PREMISES_NAME");
        p.BUSINESS_ADDR_1 = r.leaf(u"BUSINESS_ADDR_1");
        p.BUSINESS_ADDR_2 = r.leaf(u"BUSINESS_ADDR_2");
        p.BUSINESS_ADDR_3 = r.leaf(u"BUSINESS_ADDR_3");
        p.BUSINESS_ADDR_4 = r.leaf(u"BUSINESS_ADDR_4");
        p.BUSINESS_POSTCODE = r.leaf(u"BUSINESS_POSTCODE");
        p.PREMISES_TYPE_CODE = r.leaf(u"PREMISES_TYPE_CODE");
        p.RISK_CATEGORY_CODE = r.leaf(u"RISK_CATEGORY_CODE");
        p.RISK_CATEGORY_FOOD_STAND_CODE = r.leaf(u"RISK_CATEGORY_FOOD_STAND_CODE");
        p.FLAG_DELETED = r.leaf(u"FLAG_DELETED");
    };
    if (reader.Read(xml, QStringLiteral("(text)")) != PremisesXmlLayout::CP)
        throw VarnexError(QStringLiteral("The text is not a CPVRXPREM_ME document."));
    return root;
}
