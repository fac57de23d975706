#include "base/IniFile.h"

#include "base/AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {
bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QString trimBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

bool isComment(const QString &trimmed)
{
    return trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'));
}

// The section a header line opens, or nothing when the line is not a header.
bool sectionOf(const QString &line, QString *name)
{
    const QString t = trimBlanks(line);
    if (!t.startsWith(QLatin1Char('[')))
        return false;
    const qsizetype close = t.indexOf(QLatin1Char(']'));
    if (close < 0)
        return false;
    *name = trimBlanks(t.mid(1, close - 1));
    return true;
}

bool keyValueOf(const QString &line, QString *key, QString *value)
{
    const QString t = trimBlanks(line);
    if (t.isEmpty() || isComment(t) || t.startsWith(QLatin1Char('[')))
        return false;
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (eq < 0)
        return false;
    *key = trimBlanks(t.left(eq));
    if (value)
        *value = trimBlanks(t.mid(eq + 1));
    return !key->isEmpty();
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool hasLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

// Whether the bytes are valid UTF-8 throughout: they decode and encode back to themselves. (A
// decoder alone does not do: it keeps an incomplete sequence at the end for input that may follow,
// so "caf\xE9" would read as "caf" without an error.)
bool isUtf8(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return !utf8.hasError() && text.toUtf8() == bytes;
}
} // namespace

IniFile::IniFile(const QString &fileName) : m_fileName(fileName)
{
    QFile file(fileName);
    if (!file.exists())
        return;
    if (!QFileInfo(fileName).isFile() || !file.open(QIODevice::ReadOnly)) {
        m_loadError = QStringLiteral("Cannot read settings file '%1': %2").arg(fileName, file.errorString());
        return;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_loadError = QStringLiteral("Cannot read settings file '%1': %2").arg(fileName, file.errorString());
        return;
    }
    parse(std::move(bytes));
}

IniFile::IniFile(const QString &fileName, const QByteArray &contents) : m_fileName(fileName)
{
    parse(contents);
}

void IniFile::parse(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        m_bom = true;
        bytes.remove(0, 3);
    }
    if (bytes.contains("\r\n"))
        m_newline = "\r\n";
    // Not UTF-8 and no mark that says it is: a file written by an older installation in a
    // single-byte character set, read as Latin-1 throughout.
    m_latin1 = !m_bom && !isUtf8(bytes);

    qsizetype from = 0;
    while (from < bytes.size()) {
        const qsizetype end = bytes.indexOf('\n', from);
        Line line;
        QByteArray raw;
        if (end < 0) {
            raw = bytes.mid(from);
            from = bytes.size();
        } else {
            raw = bytes.mid(from, end - from);
            line.lineBreak = "\n";
            from = end + 1;
            if (raw.endsWith('\r')) {
                raw.chop(1);
                line.lineBreak = "\r\n";
            }
        }
        // A line that is not UTF-8 in a file marked as UTF-8 reads as Latin-1; its bytes stay.
        line.text = m_latin1 || !isUtf8(raw) ? QString::fromLatin1(raw) : QString::fromUtf8(raw);
        line.raw = raw;
        m_lines.append(line);
    }
}

bool IniFile::findKey(const QString &section, const QString &key, qsizetype *lineIndex, QString *value) const
{
    bool inSection = false;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const QString &line = m_lines.at(i).text;
        QString name;
        if (sectionOf(line, &name)) {
            inSection = sameName(name, section);
            continue;
        }
        QString k;
        if (inSection && keyValueOf(line, &k, value) && sameName(k, key)) {
            if (lineIndex)
                *lineIndex = i;
            return true;
        }
    }
    return false;
}

QList<QPair<QString, QString>> IniFile::sectionValues(const QString &section) const
{
    QList<QPair<QString, QString>> result;
    bool inSection = false;
    for (const Line &line : m_lines) {
        QString name;
        if (sectionOf(line.text, &name)) {
            inSection = sameName(name, section);
            continue;
        }
        QString key, value;
        if (inSection && keyValueOf(line.text, &key, &value))
            result.append({key, value});
    }
    return result;
}

bool IniFile::contains(const QString &section, const QString &key) const
{
    return findKey(section, key, nullptr, nullptr);
}

QString IniFile::value(const QString &section, const QString &key, const QString &defaultValue) const
{
    QString v;
    return findKey(section, key, nullptr, &v) ? v : defaultValue;
}

bool IniFile::setValue(const QString &section, const QString &key, const QString &value)
{
    m_error.clear();
    if (!m_loadError.isEmpty()) {
        m_error = m_loadError;
        return false;
    }
    const QString trimmedSection = trimBlanks(section);
    const QString trimmedKey = trimBlanks(key);
    if (trimmedSection.isEmpty() || trimmedSection.contains(QLatin1Char(']')) || hasLineBreak(section)) {
        m_error = QStringLiteral("Invalid section name '%1' for settings file '%2'").arg(section, m_fileName);
        return false;
    }
    if (trimmedKey.isEmpty() || trimmedKey.contains(QLatin1Char('=')) || hasLineBreak(key)
        || trimmedKey.startsWith(QLatin1Char('[')) || isComment(trimmedKey)) {
        m_error = QStringLiteral("Invalid key name '%1' for settings file '%2'").arg(key, m_fileName);
        return false;
    }
    if (hasLineBreak(value)) {
        m_error = QStringLiteral("The value for '%1' in settings file '%2' contains a line break").arg(key, m_fileName);
        return false;
    }

    QList<Line> lines = m_lines;
    const auto newLine = [](const QString &text) { return Line{text, std::nullopt, {}}; };
    qsizetype found = -1;
    if (findKey(trimmedSection, trimmedKey, &found, nullptr)) {
        QString storedKey;
        keyValueOf(lines.at(found).text, &storedKey, nullptr);
        lines[found].text = storedKey + QLatin1Char('=') + value;
        lines[found].raw.reset();
    } else {
        // Append to the first section of that name, after its last non-blank line.
        qsizetype insertAt = -1;
        bool inSection = false;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QString name;
            if (sectionOf(lines.at(i).text, &name)) {
                if (inSection)
                    break;
                inSection = sameName(name, trimmedSection);
                if (inSection)
                    insertAt = i + 1;
                continue;
            }
            const QString t = trimBlanks(lines.at(i).text);
            if (inSection && !t.isEmpty() && !isComment(t))
                insertAt = i + 1;
        }
        const QString keyLine = trimmedKey + QLatin1Char('=') + value;
        if (insertAt >= 0) {
            lines.insert(insertAt, newLine(keyLine));
        } else {
            if (!lines.isEmpty() && !trimBlanks(lines.last().text).isEmpty())
                lines << newLine(QString());
            lines << newLine(QLatin1Char('[') + trimmedSection + QLatin1Char(']')) << newLine(keyLine);
        }
    }
    if (!save(lines))
        return false;
    m_lines = lines;
    return true;
}

bool IniFile::encode(const QList<Line> &lines, QByteArray *bytes, QString *error) const
{
    QByteArray out;
    if (m_bom)
        out = "\xEF\xBB\xBF";
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Line &line = lines.at(i);
        if (line.raw) {
            out += *line.raw;
        } else if (m_latin1) {
            for (const QChar c : line.text) {
                if (c.unicode() > 0xff) {
                    if (error)
                        *error = QStringLiteral("The settings file '%1' is not in UTF-8 and cannot hold the text '%2'")
                                     .arg(m_fileName, line.text);
                    return false;
                }
            }
            out += line.text.toLatin1();
        } else {
            out += line.text.toUtf8();
        }
        // A line written after the last one read ends that one's line.
        const bool last = i == lines.size() - 1;
        out += line.lineBreak.isEmpty() && (!last || !line.raw) ? m_newline : line.lineBreak;
    }
    *bytes = out;
    return true;
}

bool IniFile::contents(QByteArray *bytes, QString *error) const
{
    return encode(m_lines, bytes, error);
}

bool IniFile::save(const QList<Line> &lines)
{
    QByteArray bytes;
    if (!encode(lines, &bytes, &m_error))
        return false;
    return saveFileAtomically(m_fileName, bytes, &m_error);
}
