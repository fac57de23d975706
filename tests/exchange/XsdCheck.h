#pragma once

// Validates a sample exchange document against the published schema with libxml2.

#include "exchange/SampleXmlSchema.h"

#include <QByteArray>
#include <QStringList>

#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

// The errors libxml2 finds when it validates the document against docs/sample-xml.xsd; none
// when the document is valid.
inline QStringList schemaErrors(const QByteArray &document)
{
    QStringList errors;
    const QByteArray xsd = SampleXmlSchema::Xsd();
    xmlSchemaParserCtxtPtr parser = xmlSchemaNewMemParserCtxt(xsd.constData(), int(xsd.size()));
    xmlSchemaPtr schema = xmlSchemaParse(parser);
    xmlSchemaFreeParserCtxt(parser);
    if (!schema)
        return {QStringLiteral("the schema cannot be read")};
    xmlDocPtr doc = xmlReadMemory(document.constData(), int(document.size()), "document.xml", nullptr, XML_PARSE_NONET);
    if (!doc) {
        xmlSchemaFree(schema);
        return {QStringLiteral("the document is not well-formed")};
    }
    xmlSchemaValidCtxtPtr valid = xmlSchemaNewValidCtxt(schema);
    xmlSchemaSetValidStructuredErrors(
        valid,
        [](void *out, xmlErrorPtr e) {
            static_cast<QStringList *>(out)->append(
                QStringLiteral("line %1: %2").arg(e->line).arg(QString::fromUtf8(e->message).trimmed()));
        },
        &errors);
    if (xmlSchemaValidateDoc(valid, doc) != 0 && errors.isEmpty())
        errors << QStringLiteral("not valid");
    xmlSchemaFreeValidCtxt(valid);
    xmlFreeDoc(doc);
    xmlSchemaFree(schema);
    return errors;
}
