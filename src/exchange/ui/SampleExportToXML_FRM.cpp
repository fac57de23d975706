#include "exchange/ui/SampleExportToXML_FRM.h"

#include "base/Clock.h"
#include "core/Main_DM.h"
#include "exchange/SampleExportToXml_DM.h"
#include "exchange/ui/FormActions.h"
#include "exchange/ui/PersonalityBand.h"
#include "reference/LookupData_DM.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

// The hourglass while the export works, the arrow back on every way out.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

} // namespace

TSampleExportToXMLFrm::TSampleExportToXMLFrm(QObject *AOwner) : TIBBaseAdvancedfrm(AOwner)
{
    setWindowTitle(QStringLiteral("Sample export"));
    buildWidgets();
}

void TSampleExportToXMLFrm::buildWidgets()
{
    lblHeader = PersonalityBand::makeCaption(RzPanel2);
    lblHeader->setText(QStringLiteral("  Export completed samples to XML"));

    auto *layout = new QVBoxLayout(ClientArea);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);

    chkAllSamples = new QCheckBox(QStringLiteral("Only samples that have been added or have changed since last export"),
                                  ClientArea);
    chkAllSamples->setObjectName(QStringLiteral("chkAllSamples"));
    chkAllSamples->setChecked(true);
    layout->addWidget(chkAllSamples);

    auto *since = new QHBoxLayout;
    chkSamplesTakenSince = new QCheckBox(QStringLiteral("Only samples taken since :"), ClientArea);
    chkSamplesTakenSince->setObjectName(QStringLiteral("chkSamplesTakenSince"));
    since->addWidget(chkSamplesTakenSince);
    edtSampleDate = new TzqcxDateEdit(ClientArea);
    edtSampleDate->setObjectName(QStringLiteral("edtSampleDate"));
    edtSampleDate->SetBlankAllowed(false);
    edtSampleDate->setDate(Clock::instance().today().addDays(-7));
    edtSampleDate->setEnabled(false);
    edtSampleDate->setMinimumWidth(130);
    since->addWidget(edtSampleDate);
    since->addStretch(1);
    layout->addLayout(since);

    lblCount = new QLabel(ClientArea);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    layout->addWidget(lblCount);

    auto *progress = new QHBoxLayout;
    lblProcessed = new QLabel(QStringLiteral("Processed:"), ClientArea);
    lblProcessed->setObjectName(QStringLiteral("lblProcessed"));
    progress->addWidget(lblProcessed);
    meter = new QProgressBar(ClientArea);
    meter->setObjectName(QStringLiteral("meter"));
    meter->setRange(0, 1);
    meter->setValue(0);
    progress->addWidget(meter, 1);
    layout->addLayout(progress);
    layout->addStretch(1);

    connect(chkSamplesTakenSince, &QCheckBox::toggled, this, [this]() { chkSamplesTakenSinceClick(); });

    actExportSamples = new QAction(QStringLiteral("Export samples"), this);
    actExportSamples->setObjectName(QStringLiteral("RzButton2"));
    connectShowingErrors(actExportSamples, this, &TSampleExportToXMLFrm::actExportSamplesExecute,
                         [this]() { actExportSamples->setEnabled(true); });
    addAction(actExportSamples);
    AddButton(actExportSamples)->setMinimumWidth(130);
    resize(620, 300);
}

void TSampleExportToXMLFrm::chkSamplesTakenSinceClick()
{
    edtSampleDate->setEnabled(chkSamplesTakenSince->isChecked());
    edtSampleDate->setDate(Clock::instance().today().addDays(-7));
}

void TSampleExportToXMLFrm::actExportSamplesExecute()
{
    TSampleExportToXmlDm::TCompletedSelection selection;
    selection.ChangedOnly = chkAllSamples->isChecked();
    if (chkSamplesTakenSince->isChecked()) {
        edtSampleDate->RequireReadableEntry();
        selection.TakenSince = edtSampleDate->date();
    }
    StatusBar->clearMessage();
    meter->setRange(0, 1);
    meter->setValue(0);
    // The export keeps the window painted; nothing can be started again meanwhile.
    actExportSamples->setEnabled(false);
    QElapsedTimer painted;
    const auto progress = [this, &painted](int done, int total) {
        if (done == 0) {
            lblCount->setText(QStringLiteral("(%1 samples)").arg(total));
            meter->setRange(0, std::max(total, 1));
        }
        meter->setValue(std::min(done, meter->maximum()));
        // The window is painted a few times a second, not after every sample.
        if (done == 0 || done == total || !painted.isValid() || painted.elapsed() >= 50) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            painted.start();
        }
    };
    if (!Maindm)
        throw VarnexError(QStringLiteral("The local store is not open."));
    std::unique_ptr<TVRXSampleXMLDM> own;
    TVRXSampleXMLDM *generator = VRXSampleXMLDM;
    if (!generator) {
        own = std::make_unique<TVRXSampleXMLDM>(*Maindm);
        generator = own.get();
    }
    TSampleExportToXmlDm exporter(LocalDatabase(), *Maindm, LookupDataDm);
    TSampleExportToXmlDm::TExportResult result;
    {
        WaitCursor wait;
        result = exporter.ExportCompleted(selection, *generator, progress);
    }
    if (!result.FileName.isEmpty())
        StatusBar->showMessage(QStringLiteral("%1 samples exported to %2")
                                   .arg(result.Exported)
                                   .arg(QDir::toNativeSeparators(result.FileName)));
}
