#pragma once

#include "gui/IBCompatibleBaseMaint_FRM.h"
#include "gui/ZQCXDBEditControls.h"

class TSampleTemplateGroupMaintFRMDefaults : public TIBCompatibleBaseMaintFrmDefaults
{
};

// The groups of the food sample templates: the food template rows with PARENT_ID -1 that are not
// retired, each with the number of live templates it holds. A new group takes its identity from one
// value of GEN_SAMPLE_TEMPLATE_ID; its name (TEMPLATE_DESCRIPTION, at most 50 characters) is copied
// into TEMPLATE_GROUP at every save. Delete retires a group, and only one that holds no templates.
class TSampleTemplateGroupMaintFRM : public TIBCompatibleBaseMaintfrm
{
    Q_OBJECT
public:
    static QString FormKey() { return QStringLiteral("Groups"); }
    // Opens the group list modally in maintenance mode under its key, owned by owner.
    static void ShowGroups(QObject *owner);

    explicit TSampleTemplateGroupMaintFRM(QObject *AOwner);

    TzqcxDBTextEdit *edtGroupName;

protected:
    void NewRecord(SqlDataSet &row) override;
    void BeforePost(SqlDataSet &row) override;
    void actDeleteExecute() override;
};
