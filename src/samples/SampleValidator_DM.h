#pragma once

#include "samples/SampleRules.h"

#include <QSqlDatabase>
#include <QStringList>

class StatementCache;
class TMaindm;

// Validates a sample already stored in SAMPLE, without a form: the stored-sample rules of its
// record type ("FOOD" or "ANIMAL FEED", SampleProfiles.h), the "N/A" fills, and then either the
// status "VALIDATED" or, for an invalid sample, its removal unless invalid imports are allowed.
// The command-line import validates each sample it has just written, in the transaction that
// wrote it.
//
// The row is read, written and removed by its ID on the given connection, inside whatever unit of
// work that connection is in. Given the statements of that unit of work (a run that validates
// sample after sample in one transaction), the validator prepares its statements there once and
// describes SAMPLE once; without them, each validation prepares its own. Database failures throw
// VarnexError; a failed rule is not an error.
class TSampleValidatorDM
{
public:
    // The durability year limits come from the context; the current year from the clock at each
    // validation. AllowInvalidSampleImport keeps an invalid sample (with its fills) instead of
    // removing it.
    TSampleValidatorDM(const QSqlDatabase &db, const SampleRuleContext &context, bool AllowInvalidSampleImport,
                       StatementCache *statements = nullptr);
    // On the main connection, with the authority's limits and TMaindm.AllowInvalidSampleImport.
    explicit TSampleValidatorDM(TMaindm &maindm, StatementCache *statements = nullptr);

    // Validates the sample whose ID is Id; true when it is valid, and now "VALIDATED". A record
    // type other than "FOOD" and "ANIMAL FEED" cannot be validated: the sample counts as invalid.
    bool ValidateRecord(qint64 Id);
    // The messages of the last validation, in the order of the rules, then the closing line
    // ("Sample <LA_SAMPLENO> created and validated" or "... did not validate.").
    const QStringList &InvalidList() const { return m_invalidList; }

    static QString NoSampleMessage(qint64 Id);
    static QString UnknownRecordTypeMessage(const QString &recordType);

private:
    QSqlDatabase m_db;
    SampleRuleContext m_context;
    bool m_allowInvalid;
    StatementCache *m_statements;
    QStringList m_columns; // SAMPLE's, upper case
    QStringList m_invalidList;
};
