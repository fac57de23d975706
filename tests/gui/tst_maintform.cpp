#include "gui/IBCompatibleBaseMaint_FRM.h"
#include "gui/ZQCXDBEditControls.h"

#include "base/Prompter.h"
#include "layouts/GridViewStorage_DM.h"
#include "support/MainStore.h"
#include "support/ZipEntry.h"

#include <QHeaderView>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// A maintenance form over the officers, as the program's own forms are made: the list's SELECT,
// the table written, the grid's columns and order, and two tagged editors; a post without a name
// is refused on the name editor.
class OfficerMaintFrm : public TIBCompatibleBaseMaintfrm
{
    Q_OBJECT
public:
    static QString NameMissing() { return QStringLiteral("Please enter a name"); }

    explicit OfficerMaintFrm(QObject *owner) : TIBCompatibleBaseMaintfrm(owner)
    {
        setWindowTitle(QStringLiteral("Officers"));
        SetListSql(QStringLiteral("SELECT UNIQUE_UUID, CODE, NAME, FLAG_DELETED, "
                                  "UPPER(NAME) AS SHOUTED FROM SAMPLE_OFFICER WHERE FLAG_DELETED = 'F'"));
        SetUpdateTable(QStringLiteral("SAMPLE_OFFICER"));
        SetGridColumns({{QStringLiteral("CODE"), QStringLiteral("Code")}, {QStringLiteral("NAME"), QStringLiteral("Name")}});
        SetDefaultSort({{QStringLiteral("CODE"), Qt::AscendingOrder}});
        edtCode = AddDataEditor<TzqcxDBTextEdit>(QStringLiteral("Code:"), QStringLiteral("CODE"), 1);
        edtName = AddDataEditor<TzqcxDBTextEdit>(QStringLiteral("Name:"), QStringLiteral("NAME"), 2);
    }

    void activate()
    {
        QEvent e(QEvent::WindowActivate);
        QApplication::sendEvent(this, &e);
    }

    TzqcxDBTextEdit *edtCode;
    TzqcxDBTextEdit *edtName;

protected:
    void BeforePost(SqlDataSet &row) override
    {
        if (row.text(QStringLiteral("NAME")).isEmpty())
            RefusePost(edtName, NameMissing());
    }
};

} // namespace

class TestMaintForm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void deleteAsksFirst();
    void pickerAnswers_data();
    void pickerAnswers();
    void openingParameters();
    void newAndEditFocusByTag();
    void refusalsWhileEditing();
    void rowRenumberedMidEditStillSaves();
    void activationLeavesAnEditAlone();
    void bookmarkSearchAndSort();
    void gridLayoutReturnsToItsFormOnly();
    void gridSavedToExcelHoldsEveryRow();

private:
    QString addOfficer(const QString &code, const QString &name);
    OfficerMaintFrm *open(TMaintFrmMode mode, QVariant bookmark = QVariant());
    // Opens the picker and runs `act` on it once it is shown; returns the picker's answer.
    QString pick(std::unique_ptr<TIBCompatibleBaseMaintFrmDefaults> defaults, const std::function<void(OfficerMaintFrm &)> &act);

    std::unique_ptr<MainStore> m_store;
    std::unique_ptr<QWidget> m_owner;
    RecordingPrompter m_prompter;
    std::unique_ptr<ScopedPrompter> m_prompterScope;
};

void TestMaintForm::init()
{
    m_store = std::make_unique<MainStore>();
    QVERIFY(m_store->main.isOpen());
    m_owner = std::make_unique<QWidget>();
    m_prompter.clear();
    m_prompterScope = std::make_unique<ScopedPrompter>(&m_prompter);
}

void TestMaintForm::cleanup()
{
    m_owner.reset();
    m_prompterScope.reset();
    m_store.reset();
}

QString TestMaintForm::addOfficer(const QString &code, const QString &name)
{
    const QString uuid = newUuid();
    m_store->db.exec(QStringLiteral("INSERT INTO SAMPLE_OFFICER (UNIQUE_UUID, CODE, NAME) VALUES (?, ?, ?)"), {uuid, code, name});
    return uuid;
}

OfficerMaintFrm *TestMaintForm::open(TMaintFrmMode mode, QVariant bookmark)
{
    auto defaults = std::make_unique<TIBCompatibleBaseMaintFrmDefaults>();
    defaults->OpenMode = mode;
    defaults->InitialBookmark = bookmark;
    return TBasefrm::CreateAndShow<OfficerMaintFrm>(QStringLiteral("Officers"), m_owner.get(), false, std::move(defaults));
}

QString TestMaintForm::pick(std::unique_ptr<TIBCompatibleBaseMaintFrmDefaults> defaults,
                            const std::function<void(OfficerMaintFrm &)> &act)
{
    bool acted = false;
    QTimer::singleShot(0, [&]() {
        auto *picker = qobject_cast<OfficerMaintFrm *>(QApplication::activeModalWidget());
        if (!picker)
            return;
        acted = true;
        act(*picker);
    });
    const QString answer = TIBCompatibleBaseMaintfrm::SearchForCode<OfficerMaintFrm>(std::move(defaults));
    if (!acted)
        qWarning("the picker was not shown");
    return answer;
}

void TestMaintForm::deleteAsksFirst()
{
    addOfficer("A", "Al");
    const QString b = addOfficer("B", "Bea");
    const QString c = addOfficer("C", "Cy");
    OfficerMaintFrm *form = open(mmoMaint);
    QVERIFY(form->grdData->selectKey(b));
    QCOMPARE(form->CurrentKey().toString(), b);

    // No: nothing changes.
    form->actDelete->trigger();
    QCOMPARE(m_prompter.texts(Prompter::Kind::Question), QStringList{TIBCompatibleBaseMaintfrm::DeleteQuestion()});
    QCOMPARE(form->qryList->rowCount(), 3);
    QCOMPARE(m_store->db.scalar("SELECT FLAG_DELETED FROM SAMPLE_OFFICER WHERE UNIQUE_UUID = ?", {b}).toString(), QString("F"));

    // Yes: the row leaves the list, stays in the table marked deleted, and the next row is current.
    m_prompter.queueAnswer(true);
    form->actDelete->trigger();
    QCOMPARE(form->qryList->rowCount(), 2);
    QCOMPARE(m_store->db.scalar("SELECT FLAG_DELETED FROM SAMPLE_OFFICER WHERE UNIQUE_UUID = ?", {b}).toString(), QString("T"));
    QCOMPARE(form->CurrentKey().toString(), c);
    QCOMPARE(form->qryIBOData->text("CODE"), QString("C"));
    QVERIFY(m_prompter.texts(Prompter::Kind::Error).isEmpty());
}

void TestMaintForm::pickerAnswers_data()
{
    QTest::addColumn<bool>("rows");
    QTest::addColumn<QString>("codeField");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("expected");
    QTest::newRow("cancel") << true << "code" << "cancel" << "CANCELLED";
    QTest::newRow("accept") << true << "code" << "accept" << "B";
    QTest::newRow("window frame") << true << "code" << "frame" << "B";
    QTest::newRow("cancel refused by an edit, then a new row accepted") << true << "code" << "cancel while editing" << "Z";
    QTest::newRow("key column") << true << "UNIQUE_UUID" << "accept" << "<uuid>";
    QTest::newRow("key column in other letters") << true << "unique_uuid" << "accept" << "B";
    QTest::newRow("empty list") << false << "code" << "accept" << "";
}

void TestMaintForm::pickerAnswers()
{
    QFETCH(bool, rows);
    QFETCH(QString, codeField);
    QFETCH(QString, how);
    QFETCH(QString, expected);
    QString b;
    if (rows) {
        addOfficer("A", "Al");
        b = addOfficer("B", "Bea");
    }
    auto defaults = std::make_unique<TIBCompatibleBaseMaintFrmDefaults>();
    defaults->CodeFieldName = codeField;
    defaults->InitialBookmark = b;
    const QString answer = pick(std::move(defaults), [&](OfficerMaintFrm &picker) {
        QCOMPARE(picker.actClose->text(), QString("Accept selection"));
        if (how == "cancel")
            picker.actCancel->trigger();
        else if (how == "cancel while editing") {
            picker.actNew->trigger();
            picker.qryIBOData->setValue("CODE", "Z");
            picker.qryIBOData->setValue("NAME", "Zed");
            picker.actCancel->trigger();
            QVERIFY(picker.isVisible());
            picker.actPost->trigger();
            picker.actClose->trigger();
        }
        else if (how == "frame")
            picker.close();
        else
            picker.actClose->trigger();
    });
    QCOMPARE(answer, expected == "<uuid>" ? b : expected);
}

void TestMaintForm::openingParameters()
{
    addOfficer("A", "Al");
    // Another class of parameters: picking, with editing and scrolling allowed.
    auto *form = TBasefrm::CreateAndShow<OfficerMaintFrm>("Any", m_owner.get(), false, std::make_unique<TIBBaseAdvancedfrmDefaults>());
    QCOMPARE(form->Mode(), mmoBrowse);
    QVERIFY(form->AllowEdit() && form->AllowScroll());
    QVERIFY(form->actNew->isEnabled() && form->actEdit->isEnabled() && form->actDelete->isEnabled());
    QVERIFY(form->actCancel->isVisible());
    QVERIFY(!form->actSaveChanges->isEnabled() && !form->actCancelChanges->isEnabled());
    QVERIFY(form->pnlNavigation->isHidden());
    QCOMPARE(form->actClose->text(), QString("Accept selection"));
    QVERIFY(form->BrowsePageActive());

    // Maintenance, read-only.
    auto defaults = std::make_unique<TIBCompatibleBaseMaintFrmDefaults>();
    defaults->OpenMode = mmoMaint;
    defaults->AllowEdit = false;
    form = TBasefrm::CreateAndShow<OfficerMaintFrm>("Maint", m_owner.get(), false, std::move(defaults));
    QVERIFY(!form->actCancel->isVisible());
    QVERIFY(form->actSaveChanges->isEnabled());
    QVERIFY(!form->pnlNavigation->isHidden());
    QCOMPARE(form->actClose->text(), QString("Close"));
    QVERIFY(!form->actNew->isEnabled() && !form->actEdit->isEnabled() && !form->actDelete->isEnabled());
    QVERIFY(form->qryIBOData->isReadOnly());
    // The grid-layout items are there, and say why they do nothing.
    for (QAction *a : {form->actSaveToExcel, form->actStoreGridLayout, form->actRestoreSavedLayout,
                       form->actFullExpandGroups, form->actFullCollapseGroups}) {
        QVERIFY(!a->isEnabled());
        QCOMPARE(a->toolTip(), TIBCompatibleBaseMaintfrm::NotAvailableText());
        QVERIFY(form->mnuGridOptions->actions().contains(a));
    }
}

void TestMaintForm::newAndEditFocusByTag()
{
    addOfficer("A", "Al");
    OfficerMaintFrm *form = open(mmoMaint);
    QVERIFY(QTest::qWaitForWindowActive(form));

    form->actNew->trigger();
    QVERIFY(form->DetailPageActive());
    QCOMPARE(form->qryIBOData->state(), SqlDataSet::dsInsert);
    QCOMPARE(QApplication::focusWidget(), form->edtCode);
    QCOMPARE(form->qryIBOData->text("UNIQUE_UUID").size(), 36);
    form->actCancelChanges->trigger();

    form->actBrowse->trigger();
    QVERIFY(form->BrowsePageActive());
    form->actEdit->trigger();
    QVERIFY(form->DetailPageActive());
    QCOMPARE(form->qryIBOData->state(), SqlDataSet::dsEdit);
    QCOMPARE(QApplication::focusWidget(), form->edtName);
    QTest::keyClicks(form->edtName, "x");
    form->actSaveChanges->trigger();
    QCOMPARE(m_store->db.scalar("SELECT NAME FROM SAMPLE_OFFICER WHERE CODE = 'A'").toString(), QString("Alx"));
    QCOMPARE(form->qryList->value(0, "NAME").toString(), QString("Alx"));
}

void TestMaintForm::refusalsWhileEditing()
{
    addOfficer("A", "Al");
    OfficerMaintFrm *form = open(mmoMaint);
    QVERIFY(QTest::qWaitForWindowActive(form));
    form->actNew->trigger();
    QVERIFY(!form->actDelete->isEnabled());

    // Neither Browse nor the page tab leaves the detail page; the window stays open, silently.
    form->actBrowse->trigger();
    form->PageControl->setCurrentWidget(form->TabBrowse);
    QVERIFY(form->DetailPageActive());
    QCOMPARE(m_prompter.texts(Prompter::Kind::Information),
             QStringList({TIBCompatibleBaseMaintfrm::FinishUpdateMessage(), TIBCompatibleBaseMaintfrm::FinishUpdateMessage()}));
    m_prompter.clear();
    form->close();
    QVERIFY(form->isVisible());
    QVERIFY(m_prompter.calls().isEmpty());

    // A refused post names its editor, keeps the row and gives the editor the focus.
    form->qryIBOData->setValue("CODE", "B");
    form->actPost->trigger();
    QCOMPARE(m_prompter.texts(Prompter::Kind::Error), QStringList{OfficerMaintFrm::NameMissing()});
    QCOMPARE(form->qryIBOData->state(), SqlDataSet::dsInsert);
    QCOMPARE(form->qryIBOData->text("CODE"), QString("B"));
    QCOMPARE(QApplication::focusWidget(), form->edtName);

    // A computed column is shown but cannot be written.
    QVERIFY(!form->qryIBOData->isFieldWritable("SHOUTED"));
    form->qryIBOData->setValue("NAME", "Bea");
    form->actPost->trigger();
    QCOMPARE(form->qryIBOData->text("SHOUTED"), QString("BEA"));
    QVERIFY(form->actDelete->isEnabled());
    QCOMPARE(form->qryList->rowCount(), 2);
    QCOMPARE(form->qryList->value(form->grdData->currentRow(), "CODE").toString(), QString("B"));
}

void TestMaintForm::rowRenumberedMidEditStillSaves()
{
    addOfficer("A", "Al");
    OfficerMaintFrm *form = open(mmoMaint);

    // A new row gets a local (negative) id from the store.
    form->actNew->trigger();
    form->qryIBOData->setValue("CODE", "N");
    form->qryIBOData->setValue("NAME", "New");
    form->actPost->trigger();
    const QString uuid = form->CurrentKey().toString();
    QVERIFY(m_store->db.scalar("SELECT ID FROM SAMPLE_OFFICER WHERE UNIQUE_UUID = ?", {uuid}).toLongLong() < 0);

    // A pass gives it its server id while it is being edited; the save still lands in that row.
    form->actEdit->trigger();
    form->qryIBOData->setValue("NAME", "Renamed");
    m_store->db.exec("UPDATE SAMPLE_OFFICER SET ID = 4711, UPDATE_ID = 9, IS_SYNCING = 'T' WHERE UNIQUE_UUID = ?", {uuid});
    form->actSaveChanges->trigger();
    QVERIFY(m_prompter.texts(Prompter::Kind::Error).isEmpty());
    QCOMPARE(m_store->db.scalar("SELECT NAME FROM SAMPLE_OFFICER WHERE ID = 4711").toString(), QString("Renamed"));
    QCOMPARE(m_store->db.scalar("SELECT COUNT(*) FROM SAMPLE_OFFICER").toInt(), 2);
    QCOMPARE(form->CurrentKey().toString(), uuid);
}

void TestMaintForm::activationLeavesAnEditAlone()
{
    addOfficer("A", "Al");
    OfficerMaintFrm *form = open(mmoMaint);
    form->activate(); // the activation that follows opening reads nothing again
    form->actEdit->trigger();
    form->qryIBOData->setValue("NAME", "Typing");
    addOfficer("B", "Bea");
    form->activate();
    QCOMPARE(form->qryIBOData->state(), SqlDataSet::dsEdit);
    QCOMPARE(form->qryIBOData->text("NAME"), QString("Typing"));
    QCOMPARE(form->qryList->rowCount(), 1);

    form->actCancelChanges->trigger();
    form->activate();
    QCOMPARE(form->qryList->rowCount(), 2);
    QCOMPARE(form->qryIBOData->text("NAME"), QString("Al"));
}

void TestMaintForm::bookmarkSearchAndSort()
{
    // More rows than a page, the bookmark far down.
    m_store->db.exec("INSERT INTO SAMPLE_OFFICER (UNIQUE_UUID, CODE, NAME) "
                     "WITH RECURSIVE N AS (SELECT 1 AS I FROM RDB$DATABASE UNION ALL SELECT I + 1 FROM N WHERE I < 450) "
                     "SELECT UUID_TO_CHAR(GEN_UUID()), 'K' || LPAD(I, 4, '0'), 'Name ' || I FROM N");
    const QString late = m_store->db.scalar("SELECT UNIQUE_UUID FROM SAMPLE_OFFICER WHERE CODE = 'K0420'").toString();
    OfficerMaintFrm *form = open(mmoBrowse, late);
    QCOMPARE(form->CurrentKey().toString(), late);
    QCOMPARE(form->qryIBOData->text("CODE"), QString("K0420"));
    // The rows before it are read when the user goes up to them.
    QVERIFY(form->qryList->rowCount() < 100);
    form->grdData->setFocus();
    QTest::keyClick(form->grdData, Qt::Key_Up);
    QCOMPARE(form->qryIBOData->text("CODE"), QString("K0419"));
    QTest::keyClick(form->grdData, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(form->qryIBOData->text("CODE"), QString("K0001"));
    emit form->grdDataNavigator->buttonClick(DataNavigator::Last);
    QCOMPARE(form->qryIBOData->text("CODE"), QString("K0450"));

    // A bookmark that is not listed leaves the first row current.
    form->close();
    form = TBasefrm::CreateAndShow<OfficerMaintFrm>("Other", m_owner.get(), false, [&]() {
        auto d = std::make_unique<TIBCompatibleBaseMaintFrmDefaults>();
        d->InitialBookmark = newUuid();
        return d;
    }());
    QCOMPARE(form->qryIBOData->text("CODE"), QString("K0001"));

    // Typing searches the current column from the list's start.
    form->grdData->setFocus();
    form->grdData->keyboardSearch("k03");
    QCOMPARE(form->qryIBOData->text("CODE"), QString("K0300"));
    form->grdData->keyboardSearch("1");
    QCOMPARE(form->qryIBOData->text("CODE"), QString("K0310"));
    form->grdData->keyboardSearch("x"); // nothing starts so: the row stays
    QCOMPARE(form->qryIBOData->text("CODE"), QString("K0310"));

    // A header click on the column the list is sorted by turns the order round; a page is read.
    const int code = form->qryList->columnIndex("CODE");
    emit form->grdData->horizontalHeader()->sectionClicked(code);
    QCOMPARE(form->qryList->value(0, "CODE").toString(), QString("K0450"));
    QCOMPARE(form->qryList->rowCount(), form->qryList->pageSize());
    emit form->grdData->horizontalHeader()->sectionClicked(form->qryList->columnIndex("NAME"));
    QCOMPARE(form->qryList->value(0, "NAME").toString(), QString("Name 1"));
}


void TestMaintForm::gridLayoutReturnsToItsFormOnly()
{
    addOfficer("A", "Al");
    addOfficer("B", "Bo");
    const QSqlDatabase main = m_store->main;
    TGridViewStorageDm storage([main]() { return main; });
    GridViewStorageDm = &storage;
    OfficerMaintFrm *form = open(mmoMaint);
    for (QAction *a : {form->actSaveToExcel, form->actStoreGridLayout, form->actRestoreSavedLayout})
        QVERIFY(a->isEnabled());

    // Name first and wide, newest name first; kept under a name.
    form->grdData->setColumnStates({{"NAME", true, 260}, {"CODE", true, 90}});
    form->grdData->gridModel()->setSort({{"NAME", Qt::DescendingOrder}});
    m_prompter.queueText(QStringLiteral("Names"));
    form->actStoreGridLayout->trigger();
    QVERIFY2(m_prompter.texts(Prompter::Kind::Error).isEmpty(), qPrintable(m_prompter.texts().join('\n')));
    // A re-read (a click on a header sorts anew) keeps the arrangement of the moment.
    form->grdData->setColumnHidden(form->qryList->columnIndex("CODE"), true);
    form->grdData->horizontalHeader()->sectionClicked(form->qryList->columnIndex("NAME"));
    QCOMPARE(form->grdData->columnStates().first().field, QString("NAME"));
    QVERIFY(!form->grdData->columnStates().last().visible);
    delete form;

    // After a restart the same form gets it back; the same list under another key does not.
    form = open(mmoMaint);
    QCOMPARE(form->grdData->columnStates().first().field, QString("CODE"));
    const qint64 id = m_store->db.scalar("SELECT ID FROM SYS_GRID_VIEW WHERE FORM_NAME = 'Officers' AND VIEW_NAME = 'tvData' "
                                         "AND DESCRIPTION = 'Names'").toLongLong();
    QVERIFY(id > 0);
    storage.ApplyStoredView(id, form->GridLayoutView());
    QCOMPARE(form->grdData->columnStates().first().field, QString("NAME"));
    QCOMPARE(form->grdData->columnStates().first().width, 260);
    QVERIFY(form->grdData->columnStates().last().visible);
    QCOMPARE(form->qryList->sortKeys().first().order, Qt::DescendingOrder);
    QCOMPARE(form->qryList->value(0, "NAME").toString(), QString("Bo"));
    auto picker = std::make_unique<OfficerMaintFrm>(nullptr);
    QCOMPARE(picker->GridLayoutView().FormName(), QString("OfficerMaintFrm"));
    QCOMPARE(form->GridLayoutView().FormName(), QString("Officers"));
    GridViewStorageDm = nullptr;
}

void TestMaintForm::gridSavedToExcelHoldsEveryRow()
{
    // More rows than the grid reads in one page.
    for (int i = 0; i < 130; ++i)
        addOfficer(QStringLiteral("C%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("Officer %1").arg(i));
    const QSqlDatabase main = m_store->main;
    TGridViewStorageDm storage([main]() { return main; });
    GridViewStorageDm = &storage;
    QTemporaryDir dir;
    const QString file = dir.filePath("officers.xlsx");
    storage.SetExcelFileAsker([file]() { return file; });
    OfficerMaintFrm *form = open(mmoMaint);
    QVERIFY(form->qryList->rowCount() < 130);
    form->actSaveToExcel->trigger();
    QVERIFY2(m_prompter.calls().isEmpty(), qPrintable(m_prompter.texts().join('\n')));
    const QString sheet = QString::fromUtf8(zipEntry(file, "xl/worksheets/sheet1.xml"));
    QCOMPARE(sheet.count("<row "), 1 + 130);
    QVERIFY(sheet.contains("Officer 129"));
    GridViewStorageDm = nullptr;
}

QTEST_MAIN(TestMaintForm)
#include "tst_maintform.moc"
