#pragma once

// Sample files in the sample exchange form, written from element values, and a food sample that
// validates once imported (ImportFixture.h has the store it is written for).

#include <QByteArray>
#include <QMap>
#include <QString>

namespace ImportFixture {

using Sample = QMap<QString, QString>; // element name -> text

// A food sample that validates on 15 June 2014 once imported into ImportStore.
inline Sample validFoodSample(const QString &laNumber = QStringLiteral("LA-1"))
{
    return {
        {"RecordType", "FOOD"},
        {"SampleNumber", "XYZ990001"},
        {"LocalAuthorityCode", "XYZ"},
        {"AnalysisType", "C"},
        {"LocalAuthoritySampleNumber", laNumber},
        {"SamplingOfficerCode", "jb"},
        {"SamplingOfficerName", "Someone Else"},
        {"DateSampleTaken", "2014-06-14"},
        {"TimeSampleTaken", "09:05:00.000Z"},
        {"PremisesName", "Corner Cafe"},
        {"BusinessId", "B-17"},
        {"BusinessAddress1", "1 High Street"},
        {"PremisesTypeCode", "R"},
        {"ReasonForTakingSampleCode", "S"},
        {"SampleTypeCode", "SV1"},
        {"IsFollowupSample", "false"},
        {"FoodSafetyRiskCategoryCode", "A"},
        {"IsFoodBourneIllnessInvestigation", "false"},
        {"IsSurvey", "false"},
        {"FoodDescription", "Semi-skimmed milk, 1 litre"},
        {"Subcategory3Code", "01.01.01.01"},
        {"NatureOfProductCode", "P"},
        {"ManufacturerDescription", "Dairy & Sons"},
        {"CountryDescription", "UNITED KINGDOM"},
        {"PackagingCode", "P"},
        {"PackagingMaterialCode", "G"},
        {"PackageBatchNumber", "L123"},
        {"DurabilityCode", "E"},
        {"DurabilityMonth", "7"},
        {"DurabilityYear", "2015"},
        {"ConditionCode", "C"},
        {"Temperature", "4.5"},
        {"MeetsCodeOfPractise", "true"},
        {"MeetsCodeOfPractiseTransport", "true"},
        {"TestingLaboratoryCode", "LAB1"},
        {"IsRoutineAnalysisRequired", "true"},
        {"RoutineComments", "Routine analysis"},
        {"FoodStandardsRiskCategoryCode", "B"},
    };
}

inline QByteArray document(const QList<Sample> &samples)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QOVAData>\n  <FileInfo>\n    <SampleCount>"
                     + QByteArray::number(samples.size()) + "</SampleCount>\n  </FileInfo>\n";
    for (const Sample &sample : samples) {
        xml += "  <Sample>\n";
        for (auto it = sample.cbegin(); it != sample.cend(); ++it)
            xml += "    <" + it.key().toUtf8() + ">" + it.value().toHtmlEscaped().toUtf8() + "</" + it.key().toUtf8()
                   + ">\n";
        xml += "  </Sample>\n";
    }
    return xml + "</QOVAData>\n";
}

} // namespace ImportFixture
