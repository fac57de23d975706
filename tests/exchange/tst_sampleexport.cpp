// The laboratory export engine against a real varnex-server: what reaches the postbox, what is
// recorded, and that nothing is recorded when the delivery failed.
#include "exchange/ExportFixture.h"

#include "base/VarnexError.h"
#include "data/PacketCipher.h"
#include "exchange/LabDelivery.h"
#include "remote/RemoteDataAdapter.h"
#include "remote/TableCodec.h"
#include "remote/WireCodec.h"
#include "support/ServerProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

using namespace Wire;

namespace {

const QStringList Officers{QStringLiteral("Jo Bloggs"), QStringLiteral("Pat O'Neil")};

qint64 announcedBatch(const QString &cover)
{
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Batch number: (\\d+)\r\n")).match(cover);
    return m.hasMatch() ? m.captured(1).toLongLong() : -1;
}

} // namespace

class TestSampleExport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void deliveryPostsThePacketAndRecordsItOnce();
    void failedDeliveryRecordsNothing_data();
    void failedDeliveryRecordsNothing();
    void refusesWhatCannotBeDelivered();
    void postboxFieldsAreKeptWithinTheirSizes();
    void resendPostsTheBatchAgainAndRecordsNothing();
    void fileDelivery_data();
    void fileDelivery();
    void fileAndBatchBothOrNeither();

private:
    CentralServerSettings settings() const
    {
        CentralServerSettings s;
        s.serverAddress = m_server.url();
        return s;
    }
    std::unique_ptr<TSampleExportDM> engine(ExportStore &store) const
    {
        return std::make_unique<TSampleExportDM>(*store.maindm, [this]() { return settings(); });
    }
    // The postbox rows that arrived since the last call, oldest first.
    QList<DataTable> newPostboxRows()
    {
        TDADataDm reader(settings());
        reader.ROChannel.setTargetUrl(m_server.url());
        RemoteDataAdapter adapter(reader.ROChannel, QStringLiteral("PostboxV9Service"), &reader.ROAESEncryptionEnvelope1);
        QList<DataTable> rows;
        for (;;) {
            const DataTable row = adapter.Open(QStringLiteral("FILE_FROM_LA_FOR_ID"), {{QStringLiteral("Id"), m_lastRow + 1}});
            if (row.rowCount() == 0)
                break;
            rows << row;
            ++m_lastRow;
        }
        return rows;
    }
    DataTable decodedPacket(qint64 id)
    {
        TDADataDm reader(settings());
        reader.ROChannel.setTargetUrl(m_server.url());
        RemoteDataAdapter adapter(reader.ROChannel, QStringLiteral("PostboxV9Service"), &reader.ROAESEncryptionEnvelope1);
        const Reply decoded = adapter.service().call(QStringLiteral("DecodeFile"), {Param::int64(QStringLiteral("Id"), id)});
        return decodeTable(readValue(decoded, QStringLiteral("Data"), Type::Table));
    }

    ServerProcess m_server;
    qint64 m_lastRow = 0;
};

void TestSampleExport::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
}

void TestSampleExport::init()
{
    QVERIFY(m_server.control(R"({"refuseServiceLogin":false,"failCall":null,"dropReply":null,"stallMs":0})"));
    newPostboxRows(); // what earlier tests left
}

void TestSampleExport::deliveryPostsThePacketAndRecordsItOnce()
{
    ExportStore s;
    // Jo's two samples and Pat's one go; the others differ in one way each.
    ExportStore::Sample jo;
    const QString a = s.addSample(jo);
    const QString b = s.addSample(jo);
    ExportStore::Sample pat;
    pat.officerCode = QStringLiteral("ON");
    pat.officerName = QStringLiteral("Pat O'Neil");
    const QString c = s.addSample(pat);
    ExportStore::Sample other = jo;
    other.lab = QStringLiteral("LAB2");
    const QString otherLab = s.addSample(other);
    other = jo;
    other.status = QStringLiteral("ENTERED");
    const QString entered = s.addSample(other);
    other = jo;
    other.recordType = QStringLiteral("ANIMAL FEED");
    const QString feed = s.addSample(other);
    // An officer code held by a deleted row as well: the sample still goes once.
    s.addOfficer(4, QStringLiteral("JB"), QStringLiteral("Jo Bloggs (old)"), QString(), QString(), QStringLiteral("T"));
    s.queueCancelled(QStringLiteral("ABC070009"));
    s.queueCancelled(QStringLiteral("ABC 0010"));

    auto dm = engine(s);
    const QString labName = QStringLiteral("County Laboratory (3 samples)");
    const QString cover = dm->GetTextToSendToLab(QStringLiteral("FOOD"), QStringLiteral("LAB1"), labName, Officers);
    const qint64 batch = announcedBatch(cover);
    QCOMPARE(batch, dm->ExportBatchId());
    QVERIFY(cover.contains(QStringLiteral("Number of samples being sent: 3\r\n")));
    QVERIFY(cover.contains(QStringLiteral("Samples for: Jo Bloggs (Tel: 0123 456 email: jo@abc.example)\r\n")));
    QVERIFY(cover.contains(QStringLiteral("Samples for: Pat O'Neil (Tel: Not supplied email: Not supplied)\r\n")));

    const DataTable expected = s.expectedPacket({a, b, c}); // as they are when they go
    QString late;
    const BackgroundOutcome<void> outcome = waitFor([&](TSampleExportDM::Done done) {
        dm->DeliverToLab(QStringLiteral("FOOD"), QStringLiteral("LAB1"), labName, QStringLiteral("Please rush"), Officers,
                         done);
        QVERIFY(dm->IsBusy());
        // Validated while the packet is on its way: it was not in the packet, so it stays.
        late = s.addSample(jo);
    });
    QVERIFY2(outcome.ok(), qPrintable(outcome.error));
    QVERIFY(!dm->IsBusy());

    const QList<DataTable> posted = newPostboxRows();
    QCOMPARE(posted.size(), 1);
    const DataTable &row = posted.first();
    const QList<std::pair<const char *, QString>> values = {
        {"SENDER_CODE", "ABC"},
        {"SENDER_DESCRIPTION", "Abbey Council"},
        {"SITE_CODE", "ABC01"},
        {"SITE_DESCRIPTION", "North Office"},
        {"RECIPIENT_CODE", "LAB1"},
        {"RECIPIENT_DESCRIPTION", labName},
        {"USER_NAME", "usr"},
        {"USER_EMAIL_ADDRESS", "usremail"},
        {"USER_TELEPHONE_NO", "usertel"},
        {"COMMENT", ""},
        {"SENDER_NOTES", "Please rush"},
        {"CONTENT_TYPE", "BINARY"},
        {"CANCELLED_SAMPLE_LIST", "ABC070009,\"ABC 0010\""},
    };
    for (const auto &[field, value] : values)
        QCOMPARE(row.value(0, QLatin1String(field)).toString(), value);
    // The packet carries exactly the selected rows, ordered by officer, every column of the
    // sample and of its officer, the officer's password left out.
    const DataTable packet = decodedPacket(row.value(0, QStringLiteral("ID")).toLongLong());
    QCOMPARE(packet, expected);

    // Recorded under the announced number, once.
    QCOMPARE(s.count(QStringLiteral("SELECT COUNT(*) FROM EXPORT_BATCH")), 1);
    QSqlQuery q = SqlUtil::exec(s.store.db(), QStringLiteral("SELECT * FROM EXPORT_BATCH"));
    QVERIFY(q.next());
    QCOMPARE(q.value(QStringLiteral("UNIQUE_ID")).toLongLong(), batch);
    QCOMPARE(q.value(QStringLiteral("LABORATORY_NAME")).toString(), labName);
    QCOMPARE(q.value(QStringLiteral("LABORATORY__CODE")).toString(), QStringLiteral("LAB1"));
    QCOMPARE(q.value(QStringLiteral("DELIVERY_METHOD")).toString(), QStringLiteral("Remote transfer"));
    QCOMPARE(q.value(QStringLiteral("PERSONALITY")).toString(), QStringLiteral("FOOD"));
    QCOMPARE(q.value(QStringLiteral("COMMENT")).toString(), QStringLiteral("Please rush"));
    QCOMPARE(q.value(QStringLiteral("SAMPLING_OFFICER_NAMES")).toString(), QStringLiteral("Jo Bloggs\r\nPat O'Neil\r\n"));
    for (const QString &uuid : {a, b, c}) {
        QCOMPARE(s.status(uuid), QStringLiteral("EXPORTED"));
        QCOMPARE(s.store.scalar(QStringLiteral("SELECT EXPORT_BATCH__UNIQUE_ID FROM SAMPLE WHERE UNIQUE_UUID = ?"), {uuid})
                     .toLongLong(),
                 batch);
    }
    for (const QString &uuid : {otherLab, late})
        QCOMPARE(s.status(uuid), QStringLiteral("VALIDATED"));
    QCOMPARE(s.status(entered), QStringLiteral("ENTERED"));
    QCOMPARE(s.status(feed), QStringLiteral("VALIDATED"));
    QVERIFY(s.cancelledCodes().isEmpty());

    // The same number cannot be delivered twice.
    QVERIFY_THROWS_EXCEPTION(VarnexError, dm->DeliverToLab(QStringLiteral("FOOD"), QStringLiteral("LAB1"), labName,
                                                           QString(), Officers, [](const BackgroundOutcome<void> &) {}));
    QVERIFY(newPostboxRows().isEmpty());
}

void TestSampleExport::failedDeliveryRecordsNothing_data()
{
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<bool>("storeRefuses");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("postedByFailure");
    QTest::addColumn<int>("postedByRetry");
    const QString notRecorded = QStringLiteral("Nothing has been recorded");
    QTest::newRow("service login refused") << QByteArray(R"({"refuseServiceLogin":true})") << false << notRecorded << 0 << 1;
    QTest::newRow("post fails") << QByteArray(R"({"failCall":"PostboxV9Service.UpdateData"})") << false << notRecorded << 0 << 1;
    QTest::newRow("reply dropped after the post")
        << QByteArray(R"({"dropReply":"PostboxV9Service.UpdateData"})") << false << notRecorded << 1 << 1;
    // Posted, but the store refuses the record: the message names the batch, and sending again
    // records it without posting a second time.
    QTest::newRow("record refused after the post")
        << QByteArray("{}") << true << QStringLiteral("posted to the laboratory's postbox as batch %1") << 1 << 0;
}

// Whatever happened on the way, the batch is not recorded, the samples stay ready and the
// cancelled codes stay queued (the record is one transaction); sending again uses the number the
// cover text announced.
void TestSampleExport::failedDeliveryRecordsNothing()
{
    QFETCH(QByteArray, fault);
    QFETCH(bool, storeRefuses);
    QFETCH(QString, message);
    QFETCH(int, postedByFailure);
    QFETCH(int, postedByRetry);
    ExportStore s;
    const QString a = s.addSample({});
    s.queueCancelled(QStringLiteral("ABC070001"));
    auto dm = engine(s);
    const QString cover = dm->GetTextToSendToLab(QStringLiteral("FOOD"), QStringLiteral("LAB1"), QStringLiteral("Lab"),
                                                 {QStringLiteral("Jo Bloggs")});
    const qint64 batch = announcedBatch(cover);

    QVERIFY(m_server.control(fault));
    if (storeRefuses)
        s.refuseBatches(true);
    const auto deliver = [&](TSampleExportDM::Done done) {
        dm->DeliverToLab(QStringLiteral("FOOD"), QStringLiteral("LAB1"), QStringLiteral("Lab"), cover,
                         {QStringLiteral("Jo Bloggs")}, done);
    };
    const BackgroundOutcome<void> failed = waitFor(deliver);
    QVERIFY(!failed.ok());
    QVERIFY2(failed.error.contains(message.contains(QLatin1String("%1")) ? message.arg(batch) : message),
             qPrintable(failed.error));
    QVERIFY(!dm->IsBusy());
    QCOMPARE(newPostboxRows().size(), postedByFailure);
    QCOMPARE(s.count(QStringLiteral("SELECT COUNT(*) FROM EXPORT_BATCH")), 0);
    QCOMPARE(s.status(a), QStringLiteral("VALIDATED"));
    QCOMPARE(s.cancelledCodes(), QStringList{QStringLiteral("ABC070001")});
    QCOMPARE(dm->ExportBatchId(), batch);

    QVERIFY(m_server.control(R"({"refuseServiceLogin":false})"));
    if (storeRefuses)
        s.refuseBatches(false);
    const BackgroundOutcome<void> retried = waitFor(deliver);
    QVERIFY2(retried.ok(), qPrintable(retried.error));
    QCOMPARE(newPostboxRows().size(), postedByRetry);
    QCOMPARE(s.count(QStringLiteral("SELECT COUNT(*) FROM EXPORT_BATCH WHERE UNIQUE_ID = ?"), {batch}), 1);
    QCOMPARE(s.status(a), QStringLiteral("EXPORTED"));
    QVERIFY(s.cancelledCodes().isEmpty());
}

void TestSampleExport::refusesWhatCannotBeDelivered()
{
    ExportStore s;
    s.addSample({});
    auto dm = engine(s);
    const auto deliver = [&](const QString &lab) {
        dm->DeliverToLab(QStringLiteral("FOOD"), lab, QStringLiteral("Lab"), QString(), {QStringLiteral("Jo Bloggs")},
                         [](const BackgroundOutcome<void> &) {});
    };
    // No cover text, no batch number.
    try {
        deliver(QStringLiteral("LAB1"));
        QFAIL("a delivery without a batch number was taken");
    } catch (const VarnexError &e) {
        QVERIFY2(e.message().startsWith(QStringLiteral("No batch number has been taken")), qPrintable(e.message()));
    }
    dm->SetExportId();
    try {
        deliver(QStringLiteral("LAB9"));
        QFAIL("an empty delivery was taken");
    } catch (const VarnexError &e) {
        QCOMPARE(e.message(), TSampleExportDM::NoSamplesText());
    }
    try {
        dm->ReExportToLab(999, [](const BackgroundOutcome<void> &) {});
        QFAIL("an unknown batch was sent");
    } catch (const VarnexError &e) {
        QCOMPARE(e.message(), QStringLiteral("No batch number with id = 999"));
    }
    QString folder = QDir::tempPath();
    QVERIFY_THROWS_EXCEPTION(VarnexError, dm->ReExportToFile(999, folder));
    QVERIFY_THROWS_EXCEPTION(VarnexError, dm->RunExport(QString()));
    QVERIFY(!dm->IsBusy());
    QVERIFY(newPostboxRows().isEmpty());
    QCOMPARE(s.count(QStringLiteral("SELECT COUNT(*) FROM EXPORT_BATCH")), 0);
}

// A long laboratory name, more cancelled codes than the postbox row takes and a long cover text:
// the delivery goes all the same, every sample in the packet.
void TestSampleExport::postboxFieldsAreKeptWithinTheirSizes()
{
    ExportStore s;
    QStringList uuids;
    for (int i = 0; i < 80; ++i) {
        ExportStore::Sample sample;
        sample.description = QStringLiteral("A food description that takes a fair part of a line, number %1").arg(i);
        uuids << s.addSample(sample);
    }
    QStringList queued;
    for (int i = 0; i < 500; ++i) {
        queued << QStringLiteral("ABC07%1").arg(i, 4, 10, QLatin1Char('0'));
        s.queueCancelled(queued.last());
    }
    auto dm = engine(s);
    const QString labName = QString(130, QLatin1Char('L')) + QStringLiteral(" (80 samples)");
    const QString cover = dm->GetTextToSendToLab(QStringLiteral("FOOD"), QStringLiteral("LAB1"), labName,
                                                 {QStringLiteral("Jo Bloggs")});
    QVERIFY(cover.size() <= LabDelivery::SenderNotesSize);
    QVERIFY(cover.endsWith(QStringLiteral(" more\r\n")));

    // A comment the postbox cannot take is refused before anything is sent.
    QVERIFY_THROWS_EXCEPTION(VarnexError, dm->DeliverToLab(QStringLiteral("FOOD"), QStringLiteral("LAB1"), labName,
                                                           QString(4001, QLatin1Char('c')), {QStringLiteral("Jo Bloggs")},
                                                           [](const BackgroundOutcome<void> &) {}));
    const BackgroundOutcome<void> outcome = waitFor([&](TSampleExportDM::Done done) {
        dm->DeliverToLab(QStringLiteral("FOOD"), QStringLiteral("LAB1"), labName, cover, {QStringLiteral("Jo Bloggs")}, done);
    });
    QVERIFY2(outcome.ok(), qPrintable(outcome.error));
    const QList<DataTable> posted = newPostboxRows();
    QCOMPARE(posted.size(), 1);
    const QString recipient = posted.first().value(0, QStringLiteral("RECIPIENT_DESCRIPTION")).toString();
    QVERIFY(recipient.size() <= LabDelivery::RecipientDescriptionSize);
    QVERIFY(recipient.endsWith(QStringLiteral("... (80 samples)")));
    QCOMPARE(s.store.scalar(QStringLiteral("SELECT LABORATORY_NAME FROM EXPORT_BATCH")).toString(), recipient);
    const QString sent = posted.first().value(0, QStringLiteral("CANCELLED_SAMPLE_LIST")).toString();
    const int fitting = LabDelivery::itemsThatFit(queued);
    QCOMPARE(sent, queued.mid(0, fitting).join(QLatin1Char(',')));
    QCOMPARE(s.cancelledCodes(), queued.mid(fitting)); // the rest wait for the next delivery
    QCOMPARE(decodedPacket(posted.first().value(0, QStringLiteral("ID")).toLongLong()).rowCount(), 80);
}

void TestSampleExport::resendPostsTheBatchAgainAndRecordsNothing()
{
    ExportStore s;
    const QString a = s.addSample({});
    ExportStore::Sample second;
    second.laSampleNo = QStringLiteral("AAA-first");
    const QString b = s.addSample(second);
    auto dm = engine(s);
    dm->GetTextToSendToLab(QStringLiteral("FOOD"), QStringLiteral("LAB1"), QStringLiteral("Lab (2 samples)"),
                           {QStringLiteral("Jo Bloggs")});
    const qint64 batch = dm->ExportBatchId();
    QVERIFY(waitFor([&](TSampleExportDM::Done done) {
                dm->DeliverToLab(QStringLiteral("FOOD"), QStringLiteral("LAB1"), QStringLiteral("Lab (2 samples)"),
                                 QString(), {QStringLiteral("Jo Bloggs")}, done);
            }).ok());
    newPostboxRows();
    // Since the delivery one sample came back complete and a code was cancelled.
    s.store.exec(QStringLiteral("UPDATE SAMPLE SET SAMPLE_STATUS__CODE = 'COMPLETE' WHERE UNIQUE_UUID = ?"), {a});
    s.queueCancelled(QStringLiteral("ABC070001"));
    const auto batchRow = [&s]() {
        QSqlQuery q = SqlUtil::exec(s.store.db(), QStringLiteral("SELECT * FROM EXPORT_BATCH"));
        QVariantList values;
        while (q.next())
            for (int i = 0; i < q.record().count(); ++i)
                values << q.value(i);
        return values;
    };
    const QVariantList before = batchRow();

    for (int round = 0; round < 2; ++round) {
        const BackgroundOutcome<void> outcome =
            waitFor([&](TSampleExportDM::Done done) { dm->ReExportToLab(batch, done); });
        QVERIFY2(outcome.ok(), qPrintable(outcome.error));
        const QList<DataTable> posted = newPostboxRows();
        QCOMPARE(posted.size(), 1);
        QCOMPARE(posted.first().value(0, QStringLiteral("RECIPIENT_CODE")).toString(), QStringLiteral("LAB1"));
        QCOMPARE(posted.first().value(0, QStringLiteral("RECIPIENT_DESCRIPTION")).toString(),
                 QStringLiteral("County Laboratory"));
        QCOMPARE(posted.first().value(0, QStringLiteral("SENDER_NOTES")).toString(), QStringLiteral("No notes provided"));
        QCOMPARE(posted.first().value(0, QStringLiteral("CANCELLED_SAMPLE_LIST")).toString(), QString());
        // Ordered by the authority's sample number; the completed one is still in the batch.
        QCOMPARE(decodedPacket(posted.first().value(0, QStringLiteral("ID")).toLongLong()), s.expectedPacket({b, a}));
    }
    QCOMPARE(batchRow(), before);
    QCOMPARE(s.status(a), QStringLiteral("COMPLETE"));
    QCOMPARE(s.status(b), QStringLiteral("EXPORTED"));
    QCOMPARE(s.cancelledCodes(), QStringList{QStringLiteral("ABC070001")});
    QCOMPARE(dm->ExportBatchId(), batch);
}

void TestSampleExport::fileDelivery_data()
{
    QTest::addColumn<bool>("trailingSeparator");
    QTest::newRow("folder without trailing separator") << false;
    QTest::newRow("folder with trailing separator") << true;
}

void TestSampleExport::fileDelivery()
{
    QFETCH(bool, trailingSeparator);
    ExportStore s;
    const QString a = s.addSample({});
    s.queueCancelled(QStringLiteral("ABC070001"));
    // The next export id is 152.
    s.store.scalar(QStringLiteral("SELECT GEN_ID(GEN_EXPORT_ID, 151 - GEN_ID(GEN_EXPORT_ID, 0)) FROM RDB$DATABASE"));
    QTemporaryDir out;
    const QString folder = out.path() + (trailingSeparator ? QStringLiteral("/") : QString());
    auto dm = engine(s);
    const DataTable expected = s.expectedPacket({a});
    const QString written = dm->DeliverToFile(QStringLiteral("FOOD"), QStringLiteral("LAB1"),
                                              QStringLiteral("County Laboratory (1 sample)"), folder, QString(),
                                              {QStringLiteral("Jo Bloggs")});
    QCOMPARE(written, out.filePath(QStringLiteral("ABC07152.enc")));
    DataTable packet;
    QString error;
    QVERIFY2(PacketCipher::loadPacket(written, &packet, &error), qPrintable(error));
    QCOMPARE(packet, expected);
    QCOMPARE(s.store.scalar(QStringLiteral("SELECT DELIVERY_METHOD FROM EXPORT_BATCH WHERE UNIQUE_ID = 152")).toString(),
             QStringLiteral("File transfer"));
    QCOMPARE(s.status(a), QStringLiteral("EXPORTED"));
    QCOMPARE(s.cancelledCodes(), QStringList{QStringLiteral("ABC070001")});
    QCOMPARE(dm->ExportBatchId(), 0);
    QVERIFY(newPostboxRows().isEmpty());

    // Saving the batch again replaces that file under the same name.
    QFile::remove(written);
    QString again = folder;
    dm->ReExportToFile(152, again);
    QCOMPARE(again, written);
    QVERIFY(PacketCipher::loadPacket(written, &packet, &error));
    QCOMPARE(packet, s.expectedPacket({a}));
    QCOMPARE(s.count(QStringLiteral("SELECT COUNT(*) FROM EXPORT_BATCH")), 1);
}

void TestSampleExport::fileAndBatchBothOrNeither()
{
    ExportStore s;
    const QString a = s.addSample({});
    auto dm = engine(s);
    QTemporaryDir out;
    const auto deliver = [&](const QString &folder) {
        return dm->DeliverToFile(QStringLiteral("FOOD"), QStringLiteral("LAB1"), QStringLiteral("Lab"), folder, QString(),
                                 {QStringLiteral("Jo Bloggs")});
    };
    // No file: no batch.
    QVERIFY_THROWS_EXCEPTION(VarnexError, deliver(out.filePath(QStringLiteral("missing/folder"))));
    QCOMPARE(s.count(QStringLiteral("SELECT COUNT(*) FROM EXPORT_BATCH")), 0);
    QCOMPARE(s.status(a), QStringLiteral("VALIDATED"));
    // No batch: no file.
    s.refuseBatches(true);
    QVERIFY_THROWS_EXCEPTION(VarnexError, deliver(out.path()));
    QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList());
    QCOMPARE(s.status(a), QStringLiteral("VALIDATED"));
    s.refuseBatches(false);
    const QString written = deliver(out.path());
    QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{QFileInfo(written).fileName()});
    QCOMPARE(s.status(a), QStringLiteral("EXPORTED"));
}

QTEST_MAIN(TestSampleExport)
#include "tst_sampleexport.moc"
