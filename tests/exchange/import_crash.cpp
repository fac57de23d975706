// import_crash <store> <program folder> <sample file> <log line>
//
// Runs the command-line import of the sample file into the store, as a batch run does (food), and
// ends the process without a word (SIGKILL) when the import reports the given log line: what is
// left behind is what a crash at that moment leaves. Exit status 0 when the line never came, 2
// when the import stopped.
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "exchange/ImportSamplesXML_DM.h"
#include "reference/LookupData_DM.h"
#include "store/LocalDatabase.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: import_crash <store> <program folder> <sample file> <log line>\n");
        return 64;
    }
    const QString line = QString::fromLocal8Bit(argv[4]);
    openLocalDatabase(QString::fromLocal8Bit(argv[1]), QLatin1String(TMaindm::ConnectionName));
    TMaindm maindm;
    Maindm = &maindm;
    maindm.Personality = QStringLiteral("FOOD");
    TLookupDataDm lookups([&maindm]() { return maindm.ibConnection(); }, []() { return QString(); });
    lookups.RefreshDatasetsFromDatabase();
    TImportSamplesXMLDM import(maindm, lookups, QString::fromLocal8Bit(argv[2]));
    import.SetFileName(QString::fromLocal8Bit(argv[3]));
    import.Report = [&line](const QString &reported) {
        if (reported == line)
            std::raise(SIGKILL);
    };
    try {
        import.RunImport();
    } catch (const VarnexError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 2;
    }
    return 0;
}
