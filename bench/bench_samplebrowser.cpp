// bench_samplebrowser [samples] [--feed]
//
// The food sample browser over a store of many food samples (default 100,000; every status, about
// 50 officers, two years of dates, some flagged deleted), offscreen, in a fresh copy of the template
// store. What a user waits for, each the median of several runs in milliseconds:
// 1. the first rows shown on the All tab and on the Complete tab (the tab chosen until its first
//    rows are read and painted);
// 2. an officer and date filter applied on the Complete tab ("Go..." until its rows are painted);
// 3. the footer count and the group rows counted (the tab chosen until every group has its count);
// and, in the same run, the bare SELECT of one page of the list (FIRST 100, the list's columns in
// the grid's order) with the same conditions, and the bare count by officer. Each figure is
// printed with its ratio to its bare page.
//
// Memory: the peak growth of opening the browser and going through the All and Complete tabs and
// the filter, once with a tenth of the samples and once with all of them; beside it the peak growth
// of running the bare statements, which is what the embedded database engine takes for itself
// (its page cache, 2048 pages, and its sort space) as the store grows.
//
// With --feed the same is measured for the animal-feed browser over as many feed samples; its list
// keeps deleted samples on the All tab, and its bare pages leave them in as well.
//
// The aim: first rows (and the filter) within 3x the bare page (*_ratio), and memory that does not
// grow with the number of samples (peak_growth_kib at both sizes). The last line holds every
// figure as name=value pairs.
#include "BenchTiming.h"
#include "PeakMemory.h"

#include "base/Clock.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "data/GroupedGridModel.h"
#include "samples/ui/SampleBrowserAnimalFeed_FRM.h"
#include "samples/ui/SampleBrowser_FRM.h"
#include "store/LocalDatabase.h"
#include "store/SqlUtil.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int Runs = 9;
constexpr int Officers = 50;
const QString FilterOfficer = QStringLiteral("Officer 07");
// The personality measured: food unless --feed is given.
bool g_feed = false;

QString recordType()
{
    return g_feed ? QStringLiteral("ANIMAL FEED") : QStringLiteral("FOOD");
}

// The median time of the work over Runs runs (BenchTiming.h).
double timeMs(const std::function<void()> &work, const std::function<void()> &before = {})
{
    return ::timeMs(Runs, work, before);
}

// Samples first..last in one statement: statuses in turn (ENTERED, VALIDATED, EXPORTED, COMPLETE
// twice, CANCELLED, IMPORTED, DELETED), every fortieth flagged deleted, one of Officers officers,
// one of 400 premises, a date in the two years up to today.
void seed(const QSqlDatabase &db, int first, int last, const QDate &today)
{
    SqlUtil::exec(db, QStringLiteral(
        "INSERT INTO SAMPLE (UNIQUE_UUID, CODE, LA_SAMPLENO, RECORD_TYPE, SAMPLE_STATUS__CODE, FLAG_DELETED, "
        "SAMPLE_OFFICER__CODE, SAMPLE_OFFICER_NAME, PREMISES_NAME, PREMISES_TYPE__CODE, BUSINESS_ADDR_1, "
        "SAMPLE_DATE, SAMPLE_TIME, LOCAL_AUTHORITY__CODE, LOCAL_AUTH_OFFICE__CODE, FOOD_DESCRIPTION, "
        "REASON_DESCRIPTION, CATEGORY_DESCRIPTION, PRODUCT_DESCRIPTION, LABORATORY__CODE, LABORATORY_DESCRIPTION, "
        "ANALYSIS_TYPE, PURCHASE_COST, ANALYSIS_COST, FLAG_SATISFACTORY, FLAG_PROSECUTION, LABORATORY_COMMENTS) "
        "WITH RECURSIVE A AS (SELECT 0 AS I FROM RDB$DATABASE UNION ALL SELECT I + 1 FROM A WHERE I < 999), "
        "N AS (SELECT A1.I * 1000 + A2.I AS I FROM A A1 CROSS JOIN A A2 "
        "      WHERE A1.I * 1000 + A2.I BETWEEN CAST(? AS INTEGER) AND CAST(? AS INTEGER)) "
        "SELECT UUID_TO_CHAR(GEN_UUID()), 'LA1' || LPAD(I, 7, '0'), 'LA-' || I, CAST(? AS VARCHAR(30)), "
        "DECODE(MOD(I, 8), 0, 'ENTERED', 1, 'VALIDATED', 2, 'EXPORTED', 3, 'COMPLETE', 4, 'COMPLETE', "
        "  5, 'CANCELLED', 6, 'IMPORTED', 'DELETED'), IIF(MOD(I, 40) = 11, 'T', 'F'), "
        "'O' || LPAD(MOD(I, CAST(? AS INTEGER)), 2, '0'), 'Officer ' || LPAD(MOD(I, CAST(? AS INTEGER)), 2, '0'), 'Premises ' || MOD(I * 7, 400), "
        "'RET', (MOD(I, 97) + 1) || ' High Street', DATEADD(-MOD(I * 13, 730) DAY TO CAST(? AS DATE)), "
        "TIME '10:30:00', 'LA1', 'LA1N', 'Food sample ' || I, 'Surveillance', 'Meat products', 'Retail pack', "
        "'LAB1', 'County Public Analyst', 'C', 3.5, 120.25, IIF(MOD(I, 3) = 0, 'F', 'T'), 'F', "
        "'Lab comment ' || I FROM N"),
                  {first, last, recordType(), Officers, Officers, today});
}

struct Figures
{
    double allFirst = 0;
    double completeFirst = 0;
    double filtered = 0;
    double counted = 0;
    double paint = 0;
    int allRows = 0;
    int completeRows = 0;
    int filteredRows = 0;
    qint64 allTotal = -1;
};

void waitForCounts(TSampleBrowserFrm &b)
{
    QElapsedTimer t;
    t.start();
    while (!b.qrySample->countsKnown() && t.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

int firstGroupRows(TSampleBrowserFrm &b)
{
    return b.qrySample->groupCount() > 0 ? b.qrySample->rowsRead(0) : 0;
}

// The main window, as far as the browser needs one.
QWidget *owner()
{
    static QWidget window;
    return &window;
}

TSampleBrowserFrm *openBrowser()
{
    TSampleBrowserFrm *b =
        g_feed ? TBasefrm::CreateAndShow<TSampleBrowserAnimalFeedFrm>(TSampleBrowserAnimalFeedFrm::FormKey(), owner(), false)
               : TBasefrm::CreateAndShow<TSampleBrowserFrm>(TSampleBrowserFrm::FormKey(), owner(), false);
    b->resize(1400, 900);
    b->grab();
    waitForCounts(*b);
    return b;
}

void setFilter(TSampleBrowserFrm &b, const QDate &today)
{
    b.chkAllOfficers->setChecked(false);
    b.cmbOfficer->setEditText(FilterOfficer);
    b.dteStart->setDate(today.addMonths(-6));
    b.dteEnd->setDate(today);
}

void clearFilter(TSampleBrowserFrm &b, const QDate &today)
{
    b.chkAllOfficers->setChecked(true);
    b.dteStart->setDate(today.addDays(-14));
    b.dteEnd->setDate(today);
}

// What a user does, once: the All and Complete tabs with their counts, the filter applied.
void goThrough(const QDate &today)
{
    std::unique_ptr<TSampleBrowserFrm> b(openBrowser());
    for (const char *tab : {"ALL", "COMPLETE"}) {
        b->SelectTab(QLatin1String(tab));
        b->grab();
        waitForCounts(*b);
    }
    setFilter(*b, today);
    b->btnGo->click();
    b->grab();
    waitForCounts(*b);
}

Figures measureBrowser(const QDate &today)
{
    Figures f;
    std::unique_ptr<TSampleBrowserFrm> b(openBrowser());
    const auto away = [&]() {
        b->SelectTab(QStringLiteral("ENTERED"));
        waitForCounts(*b);
    };
    f.allFirst = timeMs(
        [&]() {
            b->SelectTab(QStringLiteral("ALL"));
            b->grab();
        },
        away);
    f.allRows = firstGroupRows(*b);
    waitForCounts(*b);
    f.allTotal = b->qrySample->totalCount();
    f.completeFirst = timeMs(
        [&]() {
            b->SelectTab(QStringLiteral("COMPLETE"));
            b->grab();
        },
        away);
    f.completeRows = firstGroupRows(*b);
    f.counted = timeMs(
        [&]() {
            b->SelectTab(QStringLiteral("ALL"));
            waitForCounts(*b);
        },
        away);
    b->SelectTab(QStringLiteral("COMPLETE"));
    waitForCounts(*b);
    setFilter(*b, today);
    f.filtered = timeMs(
        [&]() {
            b->btnGo->click();
            b->grab();
        },
        [&]() { waitForCounts(*b); });
    f.filteredRows = firstGroupRows(*b);
    waitForCounts(*b);
    clearFilter(*b, today);
    // What painting the browser costs whatever it lists: part of every "shown" figure.
    f.paint = timeMs([&]() { b->grab(); });
    return f;
}

// The list's statements bare: the list's columns straight from the tables, one page in the grid's
// order (officer, then the key), with the conditions of the tab; and the count by officer.
class BareStatements
{
public:
    BareStatements(const QSqlDatabase &db, const QDate &today) : m_db(db), m_today(today)
    {
        const SampleBrowserConfig config = g_feed ? SampleBrowserConfig::animalFeed() : SampleBrowserConfig::food();
        // The food list leaves deleted samples out; the feed list keeps them.
        const QString notDeleted = config.listsDeletedSamples
                                       ? QString()
                                       : QStringLiteral("AND S.FLAG_DELETED IS DISTINCT FROM :FLAG_SET "
                                                        "AND S.SAMPLE_STATUS__CODE IS DISTINCT FROM :DELETED_STATUS");
        m_page = QStringLiteral(
            "SELECT FIRST 100 %1 FROM %2 "
            "WHERE S.RECORD_TYPE = :RECORD_TYPE %3 %4 "
            "ORDER BY S.SAMPLE_OFFICER_NAME ASC NULLS FIRST, S.ID")
                     .arg(config.listColumns, config.listFrom(), notDeleted);
        m_counts = QStringLiteral(
            "SELECT S.SAMPLE_OFFICER_NAME, COUNT(*) FROM SAMPLE S "
            "WHERE S.RECORD_TYPE = :RECORD_TYPE %1 %2 GROUP BY 1 ORDER BY 1 ASC NULLS FIRST")
                       .arg(notDeleted);
    }

    // The rows of each statement, for what the engine takes for itself.
    void runAll() const
    {
        allPage(m_today.addDays(-14));
        completePage(m_today.addDays(-14));
        filteredPage();
        readAll(m_counts.arg(Dates), m_today.addDays(-14));
        readAll(m_counts.arg(Complete + Dates), m_today.addDays(-14));
    }
    int allPage(const QDate &start) const { return readAll(m_page.arg(Dates), start); }
    int completePage(const QDate &start) const { return readAll(m_page.arg(Complete + Dates), start); }
    int filteredPage() const { return readAll(m_page.arg(Complete + Officer + Dates), m_today.addMonths(-6), FilterOfficer); }
    int countByOfficer(const QDate &start) const { return readAll(m_counts.arg(Dates), start); }

private:
    static inline const QString Dates = QStringLiteral(" AND S.SAMPLE_DATE >= :START_DATE AND S.SAMPLE_DATE <= :END_DATE");
    static inline const QString Complete = QStringLiteral(" AND S.SAMPLE_STATUS__CODE = 'COMPLETE'");
    static inline const QString Officer = QStringLiteral(" AND S.SAMPLE_OFFICER_NAME = :OFFICER");

    int readAll(const QString &sql, const QDate &start, const QString &name = QString()) const
    {
        QSqlQuery q(m_db);
        q.setForwardOnly(true);
        if (!q.prepare(sql))
            throw VarnexError(q.lastError().text());
        q.bindValue(QStringLiteral(":RECORD_TYPE"), recordType());
        // Only the names the statement holds: the feed list has no deleted-sample conditions.
        if (sql.contains(QLatin1String(":FLAG_SET")))
            q.bindValue(QStringLiteral(":FLAG_SET"), QStringLiteral("T"));
        if (sql.contains(QLatin1String(":DELETED_STATUS")))
            q.bindValue(QStringLiteral(":DELETED_STATUS"), QStringLiteral("DELETED"));
        q.bindValue(QStringLiteral(":START_DATE"), start);
        q.bindValue(QStringLiteral(":END_DATE"), m_today);
        if (!name.isEmpty())
            q.bindValue(QStringLiteral(":OFFICER"), name);
        if (!q.exec())
            throw VarnexError(q.lastError().text());
        // Every value of every row, as a list takes them.
        int rows = 0;
        const int columns = q.record().count();
        while (q.next()) {
            for (int c = 0; c < columns; ++c)
                q.value(c);
            ++rows;
        }
        return rows;
    }

    QSqlDatabase m_db;
    QDate m_today;
    QString m_page;
    QString m_counts;
};

// The bare statements' times and rows.
struct BareFigures
{
    double all = 0, complete = 0, filtered = 0, counts = 0;
    int allRows = 0, filteredRows = 0;
};

BareFigures measureBare(const BareStatements &bare, const QDate &today)
{
    BareFigures f;
    const QDate start = today.addDays(-14);
    f.all = timeMs([&]() { f.allRows = bare.allPage(start); });
    f.complete = timeMs([&]() { bare.completePage(start); });
    f.filtered = timeMs([&]() { f.filteredRows = bare.filteredPage(); });
    f.counts = timeMs([&]() { bare.countByOfficer(start); });
    return f;
}

// The peak memory growth of some work, in KiB.
long peakGrowthOf(const std::function<void()> &work)
{
    PeakMemory peak;
    peak.start();
    work();
    return peak.growthKiB();
}

// Peak memory growth at the two sizes, through the browser and bare.
struct PeakFigures
{
    long fewer = -1, full = -1, fewerBare = -1, fullBare = -1;
};

void printFigures(int samples, int fewer, const Figures &browser, const BareFigures &bare, const PeakFigures &peaks)
{
    const auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    const double bareAll = bare.all, bareComplete = bare.complete, bareFiltered = bare.filtered, bareCounts = bare.counts;

    std::printf("%s samples: %d (%d officers, every status, two years), page of 100, median of %d runs, ms\n",
                g_feed ? "feed" : "food", samples, Officers, Runs);
    std::printf("%-44s %9s %9s %7s\n", "", "bare", "browser", "ratio");
    std::printf("%-44s %9.2f %9.2f %7.2f\n", "All tab: first rows shown", bareAll, browser.allFirst,
                ratio(browser.allFirst, bareAll));
    std::printf("%-44s %9.2f %9.2f %7.2f\n", "Complete tab: first rows shown", bareComplete, browser.completeFirst,
                ratio(browser.completeFirst, bareComplete));
    std::printf("%-44s %9.2f %9.2f %7.2f\n", "officer and date filter: first rows shown", bareFiltered, browser.filtered,
                ratio(browser.filtered, bareFiltered));
    std::printf("%-44s %9.2f %9.2f %7.2f   (bare count by officer %.2f)\n", "All tab: footer and groups counted", bareAll,
                browser.counted, ratio(browser.counted, bareAll), bareCounts);
    std::printf("rows in the first group: All %d, Complete %d, filtered %d (bare pages: All %d, filtered %d); "
                "All tab lists %lld\n",
                browser.allRows, browser.completeRows, browser.filteredRows, bare.allRows, bare.filteredRows,
                browser.allTotal);
    std::printf("painting the browser, whatever it lists: %.2f ms; first rows without it / bare: All %.2f, Complete %.2f, "
                "filter %.2f\n",
                browser.paint, ratio(browser.allFirst - browser.paint, bareAll),
                ratio(browser.completeFirst - browser.paint, bareComplete), ratio(browser.filtered - browser.paint, bareFiltered));
    std::printf("peak memory growth going through the browser: %ld KiB at %d samples, %ld KiB at %d samples\n", peaks.fewer,
                fewer, peaks.full, samples);
    std::printf("peak memory growth of the same statements bare:  %ld KiB at %d samples, %ld KiB at %d samples\n",
                peaks.fewerBare, fewer, peaks.fullBare, samples);
    std::printf("personality=%s samples=%d officers=%d bare_all_ms=%.2f bare_complete_ms=%.2f bare_filtered_ms=%.2f bare_counts_ms=%.2f "
                "all_first_ms=%.2f complete_first_ms=%.2f filtered_first_ms=%.2f counted_ms=%.2f "
                "all_first_ratio=%.2f complete_first_ratio=%.2f filtered_first_ratio=%.2f counted_ratio=%.2f "
                "paint_ms=%.2f peak_growth_kib_%d=%ld peak_growth_kib_%d=%ld bare_peak_growth_kib_%d=%ld "
                "bare_peak_growth_kib_%d=%ld\n",
                g_feed ? "feed" : "food", samples, Officers, bareAll, bareComplete, bareFiltered, bareCounts, browser.allFirst,
                browser.completeFirst, browser.filtered, browser.counted, ratio(browser.allFirst, bareAll),
                ratio(browser.completeFirst, bareComplete), ratio(browser.filtered, bareFiltered),
                ratio(browser.counted, bareAll), browser.paint, fewer, peaks.fewer, samples, peaks.full, fewer, peaks.fewerBare,
                samples, peaks.fullBare);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    g_feed = args.removeAll(QStringLiteral("--feed")) > 0;
    const int samples = !args.isEmpty() ? args.first().toInt() : 100000;
    if (samples < 1000 || samples > 999999 || args.size() > 1) {
        std::fprintf(stderr, "usage: bench_samplebrowser [1000 <= samples <= 999999] [--feed]\n");
        return 2;
    }
    const int fewer = samples / 10;

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
    const QDate today = Clock::instance().today();

    Figures browser;
    BareFigures bare;
    PeakFigures peaks;
    try {
        const BareStatements statements(db, today);
        SqlUtil::exec(db, QStringLiteral("UPDATE SYS_LOCAL_SETTINGS SET LOCAL_AUTHORITY__CODE = 'LA1', LOCAL_AUTH_OFFICE__CODE = 'LA1N'"));
        QElapsedTimer seeding;
        seeding.start();
        seed(db, 0, fewer - 1, today);
        goThrough(today); // warms the caches and describes the list once
        // The same statements bare, for what the database engine itself takes (its page cache
        // and sort space) as the store grows.
        peaks.fewerBare = peakGrowthOf([&]() { statements.runAll(); });
        peaks.fewer = peakGrowthOf([&]() { goThrough(today); });
        seed(db, fewer, samples - 1, today);
        std::printf("seeded %d %s samples in %.0f ms\n", samples, g_feed ? "feed" : "food", seeding.nsecsElapsed() / 1e6);
        goThrough(today);
        peaks.fullBare = peakGrowthOf([&]() { statements.runAll(); });
        peaks.full = peakGrowthOf([&]() { goThrough(today); });

        bare = measureBare(statements, today);
        browser = measureBrowser(today);
    } catch (const VarnexError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    printFigures(samples, fewer, browser, bare, peaks);
    Maindm = nullptr;
    db.close();
    db = QSqlDatabase();
    return 0;
}
