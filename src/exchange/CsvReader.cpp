#include "exchange/CsvReader.h"

#include "data/MemDataStream.h"

#include <QIODevice>

namespace {

constexpr qint64 ChunkBytes = 64 * 1024;

} // namespace

CsvEncoding DetectCsvEncoding(QIODevice &device)
{
    const qint64 start = device.pos();
    const QByteArray head = device.peek(3);
    if (head.startsWith("\xEF\xBB\xBF"))
        return CsvEncoding::Utf8;
    if (head.startsWith("\xFF\xFE"))
        return CsvEncoding::Utf16LE;
    if (head.startsWith("\xFE\xFF"))
        return CsvEncoding::Utf16BE;
    QStringDecoder utf8(QStringConverter::Utf8);
    while (!utf8.hasError()) {
        const QByteArray chunk = device.read(ChunkBytes);
        if (chunk.isEmpty())
            break;
        const QString decoded = utf8.decode(chunk); // the decoder works when its result is taken
    }
    device.seek(start);
    return utf8.hasError() ? CsvEncoding::Windows1252 : CsvEncoding::Utf8;
}

CsvError::CsvError(Cause cause, int line, int column, const QString &firstValue)
    : VarnexError(QStringLiteral("line %1, column %2: %3").arg(line).arg(column).arg(causeText(cause))),
      m_cause(cause),
      m_line(line),
      m_column(column),
      m_firstValue(firstValue)
{
}

QString CsvError::causeText(Cause cause)
{
    switch (cause) {
    case Cause::UnclosedQuote:
        return QStringLiteral("a value in double quotes is not closed.");
    case Cause::TextAfterQuote:
        return QStringLiteral("a value in double quotes is followed by more text before the next comma.");
    case Cause::QuoteInValue:
        return QStringLiteral("a double quote inside a value must be in a value in double quotes, written twice.");
    case Cause::BrokenCharacter:
        return QStringLiteral("half of a UTF-16 surrogate pair stands alone, which is not a character.");
    }
    return QString();
}

CsvReader::CsvReader(QIODevice &device, CsvEncoding encoding)
{
    QIODevice *source = &device;
    if (encoding == CsvEncoding::Windows1252) {
        m_more = [source]() { return MemDataStream::fromAnsi(source->read(ChunkBytes)); };
        return;
    }
    m_decoder = QStringDecoder(encoding == CsvEncoding::Utf8      ? QStringConverter::Utf8
                               : encoding == CsvEncoding::Utf16LE ? QStringConverter::Utf16LE
                                                                  : QStringConverter::Utf16BE);
    m_more = [this, source]() {
        // A chunk may end inside a character; the decoder keeps those bytes for the next one.
        for (;;) {
            const QByteArray bytes = source->read(ChunkBytes);
            if (bytes.isEmpty())
                return QString();
            QString text = m_decoder.decode(bytes);
            if (!text.isEmpty())
                return text;
        }
    };
}

CsvReader::CsvReader(const QString &text) : m_buffer(text)
{
    m_more = []() { return QString(); };
}

bool CsvReader::ensure(qsizetype n)
{
    while (m_buffer.size() - m_pos < n) {
        if (m_finished)
            return false;
        const QString more = m_more();
        if (more.isEmpty()) {
            m_finished = true;
            return false;
        }
        m_buffer.remove(0, m_pos);
        m_pos = 0;
        m_buffer += more;
    }
    return true;
}

bool CsvReader::next(CsvRecord &record)
{
    record.values.clear();
    record.line = m_line;
    record.blank = false;
    if (!ensure(1))
        return false;

    QString value;
    bool quoted = false;  // the value in hand was written in quotes, now closed
    bool hasText = false; // the record holds anything but its line end
    const auto firstValue = [&]() { return record.values.isEmpty() ? value : record.values.first(); };
    const auto take = [&](QChar c) {
        // A character beyond the BMP is a pair of surrogates; half of one is no character, and
        // would be written back as "?".
        if (c.isSurrogate()) {
            if (!c.isHighSurrogate() || !ensure(2) || !m_buffer.at(m_pos + 1).isLowSurrogate())
                throw CsvError(CsvError::Cause::BrokenCharacter, m_line, m_column, firstValue());
            value += c;
            ++m_pos;
            c = m_buffer.at(m_pos);
        }
        value += c;
        ++m_pos;
        ++m_column;
    };

    while (ensure(1)) {
        const QChar c = m_buffer.at(m_pos);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            ++m_pos;
            if (c == QLatin1Char('\r') && ensure(1) && m_buffer.at(m_pos) == QLatin1Char('\n'))
                ++m_pos;
            ++m_line;
            m_column = 1;
            break;
        }
        hasText = true;
        if (c == QLatin1Char(',')) {
            record.values << value;
            value.clear();
            quoted = false;
            ++m_pos;
            ++m_column;
            continue;
        }
        if (quoted)
            throw CsvError(CsvError::Cause::TextAfterQuote, m_line, m_column, firstValue());
        if (c != QLatin1Char('"')) {
            take(c);
            continue;
        }
        if (!value.isEmpty())
            throw CsvError(CsvError::Cause::QuoteInValue, m_line, m_column, firstValue());
        const int openLine = m_line;
        const int openColumn = m_column;
        ++m_pos;
        ++m_column;
        for (;;) {
            if (!ensure(1))
                throw CsvError(CsvError::Cause::UnclosedQuote, openLine, openColumn, firstValue());
            const QChar q = m_buffer.at(m_pos);
            if (q == QLatin1Char('"')) {
                if (ensure(2) && m_buffer.at(m_pos + 1) == QLatin1Char('"')) {
                    take(q);
                    ++m_pos;
                    ++m_column;
                    continue;
                }
                ++m_pos;
                ++m_column;
                break;
            }
            take(q);
            if (q == QLatin1Char('\n')) {
                ++m_line;
                m_column = 1;
            }
        }
        quoted = true;
    }
    if (hasText)
        record.values << value;
    else
        record.blank = true;
    return true;
}
