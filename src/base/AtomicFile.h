#pragma once

#include <QByteArray>
#include <QString>

class QFileDevice;

// Writes all of data to a device opened with QIODevice::Unbuffered, repeating short writes, so that
// a failing write (disk full, size limit) surfaces as an error. A buffered QSaveFile can drop the
// tail of a short write and still commit; open it unbuffered and write through this.
bool writeFully(QFileDevice &device, const QByteArray &data, QString *errorMessage = nullptr);

// Replaces (or creates) the file with data in one step through QSaveFile: afterwards the file holds
// either the old content or all of the new. False, with *errorMessage naming the file and the cause,
// when it could not be written; the old file is then left as it was.
bool saveFileAtomically(const QString &fileName, const QByteArray &data, QString *errorMessage = nullptr);
