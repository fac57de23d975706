// The reader of sample exchange documents: bytes are read as a QOVAData document or refused with
// the line and column; a document read is written and read again to the same document, and every
// leaf of it can be read.
#include "FuzzCheck.h"
#include "exchange/VRXSampleXML_19102011_Unt.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TXMLDocument document;
    try {
        document = TXMLDocument::LoadFromData(bytes, QStringLiteral("input"));
    } catch (const XmlReadError &e) {
        FUZZ_CHECK(e.message().startsWith(QLatin1String("input: line ")));
        FUZZ_CHECK(e.line() >= 0 && e.column() >= 0);
        return 0;
    }
    TXMLQOVAData root = GetQOVAData(document);
    for (const TXMLSampleType &sample : root.Sample().All()) {
        (void)sample.LaboratoryComments();
        (void)sample.DurabilityDay();
        (void)sample.IsSurvey();
        for (const TXMLResultType &result : sample.Result().All())
            (void)result.Result();
    }
    const QByteArray written = document.XML();
    const TXMLDocument again = TXMLDocument::LoadFromData(written);
    FUZZ_CHECK(again.XML() == written);
    FUZZ_CHECK(again.Tree().elementCount() == document.Tree().elementCount());
    return 0;
}
