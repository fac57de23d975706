// What the food sample browser's tests share: a test store with two officers of one code (a
// deleted one and its successor), a fixed clock, a recording prompter, the samples a test adds,
// and ways to read what the browser's list holds.
#pragma once

#include "base/Clock.h"
#include "base/Prompter.h"
#include "data/GroupedGridModel.h"
#include "data/ResultBlobs.h"
#include "exchange/SampleExport_DM.h"
#include "gui/DataTableModel.h"
#include "layouts/GridViewStorage_DM.h"
#include "reports/ReportOutput.h"
#include "reports/ReportTools.h"
#include "samples/ui/SampleBrowser_FRM.h"
#include "support/MainStore.h"
#include "support/ZipEntry.h"

#include "BrowserListing.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSplitter>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QDate Today(2024, 5, 20);
// The rows the browser's list reads a page at a time.
constexpr int ListPage = 100;

struct Sample
{
    QString code;
    QVariant status = QStringLiteral("ENTERED");
    QString officer = QStringLiteral("Jo Bloggs");
    QString premises = QStringLiteral("Corner Shop");
    QDate date = Today.addDays(-3);
    QVariant flagDeleted = QStringLiteral("F");
    QVariant recordType = QStringLiteral("FOOD");
};

inline QStringList tabCaptions(const QTabBar *tabs)
{
    QStringList captions;
    for (int i = 0; i < tabs->count(); ++i)
        captions << tabs->tabText(i);
    return captions;
}

// The sample row of the code among the rows read.
inline QModelIndex rowOf(TSampleBrowserFrm &b, const QString &code)
{
    GroupedGridModel *m = b.qrySample;
    for (int g = 0; g < m->groupCount(); ++g) {
        for (int r = 0; r < m->rowsRead(g); ++r) {
            const QModelIndex i = m->index(r, 0, m->groupIndex(g));
            if (m->value(i, QStringLiteral("CODE")).toString() == code)
                return i;
        }
    }
    return QModelIndex();
}

inline void makeCurrent(TSampleBrowserFrm &b, const QString &code)
{
    const QModelIndex i = rowOf(b, code);
    QVERIFY2(i.isValid(), qPrintable(code));
    b.grdSampleView->setCurrentIndex(i);
}

inline QStringList uuids(const QList<TSampleBrowserFrm::SelectedSample> &samples)
{
    QStringList out;
    for (const auto &s : samples)
        out << s.uuid;
    return out;
}

// The parts of a widget painted since it was watched.
class PaintedRegion : public QObject
{
public:
    explicit PaintedRegion(QWidget *widget) { widget->installEventFilter(this); }
    QRegion region;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            region += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

// A browser made from another profile, as a personality's form is.
class ProfiledBrowser : public TSampleBrowserFrm
{
public:
    ProfiledBrowser(QObject *owner, SampleBrowserConfig config) : TSampleBrowserFrm(owner, std::move(config)) {}
};

} // namespace

class SampleBrowserFixture
{
protected:
    // A test class calls these from its init() and cleanup().
    void initFixture();
    void cleanupFixture();

    QString addSample(const Sample &s, const QVariantMap &more = {});
    TSampleBrowserFrm *openBrowser();

    std::unique_ptr<MainStore> m_store;
    std::unique_ptr<FixedClock> m_clock;
    std::unique_ptr<ScopedClock> m_clockScope;
    RecordingPrompter m_prompter;
    std::unique_ptr<ScopedPrompter> m_prompterScope;
    QPointer<TSampleBrowserFrm> m_browser;
    QWidget m_owner;
};

inline void SampleBrowserFixture::initFixture()
{
    m_store = std::make_unique<MainStore>();
    QVERIFY2(m_store->db.isValid(), qPrintable(m_store->db.errorText()));
    m_store->useSettings(QStringLiteral("ABC"), QStringLiteral("ABC01"));
    m_clock = std::make_unique<FixedClock>(QDateTime(Today, QTime(9, 0)));
    m_clockScope = std::make_unique<ScopedClock>(m_clock.get());
    m_prompter.clear();
    m_prompterScope = std::make_unique<ScopedPrompter>(&m_prompter);
    m_store->db.exec(QStringLiteral("INSERT INTO SAMPLE_OFFICER (UNIQUE_UUID, CODE, NAME, FLAG_DELETED) VALUES "
                                    "('00000000-0000-0000-0000-0000000000A1', 'JB', 'Old name', 'T')"));
    m_store->db.exec(QStringLiteral("INSERT INTO SAMPLE_OFFICER (UNIQUE_UUID, CODE, NAME, FLAG_DELETED) VALUES "
                                    "('00000000-0000-0000-0000-0000000000A2', 'JB', 'Jo Bloggs (mapped)', 'F')"));
}

inline void SampleBrowserFixture::cleanupFixture()
{
    delete m_browser;
    TSampleBrowserFrm::SetSampleEditorOpener(QStringLiteral("FOOD"), {});
    TSampleBrowserFrm::SetOfficeChooser({});
    TSampleBrowserFrm::SetExportModuleFactory({});
    m_prompterScope.reset();
    m_clockScope.reset();
    m_store.reset();
}

inline QString SampleBrowserFixture::addSample(const Sample &s, const QVariantMap &more)
{
    const QString uuid =
        m_store->db.scalar(QStringLiteral("SELECT UPPER(UUID_TO_CHAR(GEN_UUID())) FROM RDB$DATABASE")).toString().trimmed();
    QVariantMap columns{{"UNIQUE_UUID", uuid},
                        {"CODE", s.code},
                        {"LA_SAMPLENO", QStringLiteral("LA-") + s.code},
                        {"RECORD_TYPE", s.recordType},
                        {"SAMPLE_STATUS__CODE", s.status},
                        {"FLAG_DELETED", s.flagDeleted},
                        {"SAMPLE_OFFICER__CODE", QStringLiteral("JB")},
                        {"SAMPLE_OFFICER_NAME", s.officer},
                        {"PREMISES_NAME", s.premises},
                        {"SAMPLE_DATE", s.date},
                        {"LOCAL_AUTH_OFFICE__CODE", QStringLiteral("ABC01")},
                        {"FOOD_DESCRIPTION", QStringLiteral("Food of ") + s.code}};
    for (auto it = more.cbegin(); it != more.cend(); ++it)
        columns.insert(it.key(), it.value());
    ReportTools::insertSample(m_store->db, columns);
    return uuid;
}

inline TSampleBrowserFrm *SampleBrowserFixture::openBrowser()
{
    m_browser = TBasefrm::CreateAndShow<TSampleBrowserFrm>(QStringLiteral("SampleBrowser"), &m_owner, false);
    return m_browser;
}
