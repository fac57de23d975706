// The sample XML record reader: whatever document it reads, each record it hands over has only
// bracketed paths and normalised, non-empty texts, the count it returns is the records it handed
// over, and the fields fill from every record.
#include "FuzzCheck.h"
#include "base/VarnexError.h"
#include "exchange/SampleImportXML_DM.h"

#include <QBuffer>

#include <cstdint>

namespace {
// XML whitespace, which is what the reader packs; other spaces (no-break, next line) are text.
bool xmlSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static TSampleImportXMLDM *reader = []() {
        auto *r = new TSampleImportXMLDM;
        r->SetDefinitions(ReadImportDefinitions("ROOT=[QOVAData|Sample]\n<FieldList>"
                                                "<Field><Name>A</Name><Mapping>[RecordType]</Mapping></Field>"
                                                "<Field><Name>B</Name><FieldType>Integer</FieldType>"
                                                "<Mapping>[Result|Result] [w|x] []</Mapping></Field>"
                                                "</FieldList>",
                                                QStringLiteral("fuzz definitions")));
        return r;
    }();
    QBuffer buffer;
    buffer.setData(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    buffer.open(QIODevice::ReadOnly);
    int handedOver = 0;
    try {
        const int count = reader->ScanRecords(buffer, QStringLiteral("fuzz.xml"), [&](const SampleRecord &record) {
            ++handedOver;
            for (const SampleRecordLine &line : record) {
                FUZZ_CHECK(line.path.startsWith(QLatin1Char('[')) && line.path.endsWith(QLatin1Char(']')));
                FUZZ_CHECK(!line.text.isEmpty());
                FUZZ_CHECK(!xmlSpace(line.text.front()) && !xmlSpace(line.text.back()));
                for (qsizetype i = 0; i < line.text.size(); ++i)
                    FUZZ_CHECK(line.text.at(i) == QLatin1Char(' ') ? !xmlSpace(line.text.at(i + 1)) : !xmlSpace(line.text.at(i)));
            }
            reader->LoadValues(record);
            for (const auto &field : reader->ImportFields())
                field->ValidateTranslatedValue();
        });
        FUZZ_CHECK(count == handedOver);
    } catch (const VarnexError &) {
    }
    return 0;
}
