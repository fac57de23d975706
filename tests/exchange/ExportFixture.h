#pragma once

// A local store set up for laboratory deliveries: authority "ABC" (installation "07"), its office,
// three sampling officers and helpers to add samples and cancelled codes; the main connection is
// open under the central data module's name, as after a login.

#include "base/Background.h"
#include "core/Main_DM.h"
#include "data/DataTable.h"
#include "exchange/SampleExport_DM.h"
#include "store/LocalDatabase.h"
#include "store/SqlUtil.h"
#include "support/TestDatabase.h"

#include <QSqlQuery>
#include <QTest>

#include <memory>
#include <optional>

struct ExportStore
{
    TestDatabase store;
    std::unique_ptr<TMaindm> maindm;

    ExportStore()
    {
        openLocalDatabase(store.path(), QLatin1String(TMaindm::ConnectionName));
        maindm = std::make_unique<TMaindm>();
        store.exec(QStringLiteral("UPDATE SYS_LOCAL_SETTINGS SET LOCAL_AUTHORITY__CODE = ?, INSTALLATION_CODE = ?, "
                                  "LOCAL_AUTH_OFFICE__CODE = ?"),
                   {QStringLiteral("ABC"), QStringLiteral("07"), QStringLiteral("ABC01")});
        store.exec(QStringLiteral("UPDATE SYS_COMPANY SET LOCAL_AUTHORITY_NAME = ?"), {QStringLiteral("Abbey Council")});
        store.exec(QStringLiteral("INSERT INTO LOCAL_AUTH_OFFICE (ID, UNIQUE_UUID, CODE, OFFICE_CODE, DESCRIPTION, "
                                  "LOCAL_AUTHORITY__CODE, FLAG_DELETED) VALUES (1, ?, 'ABC01', 'N1', 'North Office', "
                                  "'ABC', 'F')"),
                   {newUuid()});
        addOfficer(1, QStringLiteral("JB"), QStringLiteral("Jo Bloggs"), QStringLiteral("0123 456"),
                   QStringLiteral("jo@abc.example"));
        addOfficer(2, QStringLiteral("ON"), QStringLiteral("Pat O'Neil"), QString(), QString());
        addOfficer(3, QStringLiteral("FF"), QStringLiteral("Fay Feed"), QStringLiteral("999"), QStringLiteral("fay@abc.example"));
    }

    void addOfficer(qint64 id, const QString &code, const QString &name, const QString &telephone, const QString &email,
                    const QString &flagDeleted = QStringLiteral("F"))
    {
        store.exec(QStringLiteral("INSERT INTO SAMPLE_OFFICER (ID, UNIQUE_UUID, CODE, NAME, TELEPHONE_NO, EMAIL_ADDRESS, "
                                  "LOGIN_USERNAME, LOGIN_PASSWORD, FLAG_DELETED) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                   {id, newUuid(), code, name, telephone.isEmpty() ? QVariant() : QVariant(telephone),
                    email.isEmpty() ? QVariant() : QVariant(email), code.toLower(), QStringLiteral("secret-") + code,
                    flagDeleted});
    }

    struct Sample
    {
        QString officerCode = QStringLiteral("JB");
        QString officerName = QStringLiteral("Jo Bloggs");
        QString lab = QStringLiteral("LAB1");
        QString labDescription = QStringLiteral("County Laboratory");
        QString status = QStringLiteral("VALIDATED");
        QString recordType = QStringLiteral("FOOD");
        QString laSampleNo;
        QString analysisType = QStringLiteral("C");
        QString description = QStringLiteral("Chicken sandwich");
    };

    // Adds a sample and returns its UUID; its code is "S" and a running number.
    QString addSample(const Sample &s)
    {
        const QString uuid = newUuid();
        ++m_samples;
        store.exec(QStringLiteral("INSERT INTO SAMPLE (UNIQUE_UUID, CODE, LA_SAMPLENO, RECORD_TYPE, SAMPLE_STATUS__CODE, "
                                  "SAMPLE_OFFICER__CODE, SAMPLE_OFFICER_NAME, LABORATORY__CODE, LABORATORY_DESCRIPTION, "
                                  "ANALYSIS_TYPE, FOOD_DESCRIPTION, FLAG_DELETED) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 'F')"),
                   {uuid, QStringLiteral("S%1").arg(m_samples, 4, 10, QLatin1Char('0')),
                    s.laSampleNo.isEmpty() ? QStringLiteral("LA-%1").arg(m_samples, 4, 10, QLatin1Char('0')) : s.laSampleNo,
                    s.recordType, s.status, s.officerCode, s.officerName, s.lab, s.labDescription,
                    s.analysisType.isEmpty() ? QVariant() : QVariant(s.analysisType), s.description});
        return uuid;
    }

    void queueCancelled(const QString &code)
    {
        store.exec(QStringLiteral("INSERT INTO CANCELLED_SAMPLE (SAMPLE__CODE) VALUES (?)"), {code});
    }

    QStringList cancelledCodes()
    {
        QStringList codes;
        QSqlQuery q = SqlUtil::exec(store.db(), QStringLiteral("SELECT SAMPLE__CODE FROM CANCELLED_SAMPLE ORDER BY ID"));
        while (q.next())
            codes << q.value(0).toString();
        return codes;
    }

    // While on, the store refuses to record any export batch, as a full disk or a broken store
    // would; the delivery's other writes go back with it.
    void refuseBatches(bool on)
    {
        if (!m_refuserInstalled) {
            store.exec(QStringLiteral("CREATE TABLE T_REFUSE_BATCHES (X INTEGER)"));
            store.exec(QStringLiteral("CREATE EXCEPTION E_REFUSE_BATCHES 'the store takes no batches now'"));
            store.exec(QStringLiteral("CREATE TRIGGER T_REFUSE_BATCHES FOR EXPORT_BATCH BEFORE INSERT AS BEGIN "
                                      "IF (EXISTS (SELECT 1 FROM T_REFUSE_BATCHES)) THEN EXCEPTION E_REFUSE_BATCHES; END"));
            m_refuserInstalled = true;
        }
        store.exec(on ? QStringLiteral("INSERT INTO T_REFUSE_BATCHES (X) VALUES (1)")
                      : QStringLiteral("DELETE FROM T_REFUSE_BATCHES"));
    }

    qint64 count(const QString &sql, const QVariantList &params = {})
    {
        return store.scalar(sql, params).toLongLong();
    }

    QString status(const QString &uuid)
    {
        return store.scalar(QStringLiteral("SELECT SAMPLE_STATUS__CODE FROM SAMPLE WHERE UNIQUE_UUID = ?"), {uuid})
            .toString();
    }

    // The rows a laboratory must receive for these samples: the sample's columns, then its
    // officer's, the officer's password left out, in the order given.
    DataTable expectedPacket(const QStringList &uuids)
    {
        DataTable all;
        QSqlQuery q = SqlUtil::exec(store.db(),
                                    QStringLiteral("SELECT S.*, SO.* FROM SAMPLE S LEFT OUTER JOIN SAMPLE_OFFICER SO ON "
                                                   "SO.CODE = S.SAMPLE_OFFICER__CODE AND SO.FLAG_DELETED = 'F'"));
        all.fillFromQuery(q);
        DataTable rows(all.fields());
        const int key = all.indexOf(QStringLiteral("UNIQUE_UUID"));
        const int password = all.indexOf(QStringLiteral("LOGIN_PASSWORD"));
        for (const QString &uuid : uuids) {
            for (int r = 0; r < all.rowCount(); ++r) {
                if (all.value(r, key).toString() != uuid)
                    continue;
                QVariantList row = all.row(r);
                row[password] = QVariant();
                rows.appendRow(row);
            }
        }
        return rows;
    }

    ~ExportStore()
    {
        maindm.reset(); // closes the main connection
    }

private:
    int m_samples = 0;
    bool m_refuserInstalled = false;
};

// Waits for the outcome of an engine call that answers in the background.
inline BackgroundOutcome<void> waitFor(const std::function<void(TSampleExportDM::Done)> &call, int timeoutMs = 30000)
{
    auto got = std::make_shared<std::optional<BackgroundOutcome<void>>>();
    call([got](const BackgroundOutcome<void> &o) { *got = o; });
    if (!QTest::qWaitFor([got]() { return got->has_value(); }, timeoutMs)) {
        BackgroundOutcome<void> late;
        late.error = QStringLiteral("no answer within %1 ms").arg(timeoutMs);
        return late;
    }
    return **got;
}
