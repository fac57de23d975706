#pragma once

// Where a finished report goes. The program shows it in a print preview (installed at start-up by
// the window layer); tests put in place an output that writes PDF files. Until one is installed,
// showing a report fails with a message, so that nothing waits on a window nobody can see.

#include <QString>
#include <QStringList>

class ReportDocument;

class ReportOutput
{
public:
    virtual ~ReportOutput() = default;

    // Shows (or writes) the report; throws VarnexError when it cannot.
    virtual void show(const ReportDocument &document) = 0;

    // The output in use.
    static ReportOutput &current();
    // The caller keeps ownership; nullptr goes back to the built-in output that refuses.
    static void setCurrent(ReportOutput *output);
};

// Installs an output for the lifetime of a scope and puts the previous one back.
class ScopedReportOutput
{
public:
    explicit ScopedReportOutput(ReportOutput *output);
    ~ScopedReportOutput();
    ScopedReportOutput(const ScopedReportOutput &) = delete;
    ScopedReportOutput &operator=(const ScopedReportOutput &) = delete;

private:
    ReportOutput *m_previous;
};

// Writes each report shown as a PDF file into a folder: "<n>-<title>.pdf", n counting from 1.
class PdfFileOutput : public ReportOutput
{
public:
    explicit PdfFileOutput(const QString &folder) : m_folder(folder) {}

    void show(const ReportDocument &document) override;

    // The files written, in order.
    const QStringList &files() const { return m_files; }

private:
    QString m_folder;
    QStringList m_files;
};
