#pragma once

// What is wrong with an XML file that a reader of outside files refuses, in the program's own
// words: the parsers' texts ("Extra content at the end of the document" for a file cut short) say
// what the parser met, not what is wrong with the file, and are kept only as a detail after ours.

#include "base/VarnexError.h"

#include <QString>
#include <QStringList>

class QXmlStreamReader;

namespace XmlFaults {

enum class Kind {
    NotWellFormed, // any other fault of the markup
    Truncated,     // the file ends inside an element
    ExtraContent,  // more follows the end of the outermost element
    Empty,         // no element at all
    Encoding,      // bytes that are not text in the file's encoding
    BadCharacter,  // a character XML does not allow
    TooDeep,       // elements nested beyond the parser's limit
    DocumentType,  // a document type declaration (a DTD, entity declarations)
    Entity,        // an entity declared in the file
    UnknownEntity, // a reference to an entity that is not one of XML's own
    StrayAmpersand,
    TagMismatch,
};

// "<document>: line L, column C: <what> (XML parser: <detail>)"; without a detail the parenthesis
// is left out.
QString message(const QString &document, qint64 line, qint64 column, const QString &what,
                const QString &detail = QString());

// The words for a fault of a kind that needs no more to be said.
QString words(Kind kind);

// The words for the fault of a QXmlStreamReader that has an error, with its text as the detail.
QString streamReaderFault(const QXmlStreamReader &reader);

// A file refused for a fault of its XML: the message as message() words it.
class XmlFileError : public VarnexError
{
public:
    // openElements: the elements open where the fault was met, outermost first, when known.
    XmlFileError(Kind kind, const QString &document, qint64 line, qint64 column, const QString &what,
                 const QString &detail = QString(), const QStringList &openElements = QStringList());
    Kind kind() const { return m_kind; }
    QStringList openElements() const { return m_openElements; }
    QString document() const { return m_document; }
    qint64 line() const { return m_line; }
    qint64 column() const { return m_column; }
    QString detail() const { return m_detail; }

private:
    Kind m_kind;
    QString m_document;
    qint64 m_line;
    qint64 m_column;
    QString m_detail;
    QStringList m_openElements;
};

} // namespace XmlFaults
