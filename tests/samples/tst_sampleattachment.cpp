// Sample attachments against a real stand-in server: listed, added, fetched byte for byte and
// deleted there; refused before anything is sent when too large or too long; and what a dead or
// failing server leaves behind.
#include "samples/SampleAttachment_DM.h"

#include "base/VarnexError.h"
#include "remote/RemoteError.h"
#include "support/ServerProcess.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

namespace {

// Content that claims `size` bytes and gives `good` of them, then fails (or ends); sequential when
// asked, as a pipe is.
class BrokenContent : public QIODevice
{
public:
    BrokenContent(QByteArray bytes, qint64 good, bool fails, bool sequential = false)
        : m_bytes(std::move(bytes)), m_good(good), m_fails(fails), m_sequential(sequential)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return m_sequential; }
    qint64 size() const override { return m_sequential ? 0 : m_bytes.size(); }
    qint64 bytesAvailable() const override { return m_bytes.size() - m_at + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char *data, qint64 max) override
    {
        if (m_at >= m_good) {
            if (!m_fails)
                return m_sequential && m_at >= m_bytes.size() ? -1 : 0;
            setErrorString("the disk went away");
            return -1;
        }
        const qint64 n = std::min(max, m_good - m_at);
        std::memcpy(data, m_bytes.constData() + m_at, size_t(n));
        m_at += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_good;
    bool m_fails;
    bool m_sequential;
    qint64 m_at = 0;
};

QByteArray randomContent(qsizetype size, quint32 seed)
{
    QByteArray content(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(content.data()), content.size() / 4);
    return content;
}

} // namespace

class TestSampleAttachment : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void attachListDownloadDelete();
    void refusedBeforeSending_data();
    void refusedBeforeSending();
    void contentReadAsItIsSent();
    void contentThatCannotBeReadStoresNothing_data();
    void contentThatCannotBeReadStoresNothing();
    void failingServer();

private:
    std::unique_ptr<TSampleAttachmentDm> module() const;
    QString writeFile(const QString &name, const QByteArray &content);

    ServerProcess m_server;
    QTemporaryDir m_dir;
};

void TestSampleAttachment::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    QVERIFY(m_dir.isValid());
}

std::unique_ptr<TSampleAttachmentDm> TestSampleAttachment::module() const
{
    CentralServerSettings settings;
    settings.serverAddress = m_server.url();
    return std::make_unique<TSampleAttachmentDm>(settings, "DEMO");
}

QString TestSampleAttachment::writeFile(const QString &name, const QByteArray &content)
{
    const QString path = m_dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
        return {};
    return path;
}

void TestSampleAttachment::attachListDownloadDelete()
{
    const auto dm = module();
    QCOMPARE(dm->GetAttachments("S-LIST").rowCount(), 0);

    QByteArray content(3 * 1024 * 1024 + 17, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(content.data()), content.size() / 4);
    content[0] = '\0';
    const QString report = writeFile("report.pdf", content);
    const QString bare = writeFile("README", "plain");
    QVERIFY(!report.isEmpty() && !bare.isEmpty());
    const qint64 id = dm->UploadFile(report, "Scanned form", "S-LIST");
    QVERIFY(id > 0);
    dm->UploadFile(bare, QString(), "S-LIST");
    dm->UploadFile(bare, "other sample", "S-OTHER");

    const DataTable list = dm->RefreshAttachments();
    QCOMPARE(list.rowCount(), 2);
    QCOMPARE(list.value(0, "ID").toLongLong(), id);
    QCOMPARE(list.value(0, "FILE_NAME").toString(), QString("report.pdf"));
    QCOMPARE(list.value(0, "FILE_TYPE").toString(), QString(".pdf"));
    QCOMPARE(list.value(0, "FILE_DESCRIPTION").toString(), QString("Scanned form"));
    QVERIFY(list.value(0, "UPLOAD_TIMESTAMP").toDateTime().isValid());
    QCOMPARE(list.value(1, "FILE_NAME").toString(), QString("README"));
    QCOMPARE(list.value(1, "FILE_TYPE").toString(), QString(""));

    // Downloaded byte for byte, over an existing file.
    const QString target = writeFile("downloaded.pdf", "old content");
    QVERIFY(dm->SaveAttachmentToFile(id, target));
    QFile saved(target);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll() == content);
    saved.close();
    // A target that cannot be written: a clear message, the old file untouched.
    try {
        dm->SaveAttachmentToFile(id, m_dir.filePath("no such folder/x.pdf"));
        QFAIL("saved");
    } catch (const VarnexError &e) {
        QVERIFY2(e.message().contains("could not be saved to"), qPrintable(e.message()));
    }

    // Deleted on the server: gone from the list, and nothing left to download.
    dm->DeleteAttachment(id);
    QCOMPARE(dm->GetAttachments("S-LIST").rowCount(), 1);
    QVERIFY(!dm->SaveAttachmentToFile(id, m_dir.filePath("gone.pdf")));
    QVERIFY(!QFile::exists(m_dir.filePath("gone.pdf")));
    QCOMPARE(dm->GetAttachments("S-OTHER").rowCount(), 1);
}

void TestSampleAttachment::refusedBeforeSending_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("description");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("fault");
    QTest::newRow("too large") << "S-REF" << "" << TSampleAttachmentDm::MaxFileBytes + 1
                               << "The file \"big.bin\" is 50.0 MiB; attachments may be at most 50.0 MiB.";
    QTest::newRow("description too long") << "S-REF" << QString(4001, 'd') << qint64(10)
                                          << "The attachment's description is 4001 characters long; at most 4000 are kept.";
    QTest::newRow("code too long") << QString(31, 'C') << "" << qint64(10) << "sample code is 31 characters";
    QTest::newRow("no code yet") << "" << "" << qint64(10) << "save the sample first";
    QTest::newRow("duplicate") << "DUPLICATE" << "" << qint64(10) << "duplicated sample";
}

void TestSampleAttachment::refusedBeforeSending()
{
    QFETCH(QString, code);
    QFETCH(QString, description);
    QFETCH(qint64, size);
    QFETCH(QString, fault);
    QFile big(m_dir.filePath("big.bin"));
    QVERIFY(big.open(QIODevice::WriteOnly | QIODevice::Truncate) && big.resize(size));
    big.close();
    const auto dm = module();
    // The server refuses every call meanwhile: any call that reached it would fail differently.
    QVERIFY(m_server.control(R"({"failCall": "FileUploadService.UpdateData"})"));
    try {
        dm->UploadFile(big.fileName(), description, code);
        QFAIL("uploaded");
    } catch (const VarnexError &e) {
        QVERIFY2(e.message().contains(fault), qPrintable(e.message()));
    }
    QVERIFY(m_server.control(R"({"failCall": ""})"));
}

void TestSampleAttachment::contentReadAsItIsSent()
{
    // A sequential device (its length unknown ahead) and a random-access one, each arrives whole.
    const auto dm = module();
    const QByteArray content = randomContent(1024 * 1024 + 5, 3);
    BrokenContent pipe(content, content.size(), false, true);
    const qint64 fromPipe = dm->UploadStream(pipe, "pipe.bin", "from a pipe", "S-STREAM", ".bin");
    BrokenContent file(content.left(70000), 70000, false);
    const qint64 fromFile = dm->UploadStream(file, "file.bin", QString(), "S-STREAM", ".bin");
    QCOMPARE(dm->GetAttachment(fromPipe).value(0, "FILE_CONTENT").toByteArray(), content);
    QCOMPARE(dm->GetAttachment(fromFile).value(0, "FILE_CONTENT").toByteArray(), content.left(70000));
    QCOMPARE(dm->GetAttachments("S-STREAM").rowCount(), 2);
}

void TestSampleAttachment::contentThatCannotBeReadStoresNothing_data()
{
    QTest::addColumn<qint64>("good");
    QTest::addColumn<bool>("fails");
    QTest::newRow("fails at once") << qint64(0) << true;
    QTest::newRow("fails part of the way") << qint64(300 * 1024 + 1) << true;
    QTest::newRow("shorter than it said") << qint64(500 * 1024) << false;
}

void TestSampleAttachment::contentThatCannotBeReadStoresNothing()
{
    QFETCH(qint64, good);
    QFETCH(bool, fails);
    const auto dm = module();
    BrokenContent content(randomContent(1024 * 1024, 9), good, fails);
    try {
        dm->UploadStream(content, "broken.bin", "x", "S-BROKEN", ".bin");
        QFAIL("uploaded");
    } catch (const RemoteError &e) {
        QFAIL(qPrintable("reported as the server's fault: " + e.message()));
    } catch (const VarnexError &e) {
        QVERIFY2(e.message().startsWith("The attachment \"broken.bin\" cannot be read whole: "), qPrintable(e.message()));
        if (fails)
            QVERIFY2(e.message().contains("the disk went away"), qPrintable(e.message()));
    }
    // Nothing stored, and the module and the server carry on.
    QCOMPARE(dm->GetAttachments("S-BROKEN").rowCount(), 0);
    BrokenContent whole(randomContent(1000, 1), 1000, false);
    dm->UploadStream(whole, "whole.bin", "x", "S-BROKEN", ".bin");
    QCOMPARE(dm->RefreshAttachments().rowCount(), 1);
    module()->DeleteAttachment(dm->RefreshAttachments().value(0, "ID").toLongLong());
}

void TestSampleAttachment::failingServer()
{
    const auto dm = module();
    const QString file = writeFile("photo.jpg", "jpeg bytes");
    dm->GetAttachments("S-FAIL");

    // Refused by the server: nothing stored.
    QVERIFY(m_server.control(R"({"failCall": "FileUploadService.UpdateData"})"));
    QVERIFY_THROWS_EXCEPTION(VarnexError, dm->UploadFile(file, "x", "S-FAIL"));
    QCOMPARE(dm->RefreshAttachments().rowCount(), 0);
    // Stored, but the answer lost: the error is reported and a fresh list shows the file.
    QVERIFY(m_server.control(R"({"dropReply": "FileUploadService.UpdateData"})"));
    QVERIFY_THROWS_EXCEPTION(VarnexError, dm->UploadFile(file, "x", "S-FAIL"));
    QCOMPARE(dm->RefreshAttachments().rowCount(), 1);

    // A dead server: each call fails in its time, with the channel's message.
    m_server.kill();
    try {
        dm->GetAttachments("S-FAIL");
        QFAIL("listed");
    } catch (const VarnexError &e) {
        QVERIFY(!e.message().isEmpty());
    }
    QVERIFY_THROWS_EXCEPTION(VarnexError, dm->UploadFile(file, "x", "S-FAIL"));
    // Restarted (on a port of its own): what was stored is still there.
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    QCOMPARE(module()->GetAttachments("S-FAIL").rowCount(), 1);
}

QTEST_MAIN(TestSampleAttachment)
#include "tst_sampleattachment.moc"
