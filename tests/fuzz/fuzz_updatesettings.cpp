// The update settings reader ("AutoUpdate.ini"): any bytes give a usable update module or a clear
// refusal (a missing or unknown class); unknown properties and bad values are only traced.
#include "FuzzCheck.h"
#include "base/IniFile.h"
#include "base/VarnexError.h"
#include "update/AutoUpdateClientData.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const IniFile settings(QStringLiteral("/nonexistent/AutoUpdate.ini"),
                           QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    try {
        TAutoUpdateClientData update(settings, nullptr, [](const QString &) {});
        FUZZ_CHECK(update.Channel() && update.Message());
        // The search entries are what the scan would list; reading them must not fail.
        for (const THYFileSearchInfo &entry : update.AutoUpdateClient->FileSearchInfo)
            (void)entry.SearchMask.size();
    } catch (const VarnexError &e) {
        FUZZ_CHECK(!e.message().isEmpty());
    }
    return 0;
}
