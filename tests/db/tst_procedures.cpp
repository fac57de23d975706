// The stored procedures of the template database: their signatures, the codes an activated store
// takes, the grid layouts, unknown UUIDs and a store of an older version.

#include "ProcedureTests.h"

using namespace ProcedureCalls;

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
