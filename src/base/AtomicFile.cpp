#include "base/AtomicFile.h"

#include <QSaveFile>

bool writeFully(QFileDevice &device, const QByteArray &data, QString *errorMessage)
{
    qint64 done = 0;
    while (done < data.size()) {
        const qint64 written = device.write(data.constData() + done, data.size() - done);
        if (written <= 0) {
            if (errorMessage)
                *errorMessage = device.errorString();
            return false;
        }
        done += written;
    }
    return true;
}

bool saveFileAtomically(const QString &fileName, const QByteArray &data, QString *errorMessage)
{
    QSaveFile file(fileName);
    QString cause;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        cause = file.errorString();
    } else if (!writeFully(file, data, &cause)) {
        file.cancelWriting();
    } else if (!file.commit()) {
        cause = file.errorString();
    } else {
        return true;
    }
    if (errorMessage)
        *errorMessage = QStringLiteral("Cannot write file '%1': %2").arg(fileName, cause);
    return false;
}
