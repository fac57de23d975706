#pragma once

#include <QHash>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The food browser's mail merge: one Word document per selected sample, made from the authority's
// template "MergeTemplate/TemplateDoc.docx" beside the program. Every MERGEFIELD of the template's
// main document shows the value of the sample column its merge name maps to; other fields keep the
// result the template gives them. The documents go beside the program, named after the premises
// and the time, never over an existing file, each written whole or not at all, and each is opened
// when written.
//
// The document is changed as a stream of XML: everything the merge does not touch (namespace
// prefixes, other parts of the package) stays as the template has it.
class TSampleMailMerge : public QObject
{
    Q_OBJECT
public:
    // One sample's column values as text, by column name in capitals.
    using SampleValues = QHash<QString, QString>;

    // Works on the given connection; the template is looked for in programFolder and the
    // documents are written there.
    TSampleMailMerge(const QSqlDatabase &db, const QString &programFolder, QObject *parent = nullptr);

    void AddSampleToReport(const QString &uuid);
    void ClearSamples() { m_samples.clear(); }
    const QStringList &Samples() const { return m_samples; }

    QString TemplatePath() const;

    // Merges every selected sample, in selection order; returns the documents written. Throws
    // VarnexError: "No Samples selected to mail merge." for an empty selection; a template that is
    // missing or cannot be read is named before any sample is merged; a failure at a sample stops
    // there, the documents written before stay.
    QStringList DoMailMerge();

    // "merge name=COLUMN" for every merge name, sorted.
    static QStringList CreateFieldMappings();
    // The text a field shows: for a MERGEFIELD code (the keyword in capitals) the mapped column's
    // value ("" when the sample has no such column), or the code and " is not a valid Mail Merge
    // fieldname" for a merge name the table lacks; nothing for any other field, which keeps the
    // result the template gave it.
    static std::optional<QString> GetMergeFieldValue(const QString &fieldCode, const SampleValues &sample);

    // The merged document package of one sample. Throws VarnexError when the template is not a
    // document package this program can read.
    static QByteArray MergeSampleDocument(const QByteArray &templateDocx, const SampleValues &sample);

    // The document name for a sample: "<premises or New Document> d-M-yy hh-mm-ss.docx", cleaned
    // of characters file names cannot hold.
    static QString DocumentName(const QString &premisesName, const QDateTime &at);

    // Opens a written document; the program sets the desktop's opener, tests a recorder.
    std::function<void(const QString &path)> OpenDocument;

private:
    QList<SampleValues> LoadSamples() const;

    QSqlDatabase m_db;
    QString m_programFolder;
    QStringList m_samples;
};
