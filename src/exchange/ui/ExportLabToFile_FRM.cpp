#include "exchange/ui/ExportLabToFile_FRM.h"

#include "exchange/SampleExport_DM.h"

#include <QApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

TExportLabToFileFrm::TExportLabToFileFrm(QObject *AOwner) : TExportLabWizard(AOwner)
{
    SetSendTitles(QStringLiteral("Save to file"),
                  QStringLiteral("Choose the location to save the file to, then click on ''Save'' to export the data to "
                                 "that location."));
    ShellModel = new QFileSystemModel(this);
    ShellModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    ShellModel->setRootPath(QDir::rootPath());
    ShellView = new QTreeView(JvwSend);
    ShellView->setObjectName(QStringLiteral("ShellView"));
    ShellView->setModel(ShellModel);
    ShellView->setRootIndex(ShellModel->index(QDir::rootPath()));
    for (int column = 1; column < ShellModel->columnCount(); ++column)
        ShellView->hideColumn(column);
    ShellView->header()->hide();
    ShellView->setSelectionMode(QAbstractItemView::SingleSelection);
    // The home folder is shown open, but nothing is chosen until the officer chooses it.
    const QModelIndex home = ShellModel->index(QDir::homePath());
    ShellView->expand(home);
    ShellView->scrollTo(home);
    connect(ShellView->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this]() { UpdateButtons(); });
    SendContent()->addWidget(ShellView, 1);
    FinishSendPage();
    btnSend->setText(QStringLiteral("Save"));
}

QString TExportLabToFileFrm::OfficersSql() const
{
    // Every officer with validated samples, whatever their personality.
    return QStringLiteral("SELECT SO.NAME FROM SAMPLE_OFFICER SO "
                          "JOIN SAMPLE S ON S.SAMPLE_OFFICER__CODE = SO.CODE "
                          "WHERE S.SAMPLE_STATUS__CODE = :STATUS AND SO.NAME IS NOT NULL GROUP BY SO.NAME");
}

QString TExportLabToFileFrm::SelectedFolder() const
{
    const QModelIndexList chosen = ShellView->selectionModel()->selectedRows();
    return chosen.isEmpty() ? QString() : ShellModel->filePath(chosen.first());
}

void TExportLabToFileFrm::SelectFolder(const QString &path)
{
    const QModelIndex index = ShellModel->index(path);
    if (!index.isValid()) {
        ShellView->clearSelection();
        return;
    }
    ShellView->scrollTo(index);
    ShellView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TExportLabToFileFrm::Send()
{
    const int lab = SelectedLab();
    const QStringList officers = FOfficerList;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        Engine()->DeliverToFile(FPersonality, FLabCodes.value(lab).first, LabCaption(lab), SelectedFolder(), QString(),
                                officers);
    } catch (const VarnexError &e) {
        QApplication::restoreOverrideCursor();
        SendFinished(false, e.message());
        return;
    }
    QApplication::restoreOverrideCursor();
    SendFinished(true, QString());
}
