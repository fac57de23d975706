// The duplicate options dialog offscreen: what it starts with, and "Open duplicate once created"
// meaning something only for one copy.
#include "samples/ui/DuplicateSampleOptions_FRM.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

class TestDuplicateSampleOptionsFrm : public QObject
{
    Q_OBJECT

private slots:
    void openOnlyForOneCopy()
    {
        TDuplicateSampleOptionsFrm form;
        QCOMPARE(form.windowTitle(), QString("Duplicate options"));
        QVERIFY(!form.UseSampleOfficer() && !form.UseDateTime() && !form.OpenAfterCreate());
        QCOMPARE(form.NumberToCreate(), 1);
        QCOMPARE(form.spnNumberToCreate->maximum(), 50);
        QCOMPARE(form.spnNumberToCreate->minimum(), 0);
        form.chkOpenAfterCreate->setChecked(true);
        QVERIFY(form.OpenAfterCreate());
        form.spnNumberToCreate->setValue(2);
        QVERIFY(!form.chkOpenAfterCreate->isEnabled());
        QVERIFY2(!form.Options().OpenAfterCreate, "a copy of several is never opened");
        form.spnNumberToCreate->setValue(1);
        QVERIFY(form.chkOpenAfterCreate->isEnabled() && form.OpenAfterCreate());
    }

    void askAnswersOnlyOk()
    {
        for (const bool ok : {true, false}) {
            QTimer::singleShot(0, [ok]() {
                auto *dialog = qobject_cast<TDuplicateSampleOptionsFrm *>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                dialog->spnNumberToCreate->setValue(3);
                dialog->btnButtons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
            });
            const std::optional<DuplicateSampleOptions> options = TDuplicateSampleOptionsFrm::Ask(nullptr);
            QCOMPARE(options.has_value(), ok);
            if (ok)
                QCOMPARE(options->NumberToCreate, 3);
        }
    }
};

QTEST_MAIN(TestDuplicateSampleOptionsFrm)
#include "tst_duplicatesampleoptionsfrm.moc"
