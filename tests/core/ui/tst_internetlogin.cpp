#include "core/ui/InternetLogin_FRM.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestInternetLogin : public QObject
{
    Q_OBJECT

private slots:
    void texts();
    void showPasswordToggle();
    void answersAppliedOnlyOnOk_data();
    void answersAppliedOnlyOnOk();
};

void TestInternetLogin::texts()
{
    TInternetLoginFrm frm;
    QCOMPARE(frm.windowTitle(), QString("Internet login details"));
    QStringList labels;
    for (const QLabel *label : frm.findChildren<QLabel *>())
        labels << label->text();
    QVERIFY(labels.contains("If you are required to enter a username and password to browse the internet, please "
                            "enter the details below."));
    QVERIFY(labels.contains("Username"));
    QVERIFY(labels.contains("Password"));
    QCOMPARE(frm.chkShowPassword->text(), QString("Show password as text"));
    QCOMPARE(frm.btnOK->text(), QString("OK"));
    QVERIFY(frm.btnOK->isDefault());
    QCOMPARE(frm.btnCancel->text(), QString("Cancel"));
    QCOMPARE(frm.edtPassword->echoMode(), QLineEdit::Password);
}

void TestInternetLogin::showPasswordToggle()
{
    TInternetLoginFrm frm;
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
    QCOMPARE(QApplication::focusWidget(), frm.edtUserName);
    frm.chkShowPassword->setChecked(true);
    QCOMPARE(frm.edtPassword->echoMode(), QLineEdit::Normal);
    frm.chkShowPassword->setChecked(false);
    QCOMPARE(frm.edtPassword->echoMode(), QLineEdit::Password);

    // Every showing starts masked.
    frm.chkShowPassword->setChecked(true);
    frm.hide();
    frm.show();
    QCOMPARE(frm.chkShowPassword->isChecked(), false);
    QCOMPARE(frm.edtPassword->echoMode(), QLineEdit::Password);
}

void TestInternetLogin::answersAppliedOnlyOnOk_data()
{
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK") << true;
    QTest::newRow("Cancel") << false;
}

void TestInternetLogin::answersAppliedOnlyOnOk()
{
    QFETCH(bool, ok);
    TInternetLoginFrm frm;
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
    QTest::keyClicks(frm.edtUserName, "proxy\\user");
    QTest::keyClicks(frm.edtPassword, "p@ss");
    QTest::mouseClick(ok ? frm.btnOK : frm.btnCancel, Qt::LeftButton);
    QVERIFY(!frm.isVisible());
    // The texts stay readable after the dialog has closed.
    QCOMPARE(frm.Username(), QString("proxy\\user"));
    QCOMPARE(frm.property("Password").toString(), QString("p@ss"));
    const ProxyLogin login = frm.proxyLogin(true);
    QCOMPARE(login.apply, ok);
    QCOMPARE(login.userName, ok ? QString("proxy\\user") : QString());
    QCOMPARE(frm.proxyLogin(false).apply, false);
}

QTEST_MAIN(TestInternetLogin)
#include "tst_internetlogin.moc"
