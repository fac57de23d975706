#pragma once

// The documentation of the sample exchange document, made from the tables the program writes it
// with (the binding's leaf declarations and the generator's leaf sources), so that the published
// element list and schema cannot drift from the program: docs/sample-xml.md holds the element
// list between the two marker lines below, docs/sample-xml.xsd the schema.

#include <QByteArray>
#include <QString>

namespace SampleXmlSchema {

inline const QString ListBegin = QStringLiteral("<!-- BEGIN element list: made by sample_xml_docs, do not edit -->");
inline const QString ListEnd = QStringLiteral("<!-- END element list -->");

// The element list in Markdown: a table per element type, leaves in document order, each with
// its type, where its value comes from and when it is written.
QString ElementList();
// The XML Schema that every document the program writes is valid against.
QByteArray Xsd();
// The page with its element list replaced by ElementList(); the page unchanged when it lacks
// the marker lines.
QString WithElementList(const QString &page);

} // namespace SampleXmlSchema
