#include "data/DataSet.h"
#include "base/Prompter.h"
#include "support/TestDatabase.h"
#include "gui/ZQCXController.h"
#include "gui/ZQCXDBEditControls.h"
#include "gui/ZQCXEditControls.h"

#include <QApplication>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTextCursor>
#include <QUuid>
#include <QVBoxLayout>

#include <memory>

Q_DECLARE_METATYPE(SqlDataSet::State)

// A window with two linked editors over the officers of a test database.
class Fixture
{
public:
    Fixture()
    {
        db.exec("INSERT INTO SAMPLE_OFFICER (UNIQUE_UUID, CODE, NAME) VALUES (?, 'A', 'Al')",
                {QUuid::createUuid().toString(QUuid::WithoutBraces)});
        data = std::make_unique<SqlDataSet>(db.db(), "SELECT ID, UNIQUE_UUID, CODE, NAME FROM SAMPLE_OFFICER");
        data->setUpdateTable("SAMPLE_OFFICER", {"ID"});
        controller = new TzqcxFocusController(&window);
        auto *layout = new QVBoxLayout(&window);
        name = new TzqcxDBTextEdit(&window);
        code = new TzqcxDBTextEdit(&window);
        layout->addWidget(name);
        layout->addWidget(code);
        name->SetDataBinding(data.get(), "NAME");
        code->SetDataBinding(data.get(), "CODE");
        name->SetFocusController(controller);
        code->SetFocusController(controller);
        controller->SetDatasource(data.get());
        window.show();
        QApplication::setActiveWindow(&window);
    }

    bool focus(QWidget *w)
    {
        w->setFocus(Qt::OtherFocusReason);
        return QTest::qWaitFor([w]() { return w->hasFocus(); }, 2000);
    }

    void enter(SqlDataSet::State state)
    {
        switch (state) {
        case SqlDataSet::dsInactive:
            data->close();
            break;
        case SqlDataSet::dsBrowse:
            data->open();
            break;
        case SqlDataSet::dsEdit:
            data->open();
            data->edit();
            break;
        case SqlDataSet::dsInsert:
            data->open();
            data->append();
            break;
        }
    }

    TestDatabase db;
    QWidget window;
    std::unique_ptr<SqlDataSet> data;
    TzqcxFocusController *controller;
    TzqcxDBTextEdit *name;
    TzqcxDBTextEdit *code;
};

class TestFocusController : public QObject
{
    Q_OBJECT

private slots:
    void defaultColours();
    void coloursByState_data();
    void coloursByState();
    void insertThenPostShowsBrowseColour();
    void invalidEntries_data();
    void invalidEntries();
    void registeringTwiceKeepsFirstEntry();
    void clearInvalidEntryList();
    void raiseOnEmptyListMovesNothing();
    void raiseShowsNestedTabs();
    void otherStatesCountAsBrowse();
    void controllerWithoutDataSourceKeepsLinkColours();
    void typingEditsTheRow();
    void rowThatTypingMayNotEditTakesNoInput();
    void memoLimitStopsTypingKeepsLongerText();
    void dateEditKeepsTimeOfDay_data();
    void dateEditKeepsTimeOfDay();
    void lifetimes();
    void plainEditors();
};

void TestFocusController::defaultColours()
{
    TzqcxFocusController c;
    QCOMPARE(c.FocusColor, QColor(0xA6, 0xCA, 0xF0));
    QCOMPARE(c.UnfocusColor, TzqcxFocusController::WindowColor());
    QCOMPARE(c.EditFocusColor, QColor(0xFF, 0xFF, 0x00));
    QCOMPARE(c.EditColor, QColor(0xC0, 0xDC, 0xC0));
    QCOMPARE(c.InsertFocusColor, QColor(0x00, 0x80, 0x00));
    QCOMPARE(c.InsertColor, QColor(0xA6, 0xCA, 0xF0));
    QCOMPARE(c.InvalidFocusColor, QColor(Qt::black));
    QCOMPARE(c.InvalidValueColor, QColor(Qt::black));
    QCOMPARE(c.InvalidListCount(), 0);
}

void TestFocusController::coloursByState_data()
{
    QTest::addColumn<SqlDataSet::State>("state");
    QTest::addColumn<bool>("focused");
    QTest::addColumn<QColor>("expected");

    // Distinct colours so that a mix-up shows.
    QTest::newRow("inactive focused") << SqlDataSet::dsInactive << true << QColor("#000001");
    QTest::newRow("inactive unfocused") << SqlDataSet::dsInactive << false << QColor("#000002");
    QTest::newRow("browse focused") << SqlDataSet::dsBrowse << true << QColor("#000001");
    QTest::newRow("browse unfocused") << SqlDataSet::dsBrowse << false << QColor("#000002");
    QTest::newRow("edit focused") << SqlDataSet::dsEdit << true << QColor("#000003");
    QTest::newRow("edit unfocused") << SqlDataSet::dsEdit << false << QColor("#000004");
    QTest::newRow("insert focused") << SqlDataSet::dsInsert << true << QColor("#000005");
    QTest::newRow("insert unfocused") << SqlDataSet::dsInsert << false << QColor("#000006");
}

void TestFocusController::coloursByState()
{
    QFETCH(SqlDataSet::State, state);
    QFETCH(bool, focused);
    QFETCH(QColor, expected);

    Fixture f;
    f.controller->FocusColor = QColor("#000001");
    f.controller->UnfocusColor = QColor("#000002");
    f.controller->EditFocusColor = QColor("#000003");
    f.controller->EditColor = QColor("#000004");
    f.controller->InsertFocusColor = QColor("#000005");
    f.controller->InsertColor = QColor("#000006");
    QVERIFY(f.focus(focused ? static_cast<QWidget *>(f.name) : f.code));
    // Through a state change, so that the controller recolours its editors.
    f.enter(SqlDataSet::dsBrowse);
    f.data->close();
    f.enter(state);
    QCOMPARE(f.name->Background(), expected);
}

void TestFocusController::insertThenPostShowsBrowseColour()
{
    Fixture f;
    f.data->open();
    f.data->append();
    QVERIFY(f.focus(f.name));
    QCOMPARE(f.name->Background(), f.controller->InsertFocusColor);
    QVERIFY(f.focus(f.code));
    QCOMPARE(f.name->Background(), f.controller->InsertColor);
    f.data->setValue("UNIQUE_UUID", QUuid::createUuid().toString(QUuid::WithoutBraces));
    f.data->post();
    QCOMPARE(f.name->Background(), f.controller->UnfocusColor);
}

void TestFocusController::invalidEntries_data()
{
    QTest::addColumn<SqlDataSet::State>("state");
    QTest::newRow("browse") << SqlDataSet::dsBrowse;
    QTest::newRow("edit") << SqlDataSet::dsEdit;
    QTest::newRow("insert") << SqlDataSet::dsInsert;
}

void TestFocusController::invalidEntries()
{
    QFETCH(SqlDataSet::State, state);
    Fixture f;
    f.controller->InvalidFocusColor = QColor("#E68E8E");
    f.controller->InvalidValueColor = QColor("#F88F8F");
    f.enter(state);
    QVERIFY(f.focus(f.code));

    f.controller->AddControlToInvalidList(f.name, "Name is required");
    QVERIFY(f.controller->IsControlInvalid(f.name));
    QCOMPARE(f.name->toolTip(), QString("Name is required"));
    QCOMPARE(f.name->Background(), QColor("#F88F8F"));
    QVERIFY(f.focus(f.name));
    QCOMPARE(f.name->Background(), QColor("#E68E8E"));

    f.controller->RemoveControlFromInvalidList(f.name);
    QVERIFY(!f.controller->IsControlInvalid(f.name));
    QVERIFY(f.name->toolTip().isEmpty());
    const TzqcxControlState cs = TzqcxFocusController::StateOf(state);
    QCOMPARE(f.name->Background(), f.controller->GetFocusColorForControl(f.name, cs));
    QVERIFY(f.focus(f.code));
    QCOMPARE(f.name->Background(), f.controller->GetColorForControl(f.name, cs));
}

void TestFocusController::registeringTwiceKeepsFirstEntry()
{
    Fixture f;
    f.controller->AddControlToInvalidList(f.name, "first");
    f.controller->AddControlToInvalidList(f.code, "other");
    f.controller->AddControlToInvalidList(f.name, "second");
    QCOMPARE(f.controller->InvalidListCount(), 2);
    QCOMPARE(f.controller->InvalidEntryMessage(f.name), QString("first"));
    QCOMPARE(f.name->toolTip(), QString("second"));
}

void TestFocusController::clearInvalidEntryList()
{
    Fixture f;
    f.data->open();
    QVERIFY(f.focus(f.code));
    QLabel plain(&f.window); // any widget can be marked, linked or not
    f.controller->AddControlToInvalidList(f.name, "a");
    f.controller->AddControlToInvalidList(&plain, "b");
    f.controller->ClearInvalidEntryList();
    QCOMPARE(f.controller->InvalidListCount(), 0);
    QVERIFY(plain.toolTip().isEmpty());
    QVERIFY(f.name->toolTip().isEmpty());
    QCOMPARE(f.name->Background(), f.controller->UnfocusColor);
}

void TestFocusController::raiseOnEmptyListMovesNothing()
{
    Fixture f;
    QVERIFY(f.focus(f.code));
    QVERIFY(!f.controller->RaiseValidatationErrors());
    QVERIFY(f.code->hasFocus());
}

void TestFocusController::raiseShowsNestedTabs()
{
    Fixture f;
    auto *outer = new QTabWidget(&f.window);
    f.window.layout()->addWidget(outer);
    outer->addTab(new QWidget, "first");
    auto *inner = new QTabWidget;
    outer->addTab(inner, "second");
    inner->addTab(new QWidget, "a");
    auto *page = new QWidget;
    inner->addTab(page, "b");
    auto *editor = new TzqcxDBTextEdit(page);
    editor->SetFocusController(f.controller);
    auto *later = new TzqcxDBTextEdit(page);
    later->SetFocusController(f.controller);
    f.window.show();

    f.controller->ClearInvalidEntryList();
    f.controller->AddControlToInvalidList(editor, "first failure");
    f.controller->AddControlToInvalidList(f.code, "second failure");
    QVERIFY(f.controller->RaiseValidatationErrors());
    QCOMPARE(outer->currentWidget(), static_cast<QWidget *>(inner));
    QCOMPARE(inner->currentWidget(), page);
    QVERIFY(QTest::qWaitFor([editor]() { return editor->hasFocus(); }, 2000));
}

void TestFocusController::otherStatesCountAsBrowse()
{
    QCOMPARE(TzqcxFocusController::StateOf(SqlDataSet::dsEdit), csEdit);
    QCOMPARE(TzqcxFocusController::StateOf(SqlDataSet::dsInsert), csInsert);
    QCOMPARE(TzqcxFocusController::StateOf(SqlDataSet::dsInactive), csInactive);
    QCOMPARE(TzqcxFocusController::StateOf(42), csBrowse);
    TzqcxFocusController c;
    QWidget w;
    QCOMPARE(c.GetColorForControl(&w, TzqcxControlState(9)), c.InvalidFocusColor);
    QCOMPARE(c.GetFocusColorForControl(&w, TzqcxControlState(9)), c.InvalidFocusColor);
}

void TestFocusController::controllerWithoutDataSourceKeepsLinkColours()
{
    QWidget window;
    TzqcxFocusController c;
    c.EditColor = QColor("#123456");
    TzqcxDBTextEdit editor(&window);
    editor.SetFocusController(&c);
    QCOMPARE(editor.Background(), c.UnfocusColor);
    QCOMPARE(editor.FocusColor, c.FocusColor);
    c.NotifyControlLinks();
    QCOMPARE(editor.Background(), c.UnfocusColor);
    // Unlinking gives the editor its own style's colour back.
    editor.SetFocusController(nullptr);
    QVERIFY(c.LinkedControls().isEmpty());
    QCOMPARE(editor.Background(), QApplication::palette(&editor).color(QPalette::Base));
}

void TestFocusController::typingEditsTheRow()
{
    Fixture f;
    f.data->open();
    QCOMPARE(f.name->text(), QString("Al"));
    QVERIFY(f.focus(f.name));
    f.name->selectAll();
    QTest::keyClicks(f.name, "Bo");
    QCOMPARE(f.data->state(), SqlDataSet::dsEdit);
    QCOMPARE(f.data->text("NAME"), QString("Bo"));
    QCOMPARE(f.name->Background(), f.controller->EditFocusColor);
    // Emptying the editor writes NULL; cancelling shows the stored value again.
    f.name->selectAll();
    QTest::keyClick(f.name, Qt::Key_Delete);
    QVERIFY(f.data->isNull("NAME"));
    f.data->cancel();
    QCOMPARE(f.name->text(), QString("Al"));
}

void TestFocusController::memoLimitStopsTypingKeepsLongerText()
{
    Fixture f;
    f.data->open();
    auto *memo = new TzqcxDBMemo(&f.window);
    memo->SetDataBinding(f.data.get(), "NAME");
    memo->SetMaxLength(5);
    memo->show();
    QVERIFY(f.focus(memo));
    memo->selectAll();
    QTest::keyClicks(memo, "abcdefg");
    QCOMPARE(f.data->text("NAME"), QString("abcde"));
    // Pasting in the middle keeps the text whole and drops what does not fit.
    QTextCursor c = memo->textCursor();
    c.setPosition(2);
    memo->setTextCursor(c);
    memo->insertPlainText("XY");
    QCOMPARE(f.data->text("NAME"), QString("abcde"));
    f.data->cancel();

    // A longer stored text is shown and kept whole; it can be shortened, but typing adds nothing
    // until it is within the limit.
    const QString longer = "A stored text longer than the limit";
    f.db.exec("UPDATE SAMPLE_OFFICER SET NAME = ?", {longer});
    f.data->refresh();
    QCOMPARE(memo->toPlainText(), longer);
    memo->moveCursor(QTextCursor::End);
    QTest::keyClicks(memo, "!");
    QCOMPARE(memo->toPlainText(), longer);
    QTest::keyClick(memo, Qt::Key_Backspace);
    QTest::keyClicks(memo, "?");
    QCOMPARE(f.data->text("NAME"), longer.chopped(1));
}

void TestFocusController::dateEditKeepsTimeOfDay_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QVariant>("expected");

    const QDate newDate(2024, 3, 5);
    QTest::newRow("timestamp with a time") << "SAMPLE_TIMESTAMP"
                                           << QVariant(QDateTime(QDate(2024, 1, 2), QTime(14, 25, 36)))
                                           << QVariant(QDateTime(newDate, QTime(14, 25, 36)));
    QTest::newRow("timestamp empty") << "SAMPLE_TIMESTAMP" << QVariant() << QVariant(QDateTime(newDate, QTime(0, 0)));
    QTest::newRow("date") << "RECORDED_DATE" << QVariant(QDate(2024, 1, 2)) << QVariant(newDate);
}

void TestFocusController::dateEditKeepsTimeOfDay()
{
    QFETCH(QString, column);
    QFETCH(QVariant, stored);
    QFETCH(QVariant, expected);

    TestDatabase db;
    const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    db.exec(QStringLiteral("INSERT INTO SAMPLE (UNIQUE_UUID, CODE, %1) VALUES (?, 'S', ?)").arg(column), {uuid, stored});
    SqlDataSet data(db.db(), QStringLiteral("SELECT ID, UNIQUE_UUID, %1 FROM SAMPLE WHERE UNIQUE_UUID = ?").arg(column).replace("?", ":uuid"));
    data.setUpdateTable("SAMPLE", {"ID"});
    data.setParam("uuid", uuid);
    data.open();
    TzqcxDBDateEdit edit;
    edit.SetDataBinding(&data, column);
    // The user picks another day.
    edit.setDate(QDate(2024, 3, 5));
    QCOMPARE(data.state(), SqlDataSet::dsEdit);
    data.post();
    QCOMPARE(data.value(column), expected);
    QCOMPARE(db.scalar(QStringLiteral("SELECT %1 FROM SAMPLE WHERE UNIQUE_UUID = ?").arg(column), {uuid}), expected);
}

// Every kind of data-aware editor over a row that typing may not put into edit state (a sent
// sample): keys and clicks change nothing and raise nothing. Once the row is being edited they take
// input again, and an editor the form made read-only stays so; a read-only dataset takes none.
void TestFocusController::rowThatTypingMayNotEditTakesNoInput()
{
    RecordingPrompter prompter;
    ScopedPrompter scope(&prompter);
    TestDatabase db;
    db.exec("INSERT INTO SAMPLE (UNIQUE_UUID, CODE, HEALTH_MARK, SAMPLE_COMMENTS, FLAG_FOLLOW_UP, ROUTINE_ANALYSIS, "
            "ANALYSIS_TYPE, BATCH_NUMBER, QUANTITY, SAMPLE_DATE, SAMPLE_TIME) "
            "VALUES (?, 'S1', 'UK 1', 'Note', 'F', 'T', 'M', 'L1', 5, ?, ?)",
            {QUuid::createUuid().toString(QUuid::WithoutBraces), QDate(2026, 3, 4), QTime(10, 30)});
    const QStringList columns = {"CODE", "HEALTH_MARK", "SAMPLE_COMMENTS", "FLAG_FOLLOW_UP", "ROUTINE_ANALYSIS",
                                 "ANALYSIS_TYPE", "BATCH_NUMBER", "QUANTITY", "SAMPLE_DATE", "SAMPLE_TIME"};
    SqlDataSet data(db.db(), QStringLiteral("SELECT ID, %1 FROM SAMPLE").arg(columns.join(", ")));
    data.setUpdateTable("SAMPLE", {"ID"});
    data.setAutoEdit(false);
    data.open();

    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    const auto add = [&](auto *editor, const char *column) {
        editor->SetDataBinding(&data, column);
        layout->addWidget(editor);
        return editor;
    };
    auto *code = add(new TzqcxDBTextEdit(&window), "CODE");
    code->SetAlwaysReadOnly(true);
    auto *mark = add(new TzqcxDBTextEdit(&window), "HEALTH_MARK");
    auto *memo = add(new TzqcxDBMemo(&window), "SAMPLE_COMMENTS");
    auto *check = add(new TzqcxDBCheckBox(&window), "FLAG_FOLLOW_UP");
    check->setText("Follow up");
    auto *routine = add(new TzqcxDBImageComboBox(&window), "ROUTINE_ANALYSIS");
    routine->AddItem("YES", "T");
    routine->AddItem("NO", "F");
    auto *type = new TzqcxDBRadioGroup(&window);
    type->SetItems({"Micro", "Chemical"}, {"M", "C"});
    add(type, "ANALYSIS_TYPE");
    auto *batch = add(new TzqcxDBComboBox(&window), "BATCH_NUMBER");
    batch->addItems({"L1", "Not provided on packaging"});
    auto *quantity = add(new TzqcxDBSpinEdit(&window), "QUANTITY");
    auto *date = add(new TzqcxDBDateEdit(&window), "SAMPLE_DATE");
    auto *time = add(new TzqcxDBTimeEdit(&window), "SAMPLE_TIME");
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));

    const auto row = [&]() {
        QVariantList values;
        for (const QString &c : columns)
            values << data.value(c);
        return values;
    };
    const QVariantList before = row();
    const QList<QWidget *> inputs = {code, mark, memo, check, routine, type->Button(1), batch, quantity, date, time};
    for (QWidget *w : inputs) {
        w->setFocus(Qt::OtherFocusReason);
        QTest::keyClicks(w, "7x");
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Down, Qt::Key_Delete, Qt::Key_Backspace, Qt::Key_F4})
            QTest::keyClick(w, key);
        QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(8, w->height() / 2)); // on a box's mark, a list's text
        QTest::keyClick(w, Qt::Key_Tab);
    }
    QVERIFY2(prompter.calls().isEmpty(), qPrintable(prompter.texts().join("\n")));
    QCOMPARE(data.state(), SqlDataSet::dsBrowse);
    QCOMPARE(row(), before);
    QCOMPARE(mark->text(), QString("UK 1"));
    QCOMPARE(date->text(), QString("04/03/2026"));
    QCOMPARE(time->text(), QString("10:30"));
    QVERIFY(!check->isChecked() && type->ItemIndex() == 0 && routine->currentIndex() == 0);
    QVERIFY(QApplication::activePopupWidget() == nullptr);

    // Editing on purpose: the editors take input, the one made read-only does not.
    data.edit();
    QVERIFY(code->isReadOnly());
    QVERIFY(!mark->isReadOnly() && !memo->isReadOnly() && !quantity->isReadOnly() && !date->isReadOnly());
    mark->setFocus(Qt::OtherFocusReason);
    mark->end(false);
    QTest::keyClicks(mark, "2");
    QCOMPARE(data.text("HEALTH_MARK"), QString("UK 12"));
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2));
    QCOMPARE(data.text("FLAG_FOLLOW_UP"), QString("T"));
    QTest::mouseClick(type->Button(1), Qt::LeftButton, {}, QPoint(8, type->Button(1)->height() / 2));
    QCOMPARE(data.text("ANALYSIS_TYPE"), QString("C"));
    data.cancel();

    // Typing may start editing again, unless the data is read-only.
    data.setAutoEdit(true);
    QVERIFY(!mark->isReadOnly());
    data.setReadOnly(true);
    QVERIFY(mark->isReadOnly() && memo->isReadOnly());
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2));
    QCOMPARE(data.state(), SqlDataSet::dsBrowse);
    QVERIFY(prompter.calls().isEmpty());
}

void TestFocusController::lifetimes()
{
    // An editor destroyed while linked and marked invalid leaves both lists.
    {
        Fixture f;
        f.controller->AddControlToInvalidList(f.name, "bad");
        delete f.name;
        QCOMPARE(f.controller->InvalidListCount(), 0);
        QCOMPARE(f.controller->LinkedControls(), QList<QWidget *>{f.code});
        QVERIFY(!f.controller->RaiseValidatationErrors());
    }
    // A controller destroyed first unlinks its editors; a later state change reaches no one.
    {
        Fixture f;
        QVERIFY(f.focus(f.code));
        delete f.controller;
        QVERIFY(f.name->FocusController() == nullptr);
        const QColor after = f.name->Background();
        f.data->open();
        f.data->edit();
        QCOMPARE(f.name->Background(), after);
    }
}

void TestFocusController::plainEditors()
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *search = new TzqcxTextEdit(&window);
    auto *other = new TzqcxTextEdit(&window);
    layout->addWidget(search);
    layout->addWidget(other);
    search->FocusColor = QColor("#FFFFE1");
    QPalette p = search->palette();
    p.setColor(QPalette::Base, QColor("#010203"));
    search->setPalette(p);
    window.show();
    QApplication::setActiveWindow(&window);
    search->setFocus();
    QVERIFY(QTest::qWaitFor([search]() { return search->hasFocus(); }, 2000));
    QCOMPARE(search->Background(), QColor("#FFFFE1"));
    other->setFocus();
    QVERIFY(QTest::qWaitFor([other]() { return other->hasFocus(); }, 2000));
    QCOMPARE(search->Background(), QColor("#010203"));

    // With a controller: its focus and unfocus colours, without linking.
    TzqcxFocusController c;
    other->FocusController = &c;
    search->setFocus();
    QVERIFY(QTest::qWaitFor([search]() { return search->hasFocus(); }, 2000));
    QCOMPARE(other->Background(), c.UnfocusColor);
    QVERIFY(c.LinkedControls().isEmpty());
}

QTEST_MAIN(TestFocusController)
#include "tst_focuscontroller.moc"
