#include "reports/ui/ReportPreview.h"

#include "base/AtomicFile.h"
#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "reports/ReportDocument.h"

#include <QBoxLayout>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QToolBar>

namespace {

QString millimetres(double value)
{
    return QString::number(value, 'g', 4);
}

} // namespace

ReportPreviewDialog::Prepared ReportPreviewDialog::preparePrinter(const ReportDocument &document)
{
    auto *printer = new QPrinter(QPrinter::HighResolution);
    QString notice;
    const ReportPageSetup &page = document.definition().page;
    if (!page.printer.isEmpty()) {
        if (QPrinterInfo::availablePrinterNames().contains(page.printer)) {
            printer->setPrinterName(page.printer);
        } else {
            const QString fallback = QPrinterInfo::defaultPrinterName();
            notice = QStringLiteral("The label printer \"%1\" is not installed: the labels print on the default printer%2 "
                                    "at label size, %3 x %4 mm.")
                         .arg(page.printer,
                              fallback.isEmpty() ? QString() : QStringLiteral(" (\"%1\")").arg(fallback),
                              millimetres(page.size().width()), millimetres(page.size().height()));
        }
    }
    // The report places everything itself, margins included.
    printer->setFullPage(true);
    printer->setPageLayout(document.pageLayout());
    printer->setDocName(document.title());
    printer->setCreator(Varnex::ProgramName);
    return {printer, notice};
}

ReportPreviewDialog::ReportPreviewDialog(const ReportDocument &document, QWidget *parent)
    : ReportPreviewDialog(document, preparePrinter(document), parent)
{
}

ReportPreviewDialog::ReportPreviewDialog(const ReportDocument &document, Prepared prepared, QWidget *parent)
    : QPrintPreviewDialog(prepared.printer, parent), m_document(document), m_printer(prepared.printer),
      m_notice(prepared.notice)
{
    setWindowTitle(QStringLiteral("%1 - %2").arg(document.title(), Varnex::ProgramName));
    connect(this, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter *printer) {
        try {
            m_document.render(*printer);
        } catch (const VarnexError &e) {
            Prompter::current().error(Varnex::ProgramName, e.message());
        }
    });
    if (auto *toolBar = findChild<QToolBar *>()) {
        toolBar->addSeparator();
        QAction *save = toolBar->addAction(QIcon::fromTheme(QStringLiteral("document-save-as")), QStringLiteral("Save as PDF..."));
        save->setObjectName(QStringLiteral("actSaveAsPdf"));
        save->setToolTip(QStringLiteral("Save the report as a PDF file"));
        connect(save, &QAction::triggered, this, [this] { saveAsPdf(); });
    }
    if (!m_notice.isEmpty()) {
        m_noticeLabel = new QLabel(m_notice, this);
        m_noticeLabel->setObjectName(QStringLiteral("lblPrinterNotice"));
        m_noticeLabel->setWordWrap(true);
        m_noticeLabel->setStyleSheet(QStringLiteral("QLabel { background: #fff4c2; border: 1px solid #d8b600; padding: 6px; }"));
        if (auto *box = qobject_cast<QBoxLayout *>(layout()))
            box->insertWidget(0, m_noticeLabel); // a banner across the top
    }
    m_chooseFile = [this](const QString &suggested) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Save as PDF"), suggested, QStringLiteral("PDF files (*.pdf)"));
    };
    resize(900, 800);
}

ReportPreviewDialog::~ReportPreviewDialog() = default;

QString ReportPreviewDialog::notice() const
{
    return m_notice;
}

bool ReportPreviewDialog::saveAsPdf()
{
    QString name = m_document.title();
    name.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]")), QStringLiteral("_"));
    const QString path = m_chooseFile(QDir::home().filePath(name + QStringLiteral(".pdf")));
    if (path.isEmpty())
        return false;
    try {
        QString error;
        if (!saveFileAtomically(path, m_document.toPdf(), &error))
            throw VarnexError(error);
    } catch (const VarnexError &e) {
        Prompter::current().error(Varnex::ProgramName, e.message());
        return false;
    }
    return true;
}

void ReportPreviewOutput::show(const ReportDocument &document)
{
    ReportPreviewDialog dialog(document, m_parent);
    dialog.exec();
}
