// bench_import [records]
//
// The command-line sample import of a tenth of `records` and of `records` records (default 10000)
// in the sample exchange form with the shipped field definitions, as a batch run makes it: the
// document read twice (once whole before anything is written, then record by record), every record
// translated, converted, its category, officer and codes resolved, written through
// SAMPLE_IMPORT_XML_R1 and validated inside a savepoint of its own, the run committed every 100
// records or every second and the log added to after each commit. For comparison, at each size and
// into another fresh store: the same reader and the same fields, and one prepared INSERT of the
// fields' values per record, all in one transaction. Prints the rates, the ratio of the import to
// that floor and the peak memory growth of each at both sizes; the last line holds the figures as
// name=value pairs.
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

struct Size
{
    int records = 0;
    int imported = 0;
    int invalid = 0;
    Figures batch;
    Figures floor;
    int floorRows = 0;
    double batchRate() const { return imported / batch.seconds; }
    double floorRate() const { return floorRows / floor.seconds; }
};

// The import and its floor at one size, each into a fresh store; false when the import stopped.
bool measure(const QTemporaryDir &dir, Size &size)
{
    const QString tag = QString::number(size.records);
    const QString file = dir.filePath(QStringLiteral("samples-%1.xml").arg(tag));
    {
        QFile out(file);
        out.open(QIODevice::WriteOnly);
        out.write(document(size.records, Clock::instance().today().year()));
    }

    // The import as a batch run makes it.
    const QString storePath = copyTemplate(dir, QStringLiteral("import-%1.fdb").arg(tag));
    openLocalDatabase(storePath, QLatin1String(TMaindm::ConnectionName));
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
            Maindm = nullptr;
            return false;
        }
        size.batch = {timer.elapsed() / 1000.0, memory.peakKiB(), memory.growthKiB()};
        size.imported = import.Imported();
        size.invalid = import.Invalid();
        Maindm = nullptr;
    }
    closeDatabaseConnection(QLatin1String(TMaindm::ConnectionName));

    size.floor = readerAndInsert(copyTemplate(dir, QStringLiteral("floor-%1.fdb").arg(tag)), file, &size.floorRows);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;
    QTemporaryDir dir;
    Size small, large;
    small.records = qMax(1, records / 10);
    large.records = records;
    if (!measure(dir, small) || !measure(dir, large))
        return 1;

    for (const Size *size : {&small, &large}) {
        std::printf("records: %d, imported %d, of which %d did not validate\n", size->records, size->imported,
                    size->invalid);
        std::printf("  batch import:        %8.0f records/s, peak %ld KiB (+%ld KiB)\n", size->batchRate(),
                    size->batch.peakKiB, size->batch.growthKiB);
        std::printf("  reader + one INSERT: %8.0f records/s, peak %ld KiB (+%ld KiB)\n", size->floorRate(),
                    size->floor.peakKiB, size->floor.growthKiB);
        std::printf("  batch / floor: %.2f\n", size->batchRate() / size->floorRate());
    }
    // The store's own page cache grows with the store in both; what the import holds beyond the
    // floor is its own.
    const auto overFloor = [](const Size &size) {
        return size.batch.growthKiB < 0 || size.floor.growthKiB < 0 ? -1L : size.batch.growthKiB - size.floor.growthKiB;
    };
    std::printf("records=%d imported=%d invalid=%d batch_records_per_s=%.0f floor_records_per_s=%.0f batch_to_floor=%.2f "
                "batch_to_floor_%d=%.2f batch_peak_growth_kib_%d=%ld batch_peak_growth_kib_%d=%ld "
                "floor_peak_growth_kib_%d=%ld floor_peak_growth_kib_%d=%ld batch_over_floor_growth_kib_%d=%ld "
                "batch_over_floor_growth_kib_%d=%ld\n",
                large.records, large.imported, large.invalid, large.batchRate(), large.floorRate(),
                large.batchRate() / large.floorRate(), small.records, small.batchRate() / small.floorRate(), small.records,
                small.batch.growthKiB, large.records, large.batch.growthKiB, small.records, small.floor.growthKiB,
                large.records, large.floor.growthKiB, small.records, overFloor(small), large.records, overFloor(large));
    return 0;
}
