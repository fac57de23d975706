#pragma once

// A local store set up for sample XML exports: authority "Abbey Council", officers (two share the
// code "JB": a deleted "Old Jo" and the live "Jo Bloggs"), the main connection open under the
// central data module's name as after a login, a pinned clock and an English locale; helpers to
// add samples with any columns and results, to switch the two XML settings and to fill the ISO
// country list.

#include "base/Clock.h"
#include "core/Main_DM.h"
#include "data/DataTable.h"
#include "data/MemDataStream.h"
#include "data/ResultBlobs.h"
#include "exchange/SampleXmlSchema.h"
#include "exchange/VRXSampleXML_19102011_Unt.h"
#include "reference/LookupData_DM.h"
#include "store/LocalDatabase.h"
#include "store/SqlUtil.h"
#include "support/TestDatabase.h"

#include <QLocale>
#include <QSqlQuery>
#include <QTest>
#include <QVariantMap>

#include <memory>

struct XmlStore
{
    TestDatabase store;
    std::unique_ptr<TMaindm> maindm;
    FixedClock clock{QDateTime(QDate(2024, 5, 17), QTime(10, 30))};
    ScopedClock clockScope{&clock};
    std::unique_ptr<TLookupDataDm> lookups;

    XmlStore()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        openLocalDatabase(store.path(), QLatin1String(TMaindm::ConnectionName));
        maindm = std::make_unique<TMaindm>();
        Maindm = maindm.get();
        store.exec(QStringLiteral("UPDATE SYS_COMPANY SET LOCAL_AUTHORITY_NAME = ?"), {QStringLiteral("Abbey Council")});
        setXmlDates(true);
        setIsoCountryCodes(false);
        addOfficer(1, QStringLiteral("JB"), QStringLiteral("Old Jo"), QStringLiteral("T"));
        addOfficer(2, QStringLiteral("JB"), QStringLiteral("Jo Bloggs"), QStringLiteral("F"));
        addOfficer(3, QStringLiteral("FF"), QStringLiteral("Fay Feed"), QStringLiteral("F"));
        const QSqlDatabase db = store.db();
        lookups = std::make_unique<TLookupDataDm>([db] { return db; }, [] { return QString(); });
        lookups->RefreshDatasetsFromDatabase();
    }

    ~XmlStore()
    {
        lookups.reset();
        if (Maindm == maindm.get())
            Maindm = nullptr;
        maindm.reset(); // closes the main connection
        QLocale::setDefault(QLocale::c());
    }

    void addOfficer(qint64 id, const QString &code, const QString &name, const QString &deleted)
    {
        store.exec(QStringLiteral("INSERT INTO SAMPLE_OFFICER (ID, UNIQUE_UUID, CODE, NAME, FLAG_DELETED) "
                                  "VALUES (?, ?, ?, ?, ?)"),
                   {id, newUuid(), code, name, deleted});
    }

    void setXmlDates(bool on)
    {
        store.exec(QStringLiteral("UPDATE SYS_COMPANY SET USEWW3XMLDATES = ?"), {on ? QStringLiteral("T") : QStringLiteral("F")});
    }
    void setIsoCountryCodes(bool on)
    {
        store.exec(QStringLiteral("UPDATE SYS_COMPANY SET FLAG_USE_ISO_COUNTRY_CODES = ?"),
                   {on ? QStringLiteral("T") : QStringLiteral("F")});
    }
    void setIsoCodes(const QList<QPair<QString, QString>> &codes)
    {
        DataTable iso({{QStringLiteral("Name"), FieldType::String, 100}, {QStringLiteral("ISOCode"), FieldType::String, 4}});
        for (const auto &c : codes)
            iso.appendRow({c.first, c.second});
        store.exec(QStringLiteral("INSERT INTO LOOKUP_TABLE_LIST (ID, UPDATE_ID, IS_SYNCING, DATASET_NAME, BINARY_CONTENT) "
                                  "VALUES (1, 1, 'T', 'mdCountryISOCodes', ?)"),
                   {MemDataStream::write(iso)});
        lookups->RefreshDatasetsFromDatabase();
    }

    // A sample with a code of its own ("S0001", ...), status "COMPLETE" and the officer "JB"
    // unless the columns say otherwise; returns its UUID.
    QString addSample(const QVariantMap &columns = {})
    {
        QVariantMap row{{QStringLiteral("CODE"), QStringLiteral("S%1").arg(++m_samples, 4, 10, QLatin1Char('0'))},
                        {QStringLiteral("RECORD_TYPE"), QStringLiteral("FOOD")},
                        {QStringLiteral("SAMPLE_STATUS__CODE"), QStringLiteral("COMPLETE")},
                        {QStringLiteral("SAMPLE_OFFICER__CODE"), QStringLiteral("JB")},
                        {QStringLiteral("SAMPLE_OFFICER_NAME"), QStringLiteral("Jo Bloggs")},
                        {QStringLiteral("FLAG_DELETED"), QStringLiteral("F")}};
        for (auto it = columns.cbegin(); it != columns.cend(); ++it)
            row.insert(it.key(), it.value());
        const QString uuid = row.value(QStringLiteral("UNIQUE_UUID")).toString().isEmpty()
            ? newUuid()
            : row.value(QStringLiteral("UNIQUE_UUID")).toString();
        row.insert(QStringLiteral("UNIQUE_UUID"), uuid);
        QStringList names, marks;
        QVariantList values;
        for (auto it = row.cbegin(); it != row.cend(); ++it) {
            names << it.key();
            marks << QStringLiteral("?");
            values << it.value();
        }
        store.exec(QStringLiteral("INSERT INTO SAMPLE (%1) VALUES (%2)").arg(names.join(','), marks.join(',')), values);
        return uuid;
    }

    // Results as the central server writes them.
    static DataTable results(int rows, const QString &prefix = QStringLiteral("R"))
    {
        DataTable t(ResultBlobs::resultFields());
        for (int i = 0; i < rows; ++i) {
            const int r = t.appendRow();
            t.setValue(r, QStringLiteral("UNIQUE_ID"), 100 + i);
            t.setValue(r, QStringLiteral("OUTPUT"), QStringLiteral("%1 output %2").arg(prefix).arg(i + 1));
            t.setValue(r, QStringLiteral("TEXT_RESULT"), QStringLiteral("Not detected"));
            t.setValue(r, QStringLiteral("RESULT_TYPE"), QStringLiteral("Q"));
            t.setValue(r, QStringLiteral("QUALIFIER"), QStringLiteral("<"));
            t.setValue(r, QStringLiteral("SUBSTANCE"), QStringLiteral("Listeria & co"));
            t.setValue(r, QStringLiteral("LAB_UNIT"), QStringLiteral("cfu/g"));
            t.setValue(r, QStringLiteral("RESULT"), QStringLiteral("0.500000"));
            t.setValue(r, QStringLiteral("COMPONENT_DESC"), QStringLiteral("Whole"));
            t.setValue(r, QStringLiteral("RESULT_TIMESTAMP"), DataTable::wallClock(QDate(2024, 5, 2), QTime(14, 7, 9)));
            t.setValue(r, QStringLiteral("BATCH_NUMBER"), QStringLiteral("B%1").arg(i));
            t.setValue(r, QStringLiteral("FAILCODE"), QStringLiteral("S1"));
            t.setValue(r, QStringLiteral("FAILCODE_DESC"), QStringLiteral("Satisfactory"));
            t.setValue(r, QStringLiteral("EXP_MEASURE_OF_UNCERTAINTY"), QStringLiteral("0.1"));
            t.setValue(r, QStringLiteral("RECOVERY"), QStringLiteral("98"));
            t.setValue(r, QStringLiteral("CORRECTION_FOR_RECOVERY"), QStringLiteral("N"));
            t.setValue(r, QStringLiteral("LODLOQ"), QStringLiteral("0.04"));
        }
        return t;
    }
    void setResultsBlob(const QString &uuid, const QByteArray &blob)
    {
        store.exec(QStringLiteral("UPDATE SAMPLE SET CDS_LABORATORY_RESULTS = ? WHERE UNIQUE_UUID = ?"), {blob, uuid});
    }

    QString flag(const QString &uuid)
    {
        return store.scalar(QStringLiteral("SELECT FLAG_UPDATED_SINCE_EXPORT FROM SAMPLE WHERE UNIQUE_UUID = ?"), {uuid})
            .toString();
    }

private:
    int m_samples = 0;
};

// The sample codes of a document's Sample elements, in order.
inline QStringList sampleNumbers(const TXMLQOVAData &root)
{
    QStringList codes;
    for (const TXMLSampleType &s : root.Sample().All())
        codes << s.SampleNumber();
    return codes;
}
