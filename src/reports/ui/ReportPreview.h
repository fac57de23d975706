#pragma once

#include "reports/ReportOutput.h"

#include <QPrintPreviewDialog>
#include <QString>

#include <functional>
#include <memory>

class QLabel;
class QPrinter;
class ReportDocument;

// The preview of one report on a printer: the report's printer when it names one that is
// installed, otherwise the default printer at the report's page size (a notice above the pages
// says so). Besides printing it saves the report as a PDF file.
class ReportPreviewDialog : public QPrintPreviewDialog
{
    Q_OBJECT
public:
    ReportPreviewDialog(const ReportDocument &document, QWidget *parent = nullptr);
    ~ReportPreviewDialog() override;

    // The notice shown above the pages; empty when there is none.
    QString notice() const;

    // Test seam: where "Save as PDF" asks for the file name (empty: cancelled).
    void setFileChooser(std::function<QString(const QString &suggested)> chooser) { m_chooseFile = std::move(chooser); }
    // Writes the report as PDF into the chosen file; false when nothing was written.
    bool saveAsPdf();

private:
    struct Prepared
    {
        QPrinter *printer;
        QString notice;
    };
    static Prepared preparePrinter(const ReportDocument &document);
    ReportPreviewDialog(const ReportDocument &document, Prepared prepared, QWidget *parent);

    const ReportDocument &m_document;
    std::unique_ptr<QPrinter> m_printer;
    QString m_notice;
    QLabel *m_noticeLabel = nullptr;
    std::function<QString(const QString &)> m_chooseFile;
};

// The program's report output: shows each report in a modal preview.
class ReportPreviewOutput : public ReportOutput
{
public:
    explicit ReportPreviewOutput(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParentWidget(QWidget *parent) { m_parent = parent; }

    void show(const ReportDocument &document) override;

private:
    QWidget *m_parent;
};
