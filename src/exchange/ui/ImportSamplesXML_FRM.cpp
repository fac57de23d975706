#include "exchange/ui/ImportSamplesXML_FRM.h"

#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "core/Main_DM.h"
#include "exchange/SampleImportXML_DM.h"
#include "exchange/SampleImporter.h"
#include "exchange/ui/ImportScreenParts.h"
#include "exchange/ui/PersonalityBand.h"
#include "exchange/ui/TranslationTerms_FRM.h"
#include "reference/LookupData_DM.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TImportSamplesInfoFrm::TImportSamplesInfoFrm(QObject *AOwner) : TIBBaseAdvancedfrm(AOwner)
{
    setWindowTitle(QStringLiteral("Import Samples Data"));
    buildWidgets();
}

TImportSamplesInfoFrm::~TImportSamplesInfoFrm() = default;

void TImportSamplesInfoFrm::buildWidgets()
{
    lblHeader = PersonalityBand::makeCaption(RzPanel2);

    auto *layout = new QVBoxLayout(ClientArea);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);

    actOpenFileDialog = new QAction(QStringLiteral("Open File"), this);
    actOpenFileDialog->setObjectName(QStringLiteral("actOpenFileDialog"));
    edtDataFileName = ImportScreenParts::addFileRow(ClientArea, layout, actOpenFileDialog);

    auto *counts = new QGridLayout;
    counts->setHorizontalSpacing(12);
    lblInserted = ImportScreenParts::addCount(ClientArea, counts, QStringLiteral("Records Inserted:"), "lblInserted");
    lblRefused = ImportScreenParts::addCount(ClientArea, counts, QStringLiteral("Records Refused:"), "lblRefused");
    counts->setColumnStretch(2, 1);
    layout->addLayout(counts);

    lblMessages = new QLabel(QStringLiteral("Messages:"), ClientArea);
    layout->addWidget(lblMessages);
    Memo1 = new QPlainTextEdit(ClientArea);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    layout->addWidget(Memo1, 1);
    // The trace shows only when it holds messages.
    lblMessages->hide();
    Memo1->hide();
    layout->addStretch();

    ImportScreenParts::connectImportActions(this);
    updateActions();
    resize(720, 420);
}

void TImportSamplesInfoFrm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    FPersonality = Varnex::PersonalityFood;
    if (auto *defaults = dynamic_cast<TImportSamplesInfoFrmDefaults *>(DefaultInfo.get())) {
        if (!defaults->Personality.isEmpty())
            FPersonality = defaults->Personality;
        m_programFolder = defaults->ProgramFolder;
    }
    if (m_programFolder.isEmpty())
        m_programFolder = QCoreApplication::applicationDirPath();
    TIBBaseAdvancedfrm::InitialiseDefaults(std::move(DefaultInfo));
    PersonalityBand::show(RzPanel2, lblHeader, FPersonality, QStringLiteral("  Import food samples"),
                          QStringLiteral("  Import Animal feed samples"));
}

void TImportSamplesInfoFrm::updateActions()
{
    const bool idle = !fLoadingInProgress;
    actOpenFileDialog->setEnabled(idle);
    actClose->setEnabled(idle);
    const QString file = edtDataFileName->text().trimmed();
    actLoadFromFIle->setEnabled(idle && !file.isEmpty() && QFileInfo(file).isFile());
    actTranslations->setEnabled(idle);
}

bool TImportSamplesInfoFrm::FormCloseQuery()
{
    if (fLoadingInProgress)
        return false;
    return TIBBaseAdvancedfrm::FormCloseQuery();
}

void TImportSamplesInfoFrm::actOpenFileDialogExecute()
{
    const std::optional<QString> chosen = Prompter::current().openFileName(
        QStringLiteral("Open File"), edtDataFileName->text(), QStringLiteral("XML files (*.xml *.XML);;All files (*)"));
    if (chosen)
        edtDataFileName->setText(*chosen);
    updateActions();
}

void TImportSamplesInfoFrm::actTranslationsExecute()
{
    auto defaults = std::make_unique<TTranslationTermsFrmDefaults>();
    defaults->TranslationType = FPersonality == Varnex::PersonalityFood ? TTranslationType::trnTypeFoodSample
                                                                         : TTranslationType::trnTypeFeedSample;
    defaults->ProgramFolder = m_programFolder;
    TBasefrm::CreateAndShow<TTranslationTermsFrm>(QStringLiteral("Translations"), this, true, std::move(defaults));
}

void TImportSamplesInfoFrm::trace(const QStringList &lines)
{
    if (lines.isEmpty())
        return;
    Memo1->appendPlainText(lines.join(QLatin1Char('\n')));
    lblMessages->show();
    Memo1->show();
}

void TImportSamplesInfoFrm::showCounts()
{
    lblInserted->setText(QString::number(m_inserted));
    lblRefused->setText(QString::number(m_refused));
}

void TImportSamplesInfoFrm::load(int &records)
{
    const QString fileName = edtDataFileName->text().trimmed();
    SampleImportChecks::RequireXmlName(fileName);
    if (!LookupDataDm)
        throw VarnexError(QStringLiteral("The lookup lists are not loaded, so nothing can be imported."));
    // The definitions are read at the first run; a run after a failed reading tries again.
    if (!fSampleImportDm)
        fSampleImportDm = SampleImportChecks::NewReader(m_programFolder, Maindm->XMlImportFieldDefsFile());
    TSampleImportXMLDM &reader = *fSampleImportDm;
    // All of the document is read before anything is written.
    records = SampleImportChecks::CountRecords(reader, fileName);

    SampleImporter importer(LocalDatabase(), reader, *LookupDataDm,
                            SampleImportSettings::fromSettings(*Maindm, FPersonality, false));
    importer.prepare();
    int number = 0;
    reader.ScanFile(fileName, [&](const SampleRecord &record) {
        ++number;
        QStringList messages;
        const QVariantMap inputs = importer.inputsFor(record, messages);
        try {
            importer.execute(inputs);
            ++m_inserted;
        } catch (const VarnexError &e) {
            ++m_refused;
            messages << QStringLiteral("The record was not imported: ") + e.message();
        }
        if (!messages.isEmpty())
            trace(QStringList{QStringLiteral("Record %1:").arg(number)} + messages);
        showCounts();
    });
}

void TImportSamplesInfoFrm::actLoadFromFIleExecute()
{
    fLoadingInProgress = true;
    m_inserted = 0;
    m_refused = 0;
    showCounts();
    Memo1->clear();
    lblMessages->hide();
    Memo1->hide();
    updateActions();
    int records = 0;
    QString failure;
    try {
        load(records);
    } catch (const VarnexError &e) {
        failure = e.message();
    }
    fLoadingInProgress = false;
    updateActions();
    if (!failure.isEmpty()) {
        if (m_inserted + m_refused > 0)
            failure = QStringLiteral("The import stopped after %1 of %2 records: %3")
                          .arg(m_inserted + m_refused)
                          .arg(records)
                          .arg(failure);
        Prompter::current().error(Varnex::ProgramName, failure);
    } else if (m_refused > 0) {
        Prompter::current().warning(Varnex::ProgramName,
                                    QStringLiteral("%1 of %2 records could not be imported; the messages say why.")
                                        .arg(m_refused)
                                        .arg(records));
    } else {
        Prompter::current().information(Varnex::ProgramName, QStringLiteral("Import Complete"));
    }
}
