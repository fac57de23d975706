// The stored procedures of the exchange: export ids and batches, the premises and the sample imports.

#include "ProcedureTests.h"

using namespace ProcedureCalls;

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
        const QString uuid = newUuid();
        t.insert(QStringLiteral("SAMPLE"), {{QStringLiteral("UNIQUE_UUID"), uuid},
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
        t.insert(QStringLiteral("PREMISES_DETAIL"), {{QStringLiteral("ID"), qint64(500) + code[3]},
                                                     {QStringLiteral("UPDATE_ID"), qint64(900)},
                                                     {QStringLiteral("IS_SYNCING"), QStringLiteral("T")},
                                                     {QStringLiteral("UNIQUE_UUID"), newUuid()},
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
    t.insert(QStringLiteral("PREMISES_DETAIL"), {{QStringLiteral("UNIQUE_UUID"), newUuid()},
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
        const QString uuid = newUuid();
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
                                   {{QStringLiteral("UNIQUE_UUID"), newUuid()}});
    QVERIFY(!noCode.ok);
    QCOMPARE(count(t, QStringLiteral("SELECT COUNT(*) FROM SAMPLE")), 1);
}
