// The translations CSV file: whatever reads as terms is written and read back to the same terms.
#include "FuzzCheck.h"
#include "base/VarnexError.h"
#include "exchange/TranslationsCSVImport_DM.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QList<TranslationCsvRow> rows;
    try {
        rows = TTranslationsCSVImportDM::parse(bytes, QStringLiteral("fuzz.csv"));
    } catch (const VarnexError &) {
        return 0;
    }
    for (const TranslationCsvRow &row : rows)
        FUZZ_CHECK(row.VRXLABEL.size() <= TTranslationsCSVImportDM::FieldNameLength
                   && row.VRXVALUE.size() <= TTranslationsCSVImportDM::ValueLength
                   && row.IMPORTVALUE.size() <= TTranslationsCSVImportDM::ValueLength);
    FUZZ_CHECK(TTranslationsCSVImportDM::parse(TTranslationsCSVImportDM::write(rows), QStringLiteral("again.csv")) == rows);
    return 0;
}
