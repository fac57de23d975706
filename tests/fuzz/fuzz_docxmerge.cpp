// The mail merge's reading of a template: the zip container is read or refused with a reason; a
// container read is written back to the same entries; a template merged gives a container whose
// every entry reads back, its main document well-formed XML.
#include "FuzzCheck.h"
#include "base/VarnexError.h"
#include "base/ZipArchive.h"
#include "samples/SampleMailMerge.h"

#include <QXmlStreamReader>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    ZipArchive zip;
    try {
        zip = ZipArchive::read(bytes);
    } catch (const VarnexError &e) {
        FUZZ_CHECK(e.message().startsWith(QLatin1String("The file is not a readable zip file: ")));
        return 0;
    }
    const ZipArchive again = ZipArchive::read(zip.write());
    FUZZ_CHECK(again.entries().size() == zip.entries().size());
    for (qsizetype i = 0; i < zip.entries().size(); ++i) {
        FUZZ_CHECK(again.entries().at(i).name == zip.entries().at(i).name);
        FUZZ_CHECK(again.entries().at(i).data == zip.entries().at(i).data);
    }

    QByteArray merged;
    try {
        merged = TSampleMailMerge::MergeSampleDocument(bytes, {{QStringLiteral("BRAND_NAME"), QStringLiteral("A & <B>\nC")}});
    } catch (const VarnexError &e) {
        FUZZ_CHECK(e.message().startsWith(QLatin1String("The mail merge template cannot be used: ")));
        return 0;
    }
    const ZipArchive out = ZipArchive::read(merged);
    FUZZ_CHECK(out.entries().size() == zip.entries().size());
    for (const ZipArchive::Entry &e : out.entries()) {
        if (!e.name.endsWith(QLatin1String(".xml")) || e.data == *zip.find(e.name))
            continue;
        QXmlStreamReader r(e.data);
        while (!r.atEnd())
            r.readNext();
        FUZZ_CHECK(!r.hasError());
    }
    return 0;
}
