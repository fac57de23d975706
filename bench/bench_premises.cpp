// bench_premises [premises] [fragment]
//
// The food premises picker over a register of many premises (default 50,000), offscreen, in a fresh
// copy of the template store:
// 1. the picker opened until its first rows are shown;
// 2. each keystroke of an address fragment (default "station r") until the filtered rows are shown;
// 3. the picker opened on a bookmark near the end of the CODE order;
// and, in the same run for comparison, a bare "SELECT FIRST 50 ... ORDER BY CODE" of the same
// columns, without and with the address condition. Each figure is the median of several runs.
// Prints the times in milliseconds and each one's ratio to the bare page it compares with (aim:
// within 2x); the last line holds the figures as name=value pairs.
#include "core/Main_DM.h"
#include "reference/ui/PremisesDetailMaintV5_FRM.h"
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

constexpr int Runs = 7;

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

// The median of the work's time in milliseconds over Runs runs (after one run that warms caches);
// `before` runs untimed ahead of each run.
double timeMs(const std::function<void()> &work, const std::function<void()> &before = {})
{
    QList<double> times;
    for (int i = 0; i <= Runs; ++i) {
        if (before)
            before();
        QElapsedTimer t;
        t.start();
        work();
        if (i > 0)
            times << t.nsecsElapsed() / 1e6;
    }
    return median(times);
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

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int premises = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 50000;
    const QString fragment = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("station r");
    if (premises < 100) {
        std::fprintf(stderr, "usage: bench_premises [premises >= 100] [fragment]\n");
        return 2;
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("store.fdb"));
    if (!QFile::copy(QStringLiteral(VARNEX_BIN_DIR "/database_template.fdb"), path)) {
        std::fprintf(stderr, "cannot copy the template store from %s\n", VARNEX_BIN_DIR);
        return 1;
    }
    QString error;
    QSqlDatabase db = openLocalDatabase(path, QLatin1String(TMaindm::ConnectionName), &error);
    if (!db.isOpen()) {
        std::fprintf(stderr, "cannot open the store: %s\n", qPrintable(error));
        return 1;
    }
    TMaindm maindm;
    Maindm = &maindm;
    try {
        SqlUtil::exec(db, QStringLiteral("UPDATE SYS_LOCAL_SETTINGS SET LOCAL_AUTHORITY__CODE = 'LA1', LOCAL_AUTH_OFFICE__CODE = 'LA1N'"));
        QElapsedTimer seeding;
        seeding.start();
        seed(db, premises);
        std::printf("seeded %d premises in %.0f ms\n", premises, seeding.nsecsElapsed() / 1e6);
    } catch (const VarnexError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }

    // The premises near the end of the CODE order that the late bookmark names.
    const QString lateCode = QStringLiteral("P%1").arg(premises - 50, 7, 10, QLatin1Char('0'));
    const QString bookmark = TPremisesDetailMaintV5Frm::BookmarkForCode(lateCode);

    // The bare pages, as the same columns straight from the table.
    const QString address = QStringLiteral(
        "CAST(SUBSTRING(COALESCE(CODE, '') || ', ' || COALESCE(PREMISES_NAME, '') || ', ' || "
        "COALESCE(BUSINESS_ADDR_1, '') || ', ' || COALESCE(BUSINESS_ADDR_2, '') || ', ' || "
        "COALESCE(BUSINESS_ADDR_3, '') || ', ' || COALESCE(BUSINESS_ADDR_4, '') || ', ' || "
        "COALESCE(BUSINESS_POSTCODE, '') FROM 1 FOR 1000) AS VARCHAR(1000))");
    const QString bare = QStringLiteral(
        "SELECT FIRST 50 UNIQUE_UUID, CODE, PREMISES_NAME, BUSINESS_ADDR_1, BUSINESS_ADDR_2, BUSINESS_ADDR_3, "
        "BUSINESS_ADDR_4, BUSINESS_POSTCODE, PREMISES_TYPE__CODE, RISK_CATEGORY__CODE, RISK_CATEGORY_FOOD_STAND__CODE, "
        "REGISTRATION_NUMBER, LOCAL_AUTHORITY__CODE, LOCAL_AUTH_OFFICE__CODE, FLAG_DELETED, %1 AS FULLADDRESS "
        "FROM PREMISES_DETAIL WHERE FLAG_DELETED IS DISTINCT FROM 'T' %2 ORDER BY CODE");
    const auto readAll = [&](const QString &sql, const QVariantList &params) {
        QSqlQuery q = SqlUtil::exec(db, sql, params);
        int rows = 0;
        while (q.next())
            rows += q.value(0).isValid() ? 1 : 0;
        return rows;
    };
    double barePageMs = 0;
    double bareFilteredMs = 0;
    QList<double> bareKeystrokes;
    try {
        barePageMs = timeMs([&]() { readAll(bare.arg(address, QString()), {}); });
        for (int i = 1; i <= fragment.size(); ++i) {
            const QString typed = fragment.left(i);
            bareKeystrokes << timeMs([&]() {
                readAll(bare.arg(address, QStringLiteral("AND %1 CONTAINING CAST(? AS VARCHAR(8191))").arg(address)), {typed});
            });
        }
        bareFilteredMs = median(bareKeystrokes);
    } catch (const VarnexError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }

    // The picker, as an editor opens it: picking mode, read-only, then shown and painted.
    const auto openPicker = [&](const QVariant &mark) {
        auto defaults = std::make_unique<TPremisesDetailMaintV5FrmDefaults>();
        defaults->AllowEdit = false;
        defaults->InitialBookmark = mark;
        auto *form = TBasefrm::Create<TPremisesDetailMaintV5Frm>(nullptr);
        form->InitialiseDefaults(std::move(defaults));
        form->show();
        form->grab();
        return form;
    };
    double openMs = 0;
    double bookmarkMs = 0;
    QList<double> keystrokes;
    int shownFirst = 0;
    int shownFiltered = 0;
    int shownAtBookmark = 0;
    QString currentAtBookmark;
    try {
        openMs = timeMs([&]() {
            auto *form = openPicker(QVariant());
            shownFirst = form->qryList->rowCount();
            delete form;
        });
        bookmarkMs = timeMs([&]() {
            auto *form = openPicker(bookmark);
            shownAtBookmark = form->qryList->rowCount();
            currentAtBookmark = form->qryIBOData->text(QStringLiteral("CODE"));
            delete form;
        });
        auto *form = openPicker(QVariant());
        if (qEnvironmentVariableIsSet("BENCH_PARTS")) {
            QElapsedTimer t;
            for (int i = 0; i < 3; ++i) {
                t.start();
                form->qryList->setFilter({{"FULLADDRESS", GridCondition::Contains, fragment}});
                std::printf("setFilter alone %.2f ms\n", t.nsecsElapsed() / 1e6);
                t.start();
                form->grab();
                std::printf("grab alone %.2f ms\n", t.nsecsElapsed() / 1e6);
                t.start();
                form->RefreshData();
                std::printf("refresh %.2f ms\n", t.nsecsElapsed() / 1e6);
                t.start();
                auto *f2 = TBasefrm::Create<TPremisesDetailMaintV5Frm>(nullptr);
                std::printf("construct %.2f ms\n", t.nsecsElapsed() / 1e6);
                t.start();
                f2->InitialiseDefaults(std::make_unique<TPremisesDetailMaintV5FrmDefaults>());
                std::printf("initialise %.2f ms\n", t.nsecsElapsed() / 1e6);
                t.start();
                f2->show();
                f2->grab();
                std::printf("show+grab %.2f ms\n", t.nsecsElapsed() / 1e6);
                delete f2;
            }
        }
        for (int i = 1; i <= fragment.size(); ++i) {
            const QString typed = fragment.left(i);
            // Each run types the last character onto the text before it.
            keystrokes << timeMs(
                [&]() {
                    form->edtAddressSearch->setText(typed);
                    form->grab();
                },
                [&]() { form->edtAddressSearch->setText(fragment.left(i - 1)); });
            shownFiltered = form->qryList->rowCount();
        }
        delete form;
    } catch (const VarnexError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    const double keystrokeMs = median(keystrokes);
    const double keystrokeMaxMs = *std::max_element(keystrokes.cbegin(), keystrokes.cend());

    std::printf("premises: %d (every twentieth retired), fragment \"%s\", median of %d runs\n", premises,
                qPrintable(fragment), Runs);
    std::printf("bare page of 50 by CODE:                %8.2f ms\n", barePageMs);
    std::printf("bare page of 50 by CODE, filtered:      %8.2f ms (median over the keystrokes)\n", bareFilteredMs);
    std::printf("picker open to first rows (%d read):    %8.2f ms  ratio %.2f\n", shownFirst, openMs, openMs / barePageMs);
    std::printf("keystroke to filtered rows (%d read):   %8.2f ms  ratio %.2f (slowest %.2f ms)\n", shownFiltered,
                keystrokeMs, keystrokeMs / bareFilteredMs, keystrokeMaxMs);
    for (int i = 0; i < keystrokes.size(); ++i)
        std::printf("    \"%s\": %.2f ms, bare %.2f ms\n", qPrintable(fragment.left(i + 1)), keystrokes[i], bareKeystrokes[i]);
    std::printf("open on late bookmark %s (%d read):  %8.2f ms  ratio %.2f%s\n", qPrintable(lateCode), shownAtBookmark,
                bookmarkMs, bookmarkMs / barePageMs, currentAtBookmark == lateCode ? "" : "  (NOT on the bookmark)");
    std::printf("premises=%d bare_page_ms=%.2f bare_filtered_ms=%.2f open_ms=%.2f open_ratio=%.2f keystroke_ms=%.2f "
                "keystroke_max_ms=%.2f keystroke_ratio=%.2f bookmark_ms=%.2f bookmark_ratio=%.2f bookmark_found=%d\n",
                premises, barePageMs, bareFilteredMs, openMs, openMs / barePageMs, keystrokeMs, keystrokeMaxMs,
                keystrokeMs / bareFilteredMs, bookmarkMs, bookmarkMs / barePageMs, currentAtBookmark == lateCode ? 1 : 0);
    Maindm = nullptr;
    db.close();
    db = QSqlDatabase();
    return 0;
}
