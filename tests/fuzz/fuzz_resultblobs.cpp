// The readers of a sample's result blobs: the bytes as CDS_LABORATORY_RESULTS and as the text of
// CDS_OUTCOMES are each read or refused with a reason; outcomes read write back to the same table,
// and every table read has the known columns.
#include "FuzzCheck.h"
#include "base/VarnexError.h"
#include "data/ResultBlobs.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const DataTable results = ResultBlobs::readResults(bytes);
        for (const FieldDef &f : ResultBlobs::resultFields())
            FUZZ_CHECK(results.indexOf(f.name) >= 0);
    } catch (const VarnexError &e) {
        FUZZ_CHECK(e.message().startsWith(QLatin1String("laboratory results: ")));
    }
    DataTable outcomes;
    try {
        outcomes = ResultBlobs::readOutcomes(QString::fromUtf8(bytes));
    } catch (const VarnexError &e) {
        FUZZ_CHECK(e.message().startsWith(QLatin1String("outcomes: ")));
        return 0;
    }
    for (const FieldDef &f : ResultBlobs::outcomeFields())
        FUZZ_CHECK(outcomes.indexOf(f.name) >= 0);
    FUZZ_CHECK(ResultBlobs::readOutcomes(ResultBlobs::writeOutcomes(outcomes)) == outcomes);
    return 0;
}
