// The date and time editors as an officer uses them: what is typed and what the store holds
// afterwards (one table, run under two locales), entries that cannot be read, Enter, Delete, the
// calendar, and the plain date editor of the browsers' filters.
#include "base/Clock.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "data/DataSet.h"
#include "gui/ZQCXDBEditControls.h"
#include "gui/ZQCXEditControls.h"
#include "support/TestDatabase.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QScopeGuard>
#include <QTest>
#include <QUuid>
#include <QVBoxLayout>

#include <memory>

namespace {

const QDate Today(2026, 6, 15);
const QDate StoredDate(2020, 5, 5);
const QTime StoredTime(8, 0);

// A window over one sample row: its date, its time and a text to move on to.
class Fixture
{
public:
    explicit Fixture(TestDatabase &db, bool autoEdit = true) : m_db(db)
    {
        uuid = db.scalar("SELECT UNIQUE_UUID FROM SAMPLE").toString();
        data = std::make_unique<SqlDataSet>(db.db(), "SELECT ID, UNIQUE_UUID, SAMPLE_DATE, SAMPLE_TIME, HEALTH_MARK FROM SAMPLE");
        data->setUpdateTable("SAMPLE", {"ID"});
        data->setAutoEdit(autoEdit);
        data->open();
        auto *layout = new QVBoxLayout(&window);
        date = new TzqcxDBDateEdit(&window);
        time = new TzqcxDBTimeEdit(&window);
        text = new TzqcxDBTextEdit(&window);
        for (TzqcxDBTextEdit *e : {static_cast<TzqcxDBTextEdit *>(date), static_cast<TzqcxDBTextEdit *>(time), text})
            layout->addWidget(e);
        date->SetDataBinding(data.get(), "SAMPLE_DATE");
        time->SetDataBinding(data.get(), "SAMPLE_TIME");
        text->SetDataBinding(data.get(), "HEALTH_MARK");
        window.show();
        QApplication::setActiveWindow(&window);
    }

    bool focus(QWidget *w)
    {
        QApplication::setActiveWindow(&window);
        w->setFocus(Qt::OtherFocusReason);
        return QTest::qWaitFor([w]() { return w->hasFocus(); }, 2000);
    }

    // Replaces the editor's text by typing, as an officer does after clicking into it.
    bool type(QLineEdit *edit, const QString &keys)
    {
        if (!focus(edit))
            return false;
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, keys);
        return true;
    }

    QVariant inStore(const QString &column) const
    {
        return m_db.scalar(QStringLiteral("SELECT %1 FROM SAMPLE WHERE UNIQUE_UUID = ?").arg(column), {uuid});
    }

    TestDatabase &m_db;
    QString uuid;
    QWidget window;
    std::unique_ptr<SqlDataSet> data;
    TzqcxDBDateEdit *date;
    TzqcxDBTimeEdit *time;
    TzqcxDBTextEdit *text;
};

// The locale of the machine for one test; the one before comes back afterwards.
class ScopedLocale
{
public:
    explicit ScopedLocale(const QString &name) : m_previous(QLocale()) { QLocale::setDefault(QLocale(name)); }
    ~ScopedLocale() { QLocale::setDefault(m_previous); }

private:
    QLocale m_previous;
};

} // namespace

class TestTypedEntries : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void typedValueIsStored_data();
    void typedValueIsStored();
    void enterCommitsAndShowsTheStoredForm();
    void deleteClearsTheDate();
    void calendarOpensOnTheFieldsDateOrToday();
    void unreadableEntrySurvivesTheRowGoingIntoEdit();
    void filterDateKeepsWhatIsTyped();

private:
    std::unique_ptr<TestDatabase> m_db;
    FixedClock m_clock{QDateTime(Today, QTime(9, 0))};
    std::unique_ptr<ScopedClock> m_clockScope;
    RecordingPrompter m_prompter;
    std::unique_ptr<ScopedPrompter> m_prompterScope;
};

void TestTypedEntries::initTestCase()
{
    m_db = std::make_unique<TestDatabase>();
    QVERIFY2(m_db->isValid(), qPrintable(m_db->errorText()));
    m_db->exec("INSERT INTO SAMPLE (UNIQUE_UUID, CODE) VALUES (?, 'S1')", {QUuid::createUuid().toString(QUuid::WithoutBraces)});
}

void TestTypedEntries::init()
{
    m_db->exec("UPDATE SAMPLE SET SAMPLE_DATE = ?, SAMPLE_TIME = ?, HEALTH_MARK = NULL", {StoredDate, StoredTime});
    m_clockScope = std::make_unique<ScopedClock>(&m_clock);
    m_prompter.clear();
    m_prompterScope = std::make_unique<ScopedPrompter>(&m_prompter);
}

void TestTypedEntries::cleanup()
{
    m_prompterScope.reset();
    m_clockScope.reset();
}

// What is typed and what is stored. Every row runs under en_GB (the officers' locale) and under
// de_DE (a machine set up otherwise, whose own forms differ): the same keys give the same value.
// Today is 15 June 2026, so two-figure years 00 to 45 are 2000 to 2045, and 46 to 99 the 1900s.
// An entry that cannot be read leaves the stored value (5 May 2020, 08:00) as it was.
void TestTypedEntries::typedValueIsStored_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("isDate");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QVariant>("stored"); // null: NULL; invalid QVariant: refused, nothing stored

    const QVariant null = QVariant(QMetaType::fromType<QDate>());
    const QVariant refused;
    const QVariant dec11 = QDate(2026, 12, 11);
    struct Row
    {
        bool isDate;
        const char *typed;
        QVariant stored;
    };
    const QList<Row> rows = {
        {true, "11/12/2026", dec11},
        {true, "11/12/26", dec11},
        {true, "1/2/2026", QDate(2026, 2, 1)},
        {true, "11 Dec 2026", dec11},
        {true, "11 december 26", dec11},
        {true, "Dec 11, 2026", dec11},
        {true, "2026-12-11", dec11},
        {true, "11.12.2026", dec11},
        {true, "11-12-2026", dec11},
        {true, " 01/01/2020 ", QDate(2020, 1, 1)},
        {true, "29/2/2028", QDate(2028, 2, 29)},
        {true, "1/1/45", QDate(2045, 1, 1)},
        {true, "1/1/46", QDate(1946, 1, 1)},
        {true, "", null},
        {true, "31/02/2026", refused},
        {true, "11/13/2026", refused},
        {true, "0272", refused},
        {true, "11/12/272", refused},
        {true, "11 Foo 2026", refused},
        {true, "tomorrow", refused},
        {true, "01/01/1850", refused}, // outside the dates the editor takes
        {false, "10:30", QTime(10, 30)},
        {false, "1030", QTime(10, 30)},
        {false, "10.30", QTime(10, 30)},
        {false, "9:5", QTime(9, 5)},
        {false, "9.30", QTime(9, 30)},
        {false, "930", QTime(9, 30)},
        {false, "9", QTime(9, 0)},
        {false, "23:59:59", QTime(23, 59, 59)},
        {false, "", QVariant(QMetaType::fromType<QTime>())},
        {false, "24:00", refused},
        {false, "10:60", refused},
        {false, "1060", refused},
        {false, "10:3x", refused},
        {false, "12345", refused},
    };
    for (const char *locale : {"en_GB", "de_DE"}) {
        for (const Row &r : rows) {
            QTest::addRow("%s %s '%s'", locale, r.isDate ? "date" : "time", r.typed)
                << QString::fromLatin1(locale) << r.isDate << QString::fromLatin1(r.typed) << r.stored;
        }
    }
}

void TestTypedEntries::typedValueIsStored()
{
    QFETCH(QString, locale);
    QFETCH(bool, isDate);
    QFETCH(QString, typed);
    QFETCH(QVariant, stored);
    ScopedLocale scopedLocale(locale);
    Fixture f(*m_db);
    TzqcxDBTextEdit *edit = isDate ? static_cast<TzqcxDBTextEdit *>(f.date) : f.time;
    const QString column = isDate ? "SAMPLE_DATE" : "SAMPLE_TIME";
    const QVariant before = isDate ? QVariant(StoredDate) : QVariant(StoredTime);

    QVERIFY(f.type(edit, typed));
    QTest::keyClick(edit, Qt::Key_Tab);
    QVERIFY(!edit->hasFocus());
    QVERIFY(m_prompter.calls().isEmpty());
    if (!stored.isValid()) {
        // Kept as typed for correction, marked red with what was wrong; the row keeps its value.
        QCOMPARE(edit->text(), typed);
        QVERIFY2(edit->EntryProblem().contains(typed.trimmed()), qPrintable(edit->EntryProblem()));
        QCOMPARE(edit->toolTip(), edit->EntryProblem());
        QCOMPARE(edit->Background(), zqcxUnreadableColor(false));
        QCOMPARE(f.data->value(column), before);
        QVERIFY_THROWS_EXCEPTION(VarnexError, TzqcxDBEditorBase::RequireReadableEntries(&f.window));
        QCOMPARE(QApplication::focusWidget(), edit);
        QCOMPARE(edit->text(), typed);
        return;
    }
    QVERIFY2(edit->EntryProblem().isEmpty(), qPrintable(edit->EntryProblem()));
    QCOMPARE(f.data->state(), SqlDataSet::dsEdit);
    TzqcxDBEditorBase::RequireReadableEntries(&f.window);
    f.data->post();
    const QVariant inStore = f.inStore(column);
    if (stored.isNull())
        QVERIFY2(inStore.isNull(), qPrintable(inStore.toString()));
    else
        QCOMPARE(inStore, stored);
}

void TestTypedEntries::enterCommitsAndShowsTheStoredForm()
{
    ScopedLocale scopedLocale("en_GB");
    Fixture f(*m_db);
    f.date->setDisplayFormat("dd MMM yyyy");
    QCOMPARE(f.date->text(), QString("05 May 2020"));
    QVERIFY(f.type(f.date, "1/2/26"));
    QTest::keyClick(f.date, Qt::Key_Return);
    QVERIFY(f.date->hasFocus());
    QCOMPARE(f.data->value("SAMPLE_DATE"), QVariant(QDate(2026, 2, 1)));
    QCOMPARE(f.date->text(), QString("01 Feb 2026"));
    QVERIFY(f.type(f.time, "1030"));
    QTest::keyClick(f.time, Qt::Key_Enter);
    QCOMPARE(f.data->value("SAMPLE_TIME"), QVariant(QTime(10, 30)));
    QCOMPARE(f.time->text(), QString("10:30"));
    // A save started from a key takes along what is typed and not finished yet.
    QVERIFY(f.type(f.time, "9.30"));
    TzqcxDBEditorBase::RequireReadableEntries(&f.window);
    f.data->post();
    QCOMPARE(f.inStore("SAMPLE_TIME"), QVariant(QTime(9, 30)));
    QCOMPARE(f.inStore("SAMPLE_DATE"), QVariant(QDate(2026, 2, 1)));
}

void TestTypedEntries::deleteClearsTheDate()
{
    Fixture f(*m_db);
    QVERIFY(f.focus(f.date));
    f.date->setCursorPosition(3);
    QTest::keyClick(f.date, Qt::Key_Delete);
    QVERIFY(f.date->text().isEmpty());
    QVERIFY(f.data->isNull("SAMPLE_DATE"));
    f.data->post();
    QVERIFY(f.inStore("SAMPLE_DATE").isNull());
}

void TestTypedEntries::calendarOpensOnTheFieldsDateOrToday()
{
    Fixture f(*m_db);
    const auto calendar = [&f]() { return f.date->findChild<QCalendarWidget *>(); };
    // On the field's date, and on a date typed and not finished yet.
    f.date->OpenCalendar();
    QVERIFY(calendar());
    QCOMPARE(calendar()->selectedDate(), StoredDate);
    QCOMPARE(calendar()->yearShown(), 2020);
    calendar()->window()->close();
    QTRY_VERIFY(!calendar());
    QVERIFY(f.type(f.date, "3/4/2024"));
    f.date->OpenCalendar();
    QCOMPARE(calendar()->selectedDate(), QDate(2024, 4, 3));
    calendar()->window()->close();
    QTRY_VERIFY(!calendar());

    // An empty date opens on today, from the clock; the day clicked is stored.
    f.date->setDate(QDate());
    QVERIFY(f.data->isNull("SAMPLE_DATE"));
    QVERIFY(f.focus(f.date));
    QTest::keyClick(f.date, Qt::Key_F4);
    QVERIFY(calendar());
    QCOMPARE(calendar()->selectedDate(), Today);
    emit calendar()->clicked(QDate(2026, 6, 12));
    QTRY_VERIFY(!calendar());
    QCOMPARE(f.data->value("SAMPLE_DATE"), QVariant(QDate(2026, 6, 12)));
    QCOMPARE(f.date->text(), QString("12/06/2026"));
}

void TestTypedEntries::unreadableEntrySurvivesTheRowGoingIntoEdit()
{
    Fixture f(*m_db);
    QVERIFY(f.type(f.date, "32/01/2026"));
    QTest::keyClick(f.date, Qt::Key_Tab);
    QCOMPARE(f.data->state(), SqlDataSet::dsBrowse);
    QVERIFY(!f.date->EntryProblem().isEmpty());
    // Typing elsewhere starts editing the row: the entry and its mark stay.
    QTest::keyClicks(f.text, "UK 1");
    QCOMPARE(f.data->state(), SqlDataSet::dsEdit);
    QCOMPARE(f.date->text(), QString("32/01/2026"));
    QCOMPARE(f.date->Background(), zqcxUnreadableColor(false));
    // Corrected, it is taken and unmarked.
    QVERIFY(f.type(f.date, "31/01/2026"));
    QTest::keyClick(f.date, Qt::Key_Tab);
    QVERIFY(f.date->EntryProblem().isEmpty());
    QVERIFY(f.date->toolTip().isEmpty());
    QCOMPARE(f.data->value("SAMPLE_DATE"), QVariant(QDate(2026, 1, 31)));
    QVERIFY(m_prompter.calls().isEmpty());
    // Cancelling the row shows the stored date again, unmarked.
    QVERIFY(f.type(f.date, "nonsense"));
    QTest::keyClick(f.date, Qt::Key_Tab);
    f.data->cancel();
    QCOMPARE(f.date->text(), QString("05/05/2020"));
    QVERIFY(f.date->EntryProblem().isEmpty());
}

// The browsers' filter dates: what is typed is taken as typed; what cannot be read (or lies
// outside the range, or is blank) is marked and refused, and the last date taken stays.
void TestTypedEntries::filterDateKeepsWhatIsTyped()
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *start = new TzqcxDateEdit(&window);
    auto *other = new TzqcxTextEdit(&window);
    layout->addWidget(start);
    layout->addWidget(other);
    start->SetBlankAllowed(false);
    start->setDateRange(QDate(1980, 1, 1), QDate(2050, 1, 1));
    start->setDate(Today.addDays(-14));
    window.show();
    QApplication::setActiveWindow(&window);
    QList<QDate> changes;
    connect(start, &TzqcxDateEdit::dateChanged, this, [&changes](QDate d) { changes << d; });
    const auto typeAndLeave = [&](const QString &keys) {
        start->setFocus();
        QVERIFY(QTest::qWaitFor([start]() { return start->hasFocus(); }, 2000));
        start->selectAll();
        QTest::keyClick(start, Qt::Key_Backspace);
        QTest::keyClicks(start, keys);
        QTest::keyClick(start, Qt::Key_Tab);
    };

    typeAndLeave("01/01/2020");
    QCOMPARE(start->date(), QDate(2020, 1, 1));
    QCOMPARE(start->text(), QString("01/01/2020"));
    QCOMPARE(changes, QList<QDate>({QDate(2020, 1, 1)}));
    for (const char *refused : {"32/01/2020", "01/01/1970", ""}) {
        typeAndLeave(QString::fromLatin1(refused));
        QCOMPARE(start->text(), QString::fromLatin1(refused));
        QVERIFY2(!start->EntryProblem().isEmpty(), refused);
        QCOMPARE(start->Background(), zqcxUnreadableColor(false));
        QCOMPARE(start->date(), QDate(2020, 1, 1));
        QVERIFY_THROWS_EXCEPTION(VarnexError, start->RequireReadableEntry());
    }
    QCOMPARE(changes.size(), 1);
    // "Today" and the calendar put a date in and unmark the entry.
    start->setDate(Today);
    QVERIFY(start->EntryProblem().isEmpty());
    QVERIFY(start->toolTip().isEmpty());
    QCOMPARE(start->date(), Today);
    QCOMPARE(start->text(), QString("15/06/2026"));
    start->RequireReadableEntry();
}

QTEST_MAIN(TestTypedEntries)
#include "tst_typedentries.moc"
