// bench_premises [premises] [fragment]
//
// The food premises picker over a register of many premises (default 50,000), offscreen, in a fresh
// copy of the template store. Three things a user waits for:
// 1. the picker opened until its first rows are shown;
// 2. each keystroke of an address fragment (default "station r") until the filtered rows are shown;
// 3. the picker opened on a bookmark near the end of the CODE order;
// each measured twice: the list alone (the picker's grid model, same SELECT, same order, same page
// size), and the whole picker, made and painted. For comparison, in the same run: a bare
// "SELECT FIRST 50 ... ORDER BY CODE" of the same columns, without and with the address condition;
// and the whole picker over an empty register, which is what making and painting the form costs
// whatever the register holds. Each figure is the median of several runs, in milliseconds.
//
// The aim is that the list stays within 2x of the bare page it compares with (list_*_ratio), and
// that the picker costs no more than its empty self plus that (picker_*_extra_ratio: the picker's
// time above the empty picker's, over the bare page). The last line holds every figure as
// name=value pairs.
#include "BenchTiming.h"
#include "PeakMemory.h"

#include "core/Main_DM.h"
#include "reference/ui/PremisesDetailMaintV5_FRM.h"
#include "store/FbStatement.h"
#include "store/FbTransaction.h"
#include "store/LocalDatabase.h"
#include "store/SqlUtil.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int Runs = 15;

// The median time of the work over Runs runs (BenchTiming.h).
double timeMs(const std::function<void()> &work, const std::function<void()> &before = {})
{
    return ::timeMs(Runs, work, before);
}

// Fills the register in one statement: codes P0000001.., twenty streets, ten towns, every
// twentieth premises retired.
void seed(const QSqlDatabase &db, int premises)
{
    SqlUtil::exec(db, QStringLiteral(
        "INSERT INTO PREMISES_DETAIL (UNIQUE_UUID, CODE, PREMISES_NAME, BUSINESS_ADDR_1, BUSINESS_ADDR_2, "
        "BUSINESS_ADDR_3, BUSINESS_ADDR_4, BUSINESS_POSTCODE, PREMISES_TYPE__CODE, RISK_CATEGORY__CODE, "
        "LOCAL_AUTHORITY__CODE, LOCAL_AUTH_OFFICE__CODE, FLAG_DELETED) "
        "WITH RECURSIVE A AS (SELECT 0 AS I FROM RDB$DATABASE UNION ALL SELECT I + 1 FROM A WHERE I < 999), "
        "N AS (SELECT A1.I * 1000 + A2.I + 1 AS I FROM A A1 CROSS JOIN A A2 WHERE A1.I * 1000 + A2.I < CAST(? AS INTEGER)) "
        "SELECT UUID_TO_CHAR(GEN_UUID()), 'P' || LPAD(I, 7, '0'), 'Premises ' || I, "
        "(MOD(I, 97) + 1) || ' ' || DECODE(MOD(I, 20), 0, 'HIGH STREET', 1, 'Station Road', 2, 'Church Lane', "
        "  3, 'Mill Road', 4, 'Park Avenue', 5, 'Victoria Street', 6, 'Green Lane', 7, 'Manor Road', "
        "  8, 'Kings Road', 9, 'Queens Road', 10, 'New Street', 11, 'School Lane', 12, 'The Green', "
        "  13, 'Chapel Street', 14, 'Bridge Street', 15, 'North Road', 16, 'South Street', 17, 'Market Place', "
        "  18, 'West End', 'Orchard Way'), "
        "'Unit ' || MOD(I, 13), "
        "DECODE(MOD(I, 10), 0, 'Ashford', 1, 'Bexley', 2, 'Carlton', 3, 'Dunmore', 4, 'Elmstead', 5, 'Fairfield', "
        "  6, 'Greyford', 7, 'Hillcrest', 8, 'Ivybridge', 'Junction'), "
        "'Countyshire', 'AB' || MOD(I, 90) || ' ' || MOD(I, 9) || 'CD', 'RET', '3', 'LA1', 'LA1N', "
        "IIF(MOD(I, 20) = 7, 'T', 'F') FROM N"),
                  {premises});
}

struct Figures
{
    double open = 0;
    QList<double> keystrokes;
    double keystroke = 0;
    double bookmark = 0;
    int shownFirst = 0;
    int shownFiltered = 0;
    int shownAtBookmark = 0;
    bool onBookmark = false;
};

// The picker as a sample editor opens it (picking mode, read-only), shown and painted.
TPremisesDetailMaintV5Frm *openPicker(const QVariant &bookmark)
{
    auto defaults = std::make_unique<TPremisesDetailMaintV5FrmDefaults>();
    defaults->AllowEdit = false;
    defaults->InitialBookmark = bookmark;
    auto *form = TBasefrm::Create<TPremisesDetailMaintV5Frm>(nullptr);
    form->InitialiseDefaults(std::move(defaults));
    form->show();
    form->grab();
    return form;
}

Figures measurePicker(const QString &fragment, const QString &bookmark, const QString &bookmarkCode)
{
    Figures f;
    f.open = timeMs([&]() {
        std::unique_ptr<TPremisesDetailMaintV5Frm> form(openPicker(QVariant()));
        f.shownFirst = form->qryList->rowCount();
    });
    f.bookmark = timeMs([&]() {
        std::unique_ptr<TPremisesDetailMaintV5Frm> form(openPicker(bookmark));
        f.shownAtBookmark = form->qryList->rowCount();
        f.onBookmark = form->qryIBOData->text(QStringLiteral("CODE")) == bookmarkCode;
    });
    std::unique_ptr<TPremisesDetailMaintV5Frm> form(openPicker(QVariant()));
    for (int i = 1; i <= fragment.size(); ++i) {
        // Each run types the last character onto the text before it.
        f.keystrokes << timeMs(
            [&]() {
                form->edtAddressSearch->setText(fragment.left(i));
                form->grab();
            },
            [&]() { form->edtAddressSearch->setText(fragment.left(i - 1)); });
        f.shownFiltered = form->qryList->rowCount();
    }
    f.keystroke = median(f.keystrokes);
    return f;
}

// The picker's list alone: its grid model over its SELECT, in CODE order, a page at a time.
Figures measureList(const QSqlDatabase &db, const QString &sql, int pageSize, const QString &fragment,
                    const QString &bookmark, const QString &bookmarkCode)
{
    Figures f;
    const auto list = [&]() {
        auto model = std::make_unique<GridModel>(db, sql, QStringLiteral("UNIQUE_UUID"));
        model->setPageSize(pageSize);
        model->setSort({{QStringLiteral("CODE")}});
        return model;
    };
    f.open = timeMs([&]() {
        auto model = list();
        model->open();
        f.shownFirst = model->rowCount();
    });
    f.bookmark = timeMs([&]() {
        auto model = list();
        const int row = model->openAt(bookmark);
        f.shownAtBookmark = model->rowCount();
        f.onBookmark = row >= 0 && model->value(row, QStringLiteral("CODE")).toString() == bookmarkCode;
    });
    auto model = list();
    model->open();
    const auto filterOn = [&](const QString &text) {
        if (text.isEmpty())
            model->setFilter({});
        else
            model->setFilter({{QStringLiteral("FULLADDRESS"), GridCondition::Contains, text}});
    };
    for (int i = 1; i <= fragment.size(); ++i) {
        f.keystrokes << timeMs([&]() { filterOn(fragment.left(i)); }, [&]() { filterOn(fragment.left(i - 1)); });
        f.shownFiltered = model->rowCount();
    }
    f.keystroke = median(f.keystrokes);
    return f;
}

// The bare pages: the picker's columns straight from the table, without and with the address
// condition.
const QString Address = QStringLiteral(
    "CAST(SUBSTRING(COALESCE(CODE, '') || ', ' || COALESCE(PREMISES_NAME, '') || ', ' || "
    "COALESCE(BUSINESS_ADDR_1, '') || ', ' || COALESCE(BUSINESS_ADDR_2, '') || ', ' || "
    "COALESCE(BUSINESS_ADDR_3, '') || ', ' || COALESCE(BUSINESS_ADDR_4, '') || ', ' || "
    "COALESCE(BUSINESS_POSTCODE, '') FROM 1 FOR 1000) AS VARCHAR(1000))");
QString barePageSql(bool filtered)
{
    return QStringLiteral(
               "SELECT FIRST 50 UNIQUE_UUID, CODE, PREMISES_NAME, BUSINESS_ADDR_1, BUSINESS_ADDR_2, BUSINESS_ADDR_3, "
               "BUSINESS_ADDR_4, BUSINESS_POSTCODE, PREMISES_TYPE__CODE, RISK_CATEGORY__CODE, RISK_CATEGORY_FOOD_STAND__CODE, "
               "REGISTRATION_NUMBER, LOCAL_AUTHORITY__CODE, LOCAL_AUTH_OFFICE__CODE, FLAG_DELETED, %1 AS FULLADDRESS "
               "FROM PREMISES_DETAIL WHERE FLAG_DELETED IS DISTINCT FROM 'T' %2 ORDER BY CODE")
        .arg(Address, filtered ? QStringLiteral("AND %1 CONTAINING CAST(? AS VARCHAR(8191))").arg(Address) : QString());
}

// Everything measured over one register.
struct Register
{
    int premises = 0;
    int pageSize = 0;
    QString lateCode;
    double barePage = 0;   // through the SQL driver, as any plain query runs
    double bareRoPage = 0; // through the client library in a read-only transaction, each value read
    QList<double> bareKeystrokes;
    double bareFiltered = 0;
    Figures list, picker;
    long peakGrowthKiB = -1; // of the list's and the picker's work
};

// A fresh store with `premises` premises; `empty`, when given, is first measured over the empty
// register.
bool measureRegister(int premises, const QString &fragment, Register *r, Figures *empty)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("store.fdb"));
    if (!QFile::copy(QStringLiteral(VARNEX_BIN_DIR "/database_template.fdb"), path)) {
        std::fprintf(stderr, "cannot copy the template store from %s\n", VARNEX_BIN_DIR);
        return false;
    }
    QString error;
    QSqlDatabase db = openLocalDatabase(path, QLatin1String(TMaindm::ConnectionName), &error);
    if (!db.isOpen()) {
        std::fprintf(stderr, "cannot open the store: %s\n", qPrintable(error));
        return false;
    }
    TMaindm maindm;
    Maindm = &maindm;
    r->premises = premises;
    // The premises near the end of the CODE order that the late bookmark names.
    r->lateCode = QStringLiteral("P%1").arg(premises - 50, 7, 10, QLatin1Char('0'));
    const auto readAll = [&](const QString &sql, const QVariantList &params) {
        QSqlQuery q = SqlUtil::exec(db, sql, params);
        while (q.next()) {
        }
    };
    const auto readAllReadOnly = [&](const QString &sql, const QVariantList &params) {
        FbTransaction read(db, FbTransaction::ReadOnly);
        FbStatement q(read, sql);
        q.bindAll(params);
        q.execute(read);
        while (q.next()) {
            for (int c = 0; c < q.columnCount(); ++c)
                q.value(c);
        }
    };
    bool ok = true;
    try {
        SqlUtil::exec(db, QStringLiteral("UPDATE SYS_LOCAL_SETTINGS SET LOCAL_AUTHORITY__CODE = 'LA1', LOCAL_AUTH_OFFICE__CODE = 'LA1N'"));
        QString listSql;
        {
            std::unique_ptr<TPremisesDetailMaintV5Frm> form(TBasefrm::Create<TPremisesDetailMaintV5Frm>(nullptr));
            listSql = form->qryList->sql();
            r->pageSize = form->qryList->pageSize();
        }
        if (empty)
            *empty = measurePicker(fragment, QString(), QString());

        QElapsedTimer seeding;
        seeding.start();
        seed(db, premises);
        std::printf("seeded %d premises in %.0f ms\n", premises, seeding.nsecsElapsed() / 1e6);
        const QString bookmark = TPremisesDetailMaintV5Frm::BookmarkForCode(r->lateCode);

        r->barePage = timeMs([&]() { readAll(barePageSql(false), {}); });
        r->bareRoPage = timeMs([&]() { readAllReadOnly(barePageSql(false), {}); });
        for (int i = 1; i <= fragment.size(); ++i) {
            const QString typed = fragment.left(i);
            r->bareKeystrokes << timeMs([&]() { readAll(barePageSql(true), {typed}); });
        }
        r->bareFiltered = median(r->bareKeystrokes);
        PeakMemory memory;
        memory.start();
        r->list = measureList(db, listSql, r->pageSize, fragment, bookmark, r->lateCode);
        r->picker = measurePicker(fragment, bookmark, r->lateCode);
        r->peakGrowthKiB = memory.growthKiB();
    } catch (const VarnexError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        ok = false;
    }
    Maindm = nullptr;
    db.close();
    db = QSqlDatabase();
    return ok;
}

double ratio(double a, double b)
{
    return b > 0 ? a / b : 0.0;
}

void printRegister(const Register &r, const Figures &empty, const QString &fragment)
{
    std::printf("premises: %d (every twentieth retired), page of %d, fragment \"%s\", median of %d runs, ms\n", r.premises,
                r.pageSize, qPrintable(fragment), Runs);
    std::printf("%-38s %9s %9s %9s %9s\n", "", "bare", "bare r/o", "list", "picker");
    std::printf("%-38s %9.2f %9.2f %9.2f %9.2f   (empty register: picker %.2f)\n", "first rows", r.barePage, r.bareRoPage,
                r.list.open, r.picker.open, empty.open);
    std::printf("%-38s %9.2f %9s %9.2f %9.2f   (empty register: picker %.2f)\n", "keystroke to filtered rows (median)",
                r.bareFiltered, "", r.list.keystroke, r.picker.keystroke, empty.keystroke);
    for (int i = 0; i < fragment.size(); ++i)
        std::printf("    %-34s %9.2f %9s %9.2f %9.2f\n", qPrintable(QStringLiteral("\"%1\"").arg(fragment.left(i + 1))),
                    r.bareKeystrokes[i], "", r.list.keystrokes[i], r.picker.keystrokes[i]);
    std::printf("%-38s %9.2f %9.2f %9.2f %9.2f   (%s)\n", qPrintable(QStringLiteral("open on late bookmark %1").arg(r.lateCode)),
                r.barePage, r.bareRoPage, r.list.bookmark, r.picker.bookmark,
                r.list.onBookmark && r.picker.onBookmark ? "on it" : "NOT on it");
    std::printf("rows read: first %d, filtered %d, at the bookmark %d\n", r.list.shownFirst, r.list.shownFiltered,
                r.list.shownAtBookmark);
    std::printf("list / bare: first rows %.2f, keystroke %.2f, bookmark %.2f (aim: 1.5, 2 and 2 or less)\n",
                ratio(r.list.open, r.barePage), ratio(r.list.keystroke, r.bareFiltered), ratio(r.list.bookmark, r.barePage));
    std::printf("list / bare read-only: first rows %.2f, bookmark %.2f\n", ratio(r.list.open, r.bareRoPage),
                ratio(r.list.bookmark, r.bareRoPage));
    std::printf("(picker - empty picker) / bare: first rows %.2f, keystroke %.2f, bookmark %.2f\n",
                ratio(r.picker.open - empty.open, r.barePage), ratio(r.picker.keystroke - empty.keystroke, r.bareFiltered),
                ratio(r.picker.bookmark - empty.open, r.barePage));
    std::printf("peak memory growth of the list's and the picker's work: %ld KiB\n\n", r.peakGrowthKiB);
}

// The figures of one register as name=value pairs, each name ending in the register's size.
QString registerPairs(const Register &r, const Figures &empty)
{
    QStringList pairs;
    const auto add = [&](const char *name, double value) {
        pairs << QStringLiteral("%1_%2=%3").arg(QLatin1String(name)).arg(r.premises).arg(value, 0, 'f', 2);
    };
    add("bare_page_ms", r.barePage);
    add("bare_ro_page_ms", r.bareRoPage);
    add("bare_filtered_ms", r.bareFiltered);
    add("list_open_ms", r.list.open);
    add("list_keystroke_ms", r.list.keystroke);
    add("list_bookmark_ms", r.list.bookmark);
    add("picker_open_ms", r.picker.open);
    add("picker_keystroke_ms", r.picker.keystroke);
    add("picker_keystroke_max_ms", *std::max_element(r.picker.keystrokes.cbegin(), r.picker.keystrokes.cend()));
    add("picker_bookmark_ms", r.picker.bookmark);
    add("list_open_ratio", ratio(r.list.open, r.barePage));
    add("list_keystroke_ratio", ratio(r.list.keystroke, r.bareFiltered));
    add("list_bookmark_ratio", ratio(r.list.bookmark, r.barePage));
    add("list_open_ro_ratio", ratio(r.list.open, r.bareRoPage));
    add("list_bookmark_ro_ratio", ratio(r.list.bookmark, r.bareRoPage));
    add("picker_open_extra_ratio", ratio(r.picker.open - empty.open, r.barePage));
    add("picker_keystroke_extra_ratio", ratio(r.picker.keystroke - empty.keystroke, r.bareFiltered));
    add("picker_bookmark_extra_ratio", ratio(r.picker.bookmark - empty.open, r.barePage));
    pairs << QStringLiteral("peak_growth_kib_%1=%2").arg(r.premises).arg(r.peakGrowthKiB);
    pairs << QStringLiteral("on_bookmark_%1=%2").arg(r.premises).arg(r.list.onBookmark && r.picker.onBookmark ? 1 : 0);
    return pairs.join(QLatin1Char(' '));
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int premises = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 50000;
    const QString fragment = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("station r");
    if (premises < 1000 || fragment.isEmpty()) {
        std::fprintf(stderr, "usage: bench_premises [premises >= 1000] [address fragment]\n");
        return 2;
    }

    // The same at a tenth of the register and at all of it: what grows with the register shows.
    Figures empty;
    Register small, large;
    if (!measureRegister(premises / 10, fragment, &small, &empty) || !measureRegister(premises, fragment, &large, nullptr))
        return 1;
    printRegister(small, empty, fragment);
    printRegister(large, empty, fragment);
    std::printf("premises=%d page=%d empty_picker_open_ms=%.2f empty_picker_keystroke_ms=%.2f %s %s\n", premises,
                large.pageSize, empty.open, empty.keystroke, qPrintable(registerPairs(small, empty)),
                qPrintable(registerPairs(large, empty)));
    return 0;
}
