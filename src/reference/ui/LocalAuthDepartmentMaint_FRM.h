#pragma once

#include "gui/IBCompatibleBaseMaint_FRM.h"
#include "gui/ZQCXDBEditControls.h"

class TLocalAuthDepartmentMaintFrmDefaults : public TIBCompatibleBaseMaintFrmDefaults
{
public:
    // Set by callers to the authority code; the form takes the code from the store's settings.
    QString LocalAuth;
};

// The departments of the user's authority (LOCAL_AUTH_DEPT, kept locally only): only that
// authority's rows that are not deleted are listed; the authority code is set on every save.
class TLocalAuthDepartmentMaintFrm : public TIBCompatibleBaseMaintfrm
{
    Q_OBJECT
public:
    explicit TLocalAuthDepartmentMaintFrm(QObject *AOwner);

    TzqcxDBTextEdit *edtDescription;
    TzqcxDBCheckBox *chkDeleted;

protected:
    void PrepareQuery() override;
    void BeforePost(SqlDataSet &row) override;
};
