#pragma once

#include "data/GridModel.h"

#include <QFrame>
#include <QSqlDatabase>

#include <functional>

class QCheckBox;
class QComboBox;
class QPushButton;
class TzqcxDateEdit;

// The sample browser's filter of the Complete and All tabs: the sampling officer and the premises
// by name, each "All" until the user unticks it, and the first and the last date sampled, both
// counted. The names a drop-down offers are read the first time the user wants them. Names above
// dates, so that the panel fits a browser no wider than a small screen.
//
// What can fail (reading the names, a date that cannot be read) is left to the form: the panel
// asks for it by its signals and the form runs it where it reports its failures.
class SampleBrowserFilterPanel : public QFrame
{
    Q_OBJECT
public:
    // personality: the RECORD_TYPE whose names the drop-downs offer; limitsDates: the date editors
    // take 1 January 1980 to 1 January 2050 only; database gives the form's connection.
    SampleBrowserFilterPanel(const QString &personality, bool limitsDates, std::function<QSqlDatabase()> database,
                             QWidget *parent);

    // The panel's conditions on the list: the officer and the premises when chosen, and both dates.
    QList<GridCondition> Conditions() const;
    // Both names back to "All".
    void ShowAll();
    // Fills the drop-down (cmbOfficer or cmbPremises) with the names the personality's samples
    // hold, keeping what the user typed. Throws VarnexError.
    void LoadNames(QComboBox *box);
    // Throws VarnexError for a date typed and not readable; the entry is kept for correction.
    void RequireReadableDates() const;

    QComboBox *cmbOfficer = nullptr;
    QCheckBox *chkAllOfficers = nullptr;
    QComboBox *cmbPremises = nullptr;
    QCheckBox *chkAllPremises = nullptr;
    TzqcxDateEdit *dteStart = nullptr;
    TzqcxDateEdit *dteEnd = nullptr;
    QPushButton *btnStartToday = nullptr;
    QPushButton *btnEndToday = nullptr;
    QPushButton *btnGo = nullptr;

signals:
    // "All" was unticked on a drop-down whose names have not been read yet.
    void namesWanted(QComboBox *box);
    // "Go..." was pressed.
    void goPressed();

private:
    QString m_personality;
    std::function<QSqlDatabase()> m_database;
    bool m_officersLoaded = false;
    bool m_premisesLoaded = false;
};
