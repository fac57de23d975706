#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

// A settings file in the classic "[Section]" / "key=value" form, kept whole in memory.
//
// - Section and key names are matched without regard to letter case; the spelling already in the
//   file is kept, a new key is written as given.
// - Values are verbatim: no escapes, no quoting, commas and backslashes kept. Blanks (spaces and
//   tabs) around a value are not part of it, as with the platform's own settings files, so
//   "key =  a\b, c  " reads as "a\b, c". Quotes around a value are kept as part of it.
// - Lines starting with ";" or "#", blank lines, lines without "=" and keys that nobody asks for
//   are kept as they are when the file is written back.
// - When a key occurs twice, the first occurrence is read and written.
// - The file is read once, at construction. A missing file reads as empty and is created by the
//   first write; every write replaces the whole file at once (QSaveFile), so a failed write leaves
//   the previous file as it was and is reported, never ignored.
// - The file is UTF-8. One that is not (written elsewhere in a single-byte character set) is read
//   as Latin-1 and written back in it; a value it cannot hold is refused. A file that starts with
//   the UTF-8 byte-order mark stays UTF-8, but a line in it that is not valid UTF-8 reads as
//   Latin-1.
// - A write changes the bytes of the lines it changes and of none other: every other line, its
//   line break and a last line without one come back exactly as they were read.
class IniFile
{
public:
    explicit IniFile(const QString &fileName);
    // A file whose bytes were read already; writes go to fileName.
    IniFile(const QString &fileName, const QByteArray &contents);

    QString fileName() const { return m_fileName; }

    bool contains(const QString &section, const QString &key) const;
    QString value(const QString &section, const QString &key, const QString &defaultValue = {}) const;
    // Every "key=value" line of a section in file order, repeated keys included, with the same
    // trimming as value(): for sections that are read as a list of lines rather than by key.
    QList<QPair<QString, QString>> sectionValues(const QString &section) const;

    // Sets the value and writes the file back. False, with errorString() saying why, when the
    // names or the value cannot be stored in this format or the file cannot be written; the memory
    // copy then stays as it was.
    bool setValue(const QString &section, const QString &key, const QString &value);

    // The bytes a write would store now (for a file just read: exactly the bytes read). False,
    // with *error saying why, when a line cannot be held in the file's character set.
    bool contents(QByteArray *bytes, QString *error = nullptr) const;

    QString errorString() const { return m_error; }
    // Set when the file exists but could not be read; writes are then refused, so that a file we
    // could not read is never replaced by a nearly empty one.
    QString loadError() const { return m_loadError; }

private:
    struct Line
    {
        QString text;
        // The bytes the line was read from, without its line break; none for a line written or
        // changed since.
        std::optional<QByteArray> raw;
        // "\n", "\r\n", or nothing for a last line without a line break.
        QByteArray lineBreak;
    };

    void parse(QByteArray bytes);
    bool findKey(const QString &section, const QString &key, qsizetype *line, QString *value) const;
    bool encode(const QList<Line> &lines, QByteArray *bytes, QString *error) const;
    bool save(const QList<Line> &lines);

    QString m_fileName;
    QList<Line> m_lines;
    QByteArray m_newline = "\n";
    bool m_bom = false;
    // The file was not UTF-8 and is read and written as Latin-1.
    bool m_latin1 = false;
    QString m_error;
    QString m_loadError;
};
