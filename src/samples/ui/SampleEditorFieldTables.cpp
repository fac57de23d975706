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
// Inside the namespace, a row's makers are found before any other function of the same name.
namespace SampleFields {

namespace {

using B = SampleEditorBase;
using V = SampleViewState;
using Layout = SampleField::Layout;
using Placement = SampleField::Placement;
constexpr int Back = SampleField::Back;
constexpr int Forward = SampleField::Forward;
constexpr int TurnsOnTab = SampleField::TurnsOnTab;

const QStringList Regions = {u"UK"_s, u"EU"_s, u"Non EU"_s};

// The office, the officer, when the sample was taken and what it cost.
SampleField samplingRows(const QString &officerCaption, const QString &timeCaption)
{
    return bundle({
        officeList(u"Office:"_s, Required),
        officerList(officerCaption, Required),
        sampleDate(u"Sample Date:"_s, Required),
        sampleTime(timeCaption, Required),
        purchaseCost(u"Purchase Cost:"_s),
        analysisCost(u"Analysis Cost:"_s),
    });
}

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

// The two risk categories of food premises.
template <class Form>
SampleField foodRiskRows(Need need)
{
    return bundle({
        lookup(&Form::cmbRiskCategory, u"cmbRiskCategory"_s, u"RISK_CATEGORY"_s, u"srcFoodSaftyRiskCategory"_s,
               u"Food Safety Risk Category:"_s, need),
        lookup(&Form::cmbRiskCategoryFS, u"cmbRiskCategoryFS"_s, u"RISK_CATEGORY_FOOD_STAND__CODE"_s,
               u"srcFoodStandardsRiskCategory"_s, u"Food Standards Risk Category:"_s, need),
    });
}

// A follow-up sample and the number of the sample it follows.
template <class Form>
SampleField followUpRows(const QString &colon)
{
    return bundle({
        checkBox(&Form::chkFollowUp, u"chkFollowUp"_s, u"FLAG_FOLLOW_UP"_s, u"Follow Up Sample"_s),
        text(&Form::edtIndexNumber, u"edtIndexNumber"_s, u"INDEX_NUMBER"_s, u"Index Sample Number"_s + colon)
            .enabledBy(&V::indexNumber),
    });
}

// The food enforcement group's fields; a sample's list answers for the sample type's rule.
template <class Form>
SampleField foodEnforcementRows(Need need, int detailsLength)
{
    return bundle({
        lookup(&Form::cmbSampleTypeEnforcement, u"cmbSampleTypeEnforcement"_s, u"SAMPLE_TYPE__CODE"_s,
               u"srcSampleTypeEnforcement"_s, u"Sample Type:"_s, need)
            .answersFor(need == Required ? SampleTarget::SampleTypeEnforcement : QString()),
        followUpRows<Form>(u":"_s),
        checkBox(&Form::chkFoodPoisoning, u"chkFoodPoisoning"_s, u"FLAG_FOOD_POISONING"_s,
                 u"Food borne illness Investigation"_s),
        memo(&Form::memDetails, u"memDetails"_s, u"DETAILS"_s, u"Details (including relevant outbreak number):"_s)
            .limitedTo(detailsLength)
            .captionAbove()
            .enabledBy(&V::details),
    });
}

// A survey, its body and its reference: a pick list in a sample, a text in a template.
template <class Form>
SampleField surveyRows(const QString &bodyList, const QString &colon, Need need, const SampleField &reference)
{
    return bundle({
        checkBox(&Form::chkSurvey, u"chkSurvey"_s, u"FLAG_SURVEY"_s, u"Sample was taken as part of a survey"_s),
        lookup(&Form::cmbSurveyBody, u"cmbSurveyBody"_s, u"SURVEY_BODY__CODE"_s, bodyList, u"Survey Body"_s + colon,
               need)
            .enabledBy(&V::surveyBodyAndReference),
        reference.enabledBy(&V::surveyBodyAndReference),
    });
}

template <class Form>
SampleField surveyReferenceList(const QString &list)
{
    return pickList(&Form::cmbSurveyRef, u"cmbSurveyRef"_s, u"SURVEY_NUMBER"_s, list, u"Survey Ref:"_s, Required)
        .capitals();
}

SampleField surveyReferenceText(const QString &colon)
{
    return text(&SampleTemplateEditForm::edtSurveyRef, u"edtSurveyRef"_s, u"SURVEY_NUMBER"_s, u"Survey Ref"_s + colon);
}

// The food surveillance group's fields.
template <class Form>
SampleField foodSurveillanceRows(Need need, const SampleField &reference)
{
    return bundle({
        lookup(&Form::cmbSampleTypeSurveillance, u"cmbSampleTypeSurveillance"_s, u"SAMPLE_TYPE__CODE"_s,
               u"srcSampleTypeSurveillance"_s, u"Sample Type:"_s, need)
            .answersFor(need == Required ? SampleTarget::SampleTypeSurveillance : QString()),
        surveyRows<Form>(u"srcSurveyBody"_s, u":"_s, need, reference),
    });
}

// Level 1 is the category, the next the sub-categories; the rules require the first required ones.
SampleField categoryLevels(const QStringList &names, const QStringList &captions, int required)
{
    SampleFieldTable levels;
    for (int i = 0; i < names.size(); ++i)
        levels << categoryLevel(i + 1, names.at(i), captions.at(i), i < required ? Required : Optional);
    return bundle(levels);
}

// A food's brand name and description.
template <class Form>
SampleField foodNameRows(Need need)
{
    return bundle({
        pickList(&Form::cmbBrandName, u"cmbBrandName"_s, u"BRAND_NAME"_s, u"BrandName"_s, u"Brand Name:"_s).capitals(),
        pickList(&Form::cmbFoodDescription, u"cmbFoodDescription"_s, u"FOOD_DESCRIPTION"_s, u"FoodDescription"_s,
                 u"Food Description:"_s, need)
            .capitals(),
    });
}

// Who made, supplied and imported a food, and where it came from.
template <class Form>
SampleField foodOriginRows(Need need)
{
    return bundle({
        pickList(&Form::cmbManufacturer, u"cmbManufacturer"_s, u"MANUFACTURER"_s, u"Manufacturer"_s, u"Manufacturer:"_s)
            .capitals(),
        pickList(&Form::cmbDistributor, u"cmbDistributor"_s, u"DISTRIBUTER"_s, u"Distributor"_s,
                 u"Distributor/Supplier/ Packer:"_s)
            .capitals(),
        pickList(&Form::cmbImporter, u"cmbImporter"_s, u"IMPORTER"_s, u"Importer"_s, u"Importer (if appropriate):"_s)
            .capitals(),
        country(u"Country of origin:"_s, u"srcUKCountry"_s, Regions, need),
    });
}

// The pack's quantity and its units.
template <class Form>
SampleField quantityRows(const QString &quantityCaption, const QString &unitsList, const QString &unitsCaption)
{
    return bundle({
        quantity(quantityCaption).enabledBy(&V::quantityAndUnits),
        lookup(&Form::cmbPackUnits, u"cmbPackUnits"_s, u"PACK_SIZE"_s, unitsList, unitsCaption)
            .enabledBy(&V::quantityAndUnits),
    });
}

// The condition the sample was in, and what it was when "other".
template <class Form>
SampleField conditionRows(const QString &list, Need need, const QString &colon)
{
    return bundle({
        lookup(&Form::cmbCondition, u"cmbCondition"_s, u"CONDITION__CODE"_s, list, u"Condition:"_s, need),
        text(&Form::edtOtherCondition, u"edtOtherCondition"_s, u"OTHER_CONDITION"_s, u"If other, Specify"_s + colon)
            .enabledBy(&V::otherCondition),
    });
}

// A sample's durability group: the durability, its date in parts and the sample's condition.
template <class Form>
SampleField sampleDurabilityRows(const QString &durabilityList, const QStringList &partCaptions,
                                 const QString &conditionList, Need conditionNeed)
{
    return bundle({
        group(u"grpDurability"_s, u" Durability "_s, Layout::Form, Placement::BesideTop),
        lookup(&Form::cmbDurability, u"cmbDurability"_s, u"DURABILITY__CODE"_s, durabilityList, u"Durability:"_s,
               Required),
        durabilityParts(partCaptions),
        conditionRows<Form>(conditionList, conditionNeed, u":"_s),
    });
}

// The laboratory, the analyses asked for (at most typedLength characters typed) and the comments.
SampleField analysisRows(int typedLength)
{
    return bundle({
        lookup(&B::cmbLaboratory, u"cmbLaboratory"_s, u"LABORATORY__CODE"_s, u"srcLaboratoryFiltered"_s,
               u"Laboratory:"_s, Required),
        analysisGroup(typedLength),
        commentsGroup(),
    });
}

// The template's officer and office, and its own entries below them on the Admin page.
SampleField templateRows(const QString &colon)
{
    using T = SampleTemplateEditForm;
    return bundle({
        officerList(u"Sample Officer"_s + colon),
        officeList(u"Office"_s + colon),
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

// A food's packaging material, quantity and units.
template <class Form>
SampleField foodPackagingRows(Need need)
{
    return bundle({
        lookup(&Form::cmbMaterial, u"cmbMaterial"_s, u"MATERIAL__CODE"_s, u"srcMaterialType"_s,
               u"Packaging material:"_s, need)
            .enabledBy(&V::packagingMaterial),
        text(&Form::edtOtherMaterial, u"edtOtherMaterial"_s, u"OTHER_MATERIAL"_s, u"Other Material:"_s)
            .enabledBy(&V::otherMaterial),
        quantityRows<Form>(u"Pack Quantity/size:"_s, u"srcPackagingUnit"_s, u"Pack Units:"_s),
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
        samplingRows(u"Sampling Officer:"_s, u"Time (24 hr):"_s),
        secondColumn(),
        businessId(u"LAEMS Business ID:"_s, Required)
            .withButton(&F::actNotAvailable, &F::btnNotAvailable, u"btnNotAvailable"_s),
        premisesRows(Required, u":"_s),
        foodRiskRows<F>(Required),
        lookup(&F::cmbPremisesType, u"cmbPremisesType"_s, u"PREMISES_TYPE__CODE"_s, u"srcPremisesType"_s,
               u"Premises Type:"_s, Required)
            .captionInto(&F::lblPremisesType, u"lblPremisesType"_s),

        page(&F::tabReason, u"tabReason"_s, u"Reason"_s),
        reasonChoice(u"Reason for taking sample"_s, {reasonCaption(u"E"_s), reasonCaption(u"S"_s)}),
        group(&F::grpEnforcement, u"grpEnforcement"_s, reasonCaption(u"E"_s), Layout::Form, Placement::Beside)
            .enabledBy(&V::enforcementGroup),
        foodEnforcementRows<F>(Required, 1024),
        group(&F::grpSurveillance, u"grpSurveillance"_s, reasonCaption(u"S"_s), Layout::Form, Placement::BesideTop)
            .enabledBy(&V::surveillanceGroup),
        foodSurveillanceRows<F>(Required, surveyReferenceList<F>(u"SurveyReference"_s)),

        page(&F::tabDescription, u"tabDescription"_s, u"Description"_s),
        group(u"grpDescription"_s, u"Description of sample taken"_s, Layout::CaptionGrid),
        foodNameRows<F>(Required),
        lookup(&F::cmbProduct, u"cmbProduct"_s, u"PRODUCT__CODE"_s, u"srcProductType"_s, u"Nature of product:"_s,
               Required),
        categoryLevels({u"edtCategory"_s, u"edtSubCategory"_s, u"edtSubCategory2"_s, u"edtSubCategory3"_s},
                       {u"Category:"_s, u"Sub category:"_s, u"Sub category:"_s, u"Sub category:"_s}, 1),
        categoryTree(),
        lookup(&F::cmbMAFF, u"cmbMAFF"_s, u"MAFF__CODE"_s, u"srcMAFF"_s, u"MAFF Code:"_s),
        additionalInfo(u"Additional Category Information:"_s, Required),
        foodOriginRows<F>(Required),

        page(&F::tabAdditional, u"tabAdditional"_s, u"Additional"_s),
        group(u"grpPackaging"_s, u" Packaging "_s, Layout::Form, Placement::BesideTop),
        lookup(&F::cmbPackaging, u"cmbPackaging"_s, u"PACKAGING__CODE"_s, u"srcPackagingType"_s,
               u"Packaging provided:"_s, Required)
            .withButton(&F::actLabelling, &F::btnLabelling, u"btnLabelling"_s),
        foodPackagingRows<F>(Required),
        batchNumber(u"Batch/Lot No:"_s, Required),
        text(&F::edtHealthMark, u"edtHealthMark"_s, u"HEALTH_MARK"_s, u"Health Mark:"_s),
        sampleDurabilityRows<F>(u"srcDurability"_s, {u"Day"_s, u"Month"_s, u"Year"_s}, u"srcCondition"_s, Required),
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
        analysisRows(F::AnalysisTextTypedLength),

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
        samplingRows(u"Sample Officer:"_s, u"Time (24 hr)"_s),
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
        followUpRows<A>(u":"_s),
        group(&A::grpSurveillance, u"grpSurveillance"_s, reasonCaption(u"S"_s), Layout::Form, Placement::BesideTop)
            .enabledBy(&V::surveillanceGroup),
        surveyRows<A>(u"srcFeedSurveyBody"_s, u":"_s, Required, surveyReferenceList<A>(u"FeedSurveyReference"_s)),

        page(&A::tabLabelling, u"tabLabelling"_s, u"Labelling"_s),
        group(u"grpDescription"_s, u"Description Of Sample taken"_s, Layout::CaptionGrid),
        pickList(&A::cmbFeedName, u"cmbFeedName"_s, u"BRAND_NAME"_s, u"FeedName"_s, u"Feed name"_s).capitals(),
        pickList(&A::cmbFeedDescription, u"cmbFeedDescription"_s, u"FOOD_DESCRIPTION"_s, u"FeedDescription"_s,
                 u"Feed description"_s, Required)
            .capitals(),
        lookup(&A::cmbAnimalSpecies, u"cmbAnimalSpecies"_s, u"ANIMAL_SPECIES__CODE"_s, u"srcAnimalSpecies"_s,
               u"Animal species"_s, Required),
        categoryLevels({u"edtCategory"_s, u"edtSubCategory"_s}, {u"Category:"_s, u"Sub category:"_s}, 2),
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
        quantityRows<A>(u"Package size:"_s, u"srcFeedPackagingUnit"_s, u"Package Units"_s),
        batchNumber(u"Batch number:"_s),
        date(&A::dtDateOfManufacture, u"dtDateOfManufacture"_s, u"DATE_OF_MANUFACTURE"_s, u"Date of manufacture:"_s),
        sampleDurabilityRows<A>(u"srcFeedDurability"_s, {u"Day:"_s, u"Month:"_s, u"Year:"_s}, u"srcFeedCondition"_s,
                                Optional),

        page(&A::tabAnalysis, u"tabAnalysis"_s, u"Analysis"_s, Back | Forward).filled(),
        group(u"grpCompliance"_s, u"Compliance with COP"_s, Layout::LongCaptions),
        // The editor sets it from the sample type; the officer never chooses it.
        yesNo(&A::cmbCOPCondition, u"cmbCOPCondition"_s, u"FLAG_COP_CONDITION"_s,
              u"Sample was taken in compliance with statutory requirements:"_s)
            .neverEnabled(),
        text(&A::edtNotCOP, u"edtNotCOP"_s, u"NOT_COP"_s, u"Explanation:"_s).enabledBy(&V::explanation),
        analysisRows(1024),

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
        foodRiskRows<T>(Optional),
        templateRows(u":"_s),

        page(u"tabReason"_s, u"Reason"_s),
        reasonChoice(u"Reason for taking sample"_s, {u"Enforcement/Investigation"_s, u"Surveillance/Monitoring"_s}),
        // A template shows the group of its reason only.
        group(&T::grpEnforcement, u"grpEnforcement"_s, u"Enforcement/Investigation"_s, Layout::Form,
              Placement::BesideTop)
            .shownBy(&V::enforcementGroup),
        foodEnforcementRows<T>(Optional, 0),
        group(&T::grpSurveillance, u"grpSurveillance"_s, u"Surveillance/Monitoring"_s, Layout::Form,
              Placement::BesideTop)
            .shownBy(&V::surveillanceGroup),
        foodSurveillanceRows<T>(Optional, surveyReferenceText(u":"_s)),

        page(u"tabDescription"_s, u"Description"_s),
        group(u"grpDescription"_s, u"Description of sample taken"_s),
        foodNameRows<T>(Optional),
        categoryLevels({u"CATEGORY_DESCRIPTION"_s, u"SUB_CATEGORY_DESCRIPTION"_s, u"SUB_CATEGORY_2_DESCRIPTION"_s,
                        u"SUB_CATEGORY_3_DESCRIPTION"_s},
                       {u"Category:"_s, u"Sub category:"_s, u"Sub category (level 2)"_s, u"Sub category (level 3)"_s}, 0),
        categoryTree(),
        lookup(&T::cmbMAFF, u"cmbMAFF"_s, u"MAFF__CODE"_s, u"srcMAFF"_s, u"MAFF Code:"_s),
        additionalInfo(u"Additional Category Information:"_s),
        lookup(&T::cmbProduct, u"cmbProduct"_s, u"PRODUCT__CODE"_s, u"srcProductType"_s, u"Nature of product:"_s),
        foodOriginRows<T>(Optional),

        page(u"tabAdditional"_s, u"Additional"_s),
        group(u"grpPackaging"_s, u" Packaging "_s, Layout::Form, Placement::BesideTop),
        lookup(&T::cmbPackaging, u"cmbPackaging"_s, u"PACKAGING__CODE"_s, u"srcPackagingType"_s,
               u"Packaging provided:"_s),
        foodPackagingRows<T>(Optional),
        text(&T::edtHealthMark, u"edtHealthMark"_s, u"HEALTH_MARK"_s, u"Health Mark:"_s),
        group(u"grpDurability"_s, u" Durability "_s, Layout::Form, Placement::BesideTop),
        lookup(&T::cmbDurability, u"cmbDurability"_s, u"DURABILITY__CODE"_s, u"srcDurability"_s, u"Durability:"_s),
        conditionRows<T>(u"srcCondition"_s, Optional, {}),

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
        templateRows({}),

        page(u"tabReason"_s, u"Reason"_s),
        // Tab on the reason turns the page, as on the pages' forward buttons.
        reasonChoice(u"Reason for sample taken"_s, {u"&Enforcement/Investigation"_s, u"&Surveillance/Monitoring"_s})
            .turningPage(),
        group(u"grpReasonDetails"_s, {}),
        // One sample type whose list follows the reason.
        lookup(&T::cmbSampleType, u"cmbSampleType"_s, u"SAMPLE_TYPE__CODE"_s, u"srcFeedSampleTypeSurveillance"_s,
               u"Sample Type"_s),
        followUpRows<T>({}),
        surveyRows<T>(u"srcFeedSurveyBody"_s, {}, Optional, surveyReferenceText({})),

        page(u"tabLabeling"_s, u"Labeling"_s),
        group(u"grpLabeling"_s, u"Labeling"_s),
        pickList(&T::cmbBrandName, u"cmbBrandName"_s, u"BRAND_NAME"_s, u"FeedName"_s, u"Feed name"_s),
        pickList(&T::cmbFoodDescription, u"cmbFoodDescription"_s, u"FOOD_DESCRIPTION"_s, u"FeedDescription"_s,
                 u"Feed description"_s),
        categoryLevels({u"edtCategory"_s, u"edtSubCategory"_s}, {u"Category"_s, u"Sub category"_s}, 0),
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
        quantityRows<T>(u"Package size"_s, u"srcFeedPackagingUnit"_s, u"Package Units"_s),
        lookup(&T::cmbDurability, u"cmbDurability"_s, u"DURABILITY__CODE"_s, u"srcFeedDurability"_s, u"Durability:"_s),
        conditionRows<T>(u"srcFeedCondition"_s, Optional, {}),

        page(u"tabAnalysis"_s, u"Analysis"_s).filled(),
        templateAnalysisGroup(),
    };
}

} // namespace SampleFields
