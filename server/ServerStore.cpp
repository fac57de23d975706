#include "ServerStore.h"

#include "base/AtomicFile.h"
#include "base/Clock.h"
#include "base/VarnexError.h"
#include "data/DataTable.h"
#include "data/MemDataStream.h"
#include "data/ResultBlobs.h"
#include "remote/DAData_DM.h"
#include "store/LocalDatabase.h"
#include "store/SqlUtil.h"
#include "store/SynchronisedTables.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>

#include <atomic>

#include <pthread.h>
#include <signal.h>

namespace {

QString readResource(const QString &name)
{
    QFile f(QStringLiteral(":/server/") + name);
    if (!f.open(QIODevice::ReadOnly))
        throw VarnexError(QStringLiteral("The server's schema resource %1 is missing").arg(name));
    return QString::fromUtf8(f.readAll());
}

QString stripComments(QString sql)
{
    static const QRegularExpression comment(QStringLiteral("/\\*.*?\\*/"), QRegularExpression::DotMatchesEverythingOption);
    return sql.remove(comment);
}

// The CREATE TABLE and CREATE INDEX statements of the synchronised tables, taken from the local
// store's scripts so that the server keeps every column a client can upload.
QString syncedTablesScript()
{
    const QString source = stripComments(readResource(QStringLiteral("tables.sql")) + QLatin1Char('\n')
                                         + readResource(QStringLiteral("samples.sql")));
    QString out;
    for (const QString &table : ServerStore::syncedTables()) {
        const QRegularExpression create(QStringLiteral("CREATE TABLE %1 \\(.*?\\n\\);").arg(table),
                                        QRegularExpression::DotMatchesEverythingOption);
        const QRegularExpressionMatch m = create.match(source);
        if (!m.hasMatch())
            throw VarnexError(QStringLiteral("No definition of the table %1 in the store scripts").arg(table));
        out += m.captured(0) + QLatin1Char('\n');
        const QRegularExpression index(QStringLiteral("CREATE INDEX \\w+ ON %1 \\([^)]*\\);").arg(table));
        auto it = index.globalMatch(source);
        while (it.hasNext())
            out += it.next().captured(0) + QLatin1Char('\n');
    }
    return out;
}

QSqlDatabase openFirebird(const QString &path, const QString &name)
{
    QString error;
    const QSqlDatabase db = openLocalDatabase(path, name, &error);
    if (!db.isOpen())
        throw VarnexError(QStringLiteral("Cannot open the server store %1: %2").arg(path, error));
    return db;
}

// One lookup list of the seed: the row of LOOKUP_TABLE_LIST that carries it.
struct SeedLookupList
{
    QString datasetName;
    QString tableName;
    QString categoryName;
    QByteArray content; // the list as a lookup table stream
};

// The lookup lists the server starts with (seed/lookups.json): {"<dataset name>": {"table": ...,
// "category": ..., "fields": [[name, "string", size] | [name, "integer"] | [name, "boolean"], ...],
// "rows": [[value, ...], ...]}, ...}, each written as the stream the clients read.
QList<SeedLookupList> seedLookupLists()
{
    const QString resource = QStringLiteral("lookups.json");
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(readResource(resource).toUtf8(), &parseError);
    if (!doc.isObject())
        throw VarnexError(QStringLiteral("The seed %1 is not a JSON object: %2").arg(resource, parseError.errorString()));
    static const QHash<QString, FieldType> types = {{QStringLiteral("string"), FieldType::String},
                                                    {QStringLiteral("integer"), FieldType::Int32},
                                                    {QStringLiteral("boolean"), FieldType::Boolean}};
    QList<SeedLookupList> lists;
    const QJsonObject root = doc.object();
    for (auto it = root.begin(); it != root.end(); ++it) {
        const QJsonObject list = it.value().toObject();
        const auto fail = [&](const QString &what) {
            return VarnexError(QStringLiteral("The seed %1, list \"%2\": %3").arg(resource, it.key(), what));
        };
        DataTable table;
        for (const QJsonValue &f : list.value(QStringLiteral("fields")).toArray()) {
            const QJsonArray field = f.toArray();
            const QString type = field.at(1).toString();
            if (!types.contains(type))
                throw fail(QStringLiteral("unknown field type \"%1\"").arg(type));
            QString error;
            if (!table.addField({field.at(0).toString(), types.value(type), field.at(2).toInt()}, &error))
                throw fail(error);
        }
        for (const QJsonValue &row : list.value(QStringLiteral("rows")).toArray()) {
            QString error;
            if (!table.appendRow(row.toArray().toVariantList(), &error))
                throw fail(error);
        }
        lists << SeedLookupList{it.key(), list.value(QStringLiteral("table")).toString(),
                                list.value(QStringLiteral("category")).toString(), MemDataStream::write(table)};
    }
    return lists;
}

std::atomic<int> g_connectionCounter{0};

// The connection of one thread; closed by the thread itself when it ends, as a connection may only
// be used, and closed, on the thread that made it.
struct ThreadConnection
{
    QString name;
    ~ThreadConnection()
    {
        if (!name.isEmpty())
            closeDatabaseConnection(name);
    }
};
thread_local ThreadConnection t_connection;

} // namespace


ServerStore::ServerStore(const QString &dataDir) : m_dataDir(dataDir) {}

const QStringList &ServerStore::syncedTables()
{
    return synchronisedTableNames();
}

QString ServerStore::databasePath() const
{
    return QDir(m_dataDir).filePath(QStringLiteral("varnex-server.fdb"));
}

QSqlDatabase ServerStore::connection()
{
    // One connection per handler thread, made on that thread and used only there.
    if (t_connection.name.isEmpty())
        t_connection.name = QStringLiteral("server-%1").arg(g_connectionCounter.fetch_add(1));
    if (QSqlDatabase::contains(t_connection.name)) {
        QSqlDatabase db = QSqlDatabase::database(t_connection.name, false);
        if (db.isOpen())
            return db;
    }
    return openFirebird(databasePath(), t_connection.name);
}

void ServerStore::close()
{
    if (!t_connection.name.isEmpty())
        closeDatabaseConnection(t_connection.name);
}

void ServerStore::openOrCreate(const QString &seedFile)
{
    if (!QDir().mkpath(m_dataDir))
        throw VarnexError(QStringLiteral("Cannot create the data folder %1").arg(m_dataDir));
    if (!QFile::exists(databasePath()))
        createStore(seedFile);
    loadColumns(connection());
}

void ServerStore::createStore(const QString &seedFile)
{
    // Built under a temporary name and moved into place only when complete, so that a start that
    // fails half-way is simply repeated.
    const QString building = databasePath() + QStringLiteral(".building");
    QFile::remove(building);
    const QString script = QDir(m_dataDir).filePath(QStringLiteral("create-store.sql"));
    {
        QString quoted = building;
        quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
        QString error;
        if (!saveFileAtomically(script,
                                QStringLiteral("SET SQL DIALECT 3;\nSET NAMES UTF8;\nCREATE DATABASE '%1' PAGE_SIZE 8192 "
                                               "DEFAULT CHARACTER SET UTF8;\nCOMMIT;\n")
                                    .arg(quoted)
                                    .toUtf8(),
                                &error))
            throw VarnexError(QStringLiteral("Cannot write %1: %2").arg(script, error));
    }
    QProcess isql;
    isql.setProcessChannelMode(QProcess::MergedChannels);
    // The server blocks its stop signals in every thread to take them in one place; isql must not
    // inherit that.
    isql.setChildProcessModifier([] {
        sigset_t none;
        sigemptyset(&none);
        pthread_sigmask(SIG_SETMASK, &none, nullptr);
    });
    isql.start(QStringLiteral(VARNEX_ISQL), {QStringLiteral("-q"), QStringLiteral("-b"), QStringLiteral("-i"), script});
    if (!isql.waitForFinished(120000) || isql.exitStatus() != QProcess::NormalExit || isql.exitCode() != 0)
        throw VarnexError(QStringLiteral("isql could not create the server store: %1").arg(QString::fromLocal8Bit(isql.readAll())));
    QFile::remove(script);

    const QString connName = QStringLiteral("server-create");
    {
        QSqlDatabase db = openFirebird(building, connName);
        SqlUtil::runScript(db, stripComments(readResource(QStringLiteral("domains.sql"))));
        SqlUtil::runScript(db, syncedTablesScript());
        SqlUtil::runScript(db, stripComments(readResource(QStringLiteral("schema.sql"))));
        db.close();
        db = openFirebird(building, connName); // see the new tables
        loadColumns(db);
        SqlUtil::inTransaction(db, [&](QSqlDatabase &store) {
            seedDemo(store);
            if (!seedFile.isEmpty())
                seedFromFile(store, seedFile);
        });
        db.close();
    }
    closeDatabaseConnection(connName);
    if (!QFile::rename(building, databasePath()))
        throw VarnexError(QStringLiteral("Cannot move the new store into place at %1").arg(databasePath()));
}

void ServerStore::loadColumns(const QSqlDatabase &db)
{
    m_columns.clear();
    m_characterLengths.clear();
    QSqlQuery q = SqlUtil::exec(db, QStringLiteral(
        "SELECT TRIM(rf.RDB$RELATION_NAME), TRIM(rf.RDB$FIELD_NAME), f.RDB$CHARACTER_LENGTH "
        "FROM RDB$RELATION_FIELDS rf "
        "JOIN RDB$RELATIONS r ON r.RDB$RELATION_NAME = rf.RDB$RELATION_NAME "
        "JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = rf.RDB$FIELD_SOURCE "
        "WHERE COALESCE(r.RDB$SYSTEM_FLAG, 0) = 0 AND f.RDB$COMPUTED_BLR IS NULL "
        "ORDER BY rf.RDB$RELATION_NAME, rf.RDB$FIELD_POSITION"));
    while (q.next()) {
        const QString table = q.value(0).toString();
        const QString column = q.value(1).toString();
        m_columns[table].append(column);
        if (!m_stampLocks.count(table))
            m_stampLocks.emplace(table, std::make_unique<std::timed_mutex>());
        if (const int length = q.value(2).toInt(); length > 0)
            m_characterLengths[table].insert(column, length);
    }
}

qint64 ServerStore::claimSyncIds(const QSqlDatabase &db, qint64 count)
{
    QSqlQuery q = SqlUtil::exec(db, QStringLiteral("SELECT GEN_ID(GEN_SYNC_ID, CAST(? AS BIGINT)) FROM RDB$DATABASE"), {count});
    if (!q.next())
        throw VarnexError(QStringLiteral("The id sequence did not answer"));
    return q.value(0).toLongLong();
}

void ServerStore::insertRow(const QSqlDatabase &db, const QString &table, const QVariantMap &input)
{
    const QString t = table.toUpper();
    if (!hasTable(t))
        throw VarnexError(QStringLiteral("Unknown table \"%1\"").arg(table));
    const QStringList columns = writableColumns(t);
    QVariantMap row;
    for (auto it = input.cbegin(); it != input.cend(); ++it) {
        const QString c = it.key().toUpper();
        if (!columns.contains(c))
            throw VarnexError(QStringLiteral("Table %1 has no column \"%2\"").arg(t, it.key()));
        row.insert(c, it.value());
    }
    if (syncedTables().contains(t)) {
        const QVariant givenId = row.value(QStringLiteral("ID"));
        if (!givenId.isValid() || givenId.isNull()) {
            row.insert(QStringLiteral("ID"), claimSyncIds(db, 1));
        } else {
            // A row that brings its own id: the sequence moves past it, so that no id block
            // handed to a client later contains it (the client's new row would overwrite it).
            const qint64 id = givenId.toLongLong();
            const qint64 current = claimSyncIds(db, 0);
            if (id > current)
                claimSyncIds(db, id - current);
        }
        row.insert(QStringLiteral("UPDATE_ID"), claimSyncIds(db, 1));
        if (columns.contains(QStringLiteral("UNIQUE_UUID")) && !row.value(QStringLiteral("UNIQUE_UUID")).isValid())
            row.insert(QStringLiteral("UNIQUE_UUID"), QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    }
    QStringList names, marks;
    QVariantList values;
    for (auto it = row.cbegin(); it != row.cend(); ++it) {
        names << SqlUtil::quoteIdentifier(it.key());
        marks << QStringLiteral("?");
        values << it.value();
    }
    SqlUtil::exec(db, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(SqlUtil::quoteIdentifier(t), names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))), values);
}

namespace {

// Completed samples with their laboratory results and outcomes, as the laboratory's return leaves
// them, so that result reports and result panes have something to show.
void seedCompletedSamples(ServerStore &store, const QSqlDatabase &db)
{
    struct Result { const char *substance, *unit, *output; };
    struct Outcome { const char *id, *code, *description; };
    struct Completed
    {
        const char *code, *recordType, *analysisType, *reason, *food, *category, *laboratory, *comments;
        QList<Result> results;
        QList<Outcome> outcomes;
    };
    const Completed samples[] = {
        {"DEMO-0101", "FOOD", "M", "S", "Smoked ham, sliced", "Meat products", "Demo Public Analyst",
         "Satisfactory for the organisms examined.",
         {{"Listeria monocytogenes", "cfu/g", "Not detected in 25 g"}, {"Aerobic colony count", "cfu/g", "4.2 x 10^3"}},
         {{"1", "S", "Satisfactory"}}},
        {"DEMO-0102", "FOOD", "C", "E", "Orange juice from concentrate", "Fruit juices", "Demo Public Analyst",
         "Lead above the maximum level; sample retained.",
         {{"Lead", "mg/kg", "0.08"}, {"Cadmium", "mg/kg", "< 0.01"}},
         {{"2", "U1", "Unsatisfactory: exceeds the maximum level"}, {"3", "A2", "Advisory letter to the producer"}}},
        {"DEMO-0103", "ANIMAL FEED", "C", "S", "Compound feed for pigs", "Compound feeds", "Demo Agricultural Analyst",
         "Within the declared values.",
         {{"Copper", "mg/kg", "118"}, {"Aflatoxin B1", "ug/kg", "1.5"}},
         {}},
    };
    for (const Completed &c : samples) {
        DataTable results(ResultBlobs::resultFields());
        for (const Result &r : c.results) {
            const int row = results.appendRow();
            results.setValue(row, QStringLiteral("SAMPLE__CODE"), QString::fromUtf8(c.code));
            results.setValue(row, QStringLiteral("SUBSTANCE"), QString::fromUtf8(r.substance));
            results.setValue(row, QStringLiteral("LAB_UNIT"), QString::fromUtf8(r.unit));
            results.setValue(row, QStringLiteral("OUTPUT"), QString::fromUtf8(r.output));
            results.setValue(row, QStringLiteral("RESULT_TIMESTAMP"), QDateTime(QDate(2024, 3, 12), QTime(14, 5)));
        }
        DataTable outcomes(ResultBlobs::outcomeFields());
        for (const Outcome &o : c.outcomes)
            outcomes.appendRow({QString::fromUtf8(o.id), QString::fromUtf8(o.code), QString::fromUtf8(o.description)});
        store.insertRow(db, QStringLiteral("SAMPLE"),
                        {{"CODE", QString::fromUtf8(c.code)}, {"LA_SAMPLENO", QStringLiteral("LA-") + QString::fromUtf8(c.code).right(4)},
                         {"RECORD_TYPE", QString::fromUtf8(c.recordType)}, {"SAMPLE_STATUS__CODE", QStringLiteral("COMPLETE")},
                         {"SAMPLE_STATUS_DESCRIPTION", QStringLiteral("Complete")}, {"FLAG_DELETED", QStringLiteral("F")},
                         {"FLAG_PROSECUTION", QStringLiteral("F")}, {"FLAG_RETURNED_FROM_LAB", QStringLiteral("T")},
                         {"LOCAL_AUTHORITY__CODE", QStringLiteral("DEMO")}, {"LOCAL_AUTHORITY_DESCRIPTION", QStringLiteral("Demo Borough Council")},
                         {"LOCAL_AUTH_OFFICE__CODE", QStringLiteral("DEMO01")}, {"LOCAL_AUTH_OFFICE_DESCRIPTION", QStringLiteral("Demo main office")},
                         {"SAMPLE_OFFICER__CODE", QStringLiteral("PLAIN")}, {"SAMPLE_OFFICER_NAME", QStringLiteral("Pat Plain")},
                         {"SAMPLE_DATE", QDate(2024, 3, 5)}, {"SAMPLE_TIME", QTime(10, 30)},
                         {"BUSINESS_ID", QStringLiteral("PR-0042")}, {"PREMISES_NAME", QStringLiteral("Corner Deli")},
                         {"BUSINESS_ADDR_1", QStringLiteral("12 High Street")}, {"BUSINESS_ADDR_3", QStringLiteral("Northtown")},
                         {"BUSINESS_POSTCODE", QStringLiteral("NT1 2AB")}, {"ANALYSIS_TYPE", QString::fromUtf8(c.analysisType)},
                         {"REASON__CODE", QString::fromUtf8(c.reason)}, {"FOOD_DESCRIPTION", QString::fromUtf8(c.food)},
                         {"CATEGORY_DESCRIPTION", QString::fromUtf8(c.category)}, {"DURABILITY__CODE", QStringLiteral("E")},
                         {"DURABILITY_MONTH", 6}, {"DURABILITY_YEAR", 2024}, {"FLAG_COP_CONDITION", QStringLiteral("T")},
                         {"FLAG_COP_LAB", QStringLiteral("T")}, {"LABORATORY_DESCRIPTION", QString::fromUtf8(c.laboratory)},
                         {"LABORATORY_COMMENTS", QString::fromUtf8(c.comments)}, {"LAB_RECEIPT_DATE", QDate(2024, 3, 6)},
                         {"FLAG_SATISFACTORY", QString::fromUtf8(c.code) == QLatin1String("DEMO-0102") ? QStringLiteral("F") : QStringLiteral("T")},
                         {"CDS_LABORATORY_RESULTS", ResultBlobs::writeResults(results)},
                         {"CDS_OUTCOMES", c.outcomes.isEmpty() ? QVariant() : QVariant(ResultBlobs::writeOutcomes(outcomes))}});
    }
}

// The authority's premises registers, so that the pickers and the premises forms have rows to show.
void seedDemoPremises(ServerStore &store, const QSqlDatabase &db)
{
    struct Premises { const char *code, *name, *street, *type, *risk, *standards; };
    const Premises food[] = {
        {"PR-0042", "Corner Deli", "12 High Street", "RET", "C", "B"},
        {"PR-0101", "Northtown Butchers", "3 Market Place", "RET", "B", "B"},
        {"PR-0102", "The Golden Wok", "48 Station Road", "REST", "B", "C"},
        {"PR-0103", "Harbour Fish Bar", "1 Quay Street", "REST", "C", "C"},
        {"PR-0104", "Fenland Dairies Ltd", "Unit 4, Mill Lane Industrial Estate", "MANU", "A", "A"},
        {"PR-0105", "Green Acre Farm Shop", "Green Acre Farm, Long Lane", "PROD", "D", "C"},
        {"PR-0106", "Eastport Food Imports", "Dock Road, Warehouse 7", "IMPEX", "B", "A"},
        {"PR-0107", "County Wholesale Foods", "22 Commerce Way", "DIST", "C", "B"},
        {"PR-0108", "Riverside Bakery", "9 River Walk", "MANU", "C", "B"},
        {"PR-0109", "St Mary's Primary School Kitchen", "Church Street", "REST", "B", "C"},
        {"PR-0110", "Station Road Convenience Store", "61 Station Road", "RET", "E", "C"},
        {"PR-0111", "The Old Bell Inn", "2 Church Square", "REST", "C", "C"},
        {"PR-0112", "Spice Route Supermarket", "17 Market Street", "RET", "C", "A"},
        {"PR-0113", "Northtown Hospital Catering", "Hospital Lane", "REST", "A", "B"},
        {"PR-0114", "Marsh Lane Smokehouse", "Marsh Lane", "MANU", "B", "B"},
        {"PR-0115", "Village Stores", "The Green, Upper Eastbrook", "RET", "E", "C"},
    };
    const char *towns[] = {"Northtown", "Eastport", "Upper Eastbrook"};
    int n = 0;
    for (const Premises &p : food) {
        store.insertRow(db, QStringLiteral("PREMISES_DETAIL"),
                        {{"CODE", QString::fromUtf8(p.code)}, {"PREMISES_NAME", QString::fromUtf8(p.name)},
                         {"BUSINESS_ADDR_1", QString::fromUtf8(p.street)}, {"BUSINESS_ADDR_3", QString::fromUtf8(towns[n % 3])},
                         {"BUSINESS_POSTCODE", QStringLiteral("NT%1 %2AB").arg(1 + n % 9).arg(n % 10)},
                         {"PREMISES_TYPE__CODE", QString::fromUtf8(p.type)}, {"RISK_CATEGORY__CODE", QString::fromUtf8(p.risk)},
                         {"RISK_CATEGORY_FOOD_STAND__CODE", QString::fromUtf8(p.standards)},
                         {"LOCAL_AUTHORITY__CODE", QStringLiteral("DEMO")}, {"LOCAL_AUTH_OFFICE__CODE", QStringLiteral("DEMO01")},
                         {"FLAG_DELETED", QStringLiteral("F")}});
        ++n;
    }
    const Premises feed[] = {
        {"AF-0201", "Fenland Feed Mill", "Mill Road", "MANU", "A", ""},
        {"AF-0202", "J. Hartley, Mobile Mixing", "Yard 3, Long Lane", "MIX", "B", ""},
        {"AF-0203", "Home Farm", "Home Farm, Upper Eastbrook", "FARM", "C", ""},
        {"AF-0204", "Eastport Grain Merchants", "Dock Road, Silo 2", "DIST", "B", ""},
        {"AF-0205", "Happy Paws Pet Foods Ltd", "Unit 9, Commerce Way", "PETM", "B", ""},
        {"AF-0206", "Country Store Agricultural Supplies", "4 Market Place", "RET", "D", ""},
    };
    for (const Premises &p : feed) {
        store.insertRow(db, QStringLiteral("PREMISES_DETAIL_ANIMAL_FEED"),
                        {{"CODE", QString::fromUtf8(p.code)}, {"PREMISES_NAME", QString::fromUtf8(p.name)},
                         {"BUSINESS_ADDR_1", QString::fromUtf8(p.street)}, {"BUSINESS_ADDR_3", QString::fromUtf8(towns[n % 3])},
                         {"BUSINESS_POSTCODE", QStringLiteral("NT%1 %2FF").arg(1 + n % 9).arg(n % 10)},
                         {"PREMISES_TYPE__CODE", QString::fromUtf8(p.type)}, {"RISK_CATEGORY__CODE", QString::fromUtf8(p.risk)},
                         {"REGISTRATION_NUMBER", QStringLiteral("GB-FD-%1").arg(400 + n)},
                         {"LOCAL_AUTHORITY__CODE", QStringLiteral("DEMO")}, {"LOCAL_AUTH_OFFICE__CODE", QStringLiteral("DEMO01")},
                         {"FLAG_DELETED", QStringLiteral("F")}});
        ++n;
    }
}

} // namespace

void ServerStore::seedDemo(const QSqlDatabase &db)
{
    const QString la = QStringLiteral("DEMO");
    const QString office = QStringLiteral("DEMO01");
    auto S = [](const char *s) { return QVariant(QString::fromUtf8(s)); };

    // The built-in account of the central-server client.
    insertRow(db, QStringLiteral("SERVICE_ACCOUNT"), {{"USER_NAME", QString::fromLatin1(TDADataDm::ServiceUserName())},
                                                      {"USER_PASSWORD", QString::fromLatin1(TDADataDm::ServicePassword())},
                                                      {"USER_ID", S("17")}, {"REAL_NAME", S("Varnex service account")}});
    insertRow(db, QStringLiteral("DB_ACTIVATION_LOCAL_AUTHORITY"), {{"CODE", la}, {"NAME", S("Demo Borough Council")},
                                                                    {"LLG", S("DEMO-LLG")}, {"LAST_INSTALL_ID", 0}});
    // The settings an authority's administrator gives: the laboratories that new food and feed
    // samples go to, chemical and micro (codes of the laboratory list), and how far the year of a
    // durability date may lie behind and ahead of this year (a best-before date of the coming
    // years is valid, a mistyped 2204 is not).
    insertRow(db, QStringLiteral("SYS_COMPANY"), {{"LOCAL_AUTHORITY__CODE", la}, {"LOCAL_AUTHORITY_NAME", S("Demo Borough Council")},
                                                  {"FLAG_KEEP_ALIVE", S("T")}, {"SHOW_INTERNET_LOGIN_DIALOG", S("F")},
                                                  {"LABORATORY__CODE", S("PA01")}, {"LABORATORY__CODE_CHEM", S("PA01")},
                                                  {"LABORATORY__CODE_MICRO", S("MICRO1")},
                                                  {"ANIMAL_FEED_LAB__CODE_CHEM", S("PA03")},
                                                  {"ANIMAL_FEED_LAB__CODE_MICRO", S("MICRO1")},
                                                  {"DURABILITY_YEAR_LOWER_OFFSET", 2}, {"DURABILITY_YEAR_UPPER_OFFSET", 10}});
    insertRow(db, QStringLiteral("LOCAL_AUTH_OFFICE"), {{"CODE", office}, {"OFFICE_CODE", S("01")},
                                                        {"LOCAL_AUTHORITY__CODE", la}, {"DESCRIPTION", S("Demo main office")},
                                                        {"FLAG_DELETED", S("F")}});
    struct Officer { const char *code, *name, *email, *user, *scope, *laAdmin, *officeAdmin, *suspended; };
    const Officer officers[] = {
        {"ADMIN", "Alex Admin", "admin@demo.example", "admin", "authority", "T", "T", "F"},
        {"OFFADM", "Olive Officeadmin", "officeadmin@demo.example", "officeadmin", "office", "F", "T", "F"},
        {"PLAIN", "Pat Plain", "plain@demo.example", "plain", "office", "F", "F", "F"},
        {"SUSP", "Sam Suspended", "suspended@demo.example", "suspended", "office", "F", "F", "T"},
    };
    for (const Officer &o : officers)
        insertRow(db, QStringLiteral("SAMPLE_OFFICER"),
                  {{"CODE", S(o.code)}, {"NAME", S(o.name)}, {"EMAIL_ADDRESS", S(o.email)}, {"LOGIN_USERNAME", S(o.user)},
                   {"LOGIN_PASSWORD", S("demo")}, {"DATA_SCOPE", S(o.scope)}, {"IS_LOCAL_AUTHORITY_ADMIN", S(o.laAdmin)},
                   {"IS_OFFICE_ADMIN", S(o.officeAdmin)}, {"IS_SUSPENDED", S(o.suspended)}, {"FLAG_FOOD", S("T")},
                   {"FLAG_FEED", S("T")}, {"FLAG_DELETED", S("F")}, {"LOCAL_AUTHORITY__CODE", la},
                   {"LOCAL_AUTHORITY_NAME", S("Demo Borough Council")}, {"LOCAL_AUTH_OFFICE__CODE", office}});
    for (const SeedLookupList &list : seedLookupLists())
        insertRow(db, QStringLiteral("LOOKUP_TABLE_LIST"),
                  {{"DATASET_NAME", list.datasetName}, {"TABLE_NAME", list.tableName}, {"CATEGORY_NAME", list.categoryName},
                   {"LAST_CHANGE_TIMESTAMP", QDateTime(QDate(2024, 1, 1), QTime(0, 0))}, {"BINARY_CONTENT", list.content}});
    // A sample being recorded: taken the day before the server was first started, not yet
    // validated, so that a new user finds it on the Entered tab with what an officer records first.
    insertRow(db, QStringLiteral("SAMPLE"), {{"CODE", S("DEMO-0001")}, {"LOCAL_AUTHORITY__CODE", la},
                                             {"LOCAL_AUTHORITY_DESCRIPTION", S("Demo Borough Council")},
                                             {"LOCAL_AUTH_OFFICE__CODE", office}, {"LOCAL_AUTH_OFFICE_DESCRIPTION", S("Demo main office")},
                                             {"RECORD_TYPE", S("FOOD")}, {"SAMPLE_STATUS__CODE", S("ENTERED")},
                                             {"SAMPLE_STATUS_DESCRIPTION", S("Entered")}, {"LA_SAMPLENO", S("LA-0001")},
                                             {"SAMPLE_DATE", Clock::instance().today().addDays(-1)}, {"SAMPLE_TIME", QTime(11, 15)},
                                             {"SAMPLE_OFFICER__CODE", S("ADMIN")}, {"SAMPLE_OFFICER_NAME", S("Alex Admin")},
                                             {"ANALYSIS_TYPE", S("M")}, {"LABORATORY__CODE", S("MICRO1")},
                                             {"FOOD_DESCRIPTION", S("CHICKEN AND SWEETCORN SANDWICH")},
                                             {"BUSINESS_ID", S("PR-0042")}, {"PREMISES_NAME", S("Corner Deli")},
                                             {"BUSINESS_ADDR_1", S("12 High Street")}, {"BUSINESS_ADDR_3", S("Northtown")},
                                             {"BUSINESS_POSTCODE", S("NT1 2AB")},
                                             {"FLAG_PROSECUTION", S("F")}, {"FLAG_DELETED", S("F")}});
    insertRow(db, QStringLiteral("CLIENT_OUTCOME_CATEGORY"), {{"CODE", S("ACT")}, {"DESCRIPTION", S("Action taken")},
                                                              {"OUTCOME_HEADING__CODE", S("OUTCOME")}});
    insertRow(db, QStringLiteral("CLIENT_OUTCOME_CATEGORY"), {{"CODE", S("NOACT")}, {"DESCRIPTION", S("No action")},
                                                              {"OUTCOME_HEADING__CODE", S("OUTCOME")}});
    insertRow(db, QStringLiteral("CLIENT_OUTCOME_RESULT_TEXT"), {{"CODE", S("LETTER")}, {"DESCRIPTION", S("Advisory letter sent")},
                                                                 {"OUTCOME_HEADING__CODE", S("OUTCOME")}});
    // The two headings the sample browsers open: "L" labelling and "X" enforcement.
    const struct
    {
        const char *table, *code, *description, *heading;
    } outcomes[] = {
        {"CLIENT_OUTCOME_CATEGORY", "LABEL_ALLERGEN", "Allergen labelling", "L"},
        {"CLIENT_OUTCOME_CATEGORY", "LABEL_NUTRITION", "Nutrition labelling", "L"},
        {"CLIENT_OUTCOME_CATEGORY", "LABEL_GENERAL", "General labelling", "L"},
        {"CLIENT_OUTCOME_RESULT_TEXT", "ADVICE", "Advice given to the business", "L"},
        {"CLIENT_OUTCOME_RESULT_TEXT", "RELABELLED", "Product relabelled", "L"},
        {"CLIENT_OUTCOME_RESULT_TEXT", "WITHDRAWN", "Product withdrawn from sale", "L"},
        {"CLIENT_OUTCOME_CATEGORY", "ENF_INFORMAL", "Informal action", "X"},
        {"CLIENT_OUTCOME_CATEGORY", "ENF_FORMAL", "Formal action", "X"},
        {"CLIENT_OUTCOME_RESULT_TEXT", "WARNING", "Warning letter", "X"},
        {"CLIENT_OUTCOME_RESULT_TEXT", "CAUTION", "Simple caution", "X"},
        {"CLIENT_OUTCOME_RESULT_TEXT", "PROSECUTION", "Prosecution", "X"},
        {"CLIENT_OUTCOME_RESULT_TEXT", "NO_FURTHER", "No further action", "X"},
    };
    for (const auto &o : outcomes)
        insertRow(db, QString::fromLatin1(o.table),
                  {{"CODE", S(o.code)}, {"DESCRIPTION", S(o.description)}, {"OUTCOME_HEADING__CODE", S(o.heading)}});

    seedCompletedSamples(*this, db);
    seedDemoPremises(*this, db);
}

void ServerStore::seedFromFile(const QSqlDatabase &db, const QString &seedFile)
{
    // {"TABLE": [{"COLUMN": value, ...}, ...], ...}
    QFile f(seedFile);
    if (!f.open(QIODevice::ReadOnly))
        throw VarnexError(QStringLiteral("Cannot read the seed file %1: %2").arg(seedFile, f.errorString()));
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &error);
    if (!doc.isObject())
        throw VarnexError(QStringLiteral("The seed file %1 is not a JSON object: %2").arg(seedFile, error.errorString()));
    const QJsonObject tables = doc.object();
    for (auto it = tables.begin(); it != tables.end(); ++it) {
        if (!it.value().isArray())
            throw VarnexError(QStringLiteral("Seed file: \"%1\" is not a list of rows").arg(it.key()));
        for (const QJsonValue &row : it.value().toArray()) {
            if (!row.isObject())
                throw VarnexError(QStringLiteral("Seed file: a row of \"%1\" is not an object").arg(it.key()));
            insertRow(db, it.key(), row.toObject().toVariantMap());
        }
    }
}

void StampTurn::take(const QString &table, int waitMs)
{
    if (m_lock.owns_lock())
        return;
    std::unique_lock<std::timed_mutex> lock(m_store.stampLock(table), std::defer_lock);
    if (!lock.try_lock_for(std::chrono::milliseconds(waitMs)))
        throw VarnexError(QStringLiteral("lock conflict: another upload to %1 holds its turn to commit").arg(table));
    m_lock = std::move(lock);
}
