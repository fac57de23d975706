#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One term of a translations file: the field name, the value the import uses instead, and the
// value as it arrives in an import file, in that column order.
struct TranslationCsvRow
{
    QString VRXLABEL;
    QString VRXVALUE;
    QString IMPORTVALUE;

    friend bool operator==(const TranslationCsvRow &, const TranslationCsvRow &) = default;
};

// The translations CSV file: one term per line, three values, no header line. Read as RFC 4180
// (values in double quotes may hold commas, quotes doubled and line breaks; lines end in CRLF or
// LF; a byte-order mark selects UTF-8 or UTF-16, UTF-8 without one; empty lines are passed over).
// Written in UTF-8 with CRLF, a value quoted when it holds a comma, a quote or a line break, so a
// file saved reads back the same terms.
//
// A file with a line that is not three values, or with a value longer than its column of
// SYS_TRANSLATION, is refused whole with VarnexError naming the file and the line: nothing of it is
// taken.
class TTranslationsCSVImportDM
{
public:
    // The columns of SYS_TRANSLATION the values go to.
    static constexpr int FieldNameLength = 100;
    static constexpr int ValueLength = 250;

    // Appends a row.
    void AddRecord(const QString &fieldName, const QString &toValue, const QString &importValue);
    // Empties the rows.
    void ClearDataset() { m_rows.clear(); }
    void closeCSVFile() { m_rows.clear(); }
    // Reads a file in place of the rows held; on failure the rows are empty.
    void loadCSVFile(const QString &fileName);
    // Writes the rows to the file, replacing it in one step; throws VarnexError naming the file.
    void SaveToFile(const QString &fileName) const;

    const QList<TranslationCsvRow> &Rows() const { return m_rows; }

    // The rows of a file's bytes; documentName names it in errors.
    static QList<TranslationCsvRow> parse(const QByteArray &bytes, const QString &documentName);
    static QByteArray write(const QList<TranslationCsvRow> &rows);

private:
    QList<TranslationCsvRow> m_rows;
};
