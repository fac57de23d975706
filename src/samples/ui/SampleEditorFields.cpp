#include "samples/ui/SampleEditorFields.h"

#include "samples/ui/SampleEditorBase.h"

using namespace Qt::StringLiterals;

using Kind = SampleField::Kind;
using B = SampleEditorBase;

namespace {

// A copy of the entry with one member set.
template <class T, class V>
SampleField with(const SampleField &entry, T SampleField::*member, V value)
{
    SampleField f = entry;
    f.*member = std::move(value);
    return f;
}

} // namespace

SampleField SampleField::enabledBy(bool SampleViewState::*state) const
{
    return with(with(*this, &SampleField::rule, state), &SampleField::ruleShows, false);
}

SampleField SampleField::shownBy(bool SampleViewState::*state) const
{
    return with(with(*this, &SampleField::rule, state), &SampleField::ruleShows, true);
}

SampleField SampleField::answersFor(const QString &ruleTarget) const
{
    return with(*this, &SampleField::target, ruleTarget);
}

SampleField SampleField::withNote(const QString &text) const
{
    return with(with(*this, &SampleField::note, text), &SampleField::boxed, true);
}

SampleField SampleField::narrowTo(int width) const
{
    return with(with(*this, &SampleField::maxWidth, width), &SampleField::boxed, true);
}

SampleField SampleField::limitedTo(int length) const
{
    return with(*this, &SampleField::maxLength, length);
}

SampleField SampleField::inLines(int count, int margin) const
{
    return with(with(*this, &SampleField::lines, count), &SampleField::lineMargin, margin);
}

SampleField SampleField::capitals() const
{
    return with(*this, &SampleField::upperCase, true);
}

SampleField SampleField::neverShown() const
{
    return with(*this, &SampleField::hidden, true);
}

SampleField SampleField::neverEnabled() const
{
    return with(*this, &SampleField::disabled, true);
}

SampleField SampleField::turningPage() const
{
    return with(*this, &SampleField::turnsPage, true);
}

SampleField SampleField::captionAbove() const
{
    return with(*this, &SampleField::stacked, true);
}

SampleField SampleField::focus(Qt::FocusPolicy policy) const
{
    return with(*this, &SampleField::groupFocus, policy);
}

SampleField SampleField::filled() const
{
    return with(*this, &SampleField::pageFilled, true);
}

namespace SampleFields {

SampleField entry(Kind kind, SampleField::Fill fill, const QString &name, const QString &column, const QString &list,
                  const QString &caption, Need need)
{
    SampleField f;
    f.kind = kind;
    f.fill = std::move(fill);
    f.name = name;
    f.column = column;
    f.list = list;
    f.caption = caption;
    f.required = need == Required;
    return f;
}

SampleField page(const QString &name, const QString &title, int buttons)
{
    SampleField f = entry(Kind::Page, {}, name, {}, {}, title);
    f.pageButtons = buttons;
    return f;
}

SampleField group(const QString &name, const QString &title, SampleField::Layout layout,
                  SampleField::Placement placement)
{
    SampleField f = entry(Kind::Group, {}, name, {}, {}, title);
    f.layout = layout;
    f.placement = placement;
    return f;
}

SampleField secondColumn()
{
    return entry(Kind::SecondColumn, {}, {}, {}, {}, {});
}

SampleField bundle(const SampleFieldTable &rows)
{
    SampleField f = entry(Kind::Bundle, {}, {}, {}, {}, {});
    f.rows = rows;
    return f;
}

SampleField analysisTypeChoice(const QString &caption, const QStringList &choices, Need need)
{
    SampleField f = entry(Kind::AnalysisTypeChoice, into(&B::rgAnalysisType), u"rgAnalysisType"_s,
                          u"ANALYSIS_TYPE"_s, {}, caption, need);
    f.choices = choices;
    return f;
}

SampleField reasonChoice(const QString &caption, const QStringList &choices, Need need)
{
    SampleField f = entry(Kind::ReasonChoice, into(&B::rgReason), u"rgReason"_s, u"REASON__CODE"_s, {}, caption, need);
    f.choices = choices;
    return f;
}

SampleField businessId(const QString &caption, Need need)
{
    return entry(Kind::BusinessId, into(&B::edtBusinessId), u"edtBusinessId"_s, u"BUSINESS_ID"_s, {}, caption, need);
}

SampleField officeList(const QString &caption, Need need)
{
    return entry(Kind::Lookup, into(&B::cmbOffice), u"cmbOffice"_s, u"LOCAL_AUTH_OFFICE__CODE"_s,
                 u"qryLocalAuthOffice_"_s, caption, need);
}

SampleField officerList(const QString &caption, Need need)
{
    return entry(Kind::Lookup, into(&B::cmbOfficer), u"cmbOfficer"_s, u"SAMPLE_OFFICER__CODE"_s,
                 u"qrySampleOfficer_"_s, caption, need);
}

SampleField sampleDate(const QString &caption, Need need)
{
    return entry(Kind::Date, into(&B::dtSampleDate), u"dtSampleDate"_s, u"SAMPLE_DATE"_s, {}, caption, need);
}

SampleField sampleTime(const QString &caption, Need need)
{
    return entry(Kind::Time, into(&B::edtSampleTime), u"edtSampleTime"_s, u"SAMPLE_TIME"_s, {}, caption, need);
}

SampleField purchaseCost(const QString &caption)
{
    return entry(Kind::Currency, into(&B::edtPurchaseCost), u"edtPurchaseCost"_s, u"PURCHASE_COST"_s, {}, caption);
}

SampleField analysisCost(const QString &caption)
{
    return entry(Kind::Currency, into(&B::edtAnalysisCost), u"edtAnalysisCost"_s, u"ANALYSIS_COST"_s, {}, caption);
}

SampleField categoryLevel(int level, const QString &name, const QString &caption, Need need)
{
    struct Level
    {
        TzqcxDBTextEdit *B::*member;
        const char16_t *column;
    };
    static const Level levels[] = {{&B::edtCategory, u"CATEGORY_DESCRIPTION"},
                                   {&B::edtSubCategory, u"SUB_CATEGORY_DESCRIPTION"},
                                   {&B::edtSubCategory2, u"SUB_CATEGORY_2_DESCRIPTION"},
                                   {&B::edtSubCategory3, u"SUB_CATEGORY_3_DESCRIPTION"}};
    const Level &l = levels[level - 1];
    return entry(Kind::CategoryLevel, into(l.member), name, QString::fromUtf16(l.column), {}, caption, need);
}

SampleField quantity(const QString &caption)
{
    return entry(Kind::Quantity, into(&B::edtQuantity), u"edtQuantity"_s, u"QUANTITY"_s, {}, caption);
}

SampleField batchNumber(const QString &caption, Need need)
{
    SampleField f = entry(Kind::BatchNumber, into(&B::cmbBatchNumber), u"cmbBatchNumber"_s, u"BATCH_NUMBER"_s, {},
                          caption, need);
    f.choices = {u"Not provided on packaging"_s, u"Illegible on packaging"_s};
    return f;
}

SampleField categoryTree(const QString &buttonCaption)
{
    return entry(Kind::CategoryTree, into(&B::pnlCategoryTree), u"pnlCategoryTree"_s, {}, {}, buttonCaption);
}

SampleField additionalInfo(const QString &caption, Need need)
{
    return entry(Kind::AdditionalInfo, {}, u"lblAdditionalInfo"_s, u"ADDITIONAL_INFO"_s,
                 u"srcAdditionalCategoryInfo"_s, caption, need);
}

SampleField durabilityParts(const QStringList &captions)
{
    SampleField f = entry(Kind::DurabilityParts, {}, {}, {}, {}, {});
    f.choices = captions;
    return f;
}

SampleField country(const QString &caption, const QString &list, const QStringList &regions, Need need)
{
    SampleField f = entry(Kind::Country, into(&B::cmbCountry), u"cmbCountry"_s, u"COUNTRY"_s, list, caption, need);
    f.choices = regions;
    return f;
}

SampleField analysisGroup(int typedLength)
{
    return entry(Kind::AnalysisGroup, {}, u"grpAnalysis"_s, {}, {}, u"Analysis"_s).limitedTo(typedLength);
}

SampleField commentsGroup()
{
    return entry(Kind::CommentsGroup, {}, u"grpComments"_s, {}, {}, {}).limitedTo(4096);
}

SampleField templateAnalysisGroup()
{
    return entry(Kind::TemplateAnalysisGroup, {}, u"grpAnalysis"_s, {}, {}, u"Analysis"_s);
}

} // namespace SampleFields
