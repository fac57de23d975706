// The sample import's field definitions file: whatever is read, every field written out as its
// "Field" element reads back the same, and its value converts (or fails) by its type without
// trouble.
#include "FuzzCheck.h"
#include "base/VarnexError.h"
#include "exchange/ImportFields_UNT.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    ImportDefinitions definitions;
    try {
        definitions = ReadImportDefinitions(bytes, QStringLiteral("fuzz.XML"));
    } catch (const VarnexError &) {
        return 0;
    }
    FUZZ_CHECK(!definitions.fields.empty());
    for (const auto &field : definitions.fields) {
        const TImportFieldList again = LoadImportFieldsFromXML(field->AsXML());
        FUZZ_CHECK(again.size() == 1);
        FUZZ_CHECK(again.front()->AsXML() == field->AsXML());
        FUZZ_CHECK(again.front()->GetMappingList() == field->GetMappingList());
        for (const QString &value : {field->Name(), field->FieldLabel(), field->Mapping()}) {
            field->SetTranslatedValue(value);
            field->ValidateTranslatedValue();
            FUZZ_CHECK(field->CanImport() || field->FieldType() == ifIgnore || !field->LogEntry().isEmpty());
        }
    }
    return 0;
}
