// Saving a sample: the questions of a save, the rules, the descriptions, and the write in one
// short transaction that locks the row and reads its status again.
#include "samples/ui/SampleEditorBase.h"

#include "base/Prompter.h"
#include "base/ProductNames.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "data/GridModel.h"
#include "samples/SampleRecord.h"
#include "samples/SampleRow.h"
#include "store/SqlUtil.h"

#include <QScopedValueRollback>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace {

// A save found the sample sent by a synchronisation pass after it had asked what a save of an
// unsent sample asks: the save starts again, this time asking for the reason of the change.
class SampleSentMeanwhile : public VarnexError
{
public:
    SampleSentMeanwhile()
        : VarnexError(u"The sample was sent to the laboratory while it was being saved; please save it again."_s)
    {
    }
};

// The descriptions beside the codes are copies of list texts and settings: one longer than its
// column is cut to it, so that no save fails on a long authority name or list text. Every other
// column is written as it is.
class DescriptionRow : public DataSetRow
{
public:
    DescriptionRow(SqlDataSet &dataSet, const QString &personality)
        : DataSetRow(dataSet), m_dataSet(dataSet), m_personality(personality)
    {
    }

    void setValue(const QString &column, const QVariant &value) override
    {
        const int length = isDescription(column) ? m_dataSet.fieldMaxLength(column) : 0;
        if (length > 0 && value.metaType().id() == QMetaType::QString && value.toString().size() > length)
            DataSetRow::setValue(column, value.toString().left(length));
        else
            DataSetRow::setValue(column, value);
    }

private:
    bool isDescription(const QString &column) const
    {
        for (const DescriptionPair &pair : descriptionPairs(m_personality)) {
            if (pair.descriptionColumn == column)
                return true;
        }
        return false;
    }

    SqlDataSet &m_dataSet;
    QString m_personality;
};

} // namespace

void SampleEditorBase::startNewSample(SqlDataSet &data)
{
    DescriptionRow row(data, m_kind.personality);
    MaindmSampleServices services(*Maindm);
    initialiseNewSample(row, NewSampleSettings::fromSettings(*Maindm, m_kind.personality), services);
}

QString SampleEditorBase::StoredStatus() const
{
    if (qryData_->state() == SqlDataSet::dsInsert)
        return QString();
    return SqlUtil::scalar(LocalDatabase(), u"SELECT SAMPLE_STATUS__CODE FROM SAMPLE WHERE UNIQUE_UUID = ?"_s,
                           {qryData_->text(u"UNIQUE_UUID"_s)})
        .toString();
}

void SampleEditorBase::qryData_BeforePost()
{
    DataSetRow row(*qryData_);
    prepareSampleSave(row, m_sentAtSave, SampleSaveSettings::fromSettings(*Maindm),
                      []() { return Maindm->GetNewSampleCode(); }, Prompter::current());
    if (m_doValidation && !ValidateRecord())
        throw VarnexError(NotAllValidMessage);
    checkBeforeWrite();

    DescriptionContext descriptions;
    descriptions.lookups = m_lookups.get();
    descriptions.UseLAEMSPremisesCodes = m_useLAEMSPremisesCodes;
    descriptions.LocalAuthorityDescription = Maindm->LocalAuthorityDescription();
    descriptions.formListText = [this](const QString &list, const QString &code) { return formListText(list, code); };
    DescriptionRow fitted(*qryData_, m_kind.personality);
    applyDescriptions(fitted, m_kind.personality, descriptions);
}

void SampleEditorBase::writeSample(SqlDataSet &data, const std::function<void()> &write)
{
    trnLocal->StartTransaction();
    try {
        QString stored;
        if (data.state() == SqlDataSet::dsEdit) {
            // The row is locked until the commit: no pass changes its status in between.
            QSqlQuery q = SqlUtil::exec(LocalDatabase(),
                                        u"SELECT SAMPLE_STATUS__CODE FROM SAMPLE WHERE UNIQUE_UUID = ? WITH LOCK"_s,
                                        {data.text(u"UNIQUE_UUID"_s)});
            if (q.next())
                stored = q.value(0).toString();
        }
        if (sampleIsSent(stored) && !m_sentAtSave)
            throw SampleSentMeanwhile();
        DataSetRow(data).setText(u"SAMPLE_STATUS__CODE"_s, statusForSave(stored, m_doValidation));
        write();
        trnLocal->Commit();
    } catch (...) {
        try {
            trnLocal->Rollback();
        } catch (const VarnexError &) {
            // The failure that led here is the one to report.
        }
        throw;
    }
}

bool SampleEditorBase::typedEntriesReadable()
{
    // A date or time typed and not yet left is part of what is saved; one that cannot be read
    // stops the save, shown for correction.
    try {
        TzqcxDBEditorBase::RequireReadableEntries(this);
        return true;
    } catch (const VarnexError &e) {
        Prompter::current().error(Varnex::ProgramName, e.message());
        return false;
    }
}

bool SampleEditorBase::SaveSample(bool validate)
{
    if (!typedEntriesReadable() || !Editing())
        return false;
    m_doValidation = validate;
    // The questions of the save take the focus; the officer has not left an input for that.
    QScopedValueRollback<bool> saving(m_saving, true);
    // A pass that sends the sample while the save asks its questions makes it start again once,
    // this time as a sent sample; a second time the officer is told.
    for (int attempt = 0;; ++attempt) {
        try {
            m_sentAtSave = sampleIsSent(StoredStatus());
            qryData_BeforePost();
            qryData_->post();
            return true;
        } catch (const SampleSentMeanwhile &e) {
            if (attempt == 0)
                continue;
            Prompter::current().error(Varnex::ProgramName, e.message());
            return false;
        } catch (const VarnexError &e) {
            Prompter::current().error(Varnex::ProgramName, e.message());
            return false;
        }
    }
}

bool SampleEditorBase::ValidateRecord()
{
    if (!Editing())
        return true;
    FocusController->ClearInvalidEntryList();
    DataSetRow row(*qryData_);
    const ValidationOutcome outcome = validateEditorSample(m_kind.rules, row, saveContext(), Prompter::current());
    for (const RuleFailure &failure : outcome.failures())
        FocusController->AddControlToInvalidList(TargetControl(failure.target), failure.message);
    FocusController->RaiseValidatationErrors();
    UpdateView();
    return outcome.isValid();
}

SampleRuleContext SampleEditorBase::saveContext() const
{
    return SampleRuleContext::fromSettings(*Maindm, m_lookups.get(), m_sentAtSave);
}

QString SampleEditorBase::formListText(const QString &list, const QString &code) const
{
    const bool offices = list == QLatin1String("qryLocalAuthOffice_");
    const GridModel *model = offices ? qryLocalAuthOffice_ : qrySampleOfficer_;
    const QString field = offices ? u"DESCRIPTION"_s : u"NAME"_s;
    for (int r = 0; r < model->rowCount(); ++r) {
        if (model->value(r, u"CODE"_s).toString() == code)
            return model->value(r, field).toString();
    }
    return QString();
}
