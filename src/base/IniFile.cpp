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
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        m_bom = true;
        bytes.remove(0, 3);
    }
    if (bytes.contains("\r\n"))
        m_newline = QStringLiteral("\r\n");
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError() && !m_bom) {
        // Not UTF-8: a file written by an older installation in a single-byte character set.
        // Read as Latin-1, every byte maps to one character and back, so a rewrite keeps the
        // lines nobody changed exactly as they were.
        m_latin1 = true;
        text = QString::fromLatin1(bytes);
    }
    if (text.isEmpty())
        return;
    m_lines = text.split(QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        m_lines.removeLast();
    for (QString &line : m_lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
}

bool IniFile::findKey(const QString &section, const QString &key, qsizetype *lineIndex, QString *value) const
{
    bool inSection = false;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const QString &line = m_lines.at(i);
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
    for (const QString &line : m_lines) {
        QString name;
        if (sectionOf(line, &name)) {
            inSection = sameName(name, section);
            continue;
        }
        QString key, value;
        if (inSection && keyValueOf(line, &key, &value))
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

    QStringList lines = m_lines;
    qsizetype found = -1;
    if (findKey(trimmedSection, trimmedKey, &found, nullptr)) {
        QString storedKey;
        keyValueOf(lines.at(found), &storedKey, nullptr);
        lines[found] = storedKey + QLatin1Char('=') + value;
    } else {
        // Append to the first section of that name, after its last non-blank line.
        qsizetype insertAt = -1;
        bool inSection = false;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QString name;
            if (sectionOf(lines.at(i), &name)) {
                if (inSection)
                    break;
                inSection = sameName(name, trimmedSection);
                if (inSection)
                    insertAt = i + 1;
                continue;
            }
            const QString t = trimBlanks(lines.at(i));
            if (inSection && !t.isEmpty() && !isComment(t))
                insertAt = i + 1;
        }
        const QString newLine = trimmedKey + QLatin1Char('=') + value;
        if (insertAt >= 0) {
            lines.insert(insertAt, newLine);
        } else {
            if (!lines.isEmpty() && !trimBlanks(lines.last()).isEmpty())
                lines << QString();
            lines << QLatin1Char('[') + trimmedSection + QLatin1Char(']') << newLine;
        }
    }
    if (!save(lines))
        return false;
    m_lines = lines;
    return true;
}

bool IniFile::save(const QStringList &lines)
{
    QByteArray bytes;
    if (m_bom)
        bytes = "\xEF\xBB\xBF";
    for (const QString &line : lines) {
        if (!m_latin1) {
            bytes += (line + m_newline).toUtf8();
            continue;
        }
        for (const QChar c : line) {
            if (c.unicode() > 0xff) {
                m_error = QStringLiteral("The settings file '%1' is not in UTF-8 and cannot hold the text '%2'")
                              .arg(m_fileName, line);
                return false;
            }
        }
        bytes += (line + m_newline).toLatin1();
    }

    return saveFileAtomically(m_fileName, bytes, &m_error);
}
