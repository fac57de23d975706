// The start-up update check runs off the GUI thread: its window paints and answers while the check
// waits, and the check's answer, its failure, a Cancel or the time limit end the waiting.
#include "app/UpdateCheckWindow.h"
#include "base/VarnexError.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <memory>

namespace {
// A check that holds until the test lets it go; everything it touches is its own.
std::function<bool()> heldCheck(const std::shared_ptr<QSemaphore> &release, bool answer)
{
    return [release, answer]() {
        release->acquire();
        return answer;
    };
}
} // namespace

class TestUpdateCheckWindow : public QObject
{
    Q_OBJECT

private slots:
    void answerComesBackWhileTheWindowPaints()
    {
        auto release = std::make_shared<QSemaphore>();
        UpdateCheckWindow window;
        bool shownWhileWaiting = false;
        int ticks = 0;
        QTimer ticker; // the GUI thread stays free while the check waits
        connect(&ticker, &QTimer::timeout, this, [&]() {
            ++ticks;
            if (ticks == 3) {
                shownWhileWaiting = window.isVisible() && window.lblStatus->text() == UpdateCheckWindow::CheckingText();
                window.repaint();
                release->release();
            }
        });
        ticker.start(20);
        QVERIFY(window.run(heldCheck(release, true), 10000));
        QVERIFY(shownWhileWaiting);
        QVERIFY(!window.isVisible());
    }

    void failureAndWaitEnds_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("error");
        QTest::newRow("check fails") << "fail" << "The update server did not answer.";
        QTest::newRow("cancel") << "cancel" << "The update check was cancelled.";
        QTest::newRow("window closed") << "close" << "The update check was cancelled.";
        QTest::newRow("time limit") << "limit" << "The update server did not answer within 0 seconds.";
    }
    void failureAndWaitEnds()
    {
        QFETCH(QString, how);
        QFETCH(QString, error);
        auto release = std::make_shared<QSemaphore>();
        std::function<bool()> check = heldCheck(release, true);
        if (how == QLatin1String("fail"))
            check = []() -> bool { throw VarnexError(QStringLiteral("The update server did not answer.")); };
        UpdateCheckWindow window;
        if (how == QLatin1String("cancel"))
            QTimer::singleShot(50, window.btnCancel, &QPushButton::click);
        if (how == QLatin1String("close"))
            QTimer::singleShot(50, &window, &QWidget::close);
        QElapsedTimer clock;
        clock.start();
        try {
            window.run(check, how == QLatin1String("limit") ? 300 : 10000);
            QFAIL("the check was reported as answered");
        } catch (const VarnexError &e) {
            QCOMPARE(e.message(), error);
        }
        QVERIFY(clock.elapsed() < 5000); // the held check did not keep the window waiting
        release->release();
    }
};

QTEST_MAIN(TestUpdateCheckWindow)
#include "tst_updatecheckwindow.moc"
