// The command line reader: the input is the argument list, arguments separated by NUL bytes (the
// first one stands for the program). Whatever is typed, the options come out consistent.
#include "FuzzCheck.h"
#include "base/CommandLine.h"

#include <QStringList>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QStringList arguments;
    for (const QByteArray &argument : QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0'))
        arguments << QString::fromLocal8Bit(argument);
    const CommandLineOptions options = parseCommandLine(arguments);
    FUZZ_CHECK(options.isBatchMode() == !options.fileToImport.isEmpty());
    const QString personality = options.personality();
    FUZZ_CHECK(personality.isEmpty() || personality == QLatin1String("FOOD") || personality == QLatin1String("ANIMAL FEED"));
    return 0;
}
