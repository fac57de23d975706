// The lookup table stream reader: any bytes either read as a table or are refused with a reason; a
// table read writes to a stream that reads to the same table.
#include "FuzzCheck.h"
#include "base/VarnexError.h"
#include "data/MemDataStream.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    DataTable table;
    try {
        table = MemDataStream::read(bytes);
    } catch (const VarnexError &e) {
        FUZZ_CHECK(!e.message().isEmpty());
        return 0;
    }
    QByteArray written;
    try {
        written = MemDataStream::write(table);
    } catch (const VarnexError &) {
        // A word or currency field reads as integer or float and writes back as such; anything
        // the reader accepts, the writer can hold.
        FUZZ_CHECK(false);
    }
    FUZZ_CHECK(MemDataStream::read(written) == table);
    return 0;
}
