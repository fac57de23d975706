#include "samples/ClientOutcomes.h"

#include "base/VarnexError.h"
#include "remote/RemoteError.h"
#include "store/SqlUtil.h"

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

QList<OutcomeChoice> choicesOf(const RemoteTable &table)
{
    QList<OutcomeChoice> choices;
    for (int r = 0; r < table.rowCount(); ++r)
        choices.append({table.value(r, S("CODE")).toString(), table.value(r, S("DESCRIPTION")).toString()});
    return choices;
}

} // namespace

QString outcomeHeadingDescription(const QString &headingCode)
{
    if (headingCode == OutcomeHeading::Labelling)
        return S("Labelling");
    if (headingCode == OutcomeHeading::Enforcement)
        return S("Enforcement");
    return QString();
}

ClientOutcomesSession::ClientOutcomesSession(const CentralServerSettings &settings) : m_server(settings) {}

void ClientOutcomesSession::Login()
{
    if (!m_server.Login({}, QString::fromLatin1(TDADataDm::ServiceUserName()),
                        QString::fromLatin1(TDADataDm::ServicePassword())))
        throw RemoteError(S("The central server refused the service account \"%1\"; the outcomes cannot be read or saved.")
                              .arg(QString::fromLatin1(TDADataDm::ServiceUserName())));
}

namespace {

PickedOutcome pickedOf(const auto &rows, int r)
{
    return PickedOutcome{{rows.value(r, S("OUTCOME_CATEGORY__CODE")).toString(), rows.value(r, S("OUTCOME_CATEGORY_DESC")).toString()},
                         {rows.value(r, S("OUTCOME_RESULT_TEXT__CODE")).toString(),
                          rows.value(r, S("OUTCOME_RESULT_TEXT_DESC")).toString()}};
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
        table->setParam(S("HeadingCode"), headingCode);
        table->open();
    }
    RemoteTable &results = m_server.tblClientOutcomeResult;
    results.close();
    results.clearParams();
    results.setParam(S("HeadingCode"), headingCode);
    results.setParam(S("SampleCode"), sampleCode);
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
                                              {{S("SampleCode"), sampleCode}, {S("HeadingCode"), headingCode}});
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
    const QList<Wire::DatasetParam> params = {{S("SampleCode"), sampleCode}, {S("HeadingCode"), headingCode}};
    const QString dataset = m_server.tblClientOutcomeResult.logicalName();
    const DataTable saved = savedRows(sampleCode, headingCode);
    QList<Wire::RowChange> changes;
    for (int r = 0; r < saved.rowCount(); ++r)
        changes.append({Wire::RowChange::Delete, {{S("ID"), saved.value(r, S("ID"))}}, {}});
    const QString headingDescription = outcomeHeadingDescription(headingCode);
    for (const PickedOutcome &p : picked)
        changes.append({Wire::RowChange::Insert,
                        {},
                        {{S("SAMPLE__CODE"), sampleCode},
                         {S("OUTCOME_HEADING__CODE"), headingCode},
                         {S("OUTCOME_HEADING_DESC"), headingDescription},
                         {S("OUTCOME_CATEGORY__CODE"), p.category.code},
                         {S("OUTCOME_CATEGORY_DESC"), p.category.description},
                         {S("OUTCOME_RESULT_TEXT__CODE"), p.outcome.code},
                         {S("OUTCOME_RESULT_TEXT_DESC"), p.outcome.description}}});
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
            throw OutcomesSaveUnknown(S("the server's answer was lost (%1), and what it holds could not be read again (%2).")
                                          .arg(lost.message(), e.message()));
        }
        if (!samePairs(now, picked))
            throw RemoteError(S("the server's answer was lost (%1), and it does not hold the outcomes as picked.").arg(lost.message()));
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
    SqlUtil::exec(db, S("UPDATE SAMPLE SET FLAG_PROSECUTION = 'T' WHERE CODE = ?"), {sampleCode});
}
