#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Codes that the central data module serves to the rest of the program.
// The settings (authority and installation codes) are the caller's; the database is the caller's
// connection.

// A sample code: authority code, installation code, then the number with at least four digits
// ("%4.4d": 7 -> "0007", 12345 -> "12345").
QString formatSampleCode(const QString &authorityCode, const QString &installationCode, qint64 sampleNumber);

// The code of a new sample. sampleNumber 0 takes the next value of the generator GEN_SAMPLE on db;
// throws VarnexError with the database's message when the generator cannot be read.
QString GetNewSampleCode(const QString &authorityCode, const QString &installationCode, qint64 sampleNumber,
                         const QSqlDatabase &db);

// A new UUID: 36 characters, upper-case hexadecimal in groups 8-4-4-4-12 joined by hyphens.
QString GetNewUUIDString();

// The items quoted for reading: each enclosed in single quotes with its quotes doubled, joined by
// "," ("a", "b'c" -> 'a','b''c'). Not for building SQL: queries take SqlUtil::sqlInList.
QString GetDelimitedText(const QStringList &items);

// The CODE of the sampling officer whose NAME equals the given name exactly, or "NF" when there is
// none (also for a blank name). A live officer is preferred to one marked deleted. Throws
// VarnexError when the query fails.
QString GetSamplingOfficerCodeFromName(const QString &name, const QSqlDatabase &db);
