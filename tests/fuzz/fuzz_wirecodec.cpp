// The wire's message reader: any bytes are a request or a reply, or refused (VarnexError).
#include "FuzzCheck.h"
#include "base/VarnexError.h"
#include "remote/WireCodec.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const Wire::Request request = Wire::decodeRequest(bytes);
        // What was read is written back as a message that reads the same.
        const Wire::Request again = Wire::decodeRequest(Wire::encodeRequest(request));
        FUZZ_CHECK(again.service == request.service && again.operation == request.operation
                   && again.params.size() == request.params.size());
    } catch (const VarnexError &) {
    }
    try {
        const Wire::Reply reply = Wire::decodeReply(bytes);
        const Wire::Reply again = Wire::decodeReply(Wire::encodeReply(reply));
        FUZZ_CHECK(again.ok == reply.ok && again.results.size() == reply.results.size());
    } catch (const VarnexError &) {
    }
    return 0;
}
