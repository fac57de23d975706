#include "reference/SampleOfficerMapper_DM.h"

#include "reference/TextLines.h"
#include "store/SqlUtil.h"

#include <QHash>

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// The list

void TSampleOfficerMappingList::AddMapping(const QString &code, const QString &name, const QString &mappingName)
{
    auto m = std::make_unique<TSampleOfficerMapping>();
    m->Code = code;
    m->Name = name;
    m->MappingName = mappingName;
    m_items.push_back(std::move(m));
}

void TSampleOfficerMappingList::BuildList(const QSqlDatabase &db)
{
    ClearMappings();
    QSqlQuery q = SqlUtil::exec(db, QStringLiteral("SELECT CODE, NAME, NAME_MAPPINGS FROM SAMPLE_OFFICER ORDER BY CODE"));
    while (q.next())
        for (const QString &line : TextLines::split(q.value(2).toString()))
            AddMapping(q.value(0).toString(), q.value(1).toString(), line);
}

const TSampleOfficerMapping *TSampleOfficerMappingList::FindMappingForName(const QString &Name) const
{
    for (const auto &m : m_items)
        if (m->MappingName == Name)
            return m.get();
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// The mapper

TSampleOfficerMapperDM::TSampleOfficerMapperDM(std::function<QSqlDatabase()> connection, QObject *parent)
    : QObject(parent), m_connection(std::move(connection))
{
    setObjectName(QStringLiteral("SampleOfficerMapperDM"));
}

const TSampleOfficerMappingList &TSampleOfficerMapperDM::MappingsList()
{
    m_list.BuildList(database());
    return m_list;
}

QString TSampleOfficerMapperDM::officerKey(const QString &code) const
{
    return SqlUtil::scalar(database(),
                           QStringLiteral("SELECT FIRST 1 UNIQUE_UUID FROM SAMPLE_OFFICER WHERE CODE = ? "
                                          "ORDER BY CASE WHEN FLAG_DELETED = 'T' THEN 1 ELSE 0 END, ID"),
                           {code})
        .toString();
}

QString TSampleOfficerMapperDM::GetMappingsForOfficer(const QString &Code) const
{
    const QString key = officerKey(Code);
    if (key.isEmpty())
        return {};
    const QString text =
        SqlUtil::scalar(database(), QStringLiteral("SELECT NAME_MAPPINGS FROM SAMPLE_OFFICER WHERE UNIQUE_UUID = ?"), {key})
            .toString();
    return TextLines::join(TextLines::split(text));
}

QString TSampleOfficerMapperDM::GetUnmatchedNamesInSamples() const
{
    TSampleOfficerMappingList mappings;
    mappings.BuildList(database());
    QStringList names;
    QSqlQuery q = SqlUtil::exec(database(), QStringLiteral("SELECT DISTINCT SAMPLE_OFFICER_NAME FROM SAMPLE "
                                                           "WHERE SAMPLE_STATUS__CODE = 'COMPLETE' "
                                                           "AND SAMPLE_OFFICER_NAME IS NOT NULL "
                                                           "ORDER BY SAMPLE_OFFICER_NAME"));
    while (q.next()) {
        const QString name = q.value(0).toString();
        if (!name.isEmpty() && !mappings.FindMappingForName(name))
            names << name;
    }
    return TextLines::join(names);
}

void TSampleOfficerMapperDM::writeMappings(const QString &key, const QStringList &lines)
{
    const QString text = TextLines::join(lines);
    if (text.size() > NameMappingsLength)
        throw VarnexError(QStringLiteral("The names mapped to this officer would take %1 characters; an officer keeps "
                                         "at most %2. Remove names that are no longer needed first. Nothing was "
                                         "changed.")
                              .arg(text.size())
                              .arg(NameMappingsLength));
    SqlUtil::exec(database(), QStringLiteral("UPDATE SAMPLE_OFFICER SET NAME_MAPPINGS = ? WHERE UNIQUE_UUID = ?"),
                  {text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text), key});
}

void TSampleOfficerMapperDM::AddMappingToOfficer(const QString &Code, const QString &Mapping)
{
    const QString key = officerKey(Code);
    if (key.isEmpty() || Mapping.isEmpty())
        return;
    QStringList lines = TextLines::split(GetMappingsForOfficer(Code));
    if (lines.contains(Mapping))
        return;
    lines << Mapping;
    std::stable_sort(lines.begin(), lines.end(),
                     [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    writeMappings(key, lines);
}

void TSampleOfficerMapperDM::DeleteMappingFromOfficer(const QString &Code, const QString &Mapping)
{
    const QString key = officerKey(Code);
    if (key.isEmpty())
        return;
    QStringList lines = TextLines::split(GetMappingsForOfficer(Code));
    const qsizetype at = lines.indexOf(Mapping);
    if (at < 0)
        return;
    lines.removeAt(at);
    writeMappings(key, lines);
}

int TSampleOfficerMapperDM::ApplyMappingsToSamples()
{
    // What clearing every completed sample's code and then writing the mappings in order leaves:
    // for each name, the code of its last mapping.
    const TSampleOfficerMappingList &mappings = MappingsList();
    QHash<QString, QString> codeForName;
    for (int i = 0; i < mappings.Count(); ++i)
        codeForName.insert(mappings[i].MappingName, mappings[i].Code);

    return SqlUtil::inTransaction(database(), [&](QSqlDatabase &db) {
        struct Change
        {
            QString key;
            QVariant code;
        };
        QList<Change> changes;
        QSqlQuery q = SqlUtil::exec(db, QStringLiteral("SELECT UNIQUE_UUID, SAMPLE_OFFICER_NAME, SAMPLE_OFFICER__CODE "
                                                       "FROM SAMPLE WHERE SAMPLE_STATUS__CODE = 'COMPLETE'"));
        while (q.next()) {
            const QString name = q.value(1).toString();
            const QString now = q.value(2).toString();
            const auto mapped = q.value(1).isNull() ? codeForName.cend() : codeForName.constFind(name);
            if (mapped == codeForName.cend()) {
                // Cleared; an empty code is no code already.
                if (!now.isEmpty())
                    changes.append({q.value(0).toString(), QVariant(QMetaType::fromType<QString>())});
            } else if (q.value(2).isNull() || now != *mapped) {
                changes.append({q.value(0).toString(), *mapped});
            }
        }
        q.finish();
        for (const Change &c : std::as_const(changes))
            SqlUtil::exec(db, QStringLiteral("UPDATE SAMPLE SET SAMPLE_OFFICER__CODE = ? WHERE UNIQUE_UUID = ?"),
                          {c.code, c.key});
        return int(changes.size());
    });
}

// ---------------------------------------------------------------------------------------------
// The checks before an officer is written

QString CheckSampleOfficerForPost(const QSqlDatabase &db, const QString &uuid, const QString &code,
                                  const QString &email, const QString &password)
{
    if (email.trimmed().isEmpty())
        throw OfficerRefused(OfficerRefused::Email,
                             QStringLiteral("Please enter an email address, as it is required to log into the system"));
    if (password.isEmpty())
        throw OfficerRefused(OfficerRefused::Password, QStringLiteral("Password cant be blank"));

    QStringList holders;
    QSqlQuery q = SqlUtil::exec(db, QStringLiteral("SELECT UNIQUE_UUID FROM SAMPLE_OFFICER WHERE CODE = ?"), {code});
    while (q.next())
        holders << q.value(0).toString();
    q.finish();
    const QString codeUsed = QStringLiteral("Code \"%1\" has already been used, the code field needs to be unique. "
                                            "Please select another code.")
                                 .arg(code);
    if (holders.size() > 1)
        throw OfficerRefused(OfficerRefused::Code, codeUsed);
    if (holders.size() == 1 && holders.first() != uuid)
        throw OfficerRefused(OfficerRefused::Code, QStringLiteral("The ") + codeUsed);

    // Rows of the server may hold capitals: the comparison is in lower case on both sides.
    const QString lower = email.toLower();
    holders.clear();
    q = SqlUtil::exec(db, QStringLiteral("SELECT UNIQUE_UUID FROM SAMPLE_OFFICER WHERE LOWER(EMAIL_ADDRESS) = ?"), {lower});
    while (q.next())
        holders << q.value(0).toString();
    q.finish();
    if (holders.size() > 1 || (holders.size() == 1 && holders.first() != uuid))
        throw OfficerRefused(OfficerRefused::Email,
                             QStringLiteral("The email address \"%1\" has already been used, the email address field "
                                            "needs to be unique. Please check the user does not already exist.")
                                 .arg(lower));
    return lower;
}
