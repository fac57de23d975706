// The stored procedures that make samples and templates from one another, duplicate and delete them.

#include "ProcedureTests.h"

using namespace ProcedureCalls;

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
        t.insert(registerTable, {{QStringLiteral("UNIQUE_UUID"), newUuid()},
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
