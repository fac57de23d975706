#include "support/TestDatabase.h"

#include <QAtomicInt>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

namespace {
QAtomicInt g_counter;

QSqlDatabase openFirebird(const QString &path, const QString &name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), name);
    db.setDatabaseName(path);
    db.setUserName(QStringLiteral("SYSDBA"));
    db.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
    db.open();
    return db;
}
} // namespace

TestDatabase::TestDatabase(const QString &source)
{
    m_path = m_dir.filePath(QStringLiteral("test.fdb"));
    if (!QFile::copy(source, m_path)) {
        m_error = QStringLiteral("cannot copy %1").arg(source);
        return;
    }
    QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
    m_connectionName = QStringLiteral("testdb-%1").arg(g_counter.fetchAndAddRelaxed(1));
    m_db = openFirebird(m_path, m_connectionName);
    if (!m_db.isOpen())
        m_error = m_db.lastError().text();
}

TestDatabase::~TestDatabase()
{
    for (const QString &name : std::as_const(m_extra)) {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
    m_db.close();
    m_db = QSqlDatabase();
    if (!m_connectionName.isEmpty())
        QSqlDatabase::removeDatabase(m_connectionName);
}

QSqlDatabase TestDatabase::openExtraConnection(const QString &suffix)
{
    const QString name = m_connectionName + QLatin1Char('-') + suffix;
    m_extra << name;
    return openFirebird(m_path, name);
}

QVariant TestDatabase::scalar(const QString &sql, const QVariantList &params)
{
    QSqlQuery q(m_db);
    if (!q.prepare(sql)) {
        QTest::qFail(qPrintable(q.lastError().text() + QStringLiteral(" in ") + sql), __FILE__, __LINE__);
        return {};
    }
    for (const QVariant &p : params)
        q.addBindValue(p);
    if (!q.exec()) {
        QTest::qFail(qPrintable(q.lastError().text() + QStringLiteral(" in ") + sql), __FILE__, __LINE__);
        return {};
    }
    return q.next() ? q.value(0) : QVariant();
}

void TestDatabase::exec(const QString &sql, const QVariantList &params)
{
    scalar(sql, params);
}

QString TestDatabase::templatePath()
{
    return QStringLiteral(VARNEX_BIN_DIR "/database_template.fdb");
}

QString TestDatabase::legacyTemplatePath()
{
    return QStringLiteral(VARNEX_TESTS_BUILD_DIR "/legacy_template.fdb");
}
