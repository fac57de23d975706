// Writes the sample exchange document's schema and element list into the docs folder from the
// program's own tables: sample_xml_docs <docs folder>.
#include "base/AtomicFile.h"
#include "exchange/SampleXmlSchema.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: sample_xml_docs <docs folder>\n");
        return 2;
    }
    const QDir docs(QString::fromLocal8Bit(argv[1]));
    QString error;
    if (!saveFileAtomically(docs.filePath("sample-xml.xsd"), SampleXmlSchema::Xsd(), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    QFile page(docs.filePath("sample-xml.md"));
    if (!page.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(page.fileName()));
        return 1;
    }
    const QString text = QString::fromUtf8(page.readAll());
    if (!text.contains(SampleXmlSchema::ListBegin)) {
        std::fprintf(stderr, "%s has no element list markers\n", qPrintable(page.fileName()));
        return 1;
    }
    if (!saveFileAtomically(page.fileName(), SampleXmlSchema::WithElementList(text).toUtf8(), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
