#include "samples/ClientOutcomes.h"

#include "base/VarnexError.h"
#include "remote/RemoteError.h"
#include "store/SqlUtil.h"

using namespace Qt::StringLiterals;

namespace {

QList<OutcomeChoice> choicesOf(const RemoteTable &table)
{
    QList<OutcomeChoice> choices;
    for (int r = 0; r < table.rowCount(); ++r)
        choices.append({table.value(r, u"CODE"_s).toString(), table.value(r, u"DESCRIPTION"_s).toString()});
    return choices;
}

} // namespace

QString outcomeHeadingDescription(const QString &headingCode)
{
    if (headingCode == OutcomeHeading::Labelling)
        return u"Labelling"_s;
    if (headingCode == OutcomeHeading::Enforcement)
        return u"Enforcement"_s;
    return QString();
}

ClientOutcomesSession::ClientOutcomesSession(const CentralServerSettings &settings) : m_server(settings) {}

void ClientOutcomesSession::Login()
{
    if (!m_server.Login({}, QString::fromLatin1(TDADataDm::ServiceUserName()),
                        QString::fromLatin1(TDADataDm::ServicePassword())))
        throw RemoteError(u"The central server refused the service account \"%1\"; the outcomes cannot be read or saved."_s
                              .arg(QString::fromLatin1(TDADataDm::ServiceUserName())));
}

namespace {

PickedOutcome pickedOf(const auto &rows, int r)
{
    return PickedOutcome{{rows.value(r, u"OUTCOME_CATEGORY__CODE"_s).toString(), rows.value(r, u"OUTCOME_CATEGORY_DESC"_s).toString()},
                         {rows.value(r, u"OUTCOME_RESULT_TEXT__CODE"_s).toString(),
                          rows.value(r, u"OUTCOME_RESULT_TEXT_DESC"_s).toString()}};
}

// The same pairs of codes, whatever their order.
bool samePairs(const QList<PickedOutcome> &a, const QList<PickedOutcome> &b)
{
    const auto keys = [](const QList<PickedOutcome> &list) {
        QStringList out;
        for (const PickedOutcome &p : list)
            out << p.category.code + QLatin1Char('\n') + p.outcome.code;
        out.sort();
        return out;
    };
    return keys(a) == keys(b);
}

} // namespace

SampleOutcomes ClientOutcomesSession::LoadOutcomes(const QString &sampleCode, const QString &headingCode)
{
    for (RemoteTable *table : {&m_server.tblClientOutcomeCategory, &m_server.tblClientOutcomeResultText}) {
        table->close();
        table->clearParams();
        table->setParam(u"HeadingCode"_s, headingCode);
        table->open();
    }
    RemoteTable &results = m_server.tblClientOutcomeResult;
    results.close();
    results.clearParams();
    results.setParam(u"HeadingCode"_s, headingCode);
    results.setParam(u"SampleCode"_s, sampleCode);
    results.open();

    SampleOutcomes loaded;
    loaded.categories = choicesOf(m_server.tblClientOutcomeCategory);
    loaded.outcomes = choicesOf(m_server.tblClientOutcomeResultText);
    for (int r = 0; r < results.rowCount(); ++r)
        loaded.picked.append(pickedOf(results, r));
    return loaded;
}

DataTable ClientOutcomesSession::savedRows(const QString &sampleCode, const QString &headingCode)
{
    return m_server.ClientAdapterAdapter.Open(m_server.tblClientOutcomeResult.logicalName(),
                                              {{u"SampleCode"_s, sampleCode}, {u"HeadingCode"_s, headingCode}});
}

QList<PickedOutcome> ClientOutcomesSession::savedOutcomes(const QString &sampleCode, const QString &headingCode)
{
    const DataTable rows = savedRows(sampleCode, headingCode);
    QList<PickedOutcome> saved;
    for (int r = 0; r < rows.rowCount(); ++r)
        saved.append(pickedOf(rows, r));
    return saved;
}

void ClientOutcomesSession::SaveOutcomes(const QString &sampleCode, const QString &headingCode,
                                         const QList<PickedOutcome> &picked)
{
    // What the server holds now, not what was shown when the dialog opened.
    const QList<Wire::DatasetParam> params = {{u"SampleCode"_s, sampleCode}, {u"HeadingCode"_s, headingCode}};
    const QString dataset = m_server.tblClientOutcomeResult.logicalName();
    const DataTable saved = savedRows(sampleCode, headingCode);
    QList<Wire::RowChange> changes;
    for (int r = 0; r < saved.rowCount(); ++r)
        changes.append({Wire::RowChange::Delete, {{u"ID"_s, saved.value(r, u"ID"_s)}}, {}});
    const QString headingDescription = outcomeHeadingDescription(headingCode);
    for (const PickedOutcome &p : picked)
        changes.append({Wire::RowChange::Insert,
                        {},
                        {{u"SAMPLE__CODE"_s, sampleCode},
                         {u"OUTCOME_HEADING__CODE"_s, headingCode},
                         {u"OUTCOME_HEADING_DESC"_s, headingDescription},
                         {u"OUTCOME_CATEGORY__CODE"_s, p.category.code},
                         {u"OUTCOME_CATEGORY_DESC"_s, p.category.description},
                         {u"OUTCOME_RESULT_TEXT__CODE"_s, p.outcome.code},
                         {u"OUTCOME_RESULT_TEXT_DESC"_s, p.outcome.description}}});
    if (changes.isEmpty())
        return;
    try {
        m_server.ClientAdapterAdapter.ApplyChanges(dataset, changes, params);
    } catch (const ServerError &) {
        throw; // refused: the server applied none of it
    } catch (const RemoteError &lost) {
        // The change set may have been applied before its answer was lost: what the server holds
        // tells.
        QList<PickedOutcome> now;
        try {
            now = savedOutcomes(sampleCode, headingCode);
        } catch (const VarnexError &e) {
            throw OutcomesSaveUnknown(u"the server's answer was lost (%1), and what it holds could not be read again (%2)."_s
                                          .arg(lost.message(), e.message()));
        }
        if (!samePairs(now, picked))
            throw RemoteError(u"the server's answer was lost (%1), and it does not hold the outcomes as picked."_s.arg(lost.message()));
    }
}

void SetProsecutionOnServer(const CentralServerSettings &settings, const QString &sampleCode)
{
    TDADataDm server(settings);
    // Refused login throws (the client's service-account rule), so no flag is ever set locally
    // for a server that did not take it.
    server.SetProsecutionForSample(sampleCode, true);
}

void SetLocalProsecutionFlag(const QSqlDatabase &db, const QString &sampleCode)
{
    // One statement, committed by itself.
    SqlUtil::exec(db, u"UPDATE SAMPLE SET FLAG_PROSECUTION = 'T' WHERE CODE = ?"_s, {sampleCode});
}
