#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

// The authority's free-text pick lists (brand names, manufacturers, analysis names...): one row of
// OPTIONAL_LOOKUP_LIST per list, one entry per line. The table is synchronised, so a list saved
// here reaches the other installations of the authority with the next pass.
//
// Lines are read with CR LF or LF between them and written with CR LF, as every installation
// writes them.
class TOptionalLookupDataDM : public QObject
{
    Q_OBJECT
public:
    // The main local connection; a function so that the module always uses the connection of the
    // moment.
    explicit TOptionalLookupDataDM(std::function<QSqlDatabase()> connection, QObject *parent = nullptr);

    // The list's text, empty when the list has no row. Throws VarnexError on a database failure.
    QString GetLookupData(const QString &AListName) const;
    // The list's entries, one per line, empty lines left out.
    QStringList GetLookupLines(const QString &AListName) const;
    // Stores the list's text (line breaks written as CR LF), creating its row when there is none.
    // A new row goes in without an ID: the store's trigger numbers it as a local change waiting
    // for upload, so it can never take the number of a row another installation made. Committed
    // at once; throws VarnexError (nothing stored) on a database failure.
    void SetLookupData(const QString &AListName, const QString &Data);

    // The list names of each personality with the captions the editors show them under.
    struct ListName
    {
        QString Caption;
        QString LookupName;
    };
    static const QList<ListName> &FoodLists();
    static const QList<ListName> &FeedLists();

private:
    std::function<QSqlDatabase()> m_connection;
};

// The one instance, made after login; nullptr before.
extern TOptionalLookupDataDM *OptionalLookupDataDM;
