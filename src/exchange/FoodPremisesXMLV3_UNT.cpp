#include "exchange/FoodPremisesXMLV3_UNT.h"

#include "base/VarnexError.h"

TXMLPremisesDataType ParsePremisesData(const QByteArray &xml)
{
    TXMLPremisesDataType root;
    PremisesXmlReader reader;
    reader.OnFileInfo = [&root](const PremisesXmlReader::Record &r) {
        root.FileInfo.DateGenerated = r.leaf(u"DateGenerated");
        root.FileInfo.FileSource = r.leaf(u"FileSource");
        root.FileInfo.PremisesCount = r.leaf(u"PremisesCount").trimmed().toLongLong();
        root.FileInfo.SchemaVersion = r.leaf(u"SchemaVersion");
    };
    reader.OnRecord = [&root](const PremisesXmlReader::Record &r) {
        TXMLPremisesType &p = root.PremisesList.Add();
        p.ReadLeaves(r);
        p.RegistrationNumber = r.leaf(u"RegistrationNumber");
    };
    if (reader.Read(xml, QStringLiteral("(text)")) == PremisesXmlLayout::CP)
        throw VarnexError(QStringLiteral("The text is not a PremisesData document."));
    return root;
}

void TXMLPremisesCommonType::ReadLeaves(const PremisesXmlReader::Record &r)
{
    TXMLPremisesCommonType &p = *this;
    p.BusinessId = r.leaf(u"BusinessId");
    p.PremisesName = r.leaf(u"PremisesName");
    p.BusinessAddress1 = r.leaf(u"BusinessAddress1");
    p.BusinessAddress2 = r.leaf(u"BusinessAddress2");
    p.BusinessAddress3 = r.leaf(u"BusinessAddress3");
    p.BusinessAddress4 = r.leaf(u"BusinessAddress4");
    p.BusinessPostcode = r.leaf(u"BusinessPostcode");
    p.PremisesTypeCode = r.leaf(u"PremisesTypeCode");
    p.PremisesTypeDescription = r.leaf(u"PremisesTypeDescription");
    p.FoodSafetyRiskCategoryCode = r.leaf(u"FoodSafetyRiskCategoryCode");
    p.FoodSafetyRiskCategoryDescription = r.leaf(u"FoodSafetyRiskCategoryDescription");
    p.FoodStandardsRiskCategoryCode = r.leaf(u"FoodStandardsRiskCategoryCode");
    p.FoodStandardsRiskCategoryDescription = r.leaf(u"FoodStandardsRiskCategoryDescription");
}
