#pragma once

#include "exchange/ImportFields_UNT.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QIODevice;

// One text of a record: the path of the element that holds it below the record element
// ("[W|X]" for the text of X inside W inside the record element) and the text, normalised.
struct SampleRecordLine
{
    QString path;
    QString text;

    friend bool operator==(const SampleRecordLine &, const SampleRecordLine &) = default;
};
// The texts of one record element, in document order.
using SampleRecord = QList<SampleRecordLine>;

// Reads a sample file of any XML layout as records, as its field definitions say: every element
// at the record path is one record, and the texts inside it become its lines. The document is
// read part by part (libxml2's xmlTextReader) and only the record in hand is kept, so a file of
// any size costs the memory of one record. No DTD, external entity or network is ever read.
//
// A file is imported only when all of it is well-formed: ScanRecords reads the whole document and
// throws on the first fault before a caller has done anything with a record when it is called
// without a handler first (the import's first pass), so a truncated or broken file imports
// nothing.
class TSampleImportXMLDM
{
public:
    static QString DefaultRootElement() { return QStringLiteral("[QOVAData|Sample]"); }

    TSampleImportXMLDM() = default;

    // Reads a definitions file: the record path from its first line, the fields from the rest,
    // replacing earlier ones. Throws VarnexError (see LoadImportDefinitionsFile); the definitions
    // held before stay.
    void LoadFieldDefsFromFile(const QString &fileName);
    void SetDefinitions(ImportDefinitions definitions);
    bool HasDefinitions() const { return !m_fields.empty(); }

    // The record path; an empty one reads as the sample exchange document's.
    QString RootElement();
    void SetRootElement(const QString &path) { m_rootElement = path; }

    // "label=name" per field, in definition order.
    QStringList FieldList() const;
    const TImportFieldList &ImportFields() const { return m_fields; }
    // The first field whose Name is exactly the name; nullptr when there is none.
    TImportField *GetImportField(const QString &name) const;
    // The first field whose FieldLabel is exactly the label; nullptr when there is none.
    TImportField *FieldWithLabel(const QString &label) const;

    // Reads the document from the device (or the file) and hands every record, in document order,
    // to onRecord (which may be empty); returns the number of records. A record is handed over when
    // its element ends. Throws VarnexError naming the document, the line and the column when the
    // document is not well-formed, and whatever onRecord throws.
    int ScanRecords(QIODevice &device, const QString &documentName,
                    const std::function<void(const SampleRecord &)> &onRecord);
    int ScanFile(const QString &fileName, const std::function<void(const SampleRecord &)> &onRecord);

    // Sets Value of every field from the record, and empties TranslatedValue: for each of the
    // field's paths, in order, the text of the first line whose path equals it (letter case
    // ignored); the texts found are joined by ", ".
    void LoadValues(const SampleRecord &record);

private:
    QString m_rootElement;
    TImportFieldList m_fields;
    QHash<QString, QStringList> m_mappingPaths; // by mapping text

};
