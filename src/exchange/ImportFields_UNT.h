#pragma once

// The field definitions of the sample import: which procedure input each value goes to, its type,
// its label, its lookup list and the element paths that supply it, with the conversion and check
// of one value by its type.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

// The twelve field types, in this order; each has a word (FieldTypeAsString).
enum TImportFieldTypes {
    ifString,
    ifInteger,
    ifFloat,
    ifIgnore,
    ifBoolean,
    ifLookup,
    ifDate,
    ifTime,
    ifDateTime,
    ifXMLDate,
    ifXMLTime,
    ifXMLDateTime,
};

// One field of a definitions file and the value of the record being imported.
//
// ValidateTranslatedValue converts TranslatedValue by the field's type: on success the value is
// kept as what it is (a number, a date, a time) and TranslatedValue shows its canonical text in
// the user's regional formats; the TranslatedValueAs... operations hand back the kept value, so a
// date never goes through its regional text again (where a two-digit year would land in the
// wrong century). The forms a value is read in are the same in every locale (day/month/year,
// hours and minutes with or without seconds, a point before decimals); the regional forms of the
// default QLocale are read as well, after those.
class TImportField
{
public:
    TImportField() = default;

    QString Name() const { return m_name; }
    void SetName(const QString &name) { m_name = name; }
    TImportFieldTypes FieldType() const { return m_fieldType; }
    void SetFieldType(TImportFieldTypes type) { m_fieldType = type; }
    QString LookupDatasetName() const { return m_lookupDatasetName; }
    void SetLookupDatasetName(const QString &name) { m_lookupDatasetName = name; }
    QString FieldLabel() const { return m_fieldName; }
    void SetFieldLabel(const QString &label) { m_fieldName = label; }
    // The element paths, one per line.
    QString Mapping() const { return m_mapping; }
    void SetMapping(const QString &mapping) { m_mapping = mapping; }
    QString Value() const { return m_value; }
    void SetValue(const QString &value) { m_value = value; }
    QString TranslatedValue() const { return m_translatedValue; }
    // A new translated value forgets the value converted from the one before.
    void SetTranslatedValue(const QString &value);
    // The message of the last failed validation; a later success does not clear it.
    QString LogEntry() const { return m_logEntry; }
    void SetLogEntry(const QString &entry) { m_logEntry = entry; }
    // The result of the last validation; false for a new field.
    bool CanImport() const { return m_canImport; }

    // The type's word ("String", "XMLDateTime", ...).
    QString FieldTypeAsString() const;
    // Sets the type from a word in any letter case; an empty word gives ifString, a word that is
    // none of the twelve leaves the type as it is.
    void SetFieldTypeAsString(const QString &word);
    static QString FieldTypeWord(TImportFieldTypes type);

    // The field as one "Field" element on one line, as a definitions file holds it (markup
    // characters escaped).
    QString AsXML() const;

    // The mapping trimmed and split at its line breaks, in order.
    QStringList GetMappingList() const;

    // Converts and checks TranslatedValue by the field's type; sets CanImport, and LogEntry when
    // it fails (a blank value: the label and " Value is blank"; a value that does not convert:
    // the label, ": Could not convert '", the value and the type's ending). An ifIgnore field is
    // left as it is.
    void ValidateTranslatedValue();

    // The value as validation kept it; only for a field whose CanImport is true.
    bool TranslatedValueAsBoolean() const { return m_translatedValue == QLatin1String("T"); }
    int TranslatedValueAsInteger() const { return m_converted.toInt(); }
    double TranslatedValueAsFloat() const { return m_converted.toDouble(); }
    QDate TranslatedValueAsDate() const { return m_converted.toDate(); }
    QTime TranslatedValueAsTime() const { return m_converted.toTime(); }
    QDateTime TranslatedValueAsDateTime() const { return m_converted.toDateTime(); }
    // The kept value for the field's type: text for String and Lookup, "T"/"F" for Boolean, an
    // int, a double, a QDate, a QTime or a QDateTime; null for a field that cannot be imported.
    QVariant ImportValue() const;

private:
    void fail(const QString &value, const char *ending);

    QString m_name;
    TImportFieldTypes m_fieldType = ifString;
    QString m_lookupDatasetName;
    QString m_fieldName;
    QString m_mapping;
    QString m_value;
    QString m_translatedValue;
    QString m_logEntry;
    bool m_canImport = false;
    QVariant m_converted;
};

using TImportFieldList = std::vector<std::unique_ptr<TImportField>>;

// The fields of the "Field" elements of a definitions file's XML part (its lines after the
// first), in the order of their end tags. documentName and firstLine place an error: a text that
// is not well-formed XML (a field without its end tag, a stray character), or that has a document
// type declaration, throws VarnexError naming the document, the line (counted from firstLine) and
// the column. No DTD, external entity or network is ever read.
TImportFieldList LoadImportFieldsFromXML(const QString &text, const QString &documentName = QString(),
                                         int firstLine = 1);

// A definitions file as read: the record path of its first line and its fields.
struct ImportDefinitions
{
    QString rootElement;
    TImportFieldList fields;
};

// Reads a definitions file. A byte-order mark selects UTF-8 or UTF-16; without one the file is
// UTF-8. Line 1 gives the record path: its first five characters ("ROOT=") are dropped unchecked
// and the rest is taken exactly as written (only the line's end is removed). Throws VarnexError
// naming the file for a file that cannot be read, is empty, is not text in its encoding, is not
// well-formed, or defines no field (a reader without fields would write an empty sample for every
// record).
ImportDefinitions ReadImportDefinitions(const QByteArray &bytes, const QString &fileName);
ImportDefinitions LoadImportDefinitionsFile(const QString &fileName);

// The folder of the definitions files beside the program, and the file the authority's setting
// (XML_IMPORT_FIELD_DEFS_FILE) names in it: the sample import screen, the command-line import
// and the translation terms screen all read this one file. An empty setting names the default
// file. The setting is a bare file name: one with a path separator (or "." or "..") is refused
// with VarnexError.
inline const QString ImportDefinitionsFolderName = QStringLiteral("XMLImportDefinitions");
inline const QString DefaultImportDefinitionsFile = QStringLiteral("SampleFieldDefs.XML");
QString ImportDefinitionsPath(const QString &programFolder, const QString &setting);
