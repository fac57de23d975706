#pragma once

#include "base/VarnexError.h"

#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include <functional>

class QIODevice;

// The encodings a CSV file may come in: a byte-order mark names UTF-8 or UTF-16; a file without
// one is UTF-8 when every byte sequence in it is valid UTF-8, and Windows-1252 otherwise (what
// older registers are exported in).
enum class CsvEncoding { Utf8, Utf16LE, Utf16BE, Windows1252 };

// Reads the whole device once to decide, and puts it back at its start.
CsvEncoding DetectCsvEncoding(QIODevice &device);

// One record of a CSV text: its values, and the line it begins on (counted from 1). A line with
// nothing on it is a blank record without values.
struct CsvRecord
{
    QStringList values;
    int line = 0;
    bool blank = false;
};

// A CSV text that breaks the quoting rules: where (line and column, counted from 1) and why.
class CsvError : public VarnexError
{
public:
    enum class Cause { UnclosedQuote, TextAfterQuote, QuoteInValue, BrokenCharacter };
    CsvError(Cause cause, int line, int column, const QString &firstValue);

    Cause cause() const { return m_cause; }
    int line() const { return m_line; }
    int column() const { return m_column; }
    // The record's first value as far as it was read (what identifies the record to a reader).
    QString firstValue() const { return m_firstValue; }
    // The cause in words, starting in lower case.
    static QString causeText(Cause cause);

private:
    Cause m_cause;
    int m_line;
    int m_column;
    QString m_firstValue;
};

// Comma-separated values as RFC 4180 writes them, a record at a time: a value in double quotes
// may hold commas, line breaks and doubled quotes (which read as one); the quotes themselves are
// not part of the value. Lines end in CRLF, LF or CR; a byte-order mark never becomes text. A
// quote may only open a value; text after a closing quote, a quote inside a plain value, a quote
// never closed and half of a UTF-16 surrogate pair (from a damaged UTF-16 file) throw CsvError. The file is decoded a chunk at a time, so reading holds one
// record, whatever the file's size.
class CsvReader
{
public:
    // Reads a device open for reading, from its current position.
    CsvReader(QIODevice &device, CsvEncoding encoding);
    // Reads a text already decoded.
    explicit CsvReader(const QString &text);
    CsvReader(const CsvReader &) = delete;
    CsvReader &operator=(const CsvReader &) = delete;

    // The next record; false at the end of the text. Throws CsvError.
    bool next(CsvRecord &record);

private:
    // Makes at least n characters from m_pos available; false when the text has fewer left.
    bool ensure(qsizetype n);

    std::function<QString()> m_more; // the next decoded chunk; empty at the end
    QStringDecoder m_decoder;
    QString m_buffer;
    qsizetype m_pos = 0;
    int m_line = 1;
    int m_column = 1;
    bool m_finished = false;
};
