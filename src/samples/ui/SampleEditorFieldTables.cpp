// The field tables of the four sample editors: each editor's pages, their groups and their fields
// in tab order, with the column each field is bound to, its list, its caption, whether the rules
// require it and the view state that enables or shows it. SampleEditorBase::buildPages makes them.
#include "samples/ui/SampleEditorFields.h"

#include "samples/SampleRecord.h"
#include "samples/ui/SampleEditAnimalFeeds_FRM.h"
#include "samples/ui/SampleEdit_FRM.h"
#include "samples/ui/SampleTemplateEditAnimalFeeds_FRM.h"
#include "samples/ui/SampleTemplateEdit_FRM.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;
using namespace SampleFields;

namespace {

using B = SampleEditorBase;
using V = SampleViewState;
using Layout = SampleField::Layout;
using Placement = SampleField::Placement;
constexpr int Back = SampleField::Back;
constexpr int Forward = SampleField::Forward;
constexpr int TurnsOnTab = SampleField::TurnsOnTab;

// The premises' name and address; colon ends each caption.
SampleField premisesRows(Need nameNeed, const QString &colon)
{
    return bundle({
        text(&B::edtPremisesName, u"edtPremisesName"_s, u"PREMISES_NAME"_s, u"Premises Name"_s + colon, nameNeed),
        text(&B::edtAddress1, u"edtAddress1"_s, u"BUSINESS_ADDR_1"_s, u"Address 1"_s + colon),
        text(&B::edtAddress2, u"edtAddress2"_s, u"BUSINESS_ADDR_2"_s, u"Address 2"_s + colon),
        text(&B::edtAddress3, u"edtAddress3"_s, u"BUSINESS_ADDR_3"_s, u"Address 3"_s + colon),
        text(&B::edtAddress4, u"edtAddress4"_s, u"BUSINESS_ADDR_4"_s, u"Address 4"_s + colon),
        text(&B::edtPostCode, u"edtPostCode"_s, u"BUSINESS_POSTCODE"_s, u"Post Code"_s + colon).capitals().narrowTo(110),
    });
}

const QStringList Regions = {u"UK"_s, u"EU"_s, u"Non EU"_s};

// The template's own entries, below the general ones on the Admin page.
SampleField templateRows()
{
    using T = SampleTemplateEditForm;
    return bundle({
        group(u"grpTemplate"_s, u"Template"_s),
        // Groups are kept from the group list; the template's editor does not offer them.
        lookup(&T::cmbTemplateGroup, u"cmbTemplateGroup"_s, u"PARENT_ID"_s, u"qryTemplateGroups_"_s,
               u"Template group"_s)
            .neverShown(),
        text(&T::edtTemplateDescription, u"edtTemplateDescription"_s, u"TEMPLATE_DESCRIPTION"_s,
             u"Template description"_s),
        checkBox(&T::chkUpdatePremises, u"chkUpdatePremises"_s, u"UPDATE_PREMISES_FROM_LOOKUP"_s,
                 u"Update premises when creating sample"_s),
    });
}

} // namespace

SampleFieldTable foodSampleFields()
{
    using F = TSampleEditFrm;
    return {
        page(&F::tabAdmin, u"tabAdmin"_s, u"Admin"_s, Forward | TurnsOnTab),
        group(&F::grpGeneral, u"grpGeneral"_s, u"General"_s, Layout::TwoColumns),
        analysisTypeChoice(u"Analysis Type:"_s, {u"Micro"_s, u"Chemical"_s}, Required),
        shownText(&F::edtCode, u"edtCode"_s, u"CODE"_s, u"Varnex Reference:"_s),
        text(&F::edtLASampleNo, u"edtLASampleNo"_s, u"LA_SAMPLENO"_s, u"Sample Number:"_s, Required),
        officeList(u"Office:"_s, Required),
        officerList(u"Sampling Officer:"_s, Required),
        sampleDate(u"Sample Date:"_s, Required),
        sampleTime(u"Time (24 hr):"_s, Required),
        purchaseCost(u"Purchase Cost:"_s),
        analysisCost(u"Analysis Cost:"_s),
        secondColumn(),
        businessId(u"LAEMS Business ID:"_s, Required)
            .withButton(&F::actNotAvailable, &F::btnNotAvailable, u"btnNotAvailable"_s),
        premisesRows(Required, u":"_s),
        lookup(&F::cmbRiskCategory, u"cmbRiskCategory"_s, u"RISK_CATEGORY"_s, u"srcFoodSaftyRiskCategory"_s,
               u"Food Safety Risk Category:"_s, Required),
        lookup(&F::cmbRiskCategoryFS, u"cmbRiskCategoryFS"_s, u"RISK_CATEGORY_FOOD_STAND__CODE"_s,
               u"srcFoodStandardsRiskCategory"_s, u"Food Standards Risk Category:"_s, Required),
        lookup(&F::cmbPremisesType, u"cmbPremisesType"_s, u"PREMISES_TYPE__CODE"_s, u"srcPremisesType"_s,
               u"Premises Type:"_s, Required)
            .captionInto(&F::lblPremisesType, u"lblPremisesType"_s),

        page(&F::tabReason, u"tabReason"_s, u"Reason"_s),
        reasonChoice(u"Reason for taking sample"_s, {reasonCaption(u"E"_s), reasonCaption(u"S"_s)}),
        group(&F::grpEnforcement, u"grpEnforcement"_s, reasonCaption(u"E"_s), Layout::Form, Placement::Beside)
            .enabledBy(&V::enforcementGroup),
        lookup(&F::cmbSampleTypeEnforcement, u"cmbSampleTypeEnforcement"_s, u"SAMPLE_TYPE__CODE"_s,
               u"srcSampleTypeEnforcement"_s, u"Sample Type:"_s, Required)
            .answersFor(SampleTarget::SampleTypeEnforcement),
        checkBox(&F::chkFollowUp, u"chkFollowUp"_s, u"FLAG_FOLLOW_UP"_s, u"Follow Up Sample"_s),
        text(&F::edtIndexNumber, u"edtIndexNumber"_s, u"INDEX_NUMBER"_s, u"Index Sample Number:"_s)
            .enabledBy(&V::indexNumber),
        checkBox(&F::chkFoodPoisoning, u"chkFoodPoisoning"_s, u"FLAG_FOOD_POISONING"_s,
                 u"Food borne illness Investigation"_s),
        memo(&F::memDetails, u"memDetails"_s, u"DETAILS"_s, u"Details (including relevant outbreak number):"_s)
            .limitedTo(1024)
            .captionAbove()
            .enabledBy(&V::details),
        group(&F::grpSurveillance, u"grpSurveillance"_s, reasonCaption(u"S"_s), Layout::Form, Placement::BesideTop)
            .enabledBy(&V::surveillanceGroup),
        lookup(&F::cmbSampleTypeSurveillance, u"cmbSampleTypeSurveillance"_s, u"SAMPLE_TYPE__CODE"_s,
               u"srcSampleTypeSurveillance"_s, u"Sample Type:"_s, Required)
            .answersFor(SampleTarget::SampleTypeSurveillance),
        checkBox(&F::chkSurvey, u"chkSurvey"_s, u"FLAG_SURVEY"_s, u"Sample was taken as part of a survey"_s),
        lookup(&F::cmbSurveyBody, u"cmbSurveyBody"_s, u"SURVEY_BODY__CODE"_s, u"srcSurveyBody"_s, u"Survey Body:"_s,
               Required)
            .enabledBy(&V::surveyBodyAndReference),
        pickList(&F::cmbSurveyRef, u"cmbSurveyRef"_s, u"SURVEY_NUMBER"_s, u"SurveyReference"_s, u"Survey Ref:"_s,
                 Required)
            .capitals()
            .enabledBy(&V::surveyBodyAndReference),

        page(&F::tabDescription, u"tabDescription"_s, u"Description"_s),
        group(u"grpDescription"_s, u"Description of sample taken"_s, Layout::CaptionGrid),
        pickList(&F::cmbBrandName, u"cmbBrandName"_s, u"BRAND_NAME"_s, u"BrandName"_s, u"Brand Name:"_s).capitals(),
        pickList(&F::cmbFoodDescription, u"cmbFoodDescription"_s, u"FOOD_DESCRIPTION"_s, u"FoodDescription"_s,
                 u"Food Description:"_s, Required)
            .capitals(),
        lookup(&F::cmbProduct, u"cmbProduct"_s, u"PRODUCT__CODE"_s, u"srcProductType"_s, u"Nature of product:"_s,
               Required),
        categoryLevel(1, u"edtCategory"_s, u"Category:"_s, Required),
        categoryLevel(2, u"edtSubCategory"_s, u"Sub category:"_s),
        categoryLevel(3, u"edtSubCategory2"_s, u"Sub category:"_s),
        categoryLevel(4, u"edtSubCategory3"_s, u"Sub category:"_s),
        categoryTree(),
        lookup(&F::cmbMAFF, u"cmbMAFF"_s, u"MAFF__CODE"_s, u"srcMAFF"_s, u"MAFF Code:"_s),
        additionalInfo(u"Additional Category Information:"_s, Required),
        pickList(&F::cmbManufacturer, u"cmbManufacturer"_s, u"MANUFACTURER"_s, u"Manufacturer"_s, u"Manufacturer:"_s)
            .capitals(),
        pickList(&F::cmbDistributor, u"cmbDistributor"_s, u"DISTRIBUTER"_s, u"Distributor"_s,
                 u"Distributor/Supplier/ Packer:"_s)
            .capitals(),
        pickList(&F::cmbImporter, u"cmbImporter"_s, u"IMPORTER"_s, u"Importer"_s, u"Importer (if appropriate):"_s)
            .capitals(),
        country(u"Country of origin:"_s, u"srcUKCountry"_s, Regions, Required),

        page(&F::tabAdditional, u"tabAdditional"_s, u"Additional"_s),
        group(u"grpPackaging"_s, u" Packaging "_s, Layout::Form, Placement::BesideTop),
        lookup(&F::cmbPackaging, u"cmbPackaging"_s, u"PACKAGING__CODE"_s, u"srcPackagingType"_s,
               u"Packaging provided:"_s, Required)
            .withButton(&F::actLabelling, &F::btnLabelling, u"btnLabelling"_s),
        lookup(&F::cmbMaterial, u"cmbMaterial"_s, u"MATERIAL__CODE"_s, u"srcMaterialType"_s, u"Packaging material:"_s,
               Required)
            .enabledBy(&V::packagingMaterial),
        text(&F::edtOtherMaterial, u"edtOtherMaterial"_s, u"OTHER_MATERIAL"_s, u"Other Material:"_s)
            .enabledBy(&V::otherMaterial),
        quantity(u"Pack Quantity/size:"_s).enabledBy(&V::quantityAndUnits),
        lookup(&F::cmbPackUnits, u"cmbPackUnits"_s, u"PACK_SIZE"_s, u"srcPackagingUnit"_s, u"Pack Units:"_s)
            .enabledBy(&V::quantityAndUnits),
        batchNumber(u"Batch/Lot No:"_s, Required),
        text(&F::edtHealthMark, u"edtHealthMark"_s, u"HEALTH_MARK"_s, u"Health Mark:"_s),
        group(u"grpDurability"_s, u" Durability "_s, Layout::Form, Placement::BesideTop),
        lookup(&F::cmbDurability, u"cmbDurability"_s, u"DURABILITY__CODE"_s, u"srcDurability"_s, u"Durability:"_s,
               Required),
        durabilityParts({u"Day"_s, u"Month"_s, u"Year"_s}),
        lookup(&F::cmbCondition, u"cmbCondition"_s, u"CONDITION__CODE"_s, u"srcCondition"_s, u"Condition:"_s, Required),
        text(&F::edtOtherCondition, u"edtOtherCondition"_s, u"OTHER_CONDITION"_s, u"If other, Specify:"_s)
            .enabledBy(&V::otherCondition),
        temperature(&F::edtTemperature, u"edtTemperature"_s, u"TEMPERATURE"_s, u"Temperature:"_s)
            .withNote(u"(ºC)"_s),

        page(&F::tabCOP, u"tabCOP"_s, u"COP"_s, Back | Forward).filled(),
        group(u"grpCompliance"_s, u"Compliance with COP"_s, Layout::LongCaptions),
        yesNo(&F::cmbCOPCondition, u"cmbCOPCondition"_s, u"FLAG_COP_CONDITION"_s,
              u"Sample was taken in compliance with COP and  relevant legislation:"_s, Required)
            .withNote(u"(YES/NO)"_s),
        text(&F::edtNotCOP, u"edtNotCOP"_s, u"NOT_COP"_s, u"Explanation:"_s).enabledBy(&V::explanation),
        yesNo(&F::cmbCOPLab, u"cmbCOPLab"_s, u"FLAG_COP_LAB"_s,
              u"Sample was transported to LAB in compliance with COP requirements:"_s, Required)
            .withNote(u"(YES/NO)"_s),
        lookup(&B::cmbLaboratory, u"cmbLaboratory"_s, u"LABORATORY__CODE"_s, u"srcLaboratoryFiltered"_s,
               u"Laboratory:"_s, Required),
        analysisGroup(F::AnalysisTextTypedLength),
        commentsGroup(),

        attachmentsPage(&F::tabAttachments),
    };
}

SampleFieldTable animalFeedSampleFields()
{
    using A = TSampleEditAnimalFeedsFrm;
    return {
        page(&A::tabAdmin, u"tabAdmin"_s, u"Admin"_s, Forward | TurnsOnTab),
        group(&A::grpGeneral, u"grpGeneral"_s, u"General"_s, Layout::TwoColumns),
        text(&A::edtLASampleNo, u"edtLASampleNo"_s, u"LA_SAMPLENO"_s, u"Sample Number"_s, Required),
        shownText(&A::edtCode, u"edtCode"_s, u"CODE"_s, u"National Ref:"_s),
        officeList(u"Office:"_s, Required),
        officerList(u"Sample Officer:"_s, Required),
        sampleDate(u"Sample Date:"_s, Required),
        sampleTime(u"Time (24 hr)"_s, Required),
        purchaseCost(u"Purchase Cost:"_s),
        analysisCost(u"Analysis Cost:"_s),
        secondColumn(),
        businessId(u"LAEMS Business ID:"_s),
        premisesRows(Required, u":"_s),
        text(&A::edtRegistrationNumber, u"edtRegistrationNumber"_s, u"REGISTRATION_NUMBER"_s,
             u"Approval/registration number"_s),
        lookup(&A::cmbRiskCategory, u"cmbRiskCategory"_s, u"RISK_CATEGORY"_s, u"srcFeedRiskCategory"_s,
               u"Feed risk category:"_s),
        lookup(&A::cmbPremisesType, u"cmbPremisesType"_s, u"PREMISES_TYPE__CODE"_s, u"srcFeedPremisesType"_s,
               u"PremisesType"_s, Required),

        page(&A::tabReason, u"tabReason"_s, u"Reason"_s),
        group(u"grpReason"_s, u"Reason for taking sample"_s, Layout::Line),
        // The ampersand marks the keyboard accelerator; the stored description is the plain caption.
        reasonChoice(u"Reason for sample taken:"_s, {u"&Enforcement/Investigation"_s, u"&Surveillance/Monitoring"_s},
                     Required),
        group(&A::grpEnforcement, u"grpEnforcement"_s, reasonCaption(u"E"_s), Layout::Form, Placement::BesideTop)
            .enabledBy(&V::enforcementGroup),
        // One sample-type list; VerifyAll gives it the list of the chosen reason.
        lookup(&A::cmbSampleType, u"cmbSampleType"_s, u"SAMPLE_TYPE__CODE"_s, u"srcFeedSampleTypeEnforcement"_s,
               u"Sample Type:"_s, Required),
        checkBox(&A::chkFollowUp, u"chkFollowUp"_s, u"FLAG_FOLLOW_UP"_s, u"Follow Up Sample"_s),
        text(&A::edtIndexNumber, u"edtIndexNumber"_s, u"INDEX_NUMBER"_s, u"Index Sample Number:"_s)
            .enabledBy(&V::indexNumber),
        group(&A::grpSurveillance, u"grpSurveillance"_s, reasonCaption(u"S"_s), Layout::Form, Placement::BesideTop)
            .enabledBy(&V::surveillanceGroup),
        checkBox(&A::chkSurvey, u"chkSurvey"_s, u"FLAG_SURVEY"_s, u"Sample was taken as part of a survey"_s),
        lookup(&A::cmbSurveyBody, u"cmbSurveyBody"_s, u"SURVEY_BODY__CODE"_s, u"srcFeedSurveyBody"_s,
               u"Survey Body:"_s, Required)
            .enabledBy(&V::surveyBodyAndReference),
        pickList(&A::cmbSurveyRef, u"cmbSurveyRef"_s, u"SURVEY_NUMBER"_s, u"FeedSurveyReference"_s, u"Survey Ref:"_s,
                 Required)
            .capitals()
            .enabledBy(&V::surveyBodyAndReference),

        page(&A::tabLabelling, u"tabLabelling"_s, u"Labelling"_s),
        group(u"grpDescription"_s, u"Description Of Sample taken"_s, Layout::CaptionGrid),
        pickList(&A::cmbFeedName, u"cmbFeedName"_s, u"BRAND_NAME"_s, u"FeedName"_s, u"Feed name"_s).capitals(),
        pickList(&A::cmbFeedDescription, u"cmbFeedDescription"_s, u"FOOD_DESCRIPTION"_s, u"FeedDescription"_s,
                 u"Feed description"_s, Required)
            .capitals(),
        lookup(&A::cmbAnimalSpecies, u"cmbAnimalSpecies"_s, u"ANIMAL_SPECIES__CODE"_s, u"srcAnimalSpecies"_s,
               u"Animal species"_s, Required),
        categoryLevel(1, u"edtCategory"_s, u"Category:"_s, Required),
        categoryLevel(2, u"edtSubCategory"_s, u"Sub category:"_s, Required),
        categoryTree(),
        memo(&B::memAdditionalInfo, u"memAdditionalInfo"_s, u"ADDITIONAL_INFO"_s,
             u"Additional product information:"_s)
            .inLines(2, 14),
        group(u"grpStatutory"_s, u"Statutory statement information"_s),
        lookup(&A::cmbLabelBusinessType, u"cmbLabelBusinessType"_s, u"LABEL_BUSINESS_TYPE__CODE"_s,
               u"srcLabelBusinessType"_s, u"Business type"_s),
        text(&A::edtLabelRegistrationNumber, u"edtLabelRegistrationNumber"_s, u"LABEL_REGISTRATION_NUMBER"_s,
             u"Manufacturers Approval/Reg No"_s),
        memo(&A::memLabelBusinessAddress, u"memLabelBusinessAddress"_s, u"LABEL_BUSINESS_ADDRESS"_s,
             u"Business name & address (Label)"_s)
            .limitedTo(1024)
            .inLines(6)
            .withButton(&A::actUseMainAddress, &A::btnUseMainAddress, u"btnUseMainAddress"_s),
        pickList(&A::cmbImporter, u"cmbImporter"_s, u"IMPORTER"_s, u"FeedImporter"_s, u"Importer (if appropriate)"_s)
            .capitals(),
        country(u"Country of origin:"_s, u"srcUKCountry"_s, Regions, Required),

        page(&A::tabAdditional, u"tabAdditional"_s, u"Additional"_s),
        group(u"grpPackaging"_s, u" Packaging "_s, Layout::Form, Placement::BesideTop),
        lookup(&A::cmbPackaging, u"cmbPackaging"_s, u"PACKAGING__CODE"_s, u"srcFeedPackagingType"_s,
               u"Packaging provided:"_s, Required),
        quantity(u"Package size:"_s).enabledBy(&V::quantityAndUnits),
        lookup(&A::cmbPackUnits, u"cmbPackUnits"_s, u"PACK_SIZE"_s, u"srcFeedPackagingUnit"_s, u"Package Units"_s)
            .enabledBy(&V::quantityAndUnits),
        batchNumber(u"Batch number:"_s),
        date(&A::dtDateOfManufacture, u"dtDateOfManufacture"_s, u"DATE_OF_MANUFACTURE"_s, u"Date of manufacture:"_s),
        group(u"grpDurability"_s, u" Durability "_s, Layout::Form, Placement::BesideTop),
        lookup(&A::cmbDurability, u"cmbDurability"_s, u"DURABILITY__CODE"_s, u"srcFeedDurability"_s, u"Durability:"_s,
               Required),
        durabilityParts({u"Day:"_s, u"Month:"_s, u"Year:"_s}),
        lookup(&A::cmbCondition, u"cmbCondition"_s, u"CONDITION__CODE"_s, u"srcFeedCondition"_s, u"Condition:"_s),
        text(&A::edtOtherCondition, u"edtOtherCondition"_s, u"OTHER_CONDITION"_s, u"If other, Specify:"_s)
            .enabledBy(&V::otherCondition),

        page(&A::tabAnalysis, u"tabAnalysis"_s, u"Analysis"_s, Back | Forward).filled(),
        group(u"grpCompliance"_s, u"Compliance with COP"_s, Layout::LongCaptions),
        // The editor sets it from the sample type; the officer never chooses it.
        yesNo(&A::cmbCOPCondition, u"cmbCOPCondition"_s, u"FLAG_COP_CONDITION"_s,
              u"Sample was taken in compliance with statutory requirements:"_s)
            .neverEnabled(),
        text(&A::edtNotCOP, u"edtNotCOP"_s, u"NOT_COP"_s, u"Explanation:"_s).enabledBy(&V::explanation),
        lookup(&B::cmbLaboratory, u"cmbLaboratory"_s, u"LABORATORY__CODE"_s, u"srcLaboratoryFiltered"_s,
               u"Laboratory:"_s, Required),
        analysisGroup(1024),
        commentsGroup(),

        attachmentsPage(&A::tabAttachments),
    };
}

// The template editors use the sample editors' lists, so that a sample made from a template
// carries codes its editor and its validation accept. A template requires nothing.
SampleFieldTable foodTemplateFields()
{
    using T = TSampleTemplateEditFrm;
    return {
        page(u"tabAdmin"_s, u"Admin"_s, Forward | TurnsOnTab),
        group(&T::grpGeneral, u"grpGeneral"_s, u"General"_s, Layout::TwoColumns).focus(Qt::ClickFocus),
        analysisTypeChoice(u"Analysis Type:"_s, {u"Micro"_s, u"Chemical"_s}),
        businessId(u"Business ID:"_s),
        premisesRows(Optional, u":"_s),
        secondColumn(),
        lookup(&T::cmbPremisesType, u"cmbPremisesType"_s, u"PREMISES_TYPE__CODE"_s, u"srcPremisesType"_s,
               u"Varnex Premises type"_s)
            .captionInto(&T::lblPremisesType, u"lblPremisesType"_s),
        lookup(&T::cmbRiskCategory, u"cmbRiskCategory"_s, u"RISK_CATEGORY"_s, u"srcFoodSaftyRiskCategory"_s,
               u"Food Safety Risk Category:"_s),
        lookup(&T::cmbRiskCategoryFS, u"cmbRiskCategoryFS"_s, u"RISK_CATEGORY_FOOD_STAND__CODE"_s,
               u"srcFoodStandardsRiskCategory"_s, u"Food Standards Risk Category:"_s),
        officerList(u"Sample Officer:"_s),
        officeList(u"Office:"_s),
        templateRows(),

        page(u"tabReason"_s, u"Reason"_s),
        reasonChoice(u"Reason for taking sample"_s, {u"Enforcement/Investigation"_s, u"Surveillance/Monitoring"_s}),
        // A template shows the group of its reason only.
        group(&T::grpEnforcement, u"grpEnforcement"_s, u"Enforcement/Investigation"_s, Layout::Form,
              Placement::BesideTop)
            .shownBy(&V::enforcementGroup),
        lookup(&T::cmbSampleTypeEnforcement, u"cmbSampleTypeEnforcement"_s, u"SAMPLE_TYPE__CODE"_s,
               u"srcSampleTypeEnforcement"_s, u"Sample Type:"_s),
        checkBox(&T::chkFollowUp, u"chkFollowUp"_s, u"FLAG_FOLLOW_UP"_s, u"Follow Up Sample"_s),
        text(&T::edtIndexNumber, u"edtIndexNumber"_s, u"INDEX_NUMBER"_s, u"Index Sample Number:"_s)
            .enabledBy(&V::indexNumber),
        checkBox(&T::chkFoodPoisoning, u"chkFoodPoisoning"_s, u"FLAG_FOOD_POISONING"_s,
                 u"Food borne illness Investigation"_s),
        memo(&T::memDetails, u"memDetails"_s, u"DETAILS"_s, u"Details (including relevant outbreak number):"_s)
            .captionAbove()
            .enabledBy(&V::details),
        group(&T::grpSurveillance, u"grpSurveillance"_s, u"Surveillance/Monitoring"_s, Layout::Form,
              Placement::BesideTop)
            .shownBy(&V::surveillanceGroup),
        lookup(&T::cmbSampleTypeSurveillance, u"cmbSampleTypeSurveillance"_s, u"SAMPLE_TYPE__CODE"_s,
               u"srcSampleTypeSurveillance"_s, u"Sample Type:"_s),
        checkBox(&T::chkSurvey, u"chkSurvey"_s, u"FLAG_SURVEY"_s, u"Sample was taken as part of a survey"_s),
        lookup(&T::cmbSurveyBody, u"cmbSurveyBody"_s, u"SURVEY_BODY__CODE"_s, u"srcSurveyBody"_s, u"Survey Body:"_s)
            .enabledBy(&V::surveyBodyAndReference),
        text(&T::edtSurveyRef, u"edtSurveyRef"_s, u"SURVEY_NUMBER"_s, u"Survey Ref:"_s)
            .enabledBy(&V::surveyBodyAndReference),

        page(u"tabDescription"_s, u"Description"_s),
        group(u"grpDescription"_s, u"Description of sample taken"_s),
        pickList(&T::cmbBrandName, u"cmbBrandName"_s, u"BRAND_NAME"_s, u"BrandName"_s, u"Brand Name:"_s).capitals(),
        pickList(&T::cmbFoodDescription, u"cmbFoodDescription"_s, u"FOOD_DESCRIPTION"_s, u"FoodDescription"_s,
                 u"Food Description:"_s)
            .capitals(),
        categoryLevel(1, u"CATEGORY_DESCRIPTION"_s, u"Category:"_s),
        categoryLevel(2, u"SUB_CATEGORY_DESCRIPTION"_s, u"Sub category:"_s),
        categoryLevel(3, u"SUB_CATEGORY_2_DESCRIPTION"_s, u"Sub category (level 2)"_s),
        categoryLevel(4, u"SUB_CATEGORY_3_DESCRIPTION"_s, u"Sub category (level 3)"_s),
        categoryTree(),
        lookup(&T::cmbMAFF, u"cmbMAFF"_s, u"MAFF__CODE"_s, u"srcMAFF"_s, u"MAFF Code:"_s),
        additionalInfo(u"Additional Category Information:"_s),
        lookup(&T::cmbProduct, u"cmbProduct"_s, u"PRODUCT__CODE"_s, u"srcProductType"_s, u"Nature of product:"_s),
        pickList(&T::cmbManufacturer, u"cmbManufacturer"_s, u"MANUFACTURER"_s, u"Manufacturer"_s, u"Manufacturer:"_s)
            .capitals(),
        pickList(&T::cmbDistributor, u"cmbDistributor"_s, u"DISTRIBUTER"_s, u"Distributor"_s,
                 u"Distributor/Supplier/ Packer:"_s)
            .capitals(),
        pickList(&T::cmbImporter, u"cmbImporter"_s, u"IMPORTER"_s, u"Importer"_s, u"Importer (if appropriate):"_s)
            .capitals(),
        country(u"Country of origin:"_s, u"srcUKCountry"_s, Regions),

        page(u"tabAdditional"_s, u"Additional"_s),
        group(u"grpPackaging"_s, u" Packaging "_s, Layout::Form, Placement::BesideTop),
        lookup(&T::cmbPackaging, u"cmbPackaging"_s, u"PACKAGING__CODE"_s, u"srcPackagingType"_s,
               u"Packaging provided:"_s),
        lookup(&T::cmbMaterial, u"cmbMaterial"_s, u"MATERIAL__CODE"_s, u"srcMaterialType"_s, u"Packaging material:"_s)
            .enabledBy(&V::packagingMaterial),
        text(&T::edtOtherMaterial, u"edtOtherMaterial"_s, u"OTHER_MATERIAL"_s, u"Other Material:"_s)
            .enabledBy(&V::otherMaterial),
        quantity(u"Pack Quantity/size:"_s).enabledBy(&V::quantityAndUnits),
        lookup(&T::cmbPackUnits, u"cmbPackUnits"_s, u"PACK_SIZE"_s, u"srcPackagingUnit"_s, u"Pack Units:"_s)
            .enabledBy(&V::quantityAndUnits),
        text(&T::edtHealthMark, u"edtHealthMark"_s, u"HEALTH_MARK"_s, u"Health Mark:"_s),
        group(u"grpDurability"_s, u" Durability "_s, Layout::Form, Placement::BesideTop),
        lookup(&T::cmbDurability, u"cmbDurability"_s, u"DURABILITY__CODE"_s, u"srcDurability"_s, u"Durability:"_s),
        lookup(&T::cmbCondition, u"cmbCondition"_s, u"CONDITION__CODE"_s, u"srcCondition"_s, u"Condition:"_s),
        text(&T::edtOtherCondition, u"edtOtherCondition"_s, u"OTHER_CONDITION"_s, u"If other, Specify"_s)
            .enabledBy(&V::otherCondition),

        page(u"tabCOP"_s, u"COP"_s).filled(),
        templateAnalysisGroup(),
    };
}

SampleFieldTable animalFeedTemplateFields()
{
    using T = TSampleTemplateEditAnimalFeedsFrm;
    return {
        page(u"tabAdmin"_s, u"Admin"_s, Forward | TurnsOnTab),
        group(&T::grpGeneral, u"grpGeneral"_s, u"General"_s, Layout::TwoColumns).focus(Qt::ClickFocus),
        // Feed templates are always chemical: the analysis type is not offered.
        analysisTypeChoice(u"Analysis Type"_s, {u"&Micro"_s, u"&Chemical"_s}).neverShown(),
        businessId(u"Business ID"_s),
        premisesRows(Optional, {}),
        secondColumn(),
        lookup(&T::cmbPremisesType, u"cmbPremisesType"_s, u"PREMISES_TYPE__CODE"_s, u"srcFeedPremisesType"_s,
               u"PremisesType"_s)
            .captionInto(&T::lblPremisesType, u"lblPremisesType"_s),
        // The feed risk category is kept where the feed editor and the premises pick keep it.
        lookup(&T::cmbRiskCategory, u"cmbRiskCategory"_s, u"RISK_CATEGORY"_s, u"srcFeedRiskCategory"_s,
               u"Feed risk category"_s),
        text(&T::edtRegistrationNumber, u"edtRegistrationNumber"_s, u"REGISTRATION_NUMBER"_s,
             u"Registration number"_s),
        officerList(u"Sample Officer"_s),
        officeList(u"Office"_s),
        templateRows(),

        page(u"tabReason"_s, u"Reason"_s),
        // Tab on the reason turns the page, as on the pages' forward buttons.
        reasonChoice(u"Reason for sample taken"_s, {u"&Enforcement/Investigation"_s, u"&Surveillance/Monitoring"_s})
            .turningPage(),
        group(u"grpReasonDetails"_s, {}),
        // One sample type whose list follows the reason.
        lookup(&T::cmbSampleType, u"cmbSampleType"_s, u"SAMPLE_TYPE__CODE"_s, u"srcFeedSampleTypeSurveillance"_s,
               u"Sample Type"_s),
        checkBox(&T::chkFollowUp, u"chkFollowUp"_s, u"FLAG_FOLLOW_UP"_s, u"Follow Up Sample"_s),
        text(&T::edtIndexNumber, u"edtIndexNumber"_s, u"INDEX_NUMBER"_s, u"Index Sample Number"_s)
            .enabledBy(&V::indexNumber),
        checkBox(&T::chkSurvey, u"chkSurvey"_s, u"FLAG_SURVEY"_s, u"Sample was taken as part of a survey"_s),
        lookup(&T::cmbSurveyBody, u"cmbSurveyBody"_s, u"SURVEY_BODY__CODE"_s, u"srcFeedSurveyBody"_s, u"Survey Body"_s)
            .enabledBy(&V::surveyBodyAndReference),
        text(&T::edtSurveyRef, u"edtSurveyRef"_s, u"SURVEY_NUMBER"_s, u"Survey Ref"_s)
            .enabledBy(&V::surveyBodyAndReference),

        page(u"tabLabeling"_s, u"Labeling"_s),
        group(u"grpLabeling"_s, u"Labeling"_s),
        pickList(&T::cmbBrandName, u"cmbBrandName"_s, u"BRAND_NAME"_s, u"FeedName"_s, u"Feed name"_s),
        pickList(&T::cmbFoodDescription, u"cmbFoodDescription"_s, u"FOOD_DESCRIPTION"_s, u"FeedDescription"_s,
                 u"Feed description"_s),
        categoryLevel(1, u"edtCategory"_s, u"Category"_s),
        categoryLevel(2, u"edtSubCategory"_s, u"Sub category"_s),
        categoryTree(u"Choose Category"_s),
        memo(&B::memAdditionalInfo, u"memAdditionalInfo"_s, u"ADDITIONAL_INFO"_s,
             u"Additional product information:"_s)
            .inLines(3),
        lookup(&T::cmbAnimalSpecies, u"cmbAnimalSpecies"_s, u"ANIMAL_SPECIES__CODE"_s, u"srcAnimalSpecies"_s,
               u"Animal species"_s),
        pickList(&T::cmbImporter, u"cmbImporter"_s, u"IMPORTER"_s, u"FeedImporter"_s, u"Importer (if appropriate)"_s),
        country(u"Country of origin:"_s, u"srcCountry"_s, {}),

        page(u"tabAdditional"_s, u"Additional"_s),
        group(u"grpPackaging"_s, u" Packaging and durability "_s),
        lookup(&T::cmbPackaging, u"cmbPackaging"_s, u"PACKAGING__CODE"_s, u"srcFeedPackagingType"_s,
               u"Packaging provided"_s),
        quantity(u"Package size"_s).enabledBy(&V::quantityAndUnits),
        lookup(&T::cmbPackUnits, u"cmbPackUnits"_s, u"PACK_SIZE"_s, u"srcFeedPackagingUnit"_s, u"Package Units"_s)
            .enabledBy(&V::quantityAndUnits),
        lookup(&T::cmbDurability, u"cmbDurability"_s, u"DURABILITY__CODE"_s, u"srcFeedDurability"_s, u"Durability:"_s),
        lookup(&T::cmbCondition, u"cmbCondition"_s, u"CONDITION__CODE"_s, u"srcFeedCondition"_s, u"Condition:"_s),
        text(&T::edtOtherCondition, u"edtOtherCondition"_s, u"OTHER_CONDITION"_s, u"If other, Specify"_s)
            .enabledBy(&V::otherCondition),

        page(u"tabAnalysis"_s, u"Analysis"_s).filled(),
        templateAnalysisGroup(),
    };
}
