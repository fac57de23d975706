// The enciphered packet reader, layer by layer: the cipher framing of a whole packet, and (since
// random bytes hardly ever decipher to anything) the raw DEFLATE stream and the packet inside it.
#include "FuzzCheck.h"
#include "data/DataPacket.h"
#include "data/PacketCipher.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    DataTable table;
    QString error;
    if (!PacketCipher::openPacket(bytes, &table, &error))
        FUZZ_CHECK(!error.isEmpty());

    // Small inputs may not inflate to more than a bounded size either.
    QByteArray inflated;
    error.clear();
    if (PacketCipher::inflateRaw(bytes, &inflated, &error, qint64(64) << 20)) {
        if (!DataPacket::decode(inflated, &table, &error))
            FUZZ_CHECK(!error.isEmpty());
    } else {
        FUZZ_CHECK(!error.isEmpty());
    }
    return 0;
}
