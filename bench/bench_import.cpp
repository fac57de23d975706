// bench_import [records]
//
// The command-line sample import of `records` records (default 10000) in the sample exchange
// form with the shipped field definitions, as a batch run makes it: the document read twice (once
// whole before anything is written, then record by record), every record translated, converted,
// its category, officer and codes resolved, written through SAMPLE_IMPORT_XML_R1 and validated in a
// transaction of its own, the log saved at most once a second. For comparison, in the same run and
// into another fresh store: the same reader and the same fields, and one prepared INSERT of the
// fields' values per record, all in one transaction. Prints the rates, the ratio of the import to
// that floor and the peak memory of each; the last line holds the figures as name=value pairs.
#include "PeakMemory.h"
#include "base/Clock.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "data/MemDataStream.h"
#include "exchange/ImportFields_UNT.h"
#include "exchange/ImportSamplesXML_DM.h"
#include "exchange/SampleImportXML_DM.h"
#include "reference/LookupData_DM.h"
#include "store/LocalDatabase.h"
#include "store/SqlUtil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>

namespace {

QString copyTemplate(const QTemporaryDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    QFile::copy(QStringLiteral(VARNEX_BIN_DIR "/database_template.fdb"), path);
    QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return path;
}

DataTable codeList(const QList<QPair<QString, QString>> &rows)
{
    DataTable t({{"Code", FieldType::String, 20}, {"Description", FieldType::String, 100}});
    for (const auto &row : rows)
        t.appendRow({row.first, row.second});
    return t;
}

// The authority, an officer, the lists the records' codes are checked against and a small
// category tree.
void prepareStore(const QSqlDatabase &db)
{
    SqlUtil::exec(db, QStringLiteral("UPDATE SYS_LOCAL_SETTINGS SET LOCAL_AUTHORITY__CODE = 'ABC', INSTALLATION_CODE = '07', "
                                     "LOCAL_AUTH_OFFICE__CODE = 'ABC01'"));
    SqlUtil::exec(db, QStringLiteral("UPDATE SYS_COMPANY SET DURABILITY_YEAR_LOWER_OFFSET = 1, "
                                     "DURABILITY_YEAR_UPPER_OFFSET = 10"));
    SqlUtil::exec(db, QStringLiteral("INSERT INTO SAMPLE_OFFICER (ID, UPDATE_ID, IS_SYNCING, UNIQUE_UUID, CODE, NAME, "
                                     "EMAIL_ADDRESS, FLAG_DELETED) VALUES (1, 1, 'T', 'B0A0C0D0-0000-4000-8000-000000000001', "
                                     "'JB', 'Jo Bloggs', 'jo@abc.example', 'F')"));
    DataTable tree({{"PARENT_CODE", FieldType::String, 30}, {"ITEM_CODE", FieldType::String, 30},
                    {"DESCRIPTION", FieldType::String, 100}, {"SOURCE", FieldType::String, 30},
                    {"UNIQUE_ID", FieldType::Int32, 0}, {"PARENT_ID", FieldType::Int32, 0},
                    {"STATUS", FieldType::String, 30}});
    tree.appendRow({QString(), QStringLiteral("01"), QStringLiteral("Dairy products"), QStringLiteral("CATEGORY"), 1, -1,
                    QStringLiteral("LIVE")});
    tree.appendRow({QStringLiteral("01"), QStringLiteral("01.01"), QStringLiteral("Milk and cream"),
                    QStringLiteral("SUB_CATEGORY"), 2, 1, QStringLiteral("LIVE")});
    tree.appendRow({QStringLiteral("01.01"), QStringLiteral("01.01.01"), QStringLiteral("Liquid milk"),
                    QStringLiteral("SUB_CATEGORY_2"), 3, 2, QStringLiteral("LIVE")});
    tree.appendRow({QStringLiteral("01.01.01"), QStringLiteral("01.01.01.01"), QStringLiteral("Semi-skimmed milk"),
                    QStringLiteral("SUB_CATEGORY_3"), 4, 3, QStringLiteral("LIVE")});
    const QList<QPair<const char *, DataTable>> lists = {
        {"mdCategoryTree", tree},
        {"mdPremisesType", codeList({{"R", "Restaurant"}, {"T", "Takeaway"}})},
        {"mdSampleTypeSurveillance", codeList({{"SV1", "Routine survey"}})},
        {"mdFoodSafetyRiskCategory", codeList({{"A", "High"}})},
        {"mdFoodStandardsRiskCategory", codeList({{"B", "Medium"}})},
        {"mdProductType", codeList({{"P", "Prepacked"}})},
        {"mdPackagingType", codeList({{"P", "Packed"}})},
        {"mdMaterialType", codeList({{"G", "Glass"}})},
        {"mdDurability", codeList({{"E", "Best before end"}})},
        {"mdCondition", codeList({{"C", "Chilled"}})},
        {"mdLaboratory", codeList({{"LAB1", "County Laboratory"}})},
    };
    qint64 id = 100;
    for (const auto &list : lists) {
        ++id;
        SqlUtil::exec(db,
                      QStringLiteral("INSERT INTO LOOKUP_TABLE_LIST (ID, UPDATE_ID, IS_SYNCING, DATASET_NAME, BINARY_CONTENT) "
                                     "VALUES (?, ?, 'T', ?, ?)"),
                      {id, id, QLatin1String(list.first), MemDataStream::write(list.second)});
    }
}

// A document of valid food samples, each a little different; one in ten does not validate.
QByteArray document(int records, int year)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QOVAData>\n  <FileInfo><SampleCount>"
                     + QByteArray::number(records) + "</SampleCount></FileInfo>\n";
    for (int i = 0; i < records; ++i) {
        const QByteArray n = QByteArray::number(i);
        xml += "  <Sample>\n    <RecordType>FOOD</RecordType>\n    <AnalysisType>C</AnalysisType>\n"
               "    <LocalAuthoritySampleNumber>LA-" + n + "</LocalAuthoritySampleNumber>\n"
               "    <SamplingOfficerCode>jb</SamplingOfficerCode>\n"
               "    <DateSampleTaken>2014-06-14</DateSampleTaken>\n    <TimeSampleTaken>09:05:00.000Z</TimeSampleTaken>\n"
               "    <PremisesName>Corner Cafe " + n + "</PremisesName>\n    <BusinessId>B-" + n + "</BusinessId>\n"
               "    <BusinessAddress1>" + n + " High Street</BusinessAddress1>\n    <BusinessPostcode>AB1 2CD</BusinessPostcode>\n"
               "    <PremisesTypeCode>" + (i % 2 ? "R" : "T") + "</PremisesTypeCode>\n"
               "    <ReasonForTakingSampleCode>S</ReasonForTakingSampleCode>\n    <SampleTypeCode>SV1</SampleTypeCode>\n"
               "    <IsFollowupSample>false</IsFollowupSample>\n"
               "    <FoodSafetyRiskCategoryCode>A</FoodSafetyRiskCategoryCode>\n    <IsSurvey>false</IsSurvey>\n"
               "    <BrandName>Brand " + n + "</BrandName>\n"
               "    <FoodDescription>Semi-skimmed milk, 1 litre, bottle " + n + "</FoodDescription>\n"
               "    <Subcategory3Code>01.01.01.01</Subcategory3Code>\n    <NatureOfProductCode>P</NatureOfProductCode>\n"
               "    <ManufacturerDescription>Dairy &amp; Sons</ManufacturerDescription>\n"
               "    <CountryDescription>UNITED KINGDOM</CountryDescription>\n    <PackagingCode>P</PackagingCode>\n"
               "    <PackagingMaterialCode>G</PackagingMaterialCode>\n"
               "    <PackageBatchNumber>" + (i % 10 == 9 ? QByteArray() : "L" + n) + "</PackageBatchNumber>\n"
               "    <DurabilityCode>E</DurabilityCode>\n    <DurabilityMonth>7</DurabilityMonth>\n"
               "    <DurabilityYear>" + QByteArray::number(year) + "</DurabilityYear>\n"
               "    <ConditionCode>C</ConditionCode>\n    <Temperature>4.5</Temperature>\n"
               "    <MeetsCodeOfPractise>true</MeetsCodeOfPractise>\n"
               "    <MeetsCodeOfPractiseTransport>true</MeetsCodeOfPractiseTransport>\n"
               "    <TestingLaboratoryCode>LAB1</TestingLaboratoryCode>\n"
               "    <IsRoutineAnalysisRequired>true</IsRoutineAnalysisRequired>\n"
               "    <RoutineComments>Routine analysis</RoutineComments>\n"
               "    <FoodStandardsRiskCategoryCode>B</FoodStandardsRiskCategoryCode>\n  </Sample>\n";
    }
    return xml + "</QOVAData>\n";
}

struct Figures
{
    double seconds = 0;
    long peakKiB = -1;
    long growthKiB = -1;
};

// The floor: the same reader and fields, one prepared INSERT of the fields' converted values per
// record, one transaction.
Figures readerAndInsert(const QString &storePath, const QString &file, int *rows)
{
    QSqlDatabase db = openLocalDatabase(storePath, QStringLiteral("bench.floor"));
    TSampleImportXMLDM reader;
    reader.LoadFieldDefsFromFile(QStringLiteral(VARNEX_BIN_DIR "/XMLImportDefinitions/SampleFieldDefs.XML"));
    QStringList columns, marks;
    for (const auto &field : reader.ImportFields()) {
        columns << field->Name();
        marks << QStringLiteral("?");
    }
    PeakMemory memory;
    memory.start();
    QElapsedTimer timer;
    timer.start();
    int imported = 0;
    SqlUtil::inTransaction(db, [&](QSqlDatabase &d) {
        QSqlQuery insert(d);
        insert.prepare(QStringLiteral("INSERT INTO SAMPLE (UNIQUE_UUID, CODE, %1) VALUES (UUID_TO_CHAR(GEN_UUID()), ?, %2)")
                           .arg(columns.join(','), marks.join(',')));
        reader.ScanFile(file, {});
        reader.ScanFile(file, [&](const SampleRecord &record) {
            reader.LoadValues(record);
            insert.addBindValue(QStringLiteral("S%1").arg(imported));
            for (const auto &field : reader.ImportFields()) {
                field->SetTranslatedValue(field->Value());
                field->ValidateTranslatedValue();
                insert.addBindValue(field->ImportValue());
            }
            if (!insert.exec())
                throw VarnexError(QStringLiteral("insert failed"));
            ++imported;
        });
    });
    Figures figures{timer.elapsed() / 1000.0, memory.peakKiB(), memory.growthKiB()};
    db = QSqlDatabase();
    closeDatabaseConnection(QStringLiteral("bench.floor"));
    *rows = imported;
    return figures;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("samples.xml"));
    {
        QFile out(file);
        out.open(QIODevice::WriteOnly);
        out.write(document(records, Clock::instance().today().year()));
    }
    const double fileMiB = QFile(file).size() / 1048576.0;

    // The import as a batch run makes it.
    const QString storePath = copyTemplate(dir, QStringLiteral("import.fdb"));
    openLocalDatabase(storePath, QLatin1String(TMaindm::ConnectionName));
    Figures batch;
    int imported = 0, invalid = 0;
    {
        TMaindm maindm;
        Maindm = &maindm;
        maindm.Personality = QStringLiteral("FOOD");
        prepareStore(maindm.ibConnection());
        TLookupDataDm lookups([&maindm]() { return maindm.ibConnection(); }, []() { return QString(); });
        lookups.RefreshDatasetsFromDatabase();
        TImportSamplesXMLDM import(maindm, lookups, QStringLiteral(VARNEX_BIN_DIR));
        import.SetFileName(file);
        PeakMemory memory;
        memory.start();
        QElapsedTimer timer;
        timer.start();
        try {
            import.RunImport();
        } catch (const VarnexError &e) {
            std::fprintf(stderr, "the import stopped: %s\n", qPrintable(e.message()));
            return 1;
        }
        batch = {timer.elapsed() / 1000.0, memory.peakKiB(), memory.growthKiB()};
        imported = import.Imported();
        invalid = import.Invalid();
        Maindm = nullptr;
    }
    closeDatabaseConnection(QLatin1String(TMaindm::ConnectionName));

    int floorRows = 0;
    const Figures floor = readerAndInsert(copyTemplate(dir, QStringLiteral("floor.fdb")), file, &floorRows);

    const double batchRate = imported / batch.seconds;
    const double floorRate = floorRows / floor.seconds;
    std::printf("records: %d (%.1f MiB), imported %d, of which %d did not validate\n", records, fileMiB, imported, invalid);
    std::printf("batch import:            %8.0f records/s, peak %ld KiB (+%ld KiB)\n", batchRate, batch.peakKiB,
                batch.growthKiB);
    std::printf("reader + one INSERT:     %8.0f records/s, peak %ld KiB (+%ld KiB)\n", floorRate, floor.peakKiB,
                floor.growthKiB);
    std::printf("batch / floor: %.2f\n", batchRate / floorRate);
    std::printf("records=%d imported=%d invalid=%d batch_records_per_s=%.0f floor_records_per_s=%.0f batch_to_floor=%.2f "
                "batch_peak_kib=%ld batch_peak_growth_kib=%ld floor_peak_kib=%ld floor_peak_growth_kib=%ld\n",
                records, imported, invalid, batchRate, floorRate, batchRate / floorRate, batch.peakKiB, batch.growthKiB,
                floor.peakKiB, floor.growthKiB);
    return 0;
}
