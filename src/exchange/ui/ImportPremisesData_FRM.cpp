#include "exchange/ui/ImportPremisesData_FRM.h"

#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "core/Main_DM.h"
#include "exchange/PremisesImporter.h"
#include "exchange/ui/ImportScreenParts.h"
#include "exchange/ui/PersonalityBand.h"
#include "exchange/ui/TranslationTerms_FRM.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QVBoxLayout>

TImportPremisesInfoFrm::TImportPremisesInfoFrm(QObject *AOwner) : TIBBaseAdvancedfrm(AOwner)
{
    setWindowTitle(QStringLiteral("Import Premises Data"));
    buildWidgets();
}

void TImportPremisesInfoFrm::buildWidgets()
{
    lblHeader = PersonalityBand::makeCaption(RzPanel2);

    auto *layout = new QVBoxLayout(ClientArea);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);

    actOpenFileDialog = new QAction(QStringLiteral("Open File"), this);
    actOpenFileDialog->setObjectName(QStringLiteral("actOpenFileDialog"));
    edtDataFileName = ImportScreenParts::addFileRow(ClientArea, layout, actOpenFileDialog);

    chkEmptyFile = new QCheckBox(QStringLiteral("Remove current records"), ClientArea);
    chkEmptyFile->setObjectName(QStringLiteral("chkEmptyFile"));
    layout->addWidget(chkEmptyFile);

    auto *counts = new QGridLayout;
    counts->setHorizontalSpacing(12);
    using ImportScreenParts::addCount;
    lblRecordCount = addCount(ClientArea, counts, QStringLiteral("Records In File:"), "lblRecordCount");
    lblInserted = addCount(ClientArea, counts, QStringLiteral("Records Inserted:"), "lblInserted");
    lblUpdated = addCount(ClientArea, counts, QStringLiteral("Records Updated:"), "lblUpdated");
    lblSkipped = addCount(ClientArea, counts, QStringLiteral("Records Skipped:"), "lblSkipped");
    lblProcessed = addCount(ClientArea, counts, QStringLiteral("Records Processed:"), "lblProcessed");
    counts->setColumnStretch(2, 1);
    layout->addLayout(counts);

    RzMeter1 = new QProgressBar(ClientArea);
    RzMeter1->setObjectName(QStringLiteral("RzMeter1"));
    RzMeter1->setRange(0, 1);
    RzMeter1->setValue(0);
    layout->addWidget(RzMeter1);
    layout->addStretch();

    ImportScreenParts::connectImportActions(this);
    updateActions();
    resize(640, 380);
}

void TImportPremisesInfoFrm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    // Opened again from the other personality's action while a load runs, the screen keeps the
    // register it is writing to.
    if (!fLoadingInProgress) {
        FPersonality = Varnex::PersonalityFood;
        if (auto *defaults = dynamic_cast<TImportPremisesInfoFrmDefaults *>(DefaultInfo.get()))
            if (!defaults->Personality.isEmpty())
                FPersonality = defaults->Personality;
    }
    TIBBaseAdvancedfrm::InitialiseDefaults(std::move(DefaultInfo));
    PersonalityBand::show(RzPanel2, lblHeader, FPersonality, QStringLiteral("  Import Food premises"),
                          QStringLiteral("  Import Animal feed premises"));
}

void TImportPremisesInfoFrm::updateActions()
{
    const bool idle = !fLoadingInProgress;
    actOpenFileDialog->setEnabled(idle);
    actClose->setEnabled(idle);
    actTranslations->setEnabled(idle);
    chkEmptyFile->setEnabled(idle);
    edtDataFileName->setReadOnly(!idle);
    const QString file = edtDataFileName->text().trimmed();
    actLoadFromFIle->setEnabled(idle && !file.isEmpty() && QFileInfo(file).isFile());
}

bool TImportPremisesInfoFrm::FormCloseQuery()
{
    if (fLoadingInProgress)
        return false;
    return TIBBaseAdvancedfrm::FormCloseQuery();
}

void TImportPremisesInfoFrm::actOpenFileDialogExecute()
{
    const std::optional<QString> chosen = Prompter::current().openFileName(
        QStringLiteral("Open File"), QDir::homePath(),
        QStringLiteral("Premises files (*.csv *.txt *.xml *.CSV *.TXT *.XML);;All files (*)"));
    if (chosen)
        edtDataFileName->setText(*chosen);
    updateActions();
}

void TImportPremisesInfoFrm::actTranslationsExecute()
{
    auto defaults = std::make_unique<TTranslationTermsFrmDefaults>();
    defaults->TranslationType = FPersonality == Varnex::PersonalityFood ? TTranslationType::trnTypeFoodPremises
                                                                         : TTranslationType::trnTypeFeedPremises;
    TBasefrm::CreateAndShow<TTranslationTermsFrm>(QStringLiteral("Translations"), this, true, std::move(defaults));
}

void TImportPremisesInfoFrm::showCounts(const PremisesImportCounts &counts)
{
    lblRecordCount->setText(QString::number(counts.records));
    lblInserted->setText(QString::number(counts.inserted));
    lblUpdated->setText(QString::number(counts.updated));
    lblSkipped->setText(QString::number(counts.skipped));
    lblProcessed->setText(QString::number(counts.processed));
    RzMeter1->setRange(0, qMax(counts.records, 1));
    RzMeter1->setValue(counts.processed);
}

void TImportPremisesInfoFrm::actLoadFromFIleExecute()
{
    if (fLoadingInProgress)
        return;
    if (!Maindm)
        throw VarnexError(QStringLiteral("The local store is not open, so nothing can be imported."));
    PremisesImportSettings settings;
    settings.personality = FPersonality;
    settings.LocalAuthorityCode = Maindm->LocalAuthorityCode();
    settings.LocalAuthorityOfficeCode = Maindm->LocalAuthorityOfficeCode();
    settings.removeCurrentRecords = chkEmptyFile->isChecked();
    PremisesImporter importer(LocalDatabase(), settings);
    PremisesImportCounts shown;
    importer.Progress = [this, &shown](const PremisesImportCounts &counts) {
        shown = counts;
        showCounts(counts);
        QCoreApplication::processEvents();
    };

    fLoadingInProgress = true;
    showCounts(shown);
    updateActions();
    QString failure;
    try {
        importer.Load(edtDataFileName->text().trimmed());
    } catch (const VarnexError &e) {
        failure = e.message();
    }
    fLoadingInProgress = false;
    updateActions();
    if (!failure.isEmpty()) {
        // Nothing of the file was kept: only the number of records stays on show.
        PremisesImportCounts none;
        none.records = shown.records;
        showCounts(none);
        Prompter::current().error(Varnex::ProgramName, failure);
    }
}
