#pragma once

#include "gui/GroupedGridView.h"

#include <QList>
#include <QString>
#include <QStringList>

class TSamplePrintDM;

// What sets one personality's sample browser apart from the other's: the samples it lists, the
// columns it shows, where the outcomes of a completed sample come from, and which reports and
// actions it offers. The food browser is SampleBrowserConfig::food().
//
// Every statement the browsers run is written here too, beside the columns it reads, so that a
// change of the list's make-up is made in one file.
struct SampleBrowserConfig
{
    enum class OutcomeSource {
        ResultBlob,   // the sample's CDS_OUTCOMES
        OutcomeTable, // the rows of OUTCOME for the sample's code (UNIQUE_ID, FAIL_CODE_2, FAIL_GROUP, DETAILS)
    };

    QString personality;              // RECORD_TYPE of the samples listed, and what the actions pass on
    bool listsDeletedSamples = false; // rows marked deleted or "DELETED" listed on the All tab
    bool needsStatusRow = false;      // a sample whose status has no SAMPLE_STATUS row is left out
    // The list's columns as SQL over SAMPLE S, SAMPLE_STATUS SS and the sample officer SO of
    // listFrom (code-owned text, no values); they name ID, UNIQUE_UUID, CODE, SAMPLE_OFFICER_NAME,
    // PREMISES_NAME, SAMPLE_DATE, SAMPLE_STATUS__CODE, COLOUR and LABORATORY_COMMENTS at least. The result blobs are never among
    // them: the results pane reads the current sample's by its UNIQUE_UUID.
    QString listColumns;
    QList<GridColumnDef> columns;
    QStringList completeTabColumns; // shown on the Complete tab only
    QList<GridColumnDef> resultColumns;
    QList<GridColumnDef> outcomeColumns;
    OutcomeSource outcomes = OutcomeSource::ResultBlob;
    // The side panel's actions the personality does not offer (their object names): never shown.
    QStringList absentActions;
    bool clearsSelectionAfterDelete = true;
    bool limitsDates = true; // the date editors take 1 January 1980 to 1 January 2050 only
    QString selectAllCaption;
    QString clearSelectionCaption;
    void (TSamplePrintDM::*printForm)() = nullptr;
    void (TSamplePrintDM::*printResults)() = nullptr;

    // The FROM clause the list's columns are read from.
    QString listFrom() const;

    static SampleBrowserConfig food();
    static SampleBrowserConfig animalFeed();

    // The statements. Values are bound, never spliced: the named parameters of the list are
    // RECORD_TYPE, FLAG_SET and DELETED_STATUS, the other statements take theirs by position.

    // The list of the personality's samples, before the tab's and the filter's conditions.
    QString listSql() const;
    // The statuses, in the order of the tabs: CODE, DESCRIPTION, COLOUR.
    static QString statusesSql();
    // The names a filter drop-down offers: the distinct values of a column of SAMPLE (an
    // identifier already quoted) for one RECORD_TYPE.
    static QString filterNamesSql(const QString &quotedColumn);
    // The current sample's results pane, by UNIQUE_UUID: the result blob, the outcome blob (NULL
    // for a personality whose outcomes are rows of OUTCOME), the laboratory's comments and CODE.
    QString resultsPaneSql() const;
    // The rows of OUTCOME for a sample code.
    static QString outcomeRowsSql();
    // UNIQUE_UUID and status of the samples a condition on S picks.
    static QString selectedSamplesSql(const QString &condition);
    // Deletes or cancels the sample with the UNIQUE_UUID, as its status decides.
    static QString deleteSampleSql();
};
