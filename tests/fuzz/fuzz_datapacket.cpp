// The dataset packet reader: any bytes either decode to a table or are refused with a reason; a
// decoded table encodes to a packet that decodes to the same table.
#include "FuzzCheck.h"
#include "data/DataPacket.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    DataTable table;
    QString error;
    if (!DataPacket::decode(bytes, &table, &error)) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    DataTable again;
    FUZZ_CHECK(DataPacket::decode(DataPacket::encode(table), &again, &error));
    FUZZ_CHECK(again == table);
    return 0;
}
