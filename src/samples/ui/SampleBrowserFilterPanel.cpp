#include "samples/ui/SampleBrowserFilterPanel.h"

#include "base/Clock.h"
#include "base/VarnexError.h"
#include "gui/ZQCXEditControls.h"
#include "samples/ui/SampleBrowserConfig.h"
#include "store/SqlUtil.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>

SampleBrowserFilterPanel::SampleBrowserFilterPanel(const QString &personality, bool limitsDates,
                                                   std::function<QSqlDatabase()> database, QWidget *parent)
    : QFrame(parent), m_personality(personality), m_database(std::move(database))
{
    setObjectName(QStringLiteral("pnlFilter"));
    setFrameShape(QFrame::StyledPanel);
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(8, 4, 8, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);

    const auto dropDown = [&](const char *name, const char *allName, QCheckBox **all) {
        auto *box = new QComboBox(this);
        box->setObjectName(QLatin1String(name));
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setMinimumContentsLength(12);
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->completer()->setFilterMode(Qt::MatchContains);
        box->completer()->setCaseSensitivity(Qt::CaseInsensitive);
        box->completer()->setCompletionMode(QCompleter::PopupCompletion);
        box->setEnabled(false);
        *all = new QCheckBox(QStringLiteral("All"), this);
        (*all)->setObjectName(QLatin1String(allName));
        (*all)->setChecked(true);
        return box;
    };
    cmbOfficer = dropDown("cmbOfficer", "chkAllOfficers", &chkAllOfficers);
    cmbPremises = dropDown("cmbPremises", "chkAllPremises", &chkAllPremises);
    // The list of names is read the first time the user wants one.
    connect(chkAllOfficers, &QCheckBox::toggled, this, [this](bool all) {
        cmbOfficer->setEnabled(!all);
        if (!all && !m_officersLoaded)
            emit namesWanted(cmbOfficer);
    });
    connect(chkAllPremises, &QCheckBox::toggled, this, [this](bool all) {
        cmbPremises->setEnabled(!all);
        if (!all && !m_premisesLoaded)
            emit namesWanted(cmbPremises);
    });

    const auto dateEdit = [&](const char *name, const char *todayName, QPushButton **today) {
        auto *edit = new TzqcxDateEdit(this);
        edit->setObjectName(QLatin1String(name));
        edit->SetBlankAllowed(false);
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 40);
        if (limitsDates)
            edit->setDateRange(QDate(1980, 1, 1), QDate(2050, 1, 1));
        *today = new QPushButton(QStringLiteral("Today"), this);
        (*today)->setObjectName(QLatin1String(todayName));
        (*today)->setAutoDefault(false);
        (*today)->setMaximumWidth((*today)->fontMetrics().horizontalAdvance((*today)->text()) + 24);
        connect(*today, &QPushButton::clicked, edit, [edit]() { edit->setDate(Clock::instance().today()); });
        return edit;
    };
    dteStart = dateEdit("dteStart", "btnStartToday", &btnStartToday);
    dteEnd = dateEdit("dteEnd", "btnEndToday", &btnEndToday);

    const auto pair = [](QWidget *first, QWidget *second) {
        auto *box = new QHBoxLayout;
        box->setSpacing(6);
        box->addWidget(first, 1);
        box->addWidget(second);
        return box;
    };
    grid->addWidget(new QLabel(QStringLiteral("Sampling officer"), this), 0, 0);
    grid->addLayout(pair(cmbOfficer, chkAllOfficers), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Premises name"), this), 0, 3);
    grid->addLayout(pair(cmbPremises, chkAllPremises), 0, 4);
    grid->addWidget(new QLabel(QStringLiteral("Start date"), this), 1, 0);
    grid->addLayout(pair(dteStart, btnStartToday), 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("End date"), this), 1, 3);
    grid->addLayout(pair(dteEnd, btnEndToday), 1, 4);
    grid->setColumnMinimumWidth(2, 12);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(4, 1);
    grid->setColumnStretch(5, 1);
    btnGo = new QPushButton(QStringLiteral("Go..."), this);
    btnGo->setObjectName(QStringLiteral("btnGo"));
    btnGo->setAutoDefault(false);
    connect(btnGo, &QPushButton::clicked, this, &SampleBrowserFilterPanel::goPressed);
    grid->addWidget(btnGo, 1, 6);
}

QList<GridCondition> SampleBrowserFilterPanel::Conditions() const
{
    QList<GridCondition> conditions;
    if (!chkAllOfficers->isChecked() && !cmbOfficer->currentText().isEmpty())
        conditions.append({QStringLiteral("SAMPLE_OFFICER_NAME"), GridCondition::Equal, cmbOfficer->currentText()});
    if (!chkAllPremises->isChecked() && !cmbPremises->currentText().isEmpty())
        conditions.append({QStringLiteral("PREMISES_NAME"), GridCondition::Equal, cmbPremises->currentText()});
    // Both ends count.
    conditions.append({QStringLiteral("SAMPLE_DATE"), GridCondition::GreaterOrEqual, dteStart->date()});
    conditions.append({QStringLiteral("SAMPLE_DATE"), GridCondition::LessOrEqual, dteEnd->date()});
    return conditions;
}

void SampleBrowserFilterPanel::ShowAll()
{
    chkAllOfficers->setChecked(true);
    chkAllPremises->setChecked(true);
}

void SampleBrowserFilterPanel::RequireReadableDates() const
{
    dteStart->RequireReadableEntry();
    dteEnd->RequireReadableEntry();
}

void SampleBrowserFilterPanel::LoadNames(QComboBox *box)
{
    const QString column = box == cmbOfficer ? QStringLiteral("SAMPLE_OFFICER_NAME") : QStringLiteral("PREMISES_NAME");
    SqlUtil::requireIdentifier(column, "column");
    QSqlQuery q = SqlUtil::exec(m_database(), SampleBrowserConfig::filterNamesSql(SqlUtil::quoteIdentifier(column)),
                                {m_personality});
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    if (q.lastError().isValid())
        throw VarnexError(q.lastError().text());
    const QString typed = box->currentText();
    box->clear();
    box->addItems(names);
    box->setCurrentIndex(-1);
    box->setEditText(typed);
    (box == cmbOfficer ? m_officersLoaded : m_premisesLoaded) = true;
}
