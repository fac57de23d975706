#include "samples/ui/MailMergeSamples.h"

#include "core/Main_DM.h"
#include "samples/SampleMailMerge.h"

#include <QApplication>
#include <QDesktopServices>
#include <QScopeGuard>
#include <QUrl>

void MailMergeSamples(const QStringList &uuids)
{
    TSampleMailMerge merge(Maindm ? Maindm->ibConnection() : QSqlDatabase(),
                           Maindm ? Maindm->AppPath() : QCoreApplication::applicationDirPath());
    for (const QString &uuid : uuids)
        merge.AddSampleToReport(uuid);
    merge.OpenDocument = [](const QString &path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto arrow = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    merge.DoMailMerge();
}
