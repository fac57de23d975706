// What the tests of the template database's stored procedures share: a procedure called the way
// the program calls it (inputs bound by name, looked up in the procedure's declared parameters;
// outputs read by name), the rows they read and write, and the test class, whose cases are kept in
// three files by theme.
#pragma once

#include "support/TestDatabase.h"

#include <QObject>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

namespace ProcedureCalls {

struct CallResult
{
    bool ok = false;
    QString error;
    QSqlRecord outputs;
    QVariant out(const QString &name) const { return outputs.value(name); }
};

inline const QRegularExpression kUuidPattern(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));

// Parameter names of a procedure, inputs (type 0) or outputs (type 1), in declaration order.
inline QStringList parameterNames(QSqlDatabase db, const QString &procedure, int type)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT TRIM(RDB$PARAMETER_NAME) FROM RDB$PROCEDURE_PARAMETERS "
                             "WHERE RDB$PROCEDURE_NAME = ? AND RDB$PARAMETER_TYPE = ? "
                             "ORDER BY RDB$PARAMETER_NUMBER"));
    q.addBindValue(procedure);
    q.addBindValue(type);
    q.exec();
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    return names;
}

inline QStringList inputNames(QSqlDatabase db, const QString &procedure)
{
    return parameterNames(db, procedure, 0);
}

inline QStringList outputNames(QSqlDatabase db, const QString &procedure)
{
    return parameterNames(db, procedure, 1);
}

// Executes a procedure with its inputs matched by name regardless of letter case; inputs not
// given are null. An input name the procedure does not have fails the test.
inline CallResult call(QSqlDatabase db, const QString &procedure, const QVariantMap &inputs = {})
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

inline QSqlRecord rowOf(QSqlDatabase db, const QString &table, const QString &uuid)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT * FROM %1 WHERE UNIQUE_UUID = ?").arg(table));
    q.addBindValue(uuid);
    q.exec();
    return q.next() ? q.record() : QSqlRecord();
}

inline qint64 count(TestDatabase &t, const QString &sql, const QVariantList &params = {})
{
    return t.scalar(sql, params).toLongLong();
}

// What a template keeps for its samples, with values that differ from every default.
inline QVariantMap carriedValues()
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

inline void compareCarried(const QSqlRecord &row, const QVariantMap &expected)
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
inline QString addTemplate(TestDatabase &t, QVariantMap values = carriedValues())
{
    const QString uuid = newUuid();
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
    t.insert(QStringLiteral("SAMPLE_TEMPLATE"), values);
    return uuid;
}

// Installs a sample that has been through a laboratory, and returns its UUID.
inline QString addSample(TestDatabase &t, const QString &status = QStringLiteral("COMPLETE"),
                  QVariantMap values = carriedValues())
{
    const QString uuid = newUuid();
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
    t.insert(QStringLiteral("SAMPLE"), values);
    return uuid;
}

// Columns a new sample or template must not take from where it was copied: identity, results,
// export and history.
inline const QStringList kNotCarriedToSample = {
    QStringLiteral("LA_SAMPLENO"), QStringLiteral("LIMS_NUMBER"), QStringLiteral("EXPORT_BATCH__UNIQUE_ID"),
    QStringLiteral("EXPORTED_DATE"), QStringLiteral("LABORATORY_COMMENTS"),
    QStringLiteral("LAB_REFERENCE_NO"), QStringLiteral("CDS_LABORATORY_RESULTS"),
    QStringLiteral("USER_CHANGE_REASON"), QStringLiteral("QOVA_INFO"), QStringLiteral("IS_SYNCING")};

inline void verifyLocalRow(const QSqlRecord &row)
{
    QVERIFY(!row.isEmpty());
    QVERIFY(kUuidPattern.match(row.value(QStringLiteral("UNIQUE_UUID")).toString()).hasMatch());
    // Written locally: a negative id that waits for upload.
    QVERIFY(row.value(QStringLiteral("ID")).toLongLong() < 0);
    QVERIFY(row.value(QStringLiteral("UPDATE_ID")).toLongLong() < 0);
    QVERIFY(row.value(QStringLiteral("IS_SYNCING")).isNull());
}

} // namespace ProcedureCalls

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
