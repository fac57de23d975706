#include "update/UpdateOffer.h"

#include "base/Prompter.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace {
const QString &Title = Varnex::ProgramName;
}

bool UpdateOffer::offer(const std::function<bool()> &checkForAvailableUpdate, const QString &programFolder,
                        const std::function<bool(const QString &program)> &startDetached)
{
    bool available = false;
    try {
        available = checkForAvailableUpdate && checkForAvailableUpdate();
    } catch (...) {
        // An unreachable update service or a broken update setting must not keep anyone out.
        return false;
    }
    if (!available)
        return false;
    if (!Prompter::current().question(Title, question(), true))
        return false;

    const QString updater = QDir(programFolder).absoluteFilePath(updaterName());
    const QFileInfo info(updater);
    if (!info.isFile() || !info.isExecutable()) {
        Prompter::current().warning(Title, QStringLiteral("The update program \"%1\" was not found. %2 "
                                                          "carries on without the update.")
                                               .arg(QDir::toNativeSeparators(updater), Varnex::ProgramName));
        return false;
    }
    const bool started = startDetached ? startDetached(updater)
                                       : QProcess::startDetached(updater, {}, QDir(programFolder).absolutePath());
    if (!started) {
        Prompter::current().warning(Title, QStringLiteral("The update program \"%1\" could not be started. %2 "
                                                          "carries on without the update.")
                                               .arg(QDir::toNativeSeparators(updater), Varnex::ProgramName));
        return false;
    }
    return true;
}
