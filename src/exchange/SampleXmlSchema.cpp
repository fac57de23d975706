#include "exchange/SampleXmlSchema.h"

#include "exchange/VRXSampleXML_DM.h"

#include <QBuffer>
#include <QXmlStreamWriter>

#include <functional>

namespace {

using C = TSampleLeafConversion;

QString typeName(TXMLLeafType type)
{
    switch (type) {
    case TXMLLeafType::Integer:
        return QStringLiteral("integer");
    case TXMLLeafType::Boolean:
        return QStringLiteral("boolean");
    case TXMLLeafType::Text:
        break;
    }
    return QStringLiteral("text");
}

QString code(const char *name)
{
    return QStringLiteral("`%1`").arg(QLatin1String(name));
}

QString valueText(const TSampleLeafSource &s)
{
    switch (s.Conversion) {
    case C::Text:
        return QStringLiteral("the column's text");
    case C::RecordType:
        return QStringLiteral("the column's text; empty gives \"FOOD\"");
    case C::AuthorityName:
        return QStringLiteral("the authority's name (`SYS_COMPANY.LOCAL_AUTHORITY_NAME`), the same for every sample");
    case C::AnalysisType:
        return QStringLiteral("\"M\" when the column is \"MICRO\" or \"M\"; \"C\" for anything else, empty included");
    case C::OfficerCode:
        return QStringLiteral("the column's text; when that is blank, the `CODE` of the officer whose `NAME` is "
                              "`SAMPLE_OFFICER_NAME` (a live officer first), or \"NF\" when there is none");
    case C::OfficerName:
        return QStringLiteral("`NAME`, the name of the officer with the code `SAMPLE_OFFICER__CODE` (a live officer "
                              "first), when not empty; otherwise `SAMPLE_OFFICER_NAME`");
    case C::Date:
        return QStringLiteral("the date form; an empty date gives 30 December 1899");
    case C::Time:
        return QStringLiteral("the time form; an empty time gives midnight");
    case C::OptionalDate:
        return QStringLiteral("XML dates: the date form; local dates: the column's text (empty when the column is)");
    case C::Flag:
        return QStringLiteral("\"true\" exactly when the column's text is \"T\"");
    case C::Integer:
        return QStringLiteral("the column as a whole number, a fraction rounded half away from zero; empty gives 0");
    case C::Country:
        return QStringLiteral("ISO country codes on: the ISO code of the country of that name, \"N/A\" when the list "
                              "has none; off: the column's text");
    }
    return QString();
}

QString whenText(const TSampleLeafSource &s)
{
    QStringList conditions;
    if (s.PresentIf)
        conditions << QStringLiteral("when the sample rows have %1").arg(code(s.PresentIf));
    if (s.Conversion == C::OptionalDate)
        conditions << QStringLiteral("with XML dates only when not empty");
    if (s.Conversion == C::OfficerName)
        conditions << QStringLiteral("when the sample rows have `NAME` or `SAMPLE_OFFICER_NAME`");
    return conditions.isEmpty() ? QStringLiteral("always") : conditions.join(QStringLiteral("; "));
}

// Whether a written leaf may be missing from a document.
bool optional(const TSampleLeafSource &s)
{
    return s.PresentIf || s.Conversion == C::OptionalDate || s.Conversion == C::OfficerName;
}

const TSampleLeafSource *sourceOf(int leaf)
{
    for (const TSampleLeafSource &s : TVRXSampleXMLDM::SampleLeafSources())
        if (int(s.Leaf) == leaf)
            return &s;
    return nullptr;
}

const TResultLeafSource *resultSourceOf(int leaf)
{
    for (const TResultLeafSource &s : TVRXSampleXMLDM::ResultLeafSources())
        if (int(s.Leaf) == leaf)
            return &s;
    return nullptr;
}

// What the generator writes into FileInfo.
QString fileInfoValue(TXMLFileInfoLeaf leaf)
{
    switch (leaf) {
    case TXMLFileInfoLeaf::DateGenerated:
        return QStringLiteral("today's date in the user's short date format, whatever the date setting");
    case TXMLFileInfoLeaf::SampleCount:
        return QStringLiteral("the number of `Sample` elements of the document");
    case TXMLFileInfoLeaf::FileSource:
        return QStringLiteral("\" \" (one blank)");
    default:
        return QString();
    }
}

QString row(const QStringList &cells)
{
    return QStringLiteral("| ") + cells.join(QStringLiteral(" | ")) + QStringLiteral(" |\n");
}

} // namespace

QString SampleXmlSchema::ElementList()
{
    QString md;
    const QString notWritten = QStringLiteral("declared, never written");

    md += QStringLiteral("### `FileInfo`\n\n");
    md += row({QStringLiteral("#"), QStringLiteral("element"), QStringLiteral("type"), QStringLiteral("value")});
    md += row({QStringLiteral("---"), QStringLiteral("---"), QStringLiteral("---"), QStringLiteral("---")});
    int n = 0;
    for (int i = 0; i < FileInfoLeaves().size(); ++i) {
        const TXMLLeafDecl &leaf = FileInfoLeaves().at(i);
        const QString value = fileInfoValue(TXMLFileInfoLeaf(i));
        md += row({value.isEmpty() ? QStringLiteral("-") : QString::number(++n), code(leaf.Name), typeName(leaf.Type),
                   value.isEmpty() ? notWritten : value});
    }

    md += QStringLiteral("\n### `Sample`\n\nIts leaves, then zero or more `Result` elements (then `Outcome`, declared "
                         "and never written). Columns are those of the sample rows: every column of `SAMPLE`, and "
                         "`NAME`.\n\n");
    md += row({QStringLiteral("#"), QStringLiteral("element"), QStringLiteral("type"), QStringLiteral("column"),
               QStringLiteral("value"), QStringLiteral("written")});
    md += row(QStringList(6, QStringLiteral("---")));
    n = 0;
    for (int i = 0; i < SampleLeaves().size(); ++i) {
        const TXMLLeafDecl &leaf = SampleLeaves().at(i);
        const TSampleLeafSource *s = sourceOf(i);
        if (!s) {
            md += row({QStringLiteral("-"), code(leaf.Name), typeName(leaf.Type), QString(), QString(), notWritten});
            continue;
        }
        md += row({QString::number(++n), code(leaf.Name), typeName(leaf.Type), s->Column ? code(s->Column) : QString(),
                   valueText(*s), whenText(*s)});
    }

    md += QStringLiteral("\n### `Result`\n\nOne per row of the sample's laboratory results, in their order, for a "
                         "sample whose `SAMPLE_STATUS__CODE` is \"COMPLETE\". Every value is the column's text; "
                         "columns are matched without regard to letter case.\n\n");
    md += row({QStringLiteral("#"), QStringLiteral("element"), QStringLiteral("type"), QStringLiteral("result column")});
    md += row(QStringList(4, QStringLiteral("---")));
    n = 0;
    for (int i = 0; i < ResultLeaves().size(); ++i) {
        const TXMLLeafDecl &leaf = ResultLeaves().at(i);
        const TResultLeafSource *s = resultSourceOf(i);
        md += row({s ? QString::number(++n) : QStringLiteral("-"), code(leaf.Name), typeName(leaf.Type),
                   s ? code(s->Column) : notWritten});
    }

    md += QStringLiteral("\n### `Outcome`\n\n");
    md += row({QStringLiteral("element"), QStringLiteral("type"), QString()});
    md += row(QStringList(3, QStringLiteral("---")));
    for (const TXMLLeafDecl &leaf : OutcomeLeaves())
        md += row({code(leaf.Name), typeName(leaf.Type), notWritten});
    return md;
}

QByteArray SampleXmlSchema::Xsd()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter w(&buffer);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(2);
    w.writeStartDocument();
    w.writeComment(QStringLiteral(" The sample exchange document (docs/sample-xml.md). Made by sample_xml_docs from the "
                                  "program's element tables; do not edit. "));
    const QString xs = QStringLiteral("http://www.w3.org/2001/XMLSchema");
    w.writeNamespace(xs, QStringLiteral("xs"));
    w.writeStartElement(xs, QStringLiteral("schema"));

    const auto element = [&](const QString &name, const QString &type, bool optional, bool repeated) {
        w.writeEmptyElement(xs, QStringLiteral("element"));
        w.writeAttribute(QStringLiteral("name"), name);
        w.writeAttribute(QStringLiteral("type"), type);
        if (optional)
            w.writeAttribute(QStringLiteral("minOccurs"), QStringLiteral("0"));
        if (repeated)
            w.writeAttribute(QStringLiteral("maxOccurs"), QStringLiteral("unbounded"));
    };
    const auto leafType = [](TXMLLeafType type) {
        switch (type) {
        case TXMLLeafType::Integer:
            return QStringLiteral("integerLeaf");
        case TXMLLeafType::Boolean:
            return QStringLiteral("booleanLeaf");
        case TXMLLeafType::Text:
            break;
        }
        return QStringLiteral("xs:string");
    };

    w.writeStartElement(xs, QStringLiteral("element"));
    w.writeAttribute(QStringLiteral("name"), SampleXmlNames::Root);
    w.writeStartElement(xs, QStringLiteral("complexType"));
    w.writeStartElement(xs, QStringLiteral("sequence"));
    element(SampleXmlNames::FileInfo, QStringLiteral("FileInfoType"), false, false);
    element(SampleXmlNames::Sample, QStringLiteral("SampleType"), true, true);
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndElement();

    const auto complexType = [&](const QString &name, const QList<TXMLLeafDecl> &leaves,
                                 const std::function<bool(int)> &isOptional, const QStringList &repeatedChildren) {
        w.writeStartElement(xs, QStringLiteral("complexType"));
        w.writeAttribute(QStringLiteral("name"), name);
        w.writeStartElement(xs, QStringLiteral("sequence"));
        for (int i = 0; i < leaves.size(); ++i)
            element(QLatin1String(leaves.at(i).Name), leafType(leaves.at(i).Type), isOptional(i), false);
        for (const QString &child : repeatedChildren)
            element(child, child + QStringLiteral("Type"), true, true);
        w.writeEndElement();
        w.writeEndElement();
    };
    complexType(QStringLiteral("FileInfoType"), FileInfoLeaves(),
                [](int i) { return fileInfoValue(TXMLFileInfoLeaf(i)).isEmpty(); }, {});
    complexType(QStringLiteral("SampleType"), SampleLeaves(),
                [](int i) {
                    const TSampleLeafSource *s = sourceOf(i);
                    return !s || optional(*s);
                },
                {SampleXmlNames::Result, SampleXmlNames::Outcome});
    complexType(QStringLiteral("ResultType"), ResultLeaves(), [](int i) { return !resultSourceOf(i); }, {});
    complexType(QStringLiteral("OutcomeType"), OutcomeLeaves(), [](int) { return true; }, {});

    // Whole numbers as the documents write them, and booleans in their one form.
    w.writeStartElement(xs, QStringLiteral("simpleType"));
    w.writeAttribute(QStringLiteral("name"), QStringLiteral("integerLeaf"));
    w.writeStartElement(xs, QStringLiteral("restriction"));
    w.writeAttribute(QStringLiteral("base"), QStringLiteral("xs:string"));
    w.writeEmptyElement(xs, QStringLiteral("pattern"));
    w.writeAttribute(QStringLiteral("value"), QStringLiteral("-?[0-9]+"));
    w.writeEndElement();
    w.writeEndElement();
    w.writeStartElement(xs, QStringLiteral("simpleType"));
    w.writeAttribute(QStringLiteral("name"), QStringLiteral("booleanLeaf"));
    w.writeStartElement(xs, QStringLiteral("restriction"));
    w.writeAttribute(QStringLiteral("base"), QStringLiteral("xs:string"));
    for (const char *value : {"true", "false"}) {
        w.writeEmptyElement(xs, QStringLiteral("enumeration"));
        w.writeAttribute(QStringLiteral("value"), QLatin1String(value));
    }
    w.writeEndElement();
    w.writeEndElement();

    w.writeEndElement();
    w.writeEndDocument();
    return bytes;
}

QString SampleXmlSchema::WithElementList(const QString &page)
{
    const qsizetype begin = page.indexOf(ListBegin);
    const qsizetype end = page.indexOf(ListEnd);
    if (begin < 0 || end < begin)
        return page;
    const qsizetype from = begin + ListBegin.size();
    return page.left(from) + QStringLiteral("\n\n") + ElementList() + QStringLiteral("\n") + page.mid(end);
}
