#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUuid>
#include <QVariant>
#include <QVariantMap>

// A new UUID as the program writes one: 36 characters, upper-case hexadecimal with hyphens.
inline QString newUuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

// A private copy of a database file, opened on its own connection for one test.
class TestDatabase
{
public:
    // Copies the built database_template.fdb (or another file) into a fresh temporary folder.
    explicit TestDatabase(const QString &source = templatePath());
    ~TestDatabase();

    TestDatabase(const TestDatabase &) = delete;
    TestDatabase &operator=(const TestDatabase &) = delete;

    bool isValid() const { return m_db.isOpen(); }
    QString errorText() const { return m_error; }
    QString path() const { return m_path; }
    QSqlDatabase db() const { return m_db; }

    // Opens a further connection to the same file (the QIBASE driver runs one transaction per
    // connection, so concurrent units of work need their own).
    QSqlDatabase openExtraConnection(const QString &suffix);

    // Runs one statement with positional parameters; fails the current test on error.
    QVariant scalar(const QString &sql, const QVariantList &params = {});
    void exec(const QString &sql, const QVariantList &params = {});
    // Inserts one row: the keys are the columns (named by the test, never data), every value bound.
    // Fails the current test on error.
    void insert(const QString &table, const QVariantMap &values);
    // The statement insert() runs, for a test that wants to see it refused.
    static QString insertStatement(const QString &table, const QStringList &columns);

    static QString templatePath();
    static QString legacyTemplatePath();

private:
    QTemporaryDir m_dir;
    QString m_path;
    QString m_connectionName;
    QStringList m_extra;
    QSqlDatabase m_db;
    QString m_error;
};
