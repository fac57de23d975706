// The update service's answers as the client reads them: the status of VerifyUpdateStatus, the file
// list of GetUpdatesInfo and the piece of GetFileData, each from one reply message.
#include "FuzzCheck.h"
#include "remote/HydraAutoUpdate_Intf.h"
#include "base/VarnexError.h"
#include "remote/WireCodec.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    Wire::Reply reply;
    try {
        reply = Wire::decodeReply(bytes);
    } catch (const VarnexError &) {
        return 0;
    }
    try {
        readUpdateStatus(Wire::readValue(reply, QStringLiteral("Result"), Wire::Type::String).toString());
        Wire::readValue(reply, QStringLiteral("CurrentUpdateID"), Wire::Type::String);
    } catch (const VarnexError &) {
    }
    try {
        const THYFileUpdateInfoArray files =
            readFileUpdateInfoArray(Wire::readValue(reply, QStringLiteral("Result"), Wire::Type::Array));
        // A list that was read is written as a list that reads the same.
        FUZZ_CHECK(readFileUpdateInfoArray(writeFileUpdateInfoArray(files)).size() == files.size());
    } catch (const VarnexError &) {
    }
    try {
        Wire::readInt64(reply, QStringLiteral("Result"));
        Wire::readValue(reply, QStringLiteral("Data"), Wire::Type::Binary);
    } catch (const VarnexError &) {
    }
    return 0;
}
