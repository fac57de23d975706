#pragma once

#include "base/VarnexError.h"

#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// One free-text officer name mapped to an officer.
class TSampleOfficerMapping
{
public:
    QString Code;        // the officer's
    QString Name;        // the officer's
    QString MappingName; // the mapped free-text name
};

// The mappings of every officer, in officer code order and, within an officer, in the order of
// his mapped names.
class TSampleOfficerMappingList
{
public:
    void AddMapping(const QString &code, const QString &name, const QString &mappingName);
    int Count() const { return int(m_items.size()); }
    TSampleOfficerMapping &operator[](int index) { return *m_items[index]; }
    const TSampleOfficerMapping &operator[](int index) const { return *m_items.at(index); }
    void ClearMappings() { m_items.clear(); }
    // Reads CODE, NAME and NAME_MAPPINGS of every SAMPLE_OFFICER row (deleted ones too), by code.
    void BuildList(const QSqlDatabase &db);
    // The first mapping of exactly that name; nullptr when there is none.
    const TSampleOfficerMapping *FindMappingForName(const QString &Name) const;

private:
    std::vector<std::unique_ptr<TSampleOfficerMapping>> m_items;
};

// The officer name mappings: the free-text officer names that completed samples carry (as they
// come back from the laboratories) mapped to officers, kept one name per line in
// SAMPLE_OFFICER.NAME_MAPPINGS, and written into the samples as their officer code. Works on the
// main connection, each change committed on its own, on the main thread.
class TSampleOfficerMapperDM : public QObject
{
    Q_OBJECT
public:
    // The length of NAME_MAPPINGS.
    static constexpr int NameMappingsLength = 4000;

    explicit TSampleOfficerMapperDM(std::function<QSqlDatabase()> connection, QObject *parent = nullptr);

    // The officer's mapped names, one a line (CR LF between lines); empty when there is no officer
    // of that code.
    QString GetMappingsForOfficer(const QString &Code) const;
    // The distinct officer names of completed samples, in ascending order, that no officer maps
    // (exact match), one a line.
    QString GetUnmatchedNamesInSamples() const;
    // Adds the name to the officer's mapped names, kept sorted without regard to letter case; a
    // name he has already stays once. Nothing when there is no officer of that code. Throws
    // VarnexError, nothing written, when the names would not fit into NAME_MAPPINGS.
    void AddMappingToOfficer(const QString &Code, const QString &Mapping);
    // Removes the first of the officer's mapped names that equals the name exactly.
    void DeleteMappingFromOfficer(const QString &Code, const QString &Mapping);
    // Gives every completed sample the code of the officer that maps its officer name (the one
    // whose code sorts last when several do), and none when no officer does. One transaction;
    // only samples whose code changes are written, so the others are not marked as changed for
    // the next export and upload. Returns how many samples were written.
    int ApplyMappingsToSamples();

    // Rebuilt on every read.
    const TSampleOfficerMappingList &MappingsList();

private:
    QSqlDatabase database() const { return m_connection(); }
    // The officer row of the code (a live one before a deleted one); its UNIQUE_UUID, or empty.
    QString officerKey(const QString &code) const;
    void writeMappings(const QString &key, const QStringList &lines);

    std::function<QSqlDatabase()> m_connection;
    TSampleOfficerMappingList m_list;
};

// A refused officer row: the message to show and which editor it concerns.
class OfficerRefused : public VarnexError
{
public:
    enum Field { Email, Password, Code };
    OfficerRefused(Field field, const QString &message) : VarnexError(message), m_field(field) {}
    Field field() const { return m_field; }

private:
    Field m_field;
};

// The checks before an officer row is written, in order: an e-mail address and a password are
// required; the code must be no other officer's (deleted officers included); the address, in
// lower case, must be no other officer's in any letter case. Returns the address in lower case,
// to be stored; throws OfficerRefused. uuid is the UNIQUE_UUID of the row being written.
QString CheckSampleOfficerForPost(const QSqlDatabase &db, const QString &uuid, const QString &code,
                                  const QString &email, const QString &password);
