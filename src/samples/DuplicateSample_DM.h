#pragma once

#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <optional>

// What the officer chose in the duplicate options dialog.
struct DuplicateSampleOptions
{
    bool UseSampleOfficer = false;
    bool UseDateTime = false;
    int NumberToCreate = 1;
    bool OpenAfterCreate = false;
};

// Copies a sample up to 50 times in one step: SAMPLE_DUPLICATE_R1 makes the copies, coded
// "DUPLICATE", and every row left with that code (of either personality, also from an earlier
// duplication that ended half way) then takes its own national code, all in one transaction of
// the module's own connection. Made for one call and freed afterwards.
class TDuplicateSampleDm
{
public:
    static constexpr int MaxCopies = 50;

    // Shows the options dialog; nothing when it is cancelled.
    using OptionsDialog = std::function<std::optional<DuplicateSampleOptions>()>;
    // TMaindm.GetNewSampleCode without a number.
    using CodeSource = std::function<QString()>;

    // db is the connection the module copies for its own transaction.
    TDuplicateSampleDm(const QSqlDatabase &db, OptionsDialog askOptions, CodeSource newCode);
    ~TDuplicateSampleDm();
    TDuplicateSampleDm(const TDuplicateSampleDm &) = delete;
    TDuplicateSampleDm &operator=(const TDuplicateSampleDm &) = delete;

    // Returns the UUID of the copy to open and sets Edit when exactly one copy was asked for with
    // "Open duplicate once created", both only once the copies are committed. A failure is shown
    // with its message and leaves no copy (rolled back); the result is then empty.
    QString DuplicateSample(const QString &uuid, bool &Edit);

private:
    QString m_connection;
    OptionsDialog m_askOptions;
    CodeSource m_newCode;
};
