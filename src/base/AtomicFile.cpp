#include "base/AtomicFile.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <filesystem>

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

bool writeFileThroughTemporary(const QString &fileName,
                               const std::function<bool(const QString &temporaryName, QString *error)> &write,
                               QString *errorMessage)
{
    const QFileInfo target(fileName);
    QString cause;
    // The name is reserved by creating the file; the writer then writes it anew by that name.
    QTemporaryFile reserved(target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
    reserved.setAutoRemove(false);
    if (!reserved.open()) {
        cause = reserved.errorString();
    } else {
        const QString temporaryName = reserved.fileName();
        reserved.close();
        bool written = false;
        try {
            written = write(temporaryName, &cause);
        } catch (...) {
            QFile::remove(temporaryName);
            throw;
        }
        if (written) {
            // A new file gets the permissions a plain new file would; a replaced one keeps its own.
            const QFile::Permissions permissions = target.exists()
                ? QFile::permissions(fileName)
                : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
            QFile::setPermissions(temporaryName, permissions);
            std::error_code error;
            std::filesystem::rename(QFile::encodeName(temporaryName).toStdString(),
                                    QFile::encodeName(target.absoluteFilePath()).toStdString(), error);
            if (!error)
                return true;
            cause = QString::fromLocal8Bit(error.message());
        } else if (cause.isEmpty()) {
            cause = QStringLiteral("the file was not written");
        }
        QFile::remove(temporaryName);
    }
    if (errorMessage)
        *errorMessage = QStringLiteral("Cannot write file '%1': %2").arg(fileName, cause);
    return false;
}
