// Sample attachments against a real stand-in server: listed, added, fetched byte for byte and
// deleted there; refused before anything is sent when too large or too long; and what a dead or
// failing server leaves behind.
#include "samples/SampleAttachment_DM.h"

#include "base/VarnexError.h"
#include "support/ServerProcess.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

class TestSampleAttachment : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void attachListDownloadDelete();
    void refusedBeforeSending_data();
    void refusedBeforeSending();
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
