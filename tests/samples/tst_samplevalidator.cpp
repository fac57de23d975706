// The stored-sample validator on a real store: what becomes of a valid and of an invalid sample
// with and without "-allowinvalidtoimport", samples that cannot be validated, and the row it works
// on being the one with the ID, never another with the same code.

#include "SampleFixtures.h"

#include "base/Clock.h"
#include "samples/SampleValidator_DM.h"
#include "support/TestDatabase.h"

#include <QTest>

namespace {

using namespace SampleFixtures;

const QString SharedCode = QStringLiteral("ABC070001");

QVariantMap completeFeedSample()
{
    return {
        {"ANALYSIS_TYPE", "C"}, {"LOCAL_AUTH_OFFICE__CODE", "OF1"}, {"SAMPLE_OFFICER__CODE", "JS"},
        {"SAMPLE_DATE", QDate(2014, 6, 14)}, {"SAMPLE_TIME", QTime(9, 0)}, {"PREMISES_NAME", "Mill"},
        {"PREMISES_TYPE__CODE", "FM"}, {"REASON__CODE", "E"}, {"SAMPLE_TYPE__CODE", "F"},
        {"FOOD_DESCRIPTION", "PELLETS"}, {"ANIMAL_SPECIES__CODE", "01.02"}, {"CATEGORY__CODE", "50"},
        {"SUB_CATEGORY__CODE", "50.01"}, {"COUNTRY", "UNITED KINGDOM"}, {"PACKAGING__CODE", "P"},
        {"DURABILITY__CODE", "N"}, {"FLAG_COP_CONDITION", "T"}, {"LABORATORY__CODE", "LAB1"},
        {"ROUTINE_ANALYSIS", "T"}, {"ANALYSIS_TEXT", RoutineAnalysisText}, {"SAMPLE_STATUS__CODE", "IMPORTED"},
    };
}

struct Store
{
    TestDatabase db;
    FixedClock clock{QDateTime(today(), QTime(12, 0))};
    ScopedClock scoped{&clock};

    // A sample of the record type with the values (NULL for an empty text); returns its ID.
    qint64 add(const QString &recordType, QVariantMap values, const QString &laNumber = QStringLiteral("LA1"))
    {
        values.insert(QStringLiteral("RECORD_TYPE"), recordType);
        values.insert(QStringLiteral("CODE"), SharedCode);
        values.insert(QStringLiteral("LA_SAMPLENO"), laNumber);
        values.insert(QStringLiteral("UNIQUE_UUID"),
                      db.scalar(QStringLiteral("SELECT UPPER(UUID_TO_CHAR(GEN_UUID())) FROM RDB$DATABASE")));
        QStringList columns, marks;
        QVariantList params;
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            columns << it.key();
            marks << QStringLiteral("?");
            const bool empty = it.value().metaType().id() == QMetaType::QString && it.value().toString().isEmpty();
            params << (empty ? QVariant() : it.value());
        }
        db.exec(QStringLiteral("INSERT INTO SAMPLE (%1) VALUES (%2)").arg(columns.join(','), marks.join(',')), params);
        return db.scalar(QStringLiteral("SELECT ID FROM SAMPLE WHERE LA_SAMPLENO = ?"), {laNumber}).toLongLong();
    }

    QString text(qint64 id, const char *column)
    {
        return db.scalar(QStringLiteral("SELECT %1 FROM SAMPLE WHERE ID = ?").arg(QLatin1String(column)), {id}).toString();
    }
    bool exists(qint64 id) { return !db.scalar(QStringLiteral("SELECT 1 FROM SAMPLE WHERE ID = ?"), {id}).isNull(); }

    TSampleValidatorDM validator(bool allowInvalid) { return TSampleValidatorDM(db.db(), context(nullptr), allowInvalid); }
};

} // namespace

class TestSampleValidator : public QObject
{
    Q_OBJECT
private slots:
    void validSampleIsValidated_data();
    void validSampleIsValidated();
    void messages_data();
    void messages();
    void invalidSampleRemovedOrKept_data();
    void invalidSampleRemovedOrKept();
    void missingSample();
    void yearFromTheClock();
};

void TestSampleValidator::validSampleIsValidated_data()
{
    QTest::addColumn<QString>("recordType");
    QTest::addColumn<QVariantMap>("values");
    QTest::newRow("food") << "FOOD" << merged(completeFoodSample(), {{"SAMPLE_DATE", QVariant()}, {"BRAND_NAME", ""}});
    QTest::newRow("animal feed") << "ANIMAL FEED" << completeFeedSample();
}

// A stored food sample needs no sample date; the "N/A" fills are written with the status. Another
// sample with the same code is left alone.
void TestSampleValidator::validSampleIsValidated()
{
    QFETCH(QString, recordType);
    QFETCH(QVariantMap, values);
    Store store;
    const qint64 other = store.add(recordType, merged(values, {{"BATCH_NUMBER", ""}, {"PREMISES_NAME", ""}}),
                                   QStringLiteral("LA0"));
    const qint64 id = store.add(recordType, values);
    TSampleValidatorDM validator = store.validator(false);
    QVERIFY(validator.ValidateRecord(id));
    QCOMPARE(validator.InvalidList(), QStringList{QStringLiteral("Sample LA1 created and validated")});
    QCOMPARE(store.text(id, "SAMPLE_STATUS__CODE"), QStringLiteral("VALIDATED"));
    if (recordType == QLatin1String("FOOD"))
        QCOMPARE(store.text(id, "BRAND_NAME"), QStringLiteral("N/A"));
    QCOMPARE(store.text(other, "SAMPLE_STATUS__CODE"), values.value("SAMPLE_STATUS__CODE").toString());
    QCOMPARE(store.text(other, "BRAND_NAME"), values.value("BRAND_NAME").toString());
}

void TestSampleValidator::messages_data()
{
    QTest::addColumn<QString>("recordType");
    QTest::addColumn<QVariantMap>("values");
    QTest::addColumn<QStringList>("expected");
    const QVariantMap food = completeFoodSample();
    QTest::newRow("food: batch only") << "FOOD" << merged(food, {{"BATCH_NUMBER", ""}})
                                      << QStringList{"'Batch/Lot number' is required.", "Sample LA1 did not validate."};
    QTest::newRow("food: office") << "FOOD" << merged(food, {{"LOCAL_AUTH_OFFICE__CODE", ""}})
                                  << QStringList{"'Office' is required, please enter a value.", "Sample LA1 did not validate."};
    QTest::newRow("food: durability E needs no day")
        << "FOOD" << merged(food, {{"DURABILITY__CODE", "E"}, {"DURABILITY_DAY", QVariant()}})
        << QStringList{"Sample LA1 created and validated"};
    QTest::newRow("food: durability D without day")
        << "FOOD" << merged(food, {{"DURABILITY_DAY", QVariant()}})
        << QStringList{"'Durability' is required.", "'Durability, Day' is invalid, please enter a valid value.",
                       "Sample LA1 did not validate."};
    QTest::newRow("food: frozen at 0.5 passes") << "FOOD" << merged(food, {{"CONDITION__CODE", "F"}, {"TEMPERATURE", 0.5}})
                                                << QStringList{"Sample LA1 created and validated"};
    QTest::newRow("food: frozen at 0.6 fails")
        << "FOOD" << merged(food, {{"CONDITION__CODE", "F"}, {"TEMPERATURE", 0.6}})
        << QStringList{"If 'Condition' is 'Frozen', temperature must be less than or equal to zero.",
                       "Sample LA1 did not validate."};
    QTest::newRow("feed: surveillance without sample type")
        << "ANIMAL FEED" << merged(completeFeedSample(), {{"REASON__CODE", "S"}, {"SAMPLE_TYPE__CODE", ""}})
        << QStringList{"'Sample Type' is required, please enter a value.", "Sample LA1 did not validate."};
    QTest::newRow("record type neither") << "PET FOOD" << food
                                         << QStringList{TSampleValidatorDM::UnknownRecordTypeMessage("PET FOOD"),
                                                        "Sample LA1 did not validate."};
    QTest::newRow("no record type") << "" << food
                                    << QStringList{TSampleValidatorDM::UnknownRecordTypeMessage(""),
                                                   "Sample LA1 did not validate."};
}

void TestSampleValidator::messages()
{
    QFETCH(QString, recordType);
    QFETCH(QVariantMap, values);
    QFETCH(QStringList, expected);
    Store store;
    TSampleValidatorDM validator = store.validator(true);
    QCOMPARE(validator.ValidateRecord(store.add(recordType, values)), expected.size() == 1);
    QCOMPARE(validator.InvalidList(), expected);
}

void TestSampleValidator::invalidSampleRemovedOrKept_data()
{
    QTest::addColumn<QString>("recordType");
    QTest::addColumn<bool>("allowInvalid");
    QTest::newRow("food, removed") << "FOOD" << false;
    QTest::newRow("food, kept") << "FOOD" << true;
    QTest::newRow("unknown record type, removed") << "PET FOOD" << false;
    QTest::newRow("unknown record type, kept") << "PET FOOD" << true;
}

// An invalid sample is removed unless invalid imports are allowed; kept, it has its status and
// the "N/A" fills. Only the row with the ID is touched, though another has the same code.
void TestSampleValidator::invalidSampleRemovedOrKept()
{
    QFETCH(QString, recordType);
    QFETCH(bool, allowInvalid);
    Store store;
    const qint64 other = store.add(QStringLiteral("FOOD"), completeFoodSample(), QStringLiteral("LA0"));
    const qint64 id = store.add(recordType, merged(completeFoodSample(), {{"BATCH_NUMBER", ""}, {"IMPORTER", ""}}));
    TSampleValidatorDM validator = store.validator(allowInvalid);
    QVERIFY(!validator.ValidateRecord(id));
    QCOMPARE(store.exists(id), allowInvalid);
    if (allowInvalid) {
        QCOMPARE(store.text(id, "SAMPLE_STATUS__CODE"), QStringLiteral("ENTERED"));
        QCOMPARE(store.text(id, "IMPORTER"), QStringLiteral("N/A"));
    }
    QVERIFY(store.exists(other));
    QCOMPARE(store.text(other, "SAMPLE_STATUS__CODE"), QStringLiteral("ENTERED"));
}

void TestSampleValidator::missingSample()
{
    Store store;
    TSampleValidatorDM validator = store.validator(false);
    QVERIFY(!validator.ValidateRecord(4711));
    QCOMPARE(validator.InvalidList(), QStringList{QStringLiteral("No sample with id 4711 exists.")});
}

// The durability years follow the clock of each validation.
void TestSampleValidator::yearFromTheClock()
{
    Store store;
    TSampleValidatorDM validator = store.validator(true);
    const QVariantMap sample = merged(completeFoodSample(), {{"DURABILITY_YEAR", 2013}});
    QVERIFY(validator.ValidateRecord(store.add(QStringLiteral("FOOD"), sample)));
    store.clock.set(QDateTime(QDate(2015, 1, 2), QTime(9, 0)));
    QVERIFY(!validator.ValidateRecord(store.add(QStringLiteral("FOOD"), sample, QStringLiteral("LA2"))));
    QCOMPARE(validator.InvalidList().first(),
             QStringLiteral("'Durability, Year' is invalid, year must have four digits eg \"2003\"."));
}

QTEST_GUILESS_MAIN(TestSampleValidator)
#include "tst_samplevalidator.moc"
