#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QFileDevice;

// Writes all of data to a device opened with QIODevice::Unbuffered, repeating short writes, so that
// a failing write (disk full, size limit) surfaces as an error. A buffered QSaveFile can drop the
// tail of a short write and still commit; open it unbuffered and write through this.
bool writeFully(QFileDevice &device, const QByteArray &data, QString *errorMessage = nullptr);

// Replaces (or creates) the file with data in one step through QSaveFile: afterwards the file holds
// either the old content or all of the new. False, with *errorMessage naming the file and the cause,
// when it could not be written; the old file is then left as it was.
bool saveFileAtomically(const QString &fileName, const QByteArray &data, QString *errorMessage = nullptr);

// For a writer that can only write a file by name (a library that opens the file itself): write()
// is given a temporary name in the folder of fileName and writes the whole file there; when it
// returns true, the temporary file is renamed over fileName in one step, so that fileName holds
// either its old content or all of the new, never a part. When write() returns false (with the
// cause in its error text) or throws, the temporary file is removed and fileName is left as it
// was. False, with *errorMessage naming the file and the cause, when the file was not replaced.
bool writeFileThroughTemporary(const QString &fileName,
                               const std::function<bool(const QString &temporaryName, QString *error)> &write,
                               QString *errorMessage = nullptr);
