#include "reports/ReportOutput.h"

#include "base/AtomicFile.h"
#include "base/VarnexError.h"
#include "reports/ReportDocument.h"

#include <QDir>
#include <QRegularExpression>

namespace {

class NoOutput : public ReportOutput
{
public:
    void show(const ReportDocument &document) override
    {
        throw VarnexError(QStringLiteral("The report \"%1\" cannot be shown: this run of the program has no window to "
                                         "preview it in.")
                              .arg(document.title()));
    }
};

NoOutput g_noOutput;
ReportOutput *g_current = nullptr;

} // namespace

ReportOutput &ReportOutput::current()
{
    return g_current ? *g_current : g_noOutput;
}

void ReportOutput::setCurrent(ReportOutput *output)
{
    g_current = output;
}

ScopedReportOutput::ScopedReportOutput(ReportOutput *output) : m_previous(g_current)
{
    ReportOutput::setCurrent(output);
}

ScopedReportOutput::~ScopedReportOutput()
{
    ReportOutput::setCurrent(m_previous);
}

void PdfFileOutput::show(const ReportDocument &document)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9_ -]"));
    const QString name = QStringLiteral("%1-%2.pdf").arg(m_files.size() + 1).arg(document.title().replace(unsafe, QStringLiteral("_")));
    const QString path = QDir(m_folder).filePath(name);
    QString error;
    if (!saveFileAtomically(path, document.toPdf(), &error))
        throw VarnexError(error);
    m_files.append(path);
}
