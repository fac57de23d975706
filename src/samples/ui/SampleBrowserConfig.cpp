#include "samples/ui/SampleBrowserConfig.h"

#include "base/ProductNames.h"
#include "reports/SamplePrint_DM.h"

#include <optional>

namespace {

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

// The food list's columns, in the grid's order.
QList<GridColumnDef> foodColumns()
{
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
    return {
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
}

// The laboratory results of the results pane.
QList<GridColumnDef> foodResultColumns()
{
    return {
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
}

// The animal-feed list's columns: the food list's where they are the same, and its own feed
// columns.
QList<GridColumnDef> animalFeedColumns(const QList<GridColumnDef> &food)
{
    const auto like = [&food](const char *field, const QString &caption = QString(), std::optional<bool> visible = {}) {
        for (GridColumnDef c : food) {
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

    return {
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
    c.columns = foodColumns();
    c.completeTabColumns = {QStringLiteral("MAPPED_OFFICER_NAME"), QStringLiteral("FLAG_SATISFACTORY")};
    c.resultColumns = foodResultColumns();
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

// ---------------------------------------------------------------------------------------------
// The animal-feed browser's make-up

// The animal-feed browser's make-up: the food list's columns where they are the same, its own
// feed columns, every sample on the All tab (deleted ones and those whose status has no row too),
// and the outcomes of the local OUTCOME table.
SampleBrowserConfig SampleBrowserConfig::animalFeed()
{
    const SampleBrowserConfig food = SampleBrowserConfig::food();
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
    c.columns = animalFeedColumns(food.columns);
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
// The statements

QString SampleBrowserConfig::listSql() const
{
    QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE S.RECORD_TYPE = :RECORD_TYPE").arg(listColumns, listFrom());
    // A flag counts only when it holds exactly "T", and a sample without a status is listed.
    if (!listsDeletedSamples)
        sql += QStringLiteral(" AND S.FLAG_DELETED IS DISTINCT FROM :FLAG_SET AND S.SAMPLE_STATUS__CODE IS DISTINCT FROM :DELETED_STATUS");
    return sql;
}

QString SampleBrowserConfig::statusesSql()
{
    return QStringLiteral("SELECT CODE, DESCRIPTION, COLOUR FROM SAMPLE_STATUS ORDER BY DISPLAY_SEQUENCE");
}

QString SampleBrowserConfig::filterNamesSql(const QString &quotedColumn)
{
    return QStringLiteral("SELECT DISTINCT S.%1 FROM SAMPLE S WHERE S.RECORD_TYPE = ? AND S.%1 IS NOT NULL ORDER BY 1")
        .arg(quotedColumn);
}

QString SampleBrowserConfig::resultsPaneSql() const
{
    return QStringLiteral("SELECT S.CDS_LABORATORY_RESULTS, %1, S.LABORATORY_COMMENTS, S.CODE FROM SAMPLE S WHERE S.UNIQUE_UUID = ?")
        .arg(outcomes == OutcomeSource::ResultBlob ? QStringLiteral("S.CDS_OUTCOMES") : QStringLiteral("NULL"));
}

QString SampleBrowserConfig::outcomeRowsSql()
{
    return QStringLiteral("SELECT O.UNIQUE_ID, O.FAIL_CODE_2, O.FAIL_GROUP, O.DETAILS FROM OUTCOME O "
                          "WHERE O.SAMPLE__CODE = ? ORDER BY O.UNIQUE_ID");
}

QString SampleBrowserConfig::selectedSamplesSql(const QString &condition)
{
    return QStringLiteral("SELECT S.UNIQUE_UUID, S.SAMPLE_STATUS__CODE FROM SAMPLE S WHERE ") + condition;
}

QString SampleBrowserConfig::deleteSampleSql()
{
    // The procedure decides what becomes of the sample, from the status it has now.
    return QStringLiteral("EXECUTE PROCEDURE SAMPLE_DELETE_R1(?)");
}
