// The stored procedures of the template database, called the way the program calls them: inputs
// bound by name (looked up in the procedure's declared parameters), outputs read by name.

#include "support/TestDatabase.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

namespace {

struct CallResult
{
    bool ok = false;
    QString error;
    QSqlRecord outputs;
    QVariant out(const QString &name) const { return outputs.value(name); }
};

const QRegularExpression kUuidPattern(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));

// Input parameter names of a procedure, in declaration order.
QStringList inputNames(QSqlDatabase db, const QString &procedure)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT TRIM(RDB$PARAMETER_NAME) FROM RDB$PROCEDURE_PARAMETERS "
                             "WHERE RDB$PROCEDURE_NAME = ? AND RDB$PARAMETER_TYPE = 0 "
                             "ORDER BY RDB$PARAMETER_NUMBER"));
    q.addBindValue(procedure);
    q.exec();
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    return names;
}

QStringList outputNames(QSqlDatabase db, const QString &procedure)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT TRIM(RDB$PARAMETER_NAME) FROM RDB$PROCEDURE_PARAMETERS "
                             "WHERE RDB$PROCEDURE_NAME = ? AND RDB$PARAMETER_TYPE = 1 "
                             "ORDER BY RDB$PARAMETER_NUMBER"));
    q.addBindValue(procedure);
    q.exec();
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    return names;
}

// Executes a procedure with its inputs matched by name regardless of letter case; inputs not
// given are null. An input name the procedure does not have fails the test.
CallResult call(QSqlDatabase db, const QString &procedure, const QVariantMap &inputs = {})
{
    CallResult r;
    const QStringList names = inputNames(db, procedure);
    QVariantList values(names.size());
    for (auto it = inputs.cbegin(); it != inputs.cend(); ++it) {
        const qsizetype i = names.indexOf(it.key().toUpper());
        if (i < 0) {
            r.error = QStringLiteral("%1 has no input %2").arg(procedure, it.key());
            QTest::qFail(qPrintable(r.error), __FILE__, __LINE__);
            return r;
        }
        values[i] = it.value();
    }
    QStringList marks;
    for (qsizetype i = 0; i < names.size(); ++i)
        marks << QStringLiteral("?");
    QString sql = QStringLiteral("EXECUTE PROCEDURE ") + procedure;
    if (!marks.isEmpty())
        sql += QLatin1Char('(') + marks.join(QLatin1Char(',')) + QLatin1Char(')');
    QSqlQuery q(db);
    if (!q.prepare(sql)) {
        r.error = q.lastError().text();
        return r;
    }
    for (const QVariant &v : std::as_const(values))
        q.addBindValue(v);
    if (!q.exec()) {
        r.error = q.lastError().text();
        return r;
    }
    r.ok = true;
    if (q.next())
        r.outputs = q.record();
    return r;
}

QSqlRecord rowOf(QSqlDatabase db, const QString &table, const QString &uuid)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT * FROM %1 WHERE UNIQUE_UUID = ?").arg(table));
    q.addBindValue(uuid);
    q.exec();
    return q.next() ? q.record() : QSqlRecord();
}

void insertRow(TestDatabase &t, const QString &table, const QVariantMap &values)
{
    QStringList marks;
    for (qsizetype i = 0; i < values.size(); ++i)
        marks << QStringLiteral("?");
    t.exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
               .arg(table, values.keys().join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
           values.values());
}

QString newUuid(TestDatabase &t)
{
    return t.scalar(QStringLiteral("SELECT UPPER(UUID_TO_CHAR(GEN_UUID())) FROM RDB$DATABASE")).toString();
}

qint64 count(TestDatabase &t, const QString &sql, const QVariantList &params = {})
{
    return t.scalar(sql, params).toLongLong();
}

// What a template keeps for its samples, with values that differ from every default.
QVariantMap carriedValues()
{
    return {
        {QStringLiteral("RECORD_TYPE"), QStringLiteral("FOOD")},
        {QStringLiteral("ANALYSIS_TYPE"), QStringLiteral("M")},
        {QStringLiteral("LOCAL_AUTHORITY__CODE"), QStringLiteral("AB")},
        {QStringLiteral("LOCAL_AUTH_OFFICE__CODE"), QStringLiteral("AB01")},
        {QStringLiteral("SAMPLE_OFFICER__CODE"), QStringLiteral("OFF1")},
        {QStringLiteral("SAMPLE_OFFICER_NAME"), QStringLiteral("Jo Bloggs")},
        {QStringLiteral("BUSINESS_ID"), QStringLiteral("PREM1")},
        {QStringLiteral("PREMISES_NAME"), QStringLiteral("Corner Cafe")},
        {QStringLiteral("BUSINESS_ADDR_1"), QStringLiteral("1 High St")},
        {QStringLiteral("BUSINESS_POSTCODE"), QStringLiteral("AB1 2CD")},
        {QStringLiteral("PREMISES_TYPE__CODE"), QStringLiteral("R")},
        {QStringLiteral("PREMISES_TYPE_DESCRIPTION"), QStringLiteral("Restaurant")},
        {QStringLiteral("RISK_CATEGORY"), QStringLiteral("B")},
        {QStringLiteral("REASON__CODE"), QStringLiteral("E")},
        {QStringLiteral("SAMPLE_TYPE__CODE"), QStringLiteral("C1")},
        {QStringLiteral("FLAG_FOLLOW_UP"), QStringLiteral("T")},
        {QStringLiteral("DETAILS"), QStringLiteral("Outbreak 42, details in a text blob")},
        {QStringLiteral("FOOD_DESCRIPTION"), QStringLiteral("Chicken sandwich")},
        {QStringLiteral("SUB_CATEGORY_3__CODE"), QStringLiteral("01.02.03.04")},
        {QStringLiteral("SUB_CATEGORY_3_DESCRIPTION"), QStringLiteral("Sandwiches")},
        {QStringLiteral("MAFF__CODE"), QStringLiteral("M12")},
        {QStringLiteral("COUNTRY"), QStringLiteral("UNITED KINGDOM")},
        {QStringLiteral("COUNTRY_REGION"), QStringLiteral("UK")},
        {QStringLiteral("PACKAGING__CODE"), QStringLiteral("P")},
        {QStringLiteral("QUANTITY"), QStringLiteral("2.50")},
        {QStringLiteral("TEMPERATURE"), QStringLiteral("-3.5")},
        {QStringLiteral("LABORATORY__CODE"), QStringLiteral("LAB1")},
        {QStringLiteral("SAMPLE_COMMENTS"), QStringLiteral("Contract C-7")},
        {QStringLiteral("ROUTINE_ANALYSIS"), QStringLiteral("F")},
        {QStringLiteral("ANALYSIS_TEXT"), QStringLiteral("Salmonella, Listeria")},
        {QStringLiteral("ANALYSIS_COST"), QStringLiteral("12.345")},
    };
}

void compareCarried(const QSqlRecord &row, const QVariantMap &expected)
{
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const QVariant got = row.value(it.key());
        // Decimals come back as numbers: compare them as numbers.
        bool numeric = false;
        const double want = it.value().toString().toDouble(&numeric);
        if (numeric && it.value().toString().contains(QLatin1Char('.')))
            QVERIFY2(qAbs(got.toDouble() - want) < 1e-9, qPrintable(it.key()));
        else
            QVERIFY2(got.toString() == it.value().toString(),
                     qPrintable(it.key() + QStringLiteral(": ") + got.toString()));
    }
}

// Installs a template and returns its UUID.
QString addTemplate(TestDatabase &t, QVariantMap values = carriedValues())
{
    const QString uuid = newUuid(t);
    values.insert(QStringLiteral("UNIQUE_UUID"), uuid);
    values.insert(QStringLiteral("UNIQUE_ID"), qint64(7));
    values.insert(QStringLiteral("SAMPLE_NUMBER"), qint64(99));
    values.insert(QStringLiteral("TEMPLATE_DESCRIPTION"), QStringLiteral("Sandwich survey"));
    values.insert(QStringLiteral("PARENT_ID"), qint64(3));
    values.insert(QStringLiteral("TEMPLATE_GROUP"), QStringLiteral("Surveys"));
    values.insert(QStringLiteral("LA_SAMPLENO"), QStringLiteral("TPL-LA"));
    values.insert(QStringLiteral("SAMPLE_DATE"), QDate(2020, 1, 2));
    values.insert(QStringLiteral("SAMPLE_TIME"), QTime(10, 30));
    values.insert(QStringLiteral("FLAG_DELETED"), QStringLiteral("F"));
    insertRow(t, QStringLiteral("SAMPLE_TEMPLATE"), values);
    return uuid;
}

// Installs a sample that has been through a laboratory, and returns its UUID.
QString addSample(TestDatabase &t, const QString &status = QStringLiteral("COMPLETE"),
                  QVariantMap values = carriedValues())
{
    const QString uuid = newUuid(t);
    values.insert(QStringLiteral("UNIQUE_UUID"), uuid);
    values.insert(QStringLiteral("CODE"), QStringLiteral("AB0420017"));
    values.insert(QStringLiteral("SAMPLE_NUMBER"), qint64(17));
    values.insert(QStringLiteral("SAMPLE_STATUS__CODE"), status);
    values.insert(QStringLiteral("FLAG_DELETED"), QStringLiteral("F"));
    values.insert(QStringLiteral("LA_SAMPLENO"), QStringLiteral("LA-17"));
    values.insert(QStringLiteral("LIMS_NUMBER"), QStringLiteral("LIMS-17"));
    values.insert(QStringLiteral("SAMPLE_DATE"), QDate(2024, 3, 3));
    values.insert(QStringLiteral("SAMPLE_TIME"), QTime(9, 5));
    values.insert(QStringLiteral("SAMPLE_TIMESTAMP"), QDateTime(QDate(2024, 3, 3), QTime(9, 5)));
    values.insert(QStringLiteral("SAMPLE_OFFICER_EMAIL_ADDRESS"), QStringLiteral("jo@example.org"));
    values.insert(QStringLiteral("EXPORT_BATCH__UNIQUE_ID"), qint64(5000000001));
    values.insert(QStringLiteral("EXPORTED_DATE"), QDate(2024, 3, 4));
    values.insert(QStringLiteral("FLAG_SATISFACTORY"), QStringLiteral("T"));
    values.insert(QStringLiteral("LABORATORY_COMMENTS"), QStringLiteral("Fail: Listeria"));
    values.insert(QStringLiteral("LAB_REFERENCE_NO"), QStringLiteral("L-1"));
    values.insert(QStringLiteral("CDS_LABORATORY_RESULTS"), QByteArray("\x01\x02results", 9));
    values.insert(QStringLiteral("USER_CHANGE_REASON"), QStringLiteral("typo"));
    values.insert(QStringLiteral("QOVA_INFO"), QStringLiteral("VRXNet Version = 1"));
    values.insert(QStringLiteral("BATCH_NUMBER"), QStringLiteral("LOT 5"));
    values.insert(QStringLiteral("DURABILITY_DAY"), 12);
    insertRow(t, QStringLiteral("SAMPLE"), values);
    return uuid;
}

// Columns a new sample or template must not take from where it was copied: identity, results,
// export and history.
const QStringList kNotCarriedToSample = {
    QStringLiteral("LA_SAMPLENO"), QStringLiteral("LIMS_NUMBER"), QStringLiteral("EXPORT_BATCH__UNIQUE_ID"),
    QStringLiteral("EXPORTED_DATE"), QStringLiteral("LABORATORY_COMMENTS"),
    QStringLiteral("LAB_REFERENCE_NO"), QStringLiteral("CDS_LABORATORY_RESULTS"),
    QStringLiteral("USER_CHANGE_REASON"), QStringLiteral("QOVA_INFO"), QStringLiteral("IS_SYNCING")};

void verifyLocalRow(const QSqlRecord &row)
{
    QVERIFY(!row.isEmpty());
    QVERIFY(kUuidPattern.match(row.value(QStringLiteral("UNIQUE_UUID")).toString()).hasMatch());
    // Written locally: a negative id that waits for upload.
    QVERIFY(row.value(QStringLiteral("ID")).toLongLong() < 0);
    QVERIFY(row.value(QStringLiteral("UPDATE_ID")).toLongLong() < 0);
    QVERIFY(row.value(QStringLiteral("IS_SYNCING")).isNull());
}

} // namespace

class TestProcedures : public QObject
{
    Q_OBJECT
private slots:
    void signatures_data();
    void signatures();

    void activateSetsCodes_data();
    void activateSetsCodes();
    void activateRejectsBadInput_data();
    void activateRejectsBadInput();

    void copyTemplate();
    void createSampleFromTemplate();
    void createSampleFromTemplatePremises_data();
    void createSampleFromTemplatePremises();
    void createTemplateFromSample();

    void duplicate_data();
    void duplicate();

    void deleteSample_data();
    void deleteSample();

    void newExportIdIncreases64Bit();
    void runExportRecordsBatchAndMovesSamples();

    void premisesImportInsertsThenUpdates();
    void premisesImportKeepsWhatIsNotGiven();
    void premisesImportFeedRegisterAndBadInput();

    void sampleImportAddsOneSamplePerCall();
    void sampleImportRefusesExistingUuid();

    void gridViewInsertOrUpdate();

    void unknownUuidIsAnErrorAndWritesNothing_data();
    void unknownUuidIsAnErrorAndWritesNothing();

    void runOnLegacyStore();
};

void TestProcedures::signatures_data()
{
    QTest::addColumn<QString>("procedure");
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QStringList>("outputs");

    auto list = [](const char *s) { return QString::fromLatin1(s).split(QLatin1Char(' '), Qt::SkipEmptyParts); };
    QTest::newRow("ACTIVATE_DATABASE") << "ACTIVATE_DATABASE"
        << list("INSTALL_ID LOCAL_AUTHORITY_CODE LOCAL_AUTHORITY_NAME LOCAL_AUTH_OFFICE__CODE") << QStringList();
    QTest::newRow("COPY_TEMPLATE_R1") << "COPY_TEMPLATE_R1" << list("SOURCEUUID") << list("NEWUUID");
    QTest::newRow("CREATE_SAMPLE_FROM_TEMPLATE_R1") << "CREATE_SAMPLE_FROM_TEMPLATE_R1"
        << list("TEMPLATEUUID CODE") << list("SAMPLEUUID");
    QTest::newRow("CREATE_TEMPLATE_FROM_SAMPLE_R1") << "CREATE_TEMPLATE_FROM_SAMPLE_R1"
        << list("SAMPLEUUID") << list("TEMPLATEUUID");
    QTest::newRow("NEW_EXPORT_ID") << "NEW_EXPORT_ID" << QStringList() << list("EXPORT_ID");
    QTest::newRow("PREMISES_RECORD_IMPORT_R1") << "PREMISES_RECORD_IMPORT_R1"
        << list("CODE PREMISES_NAME BUSINESS_ADDR_1 BUSINESS_ADDR_2 BUSINESS_ADDR_3 BUSINESS_ADDR_4 "
                "BUSINESS_POSTCODE PREMISES_TYPE__CODE RISK_CATEGORY__CODE RISK_CATEGORY_FOOD_STAND__CODE "
                "REGISTRATION_NUMBER LOCAL_AUTHORITY_CODE LOCAL_AUTH_OFFICE_CODE FLAG_FOOD FLAG_ANIMAL_FEEDS")
        << list("UPDATED");
    QTest::newRow("SAMPLE_DELETE_R1") << "SAMPLE_DELETE_R1" << list("SAMPLEUUID") << QStringList();
    QTest::newRow("SAMPLE_DUPLICATE_R1") << "SAMPLE_DUPLICATE_R1"
        << list("SAMPLEUUID COPY_SAMPLE_OFFICER COPY_DATE_AND_TIME COUNTER") << list("NEW_UUID");
    QTest::newRow("SAMPLE_IMPORT_XML_R1") << "SAMPLE_IMPORT_XML_R1"
        << list("UNIQUE_UUID SAMPLE_CODE IMPORT_METHOD RECORD_TYPE ANALYSIS_TYPE LA_SAMPLENO "
                "LOCAL_AUTHORITY__CODE LOCAL_AUTH_OFFICE__CODE SAMPLE_NUMBER LIMS_NUMBER SAMPLE_OFFICER__CODE "
                "SAMPLE_OFFICER_NAME SAMPLE_OFFICER_EMAIL_ADDRESS SAMPLE_DATE SAMPLE_TIME PREMISES_TYPE__CODE "
                "PREMISES_NAME BUSINESS_ID BUSINESS_ADDR_1 BUSINESS_ADDR_2 BUSINESS_ADDR_3 BUSINESS_ADDR_4 "
                "BUSINESS_POSTCODE REASON__CODE SAMPLE_TYPE__CODE FLAG_FOLLOW_UP INDEX_NUMBER RISK_CATEGORY "
                "RISK_CATEGORY_FOOD_STAND__CODE FLAG_FOOD_POISONING DETAILS FLAG_SURVEY SURVEY_BODY__CODE "
                "SURVEY_NUMBER BRAND_NAME FOOD_DESCRIPTION CATEGORY__CODE CATEGORY_DESCRIPTION "
                "SUB_CATEGORY__CODE SUB_CATEGORY_DESCRIPTION SUB_CATEGORY_2__CODE SUB_CATEGORY_2_DESCRIPTION "
                "SUB_CATEGORY_3__CODE SUB_CATEGORY_3_DESCRIPTION MAFF__CODE ADDITIONAL_INFO PRODUCT__CODE "
                "MANUFACTURER DISTRIBUTER IMPORTER COUNTRY PACKAGING__CODE MATERIAL__CODE OTHER_MATERIAL "
                "QUANTITY PACK_SIZE BATCH_NUMBER HEALTH_MARK DURABILITY__CODE DURABILITY_DAY DURABILITY_MONTH "
                "DURABILITY_YEAR CONDITION__CODE OTHER_CONDITION TEMPERATURE FLAG_COP_CONDITION NOT_COP "
                "FLAG_COP_LAB LABORATORY__CODE SAMPLE_COMMENTS SAMPLE_TIMESTAMP REGISTRATION_NUMBER "
                "DATE_OF_MANUFACTURE ANIMAL_SPECIES__CODE LABEL_REGISTRATION_NUMBER LABEL_BUSINESS_TYPE__CODE "
                "LABEL_BUSINESS_ADDRESS PACKAGING_DATE ROUTINE_ANALYSIS PURCHASE_COST LABELLING_DETAILS "
                "ANALYSIS_TEXT COUNTRY_REGION ANALYSIS_COST")
        << list("UPDATED ID");
    QTest::newRow("SAMPLE_RUN_EXPORT_R1") << "SAMPLE_RUN_EXPORT_R1"
        << list("COMMENT LABORATORY_CODE LABORATORY_NAME OFFICER_CODE EXPORT_ID SAMPLING_OFFICER_NAMES "
                "PERSONALITY DELIVERY_METHOD")
        << QStringList();
    QTest::newRow("SYS_GRID_VIEW_IU") << "SYS_GRID_VIEW_IU"
        << list("APPLICATION_NAME FORM_NAME VIEW_NAME VIEW_SETTINGS DESCRIPTION") << QStringList();
}

// Callers bind by name and some by position: names and order are part of the contract.
void TestProcedures::signatures()
{
    QFETCH(QString, procedure);
    QFETCH(QStringList, inputs);
    QFETCH(QStringList, outputs);
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    QCOMPARE(inputNames(t.db(), procedure), inputs);
    QCOMPARE(outputNames(t.db(), procedure), outputs);
}

void TestProcedures::activateSetsCodes_data()
{
    QTest::addColumn<int>("installId");
    QTest::addColumn<QString>("installationCode");
    QTest::newRow("two digits") << 42 << "042";
    QTest::newRow("one digit") << 7 << "007";
    QTest::newRow("three digits") << 999 << "999";
    QTest::newRow("four digits are not cut") << 1234 << "1234";
}

void TestProcedures::activateSetsCodes()
{
    QFETCH(int, installId);
    QFETCH(QString, installationCode);
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    QCOMPARE(t.scalar(QStringLiteral("SELECT INSTALLATION_CODE FROM SYS_LOCAL_SETTINGS")).toString(), QString());

    const CallResult r = call(t.db(), QStringLiteral("ACTIVATE_DATABASE"),
                              {{QStringLiteral("install_id"), installId},
                               {QStringLiteral("Local_Authority_Code"), QStringLiteral("AB")},
                               {QStringLiteral("LOCAL_AUTHORITY_NAME"), QStringLiteral("Abbeyshire Council")},
                               {QStringLiteral("LOCAL_AUTH_OFFICE__CODE"), QStringLiteral("AB01")}});
    QVERIFY2(r.ok, qPrintable(r.error));

    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM SYS_LOCAL_SETTINGS")), 1);
    QCOMPARE(t.scalar(QStringLiteral("SELECT INSTALLATION_CODE FROM SYS_LOCAL_SETTINGS")).toString(), installationCode);
    QCOMPARE(t.scalar(QStringLiteral("SELECT LOCAL_AUTHORITY__CODE FROM SYS_LOCAL_SETTINGS")).toString(), QStringLiteral("AB"));
    QCOMPARE(t.scalar(QStringLiteral("SELECT LOCAL_AUTHORITY_NAME FROM SYS_LOCAL_SETTINGS")).toString(),
             QStringLiteral("Abbeyshire Council"));
    QCOMPARE(t.scalar(QStringLiteral("SELECT LOCAL_AUTH_OFFICE__CODE FROM SYS_LOCAL_SETTINGS")).toString(), QStringLiteral("AB01"));

    // The authority settings placeholder shows the name before the first download, and is still
    // not a local change that would be uploaded.
    QCOMPARE(t.scalar(QStringLiteral("SELECT LOCAL_AUTHORITY_NAME FROM SYS_COMPANY WHERE ID = 0")).toString(),
             QStringLiteral("Abbeyshire Council"));
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM SYS_COMPANY WHERE UPDATE_ID < 0 OR IS_SYNCING IS NOT NULL")), 0);
}

void TestProcedures::activateRejectsBadInput_data()
{
    QTest::addColumn<QVariant>("installId");
    QTest::addColumn<QString>("authorityCode");
    QTest::newRow("zero") << QVariant(0) << "AB";
    QTest::newRow("negative") << QVariant(-3) << "AB";
    QTest::newRow("null") << QVariant() << "AB";
    QTest::newRow("no authority") << QVariant(42) << "  ";
}

void TestProcedures::activateRejectsBadInput()
{
    QFETCH(QVariant, installId);
    QFETCH(QString, authorityCode);
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    const CallResult r = call(t.db(), QStringLiteral("ACTIVATE_DATABASE"),
                              {{QStringLiteral("INSTALL_ID"), installId},
                               {QStringLiteral("LOCAL_AUTHORITY_CODE"), authorityCode}});
    QVERIFY(!r.ok);
    QVERIFY2(r.error.contains(QStringLiteral("ACTIVATE_DATABASE")), qPrintable(r.error));
    // The store stays unnumbered, so the next online login claims again.
    QCOMPARE(t.scalar(QStringLiteral("SELECT INSTALLATION_CODE FROM SYS_LOCAL_SETTINGS")).toString(), QString());
}

void TestProcedures::copyTemplate()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    QVariantMap values = carriedValues();
    values.insert(QStringLiteral("FLAG_DELETED"), QStringLiteral("T"));
    const QString source = addTemplate(t, values);
    t.exec(QStringLiteral("UPDATE SAMPLE_TEMPLATE SET FLAG_DELETED = 'T' WHERE UNIQUE_UUID = ?"), {source});

    const CallResult r = call(t.db(), QStringLiteral("COPY_TEMPLATE_R1"), {{QStringLiteral("SourceUuid"), source}});
    QVERIFY2(r.ok, qPrintable(r.error));
    const QString copyUuid = r.out(QStringLiteral("NEWUUID")).toString();
    QVERIFY(kUuidPattern.match(copyUuid).hasMatch());
    QVERIFY(copyUuid != source);

    const QSqlRecord src = rowOf(t.db(), QStringLiteral("SAMPLE_TEMPLATE"), source);
    const QSqlRecord copy = rowOf(t.db(), QStringLiteral("SAMPLE_TEMPLATE"), copyUuid);
    verifyLocalRow(copy);
    compareCarried(copy, carriedValues());
    for (const char *col : {"TEMPLATE_DESCRIPTION", "PARENT_ID", "TEMPLATE_GROUP", "LA_SAMPLENO", "SAMPLE_DATE"})
        QCOMPARE(copy.value(QLatin1String(col)), src.value(QLatin1String(col)));
    // A new template number and creation time; the copy is live even though the source is retired.
    QVERIFY(copy.value(QStringLiteral("UNIQUE_ID")).toLongLong() != 7);
    QVERIFY(!copy.value(QStringLiteral("UNIQUE_ID")).isNull());
    QVERIFY(!copy.value(QStringLiteral("TEMPLATE_CREATION_TIMESTAMP")).isNull());
    QCOMPARE(copy.value(QStringLiteral("FLAG_DELETED")).toString(), QStringLiteral("F"));
    QVERIFY(copy.value(QStringLiteral("ID")) != src.value(QStringLiteral("ID")));
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM SAMPLE_TEMPLATE")), 2);
}

void TestProcedures::createSampleFromTemplate()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    const QString tpl = addTemplate(t);

    const CallResult r = call(t.db(), QStringLiteral("CREATE_SAMPLE_FROM_TEMPLATE_R1"),
                              {{QStringLiteral("templateUuid"), tpl}, {QStringLiteral("code"), QStringLiteral("AB0420001")}});
    QVERIFY2(r.ok, qPrintable(r.error));
    const QString sampleUuid = r.out(QStringLiteral("SAMPLEUUID")).toString();
    QVERIFY(sampleUuid != tpl);

    const QSqlRecord s = rowOf(t.db(), QStringLiteral("SAMPLE"), sampleUuid);
    verifyLocalRow(s);
    compareCarried(s, carriedValues());
    QCOMPARE(s.value(QStringLiteral("CODE")).toString(), QStringLiteral("AB0420001"));
    QCOMPARE(s.value(QStringLiteral("SAMPLE_STATUS__CODE")).toString(), QStringLiteral("ENTERED"));
    // The food browser lists only rows whose flag is exactly 'F'.
    QCOMPARE(s.value(QStringLiteral("FLAG_DELETED")).toString(), QStringLiteral("F"));
    QVERIFY(!s.value(QStringLiteral("SAMPLE_NUMBER")).isNull());
    QCOMPARE(s.value(QStringLiteral("RECORDED_DATE")).toDate(), QDate::currentDate());
    // The template's own bookkeeping is not the sample's; the officer enters when it was taken.
    for (const char *col : {"LA_SAMPLENO", "SAMPLE_DATE", "SAMPLE_TIME", "QOVA_INFO", "EXPORT_BATCH__UNIQUE_ID"})
        QVERIFY2(s.value(QLatin1String(col)).isNull(), col);
    // The template is untouched and there is one sample.
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM SAMPLE")), 1);

    // An empty code is refused rather than leaving a sample without one.
    const CallResult empty = call(t.db(), QStringLiteral("CREATE_SAMPLE_FROM_TEMPLATE_R1"),
                                  {{QStringLiteral("TEMPLATEUUID"), tpl}, {QStringLiteral("CODE"), QString()}});
    QVERIFY(!empty.ok);
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM SAMPLE")), 1);
}

void TestProcedures::createSampleFromTemplatePremises_data()
{
    QTest::addColumn<QString>("recordType");
    QTest::addColumn<QString>("updateFlag");
    QTest::addColumn<QString>("registerTable");   // table holding a premises of the template's code, or empty
    QTest::addColumn<QString>("registerFlagDeleted");
    QTest::addColumn<QString>("expectedName");
    QTest::addColumn<QString>("expectedRisk");

    QTest::newRow("food, refresh from register") << "FOOD" << "T" << "PREMISES_DETAIL" << "F" << "Register name" << "A";
    QTest::newRow("food, flag off keeps template") << "FOOD" << "F" << "PREMISES_DETAIL" << "F" << "Corner Cafe" << "B";
    QTest::newRow("food, not in register keeps template") << "FOOD" << "T" << "" << "F" << "Corner Cafe" << "B";
    QTest::newRow("food, retired premises keeps template") << "FOOD" << "T" << "PREMISES_DETAIL" << "T" << "Corner Cafe" << "B";
    QTest::newRow("food, feed register is not food's") << "FOOD" << "T" << "PREMISES_DETAIL_ANIMAL_FEED" << "F" << "Corner Cafe" << "B";
    QTest::newRow("feed, refresh from feed register") << "ANIMAL FEED" << "T" << "PREMISES_DETAIL_ANIMAL_FEED" << "F" << "Register name" << "A";
}

void TestProcedures::createSampleFromTemplatePremises()
{
    QFETCH(QString, recordType);
    QFETCH(QString, updateFlag);
    QFETCH(QString, registerTable);
    QFETCH(QString, registerFlagDeleted);
    QFETCH(QString, expectedName);
    QFETCH(QString, expectedRisk);
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));

    if (!registerTable.isEmpty())
        insertRow(t, registerTable, {{QStringLiteral("UNIQUE_UUID"), newUuid(t)},
                                {QStringLiteral("CODE"), QStringLiteral("PREM1")},
                                {QStringLiteral("PREMISES_NAME"), QStringLiteral("Register name")},
                                {QStringLiteral("BUSINESS_ADDR_1"), QStringLiteral("2 Low Rd")},
                                {QStringLiteral("RISK_CATEGORY__CODE"), QStringLiteral("A")},
                                {QStringLiteral("REGISTRATION_NUMBER"), QStringLiteral("REG9")},
                                {QStringLiteral("FLAG_DELETED"), registerFlagDeleted}});
    QVariantMap values = carriedValues();
    values.insert(QStringLiteral("RECORD_TYPE"), recordType);
    values.insert(QStringLiteral("UPDATE_PREMISES_FROM_LOOKUP"), updateFlag);
    values.insert(QStringLiteral("RISK_CATEGORY_DESCRIPTION"), QStringLiteral("Category B"));
    const QString tpl = addTemplate(t, values);

    const CallResult r = call(t.db(), QStringLiteral("CREATE_SAMPLE_FROM_TEMPLATE_R1"),
                              {{QStringLiteral("TEMPLATEUUID"), tpl}, {QStringLiteral("CODE"), QStringLiteral("AB0420002")}});
    QVERIFY2(r.ok, qPrintable(r.error));
    const QSqlRecord s = rowOf(t.db(), QStringLiteral("SAMPLE"), r.out(QStringLiteral("SAMPLEUUID")).toString());
    QCOMPARE(s.value(QStringLiteral("PREMISES_NAME")).toString(), expectedName);
    QCOMPARE(s.value(QStringLiteral("RISK_CATEGORY")).toString(), expectedRisk);
    QCOMPARE(s.value(QStringLiteral("BUSINESS_ID")).toString(), QStringLiteral("PREM1"));
    const bool refreshed = expectedName == QLatin1String("Register name");
    // A description that belonged to a replaced code is not left behind.
    QCOMPARE(s.value(QStringLiteral("RISK_CATEGORY_DESCRIPTION")).isNull(), refreshed);
    if (refreshed)
        QCOMPARE(s.value(QStringLiteral("BUSINESS_ADDR_1")).toString(), QStringLiteral("2 Low Rd"));
    if (refreshed && recordType == QLatin1String("ANIMAL FEED"))
        QCOMPARE(s.value(QStringLiteral("REGISTRATION_NUMBER")).toString(), QStringLiteral("REG9"));
}

void TestProcedures::createTemplateFromSample()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    const QString sample = addSample(t);

    const CallResult r = call(t.db(), QStringLiteral("CREATE_TEMPLATE_FROM_SAMPLE_R1"), {{QStringLiteral("SampleUuid"), sample}});
    QVERIFY2(r.ok, qPrintable(r.error));
    const QString tplUuid = r.out(QStringLiteral("TEMPLATEUUID")).toString();
    QVERIFY(tplUuid != sample);

    const QSqlRecord tpl = rowOf(t.db(), QStringLiteral("SAMPLE_TEMPLATE"), tplUuid);
    verifyLocalRow(tpl);
    compareCarried(tpl, carriedValues());
    QCOMPARE(tpl.value(QStringLiteral("TEMPLATE_DESCRIPTION")).toString(), QStringLiteral("Template from sample AB0420017"));
    QCOMPARE(tpl.value(QStringLiteral("FLAG_DELETED")).toString(), QStringLiteral("F"));
    QVERIFY(!tpl.value(QStringLiteral("UNIQUE_ID")).isNull());
    // Not a group row and in no group: the food list can turn it into a sample.
    QVERIFY(tpl.value(QStringLiteral("PARENT_ID")).isNull());
    for (const char *col : {"LA_SAMPLENO", "LIMS_NUMBER", "SAMPLE_DATE", "SAMPLE_TIME", "LABORATORY_COMMENTS", "QOVA_INFO"})
        QVERIFY2(tpl.value(QLatin1String(col)).isNull(), col);

    // The round trip gives back what the template keeps.
    const CallResult back = call(t.db(), QStringLiteral("CREATE_SAMPLE_FROM_TEMPLATE_R1"),
                                 {{QStringLiteral("TEMPLATEUUID"), tplUuid}, {QStringLiteral("CODE"), QStringLiteral("AB0420018")}});
    QVERIFY2(back.ok, qPrintable(back.error));
    compareCarried(rowOf(t.db(), QStringLiteral("SAMPLE"), back.out(QStringLiteral("SAMPLEUUID")).toString()), carriedValues());
}

void TestProcedures::duplicate_data()
{
    QTest::addColumn<int>("counter");
    QTest::addColumn<QString>("copyOfficer");
    QTest::addColumn<QString>("copyDateTime");
    QTest::newRow("one, neither") << 1 << "F" << "F";
    QTest::newRow("one, officer only") << 1 << "T" << "F";
    QTest::newRow("three, date only") << 3 << "F" << "T";
    QTest::newRow("fifty, both") << 50 << "T" << "T";
    QTest::newRow("zero makes none") << 0 << "T" << "T";
}

void TestProcedures::duplicate()
{
    QFETCH(int, counter);
    QFETCH(QString, copyOfficer);
    QFETCH(QString, copyDateTime);
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    const QString source = addSample(t);

    const CallResult r = call(t.db(), QStringLiteral("SAMPLE_DUPLICATE_R1"),
                              {{QStringLiteral("SAMPLEUUID"), source},
                               {QStringLiteral("COPY_SAMPLE_OFFICER"), copyOfficer},
                               {QStringLiteral("COPY_DATE_AND_TIME"), copyDateTime},
                               {QStringLiteral("COUNTER"), counter}});
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM SAMPLE WHERE CODE = 'DUPLICATE'")), counter);
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM SAMPLE")), counter + 1);
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(DISTINCT UNIQUE_UUID) FROM SAMPLE")), counter + 1);

    const QVariant newUuidOut = r.out(QStringLiteral("NEW_UUID"));
    if (counter == 0) {
        QVERIFY(newUuidOut.isNull());
        return;
    }
    const QSqlRecord copy = rowOf(t.db(), QStringLiteral("SAMPLE"), newUuidOut.toString());
    verifyLocalRow(copy);
    QCOMPARE(copy.value(QStringLiteral("CODE")).toString(), QStringLiteral("DUPLICATE"));
    QCOMPARE(copy.value(QStringLiteral("SAMPLE_STATUS__CODE")).toString(), QStringLiteral("ENTERED"));
    QCOMPARE(copy.value(QStringLiteral("FLAG_DELETED")).toString(), QStringLiteral("F"));
    QVERIFY(copy.value(QStringLiteral("SAMPLE_NUMBER")).toLongLong() != 17);

    QVariantMap carried = carriedValues();
    carried.remove(QStringLiteral("SAMPLE_OFFICER__CODE"));
    carried.remove(QStringLiteral("SAMPLE_OFFICER_NAME"));
    carried.insert(QStringLiteral("BATCH_NUMBER"), QStringLiteral("LOT 5"));
    carried.insert(QStringLiteral("DURABILITY_DAY"), QStringLiteral("12"));
    compareCarried(copy, carried);

    const bool withOfficer = copyOfficer == QLatin1String("T");
    QCOMPARE(copy.value(QStringLiteral("SAMPLE_OFFICER__CODE")).toString(), withOfficer ? QStringLiteral("OFF1") : QString());
    QCOMPARE(copy.value(QStringLiteral("SAMPLE_OFFICER_NAME")).toString(), withOfficer ? QStringLiteral("Jo Bloggs") : QString());
    QCOMPARE(copy.value(QStringLiteral("SAMPLE_OFFICER_EMAIL_ADDRESS")).isNull(), !withOfficer);
    const bool withDate = copyDateTime == QLatin1String("T");
    QCOMPARE(copy.value(QStringLiteral("SAMPLE_DATE")).toDate(), withDate ? QDate(2024, 3, 3) : QDate());
    QCOMPARE(copy.value(QStringLiteral("SAMPLE_TIME")).toTime(), withDate ? QTime(9, 5) : QTime());
    QCOMPARE(copy.value(QStringLiteral("SAMPLE_TIMESTAMP")).isNull(), !withDate);

    for (const QString &col : kNotCarriedToSample)
        QVERIFY2(copy.value(col).isNull(), qPrintable(col));
    QCOMPARE(copy.value(QStringLiteral("FLAG_SATISFACTORY")).toString(), QStringLiteral("F"));
    // Every copy, not only the one returned, leaves the results behind.
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM SAMPLE WHERE CODE = 'DUPLICATE' AND "
                                     "(LA_SAMPLENO IS NOT NULL OR CDS_LABORATORY_RESULTS IS NOT NULL "
                                     "OR EXPORT_BATCH__UNIQUE_ID IS NOT NULL OR UPDATE_ID >= 0)")), 0);
}

void TestProcedures::deleteSample_data()
{
    QTest::addColumn<QVariant>("status");
    QTest::addColumn<QString>("expectedStatus");
    QTest::addColumn<bool>("queuedForLab");
    QTest::addColumn<bool>("refused");
    QTest::newRow("ENTERED") << QVariant(QStringLiteral("ENTERED")) << "DELETED" << false << false;
    QTest::newRow("VALIDATED") << QVariant(QStringLiteral("VALIDATED")) << "DELETED" << false << false;
    QTest::newRow("IMPORTED") << QVariant(QStringLiteral("IMPORTED")) << "DELETED" << false << false;
    QTest::newRow("no status") << QVariant() << "DELETED" << false << false;
    QTest::newRow("EXPORTED") << QVariant(QStringLiteral("EXPORTED")) << "CANCELLED" << true << false;
    QTest::newRow("CANCELLED stays") << QVariant(QStringLiteral("CANCELLED")) << "CANCELLED" << false << false;
    QTest::newRow("DELETED stays") << QVariant(QStringLiteral("DELETED")) << "DELETED" << false << false;
    QTest::newRow("COMPLETE refused") << QVariant(QStringLiteral("COMPLETE")) << "COMPLETE" << false << true;
}

void TestProcedures::deleteSample()
{
    QFETCH(QVariant, status);
    QFETCH(QString, expectedStatus);
    QFETCH(bool, queuedForLab);
    QFETCH(bool, refused);
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    const QString uuid = addSample(t, QStringLiteral("ENTERED"));
    t.exec(QStringLiteral("UPDATE SAMPLE SET SAMPLE_STATUS__CODE = ? WHERE UNIQUE_UUID = ?"), {status, uuid});

    // Twice: a second delete of the same sample changes nothing more.
    for (int round = 0; round < 2; ++round) {
        const CallResult r = call(t.db(), QStringLiteral("SAMPLE_DELETE_R1"), {{QStringLiteral("SampleUuid"), uuid}});
        QCOMPARE(r.ok, !refused);
        if (refused)
            QVERIFY2(r.error.contains(QStringLiteral("Cannot delete a sample that has been completed.")), qPrintable(r.error));
        QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM SAMPLE")), 1);
        QCOMPARE(t.scalar(QStringLiteral("SELECT SAMPLE_STATUS__CODE FROM SAMPLE")).toString(), expectedStatus);
        QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM CANCELLED_SAMPLE WHERE SAMPLE__CODE = 'AB0420017'")),
                 queuedForLab ? 1 : 0);
    }
    // The results of a sample stay with it.
    QCOMPARE(t.scalar(QStringLiteral("SELECT LAB_REFERENCE_NO FROM SAMPLE")).toString(), QStringLiteral("L-1"));
}

void TestProcedures::newExportIdIncreases64Bit()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    const CallResult a = call(t.db(), QStringLiteral("NEW_EXPORT_ID"));
    const CallResult b = call(t.db(), QStringLiteral("NEW_EXPORT_ID"));
    QVERIFY2(a.ok && b.ok, qPrintable(a.error + b.error));
    QVERIFY(b.out(QStringLiteral("EXPORT_ID")).toLongLong() > a.out(QStringLiteral("EXPORT_ID")).toLongLong());

    // Past 2^32 the ids keep growing and arrive intact.
    const qint64 far = (qint64(1) << 32) + 5;
    t.scalar(QStringLiteral("SELECT GEN_ID(GEN_EXPORT_ID, CAST(? AS BIGINT)) FROM RDB$DATABASE"),
             {far - b.out(QStringLiteral("EXPORT_ID")).toLongLong()});
    const CallResult c = call(t.db(), QStringLiteral("NEW_EXPORT_ID"));
    QVERIFY2(c.ok, qPrintable(c.error));
    QCOMPARE(c.out(QStringLiteral("EXPORT_ID")).toLongLong(), far + 1);
}

void TestProcedures::runExportRecordsBatchAndMovesSamples()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    struct S { const char *officer; const char *type; const char *status; const char *lab; bool inPacket; bool moves; };
    const S samples[] = {
        {"Jo Bloggs", "FOOD", "VALIDATED", "LAB1", true, true},
        {"Jo Bloggs", "FOOD", "VALIDATED", "LAB1", true, true},
        {"O'Neil", "FOOD", "VALIDATED", "LAB1", true, true},
        {"Jo Bloggs", "FOOD", "VALIDATED", "LAB1", false, false},     // validated after the packet was made
        {"Jo Bloggs", "FOOD", "ENTERED", "LAB1", true, false},        // changed since the packet was made
        {"Jo Bloggs", "ANIMAL FEED", "VALIDATED", "LAB1", true, false}, // other personality
        {"Jo Bloggs", "FOOD", "VALIDATED", "LAB2", true, false},      // other laboratory
        {"Someone Else", "FOOD", "VALIDATED", "LAB1", true, false},   // officer not chosen
    };
    QStringList moving, staying, packet;
    for (const S &s : samples) {
        const QString uuid = newUuid(t);
        insertRow(t, QStringLiteral("SAMPLE"), {{QStringLiteral("UNIQUE_UUID"), uuid},
                                                {QStringLiteral("CODE"), QStringLiteral("C-") + uuid.left(8)},
                                                {QStringLiteral("SAMPLE_OFFICER_NAME"), QString::fromUtf8(s.officer)},
                                                {QStringLiteral("RECORD_TYPE"), QString::fromUtf8(s.type)},
                                                {QStringLiteral("SAMPLE_STATUS__CODE"), QString::fromUtf8(s.status)},
                                                {QStringLiteral("LABORATORY__CODE"), QString::fromUtf8(s.lab)}});
        (s.moves ? moving : staying) << uuid;
        if (s.inPacket)
            packet << uuid;
    }
    const qint64 exportId = (qint64(1) << 33) + 152;
    const QString names = QStringLiteral("Jo Bloggs\r\nO'Neil\r\n");
    // The packet's samples and the calls for its officers go in one transaction, as a delivery
    // records them.
    QSqlDatabase db = t.db();
    QVERIFY(db.transaction());
    for (const QString &uuid : std::as_const(packet))
        t.exec(QStringLiteral("INSERT INTO EXPORT_PACKET_SAMPLE (SAMPLE_UUID) VALUES (?)"), {uuid});
    for (const QString &officer : {QStringLiteral("Jo Bloggs"), QStringLiteral("O'Neil")}) {
        const CallResult r = call(db, QStringLiteral("SAMPLE_RUN_EXPORT_R1"),
                                  {{QStringLiteral("COMMENT"), QStringLiteral("Urgent")},
                                   {QStringLiteral("LABORATORY_CODE"), QStringLiteral("LAB1")},
                                   {QStringLiteral("LABORATORY_NAME"), QStringLiteral("County Lab")},
                                   {QStringLiteral("OFFICER_CODE"), officer},
                                   {QStringLiteral("EXPORT_ID"), exportId},
                                   {QStringLiteral("SAMPLING_OFFICER_NAMES"), names},
                                   {QStringLiteral("PERSONALITY"), QStringLiteral("FOOD")},
                                   {QStringLiteral("DELIVERY_METHOD"), QStringLiteral("Remote transfer")}});
        QVERIFY2(r.ok, qPrintable(r.error));
    }
    QVERIFY(db.commit());
    // The list lives only as long as the transaction that filled it.
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM EXPORT_PACKET_SAMPLE")), 0);

    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM EXPORT_BATCH")), 1);
    QSqlQuery q(t.db());
    QVERIFY(q.exec(QStringLiteral("SELECT * FROM EXPORT_BATCH")));
    QVERIFY(q.next());
    QCOMPARE(q.value(QStringLiteral("UNIQUE_ID")).toLongLong(), exportId);
    QCOMPARE(q.value(QStringLiteral("LABORATORY__CODE")).toString(), QStringLiteral("LAB1"));
    QCOMPARE(q.value(QStringLiteral("LABORATORY_NAME")).toString(), QStringLiteral("County Lab"));
    QCOMPARE(q.value(QStringLiteral("PERSONALITY")).toString(), QStringLiteral("FOOD"));
    QCOMPARE(q.value(QStringLiteral("DELIVERY_METHOD")).toString(), QStringLiteral("Remote transfer"));
    QCOMPARE(q.value(QStringLiteral("COMMENT")).toString(), QStringLiteral("Urgent"));
    QCOMPARE(q.value(QStringLiteral("SAMPLING_OFFICER_NAMES")).toString(), names);
    QCOMPARE(q.value(QStringLiteral("DATE_EXPORTED")).toDate(), QDate::currentDate());
    QVERIFY(!q.value(QStringLiteral("TIME_EXPORTED")).isNull());

    for (const QString &uuid : std::as_const(moving)) {
        const QSqlRecord s = rowOf(t.db(), QStringLiteral("SAMPLE"), uuid);
        QCOMPARE(s.value(QStringLiteral("SAMPLE_STATUS__CODE")).toString(), QStringLiteral("EXPORTED"));
        QCOMPARE(s.value(QStringLiteral("EXPORT_BATCH__UNIQUE_ID")).toLongLong(), exportId);
        QCOMPARE(s.value(QStringLiteral("EXPORTED_DATE")).toDate(), QDate::currentDate());
        QVERIFY(s.value(QStringLiteral("UPDATE_ID")).toLongLong() < 0);
    }
    for (const QString &uuid : std::as_const(staying)) {
        const QSqlRecord s = rowOf(t.db(), QStringLiteral("SAMPLE"), uuid);
        QVERIFY(s.value(QStringLiteral("SAMPLE_STATUS__CODE")).toString() != QLatin1String("EXPORTED"));
        QVERIFY(s.value(QStringLiteral("EXPORT_BATCH__UNIQUE_ID")).isNull());
    }

    // Without an export id nothing is recorded.
    const CallResult bad = call(t.db(), QStringLiteral("SAMPLE_RUN_EXPORT_R1"),
                                {{QStringLiteral("PERSONALITY"), QStringLiteral("FOOD")},
                                 {QStringLiteral("LABORATORY_CODE"), QStringLiteral("LAB2")},
                                 {QStringLiteral("OFFICER_CODE"), QStringLiteral("Jo Bloggs")}});
    QVERIFY(!bad.ok);
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM EXPORT_BATCH")), 1);
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM SAMPLE WHERE SAMPLE_STATUS__CODE = 'EXPORTED'")), moving.size());

    // A call whose transaction lists no samples records its batch and moves nothing.
    const CallResult empty = call(t.db(), QStringLiteral("SAMPLE_RUN_EXPORT_R1"),
                                  {{QStringLiteral("EXPORT_ID"), exportId + 1},
                                   {QStringLiteral("PERSONALITY"), QStringLiteral("FOOD")},
                                   {QStringLiteral("LABORATORY_CODE"), QStringLiteral("LAB1")},
                                   {QStringLiteral("OFFICER_CODE"), QStringLiteral("Jo Bloggs")}});
    QVERIFY2(empty.ok, qPrintable(empty.error));
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM EXPORT_BATCH")), 2);
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM SAMPLE WHERE SAMPLE_STATUS__CODE = 'EXPORTED'")), moving.size());
}

void TestProcedures::premisesImportInsertsThenUpdates()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    QVariantMap in = {{QStringLiteral("CODE"), QStringLiteral("P100")},
                      {QStringLiteral("PREMISES_NAME"), QStringLiteral("Smith, J")},
                      {QStringLiteral("BUSINESS_ADDR_1"), QStringLiteral("1 Mill Lane")},
                      {QStringLiteral("BUSINESS_POSTCODE"), QStringLiteral("AB1 1AA")},
                      {QStringLiteral("PREMISES_TYPE__CODE"), QStringLiteral("T")},
                      {QStringLiteral("RISK_CATEGORY__CODE"), QStringLiteral("B")},
                      {QStringLiteral("RISK_CATEGORY_FOOD_STAND__CODE"), QStringLiteral("C")},
                      {QStringLiteral("LOCAL_AUTHORITY_CODE"), QStringLiteral("AB")},
                      {QStringLiteral("LOCAL_AUTH_OFFICE_CODE"), QStringLiteral("AB01")},
                      {QStringLiteral("FLAG_FOOD"), QStringLiteral("T")}};

    const CallResult first = call(t.db(), QStringLiteral("PREMISES_RECORD_IMPORT_R1"), in);
    QVERIFY2(first.ok, qPrintable(first.error));
    QVERIFY(first.out(QStringLiteral("UPDATED")).toString() != QLatin1String("T"));

    in.insert(QStringLiteral("PREMISES_NAME"), QStringLiteral("Smith & Sons"));
    const CallResult second = call(t.db(), QStringLiteral("PREMISES_RECORD_IMPORT_R1"), in);
    QVERIFY2(second.ok, qPrintable(second.error));
    QCOMPARE(second.out(QStringLiteral("UPDATED")).toString(), QStringLiteral("T"));

    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM PREMISES_DETAIL")), 1);
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM PREMISES_DETAIL_ANIMAL_FEED")), 0);
    QSqlQuery q(t.db());
    QVERIFY(q.exec(QStringLiteral("SELECT * FROM PREMISES_DETAIL")));
    QVERIFY(q.next());
    const QSqlRecord row = q.record();
    verifyLocalRow(row);
    QCOMPARE(row.value(QStringLiteral("PREMISES_NAME")).toString(), QStringLiteral("Smith & Sons"));
    QCOMPARE(row.value(QStringLiteral("RISK_CATEGORY__CODE")).toString(), QStringLiteral("B"));
    QCOMPARE(row.value(QStringLiteral("LOCAL_AUTH_OFFICE__CODE")).toString(), QStringLiteral("AB01"));
    QCOMPARE(row.value(QStringLiteral("FLAG_DELETED")).toString(), QStringLiteral("F"));

    // A premises downloaded from the server, brought again by a file, becomes a local change, so
    // "Remove current records" (update_id > 0) leaves it alone; one the file did not bring is
    // still a server row.
    for (const char *code : {"SRV1", "SRV2"})
        insertRow(t, QStringLiteral("PREMISES_DETAIL"), {{QStringLiteral("ID"), qint64(500) + code[3]},
                                                         {QStringLiteral("UPDATE_ID"), qint64(900)},
                                                         {QStringLiteral("IS_SYNCING"), QStringLiteral("T")},
                                                         {QStringLiteral("UNIQUE_UUID"), newUuid(t)},
                                                         {QStringLiteral("CODE"), QString::fromLatin1(code)},
                                                         {QStringLiteral("FLAG_DELETED"), QStringLiteral("T")}});
    in.insert(QStringLiteral("CODE"), QStringLiteral("SRV1"));
    const CallResult server = call(t.db(), QStringLiteral("PREMISES_RECORD_IMPORT_R1"), in);
    QVERIFY2(server.ok, qPrintable(server.error));
    QCOMPARE(server.out(QStringLiteral("UPDATED")).toString(), QStringLiteral("T"));
    QVERIFY(t.scalar(QStringLiteral("SELECT UPDATE_ID FROM PREMISES_DETAIL WHERE CODE = 'SRV1'")).toLongLong() < 0);
    QCOMPARE(t.scalar(QStringLiteral("SELECT ID FROM PREMISES_DETAIL WHERE CODE = 'SRV1'")).toLongLong(), qint64(500) + '1');
    // Brought by the file, so it is live again.
    QCOMPARE(t.scalar(QStringLiteral("SELECT FLAG_DELETED FROM PREMISES_DETAIL WHERE CODE = 'SRV1'")).toString(), QStringLiteral("F"));
    QCOMPARE(t.scalar(QStringLiteral("SELECT UPDATE_ID FROM PREMISES_DETAIL WHERE CODE = 'SRV2'")).toLongLong(), 900);
}

void TestProcedures::premisesImportKeepsWhatIsNotGiven()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    insertRow(t, QStringLiteral("PREMISES_DETAIL"), {{QStringLiteral("UNIQUE_UUID"), newUuid(t)},
                                                     {QStringLiteral("CODE"), QStringLiteral("P7")},
                                                     {QStringLiteral("PREMISES_NAME"), QStringLiteral("Old name")},
                                                     {QStringLiteral("BUSINESS_ADDR_2"), QStringLiteral("Old line 2")},
                                                     {QStringLiteral("REGISTRATION_NUMBER"), QStringLiteral("REG1")},
                                                     {QStringLiteral("LOCAL_AUTH_OFFICE__CODE"), QStringLiteral("AB02")}});
    // A food XML file sets no registration number (null) and an empty second address line.
    const CallResult r = call(t.db(), QStringLiteral("PREMISES_RECORD_IMPORT_R1"),
                              {{QStringLiteral("CODE"), QStringLiteral("P7")},
                               {QStringLiteral("PREMISES_NAME"), QStringLiteral("New name")},
                               {QStringLiteral("BUSINESS_ADDR_2"), QStringLiteral("")},
                               {QStringLiteral("LOCAL_AUTH_OFFICE_CODE"), QStringLiteral("AB01")},
                               {QStringLiteral("FLAG_FOOD"), QStringLiteral("T")}});
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(t.scalar(QStringLiteral("SELECT PREMISES_NAME FROM PREMISES_DETAIL")).toString(), QStringLiteral("New name"));
    QCOMPARE(t.scalar(QStringLiteral("SELECT BUSINESS_ADDR_2 FROM PREMISES_DETAIL")).toString(), QString());
    QCOMPARE(t.scalar(QStringLiteral("SELECT REGISTRATION_NUMBER FROM PREMISES_DETAIL")).toString(), QStringLiteral("REG1"));
    // The premises keeps the office that owns it.
    QCOMPARE(t.scalar(QStringLiteral("SELECT LOCAL_AUTH_OFFICE__CODE FROM PREMISES_DETAIL")).toString(), QStringLiteral("AB02"));
}

void TestProcedures::premisesImportFeedRegisterAndBadInput()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    const CallResult feed = call(t.db(), QStringLiteral("PREMISES_RECORD_IMPORT_R1"),
                                 {{QStringLiteral("code"), QStringLiteral("F1")},
                                  {QStringLiteral("registration_number"), QStringLiteral("REG77")},
                                  {QStringLiteral("RISK_CATEGORY__CODE"), QStringLiteral("M")},
                                  {QStringLiteral("flag_animal_feeds"), QStringLiteral("T")}});
    QVERIFY2(feed.ok, qPrintable(feed.error));
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM PREMISES_DETAIL")), 0);
    QCOMPARE(t.scalar(QStringLiteral("SELECT REGISTRATION_NUMBER FROM PREMISES_DETAIL_ANIMAL_FEED WHERE CODE = 'F1'")).toString(),
             QStringLiteral("REG77"));
    QVERIFY(kUuidPattern.match(t.scalar(QStringLiteral("SELECT UNIQUE_UUID FROM PREMISES_DETAIL_ANIMAL_FEED")).toString()).hasMatch());

    // No personality, or no code: refused, nothing written.
    const CallResult noFlag = call(t.db(), QStringLiteral("PREMISES_RECORD_IMPORT_R1"), {{QStringLiteral("CODE"), QStringLiteral("X1")}});
    QVERIFY(!noFlag.ok);
    const CallResult noCode = call(t.db(), QStringLiteral("PREMISES_RECORD_IMPORT_R1"),
                                   {{QStringLiteral("CODE"), QStringLiteral("")}, {QStringLiteral("FLAG_FOOD"), QStringLiteral("T")}});
    QVERIFY(!noCode.ok);
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM PREMISES_DETAIL")) +
                 count(t, QStringLiteral("SELECT COUNT(*) FROM PREMISES_DETAIL_ANIMAL_FEED")), 1);
}

void TestProcedures::sampleImportAddsOneSamplePerCall()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    QVariantMap in = {{QStringLiteral("SAMPLE_CODE"), QStringLiteral("AB0420101")},
                      {QStringLiteral("IMPORT_METHOD"), QStringLiteral("XML")},
                      {QStringLiteral("RECORD_TYPE"), QStringLiteral("FOOD")},
                      {QStringLiteral("LA_SAMPLENO"), QStringLiteral("EXT-1")},
                      {QStringLiteral("SAMPLE_DATE"), QDate(2024, 5, 6)},
                      {QStringLiteral("SAMPLE_TIME"), QTime(14, 15)},
                      {QStringLiteral("SAMPLE_TIMESTAMP"), QDateTime(QDate(2024, 5, 6), QTime(14, 15))},
                      {QStringLiteral("DETAILS"), QStringLiteral("Long details")},
                      {QStringLiteral("QUANTITY"), 3.25},
                      {QStringLiteral("TEMPERATURE"), QStringLiteral("4.5")},
                      {QStringLiteral("DURABILITY_YEAR"), 2025},
                      {QStringLiteral("PURCHASE_COST"), 1.99},
                      {QStringLiteral("FLAG_SURVEY"), QStringLiteral("T")},
                      {QStringLiteral("COUNTRY_REGION"), QStringLiteral("EU")}};
    QStringList uuids;
    for (int i = 0; i < 2; ++i) {
        const QString uuid = newUuid(t);
        uuids << uuid;
        in.insert(QStringLiteral("UNIQUE_UUID"), uuid);
        const CallResult r = call(t.db(), QStringLiteral("SAMPLE_IMPORT_XML_R1"), in);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM SAMPLE")), i + 1);
        // The ID the validator is then given is this sample's.
        const QSqlRecord s = rowOf(t.db(), QStringLiteral("SAMPLE"), uuid);
        QCOMPARE(r.out(QStringLiteral("ID")).toLongLong(), s.value(QStringLiteral("ID")).toLongLong());
        QVERIFY(r.out(QStringLiteral("UPDATED")).toString() != QLatin1String("T"));
        verifyLocalRow(s);
        QCOMPARE(s.value(QStringLiteral("SAMPLE_STATUS__CODE")).toString(), QStringLiteral("IMPORTED"));
        QCOMPARE(s.value(QStringLiteral("CODE")).toString(), QStringLiteral("AB0420101"));
        QCOMPARE(s.value(QStringLiteral("FLAG_DELETED")).toString(), QStringLiteral("F"));
        QCOMPARE(s.value(QStringLiteral("SAMPLE_DATE")).toDate(), QDate(2024, 5, 6));
        QCOMPARE(s.value(QStringLiteral("SAMPLE_TIME")).toTime(), QTime(14, 15));
        QCOMPARE(s.value(QStringLiteral("DETAILS")).toString(), QStringLiteral("Long details"));
        QCOMPARE(s.value(QStringLiteral("QUANTITY")).toDouble(), 3.25);
        QCOMPARE(s.value(QStringLiteral("TEMPERATURE")).toDouble(), 4.5);
        QCOMPARE(s.value(QStringLiteral("DURABILITY_YEAR")).toInt(), 2025);
        QCOMPARE(s.value(QStringLiteral("COUNTRY_REGION")).toString(), QStringLiteral("EU"));
        QVERIFY(!s.value(QStringLiteral("SAMPLE_NUMBER")).isNull());
    }

    // Without a UUID the sample still gets one of its own.
    in.remove(QStringLiteral("UNIQUE_UUID"));
    const CallResult r = call(t.db(), QStringLiteral("SAMPLE_IMPORT_XML_R1"), in);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM SAMPLE")), 3);
    QVERIFY(kUuidPattern.match(t.scalar(QStringLiteral("SELECT UNIQUE_UUID FROM SAMPLE WHERE ID = ?"),
                                        {r.out(QStringLiteral("ID"))}).toString()).hasMatch());
}

void TestProcedures::sampleImportRefusesExistingUuid()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    const QString existing = addSample(t, QStringLiteral("EXPORTED"));
    const CallResult r = call(t.db(), QStringLiteral("SAMPLE_IMPORT_XML_R1"),
                              {{QStringLiteral("UNIQUE_UUID"), existing},
                               {QStringLiteral("SAMPLE_CODE"), QStringLiteral("AB0420102")},
                               {QStringLiteral("LA_SAMPLENO"), QStringLiteral("OVERWRITE?")}});
    QVERIFY(!r.ok);
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM SAMPLE")), 1);
    QCOMPARE(t.scalar(QStringLiteral("SELECT LA_SAMPLENO FROM SAMPLE")).toString(), QStringLiteral("LA-17"));

    const CallResult noCode = call(t.db(), QStringLiteral("SAMPLE_IMPORT_XML_R1"),
                                   {{QStringLiteral("UNIQUE_UUID"), newUuid(t)}});
    QVERIFY(!noCode.ok);
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM SAMPLE")), 1);
}

void TestProcedures::gridViewInsertOrUpdate()
{
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    auto store = [&](const QString &form, const QString &description, const QByteArray &settings) {
        return call(t.db(), QStringLiteral("SYS_GRID_VIEW_IU"),
                    {{QStringLiteral("APPLICATION_NAME"), QStringLiteral("VRXNet")},
                     {QStringLiteral("FORM_NAME"), form},
                     {QStringLiteral("VIEW_NAME"), QStringLiteral("grdSampleView")},
                     {QStringLiteral("VIEW_SETTINGS"), settings},
                     {QStringLiteral("DESCRIPTION"), description}});
    };
    const QString chooser = QStringLiteral("SELECT COUNT(*) FROM SYS_GRID_VIEW WHERE APPLICATION_NAME = ? AND FORM_NAME = ? "
                                           "AND VIEW_NAME = ? AND FLAG_DELETED IS DISTINCT FROM 'T'");
    const QByteArray first("\x00\x01layout-1", 10);
    const QByteArray second("\x00\x02layout-2 longer", 17);

    QVERIFY(store(QStringLiteral("SampleBrowser"), QStringLiteral("My view"), first).ok);
    QCOMPARE(count(t, chooser, {QStringLiteral("VRXNet"), QStringLiteral("SampleBrowser"), QStringLiteral("grdSampleView")}), 1);
    QCOMPARE(t.scalar(QStringLiteral("SELECT FLAG_DELETED FROM SYS_GRID_VIEW")).toString(), QStringLiteral("F"));

    // Storing under the same name replaces the layout.
    QVERIFY(store(QStringLiteral("SampleBrowser"), QStringLiteral("My view"), second).ok);
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM SYS_GRID_VIEW")), 1);
    QCOMPARE(t.scalar(QStringLiteral("SELECT VIEW_SETTINGS FROM SYS_GRID_VIEW")).toByteArray(), second);

    // Another name, or the same name on another form, is another row.
    QVERIFY(store(QStringLiteral("SampleBrowser"), QStringLiteral("Other view"), first).ok);
    QVERIFY(store(QStringLiteral("PremisesMaint"), QStringLiteral("My view"), first).ok);
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM SYS_GRID_VIEW")), 3);

    // A deleted layout stays deleted; storing its name again adds a live row.
    t.exec(QStringLiteral("UPDATE SYS_GRID_VIEW SET FLAG_DELETED = 'T' WHERE DESCRIPTION = 'Other view'"));
    QVERIFY(store(QStringLiteral("SampleBrowser"), QStringLiteral("Other view"), second).ok);
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM SYS_GRID_VIEW WHERE DESCRIPTION = 'Other view'")), 2);
    QCOMPARE(count(t, chooser, {QStringLiteral("VRXNet"), QStringLiteral("SampleBrowser"), QStringLiteral("grdSampleView")}), 2);

    QVERIFY(!store(QStringLiteral("SampleBrowser"), QString(), first).ok);
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM SYS_GRID_VIEW")), 4);
}

void TestProcedures::unknownUuidIsAnErrorAndWritesNothing_data()
{
    QTest::addColumn<QString>("procedure");
    QTest::addColumn<QString>("uuidInput");
    QTest::addColumn<QVariantMap>("otherInputs");
    QTest::newRow("copy template") << "COPY_TEMPLATE_R1" << "SOURCEUUID" << QVariantMap();
    QTest::newRow("sample from template") << "CREATE_SAMPLE_FROM_TEMPLATE_R1" << "TEMPLATEUUID"
                                          << QVariantMap{{QStringLiteral("CODE"), QStringLiteral("AB0420009")}};
    QTest::newRow("template from sample") << "CREATE_TEMPLATE_FROM_SAMPLE_R1" << "SAMPLEUUID" << QVariantMap();
    QTest::newRow("delete") << "SAMPLE_DELETE_R1" << "SAMPLEUUID" << QVariantMap();
    QTest::newRow("duplicate") << "SAMPLE_DUPLICATE_R1" << "SAMPLEUUID"
                               << QVariantMap{{QStringLiteral("COUNTER"), 2}, {QStringLiteral("COPY_SAMPLE_OFFICER"), QStringLiteral("T")}};
}

void TestProcedures::unknownUuidIsAnErrorAndWritesNothing()
{
    QFETCH(QString, procedure);
    QFETCH(QString, uuidInput);
    QFETCH(QVariantMap, otherInputs);
    TestDatabase t;
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    addSample(t, QStringLiteral("ENTERED"));
    addTemplate(t);

    for (const QVariant &uuid : {QVariant(QStringLiteral("00000000-0000-0000-0000-000000000000")), QVariant()}) {
        QVariantMap inputs = otherInputs;
        inputs.insert(uuidInput, uuid);
        const CallResult r = call(t.db(), procedure, inputs);
        QVERIFY(!r.ok);
        QVERIFY2(r.error.contains(procedure), qPrintable(r.error));
        QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM SAMPLE")), 1);
        QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM SAMPLE_TEMPLATE")), 1);
        QCOMPARE(t.scalar(QStringLiteral("SELECT SAMPLE_STATUS__CODE FROM SAMPLE")).toString(), QStringLiteral("ENTERED"));
    }
}

// A store made by an older program version lacks the columns the structure upgrade adds; the
// procedures must still run on it.
void TestProcedures::runOnLegacyStore()
{
    TestDatabase t(TestDatabase::legacyTemplatePath());
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'SAMPLE' "
                                     "AND RDB$FIELD_NAME = 'CDS_OUTCOMES'")), 0);

    QVERIFY(call(t.db(), QStringLiteral("ACTIVATE_DATABASE"),
                 {{QStringLiteral("INSTALL_ID"), 5}, {QStringLiteral("LOCAL_AUTHORITY_CODE"), QStringLiteral("AB")}}).ok);
    QCOMPARE(t.scalar(QStringLiteral("SELECT INSTALLATION_CODE FROM SYS_LOCAL_SETTINGS")).toString(), QStringLiteral("005"));
    const QString tpl = addTemplate(t);
    const CallResult made = call(t.db(), QStringLiteral("CREATE_SAMPLE_FROM_TEMPLATE_R1"),
                                 {{QStringLiteral("TEMPLATEUUID"), tpl}, {QStringLiteral("CODE"), QStringLiteral("AB0050001")}});
    QVERIFY2(made.ok, qPrintable(made.error));
    const QString sample = made.out(QStringLiteral("SAMPLEUUID")).toString();
    QVERIFY(call(t.db(), QStringLiteral("SAMPLE_DUPLICATE_R1"),
                 {{QStringLiteral("SAMPLEUUID"), sample}, {QStringLiteral("COUNTER"), 2}}).ok);
    QVERIFY(call(t.db(), QStringLiteral("CREATE_TEMPLATE_FROM_SAMPLE_R1"), {{QStringLiteral("SAMPLEUUID"), sample}}).ok);
    QVERIFY(call(t.db(), QStringLiteral("SAMPLE_IMPORT_XML_R1"),
                 {{QStringLiteral("SAMPLE_CODE"), QStringLiteral("AB0050002")}}).ok);
    QVERIFY(call(t.db(), QStringLiteral("SAMPLE_DELETE_R1"), {{QStringLiteral("SAMPLEUUID"), sample}}).ok);
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM SAMPLE")), 4);
}

QTEST_GUILESS_MAIN(TestProcedures)
#include "tst_procedures.moc"
