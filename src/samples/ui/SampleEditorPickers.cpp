// The pickers a sample editor opens: the category tree, the premises list and the analysis
// builder, and what each hands back.
#include "samples/ui/SampleEditorBase.h"

#include "gui/IBCompatibleBaseMaint_FRM.h"
#include "reference/ui/CategoryTree_FRM.h"
#include "samples/SampleRecord.h"
#include "samples/SampleRow.h"
#include "store/SqlUtil.h"

#include <QSqlQuery>
#include <QSqlRecord>

using namespace Qt::StringLiterals;

void SampleEditorBase::actCategoryTreeExecute()
{
    auto defaults = std::make_unique<TCategoryTreeFrmDefaults>();
    defaults->SelectedRecord = GetDeepestCategoryCode();
    defaults->AllowUseSelected = Editing();
    defaults->Personality = m_kind.personality;
    // The tree hands its choice to this form's socket; whatever is there afterwards is freed.
    const auto freeAnswer = [this]() {
        std::unique_ptr<TReturnInfo> other(ReturnInfoSocket());
        SetReturnInfoSocket(nullptr);
    };
    try {
        TBasefrm::CreateAndShow<TCategoryTreeFrm>(u"CategoryTree"_s, this, true, std::move(defaults));
    } catch (...) {
        freeAnswer();
        throw;
    }
    if (std::unique_ptr<TCategoryTreeFrmReturnInfo> choice = TakeReturnInfo<TCategoryTreeFrmReturnInfo>(*this))
        ApplyCategorySelection(*choice);
    freeAnswer();
    VerifyAll();
}

void SampleEditorBase::ApplyCategorySelection(const TCategoryTreeFrmReturnInfo &selection)
{
    if (!Editing())
        return;
    CategorySelection s;
    s.Category = selection.Category;
    s.CategoryDescription = selection.CategoryDescription;
    s.SubCategory = selection.SubCategory;
    s.SubCategoryDescription = selection.SubCategoryDescription;
    s.MaffCode = selection.MaffCode;
    s.SubCategory2 = selection.SubCategory2;
    s.SubCategory2Description = selection.SubCategory2Description;
    s.SubCategory3 = selection.SubCategory3;
    s.SubCategory3Description = selection.SubCategory3Description;
    DataSetRow row(*qryData_);
    ::ApplyCategorySelection(row, s, m_kind.categoryLevels);
}

QString SampleEditorBase::GetDeepestCategoryCode() const
{
    return ::GetDeepestCategoryCode(DataSetRow(*qryData_), m_kind.categoryLevels);
}

void SampleEditorBase::actPickPremisesExecute()
{
    if (!Editing()) {
        if (!premisesPickStartsEditing())
            return;
        qryData_->edit();
    }
    const QString code = searchPremises(qryData_->text(u"BUSINESS_ID"_s));
    if (!code.isEmpty() && code != TIBCompatibleBaseMaintfrm::CancelledResult() && Editing()) {
        DataSetRow row(*qryData_);
        takePremises(row, code, StoredPremises(code));
    }
    VerifyAll();
}

std::optional<QVariantMap> SampleEditorBase::StoredPremises(const QString &code) const
{
    // A premises retired since it was chosen still gives its address; a live one comes first.
    QStringList columns;
    for (const QString &c : m_kind.premisesColumns)
        columns << SqlUtil::quoteIdentifier(c);
    QSqlQuery q = SqlUtil::exec(LocalDatabase(),
                                u"SELECT FIRST 1 %1 FROM %2 WHERE CODE = ? ORDER BY IIF(FLAG_DELETED = 'T', 1, 0)"_s
                                    .arg(columns.join(u", "_s),
                                         SqlUtil::quoteIdentifier(m_kind.premisesTable)),
                                {code});
    if (!q.next())
        return std::nullopt;
    QVariantMap premises;
    const QSqlRecord record = q.record();
    for (int i = 0; i < record.count(); ++i)
        premises.insert(record.fieldName(i), q.value(i));
    return premises;
}

void SampleEditorBase::takePremises(SampleRow &row, const QString &code, const std::optional<QVariantMap> &premises)
{
    applyPremisesDetail(row, code, premises, m_kind.personality, viewContext());
}

void SampleEditorBase::actAnalysisBuilderExecute()
{
    const QString current = qryData_->text(u"ANALYSIS_TEXT"_s);
    const std::optional<QString> text = editAnalysisText(current);
    if (text && *text != current) {
        ensureEditing();
        qryData_->setValue(u"ANALYSIS_TEXT"_s, *text);
        qryData_->setValue(u"ROUTINE_ANALYSIS"_s, u"F"_s);
    }
    VerifyAll();
}
