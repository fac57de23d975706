// The sample officers form and the chooser of kept grid layouts, offscreen on a copy of the
// template store.
#include "reference/ui/GridChooseView_FRM.h"
#include "reference/ui/SampleOfficerMaint_FRM.h"

#include "base/Prompter.h"
#include "gui/QtPrompter.h"
#include "support/MainStore.h"

#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

namespace {

// Says No to (or closes) the next message box as soon as it shows; the window it belonged to.
QWidget *parentOfBox(const std::function<void()> &ask)
{
    QPointer<QWidget> parent;
    bool seen = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&]() {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = true;
        parent = box->parentWidget();
        poll.stop();
        if (QAbstractButton *no = box->button(QMessageBox::No))
            no->click();
        else
            box->accept();
    });
    poll.start();
    ask();
    return seen ? parent.data() : nullptr;
}

} // namespace

class TestAdminReferenceForms : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void newOfficerIsCheckedAndRefusedOnItsEditor();
    void namesAreMappedToSavedOfficers();
    void chooserAppliesLayoutsOfItsViewAndGoesWithIt();
    void boxesOpenAboveTheChooser();

private:
    TSampleOfficerMaintFrm *openOfficers();
    void officer(const char *code, const char *email, const char *deleted = "F");

    std::unique_ptr<MainStore> m_store;
    std::unique_ptr<QWidget> m_owner;
    RecordingPrompter m_prompter;
    std::unique_ptr<ScopedPrompter> m_scope;
};

void TestAdminReferenceForms::init()
{
    m_store = std::make_unique<MainStore>();
    QVERIFY(m_store->main.isOpen());
    m_store->useSettings("LA1", "LA1N");
    m_store->db.exec("INSERT INTO LOCAL_AUTH_OFFICE (ID, UPDATE_ID, IS_SYNCING, UNIQUE_UUID, CODE, OFFICE_CODE, "
                     "LOCAL_AUTHORITY__CODE, DESCRIPTION, FLAG_DELETED) VALUES (1, 1, 'T', 'O-1', 'LA1N', 'N', 'LA1', "
                     "'North office', 'F')");
    m_owner = std::make_unique<QWidget>();
    m_prompter.clear();
    m_scope = std::make_unique<ScopedPrompter>(&m_prompter);
}

void TestAdminReferenceForms::cleanup()
{
    m_owner.reset();
    m_scope.reset();
    m_store.reset();
}

void TestAdminReferenceForms::officer(const char *code, const char *email, const char *deleted)
{
    m_store->db.exec("INSERT INTO SAMPLE_OFFICER (UNIQUE_UUID, CODE, NAME, EMAIL_ADDRESS, LOGIN_PASSWORD, FLAG_DELETED) "
                     "VALUES (?, ?, ?, ?, 'pw', ?)",
                     {QStringLiteral("U-") + code, QString(code), QStringLiteral("Officer ") + code, QString(email),
                      QString(deleted)});
}

TSampleOfficerMaintFrm *TestAdminReferenceForms::openOfficers()
{
    auto defaults = std::make_unique<TSampleOfficerMaintFrmDefaults>();
    defaults->OpenMode = mmoMaint;
    return TBasefrm::CreateAndShow<TSampleOfficerMaintFrm>(QStringLiteral("SampleOfficers"), m_owner.get(), false,
                                                           std::move(defaults));
}

void TestAdminReferenceForms::newOfficerIsCheckedAndRefusedOnItsEditor()
{
    officer("GONE", "gone@demo.example", "T");
    officer("PAT", "Pat@Demo.example");
    TSampleOfficerMaintFrm *form = openOfficers();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QCOMPARE(form->qryList->rowCount(), 1); // the deleted officer is not listed

    form->actNew->trigger();
    QCOMPARE(QApplication::focusWidget(), form->edtCode);
    QCOMPARE(form->qryIBOData->text("FLAG_FOOD"), QString("T"));
    QCOMPARE(form->qryIBOData->text("FLAG_FEED"), QString("T"));
    QCOMPARE(form->qryIBOData->text("DATA_SCOPE"), QString("office"));
    QVERIFY(form->rgDataScope->Button(1)->isChecked());
    QVERIFY(!form->actAddToMapping->isEnabled()); // not saved yet

    QTest::keyClicks(form->edtCode, "gone");
    QCOMPARE(form->qryIBOData->text("CODE"), QString("GONE"));
    QTest::keyClicks(form->edtName, "New One");
    QTest::keyClicks(form->edtEmail, "PAT@demo.example");
    QTest::keyClicks(form->edtPassword, "secret");
    form->actSaveChanges->trigger();
    QVERIFY(m_prompter.texts().last().startsWith("The Code \"GONE\""));
    QCOMPARE(QApplication::focusWidget(), form->edtCode);
    QCOMPARE(form->qryIBOData->state(), SqlDataSet::dsInsert);

    form->edtCode->clear();
    QTest::keyClicks(form->edtCode, "NEW");
    form->actSaveChanges->trigger();
    QVERIFY(m_prompter.texts().last().startsWith("The email address \"pat@demo.example\""));
    QCOMPARE(QApplication::focusWidget(), form->edtEmail);

    form->edtEmail->clear();
    QTest::keyClicks(form->edtEmail, "New@Demo.example");
    m_prompter.clear();
    form->actSaveChanges->trigger();
    QVERIFY2(m_prompter.calls().isEmpty(), qPrintable(m_prompter.texts().join('\n')));
    QCOMPARE(m_store->db.scalar("SELECT EMAIL_ADDRESS FROM SAMPLE_OFFICER WHERE CODE = 'NEW'").toString(),
             QString("new@demo.example"));
    QCOMPARE(m_store->db.scalar("SELECT DATA_SCOPE FROM SAMPLE_OFFICER WHERE CODE = 'NEW'").toString(), QString("office"));
}

void TestAdminReferenceForms::namesAreMappedToSavedOfficers()
{
    officer("PAT", "pat@demo.example");
    m_store->db.exec("INSERT INTO SAMPLE (ID, UPDATE_ID, IS_SYNCING, UNIQUE_UUID, CODE, SAMPLE_STATUS__CODE, "
                     "SAMPLE_OFFICER_NAME, FLAG_UPDATED_SINCE_EXPORT) VALUES (1, 5, 'T', 'S-1', 'C1', 'COMPLETE', 'P. Plain', 'F')");
    TSampleOfficerMaintFrm *form = openOfficers();
    form->PageControl->setCurrentWidget(form->tabMappings);
    QCOMPARE(form->lblMappingCode->text(), QString("PAT"));
    QCOMPARE(form->lstAvailableNames->count(), 1);
    form->lstAvailableNames->setCurrentRow(0);
    form->actAddToMapping->trigger();
    QCOMPARE(form->lstOfficerNames->count(), 1);
    QCOMPARE(form->lstAvailableNames->count(), 0);
    form->actApplyMappings->trigger();
    QCOMPARE(m_store->db.scalar("SELECT SAMPLE_OFFICER__CODE FROM SAMPLE WHERE CODE = 'C1'").toString(), QString("PAT"));
    QVERIFY2(m_prompter.calls().isEmpty(), qPrintable(m_prompter.texts().join('\n')));
}

void TestAdminReferenceForms::chooserAppliesLayoutsOfItsViewAndGoesWithIt()
{
    m_store->db.exec("UPDATE SYS_LOCAL_SETTINGS SET USER_IS_LOCAL_AUTHORITY_ADMIN = 'T'");
    officer("ALF", "alf@demo.example");
    officer("BEA", "bea@demo.example");
    const QSqlDatabase main = m_store->main;
    TGridViewStorageDm storage([main]() { return main; });
    TGridChooseViewFrm::InstallInto(storage);
    GridViewStorageDm = &storage;

    TSampleOfficerMaintFrm *form = openOfficers();
    form->grdData->setColumnStates({{"EMAIL_ADDRESS", true, 220}, {"CODE", true, 90}});
    storage.StoreLayout(form->GridLayoutView(), "Addresses first");
    form->grdData->setColumnStates({{"NAME", true, 0}, {"CODE", true, 0}});
    storage.StoreLayout(form->GridLayoutView(), "Names first");
    form->grdData->setColumnStates({{"CODE", true, 0}});

    form->actRestoreSavedLayout->trigger();
    auto *chooser = dynamic_cast<TGridChooseViewFrm *>(TBasefrm::FindForm(&storage, "ChooseView"));
    QVERIFY(chooser && chooser->isVisible() && !chooser->ShowingModal());
    QVERIFY(chooser->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(chooser->btnDelete->isVisible());
    QCOMPARE(chooser->qryViewSettings->rowCount(), 2);
    chooser->grdViews->setCurrentRow(0); // "Addresses first", in name order
    chooser->UseView();
    QCOMPARE(form->grdData->columnStates().first().field, QString("EMAIL_ADDRESS"));
    QVERIFY(chooser->isVisible()); // stays open for another try

    m_prompter.queueAnswer(true);
    chooser->DeleteView();
    QCOMPARE(m_prompter.texts(), QStringList{TGridChooseViewFrm::DeleteQuestion()});
    QCOMPARE(chooser->qryViewSettings->rowCount(), 1);

    // The chooser goes with its view's form.
    QPointer<TGridChooseViewFrm> watched(chooser);
    form->close();
    QTRY_VERIFY(!watched || !watched->isVisible());
    GridViewStorageDm = nullptr;
}

// The chooser stays on top of the other windows: a question or message that belonged to the main
// window would open beneath it, and the program would look frozen.
void TestAdminReferenceForms::boxesOpenAboveTheChooser()
{
    m_store->db.exec("UPDATE SYS_LOCAL_SETTINGS SET USER_IS_LOCAL_AUTHORITY_ADMIN = 'T'");
    const QSqlDatabase main = m_store->main;
    TGridViewStorageDm storage([main]() { return main; });
    TGridChooseViewFrm::InstallInto(storage);
    GridViewStorageDm = &storage;
    QtPrompter boxes(m_owner.get());
    const ScopedPrompter real(&boxes);
    // No window of the program in front: the window given.
    QCOMPARE(parentOfBox([]() { Prompter::current().information("Title", "Before any window"); }), m_owner.get());
    TSampleOfficerMaintFrm *form = openOfficers();
    storage.StoreLayout(form->GridLayoutView(), "Kept");

    form->actRestoreSavedLayout->trigger();
    auto *chooser = dynamic_cast<TGridChooseViewFrm *>(TBasefrm::FindForm(&storage, "ChooseView"));
    QVERIFY(chooser && chooser->isVisible());
    chooser->grdViews->setCurrentRow(0);
    // Its own Delete question, and a message of the form behind it.
    QCOMPARE(parentOfBox([chooser]() { chooser->DeleteView(); }), chooser);
    QCOMPARE(chooser->qryViewSettings->rowCount(), 1); // answered No
    QCOMPARE(parentOfBox([]() { Prompter::current().error("Title", "From the form"); }), chooser);
    chooser->close();
    GridViewStorageDm = nullptr;
}

QTEST_MAIN(TestAdminReferenceForms)
#include "tst_adminreferenceforms.moc"
