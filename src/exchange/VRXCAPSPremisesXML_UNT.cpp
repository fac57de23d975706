#include "exchange/VRXCAPSPremisesXML_UNT.h"

#include "base/VarnexError.h"

TXMLCAPSPremisesDataType GetPremisesData(const QByteArray &xml)
{
    TXMLCAPSPremisesDataType root;
    PremisesXmlReader reader;
    reader.OnFileInfo = [&root](const PremisesXmlReader::Record &r) {
        root.FileInfo.DateGenerated = r.leaf(u"DateGenerated").trimmed().toLongLong();
        root.FileInfo.FileSource = r.leaf(u"FileSource");
        root.FileInfo.PremisesCount = r.leaf(u"PremisesCount").trimmed().toLongLong();
        root.FileInfo.SchemaVersion = r.leaf(u"SchemaVersion");
    };
    reader.OnRecord = [&root](const PremisesXmlReader::Record &r) { root.PremisesList.Add().ReadLeaves(r); };
    if (reader.Read(xml, QStringLiteral("(text)")) == PremisesXmlLayout::CP)
        throw VarnexError(QStringLiteral("The text is not a PremisesData document."));
    return root;
}
