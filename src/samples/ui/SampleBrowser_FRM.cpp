#include "samples/ui/SampleBrowser_FRM.h"

#include "samples/ClientOutcomes.h"
#include "samples/ui/SampleRowActions.h"

#include "base/Clock.h"
#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "core/SampleCodes.h"
#include "data/GroupedGridModel.h"
#include "data/ResultBlobs.h"
#include "exchange/SampleExport_DM.h"
#include "gui/DataTableModel.h"
#include "gui/GridLayoutView.h"
#include "layouts/GridViewStorage_DM.h"
#include "reports/SamplePrint_DM.h"
#include "samples/SampleTemplates.h"
#include "samples/ui/MailMergeSamples.h"
#include "samples/ui/SampleTemplateAnimalFeedsBrowser_FRM.h"
#include "samples/ui/SampleTemplateBrowser_FRM.h"
#include "samples/ui/SampleTemplateEditAnimalFeeds_FRM.h"
#include "samples/ui/SampleTemplateEdit_FRM.h"
#include "store/SqlUtil.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QSet>
#include <QSplitter>
#include <QSqlError>
#include <QSqlQuery>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const QString Entered = QStringLiteral("ENTERED");
const QString Validated = QStringLiteral("VALIDATED");
const QString Imported = QStringLiteral("IMPORTED");
const QString Exported = QStringLiteral("EXPORTED");
const QString Complete = QStringLiteral("COMPLETE");
const QString Cancelled = QStringLiteral("CANCELLED");
const QString Deleted = QStringLiteral("DELETED");

// The statuses the legend shows, in its order.
const QStringList LegendCodes = {Entered, Validated, Exported, Complete, Cancelled};

// Selected samples read back at most this many keys a statement.
constexpr int KeysPerStatement = 1000;
constexpr int ListPageSize = 100;

QString TitleOf(const QWidget *w)
{
    return w->windowTitle().isEmpty() ? Varnex::ProgramName : w->windowTitle();
}

// A status colour as SAMPLE_STATUS.COLOUR keeps it: red in the low byte, then green, then blue.
// Anything outside 0..0xFFFFFF (a system colour of the old platform) has no colour here.
QColor storedColour(const QVariant &value)
{
    if (!value.isValid())
        return QColor();
    bool ok = false;
    const qint64 c = value.toLongLong(&ok);
    if (!ok || c < 0 || c > 0xFFFFFF)
        return QColor();
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

// The swatch of a status colour, filling its cell but for a small margin.
class StatusColourDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem plain = option;
        initStyleOption(&plain, index);
        plain.text.clear();
        QStyledItemDelegate::paint(painter, plain, QModelIndex());
        const QColor colour = storedColour(index.data(Qt::EditRole));
        if (!colour.isValid())
            return;
        const QRect box = option.rect.adjusted(3, 3, -3, -3);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(colour.darker(140));
        painter->setBrush(colour);
        painter->drawRoundedRect(box, 3, 3);
        painter->restore();
    }
};

// Pounds with two decimals, a thousands comma, the minus before the sign ("£,0.00;-£,0.00").
class CurrencyDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QString displayText(const QVariant &value, const QLocale &) const override
    {
        const QString text = value.toString();
        if (text.isEmpty())
            return QString();
        bool ok = false;
        const double amount = QLocale::c().toDouble(text, &ok);
        if (!ok)
            return text;
        static const QLocale uk(QLocale::English, QLocale::UnitedKingdom);
        const QString digits = uk.toString(std::abs(amount), 'f', 2);
        return (amount < 0 && digits != QLatin1String("0.00") ? QStringLiteral("-£") : QStringLiteral("£")) + digits;
    }

    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
    }
};

GridColumnDef column(const char *field, const QString &caption, bool visible = true)
{
    GridColumnDef c;
    c.field = QLatin1String(field);
    c.caption = caption;
    c.visible = visible;
    return c;
}

GridColumnDef memo(const char *field, const QString &caption)
{
    GridColumnDef c = column(field, caption, false);
    c.sortable = false; // a text blob cannot order a list
    return c;
}

GridColumnDef check(const char *field, const QString &caption)
{
    GridColumnDef c = column(field, caption);
    c.kind = GridColumnDef::Check;
    return c;
}

GridColumnDef custom(const char *field, const QString &caption)
{
    GridColumnDef c = column(field, caption);
    c.kind = GridColumnDef::Custom;
    return c;
}

QFrame *separator(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QLabel *heading(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

// What a database procedure refused, as its own text: the exception's message without the
// database's frame around it ("exception 1 - E_PROCEDURE_INPUT - ... - At procedure ...").
QString procedureMessage(const QString &databaseText)
{
    static const QRegularExpression raised(
        QStringLiteral("exception\\s+\\d+\\s*-\\s*E_PROCEDURE_INPUT\\s*-\\s*(.*?)\\s*-\\s*At (?:procedure|trigger|block)"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = raised.match(databaseText);
    return m.hasMatch() ? m.captured(1) : databaseText;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The food browser's make-up

QString SampleBrowserConfig::listFrom() const
{
    // The mapped officer is joined, not read by a subselect among the columns: a subselect there
    // keeps the database from walking the officer index for the grid's order, and every ordered
    // page would then sort whole sample rows. An officer code may be held by a deleted row and its
    // successor: the live one names it.
    return QStringLiteral("SAMPLE S %1 SAMPLE_STATUS SS ON SS.CODE = S.SAMPLE_STATUS__CODE "
                          "LEFT OUTER JOIN SAMPLE_OFFICER SO ON SO.ID = (SELECT FIRST 1 SO2.ID FROM SAMPLE_OFFICER SO2 "
                          "WHERE SO2.CODE = S.SAMPLE_OFFICER__CODE "
                          "ORDER BY CASE WHEN SO2.FLAG_DELETED = :FLAG_SET THEN 1 ELSE 0 END, SO2.ID)")
        .arg(needsStatusRow ? QStringLiteral("JOIN") : QStringLiteral("LEFT OUTER JOIN"));
}

SampleBrowserConfig SampleBrowserConfig::food()
{
    SampleBrowserConfig c;
    c.personality = Varnex::PersonalityFood;
    c.listColumns = QStringLiteral(
        "S.ID, S.UNIQUE_UUID, S.UPDATE_ID, S.CODE, S.LA_SAMPLENO, S.LOCAL_AUTHORITY__CODE, S.LOCAL_AUTH_OFFICE__CODE, "
        "S.SAMPLE_NUMBER, S.LIMS_NUMBER, S.SAMPLE_OFFICER__CODE, S.SAMPLE_OFFICER_NAME, SO.NAME AS MAPPED_OFFICER_NAME, "
        "S.SAMPLE_DATE, S.SAMPLE_TIME, S.SAMPLE_TIMESTAMP, S.PREMISES_TYPE__CODE, S.PREMISES_NAME, S.BUSINESS_ID, "
        "S.BUSINESS_ADDR_1, S.BUSINESS_ADDR_2, S.BUSINESS_POSTCODE, S.SAMPLE_STATUS__CODE, SS.DESCRIPTION AS STATUS_DESC, "
        "SS.COLOUR, S.REASON_DESCRIPTION, S.SAMPLE_TYPE_DESCRIPTION, S.RISK_CATEGORY_DESCRIPTION, "
        "S.SURVEY_BODY_DESCRIPTION, S.SURVEY_NUMBER, S.FOOD_DESCRIPTION, S.CATEGORY_DESCRIPTION, "
        "S.SUB_CATEGORY_DESCRIPTION, S.SUB_CATEGORY_2_DESCRIPTION, S.SUB_CATEGORY_3_DESCRIPTION, S.PRODUCT_DESCRIPTION, "
        "S.MANUFACTURER, S.DISTRIBUTER, S.IMPORTER, S.COUNTRY, S.PACKAGING_DESCRIPTION, S.FLAG_SATISFACTORY, "
        "S.ANALYSIS_TEXT, S.MAFF__CODE || ', ' || S.MAFF_DESCRIPTION AS MAFF_CODE_DESCRIPTION, "
        "S.LABORATORY_DESCRIPTION, S.LABORATORY_COMMENTS, S.SAMPLE_COMMENTS, S.LABORATORY__CODE, S.ANALYSIS_TYPE, "
        "S.FLAG_PROSECUTION, S.PURCHASE_COST, S.ANALYSIS_COST");

    GridColumnDef swatch = custom("COLOUR", QString());
    swatch.sortable = false;
    swatch.customisable = false;
    swatch.exported = false;
    swatch.width = 50;
    GridColumnDef officer = column("SAMPLE_OFFICER_NAME", QStringLiteral("Officer"), false); // shown in its group rows
    GridColumnDef purchase = custom("PURCHASE_COST", QStringLiteral("Purchase cost"));
    GridColumnDef analysis = custom("ANALYSIS_COST", QStringLiteral("Analysis cost"));
    GridColumnDef uuid = column("UNIQUE_UUID", QString(), false);
    GridColumnDef updateId = column("UPDATE_ID", QString(), false);
    c.columns = {
        swatch,
        column("STATUS_DESC", QStringLiteral("Status")),
        column("CODE", QStringLiteral("Code")),
        column("LA_SAMPLENO", QStringLiteral("Local Authority Sample Number")),
        column("LOCAL_AUTH_OFFICE__CODE", QStringLiteral("Office code")),
        column("MAPPED_OFFICER_NAME", QStringLiteral("Mapped Officer Name")),
        officer,
        column("SAMPLE_DATE", QStringLiteral("Date sample taken")),
        column("SAMPLE_TIME", QStringLiteral("Time sample taken")),
        column("SAMPLE_TIMESTAMP", QStringLiteral("Sample taken")),
        column("PREMISES_TYPE__CODE", QStringLiteral("Premises type")),
        column("PREMISES_NAME", QStringLiteral("Premises name")),
        column("BUSINESS_ID", QStringLiteral("Business ID")),
        column("BUSINESS_ADDR_1", QStringLiteral("Address 1")),
        column("BUSINESS_ADDR_2", QStringLiteral("Address 2"), false),
        column("BUSINESS_POSTCODE", QStringLiteral("Postcode"), false),
        purchase,
        analysis,
        column("REASON_DESCRIPTION", QStringLiteral("Reason taken")),
        column("SAMPLE_TYPE_DESCRIPTION", QStringLiteral("Sample type"), false),
        column("RISK_CATEGORY_DESCRIPTION", QStringLiteral("Risk category"), false),
        column("SURVEY_BODY_DESCRIPTION", QStringLiteral("Survey body"), false),
        column("SURVEY_NUMBER", QStringLiteral("Survey reference")),
        column("FOOD_DESCRIPTION", QStringLiteral("Food description")),
        column("MAFF_CODE_DESCRIPTION", QStringLiteral("MAFF code")),
        column("CATEGORY_DESCRIPTION", QStringLiteral("Category")),
        column("SUB_CATEGORY_DESCRIPTION", QStringLiteral("Sub category")),
        column("SUB_CATEGORY_2_DESCRIPTION", QStringLiteral("Sub category 2"), false),
        column("SUB_CATEGORY_3_DESCRIPTION", QStringLiteral("Sub category 3"), false),
        column("PRODUCT_DESCRIPTION", QStringLiteral("Product")),
        column("MANUFACTURER", QStringLiteral("Manufacturer"), false),
        column("DISTRIBUTER", QStringLiteral("Distributor"), false),
        column("IMPORTER", QStringLiteral("Importer"), false),
        column("COUNTRY", QStringLiteral("Country"), false),
        column("PACKAGING_DESCRIPTION", QStringLiteral("Packaging"), false),
        column("LABORATORY__CODE", QStringLiteral("Lab code")),
        column("LABORATORY_DESCRIPTION", QStringLiteral("Testling lab")),
        check("FLAG_SATISFACTORY", QStringLiteral("Satisfactory")),
        memo("ANALYSIS_TEXT", QStringLiteral("Analysis")),
        memo("LABORATORY_COMMENTS", QStringLiteral("Lab comments")),
        memo("SAMPLE_COMMENTS", QStringLiteral("Comments")),
        column("ANALYSIS_TYPE", QStringLiteral("Analysis type")),
        check("FLAG_PROSECUTION", QStringLiteral("Prosecution taken")),
        column("SAMPLE_STATUS__CODE", QStringLiteral("Status code"), false),
        uuid,
        updateId,
    };
    c.completeTabColumns = {QStringLiteral("MAPPED_OFFICER_NAME"), QStringLiteral("FLAG_SATISFACTORY")};
    c.resultColumns = {
        column("BATCH_NUMBER", QStringLiteral("Batch"), false),
        column("SUBSTANCE", QStringLiteral("Substance")),
        column("LAB_UNIT", QStringLiteral("Units")),
        column("OUTPUT", QStringLiteral("Output")),
        column("RESULT_TIMESTAMP", QStringLiteral("Date & time recorded"), false),
        column("FAILCODE", QStringLiteral("Fail code")),
        column("FAILCODE_DESC", QStringLiteral("Outcome")),
        column("EXP_MEASURE_OF_UNCERTAINTY", QStringLiteral("Measure of Uncertainty")),
        column("RECOVERY", QStringLiteral("Recovery")),
        column("CORRECTION_FOR_RECOVERY", QStringLiteral("Correction for recovery")),
        column("LODLOQ", QStringLiteral("LOD/LOQ")),
        column("DETERMINATION__CODE", QStringLiteral("Determination code"), false),
    };
    c.outcomeColumns = {
        column("ID", QString(), false),
        column("FAILCODE", QStringLiteral("Code")),
        column("FAILCODE_DESCRIPTION", QStringLiteral("Details")),
    };
    c.selectAllCaption = QStringLiteral("Select all");
    c.clearSelectionCaption = QStringLiteral("Clear selection");
    c.printForm = &TSamplePrintDM::PrintReport;
    c.printResults = &TSamplePrintDM::PrintSampleWithResults;
    return c;
}

// The animal-feed browser's make-up: the food list's columns where they are the same, its own
// feed columns, every sample on the All tab (deleted ones and those whose status has no row too),
// and the outcomes of the local OUTCOME table.
SampleBrowserConfig SampleBrowserConfig::animalFeed()
{
    const SampleBrowserConfig food = SampleBrowserConfig::food();
    const auto like = [&food](const char *field, const QString &caption = QString(), std::optional<bool> visible = {}) {
        for (GridColumnDef c : food.columns) {
            if (c.field == QLatin1String(field)) {
                if (!caption.isEmpty())
                    c.caption = caption;
                if (visible)
                    c.visible = *visible;
                return c;
            }
        }
        return column(field, caption, visible.value_or(true));
    };
    const auto hidden = [&like](const char *field) { return like(field, QString(), false); };

    SampleBrowserConfig c = food;
    c.personality = Varnex::PersonalityAnimalFeed;
    c.listsDeletedSamples = true;
    c.listColumns = QStringLiteral(
        "S.ID, S.UNIQUE_UUID, S.CODE, S.LA_SAMPLENO, S.LOCAL_AUTHORITY__CODE, S.LOCAL_AUTH_OFFICE__CODE, "
        "S.SAMPLE_NUMBER, S.LIMS_NUMBER, S.SAMPLE_OFFICER__CODE, S.SAMPLE_OFFICER_NAME, SO.NAME AS MAPPED_OFFICER_NAME, "
        "S.SAMPLE_DATE, S.SAMPLE_TIME, S.SAMPLE_TIMESTAMP, S.PREMISES_TYPE__CODE, S.PREMISES_NAME, S.BUSINESS_ID, "
        "S.BUSINESS_ADDR_1, S.BUSINESS_ADDR_2, S.BUSINESS_POSTCODE, S.SAMPLE_STATUS__CODE, SS.DESCRIPTION AS STATUS_DESC, "
        "SS.COLOUR, S.REASON_DESCRIPTION, S.SAMPLE_TYPE_DESCRIPTION, S.RISK_CATEGORY_DESCRIPTION, "
        "S.SURVEY_BODY_DESCRIPTION, S.SURVEY_NUMBER, S.FOOD_DESCRIPTION, S.CATEGORY_DESCRIPTION, "
        "S.SUB_CATEGORY_DESCRIPTION, S.PRODUCT_DESCRIPTION, S.MANUFACTURER, S.DISTRIBUTER, S.IMPORTER, S.COUNTRY, "
        "S.PACKAGING_DESCRIPTION, S.FLAG_SATISFACTORY, S.ANALYSIS_TEXT, S.MAFF_DESCRIPTION, S.LABORATORY_COMMENTS, "
        "S.LABORATORY__CODE, S.LABORATORY_DESCRIPTION, S.SAMPLE_COMMENTS, S.ANIMAL_SPECIES_DESCRIPTION, "
        "S.DATE_OF_MANUFACTURE, S.REGISTRATION_NUMBER, S.LABEL_REGISTRATION_NUMBER, S.LABEL_BUSINESS_TYPE__CODE, "
        "S.LABEL_BUSINESS_ADDRESS, S.PACKAGING_DATE, S.ANALYSIS_TYPE, S.PURCHASE_COST, S.ANALYSIS_COST");
    c.columns = {
        like("COLOUR"),
        like("STATUS_DESC"),
        like("CODE"),
        like("LA_SAMPLENO"),
        like("LOCAL_AUTH_OFFICE__CODE"),
        like("SAMPLE_OFFICER_NAME"),
        like("MAPPED_OFFICER_NAME", QStringLiteral("Mapper Officer Name")),
        like("SAMPLE_DATE"),
        like("SAMPLE_TIME"),
        like("SAMPLE_TIMESTAMP"),
        like("PREMISES_TYPE__CODE"),
        like("PREMISES_NAME"),
        like("BUSINESS_ID"),
        like("BUSINESS_ADDR_1"),
        hidden("BUSINESS_ADDR_2"),
        hidden("BUSINESS_POSTCODE"),
        like("PURCHASE_COST"),
        like("ANALYSIS_COST"),
        hidden("SAMPLE_STATUS__CODE"),
        hidden("REASON_DESCRIPTION"),
        hidden("SAMPLE_TYPE_DESCRIPTION"),
        hidden("RISK_CATEGORY_DESCRIPTION"),
        hidden("SURVEY_BODY_DESCRIPTION"),
        like("SURVEY_NUMBER", QStringLiteral("Survey number")),
        hidden("FOOD_DESCRIPTION"),
        hidden("CATEGORY_DESCRIPTION"),
        hidden("SUB_CATEGORY_DESCRIPTION"),
        like("PRODUCT_DESCRIPTION", QStringLiteral("Product description"), false),
        hidden("MANUFACTURER"),
        hidden("DISTRIBUTER"),
        hidden("IMPORTER"),
        hidden("COUNTRY"),
        hidden("PACKAGING_DESCRIPTION"),
        like("FLAG_SATISFACTORY"),
        like("ANALYSIS_TEXT"),
        like("LABORATORY__CODE"),
        like("LABORATORY_DESCRIPTION", QStringLiteral("Testing Lab")),
        like("LABORATORY_COMMENTS"),
        like("SAMPLE_COMMENTS"),
        column("ANIMAL_SPECIES_DESCRIPTION", QStringLiteral("Animal species")),
        column("DATE_OF_MANUFACTURE", QStringLiteral("Date of manufacture")),
        column("REGISTRATION_NUMBER", QStringLiteral("Registration number")),
        column("LABEL_REGISTRATION_NUMBER", QStringLiteral("Label reg number")),
        column("LABEL_BUSINESS_TYPE__CODE", QStringLiteral("Label bus. type")),
        column("PACKAGING_DATE", QStringLiteral("Packaging date")),
        hidden("ANALYSIS_TYPE"),
        like("UNIQUE_UUID", QStringLiteral("uuid"), false),
    };
    for (GridColumnDef &r : c.resultColumns) {
        if (r.field == QLatin1String("FAILCODE"))
            r.caption = QStringLiteral("Failcode");
        else if (r.field == QLatin1String("OUTPUT"))
            r.caption = r.field; // no caption of its own: the grid shows the field
    }
    c.outcomeColumns = {
        column("UNIQUE_ID", QString(), false),
        column("FAIL_CODE_2", QStringLiteral("Code")),
        column("FAIL_GROUP", QStringLiteral("Group")),
        column("DETAILS", QStringLiteral("Details")),
    };
    c.outcomes = OutcomeSource::OutcomeTable;
    c.absentActions = {QStringLiteral("actMailMergeSamples")};
    c.clearsSelectionAfterDelete = false;
    c.limitsDates = false;
    c.selectAllCaption = QStringLiteral("Select All");
    c.clearSelectionCaption = QStringLiteral("Clear Selection");
    c.printForm = &TSamplePrintDM::PrintReportAF;
    c.printResults = &TSamplePrintDM::PrintSampleWithResultsAF;
    return c;
}

// ---------------------------------------------------------------------------------------------
// What the window layer registers

namespace {

QHash<QString, TSampleBrowserFrm::SampleEditorOpener> &editorOpeners()
{
    static QHash<QString, TSampleBrowserFrm::SampleEditorOpener> openers;
    return openers;
}

TSampleBrowserFrm::OfficeChooser &officeChooser()
{
    static TSampleBrowserFrm::OfficeChooser chooser;
    return chooser;
}

TSampleBrowserFrm::ExportModuleFactory &exportFactory()
{
    static TSampleBrowserFrm::ExportModuleFactory factory;
    return factory;
}

TSampleBrowserFrm::XmlRangeExporter &xmlExporter()
{
    static TSampleBrowserFrm::XmlRangeExporter exporter;
    return exporter;
}

} // namespace

void TSampleBrowserFrm::SetSampleEditorOpener(const QString &personality, SampleEditorOpener opener)
{
    if (opener)
        editorOpeners().insert(personality, std::move(opener));
    else
        editorOpeners().remove(personality);
}

void TSampleBrowserFrm::SetOfficeChooser(OfficeChooser chooser)
{
    officeChooser() = std::move(chooser);
}

void TSampleBrowserFrm::SetExportModuleFactory(ExportModuleFactory factory)
{
    exportFactory() = std::move(factory);
}

void TSampleBrowserFrm::SetXmlRangeExporter(XmlRangeExporter exporter)
{
    xmlExporter() = std::move(exporter);
}

// ---------------------------------------------------------------------------------------------
// Making the form

TSampleBrowserFrm::TSampleBrowserFrm(QObject *AOwner) : TSampleBrowserFrm(AOwner, SampleBrowserConfig::food()) {}

TSampleBrowserFrm::TSampleBrowserFrm(QObject *AOwner, SampleBrowserConfig config)
    : TIBBaseAdvancedfrm(AOwner), m_config(std::move(config))
{
    setWindowTitle(QStringLiteral("Samples Browser"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);

    qrySample = new GroupedGridModel(this);
    qrySample->setObjectName(QStringLiteral("qrySample"));
    qrySample->setDatabase(LocalDatabase());
    QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE S.RECORD_TYPE = :RECORD_TYPE")
                      .arg(m_config.listColumns, m_config.listFrom());
    // A flag counts only when it holds exactly "T", and a sample without a status is listed.
    if (!m_config.listsDeletedSamples)
        sql += QStringLiteral(" AND S.FLAG_DELETED IS DISTINCT FROM :FLAG_SET AND S.SAMPLE_STATUS__CODE IS DISTINCT FROM :DELETED_STATUS");
    qrySample->setSql(sql);
    // A row is known by its UUID: a pass renumbers a sample recorded here (its negative ID becomes
    // the server's), and the current row and the selection must stay on the sample the officer
    // chose. The list keeps the order of the numbers, newest local samples first.
    qrySample->setKeyColumn(QStringLiteral("UNIQUE_UUID"));
    qrySample->setOrderKeyColumn(QStringLiteral("ID"));
    qrySample->setGroupColumn(QStringLiteral("SAMPLE_OFFICER_NAME"));
    qrySample->setParam(QStringLiteral("RECORD_TYPE"), m_config.personality);
    qrySample->setParam(QStringLiteral("FLAG_SET"), QStringLiteral("T"));
    qrySample->setParam(QStringLiteral("DELETED_STATUS"), Deleted);
    qrySample->setPageSize(ListPageSize);
    qrySample->setCountCaption(QStringLiteral("Samples: "));

    memResults = new DataTableModel(this);
    memResults->setObjectName(QStringLiteral("memResults"));
    memOutcomes = new DataTableModel(this);
    memOutcomes->setObjectName(QStringLiteral("memOutcomes"));

    // The results pane follows the current row once the user rests on it.
    timerRefreshChildDatasets = new QTimer(this);
    timerRefreshChildDatasets->setObjectName(QStringLiteral("timerRefreshChildDatasets"));
    timerRefreshChildDatasets->setSingleShot(true);
    timerRefreshChildDatasets->setInterval(300);
    connect(timerRefreshChildDatasets, &QTimer::timeout, this, [this]() { timerRefreshChildDatasetsTimer(); });

    buildActions();
    buildWidgets();
    buildSidePanel();
    updateAvailability();
    resize(1280, 860);
}

TSampleBrowserFrm::~TSampleBrowserFrm()
{
    // The grid and the list let go of the form's connection before its transaction closes it.
    timerRefreshChildDatasets->stop();
    grdSampleView->setGridModel(nullptr);
    delete qrySample;
    qrySample = nullptr;
}

void TSampleBrowserFrm::FormClose()
{
    // Whatever the opening parameters say: a browser kept hidden would hold its connection and its
    // rows for the rest of the session, and opening it again reads its list anew anyway.
    if (!ShowingModal())
        deleteLater();
}

void TSampleBrowserFrm::FormCreate()
{
    TIBBaseAdvancedfrm::FormCreate();
    const QDate today = Clock::instance().today();
    dteStart->setDate(today.addDays(-14));
    dteEnd->setDate(today);
}

QAction *TSampleBrowserFrm::makeAction(const char *name, const QString &caption, bool available)
{
    auto *a = new QAction(caption, this);
    a->setObjectName(QLatin1String(name));
    a->setShortcutContext(Qt::WindowShortcut);
    addAction(a);
    if (!available) {
        m_unavailable.append(a);
        a->setToolTip(NotAvailableText());
    }
    return a;
}

void TSampleBrowserFrm::buildActions()
{
    actShowNewSample = makeAction("actShowNewSample", QStringLiteral("New"));
    actShowEditSample = makeAction("actShowEditSample", QStringLiteral("View"));
    actDuplicateSample = makeAction("actDuplicateSample", QStringLiteral("Duplicate"));
    actDeleteSelected = makeAction("actDeleteSelected", QStringLiteral("Delete"));
    actExportRecords = makeAction("actExportRecords", QStringLiteral("Export to Lab"));
    actExportToFile = makeAction("actExportToFile", QStringLiteral("Export to File"));
    actExportToXML = makeAction("actExportToXML", QStringLiteral("Export to XML"));
    actPrintSample = makeAction("actPrintSample", QStringLiteral("Print form"));
    actPrintLabel = makeAction("actPrintLabel", QStringLiteral("Labels"));
    actPrintA4Label = makeAction("actPrintA4Label", QStringLiteral("A4 labels"));
    actPrintReport = makeAction("actPrintReport", QStringLiteral("Print report"));
    actMailMergeSamples = makeAction("actMailMergeSamples", QStringLiteral("Mail Merge Samples"));
    actCreateTemplate = makeAction("actCreateTemplate", QStringLiteral("Create Template"));
    actViewTemplates = makeAction("actViewTemplates", QStringLiteral("View templates"));
    actUpdateProsecution = makeAction("actUpdateProsecution", QStringLiteral("Set prosecution"));
    actLabellingOutcomes = makeAction("actLabellingOutcomes", QStringLiteral("Set labelling outcomes"));
    actLAEnforcementOutcomes = makeAction("actLAEnforcementOutcomes", QStringLiteral("Set Enforcement outcomes"));
    actUpdateSampleOffice = makeAction("actUpdateSampleOffice", QStringLiteral("Update sample office"));
    actDesignReport = makeAction("actDesignReport", QStringLiteral("Design reports"));
    actDesignReport->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_D));
    actSelectAll = makeAction("actSelectAll", m_config.selectAllCaption);
    actClearSelection = makeAction("actClearSelection", m_config.clearSelectionCaption);
    actStoreGridLayout = makeAction("actStoreGridLayout", QStringLiteral("Store grid layout"));
    actRestoreSavedLayout = makeAction("actRestoreSavedLayout", QStringLiteral("Restore saved layout"));
    actFullExpandGroups = makeAction("actFullExpandGroups", QStringLiteral("Expand groups"));
    actFullCollapseGroups = makeAction("actFullCollapseGroups", QStringLiteral("Collapse groups"));
    actSaveToExcel = makeAction("actSaveToExcel", QStringLiteral("Save to Excel file"));

    // What the personality does not offer is never shown nor used.
    for (QAction *a : actions()) {
        if (!m_config.absentActions.contains(a->objectName()))
            continue;
        a->setVisible(false);
        m_unavailable.append(a);
    }

    connect(actShowNewSample, &QAction::triggered, this, [this]() { guarded([this]() { actShowNewSampleExecute(); }); });
    connect(actShowEditSample, &QAction::triggered, this, [this]() { guarded([this]() { actShowEditSampleExecute(); }); });
    connect(actDeleteSelected, &QAction::triggered, this, [this]() { guarded([this]() { actDeleteSelectedExecute(); }); });
    connect(actExportRecords, &QAction::triggered, this, [this]() { guarded([this]() { actExportRecordsExecute(); }); });
    connect(actExportToFile, &QAction::triggered, this, [this]() { guarded([this]() { actExportToFileExecute(); }); });
    connect(actExportToXML, &QAction::triggered, this, [this]() { guarded([this]() { actExportToXMLExecute(); }); });
    connect(actPrintSample, &QAction::triggered, this, [this]() { guarded([this]() { actPrintSampleExecute(); }); });
    connect(actPrintLabel, &QAction::triggered, this, [this]() { guarded([this]() { actPrintLabelExecute(actPrintLabel); }); });
    connect(actPrintA4Label, &QAction::triggered, this,
            [this]() { guarded([this]() { actPrintLabelExecute(actPrintA4Label); }); });
    connect(actPrintReport, &QAction::triggered, this, [this]() { guarded([this]() { actPrintReportExecute(); }); });
    connect(actMailMergeSamples, &QAction::triggered, this, [this]() {
        guarded([this]() {
            const QStringList uuids = selectedUuids();
            if (!uuids.isEmpty())
                MailMergeSamples(uuids);
        });
    });
    connect(actUpdateSampleOffice, &QAction::triggered, this,
            [this]() { guarded([this]() { actUpdateSampleOfficeExecute(); }); });
    connect(actDesignReport, &QAction::triggered, this, [this]() { actDesignReportExecute(); });
    connect(actDuplicateSample, &QAction::triggered, this, [this]() { guarded([this]() { actDuplicateSampleExecute(); }); });
    connect(actCreateTemplate, &QAction::triggered, this, [this]() { guarded([this]() { actCreateTemplateExecute(); }); });
    connect(actViewTemplates, &QAction::triggered, this, [this]() { guarded([this]() { actViewTemplatesExecute(); }); });
    connect(actUpdateProsecution, &QAction::triggered, this,
            [this]() { guarded([this]() { actUpdateProsecutionExecute(); }); });
    connect(actLabellingOutcomes, &QAction::triggered, this,
            [this]() { guarded([this]() { showClientOutcomes(OutcomeHeading::Labelling); }); });
    connect(actLAEnforcementOutcomes, &QAction::triggered, this,
            [this]() { guarded([this]() { showClientOutcomes(OutcomeHeading::Enforcement); }); });
    connect(actSelectAll, &QAction::triggered, this, [this]() { grdSampleView->selectAll(); });
    connect(actClearSelection, &QAction::triggered, this, [this]() { grdSampleView->clearSelectedRows(); });
    connect(actFullExpandGroups, &QAction::triggered, this, [this]() { grdSampleView->expandGroups(); });
    connect(actFullCollapseGroups, &QAction::triggered, this, [this]() { grdSampleView->collapseGroups(); });
    // Kept layouts and the Excel file go through the layout store, which reports its own failures.
    const auto withStore = [this](void (TGridViewStorageDm::*operation)(IGridLayoutView &)) {
        RunGridLayoutOperation(operation, *m_layoutView);
    };
    connect(actStoreGridLayout, &QAction::triggered, this, [=]() { withStore(&TGridViewStorageDm::StoreViewToDB); });
    connect(actRestoreSavedLayout, &QAction::triggered, this, [=]() { withStore(&TGridViewStorageDm::RestoreViewFromDB); });
    connect(actSaveToExcel, &QAction::triggered, this, [=]() { withStore(&TGridViewStorageDm::SaveToExcel); });
}

void TSampleBrowserFrm::buildWidgets()
{
    RzPanel2->hide();
    auto *client = new QVBoxLayout(ClientArea);
    client->setContentsMargins(6, 6, 6, 4);
    client->setSpacing(4);

    tabStatus = new QTabBar(ClientArea);
    tabStatus->setObjectName(QStringLiteral("tabStatus"));
    tabStatus->setExpanding(false);
    tabStatus->setDrawBase(true);
    connect(tabStatus, &QTabBar::currentChanged, this, [this]() {
        if (!m_showingTab)
            guarded([this]() { RefreshForStatusTab(); });
    });
    client->addWidget(tabStatus);

    pnlFilter = buildFilterPanel(ClientArea);
    client->addWidget(pnlFilter);

    auto *selection = new QHBoxLayout;
    btnSelectAll = new QPushButton(m_config.selectAllCaption, ClientArea);
    btnSelectAll->setObjectName(QStringLiteral("btnSelectAll"));
    btnClearSelection = new QPushButton(m_config.clearSelectionCaption, ClientArea);
    btnClearSelection->setObjectName(QStringLiteral("btnClearSelection"));
    for (QPushButton *b : {btnSelectAll, btnClearSelection}) {
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::NoFocus);
        selection->addWidget(b);
    }
    connect(btnSelectAll, &QPushButton::clicked, actSelectAll, &QAction::trigger);
    connect(btnClearSelection, &QPushButton::clicked, actClearSelection, &QAction::trigger);
    selection->addStretch(1);
    client->addLayout(selection);

    splMain = new QSplitter(Qt::Vertical, ClientArea);
    splMain->setObjectName(QStringLiteral("splMain"));
    splMain->setChildrenCollapsible(false);

    auto *gridBox = new QWidget(splMain);
    auto *gridLayout = new QVBoxLayout(gridBox);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->setSpacing(0);
    grdSampleView = new GroupedGridView(gridBox);
    grdSampleView->setObjectName(QStringLiteral("grdSampleView"));
    grdSampleView->setColumnDelegate(QStringLiteral("COLOUR"), new StatusColourDelegate(grdSampleView));
    grdSampleView->setColumnDelegate(QStringLiteral("PURCHASE_COST"), new CurrencyDelegate(grdSampleView));
    grdSampleView->setColumnDelegate(QStringLiteral("ANALYSIS_COST"), new CurrencyDelegate(grdSampleView));
    grdSampleView->setColumns(m_config.columns);
    grdSampleView->setGridModel(qrySample);
    grdSampleView->setContextMenuPolicy(Qt::CustomContextMenu);
    gridLayout->addWidget(grdSampleView, 1);
    pnlFooter = new GridFooter(grdSampleView, gridBox);
    gridLayout->addWidget(pnlFooter);
    splMain->addWidget(gridBox);

    mnuGridOptions = new QMenu(this);
    mnuGridOptions->setObjectName(QStringLiteral("mnuGridOptions"));
    mnuGridOptions->addActions({actStoreGridLayout, actRestoreSavedLayout});
    mnuGridOptions->addSeparator();
    mnuGridOptions->addActions({actFullExpandGroups, actFullCollapseGroups});
    mnuGridOptions->addSeparator();
    mnuGridOptions->addAction(actSaveToExcel);
    mnuGridOptions->setToolTipsVisible(true);
    connect(mnuGridOptions, &QMenu::aboutToShow, this, [this]() { updateAvailability(); });
    m_layoutView = std::make_unique<GroupedGridLayoutView>(this, grdSampleView, QStringLiteral("grdSampleView"));
    connect(grdSampleView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { mnuGridOptions->popup(grdSampleView->viewport()->mapToGlobal(pos)); });

    connect(grdSampleView, &GroupedGridView::currentKeyChanged, this, [this]() { qrySampleAfterScroll(); });
    connect(grdSampleView, &GroupedGridView::rowActivated, this, [this]() {
        if (actShowEditSample->isEnabled())
            actShowEditSample->trigger();
    });
    connect(qrySample, &GroupedGridModel::countsChanged, this, [this]() {
        const qint64 total = qrySample->totalCount();
        pnlFooter->setSummary(qrySample->columnIndex(QStringLiteral("CODE")),
                              QStringLiteral("Samples: ") + (total >= 0 ? QString::number(total) : QString()));
    });
    // A page that cannot be read shows in the status bar: a message box would come up while the
    // grid paints, for every page it asks for.
    connect(qrySample, &GroupedGridModel::loadFailed, this, [this](const QString &message) {
        StatusBar->showMessage(message);
    });

    splMain->addWidget(buildResultsPane(splMain));
    splMain->setStretchFactor(0, 7);
    splMain->setStretchFactor(1, 3);
    client->addWidget(splMain, 1);

    pnlLegend = buildLegend(ClientArea);
    client->addWidget(pnlLegend);
}

QWidget *TSampleBrowserFrm::buildFilterPanel(QWidget *parent)
{
    auto *panel = new QFrame(parent);
    panel->setObjectName(QStringLiteral("pnlFilter"));
    panel->setFrameShape(QFrame::StyledPanel);
    // Names above dates, so that the panel fits a browser no wider than a small screen.
    auto *grid = new QGridLayout(panel);
    grid->setContentsMargins(8, 4, 8, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);

    const auto dropDown = [&](const char *name, const char *allName, QCheckBox **all) {
        auto *box = new QComboBox(panel);
        box->setObjectName(QLatin1String(name));
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setMinimumContentsLength(12);
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->completer()->setFilterMode(Qt::MatchContains);
        box->completer()->setCaseSensitivity(Qt::CaseInsensitive);
        box->completer()->setCompletionMode(QCompleter::PopupCompletion);
        box->setEnabled(false);
        *all = new QCheckBox(QStringLiteral("All"), panel);
        (*all)->setObjectName(QLatin1String(allName));
        (*all)->setChecked(true);
        return box;
    };
    cmbOfficer = dropDown("cmbOfficer", "chkAllOfficers", &chkAllOfficers);
    cmbPremises = dropDown("cmbPremises", "chkAllPremises", &chkAllPremises);
    // The list of names is read the first time the user wants one.
    connect(chkAllOfficers, &QCheckBox::toggled, this, [this](bool all) {
        cmbOfficer->setEnabled(!all);
        if (!all && !m_officersLoaded)
            guarded([this]() { fillDropDown(cmbOfficer, QStringLiteral("SAMPLE_OFFICER_NAME")); });
    });
    connect(chkAllPremises, &QCheckBox::toggled, this, [this](bool all) {
        cmbPremises->setEnabled(!all);
        if (!all && !m_premisesLoaded)
            guarded([this]() { fillDropDown(cmbPremises, QStringLiteral("PREMISES_NAME")); });
    });

    const auto dateEdit = [&](const char *name, const char *todayName, QPushButton **today) {
        auto *edit = new TzqcxDateEdit(panel);
        edit->setObjectName(QLatin1String(name));
        edit->SetBlankAllowed(false);
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 40);
        if (m_config.limitsDates)
            edit->setDateRange(QDate(1980, 1, 1), QDate(2050, 1, 1));
        *today = new QPushButton(QStringLiteral("Today"), panel);
        (*today)->setObjectName(QLatin1String(todayName));
        (*today)->setAutoDefault(false);
        (*today)->setMaximumWidth((*today)->fontMetrics().horizontalAdvance((*today)->text()) + 24);
        connect(*today, &QPushButton::clicked, edit, [edit]() { edit->setDate(Clock::instance().today()); });
        return edit;
    };
    dteStart = dateEdit("dteStart", "btnStartToday", &btnStartToday);
    dteEnd = dateEdit("dteEnd", "btnEndToday", &btnEndToday);

    const auto pair = [panel](QWidget *first, QWidget *second) {
        auto *box = new QHBoxLayout;
        box->setSpacing(6);
        box->addWidget(first, 1);
        box->addWidget(second);
        return box;
    };
    grid->addWidget(new QLabel(QStringLiteral("Sampling officer"), panel), 0, 0);
    grid->addLayout(pair(cmbOfficer, chkAllOfficers), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Premises name"), panel), 0, 3);
    grid->addLayout(pair(cmbPremises, chkAllPremises), 0, 4);
    grid->addWidget(new QLabel(QStringLiteral("Start date"), panel), 1, 0);
    grid->addLayout(pair(dteStart, btnStartToday), 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("End date"), panel), 1, 3);
    grid->addLayout(pair(dteEnd, btnEndToday), 1, 4);
    grid->setColumnMinimumWidth(2, 12);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(4, 1);
    grid->setColumnStretch(5, 1);
    btnGo = new QPushButton(QStringLiteral("Go..."), panel);
    btnGo->setObjectName(QStringLiteral("btnGo"));
    btnGo->setAutoDefault(false);
    connect(btnGo, &QPushButton::clicked, this, [this]() {
        guarded([this]() {
            // A date typed into the filter and not readable is shown for correction, not replaced.
            dteStart->RequireReadableEntry();
            dteEnd->RequireReadableEntry();
            openSampleList();
        });
    });
    grid->addWidget(btnGo, 1, 6);
    return panel;
}

QWidget *TSampleBrowserFrm::buildResultsPane(QWidget *parent)
{
    auto *pane = new QWidget(parent);
    pane->setObjectName(QStringLiteral("pnlResultsPane"));
    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->setSpacing(4);

    lblPaneProblem = new QLabel(pane);
    lblPaneProblem->setObjectName(QStringLiteral("lblPaneProblem"));
    lblPaneProblem->setWordWrap(true);
    lblPaneProblem->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblPaneProblem->setStyleSheet(QStringLiteral("QLabel { background: #fdecea; color: #8a1c12; border: 1px solid #e0a39c; "
                                                 "padding: 4px; }"));
    lblPaneProblem->hide();
    layout->addWidget(lblPaneProblem);

    pnlResults = new QSplitter(Qt::Horizontal, pane);
    pnlResults->setObjectName(QStringLiteral("pnlResults"));
    pnlResults->setChildrenCollapsible(false);

    const auto table = [this](const char *name, DataTableModel *model, QWidget *owner) {
        auto *view = new QTableView(owner);
        view->setObjectName(QLatin1String(name));
        view->setModel(model);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setAlternatingRowColors(true);
        view->setWordWrap(false);
        view->verticalHeader()->hide();
        view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
        view->horizontalHeader()->setStretchLastSection(true);
        connect(view, &QAbstractItemView::doubleClicked, this, [this]() {
            if (actShowEditSample->isEnabled())
                actShowEditSample->trigger();
        });
        return view;
    };

    auto *resultsBox = new QWidget(pnlResults);
    auto *resultsLayout = new QVBoxLayout(resultsBox);
    resultsLayout->setContentsMargins(0, 0, 0, 0);
    resultsLayout->setSpacing(2);
    resultsLayout->addWidget(heading(QStringLiteral("Results"), resultsBox));
    grdResults = table("grdResults", memResults, resultsBox);
    resultsLayout->addWidget(grdResults, 1);
    pnlResults->addWidget(resultsBox);

    splOutcome = new QSplitter(Qt::Vertical, pnlResults);
    splOutcome->setObjectName(QStringLiteral("splOutcome"));
    splOutcome->setChildrenCollapsible(false);
    auto *outcomeBox = new QWidget(splOutcome);
    auto *outcomeLayout = new QVBoxLayout(outcomeBox);
    outcomeLayout->setContentsMargins(0, 0, 0, 0);
    outcomeLayout->setSpacing(2);
    outcomeLayout->addWidget(heading(QStringLiteral("Outcome"), outcomeBox));
    grdOutcomes = table("grdOutcomes", memOutcomes, outcomeBox);
    outcomeLayout->addWidget(grdOutcomes, 1);
    splOutcome->addWidget(outcomeBox);
    memLabComments = new QPlainTextEdit(splOutcome);
    memLabComments->setObjectName(QStringLiteral("memLabComments"));
    memLabComments->setReadOnly(true);
    memLabComments->setPlaceholderText(QStringLiteral("Lab comments"));
    splOutcome->addWidget(memLabComments);
    splOutcome->setStretchFactor(0, 57);
    splOutcome->setStretchFactor(1, 43);
    pnlResults->addWidget(splOutcome);
    pnlResults->setStretchFactor(0, 61);
    pnlResults->setStretchFactor(1, 39);
    layout->addWidget(pnlResults, 1);

    // The grids show their columns from the start, before any sample is read.
    memResults->setTable(ResultBlobs::readResults(QByteArray()));
    memOutcomes->setTable(emptyOutcomes());
    showTableColumns(grdResults, memResults, m_config.resultColumns);
    showTableColumns(grdOutcomes, memOutcomes, m_config.outcomeColumns);
    return pane;
}

QWidget *TSampleBrowserFrm::buildLegend(QWidget *parent)
{
    auto *legend = new QWidget(parent);
    legend->setObjectName(QStringLiteral("pnlLegend"));
    auto *row = new QHBoxLayout(legend);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(6);
    row->addWidget(new QLabel(QStringLiteral("Colour legend:"), legend));
    const QStringList captions = {QStringLiteral("Entered"), QStringLiteral("Validated"), QStringLiteral("Exported"),
                                  QStringLiteral("Complete"), QStringLiteral("Cancelled")};
    for (int i = 0; i < LegendCodes.size(); ++i) {
        auto *shape = new QFrame(legend);
        shape->setObjectName(QStringLiteral("shp") + LegendCodes.at(i));
        shape->setFixedSize(18, 14);
        shape->setFrameShape(QFrame::Box);
        shape->setAutoFillBackground(true);
        row->addSpacing(6);
        row->addWidget(shape);
        row->addWidget(new QLabel(captions.at(i), legend));
    }
    row->addStretch(1);
    return legend;
}

void TSampleBrowserFrm::buildSidePanel()
{
    const QList<QList<QAction *>> groups = {
        {actShowNewSample, actShowEditSample, actDuplicateSample, actDeleteSelected},
        {actExportRecords, actExportToFile, actExportToXML},
        {actPrintSample, actPrintLabel, actPrintA4Label, actPrintReport, actMailMergeSamples},
        {actCreateTemplate, actViewTemplates},
        {actUpdateProsecution, actLabellingOutcomes, actLAEnforcementOutcomes},
        {actUpdateSampleOffice},
    };
    for (qsizetype g = 0; g < groups.size(); ++g) {
        if (g > 0)
            RzPanel1Layout->addWidget(separator(RzPanel1));
        for (QAction *a : groups.at(g)) {
            if (m_config.absentActions.contains(a->objectName()))
                continue;
            ActionButton *button = AddButton(a);
            button->setObjectName(QStringLiteral("btn") + a->objectName().mid(3));
        }
    }
    // The A4 button is told apart from the label button by its name.
    for (ActionButton *b : RzPanel1->findChildren<ActionButton *>()) {
        if (b->Action() == actPrintA4Label)
            b->setObjectName(QStringLiteral("btnPrintA4Label"));
    }
    RzPanel1->setMinimumWidth(196);
}

// ---------------------------------------------------------------------------------------------
// Tabs and legend

void TSampleBrowserFrm::InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo)
{
    TIBBaseAdvancedfrm::InitialiseDefaults(std::move(DefaultInfo));
    if (!m_tabCodes.isEmpty())
        return;

    QSqlQuery q = SqlUtil::exec(LocalDatabase(), QStringLiteral("SELECT CODE, DESCRIPTION, COLOUR FROM SAMPLE_STATUS "
                                                                "ORDER BY DISPLAY_SEQUENCE"));
    QStringList codes;
    QStringList captions;
    QHash<QString, QColor> colours;
    while (q.next()) {
        const QString code = q.value(0).toString();
        colours.insert(code.toUpper(), storedColour(q.value(2)));
        if (code == Imported || code == Deleted)
            continue;
        codes << code;
        captions << q.value(1).toString();
    }
    if (q.lastError().isValid())
        throw VarnexError(q.lastError().text());
    codes << AllTabCode();
    captions << QStringLiteral("All statuses");

    {
        const QScopedValueRollback<bool> quiet(m_showingTab, true);
        while (tabStatus->count() > 0)
            tabStatus->removeTab(0);
        for (const QString &caption : std::as_const(captions))
            tabStatus->addTab(caption);
        m_tabCodes = codes;
        tabStatus->setCurrentIndex(0);
    }
    for (auto it = colours.cbegin(); it != colours.cend(); ++it) {
        // The legend's shapes are found by name, without regard to letter case.
        for (QFrame *shape : pnlLegend->findChildren<QFrame *>()) {
            if (shape->objectName().compare(QStringLiteral("shp") + it.key(), Qt::CaseInsensitive) != 0)
                continue;
            QPalette p = shape->palette();
            p.setColor(QPalette::Window, it.value().isValid() ? it.value() : palette().color(QPalette::Window));
            shape->setPalette(p);
        }
    }
    chkAllOfficers->setChecked(true);
    chkAllPremises->setChecked(true);
    RefreshForStatusTab();
}

QString TSampleBrowserFrm::CurrentTabCode() const
{
    const int tab = tabStatus->currentIndex();
    return tab >= 0 && tab < m_tabCodes.size() ? m_tabCodes.at(tab) : QString();
}

void TSampleBrowserFrm::SelectTab(const QString &code)
{
    const int tab = int(m_tabCodes.indexOf(code));
    if (tab < 0)
        throw VarnexError(QStringLiteral("The browser has no tab for the status %1.").arg(code));
    if (tab == tabStatus->currentIndex())
        RefreshForStatusTab();
    else
        tabStatus->setCurrentIndex(tab);
}

void TSampleBrowserFrm::RefreshForStatusTab()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore
    {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    const QString code = CurrentTabCode();
    const bool complete = code == Complete;
    pnlFilter->setVisible(complete || code == AllTabCode());
    // The results pane takes 30 % on the Complete tab and is gone elsewhere.
    QWidget *pane = splMain->widget(1);
    pane->setVisible(complete);
    if (complete) {
        const int total = qMax(100, splMain->height());
        splMain->setSizes({total * 70 / 100, total - total * 70 / 100});
    }
    for (const QString &field : std::as_const(m_config.completeTabColumns))
        grdSampleView->setColumnVisible(field, complete);
    clearPane();
    openSampleList();
}

// ---------------------------------------------------------------------------------------------
// The list

QList<GridCondition> TSampleBrowserFrm::sampleListConditions() const
{
    QList<GridCondition> conditions;
    const QString code = CurrentTabCode();
    if (code != AllTabCode())
        conditions.append({QStringLiteral("SAMPLE_STATUS__CODE"), GridCondition::Equal, code});
    // The filter panel counts on the Complete and All tabs only.
    if (code != Complete && code != AllTabCode())
        return conditions;
    if (!chkAllOfficers->isChecked() && !cmbOfficer->currentText().isEmpty())
        conditions.append({QStringLiteral("SAMPLE_OFFICER_NAME"), GridCondition::Equal, cmbOfficer->currentText()});
    if (!chkAllPremises->isChecked() && !cmbPremises->currentText().isEmpty())
        conditions.append({QStringLiteral("PREMISES_NAME"), GridCondition::Equal, cmbPremises->currentText()});
    // Both ends count.
    conditions.append({QStringLiteral("SAMPLE_DATE"), GridCondition::GreaterOrEqual, dteStart->date()});
    conditions.append({QStringLiteral("SAMPLE_DATE"), GridCondition::LessOrEqual, dteEnd->date()});
    return conditions;
}

void TSampleBrowserFrm::openSampleList()
{
    timerRefreshChildDatasets->stop();
    StatusBar->clearMessage();
    pnlFooter->setSummary(-1, QStringLiteral("Samples: "));
    grdSampleView->clearSelectedRows();
    qrySample->setFilter(sampleListConditions());
    try {
        qrySample->open();
    } catch (...) {
        qrySampleAfterScroll();
        throw;
    }
    grdSampleView->selectFirstRow();
    qrySampleAfterScroll();
}

void TSampleBrowserFrm::fillDropDown(QComboBox *box, const QString &column)
{
    SqlUtil::requireIdentifier(column, "column");
    const QString c = SqlUtil::quoteIdentifier(column);
    QSqlQuery q = SqlUtil::exec(LocalDatabase(),
                                QStringLiteral("SELECT DISTINCT S.%1 FROM SAMPLE S WHERE S.RECORD_TYPE = ? AND S.%1 IS NOT NULL "
                                               "ORDER BY 1")
                                    .arg(c),
                                {m_config.personality});
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    if (q.lastError().isValid())
        throw VarnexError(q.lastError().text());
    const QString typed = box->currentText();
    box->clear();
    box->addItems(names);
    box->setCurrentIndex(-1);
    box->setEditText(typed);
    (box == cmbOfficer ? m_officersLoaded : m_premisesLoaded) = true;
}

QString TSampleBrowserFrm::CurrentUuid() const
{
    return qrySample->value(grdSampleView->currentIndex(), QStringLiteral("UNIQUE_UUID")).toString();
}

QString TSampleBrowserFrm::CurrentStatus() const
{
    return qrySample->value(grdSampleView->currentIndex(), QStringLiteral("SAMPLE_STATUS__CODE")).toString();
}

QString TSampleBrowserFrm::CurrentCode() const
{
    return qrySample->value(grdSampleView->currentIndex(), QStringLiteral("CODE")).toString();
}

void TSampleBrowserFrm::qrySampleAfterScroll()
{
    const bool hasRow = grdSampleView->currentKey().isValid();
    const QString s = CurrentStatus();
    actDeleteSelected->setProperty("ruleAllows", hasRow && (s == Imported || s == Entered || s == Validated || s == Exported));
    actShowEditSample->setProperty("ruleAllows", hasRow);
    actShowEditSample->setText(s == Imported || s == Entered || s == Validated ? QStringLiteral("Edit") : QStringLiteral("View"));
    actDeleteSelected->setText(s == Exported ? QStringLiteral("Cancel") : QStringLiteral("Delete"));
    applyTabRules();
    // The results pane follows once the user rests on a row.
    timerRefreshChildDatasets->stop();
    timerRefreshChildDatasets->start();
}

void TSampleBrowserFrm::applyTabRules()
{
    const QString code = CurrentTabCode();
    actUpdateProsecution->setProperty("ruleAllows", code == Complete);
    actLabellingOutcomes->setProperty("ruleAllows", code == Complete || code == Exported || code == Cancelled);
    actLAEnforcementOutcomes->setProperty("ruleAllows", code == Complete || code == Exported || code == Cancelled);
    updateAvailability();
}

bool TSampleBrowserFrm::RuleAllows(const QAction *action)
{
    const QVariant rule = action->property("ruleAllows");
    return !rule.isValid() || rule.toBool();
}

void TSampleBrowserFrm::updateAvailability()
{
    const auto available = [this](QAction *a) {
        if (m_unavailable.contains(a))
            return false;
        if (a == actShowNewSample || a == actShowEditSample)
            return editorOpeners().contains(m_config.personality);
        if (a == actStoreGridLayout || a == actRestoreSavedLayout || a == actSaveToExcel)
            return GridViewStorageDm != nullptr;
        if (a == actExportRecords || a == actExportToFile)
            return bool(exportFactory());
        if (a == actExportToXML)
            return bool(xmlExporter());
        if (a == actUpdateSampleOffice)
            return bool(officeChooser());
        return true;
    };
    for (QAction *a : actions()) {
        const bool ok = available(a);
        a->setEnabled(ok && RuleAllows(a));
        if (!ok)
            a->setToolTip(NotAvailableText());
        else if (a->toolTip() == NotAvailableText())
            a->setToolTip(QString());
    }
}

void TSampleBrowserFrm::actRefreshDataExecute()
{
    TIBBaseAdvancedfrm::actRefreshDataExecute();
    guarded([this]() {
        if (!qrySample->isOpen())
            return;
        StatusBar->clearMessage();
        // The current row, the selection (kept by key) and the sideways position stay.
        grdSampleView->refresh();
    });
    qrySampleAfterScroll();
}

void TSampleBrowserFrm::afterListChange()
{
    RefreshData();
    qrySampleAfterScroll();
}

// ---------------------------------------------------------------------------------------------
// The results pane

void TSampleBrowserFrm::showTableColumns(QTableView *view, DataTableModel *model, const QList<GridColumnDef> &columns)
{
    QHeaderView *h = view->horizontalHeader();
    for (int c = 0; c < model->columnCount(); ++c)
        view->setColumnHidden(c, true);
    int position = 0;
    for (const GridColumnDef &def : columns) {
        const int c = model->table().indexOf(def.field);
        if (c < 0)
            continue;
        model->setHeaderCaption(def.field, def.caption);
        h->moveSection(h->visualIndex(c), position++);
        view->setColumnHidden(c, !def.visible);
        if (def.visible)
            view->resizeColumnToContents(c);
    }
}

DataTable TSampleBrowserFrm::outcomeRows(const QString &sampleCode) const
{
    // The outcomes of a personality that keeps them in their own table.
    QSqlQuery q = SqlUtil::exec(LocalDatabase(),
                                QStringLiteral("SELECT O.UNIQUE_ID, O.FAIL_CODE_2, O.FAIL_GROUP, O.DETAILS FROM OUTCOME O "
                                               "WHERE O.SAMPLE__CODE = ? ORDER BY O.UNIQUE_ID"),
                                {sampleCode});
    DataTable rows;
    QString error;
    if (!rows.fillFromQuery(q, &error))
        throw VarnexError(error);
    return rows;
}

DataTable TSampleBrowserFrm::emptyOutcomes() const
{
    if (m_config.outcomes == SampleBrowserConfig::OutcomeSource::ResultBlob)
        return ResultBlobs::readOutcomes(QString());
    return outcomeRows(QString());
}

void TSampleBrowserFrm::clearPane()
{
    memResults->setTable(ResultBlobs::readResults(QByteArray()));
    memOutcomes->setTable(emptyOutcomes());
    memLabComments->clear();
    setPaneProblem(QString());
}

void TSampleBrowserFrm::setPaneProblem(const QString &text)
{
    lblPaneProblem->setText(text);
    lblPaneProblem->setVisible(!text.isEmpty());
}

void TSampleBrowserFrm::timerRefreshChildDatasetsTimer()
{
    timerRefreshChildDatasets->stop();
    const QVariant key = grdSampleView->currentKey();
    if (CurrentTabCode() != Complete || !key.isValid()) {
        clearPane();
        return;
    }
    // Nothing here raises a message box: the timer fires while the user moves through the list.
    QStringList problems;
    DataTable results = ResultBlobs::readResults(QByteArray());
    DataTable outcomes = emptyOutcomes();
    QString comments;
    const bool outcomeBlob = m_config.outcomes == SampleBrowserConfig::OutcomeSource::ResultBlob;
    try {
        QSqlQuery q = SqlUtil::exec(LocalDatabase(),
                                    QStringLiteral("SELECT S.CDS_LABORATORY_RESULTS, %1, S.LABORATORY_COMMENTS, S.CODE "
                                                   "FROM SAMPLE S WHERE S.UNIQUE_UUID = ?")
                                        .arg(outcomeBlob ? QStringLiteral("S.CDS_OUTCOMES") : QStringLiteral("NULL")),
                                    {key});
        if (q.next()) {
            comments = q.value(2).toString();
            try {
                results = ResultBlobs::readResults(q.value(0).toByteArray());
            } catch (const VarnexError &e) {
                problems << QStringLiteral("The laboratory results of this sample cannot be shown: ") + e.message();
            }
            try {
                outcomes = outcomeBlob ? ResultBlobs::readOutcomes(q.value(1).toString()) : outcomeRows(q.value(3).toString());
            } catch (const VarnexError &e) {
                problems << QStringLiteral("The outcomes of this sample cannot be shown: ") + e.message();
            }
        } else if (q.lastError().isValid()) {
            problems << QStringLiteral("The results of this sample cannot be read: ") + q.lastError().text();
        }
    } catch (const VarnexError &e) {
        problems << QStringLiteral("The results of this sample cannot be read: ") + e.message();
    }
    memResults->setTable(results);
    memOutcomes->setTable(outcomes);
    showTableColumns(grdResults, memResults, m_config.resultColumns);
    showTableColumns(grdOutcomes, memOutcomes, m_config.outcomeColumns);
    memLabComments->setPlainText(comments);
    setPaneProblem(problems.join(QLatin1Char('\n')));
}

// ---------------------------------------------------------------------------------------------
// The selection

QList<TSampleBrowserFrm::SelectedSample> TSampleBrowserFrm::SelectedSamples() const
{
    QList<SelectedSample> samples;
    const GridSelection selection = grdSampleView->selection();
    if (selection.all) {
        QSet<QString> excepted;
        for (const QVariant &key : selection.excepted)
            excepted.insert(key.toString());
        const DataTable rows = qrySample->readColumns({QStringLiteral("UNIQUE_UUID"), QStringLiteral("SAMPLE_STATUS__CODE")});
        for (int r = 0; r < rows.rowCount(); ++r) {
            if (!excepted.contains(rows.value(r, 0).toString()))
                samples.append({rows.value(r, 0).toString(), rows.value(r, 1).toString()});
        }
        return samples;
    }
    // The picked rows as the store holds them now, in the order they were picked; a sample gone
    // meanwhile is left out.
    QHash<QString, SelectedSample> found;
    for (qsizetype start = 0; start < selection.picked.size(); start += KeysPerStatement) {
        const SqlCondition in = sqlInCondition(QStringLiteral("S.UNIQUE_UUID"), selection.picked.mid(start, KeysPerStatement));
        QSqlQuery q = SqlUtil::exec(LocalDatabase(),
                                    QStringLiteral("SELECT S.UNIQUE_UUID, S.SAMPLE_STATUS__CODE FROM SAMPLE S WHERE ") + in.text,
                                    in.values);
        while (q.next())
            found.insert(q.value(0).toString(), {q.value(0).toString(), q.value(1).toString()});
        if (q.lastError().isValid())
            throw VarnexError(q.lastError().text());
    }
    for (const QVariant &key : selection.picked) {
        const auto it = found.constFind(key.toString());
        if (it != found.cend())
            samples.append(*it);
    }
    return samples;
}

QStringList TSampleBrowserFrm::selectedUuids() const
{
    QStringList uuids;
    for (const SelectedSample &s : SelectedSamples())
        uuids << s.uuid;
    return uuids;
}

std::unique_ptr<TSamplePrintDM> TSampleBrowserFrm::printModuleForSelection() const
{
    auto module = std::make_unique<TSamplePrintDM>();
    for (const QString &uuid : selectedUuids())
        module->AddSampleToReport(uuid);
    return module;
}

// ---------------------------------------------------------------------------------------------
// Actions

QString TSampleBrowserFrm::title() const
{
    return TitleOf(this);
}

void TSampleBrowserFrm::guarded(const std::function<void()> &work)
{
    try {
        work();
    } catch (const VarnexError &e) {
        Prompter::current().error(title(), procedureMessage(e.message()));
    }
}

void TSampleBrowserFrm::actShowNewSampleExecute()
{
    const SampleEditorOpener open = editorOpeners().value(m_config.personality);
    if (!open)
        return;
    open(this, QString());
    afterListChange();
}

void TSampleBrowserFrm::actShowEditSampleExecute()
{
    const QString uuid = CurrentUuid();
    const SampleEditorOpener open = editorOpeners().value(m_config.personality);
    if (!open || uuid.isEmpty())
        return;
    open(this, uuid);
    afterListChange();
}

void TSampleBrowserFrm::actDuplicateSampleExecute()
{
    const QString uuid = CurrentUuid();
    if (uuid.isEmpty())
        return;
    const QString copy = SampleRowActions::DuplicateSample(this, uuid);
    const SampleEditorOpener open = editorOpeners().value(m_config.personality);
    if (!copy.isEmpty() && open)
        open(this, copy);
    afterListChange();
}

void TSampleBrowserFrm::actUpdateProsecutionExecute()
{
    const QString code = CurrentCode();
    if (code.isEmpty())
        return;
    if (SampleRowActions::SetProsecution(this, code))
        afterListChange();
}

void TSampleBrowserFrm::showClientOutcomes(const QString &headingCode)
{
    const QString code = CurrentCode();
    if (!code.isEmpty())
        SampleRowActions::ShowClientOutcomes(this, code, headingCode);
}

void TSampleBrowserFrm::actDeleteSelectedExecute()
{
    const QString uuid = CurrentUuid();
    if (uuid.isEmpty())
        return;
    const QString question = CurrentStatus() == Exported ? CancelQuestion() : DeleteQuestion();
    if (!Prompter::current().question(title(), question))
        return;
    // The procedure decides what becomes of the sample, from the status it has now.
    SqlUtil::exec(LocalDatabase(), QStringLiteral("EXECUTE PROCEDURE SAMPLE_DELETE_R1(?)"), {uuid});
    afterListChange();
    if (m_config.clearsSelectionAfterDelete)
        grdSampleView->clearSelectedRows();
}

void TSampleBrowserFrm::actCreateTemplateExecute()
{
    const QString uuid = CurrentUuid();
    if (uuid.isEmpty() || !Prompter::current().question(title(), CreateTemplateQuestion()))
        return;
    const QString templateUuid = SampleTemplateStore::createTemplateFromSample(LocalDatabase(), uuid);
    // The list shows samples, not templates: it stays as it is.
    if (m_config.personality == Varnex::PersonalityAnimalFeed)
        TSampleTemplateEditAnimalFeedsFrm::ShowEditor(this, templateUuid, TSampleTemplateEditAnimalFeedsFrm::FormKey());
    else
        TSampleTemplateEditFrm::ShowEditor(this, templateUuid);
}

void TSampleBrowserFrm::actViewTemplatesExecute()
{
    if (m_config.personality == Varnex::PersonalityAnimalFeed)
        TSampleTemplateAnimalFeedsBrowserFrm::ShowTemplates(this);
    else
        TSampleTemplateBrowserFrm::ShowTemplates(this);
}

void TSampleBrowserFrm::runExport(bool toFile)
{
    if (!exportFactory())
        return;
    // An engine for this one export, gone with it, also when it fails.
    const std::unique_ptr<TSampleExportDM> engine = exportFactory()();
    if (!engine)
        throw VarnexError(QStringLiteral("The laboratory export is not available."));
    struct AfterExport
    {
        TSampleBrowserFrm *form;
        ~AfterExport() { form->afterListChange(); }
    } after{this};
    if (toFile)
        engine->RunExportToDisk(m_config.personality);
    else
        engine->RunExport(m_config.personality);
}

void TSampleBrowserFrm::actExportRecordsExecute()
{
    runExport(false);
}

void TSampleBrowserFrm::actExportToFileExecute()
{
    runExport(true);
}

void TSampleBrowserFrm::actExportToXMLExecute()
{
    if (!xmlExporter())
        return;
    const QStringList uuids = selectedUuids();
    if (!uuids.isEmpty())
        xmlExporter()(this, uuids);
}

void TSampleBrowserFrm::actPrintSampleExecute()
{
    const std::unique_ptr<TSamplePrintDM> module = printModuleForSelection();
    (module.get()->*m_config.printForm)();
}

void TSampleBrowserFrm::actPrintLabelExecute(QObject *sender)
{
    const std::unique_ptr<TSamplePrintDM> module = printModuleForSelection();
    if (sender == actPrintA4Label)
        module->PrintA4Label();
    else
        module->PrintLabel();
}

void TSampleBrowserFrm::actPrintReportExecute()
{
    // Every selected sample must have its results: a report of one without them would print as if
    // the laboratory had found nothing.
    const QList<SelectedSample> samples = SelectedSamples();
    for (const SelectedSample &s : samples) {
        if (s.status != Complete) {
            Prompter::current().information(title(), CompleteOnlyMessage());
            return;
        }
    }
    auto module = std::make_unique<TSamplePrintDM>();
    for (const SelectedSample &s : samples)
        module->AddSampleToReport(s.uuid);
    (module.get()->*m_config.printResults)();
}

void TSampleBrowserFrm::actUpdateSampleOfficeExecute()
{
    if (!officeChooser())
        return;
    const QString code = officeChooser()(this);
    const std::unique_ptr<TSamplePrintDM> module = printModuleForSelection();
    struct AfterUpdate
    {
        TSampleBrowserFrm *form;
        ~AfterUpdate() { form->afterListChange(); }
    } after{this};
    module->DoSampleOfficeUpdate(code);
}

void TSampleBrowserFrm::actDesignReportExecute()
{
    if (Maindm)
        Maindm->ReportDesignEnabled = !Maindm->ReportDesignEnabled;
}
