#include "gui/Advanced_FRM.h"
#include "gui/Base_FRM.h"
#include "gui/IBBaseAdvanced_FRM.h"
#include "store/LocalDatabase.h"
#include "core/Main_DM.h"
#include "support/MainStore.h"

#include <QTest>
#include <QTimer>
#include <QUuid>

namespace {

class CountingDefaults : public TDefaultInfo
{
public:
    explicit CountingDefaults(bool *freed) : m_freed(freed) {}
    ~CountingDefaults() override { *m_freed = true; }
    QString Text;

private:
    bool *m_freed;
};

class AnswerInfo : public TReturnInfo
{
public:
    QString Answer;
};

class TestFrm : public TBasefrm
{
    Q_OBJECT
public:
    explicit TestFrm(QObject *owner) : TBasefrm(owner) { setWindowTitle("Test form"); }
    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> info) override
    {
        ++initialised;
        if (auto *d = dynamic_cast<CountingDefaults *>(info.get()))
            lastText = d->Text;
        TBasefrm::InitialiseDefaults(std::move(info));
    }
    void ClearCloseHandler() { SetCloseHandlerCleared(true); }
    int initialised = 0;
    QString lastText;
};

class OtherFrm : public TBasefrm
{
    Q_OBJECT
public:
    using TBasefrm::TBasefrm;
};

// An opener that is not a form: a module with a socket of its own.
class SocketModule : public QObject, public IReturnInfoSocket
{
public:
    TReturnInfo *ReturnInfoSocket() const override { return info; }
    void SetReturnInfoSocket(TReturnInfo *i) override { info = i; }
    TReturnInfo *info = nullptr;
};

class FakeSettings : public IGeneralInfo
{
public:
    QString RunMode() const override { return ": for user a@b"; }
    void SetRunMode(const QString &) override {}
    QString Version() const override { return {}; }
    QString AppPath() const override { return {}; }
    int EditingColor() override { return 0; }
    int EditingActiveColor() override { return 0; }
    int InsertingColor() override { return 0; }
    bool AppBoldButtons() override { return false; }
    bool EnterClosesLookup() const override { return true; }
    bool ShowDeleted() const override { return false; }
    void SetShowDeleted(bool) override {}
    bool DoubleClickClosesMaint() const override { return false; }
    void SetDoubleClickClosesMaint(bool) override {}
    void SetDefaultDeletedFieldName(const QString &) override {}
    QString DefaultDeletedFieldName() const override { return {}; }
};

// Runs `f` on the modal form once its loop has started.
template <typename F>
void whenModal(F f)
{
    QTimer::singleShot(0, [f]() {
        QWidget *w = QApplication::activeModalWidget();
        QVERIFY(w);
        f(qobject_cast<TBasefrm *>(w));
    });
}

} // namespace

class TestBaseForm : public QObject
{
    Q_OBJECT

private slots:
    void sameKeySameForm();
    void defaultsTakenOverAndFreed();
    void keyOfAnotherKind();
    void modalAnswerHandedBack();
    void modalPersistKeptAndFoundAgain();
    void closedByFrameLeavesSocketEmpty();
    void answerToAModuleSocket();
    void socketWriteFreesOlderAnswer();
    void captionAndSetupInfo();
    void captionWithRunMode_data();
    void captionWithRunMode();
    void clearedCloseHandlerHides();
    void modelessReleasedOnClose();
    void nonWidgetOwner();
    void databaseFormTransactionGuard();
    void refreshSkipsEditedDataset();
    void givenTransactionMovesDatasets();
    void advancedFurniture();
};

void TestBaseForm::sameKeySameForm()
{
    QWidget owner;
    QWidget otherOwner;
    TestFrm *a = TBasefrm::CreateAndShow<TestFrm>("Setup", &owner, false);
    TestFrm *b = TBasefrm::CreateAndShow<TestFrm>("setup", &owner, false);
    QCOMPARE(a, b);
    QCOMPARE(a->initialised, 2);
    QCOMPARE(owner.findChildren<TestFrm *>().size(), 1);
    TestFrm *c = TBasefrm::CreateAndShow<TestFrm>("Setup", &otherOwner, false);
    QVERIFY(c != a);
    TestFrm *d = TBasefrm::CreateAndShow<TestFrm>("About", &owner, false);
    QVERIFY(d != a);
    QCOMPARE(TBasefrm::FindForm(&owner, "SETUP"), a);
    QCOMPARE(a->objectName(), QString("Setup"));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestBaseForm::defaultsTakenOverAndFreed()
{
    QWidget owner;
    bool freed = false;
    auto defaults = std::make_unique<CountingDefaults>(&freed);
    defaults->Text = "hello";
    TestFrm *form = TBasefrm::CreateAndShow<TestFrm>("K", &owner, false, std::move(defaults));
    QVERIFY(freed);
    QCOMPARE(form->lastText, QString("hello"));
    // Also when the form is modal and freed on return.
    freed = false;
    whenModal([](TBasefrm *f) { f->accept(); });
    QCOMPARE(TBasefrm::CreateAndShow<TestFrm>("M", &owner, true, std::make_unique<CountingDefaults>(&freed)), nullptr);
    QVERIFY(freed);
}

void TestBaseForm::keyOfAnotherKind()
{
    QWidget owner;
    TBasefrm::CreateAndShow<TestFrm>("K", &owner, false);
    try {
        TBasefrm::CreateAndShow<OtherFrm>("K", &owner, false);
        QFAIL("a key of another kind of form was reused");
    } catch (const VarnexError &e) {
        QVERIFY(e.message().contains("another kind"));
    }
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    try {
        TBasefrm::CreateAndShow<TestFrm>("K", nullptr, false);
        QFAIL("a form was opened without an owner");
    } catch (const VarnexError &) {
    }
}

void TestBaseForm::modalAnswerHandedBack()
{
    TestFrm opener(nullptr);
    QPointer<TBasefrm> shown;
    whenModal([&shown](TBasefrm *f) {
        shown = f;
        auto answer = std::make_unique<AnswerInfo>();
        answer->Answer = "42";
        answer->ResultType = QDialog::Accepted;
        f->HandBack(std::move(answer));
        f->accept();
    });
    QCOMPARE(TBasefrm::CreateAndShow<TestFrm>("Dialog", &opener, true), nullptr);
    QVERIFY(shown.isNull()); // freed on return
    std::unique_ptr<AnswerInfo> answer = TakeReturnInfo<AnswerInfo>(opener);
    QVERIFY(answer);
    QCOMPARE(answer->Answer, QString("42"));
    QCOMPARE(opener.ReturnInfoSocket(), nullptr);
}

void TestBaseForm::modalPersistKeptAndFoundAgain()
{
    QWidget owner;
    auto defaults = std::make_unique<TDefaultInfo>();
    defaults->Persist = true;
    whenModal([](TBasefrm *f) { f->accept(); });
    TestFrm *form = TBasefrm::CreateAndShow<TestFrm>("Tree", &owner, true, std::move(defaults));
    QVERIFY(form);
    QVERIFY(!form->isVisible());
    QCOMPARE(TBasefrm::FindForm(&owner, "Tree"), form);
    whenModal([](TBasefrm *f) { f->accept(); });
    QCOMPARE(TBasefrm::CreateAndShow<TestFrm>("Tree", &owner, true), form);
    QCOMPARE(form->initialised, 2);
}

void TestBaseForm::closedByFrameLeavesSocketEmpty()
{
    TestFrm opener(nullptr);
    whenModal([](TBasefrm *f) { f->close(); });
    QCOMPARE(TBasefrm::CreateAndShow<TestFrm>("Dialog", &opener, true), nullptr);
    QCOMPARE(opener.ReturnInfoSocket(), nullptr);
}

void TestBaseForm::answerToAModuleSocket()
{
    SocketModule module;
    whenModal([](TBasefrm *f) {
        f->HandBack(std::make_unique<AnswerInfo>());
        f->accept();
    });
    QCOMPARE(TBasefrm::CreateAndShow<TestFrm>("ExportLab", &module, true), nullptr);
    QVERIFY(dynamic_cast<AnswerInfo *>(module.info));
    delete module.info;
}

void TestBaseForm::socketWriteFreesOlderAnswer()
{
    TestFrm form(nullptr);
    QPointer<QObject> probe = new QObject;
    struct Watched : TReturnInfo
    {
        QPointer<QObject> p;
        ~Watched() override { delete p.data(); }
    };
    auto *first = new Watched;
    first->p = probe;
    form.SetReturnInfoSocket(first);
    form.SetReturnInfoSocket(first); // the same object again is kept
    QVERIFY(probe);
    form.SetReturnInfoSocket(new AnswerInfo);
    QVERIFY(probe.isNull());
    // Writing nothing only clears: the caller that took the object frees it.
    TReturnInfo *held = form.ReturnInfoSocket();
    form.SetReturnInfoSocket(nullptr);
    delete held;
}

void TestBaseForm::captionWithRunMode_data()
{
    QTest::addColumn<QString>("runMode");
    QTest::addColumn<QString>("caption");
    QTest::newRow("run mode with its separator") << ": for user a@b" << "Test form: for user a@b";
    QTest::newRow("no run mode") << "" << "Test form";
    QTest::newRow("run mode without separator") << "offline" << "Test form: offline";
}

void TestBaseForm::captionWithRunMode()
{
    QFETCH(QString, runMode);
    QTEST(TBasefrm::CaptionWithRunMode(QStringLiteral("Test form"), runMode), "caption");
}

void TestBaseForm::captionAndSetupInfo()
{
    QWidget owner;
    FakeSettings settings;
    auto noCaption = std::make_unique<TDefaultInfo>();
    noCaption->SetupInfo = &settings;
    TestFrm *form = TBasefrm::CreateAndShow<TestFrm>("A", &owner, false, std::move(noCaption));
    QCOMPARE(form->SetupInfo(), nullptr);
    QCOMPARE(form->windowTitle(), QString("Test form"));

    auto withCaption = std::make_unique<TDefaultInfo>();
    withCaption->Caption = "Given";
    withCaption->SetupInfo = &settings;
    TestFrm *other = TBasefrm::CreateAndShow<TestFrm>("B", &owner, false, std::move(withCaption));
    QCOMPARE(other->SetupInfo(), &settings);
    QCOMPARE(other->windowTitle(), QString("Test form: for user a@b"));
    QCOMPARE(other->FormCaption(), QString("Test form"));

    TestFrm *third = TBasefrm::CreateAndShow<TestFrm>("C", &owner, false, nullptr, &settings);
    QCOMPARE(third->SetupInfo(), &settings);
}

void TestBaseForm::clearedCloseHandlerHides()
{
    QWidget owner;
    TestFrm *form = TBasefrm::CreateAndShow<TestFrm>("Setup", &owner, false);
    form->ClearCloseHandler();
    QPointer<TestFrm> guard(form);
    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(guard);
    QVERIFY(!form->isVisible());
    QCOMPARE(TBasefrm::CreateAndShow<TestFrm>("Setup", &owner, false), form);
    QVERIFY(form->isVisible());
    QCOMPARE(form->initialised, 2);
}

void TestBaseForm::modelessReleasedOnClose()
{
    QWidget owner;
    QPointer<TestFrm> form = TBasefrm::CreateAndShow<TestFrm>("Browser", &owner, false);
    form->actCloseForm->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(form.isNull());
    QCOMPARE(TBasefrm::FindForm(&owner, "Browser"), nullptr);
}

void TestBaseForm::nonWidgetOwner()
{
    auto *module = new QObject;
    QPointer<TestFrm> form = TBasefrm::CreateAndShow<TestFrm>("ChooseView", module, false);
    QVERIFY(form);
    QCOMPARE(form->parent(), nullptr);
    delete module;
    QVERIFY(form.isNull());
}

// The database forms work on a copy of the template opened as the program's main connection,
// with one officer.
class OfficerStore : public MainStore
{
public:
    OfficerStore()
    {
        db.exec("INSERT INTO SAMPLE_OFFICER (UNIQUE_UUID, CODE, NAME) VALUES (?, 'A', 'Al')",
                {QUuid::createUuid().toString(QUuid::WithoutBraces)});
    }
};

class OfficerFrm : public TIBBaseAdvancedfrm
{
    Q_OBJECT
public:
    explicit OfficerFrm(QObject *owner) : TIBBaseAdvancedfrm(owner)
    {
        qryData = new SqlDataSet(LocalDatabase(), "SELECT ID, CODE, NAME FROM SAMPLE_OFFICER", this);
        qryData->setUpdateTable("SAMPLE_OFFICER", {"ID"});
        qryOther = new SqlDataSet(LocalDatabase(), "SELECT COUNT(*) AS N FROM SAMPLE_OFFICER", this);
    }
    SqlDataSet *qryData;
    SqlDataSet *qryOther;
};

void TestBaseForm::databaseFormTransactionGuard()
{
    OfficerStore store;
    QVERIFY(store.main.isOpen());
    QWidget owner;
    QPointer<OfficerFrm> form = TBasefrm::CreateAndShow<OfficerFrm>("Officers", &owner, false);
    QVERIFY(form->trnLocal->isConnected());
    QVERIFY(form->LocalDatabase().connectionName() != store.main.connectionName());
    form->trnLocal->StartTransaction();
    form->qryData->open();
    form->qryData->edit();
    form->qryData->setValue("NAME", "Alan");
    form->qryData->post();
    form->close();
    QVERIFY(form->isVisible()); // refused while the transaction is open
    form->actSaveChanges->trigger();
    QVERIFY(!form->trnLocal->InTransaction());
    QCOMPARE(store.db.scalar("SELECT NAME FROM SAMPLE_OFFICER").toString(), QString("Alan"));

    // Ctrl+Alt+R commits a forgotten transaction and goes on in a new one.
    form->trnLocal->StartTransaction();
    form->qryData->edit();
    form->qryData->setValue("NAME", "Ann");
    form->qryData->post();
    form->actRogueTransaction->trigger();
    QCOMPARE(store.db.scalar("SELECT NAME FROM SAMPLE_OFFICER").toString(), QString("Ann"));
    form->trnLocal->Rollback();
    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(form.isNull());
}

void TestBaseForm::refreshSkipsEditedDataset()
{
    OfficerStore store;
    QWidget owner;
    OfficerFrm *form = TBasefrm::CreateAndShow<OfficerFrm>("Officers", &owner, false);
    form->qryData->open();
    form->qryOther->open();
    form->qryData->edit();
    form->qryData->setValue("NAME", "Typing");
    store.db.exec("INSERT INTO SAMPLE_OFFICER (UNIQUE_UUID, CODE) VALUES (?, 'B')",
                  {QUuid::createUuid().toString(QUuid::WithoutBraces)});
    form->RefreshData();
    QCOMPARE(form->qryOther->value("N").toInt(), 2);
    QCOMPARE(form->qryData->state(), SqlDataSet::dsEdit);
    QCOMPARE(form->qryData->text("NAME"), QString("Typing"));
    QCOMPARE(form->qryData->recordCount(), 1);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    form->qryData->cancel();
}

void TestBaseForm::givenTransactionMovesDatasets()
{
    OfficerStore store;
    QWidget owner;
    LocalTransaction shared(store.main);
    auto defaults = std::make_unique<TIBBaseAdvancedfrmDefaults>();
    defaults->IBTransaction = &shared;
    OfficerFrm *form = TBasefrm::CreateAndShow<OfficerFrm>("Officers", &owner, false, std::move(defaults));
    QCOMPARE(form->qryData->database().connectionName(), shared.connectionName());
    // Another class of parameters leaves the datasets on the form's own transaction.
    OfficerFrm *second = TBasefrm::CreateAndShow<OfficerFrm>("Second", &owner, false, std::make_unique<TDefaultInfo>());
    QCOMPARE(second->qryData->database().connectionName(), second->trnLocal->connectionName());
    delete form;
    delete second;
}

void TestBaseForm::advancedFurniture()
{
    QWidget owner;
    TAdvancedFrm *form = TBasefrm::CreateAndShow<TAdvancedFrm>("Translations", &owner, false);
    QVERIFY(form->StatusBar && form->RzPanel1 && form->RzPanel2 && form->pnlStandard && form->ClientArea);
    QCOMPARE(form->actClose->text(), QString("&Close (F2)"));
    QCOMPARE(form->actClose->shortcut(), QKeySequence(Qt::Key_F2));
    QVERIFY(!form->actHelp->isVisible());
    QPointer<TAdvancedFrm> guard(form);
    form->actClose->trigger();
    QCOMPARE(form->result(), int(QDialog::Accepted));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(guard.isNull());
}

QTEST_MAIN(TestBaseForm)
#include "tst_baseform.moc"
