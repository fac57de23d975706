#include "samples/SampleValidator_DM.h"

#include "base/Clock.h"
#include "base/ProductNames.h"
#include "core/Main_DM.h"
#include "samples/SampleProfiles.h"
#include "samples/SampleRecord.h"
#include "store/SqlUtil.h"
#include "store/StatementCache.h"

#include <QSqlRecord>

namespace {

const QString RecordTypeColumn = QStringLiteral("RECORD_TYPE");
const QString SelectSample = QStringLiteral("SELECT * FROM SAMPLE WHERE ID = ?");

// Writes the columns whose values differ between the two readings of the row. The few sets of
// columns that validation changes give as few statements.
void writeChanges(StatementCache &statements, qint64 id, const QVariantMap &before, const QVariantMap &after)
{
    QStringList assignments;
    QVariantList values;
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (before.value(it.key()) == it.value())
            continue;
        SqlUtil::requireIdentifier(it.key(), "sample column");
        assignments << SqlUtil::quoteIdentifier(it.key()) + QStringLiteral(" = ?");
        values << it.value();
    }
    if (assignments.isEmpty())
        return;
    values << id;
    statements.exec(QStringLiteral("UPDATE SAMPLE SET %1 WHERE ID = ?").arg(assignments.join(QStringLiteral(", "))), values);
}

} // namespace

TSampleValidatorDM::TSampleValidatorDM(const QSqlDatabase &db, const SampleRuleContext &context,
                                       bool AllowInvalidSampleImport, StatementCache *statements)
    : m_db(db), m_context(context), m_allowInvalid(AllowInvalidSampleImport), m_statements(statements)
{
    // Nothing is cleared against the lookup lists here: the import did that before it stored the
    // row.
    m_context.lookups = nullptr;
    m_context.sent = false;
}

TSampleValidatorDM::TSampleValidatorDM(TMaindm &maindm, StatementCache *statements)
    : TSampleValidatorDM(maindm.ibConnection(), SampleRuleContext::fromSettings(maindm, nullptr, false),
                         maindm.AllowInvalidSampleImport, statements)
{
}

QString TSampleValidatorDM::NoSampleMessage(qint64 Id)
{
    return QStringLiteral("No sample with id %1 exists.").arg(Id);
}

QString TSampleValidatorDM::UnknownRecordTypeMessage(const QString &recordType)
{
    return QStringLiteral("The record type \"%1\" is neither \"%2\" nor \"%3\", so the sample cannot be validated.")
        .arg(recordType, Varnex::PersonalityFood, Varnex::PersonalityAnimalFeed);
}

bool TSampleValidatorDM::ValidateRecord(qint64 Id)
{
    m_invalidList.clear();
    StatementCache own(m_db);
    StatementCache &statements = m_statements ? *m_statements : own;
    QSqlQuery &query = statements.exec(SelectSample, {Id});
    if (!query.next()) {
        m_invalidList << NoSampleMessage(Id);
        return false;
    }
    // The columns' names, described once for the statements of a run.
    if (m_columns.isEmpty() || !m_statements) {
        const QSqlRecord &record = statements.record(SelectSample);
        m_columns.clear();
        for (int i = 0; i < record.count(); ++i)
            m_columns << record.fieldName(i).toUpper();
    }
    QVariantMap values;
    for (int i = 0; i < m_columns.size(); ++i)
        values.insert(m_columns.at(i), query.value(i));
    const QVariantMap stored = values;
    VariantMapRow row(values);

    SampleRuleContext context = m_context;
    context.today = Clock::instance().today();
    const QString recordType = row.text(RecordTypeColumn);
    QStringList messages;
    if (recordType == Varnex::PersonalityFood)
        messages = runRules(foodStoredProfile(), row, context).messages();
    else if (recordType == Varnex::PersonalityAnimalFeed)
        messages = runRules(animalFeedStoredProfile(), row, context).messages();
    else
        messages << UnknownRecordTypeMessage(recordType);
    fillNotAvailable(row);
    const QString number = row.text(QStringLiteral("LA_SAMPLENO"));

    if (messages.isEmpty()) {
        setStatusAfterValidation(row, false);
        writeChanges(statements, Id, stored, values);
        m_invalidList << QStringLiteral("Sample ") + number + QStringLiteral(" created and validated");
        return true;
    }
    m_invalidList = messages;
    if (m_allowInvalid)
        writeChanges(statements, Id, stored, values);
    else
        statements.exec(QStringLiteral("DELETE FROM SAMPLE WHERE ID = ?"), {Id});
    m_invalidList << QStringLiteral("Sample ") + number + QStringLiteral(" did not validate.");
    return false;
}
