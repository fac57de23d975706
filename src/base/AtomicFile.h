#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QSaveFile>
#include <QString>

#include <functional>
#include <memory>

class QFile;
class QFileDevice;

// Writes all of data to a device opened with QIODevice::Unbuffered, repeating short writes, so that
// a failing write (disk full, size limit) surfaces as an error. A buffered QSaveFile can drop the
// tail of a short write and still commit; open it unbuffered and write through this.
bool writeFully(QFileDevice &device, const QByteArray &data, QString *errorMessage = nullptr);

// Replaces (or creates) the file with data in one step through QSaveFile: afterwards the file holds
// either the old content or all of the new. False, with *errorMessage naming the file and the cause,
// when it could not be written; the old file is then left as it was.
bool saveFileAtomically(const QString &fileName, const QByteArray &data, QString *errorMessage = nullptr);

// The same for a file written as a stream (by QXmlStreamWriter, say), without holding all of it
// in memory: open(), write as often as needed, then commit(). Writes are gathered into blocks and
// each block is written fully; the file is replaced only by a commit() that got every byte there.
// A failed write fails every later one (the writer sees it) and sets errorString(); destroying the
// device without a commit leaves the old file as it was.
class AtomicFileWriter : public QIODevice
{
public:
    explicit AtomicFileWriter(const QString &fileName);
    ~AtomicFileWriter() override;

    // Opens for writing; false, with *errorMessage as saveFileAtomically words it, on failure.
    bool open(QString *errorMessage = nullptr);
    // Writes what is left and replaces the file. False, with *errorMessage naming the file and the
    // cause, when any write failed or the file could not be replaced; the old file then stays.
    bool commit(QString *errorMessage = nullptr);

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 length) override;

private:
    bool writeOut(const QByteArray &bytes);
    bool flushBlock();
    bool fail(QString *errorMessage);

    QSaveFile m_file;
    QByteArray m_block;
    QString m_cause;
};

// A file that grows by whole appends, for a log kept beside work that is committed step by step:
// after each step the log says what the store holds, without holding the log in memory or writing
// it whole again. start() replaces the file in one step, as saveFileAtomically does, with its
// first bytes, so a new log never mixes with an old one. append() adds its bytes at the end and
// has them on the disk before it returns; one that fails (a short write, a full disk, a failed
// flush) is taken back (the file is cut to where it ended before) and reported, and the file then
// holds what it held. After a crash the file ends with the last append that returned, or with part
// of the one in hand when the crash came.
class AppendingFile
{
public:
    explicit AppendingFile(const QString &fileName);
    ~AppendingFile();
    AppendingFile(const AppendingFile &) = delete;
    AppendingFile &operator=(const AppendingFile &) = delete;

    QString fileName() const { return m_fileName; }
    // False, with *errorMessage as saveFileAtomically words it, when the file could not be made.
    bool start(const QByteArray &first = QByteArray(), QString *errorMessage = nullptr);
    // False, with *errorMessage naming the file and the cause, when the bytes are not all on the
    // disk; also when the file was not started.
    bool append(const QByteArray &bytes, QString *errorMessage = nullptr);

private:
    QString m_fileName;
    std::unique_ptr<QFile> m_file;
    qint64 m_size = 0;
};

// For a writer that can only write a file by name (a library that opens the file itself): write()
// is given a temporary name in the folder of fileName and writes the whole file there; when it
// returns true, the temporary file is renamed over fileName in one step, so that fileName holds
// either its old content or all of the new, never a part. When write() returns false (with the
// cause in its error text) or throws, the temporary file is removed and fileName is left as it
// was. False, with *errorMessage naming the file and the cause, when the file was not replaced.
bool writeFileThroughTemporary(const QString &fileName,
                               const std::function<bool(const QString &temporaryName, QString *error)> &write,
                               QString *errorMessage = nullptr);
