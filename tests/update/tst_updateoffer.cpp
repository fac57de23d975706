#include "base/Prompter.h"
#include "update/UpdateOffer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

class TestUpdateOffer : public QObject
{
    Q_OBJECT
private slots:
    void offer_data()
    {
        QTest::addColumn<QString>("check");      // "none", "available", "throws"
        QTest::addColumn<bool>("answerYes");
        QTest::addColumn<bool>("updaterPresent");
        QTest::addColumn<bool>("startSucceeds");
        QTest::addColumn<bool>("ends");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("started");
        QTest::addColumn<bool>("warned");

        QTest::newRow("no update") << "none" << true << true << true << false << false << false << false;
        QTest::newRow("check fails silently") << "throws" << true << true << true << false << false << false << false;
        QTest::newRow("declined") << "available" << false << true << true << false << true << false << false;
        QTest::newRow("accepted") << "available" << true << true << true << true << true << true << false;
        QTest::newRow("accepted, updater missing") << "available" << true << false << true << false << true << false << true;
        QTest::newRow("accepted, start fails") << "available" << true << true << false << false << true << true << true;
    }
    void offer()
    {
        QFETCH(QString, check);
        QFETCH(bool, answerYes);
        QFETCH(bool, updaterPresent);
        QFETCH(bool, startSucceeds);
        QFETCH(bool, ends);
        QFETCH(bool, asked);
        QFETCH(bool, started);
        QFETCH(bool, warned);

        QTemporaryDir folder;
        const QString updater = folder.filePath(UpdateOffer::updaterName());
        if (updaterPresent) {
            QFile f(updater);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("#!/bin/sh\n");
            f.close();
            f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
        }
        RecordingPrompter prompter;
        ScopedPrompter scope(&prompter);
        prompter.queueAnswer(answerYes);
        QString startedProgram;
        const bool result = UpdateOffer::offer(
            [&]() -> bool {
                if (check == QLatin1String("throws"))
                    throw std::runtime_error("update service unreachable");
                return check == QLatin1String("available");
            },
            folder.path(),
            [&](const QString &program) {
                startedProgram = program;
                return startSucceeds;
            });

        QCOMPARE(result, ends);
        QCOMPARE(prompter.texts(Prompter::Kind::Question).contains(UpdateOffer::question()), asked);
        QCOMPARE(startedProgram == updater, started);
        QCOMPARE(!prompter.texts(Prompter::Kind::Warning).isEmpty(), warned);
    }
};

QTEST_GUILESS_MAIN(TestUpdateOffer)
#include "tst_updateoffer.moc"
