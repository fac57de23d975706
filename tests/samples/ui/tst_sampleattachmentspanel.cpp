// The attachments panel of the sample editors offscreen, against a real stand-in server: what the
// officer is asked, what is opened, and what a failure shows and leaves in the list.
#include "samples/ui/SampleAttachmentsPanel.h"

#include "base/Prompter.h"
#include "samples/SampleAttachment_DM.h"
#include "support/ServerProcess.h"

#include <QFile>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

class TestSampleAttachmentsPanel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void addSaveOpenDelete();
    void failuresAreShownAndTheListReRead();
    void sampleWithoutCodeListsNothing();

private:
    std::unique_ptr<SampleAttachmentsPanel> panel(const QString &code);

    ServerProcess m_server;
    QTemporaryDir m_dir;
    RecordingPrompter m_prompter;
};

void TestSampleAttachmentsPanel::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    QVERIFY(m_dir.isValid());
}

std::unique_ptr<SampleAttachmentsPanel> TestSampleAttachmentsPanel::panel(const QString &code)
{
    auto p = std::make_unique<SampleAttachmentsPanel>([code]() { return code; });
    const QString url = m_server.url();
    p->MakeModule = [url]() {
        CentralServerSettings settings;
        settings.serverAddress = url;
        return std::make_shared<TSampleAttachmentDm>(settings, "DEMO");
    };
    p->OpenFile = [](const QString &) { QFAIL("opened unasked"); };
    return p;
}

void TestSampleAttachmentsPanel::addSaveOpenDelete()
{
    ScopedPrompter scope(&m_prompter);
    m_prompter.clear();
    auto p = panel("S-PANEL");
    QVERIFY(!p->actAddAttachment->isEnabled());
    p->OpenAttachments();
    QVERIFY(!p->actOpenAttachments->isEnabled()); // off while the call runs
    QTRY_VERIFY_WITH_TIMEOUT(!p->Busy(), 20000);
    QCOMPARE(p->srcAttachments->rowCount(), 0);
    QVERIFY(p->actAddAttachment->isEnabled());

    const QString source = m_dir.filePath("label photo.jpg");
    QFile f(source);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(200000, 'j'));
    f.close();
    m_prompter.queueFileName(source);
    m_prompter.queueText(std::nullopt); // the description box cancelled: uploaded without one
    p->actAddAttachment->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!p->Busy(), 20000);
    QCOMPARE(m_prompter.texts(Prompter::Kind::TextInput), QStringList({"Description of file"}));
    QCOMPARE(p->srcAttachments->rowCount(), 1);
    QCOMPARE(p->srcAttachments->item(0, 0)->text(), QString("label photo.jpg"));
    QCOMPARE(p->srcAttachments->item(0, 1)->text(), QString(".jpg"));
    QVERIFY(p->SelectedId() > 0);

    // Saved under the proposed name, then opened on Yes; not opened on No.
    const QString target = m_dir.filePath("saved.jpg");
    m_prompter.queueFileName(target);
    QStringList opened;
    p->OpenFile = [&opened](const QString &path) { opened << path; };
    m_prompter.queueAnswer(true);
    p->actDownloadAttachment->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!p->Busy(), 20000);
    QCOMPARE(m_prompter.texts(Prompter::Kind::SaveFile).size(), 1);
    QCOMPARE(m_prompter.calls().at(m_prompter.calls().size() - 2).initialText, QString("label photo.jpg"));
    QCOMPARE(opened, QStringList({target}));
    QFile saved(target);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray(200000, 'j'));
    saved.close();
    m_prompter.queueFileName(target);
    m_prompter.queueAnswer(false);
    p->actDownloadAttachment->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!p->Busy(), 20000);
    QCOMPARE(opened.size(), 1);

    // Deleted on Yes only.
    m_prompter.queueAnswer(false);
    p->actDeleteAttachment->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!p->Busy(), 20000);
    QCOMPARE(p->srcAttachments->rowCount(), 1);
    m_prompter.queueAnswer(true);
    p->actDeleteAttachment->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!p->Busy(), 20000);
    QCOMPARE(p->srcAttachments->rowCount(), 0);
    QVERIFY(m_prompter.texts(Prompter::Kind::Question).contains(SampleAttachmentsPanel::DeleteQuestion()));
    QCOMPARE(m_prompter.texts(Prompter::Kind::Error), QStringList());
}

void TestSampleAttachmentsPanel::failuresAreShownAndTheListReRead()
{
    ScopedPrompter scope(&m_prompter);
    m_prompter.clear();
    auto p = panel("S-PANEL-FAIL");
    p->OpenAttachments();
    QTRY_VERIFY_WITH_TIMEOUT(!p->Busy(), 20000);
    const QString source = m_dir.filePath("scan.pdf");
    QFile f(source);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("pdf");
    f.close();
    m_prompter.queueFileName(source);

    // The answer is lost after the server stored the file: the error is shown, the list shows it.
    QVERIFY(m_server.control(R"({"dropReply": "FileUploadService.UpdateData"})"));
    m_prompter.queueText(QString("first"));
    p->actAddAttachment->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!p->Busy(), 20000);
    QCOMPARE(m_prompter.texts(Prompter::Kind::Error).size(), 1);
    QCOMPARE(p->srcAttachments->rowCount(), 1);

    // Too large: refused at once, before its description is asked, named with its size and the
    // limit; nothing sent.
    QFile big(m_dir.filePath("huge.iso"));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(TSampleAttachmentDm::MaxFileBytes + 1024 * 1024));
    big.close();
    m_prompter.queueFileName(big.fileName());
    const qsizetype descriptionsAsked = m_prompter.texts(Prompter::Kind::TextInput).size();
    p->actAddAttachment->trigger();
    QVERIFY(!p->Busy());
    QCOMPARE(m_prompter.texts(Prompter::Kind::TextInput).size(), descriptionsAsked);
    QCOMPARE(m_prompter.texts(Prompter::Kind::Error).last(),
             QString("The file \"huge.iso\" is 51.0 MiB; attachments may be at most 50.0 MiB."));
    QCOMPARE(p->srcAttachments->rowCount(), 1);

    // A target that cannot be written: said so, nothing opened.
    m_prompter.queueFileName(m_dir.filePath("missing folder/out.pdf"));
    p->actDownloadAttachment->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!p->Busy(), 20000);
    QVERIFY(m_prompter.texts(Prompter::Kind::Error).last().contains("could not be saved"));
}

void TestSampleAttachmentsPanel::sampleWithoutCodeListsNothing()
{
    ScopedPrompter scope(&m_prompter);
    m_prompter.clear();
    for (const char *code : {"", "DUPLICATE"}) {
        auto p = panel(code);
        p->MakeModule = []() -> std::shared_ptr<TSampleAttachmentDm> {
            QTest::qFail("no module for a sample without code", __FILE__, __LINE__);
            return nullptr;
        };
        p->OpenAttachments();
        QVERIFY(!p->Busy());
        QVERIFY(!p->actAddAttachment->isEnabled());
        QVERIFY(p->toolTip().contains("save the sample first"));
    }
    QCOMPARE(m_prompter.calls().size(), 0);
}

QTEST_MAIN(TestSampleAttachmentsPanel)
#include "tst_sampleattachmentspanel.moc"
