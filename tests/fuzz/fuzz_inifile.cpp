// The settings file reader: any bytes read as a settings file come back byte for byte when the
// file is written unchanged, and every section and key found reads without trouble.
#include "FuzzCheck.h"
#include "base/IniFile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const IniFile ini(QStringLiteral("fuzz.ini"), bytes);
    QByteArray back;
    FUZZ_CHECK(ini.contents(&back));
    FUZZ_CHECK(back == bytes);

    // Every header line names a section to look into; every key listed there is found by name.
    for (const QByteArray &line : bytes.split('\n')) {
        const QString text = QString::fromLatin1(line).trimmed();
        if (!text.startsWith(QLatin1Char('[')) || !text.contains(QLatin1Char(']')))
            continue;
        const QString section = text.mid(1, text.indexOf(QLatin1Char(']')) - 1).trimmed();
        for (const auto &[key, value] : ini.sectionValues(section))
            FUZZ_CHECK(ini.contains(section, key));
    }
    return 0;
}
