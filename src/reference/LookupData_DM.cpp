#include "reference/LookupData_DM.h"

#include "base/AtomicFile.h"
#include "base/Prompter.h"
#include "base/ProductNames.h"
#include "base/VarnexError.h"
#include "data/GridModel.h"
#include "data/MemDataStream.h"
#include "store/SqlUtil.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>

#include <algorithm>
#include <numeric>

TLookupDataDm *LookupDataDm = nullptr;

// Outside any namespace: the resource's initialiser is declared where this is called.
static void initReferenceResources()
{
    Q_INIT_RESOURCE(reference);
}

namespace {

struct FieldSpec
{
    const char *name;
    FieldType type;
    int size;
};

struct TableSpec
{
    const char *name;
    const char *source; // nullptr: no data source of its own
    QList<FieldSpec> fields;
    const char *sortField; // nullptr: kept in stream order
};

const QList<FieldSpec> CodeList = {{"Code", FieldType::String, 20}, {"Description", FieldType::String, 100}};
const QList<FieldSpec> Tree = {
    {"PARENT_CODE", FieldType::String, 30}, {"ITEM_CODE", FieldType::String, 30}, {"DESCRIPTION", FieldType::String, 100},
    {"SOURCE", FieldType::String, 30},      {"UNIQUE_ID", FieldType::Int32, 0},   {"PARENT_ID", FieldType::Int32, 0},
    {"STATUS", FieldType::String, 30},
};
const QList<FieldSpec> CountryNames = {{"Name", FieldType::String, 100}};

QList<FieldSpec> codeListWith(const FieldSpec &extra)
{
    return CodeList + QList<FieldSpec>{extra};
}

// Every table of the module, in load order: mdLaboratory before the filtered copy built from it.
const QList<TableSpec> &tableSpecs()
{
    static const QList<TableSpec> specs = {
        {"mdMaterialType", "srcMaterialType", CodeList, "Code"},
        {"mdReasonTaken", "srcReasonTaken", CodeList, "Code"},
        {"mdPackagingType", "srcPackagingType", CodeList, "Code"},
        {"mdSampleTypeEnforcement", "srcSampleTypeEnforcement", CodeList, "Code"},
        {"mdSampleTypeSurveillance", "srcSampleTypeSurveillance", CodeList, "Code"},
        {"mdLaboratory", "srcLaboratory", codeListWith({"MailboxCode", FieldType::String, 20}), "Code"},
        {"mdLaboratoryFiltered", "srcLaboratoryFiltered", codeListWith({"MailboxCode", FieldType::String, 20}), "Code"},
        {"mdSurveyBody", "srcSurveyBody", CodeList, "Code"},
        {"mdDurability", "srcDurability", CodeList, "Code"},
        {"mdCondition", "srcCondition", CodeList, "Code"},
        {"mdPackagingUnit", "srcPackagingUnit", CodeList, "Code"},
        {"mdFoodSafetyRiskCategory", "srcFoodSaftyRiskCategory", CodeList, "Code"},
        {"mdFoodStandardsRiskCategory", "srcFoodStandardsRiskCategory", CodeList, "Code"},
        {"mdMAFF", "srcMAFF", codeListWith({"Sub_Category__Code", FieldType::String, 30}), "Code"},
        {"mdProductType", "srcProductType", CodeList, "Code"},
        {"mdPremisesType", "srcPremisesType", CodeList, "Code"},
        {"mdLAEMSPremisesType", "srcLAEMSPremisesType", CodeList, "Code"},
        {"mdLocalAuthority", "srcLocalAuthority", CodeList, "Code"},
        {"mdAdditionalCategoryInfo", "srcAdditionalCategoryInfo", CodeList, "Code"},
        {"mdCategoryTree", "srcCategoryTree", Tree, nullptr},
        {"mdFeedCategoryTree", "srcFeedCategoryTree", Tree, nullptr},
        {"mdFeedAnalysisType", "srcFeedAnalysisType",
         Tree + QList<FieldSpec>{{"Selected", FieldType::Boolean, 0}, {"Expanded_Description", FieldType::String, 400}},
         nullptr},
        {"mdCategoryHelp", nullptr, {{"Code", FieldType::String, 20}, {"Description", FieldType::String, 1000}}, "Code"},
        {"mdCountry", "srcCountry", CountryNames, nullptr},
        {"mdUKCountry", "srcUKCountry", CountryNames, nullptr},
        {"mdEUCountry", "srcEUCountry", CountryNames, nullptr},
        {"mdNonEUCountry", "srcNonEUCountry", CountryNames, nullptr},
        {"mdCountryISOCodes", nullptr, {{"Name", FieldType::String, 100}, {"ISOCode", FieldType::String, 4}}, "Name"},
        {"mdAnimalSpecies", "srcAnimalSpecies", codeListWith({"AnimalTypeCode", FieldType::String, 30}), "Code"},
        {"mdAnimalType", "srcAnimalType", CodeList, "Code"},
        {"mdFeedRiskCategory", "srcFeedRiskCategory", CodeList, "Code"},
        {"FeedPremisesType", "srcFeedPremisesType", CodeList, "Code"},
        {"mdFeedSampleTypeEnforcement", "srcFeedSampleTypeEnforcement", CodeList, "Code"},
        {"mdFeedSampleTypeSurveillance", "srcFeedSampleTypeSurveillance", CodeList, "Code"},
        {"mdFeedLabelBusinessType", "srcLabelBusinessType", CodeList, "Code"},
        {"mdFeedPackagingType", "srcFeedPackagingType", CodeList, "Code"},
        {"mdFeedPackagingUnit", "srcFeedPackagingUnit", CodeList, "Code"},
        {"mdFeedDurability", "srcFeedDurability", CodeList, "Code"},
        {"mdFeedCondition", "srcFeedCondition", CodeList, "Code"},
        {"mdFeedSurveyBody", "srcFeedSurveyBody", CodeList, "Code"},
    };
    return specs;
}

const QString LaboratoryTable = QStringLiteral("mdLaboratory");
const QString FilteredLaboratoryTable = QStringLiteral("mdLaboratoryFiltered");
const QString CategoryHelpTable = QStringLiteral("mdCategoryHelp");

DataTable emptyTable(const TableSpec &spec)
{
    DataTable t;
    for (const FieldSpec &f : spec.fields)
        t.addField({QString::fromLatin1(f.name), f.type, f.size});
    return t;
}

// The program's own help texts of the food categories, used until the server supplies a list.
DataTable builtInCategoryHelp(const TableSpec &spec)
{
    initReferenceResources();
    DataTable t = emptyTable(spec);
    QFile file(QStringLiteral(":/reference/categoryhelp.json"));
    if (!file.open(QIODevice::ReadOnly))
        return t;
    const QJsonArray rows = QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("rows")).toArray();
    for (const QJsonValue &row : rows)
        t.appendRow(row.toArray().toVariantList());
    return t;
}

// The rows in the order of one field's text, letter case significant; equal texts keep their order.
DataTable sortedBy(const DataTable &table, const QString &field)
{
    const int column = table.indexOf(field);
    if (column < 0)
        return table;
    QList<int> order(table.rowCount());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return table.value(a, column).toString() < table.value(b, column).toString();
    });
    DataTable sorted(table.fields());
    for (int row : order)
        sorted.appendRow(table.row(row));
    return sorted;
}

// A text of the export: quoted when it holds the delimiter, a quote or a line break.
QString exportField(const QString &text)
{
    if (!text.contains(QLatin1Char('|')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

} // namespace

// ---------------------------------------------------------------------------------------------

LookupTableModel::LookupTableModel(const QString &name, QObject *parent) : QAbstractTableModel(parent)
{
    setObjectName(name);
    static const DataTable empty;
    m_table = &empty;
}

void LookupTableModel::replace(const DataTable *table, const std::function<void()> &change)
{
    beginResetModel();
    change();
    m_table = table;
    endResetModel();
}

int LookupTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_table->rowCount();
}

int LookupTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_table->fieldCount();
}

QVariant LookupTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_table->rowCount() || index.column() >= m_table->fieldCount())
        return {};
    const QVariant value = m_table->value(index.row(), index.column());
    if (role == Qt::EditRole)
        return value;
    if (role == Qt::DisplayRole)
        return GridModel::displayText(m_table->field(index.column()), value);
    return {};
}

QVariant LookupTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= m_table->fieldCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_table->field(section).name;
}

// ---------------------------------------------------------------------------------------------

struct TLookupDataDm::List
{
    const TableSpec *spec = nullptr;
    QString name;
    DataTable content;
    bool builtIn = true; // still holding the program's own content (switched off by a loaded row)
    QSet<QString> codes; // the Code values, for the code check
    LookupTableModel *model = nullptr;
};

TLookupDataDm::TLookupDataDm(std::function<QSqlDatabase()> connection, std::function<QString()> localLaboratories,
                             QObject *parent)
    : QObject(parent), m_connection(std::move(connection)), m_localLaboratories(std::move(localLaboratories))
{
    for (const TableSpec &spec : tableSpecs()) {
        auto *t = new List;
        t->spec = &spec;
        t->name = QString::fromLatin1(spec.name);
        if (spec.source) {
            t->model = new LookupTableModel(QString::fromLatin1(spec.source), this);
            m_bySourceName.insert(t->model->objectName(), t);
        }
        m_tables.append(t);
        m_byName.insert(t->name, t);
        resetToStart(*t);
    }
}

TLookupDataDm::~TLookupDataDm()
{
    // The data sources go first, so no view ever sees a table that is gone.
    for (List *t : std::as_const(m_tables))
        delete t->model;
    qDeleteAll(m_tables);
    if (LookupDataDm == this)
        LookupDataDm = nullptr;
}

QStringList TLookupDataDm::TableNames()
{
    QStringList names;
    for (const TableSpec &spec : tableSpecs())
        names << QString::fromLatin1(spec.name);
    return names;
}

const QList<TLookupDataSetInfo> &TLookupDataDm::DataSetInfos()
{
    static const QList<TLookupDataSetInfo> infos = {
        {QStringLiteral("Packaging type"), QStringLiteral("srcPackagingType"), QStringLiteral("Code"), QStringLiteral("Code; Description")},
        // Names a data source the module does not have (it keeps enforcement and surveillance
        // sample types apart): a caller asking for it gets none and offers plain text entry.
        {QStringLiteral("Sample type"), QStringLiteral("srcSampleTypeSurvey"), QStringLiteral("Code"), QStringLiteral("Code; Description")},
        {QStringLiteral("Material type"), QStringLiteral("srcMaterialType"), QStringLiteral("Code"), QStringLiteral("Code; Description")},
        {QStringLiteral("Survey body"), QStringLiteral("srcSurveyBody"), QStringLiteral("Code"), QStringLiteral("Code; Description")},
        {QStringLiteral("Durability"), QStringLiteral("srcDurability"), QStringLiteral("Code"), QStringLiteral("Code; Description")},
        {QStringLiteral("Condition"), QStringLiteral("srcCondition"), QStringLiteral("Code"), QStringLiteral("Code; Description")},
        {QStringLiteral("Packaging units"), QStringLiteral("srcPackagingUnit"), QStringLiteral("Code"), QStringLiteral("Code")},
        {QStringLiteral("Food safety risk category"), QStringLiteral("srcFoodSaftyRiskCategory"), QStringLiteral("Code"), QStringLiteral("Code")},
        {QStringLiteral("Food standards risk category"), QStringLiteral("srcFoodStandardsRiskCategory"), QStringLiteral("Code"), QStringLiteral("Code")},
        {QStringLiteral("Premises type"), QStringLiteral("srcPremisesType"), QStringLiteral("Code"), QStringLiteral("Code; Description")},
        {QStringLiteral("Product type"), QStringLiteral("srcProductType"), QStringLiteral("Code"), QStringLiteral("Code; Description")},
        {QStringLiteral("Reason"), QStringLiteral("srcReasonTaken"), QStringLiteral("Code"), QStringLiteral("Code; Description")},
        {QStringLiteral("Country"), QStringLiteral("srcCountry"), QStringLiteral("Name"), QStringLiteral("Name")},
    };
    return infos;
}

TLookupDataDm::List &TLookupDataDm::tableOf(const QString &name) const
{
    List *t = m_byName.value(name);
    if (!t)
        throw VarnexError(QStringLiteral("There is no lookup list named \"%1\".").arg(name));
    return *t;
}

void TLookupDataDm::replaceContent(List &t, DataTable content)
{
    if (t.spec->sortField)
        content = sortedBy(content, QString::fromLatin1(t.spec->sortField));
    const auto change = [&] {
        t.content = std::move(content);
        t.codes.clear();
        const int code = t.content.indexOf(QStringLiteral("Code"));
        if (code >= 0)
            for (int row = 0; row < t.content.rowCount(); ++row)
                t.codes.insert(t.content.value(row, code).toString());
    };
    if (t.model)
        t.model->replace(&t.content, change);
    else
        change();
    emit tableReloaded(t.name);
}

void TLookupDataDm::resetToStart(List &t)
{
    if (t.builtIn && t.name == CategoryHelpTable)
        replaceContent(t, builtInCategoryHelp(*t.spec));
    else if (t.builtIn)
        replaceContent(t, emptyTable(*t.spec));
    else {
        DataTable empty = t.content;
        empty.removeRows();
        replaceContent(t, std::move(empty));
    }
}

QStringList TLookupDataDm::RefreshDatasetsFromDatabase()
{
    QStringList problems;
    for (const List *t : std::as_const(m_tables))
        problems << RefreshSingleDataset(t->name);
    return problems;
}

QStringList TLookupDataDm::RefreshSingleDataset(const QString &ADataset)
{
    if (ADataset == FilteredLaboratoryTable)
        return {};
    const QString problem = load(tableOf(ADataset), true);
    return problem.isEmpty() ? QStringList() : QStringList{problem};
}

QString TLookupDataDm::LoadFromLocalData(const QString &ADataset)
{
    return load(tableOf(ADataset), false);
}

QString TLookupDataDm::load(List &t, bool startOverWithoutRow)
{
    const QString &ADataset = t.name;
    QSqlQuery q = SqlUtil::exec(m_connection(),
                                QStringLiteral("SELECT FIRST 1 ID, DATASET_NAME, BINARY_CONTENT FROM LOOKUP_TABLE_LIST "
                                               "WHERE DATASET_NAME = ? ORDER BY ID"),
                                {ADataset});
    if (!q.next()) {
        // No row: a reload starts the table over, with the program's own content where it has
        // one; a load by itself leaves it as it is.
        if (startOverWithoutRow)
            resetToStart(t);
        return {};
    }
    const QByteArray stream = q.value(2).toByteArray();
    q.finish();
    DataTable content;
    try {
        content = MemDataStream::read(stream);
    } catch (const VarnexError &e) {
        return QStringLiteral("%1: %2").arg(ADataset, e.message());
    }
    QStringList missing;
    for (const FieldSpec &f : t.spec->fields)
        if (content.indexOf(QString::fromLatin1(f.name)) < 0)
            missing << QString::fromLatin1(f.name);
    if (!missing.isEmpty())
        return QStringLiteral("%1: the list has no field %2.").arg(ADataset, missing.join(QStringLiteral(", ")));
    t.builtIn = false;
    replaceContent(t, std::move(content));
    if (ADataset == LaboratoryTable)
        SetupFilterdLabList();
    return {};
}

bool TLookupDataDm::CheckCodeExists(const QString &ACode, const QString &ADataset) const
{
    const List *t = m_byName.value(ADataset);
    return t && t->codes.contains(ACode);
}

LookupTableModel *TLookupDataDm::GetDataSource(const QString &AName, TLookupDataSetInfo *Info) const
{
    for (const TLookupDataSetInfo &info : DataSetInfos()) {
        if (info.DisplayLabel != AName)
            continue;
        if (Info)
            *Info = info;
        return DataSource(info.DatasourceName);
    }
    return nullptr;
}

LookupTableModel *TLookupDataDm::DataSource(const QString &name) const
{
    const List *t = m_bySourceName.value(name);
    return t ? t->model : nullptr;
}

const DataTable &TLookupDataDm::Table(const QString &ADataset) const
{
    return tableOf(ADataset).content;
}

QString TLookupDataDm::HelpForCategory(const QString &Code) const
{
    const QString none = QStringLiteral("No help for this category.");
    if (Code.size() != 11)
        return none;
    const DataTable &help = Table(CategoryHelpTable);
    const int code = help.indexOf(QStringLiteral("Code"));
    const int text = help.indexOf(QStringLiteral("Description"));
    for (int row = 0; row < help.rowCount(); ++row)
        if (help.value(row, code).toString() == Code)
            return help.value(row, text).toString();
    return none;
}

namespace {
bool hasName(const DataTable &table, const QString &name)
{
    const int column = table.indexOf(QStringLiteral("Name"));
    for (int row = 0; column >= 0 && row < table.rowCount(); ++row)
        if (table.value(row, column).toString() == name)
            return true;
    return false;
}
} // namespace

QString TLookupDataDm::GetRegionForCountry(const QString &Country) const
{
    if (hasName(Table(QStringLiteral("mdUKCountry")), Country))
        return QStringLiteral("UK");
    if (hasName(Table(QStringLiteral("mdEUCountry")), Country))
        return QStringLiteral("EU");
    if (hasName(Table(QStringLiteral("mdNonEUCountry")), Country))
        return QStringLiteral("Non EU");
    return {};
}

QString TLookupDataDm::GetISOCodeForCountry(const QString &aCountryName) const
{
    const DataTable &codes = Table(QStringLiteral("mdCountryISOCodes"));
    const int name = codes.indexOf(QStringLiteral("Name"));
    const int iso = codes.indexOf(QStringLiteral("ISOCode"));
    for (int row = 0; name >= 0 && iso >= 0 && row < codes.rowCount(); ++row)
        if (codes.value(row, name).toString() == aCountryName)
            return codes.value(row, iso).toString();
    return QStringLiteral("N/A");
}

void TLookupDataDm::SetupFilterdLabList()
{
    List &filtered = tableOf(FilteredLaboratoryTable);
    const DataTable &all = Table(LaboratoryTable);
    // Every field of the laboratories, then those of the filtered list that they lack.
    DataTable copy(all.fields());
    for (const FieldDef &f : filtered.content.fields())
        if (copy.indexOf(f.name) < 0)
            copy.addField(f);
    QStringList wanted;
    for (const QString &line : m_localLaboratories().split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            wanted << QString(line).remove(QLatin1Char('\r'));
    const int description = all.indexOf(QStringLiteral("Description"));
    for (int row = 0; row < all.rowCount(); ++row) {
        const QString text = description >= 0 ? all.value(row, description).toString() : QString();
        const bool keep = wanted.isEmpty()
            || std::any_of(wanted.cbegin(), wanted.cend(),
                           [&](const QString &w) { return w.compare(text, Qt::CaseInsensitive) == 0; });
        if (!keep)
            continue;
        QVariantList values = all.row(row);
        while (values.size() < copy.fieldCount())
            values << QVariant();
        copy.appendRow(values);
    }
    filtered.builtIn = false;
    replaceContent(filtered, std::move(copy));
}

void TLookupDataDm::SaveDatasetsToFile(const QString &folder)
{
    ShowLoadProblems(RefreshDatasetsFromDatabase());
    if (!QDir(folder).exists())
        throw VarnexError(QStringLiteral("The folder \"%1\" for the lookup lists does not exist.")
                              .arg(QDir::toNativeSeparators(QDir(folder).absolutePath())));
    for (const List *t : std::as_const(m_tables)) {
        QStringList lines;
        QStringList names;
        for (const FieldDef &f : t->content.fields())
            names << exportField(f.name);
        lines << names.join(QLatin1Char('|'));
        for (int row = 0; row < t->content.rowCount(); ++row) {
            QStringList fields;
            for (int column = 0; column < t->content.fieldCount(); ++column)
                fields << exportField(GridModel::displayText(t->content.field(column), t->content.value(row, column)));
            lines << fields.join(QLatin1Char('|'));
        }
        const QString fileName = QDir(folder).filePath(t->name + QStringLiteral(".txt"));
        QString error;
        if (!saveFileAtomically(fileName, (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8(), &error))
            throw VarnexError(QStringLiteral("The lookup list could not be written to \"%1\": %2").arg(fileName, error));
    }
}

void TLookupDataDm::ShowLoadProblems(const QStringList &problems)
{
    if (problems.isEmpty())
        return;
    Prompter::current().error(Varnex::ProgramName,
                              QStringLiteral("These lookup lists could not be read and keep what they held:\n")
                                  + problems.join(QLatin1Char('\n')));
}
