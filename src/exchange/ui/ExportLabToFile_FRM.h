#pragma once

#include "exchange/ui/ExportLabWizard.h"

#include <functional>

class QFileSystemModel;
class QTreeView;

// Opens either laboratory export wizard: the personality whose samples are delivered.
class TExportLabFrmDefaults : public TIBBaseAdvancedfrmDefaults
{
public:
    QString Personality;
};

// What a wizard hands back to its owner when it finishes after a delivery.
class TExportLabFrmReturnInfo : public TIBBaseAdvancesFrmReturnInfo
{
public:
    QString LabCode;
    QStringList OfficerList;
    QString Personality;
};

// The file wizard: saves the chosen officers' validated samples for one laboratory as a ".enc"
// file into a folder chosen in the folder tree; "Save" is possible only while a folder is chosen.
// Its officers list shows every officer with validated samples, of either personality.
class TExportLabToFileFrm : public TExportLabWizard
{
    Q_OBJECT
public:
    explicit TExportLabToFileFrm(QObject *AOwner);

    QTreeView *ShellView = nullptr;
    QFileSystemModel *ShellModel = nullptr;

    // The folder chosen in the tree (empty when none is), and the way to choose one without the
    // mouse.
    QString SelectedFolder() const;
    void SelectFolder(const QString &path);

protected:
    QString OfficersSql() const override;
    bool SelectFirstLabOnEntry() const override { return false; }
    void Send() override;
    QString SentMessage() const override { return QStringLiteral("Samples have been successfully sent to file."); }
    bool SendPossible() const override { return !SelectedFolder().isEmpty(); }
};
