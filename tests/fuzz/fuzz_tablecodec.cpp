// The dataset half of the wire: every decoder of a dataset message part is given the same CBOR
// value; each reads it or refuses it (VarnexError).
#include "FuzzCheck.h"
#include "base/VarnexError.h"
#include "remote/TableCodec.h"

#include <QCborValue>

#include <cstdint>

namespace {
template<typename F>
void refusedOrRead(F &&decode)
{
    try {
        decode();
    } catch (const VarnexError &) {
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QCborParserError parseError;
    const QCborValue value = QCborValue::fromCbor(bytes, &parseError);
    if (parseError.error != QCborError::NoError)
        return 0;
    refusedOrRead([&] {
        const DataTable table = Wire::decodeTable(value);
        FUZZ_CHECK(Wire::decodeTable(Wire::encodeTable(table)) == table);
    });
    refusedOrRead([&] { Wire::decodeFields(value); });
    refusedOrRead([&] { Wire::decodeSchema(value); });
    refusedOrRead([&] { Wire::decodeDatasetParams(value); });
    refusedOrRead([&] { Wire::decodeWhere(value); });
    refusedOrRead([&] { Wire::decodeChanges(value); });
    return 0;
}
