#pragma once

#include "base/VarnexError.h"
#include "remote/DAData_DM.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <memory>

// What the authority did about a sample's result, kept on the central server: the client outcomes
// under a heading ("L" labelling, "X" enforcement) and the prosecution flag. The calls are blocking
// and meant for a worker thread; every failure is thrown with its message.

namespace OutcomeHeading {
inline const QString Labelling = QStringLiteral("L");
inline const QString Enforcement = QStringLiteral("X");
} // namespace OutcomeHeading

// "Labelling" for "L", "Enforcement" for "X", empty for any other heading.
QString outcomeHeadingDescription(const QString &headingCode);

// A category or an outcome text of a heading: its code and what the lists show.
struct OutcomeChoice
{
    QString code;
    QString description;
    friend bool operator==(const OutcomeChoice &, const OutcomeChoice &) = default;
};

// One chosen pair. It carries the codes it was picked with, so a description that two rows share,
// or a category that has left the list since, never writes another row's code.
struct PickedOutcome
{
    OutcomeChoice category;
    OutcomeChoice outcome;
    friend bool operator==(const PickedOutcome &, const PickedOutcome &) = default;
};

struct SampleOutcomes
{
    QList<OutcomeChoice> categories; // in the server's order
    QList<OutcomeChoice> outcomes;   // the same whatever category is selected
    QList<PickedOutcome> picked;     // saved for the sample under the heading
};

// A save whose answer was lost, when what the server holds could not be read again either: the
// outcomes may or may not have been saved.
class OutcomesSaveUnknown : public VarnexError
{
public:
    using VarnexError::VarnexError;
};

// The client outcomes of one sample under one heading, through the form's own central-server
// client, logged in with the service account.
class ClientOutcomesSession
{
public:
    explicit ClientOutcomesSession(const CentralServerSettings &settings);

    // Logs in; a refusal throws, so nothing is read or written without an account.
    void Login();
    SampleOutcomes LoadOutcomes(const QString &sampleCode, const QString &headingCode);
    // Replaces the saved outcomes of the sample under the heading with the picked ones: the saved
    // rows are read again and deleted and the picked ones inserted in one change set, which the
    // server applies all or none. When the change set went out but its answer was lost, what the
    // server holds is read again: holding the picked outcomes it is saved; otherwise the save
    // throws that they were not saved, or OutcomesSaveUnknown when they cannot be read again.
    void SaveOutcomes(const QString &sampleCode, const QString &headingCode, const QList<PickedOutcome> &picked);

    TDADataDm &server() { return m_server; }

private:
    // The outcomes saved for the sample under the heading, in the server's order.
    QList<PickedOutcome> savedOutcomes(const QString &sampleCode, const QString &headingCode);
    DataTable savedRows(const QString &sampleCode, const QString &headingCode);

    TDADataDm m_server;
};

// "Set prosecution": the server's sample of that code is flagged first (a refused login, a code
// the server lacks or any other failure throws and changes nothing); only then the local rows of
// that code take FLAG_PROSECUTION "T".
void SetProsecutionOnServer(const CentralServerSettings &settings, const QString &sampleCode);
void SetLocalProsecutionFlag(const QSqlDatabase &db, const QString &sampleCode);
