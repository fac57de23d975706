// Start-up of Varnex Desktop: the long-lived modules are created in a fixed order, then either the
// interactive path (login dialog, main window) or the unattended batch import runs.

#include "BatchLogin.h"
#include "CommandLine.h"
#include "FBAnydayConnector_DM.h"
#include "Main_DM.h"
#include "Prompter.h"
#include "QtPrompter.h"
#include "Registry_DM.h"

#include <QApplication>
#include <QCoreApplication>
#include <QStringList>

#include <memory>

namespace {

const QString AppTitle = QStringLiteral("Varnex Desktop");

QStringList rawArguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// The modules that live from start-up to the end of the program, in creation order.
struct StartUpModules
{
    std::unique_ptr<TRegistryDM> registry;
    std::unique_ptr<TMaindm> maindm;
    std::unique_ptr<TFBAnydacConnectorDm> connector;

    void create()
    {
        registry = std::make_unique<TRegistryDM>(QCoreApplication::applicationDirPath());
        RegistryDM = registry.get();
        if (!registry->creationError().isEmpty())
            Prompter::current().warning(AppTitle, registry->creationError());
        maindm = std::make_unique<TMaindm>();
        Maindm = maindm.get();
        connector = std::make_unique<TFBAnydacConnectorDm>(QStringLiteral("FBAnydacConnectorDm.ADConnection"));
    }

    ~StartUpModules()
    {
        // Freed in the reverse order of their creation.
        connector.reset();
        Maindm = nullptr;
        maindm.reset();
        RegistryDM = nullptr;
        registry.reset();
    }
};

void applyCommandLine(const CommandLineOptions &options, TMaindm &maindm)
{
    maindm.AllowInvalidSampleImport = options.allowInvalidToImport;
    const QString personality = options.personality();
    if (!personality.isEmpty())
        maindm.Personality = personality;
}

int runBatch(const CommandLineOptions &options)
{
    StartUpModules modules;
    modules.create();
    applyCommandLine(options, *modules.maindm);

    LocalStoreValues store;
    QString cause;
    if (!BatchLogin(options.userName, options.password, *modules.registry, *modules.maindm, *modules.connector,
                    store, &cause)) {
        Prompter::current().error(AppTitle, QStringLiteral("Invalid command line parameter: username specified not found.")
                                                + (cause.isEmpty() ? QString() : QStringLiteral("\n") + cause));
        return 1;
    }
    Prompter::current().error(AppTitle, QStringLiteral("The sample import is not available in this version; "
                                                       "nothing was imported from %1.")
                                            .arg(options.fileToImport));
    return 2;
}

int runInteractive(const CommandLineOptions &options)
{
    StartUpModules modules;
    modules.create();
    applyCommandLine(options, *modules.maindm);
    Prompter::current().error(AppTitle, QStringLiteral("The login dialog is not available in this version."));
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    const CommandLineOptions options = parseCommandLine(rawArguments(argc, argv));
    QCoreApplication::setApplicationName(AppTitle);
    QCoreApplication::setOrganizationName(QStringLiteral("Tarvello"));

    if (options.isBatchMode()) {
        // Nothing is modal in batch mode: every message goes to standard error.
        QCoreApplication app(argc, argv);
        BatchPrompter prompter;
        ScopedPrompter scope(&prompter);
        return runBatch(options);
    }

    QApplication app(argc, argv);
    QtPrompter prompter;
    ScopedPrompter scope(&prompter);
    return runInteractive(options);
}
