#include "exchange/XmlFaults.h"

#include <QXmlStreamReader>

namespace XmlFaults {

QString message(const QString &document, qint64 line, qint64 column, const QString &what, const QString &detail)
{
    QString text = QStringLiteral("%1: line %2, column %3: %4").arg(document).arg(qMax<qint64>(line, 1)).arg(qMax<qint64>(column, 1)).arg(what);
    if (!detail.isEmpty())
        text += QStringLiteral(" (XML parser: %1)").arg(detail);
    return text;
}

QString words(Kind kind)
{
    switch (kind) {
    case Kind::NotWellFormed:
        break;
    case Kind::Truncated:
        return QStringLiteral("the file ends before it is complete");
    case Kind::ExtraContent:
        return QStringLiteral("more follows the end of the file's outermost element, which must hold all of it");
    case Kind::Empty:
        return QStringLiteral("the file holds no XML element");
    case Kind::Encoding:
        return QStringLiteral("the file is not text in its encoding (UTF-8, unless its XML declaration names another): "
                              "it was probably saved in another one");
    case Kind::BadCharacter:
        return QStringLiteral("the file holds a character that XML does not allow");
    case Kind::TooDeep:
        return QStringLiteral("its elements are nested more than 256 levels deep, which no file for this program is");
    case Kind::DocumentType:
        return QStringLiteral("the file has a document type declaration (<!DOCTYPE ...>), which files for this program "
                              "never have and which is never read");
    case Kind::Entity:
        return QStringLiteral("the file declares an entity of its own (<!ENTITY ...>), which files for this program never "
                              "do and which is never read");
    case Kind::UnknownEntity:
        return QStringLiteral("a reference to an entity that XML does not know; only &amp; &lt; &gt; &quot; &apos; and "
                              "character references such as &#233; can be used");
    case Kind::StrayAmpersand:
        return QStringLiteral("an \"&\" that does not begin a reference; it is written &amp;");
    case Kind::TagMismatch:
        return QStringLiteral("an end tag that does not match the element it should close");
    }
    return QStringLiteral("the file is not well-formed XML");
}

QString streamReaderFault(const QXmlStreamReader &reader)
{
    const QString detail = reader.errorString();
    Kind kind = Kind::NotWellFormed;
    if (reader.error() == QXmlStreamReader::PrematureEndOfDocumentError)
        kind = Kind::Truncated;
    else if (detail.contains(QLatin1String("incorrectly encoded")))
        kind = Kind::Encoding;
    else if (detail.contains(QLatin1String("not declared")))
        kind = Kind::UnknownEntity;
    else if (detail.contains(QLatin1String("ecursive entity")) || detail.contains(QLatin1String("expansion limit")))
        kind = Kind::Entity;
    else if (detail.contains(QLatin1String("Opening and ending tag mismatch")))
        kind = Kind::TagMismatch;
    return words(kind) + QStringLiteral(" (XML parser: %1)").arg(detail);
}

XmlFileError::XmlFileError(Kind kind, const QString &document, qint64 line, qint64 column, const QString &what,
                           const QString &detail, const QStringList &openElements)
    : VarnexError(XmlFaults::message(document, line, column, what, detail)), m_kind(kind), m_document(document), m_line(line),
      m_column(column), m_detail(detail), m_openElements(openElements)
{
}

} // namespace XmlFaults
