#pragma once

#include "gui/IBCompatibleBaseMaint_FRM.h"
#include "gui/ZQCXDBEditControls.h"

class TLocalAuthOfficeMaintFrmDefaults : public TIBCompatibleBaseMaintFrmDefaults
{
public:
    // Set by callers to the authority code; the form takes the code from the store's settings.
    QString LocalAuth;
};

// The offices of the user's authority (LOCAL_AUTH_OFFICE): only that authority's rows that are not
// deleted are listed. An office's national code (CODE) is the authority code followed by its own
// code, set on every save; an office to which officers that are not deleted are assigned cannot be
// deleted. As a picker it answers the chosen office's national code.
class TLocalAuthOfficeMaintFrm : public TIBCompatibleBaseMaintfrm
{
    Q_OBJECT
public:
    static QString OfficersAssignedMessage()
    {
        return QStringLiteral("You can't delete an office while it has sample officers assigned to it, please "
                              "remove all officers from the office first.");
    }

    explicit TLocalAuthOfficeMaintFrm(QObject *AOwner);

    TzqcxDBTextEdit *edtOfficeCode;
    TzqcxDBTextEdit *edtDescription;

protected:
    void PrepareQuery() override;
    void BeforePost(SqlDataSet &row) override;
    void actDeleteExecute() override;
};
