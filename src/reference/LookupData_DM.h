#pragma once

#include "data/DataTable.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// A label by which screens find a lookup list (the import field definitions and the translation
// terms screen), with the list's data source, its key fields and the fields it shows.
struct TLookupDataSetInfo
{
    QString DisplayLabel;
    QString DatasourceName;
    QString KeyFields;
    QString LookupFields;
};

// The data source of one in-memory lookup table: a table model that views and editors bind to by
// its name ("srcMaterialType"). It is reset whenever its table is reloaded. Qt::DisplayRole is the
// text a list shows, Qt::EditRole the value itself.
class LookupTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit LookupTableModel(const QString &name, QObject *parent = nullptr);

    const DataTable &table() const { return *m_table; }
    // The column of a field (letter case ignored); -1 when the table has none.
    int column(const QString &field) const { return m_table->indexOf(field); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    friend class TLookupDataDm;
    // The module changes the table inside a reset, so views see every reload.
    void replace(const DataTable *table, const std::function<void()> &change);
    const DataTable *m_table;
};

// The in-memory code lists of the program: one table per lookup list, each loaded from the row of
// LOOKUP_TABLE_LIST that bears its name, with the questions the editors, validation and imports
// ask about codes. Made once after login, on the main thread, on the main local connection; free
// of widgets, so batch runs have it too.
//
// A list whose stream cannot be read keeps what it had, and the others load; the load operations
// return one line per such list, for the caller to show once (ShowLoadProblems).
class TLookupDataDm : public QObject
{
    Q_OBJECT
public:
    // The main local connection; a function so that the module always uses the connection of the
    // moment. localLaboratories gives the authority's laboratories in use, one description per line.
    TLookupDataDm(std::function<QSqlDatabase()> connection, std::function<QString()> localLaboratories,
                  QObject *parent = nullptr);
    ~TLookupDataDm() override;

    // The names of every table, in load order.
    static QStringList TableNames();
    // The label table (the import field definitions' lookup names).
    static const QList<TLookupDataSetInfo> &DataSetInfos();

    // Reload every table, or one (mdLaboratoryFiltered is rebuilt, never loaded). Each returns one
    // line per list that could not be read; a database failure throws VarnexError.
    QStringList RefreshDatasetsFromDatabase();
    QStringList RefreshSingleDataset(const QString &ADataset);
    // Reload: a table without a row starts over (empty, or with the program's own content); one
    // whose row cannot be read keeps what it had. LoadFromLocalData alone leaves a table without a
    // row as it is. The returned text says why a row could not be read.
    QString LoadFromLocalData(const QString &ADataset);

    // Whether the table has a row whose Code is exactly ACode (letter case counts). An unknown
    // table holds no code.
    bool CheckCodeExists(const QString &ACode, const QString &ADataset) const;
    // The data source for a display label, with the label's row; nullptr for an unknown label.
    LookupTableModel *GetDataSource(const QString &AName, TLookupDataSetInfo *Info = nullptr) const;
    // A data source by its own name ("srcMAFF"); nullptr when there is none.
    LookupTableModel *DataSource(const QString &name) const;
    // A table by its name ("mdMAFF"); throws VarnexError for an unknown name.
    const DataTable &Table(const QString &ADataset) const;

    QString HelpForCategory(const QString &Code) const;
    QString GetRegionForCountry(const QString &Country) const;
    QString GetISOCodeForCountry(const QString &aCountryName) const;

    // Rebuilds mdLaboratoryFiltered: every laboratory, or those whose description is one of the
    // lines of the authority's laboratories in use (letter case ignored).
    void SetupFilterdLabList();

    // Reloads every table, then writes each as "<folder>/<table>.txt": a first line of field
    // names, then a line per row, fields separated by "|". A value holding "|", a quote or a line
    // break is put in double quotes with inner quotes doubled. The folder must exist. Throws
    // VarnexError naming the file that could not be written; the files written before stay.
    void SaveDatasetsToFile(const QString &folder = QStringLiteral("vrxlookups"));

    // Shows the lines of a load in one message through the current prompter (standard error in
    // batch runs); nothing when there are none.
    static void ShowLoadProblems(const QStringList &problems);

signals:
    // After a table was loaded or rebuilt.
    void tableReloaded(const QString &name);

private:
    struct List;
    List &tableOf(const QString &name) const;
    QString load(List &t, bool startOverWithoutRow);
    void replaceContent(List &t, DataTable content);
    void resetToStart(List &t);

    std::function<QSqlDatabase()> m_connection;
    std::function<QString()> m_localLaboratories;
    QList<List *> m_tables;
    QHash<QString, List *> m_byName;       // case-sensitive table name
    QHash<QString, List *> m_bySourceName; // data source name
};

// The one instance, made after login; nullptr before.
extern TLookupDataDm *LookupDataDm;
