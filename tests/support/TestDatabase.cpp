#include "support/TestDatabase.h"

#include "base/VarnexError.h"
#include "store/LocalDatabase.h"
#include "store/SqlUtil.h"

#include <QAtomicInt>
#include <QFile>
#include <QTest>

namespace {
QAtomicInt g_counter;
}

TestDatabase::TestDatabase(const QString &source)
{
    m_path = m_dir.filePath(QStringLiteral("test.fdb"));
    if (!QFile::copy(source, m_path)) {
        m_error = QStringLiteral("cannot copy %1").arg(source);
        return;
    }
    QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
    m_connectionName = QStringLiteral("testdb-%1").arg(g_counter.fetchAndAddRelaxed(1));
    m_db = openLocalDatabase(m_path, m_connectionName, &m_error);
}

TestDatabase::~TestDatabase()
{
    for (const QString &name : std::as_const(m_extra))
        closeDatabaseConnection(name);
    m_db = QSqlDatabase();
    if (!m_connectionName.isEmpty())
        closeDatabaseConnection(m_connectionName);
}

QSqlDatabase TestDatabase::openExtraConnection(const QString &suffix)
{
    const QString name = m_connectionName + QLatin1Char('-') + suffix;
    m_extra << name;
    return openLocalDatabase(m_path, name);
}

QVariant TestDatabase::scalar(const QString &sql, const QVariantList &params)
{
    try {
        return SqlUtil::scalar(m_db, sql, params);
    } catch (const VarnexError &e) {
        QTest::qFail(qPrintable(e.message() + QStringLiteral(" in ") + sql), __FILE__, __LINE__);
        return {};
    }
}

void TestDatabase::exec(const QString &sql, const QVariantList &params)
{
    scalar(sql, params);
}

void TestDatabase::insert(const QString &table, const QVariantMap &values)
{
    exec(insertStatement(table, values.keys()), values.values());
}

QString TestDatabase::insertStatement(const QString &table, const QStringList &columns)
{
    const QStringList marks(columns.size(), QStringLiteral("?"));
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(table, columns.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
}

QString TestDatabase::templatePath()
{
    return QStringLiteral(VARNEX_BIN_DIR "/database_template.fdb");
}

QString TestDatabase::legacyTemplatePath()
{
    return QStringLiteral(VARNEX_TESTS_BUILD_DIR "/legacy_template.fdb");
}
