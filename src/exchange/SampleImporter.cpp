#include "exchange/SampleImporter.h"

#include "base/ProductNames.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "core/SampleCodes.h"
#include "reference/CategoryTree.h"
#include "reference/LookupData_DM.h"
#include "samples/SampleLookups.h"
#include "samples/SampleProfiles.h"
#include "samples/SampleRow.h"
#include "store/SqlUtil.h"

#include <QSqlError>

namespace {

const QString RecordType = QStringLiteral("RECORD_TYPE");
const QString OfficerCode = QStringLiteral("SAMPLE_OFFICER__CODE");
const QString OfficerName = QStringLiteral("SAMPLE_OFFICER_NAME");
const QString OfficerEmail = QStringLiteral("SAMPLE_OFFICER_EMAIL_ADDRESS");

// The category inputs, deepest level first: the first non-empty one is the code resolved.
const QStringList CategoryCodes = {QStringLiteral("SUB_CATEGORY_3__CODE"), QStringLiteral("SUB_CATEGORY_2__CODE"),
                                   QStringLiteral("SUB_CATEGORY__CODE"), QStringLiteral("CATEGORY__CODE")};

void setCategory(SampleRow &row, const CategoryPath &path)
{
    row.setText(QStringLiteral("CATEGORY__CODE"), path.Category);
    row.setText(QStringLiteral("CATEGORY_DESCRIPTION"), path.CategoryDescription);
    row.setText(QStringLiteral("SUB_CATEGORY__CODE"), path.SubCategory);
    row.setText(QStringLiteral("SUB_CATEGORY_DESCRIPTION"), path.SubCategoryDescription);
    row.setText(QStringLiteral("SUB_CATEGORY_2__CODE"), path.SubCategory2);
    row.setText(QStringLiteral("SUB_CATEGORY_2_DESCRIPTION"), path.SubCategory2Description);
    row.setText(QStringLiteral("SUB_CATEGORY_3__CODE"), path.SubCategory3);
    row.setText(QStringLiteral("SUB_CATEGORY_3_DESCRIPTION"), path.SubCategory3Description);
    row.setText(QStringLiteral("MAFF__CODE"), path.MaffCode);
}

// The lists an import checks a record's codes against (a code that none of its lists holds is
// emptied): the editors' checks, except for the food premises type, which with LAEMS premises
// codes must be in both premises lists, and which the screen does not check without them.
QList<CodeListCheck> importCodeListChecks(const QString &recordType, const SampleRuleContext &context, bool commandLine)
{
    if (recordType == Varnex::PersonalityAnimalFeed)
        return animalFeedCodeListChecks();
    if (recordType != Varnex::PersonalityFood)
        return {};
    QList<CodeListCheck> checks = foodCodeListChecks(context);
    const QString premises = QStringLiteral("PREMISES_TYPE__CODE");
    if (context.UseLAEMSPremisesCodes)
        checks.insert(1, {premises, {QStringLiteral("mdPremisesType")}});
    else if (!commandLine)
        checks.removeIf([&](const CodeListCheck &check) { return check.column == premises; });
    return checks;
}

} // namespace

void SampleImportChecks::RequireXmlName(const QString &fileName)
{
    if (fileName.right(3).toLower() != QLatin1String("xml"))
        throw VarnexError(QStringLiteral("%1 is not an XML file (its name does not end in \"xml\"); nothing was imported.")
                              .arg(fileName));
}

std::unique_ptr<TSampleImportXMLDM> SampleImportChecks::NewReader(const QString &programFolder, const QString &setting)
{
    auto reader = std::make_unique<TSampleImportXMLDM>();
    reader->LoadFieldDefsFromFile(ImportDefinitionsPath(programFolder, setting));
    return reader;
}

int SampleImportChecks::CountRecords(TSampleImportXMLDM &reader, const QString &fileName)
{
    const int records = reader.ScanFile(fileName, {});
    if (records == 0)
        throw VarnexError(QStringLiteral("%1 holds no record at the record path %2; nothing was imported.")
                              .arg(fileName, reader.RootElement()));
    return records;
}

SampleImportSettings SampleImportSettings::fromSettings(TMaindm &maindm, const QString &personality, bool commandLine)
{
    SampleImportSettings settings;
    settings.personality = personality;
    settings.commandLine = commandLine;
    settings.UseLAEMSPremisesCodes = maindm.UseLAEMSPremisesCodes();
    settings.LocalAuthorityCode = maindm.LocalAuthorityCode();
    settings.LocalAuthorityOfficeCode = maindm.LocalAuthorityOfficeCode();
    settings.InstallationId = maindm.InstallationId();
    return settings;
}

SampleImporter::SampleImporter(const QSqlDatabase &db, TSampleImportXMLDM &reader, const TLookupDataDm &lookups,
                               const SampleImportSettings &settings, StatementScope scope)
    : m_db(db), m_scope(scope), m_statements(db), m_reader(reader), m_lookups(lookups), m_settings(settings)
{
}

SampleImporter::~SampleImporter() = default;

void SampleImporter::prepare()
{
    m_inputs.clear();
    m_inputIndex.clear();
    QSqlQuery q = SqlUtil::exec(m_db,
                                QStringLiteral("SELECT TRIM(P.RDB$PARAMETER_NAME), F.RDB$FIELD_TYPE, F.RDB$FIELD_SCALE "
                                               "FROM RDB$PROCEDURE_PARAMETERS P "
                                               "LEFT JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = P.RDB$FIELD_SOURCE "
                                               "WHERE P.RDB$PROCEDURE_NAME = ? AND P.RDB$PARAMETER_TYPE = 0 "
                                               "ORDER BY P.RDB$PARAMETER_NUMBER"),
                                {ProcedureName()});
    while (q.next()) {
        Input input;
        input.name = q.value(0).toString().toUpper();
        const int type = q.value(1).toInt();
        const int scale = q.value(2).toInt();
        switch (type) {
        case 7:
        case 8:
        case 16:
            input.kind = scale < 0 ? Kind::Number : Kind::Integer;
            break;
        case 10:
        case 27:
            input.kind = Kind::Number;
            break;
        case 12:
            input.kind = Kind::Date;
            break;
        case 13:
            input.kind = Kind::Time;
            break;
        case 35:
            input.kind = Kind::Timestamp;
            break;
        default:
            input.kind = Kind::Text;
            break;
        }
        m_inputIndex.insert(input.name, int(m_inputs.size()));
        m_inputs.append(input);
    }
    if (m_inputs.isEmpty())
        throw VarnexError(QStringLiteral("The local store has no procedure %1 to import samples with.").arg(ProcedureName()));
    m_call = QStringLiteral("EXECUTE PROCEDURE %1 (%2)")
                 .arg(ProcedureName(), QStringList(m_inputs.size(), QStringLiteral("?")).join(QLatin1Char(',')));
    m_idColumn = -1;
    m_statements.clear();

    m_terms = TranslationTerms();
    if (const std::optional<TTranslationType> type = SampleTranslationType(m_settings.personality))
        m_terms = TranslationTerms::Load(m_db, TranslationGroupName(*type));
    m_trees.clear();
}

QStringList SampleImporter::inputNames() const
{
    QStringList names;
    for (const Input &input : m_inputs)
        names << input.name;
    return names;
}

QVariant SampleImporter::bindable(const Input &input, const QVariant &value, const QString &fieldName,
                                  QStringList &messages) const
{
    if (!value.isValid() || value.isNull())
        return QVariant();
    const int type = value.metaType().id();
    const bool text = type == QMetaType::QString;
    bool ok = true;
    QVariant out;
    const auto refuse = [&](const char *what) {
        messages << fieldName + QStringLiteral("--") + QStringLiteral("'%1' cannot be passed to %2 as %3.")
                                                           .arg(value.toString(), input.name, QLatin1String(what));
        return QVariant();
    };
    switch (input.kind) {
    case Kind::Text:
        return value.toString();
    case Kind::Integer:
        if (type == QMetaType::Int || type == QMetaType::LongLong)
            return value;
        out = text ? QVariant(value.toString().trimmed().toLongLong(&ok)) : QVariant();
        return text && ok ? out : refuse("a whole number");
    case Kind::Number:
        if (type == QMetaType::Int || type == QMetaType::LongLong || type == QMetaType::Double)
            return value;
        out = text ? QVariant(value.toString().trimmed().toDouble(&ok)) : QVariant();
        return text && ok ? out : refuse("a number");
    case Kind::Date:
        if (type == QMetaType::QDate)
            return value;
        if (type == QMetaType::QDateTime)
            return value.toDateTime().date();
        out = text ? QVariant(QDate::fromString(value.toString().trimmed(), Qt::ISODate)) : QVariant();
        return out.toDate().isValid() ? out : refuse("a date");
    case Kind::Time:
        if (type == QMetaType::QTime)
            return value;
        if (type == QMetaType::QDateTime)
            return value.toDateTime().time();
        out = text ? QVariant(QTime::fromString(value.toString().trimmed(), Qt::ISODate)) : QVariant();
        return out.toTime().isValid() ? out : refuse("a time");
    case Kind::Timestamp:
        if (type == QMetaType::QDateTime)
            return value;
        if (type == QMetaType::QDate)
            return QDateTime(value.toDate(), QTime(0, 0));
        out = text ? QVariant(QDateTime::fromString(value.toString().trimmed(), Qt::ISODate)) : QVariant();
        return out.toDateTime().isValid() ? out : refuse("a date and time");
    }
    return QVariant();
}

const CategoryTree &SampleImporter::treeFor(const QString &recordType)
{
    const QString table = CategoryTree::TableForPersonality(recordType);
    std::shared_ptr<CategoryTree> &tree = m_trees[table];
    if (!tree)
        tree = std::make_shared<CategoryTree>(m_lookups.Table(table), m_lookups.Table(QStringLiteral("mdMAFF")));
    return *tree;
}

void SampleImporter::resolveCategory(QVariantMap &inputs, QStringList &messages)
{
    VariantMapRow row(inputs);
    QString code;
    for (const QString &column : CategoryCodes)
        if (!row.isEmpty(column)) {
            code = row.text(column);
            break;
        }
    // Whatever the answer, the nine inputs hold the tree's levels or nothing.
    setCategory(row, CategoryPath());
    if (code.isEmpty()) {
        messages << QStringLiteral("The record has no category code; the category is left empty.");
        return;
    }
    try {
        const std::optional<CategoryPath> path = treeFor(row.text(RecordType)).ResolveCode(code);
        if (path)
            setCategory(row, *path);
        else
            messages << QStringLiteral("The category code %1 is not in the category tree; the category is left empty.")
                            .arg(code);
    } catch (const CategoryTreeError &e) {
        messages << QStringLiteral("The category code %1 cannot be used: %2 The category is left empty.")
                        .arg(code, e.message());
    }
}

void SampleImporter::resolveOfficer(QVariantMap &inputs, QStringList &messages)
{
    VariantMapRow row(inputs);
    const QString code = row.text(OfficerCode).toUpper();
    for (const QString &column : {OfficerCode, OfficerName, OfficerEmail})
        row.clear(column);
    if (code.isEmpty())
        return;
    // A live officer before a deleted one with the same code.
    QSqlQuery &officer =
        m_statements.exec(QStringLiteral("SELECT FIRST 1 CODE, NAME, EMAIL_ADDRESS FROM SAMPLE_OFFICER WHERE CODE = ? "
                                         "ORDER BY CASE WHEN FLAG_DELETED = 'T' THEN 1 ELSE 0 END, ID"),
                          {code});
    if (officer.next()) {
        row.setText(OfficerCode, officer.value(0).toString());
        row.setText(OfficerName, officer.value(1).toString());
        row.setText(OfficerEmail, officer.value(2).toString());
    } else {
        messages << QStringLiteral("The sampling officer %1 is not in the officer list; the officer is left empty.").arg(code);
    }
}

void SampleImporter::clearUnknownCodes(QVariantMap &inputs, QStringList &messages) const
{
    VariantMapRow row(inputs);
    const LookupDataSampleLookups lookups(m_lookups);
    SampleRuleContext context;
    context.lookups = &lookups;
    context.UseLAEMSPremisesCodes = m_settings.UseLAEMSPremisesCodes;
    for (const CodeListCheck &check : importCodeListChecks(row.text(RecordType), context, m_settings.commandLine)) {
        const QString code = row.text(check.column);
        if (codeKeptByLists(code, check.lists, context))
            continue;
        messages << QStringLiteral("%1 %2 is not in the list %3; it is left empty.")
                        .arg(check.column, code, check.lists.join(QStringLiteral(" or ")));
        row.clear(check.column);
    }
}

QVariantMap SampleImporter::inputsFor(const SampleRecord &record, QStringList &messages)
{
    QVariantMap inputs;
    m_reader.LoadValues(record);
    for (const auto &field : m_reader.ImportFields()) {
        if (field->FieldType() == ifIgnore)
            continue;
        const QString translated = m_terms.TranslateValue(field->FieldLabel(), field->Value());
        field->SetTranslatedValue(translated);
        field->ValidateTranslatedValue();
        const QString name = field->Name().toUpper();
        const auto input = m_inputIndex.constFind(name);
        if (input == m_inputIndex.constEnd()) {
            messages << FieldNotFoundMessage(field->Name());
            continue;
        }
        if (!field->CanImport()) {
            // A value the record does not have leaves its input empty without a word; one that
            // does not convert is said.
            if (!translated.trimmed().isEmpty())
                messages << field->Name() + QStringLiteral("--") + field->LogEntry();
            continue;
        }
        const QVariant value = bindable(m_inputs.at(*input), field->ImportValue(), field->Name(), messages);
        if (value.isNull() || (value.metaType().id() == QMetaType::QString && value.toString().isEmpty()))
            inputs.remove(name);
        else
            inputs.insert(name, value);
    }

    VariantMapRow row(inputs);
    if (row.isEmpty(RecordType))
        row.setText(RecordType, m_settings.personality);
    resolveCategory(inputs, messages);
    resolveOfficer(inputs, messages);
    clearUnknownCodes(inputs, messages);
    row.setText(QStringLiteral("LOCAL_AUTHORITY__CODE"), m_settings.LocalAuthorityCode);
    row.setText(QStringLiteral("LOCAL_AUTH_OFFICE__CODE"), m_settings.LocalAuthorityOfficeCode);
    row.setText(QStringLiteral("COUNTRY_REGION"), m_lookups.GetRegionForCountry(row.text(QStringLiteral("COUNTRY"))));
    QSqlQuery &number = m_statements.exec(QStringLiteral("SELECT NEXT VALUE FOR GEN_SAMPLE FROM RDB$DATABASE"));
    if (!number.next())
        throw VarnexError(QStringLiteral("Cannot read the generator GEN_SAMPLE"));
    row.setText(QStringLiteral("SAMPLE_CODE"),
                formatSampleCode(m_settings.LocalAuthorityCode, m_settings.InstallationId, number.value(0).toLongLong()));
    row.setText(QStringLiteral("UNIQUE_UUID"), GetNewUUIDString());
    return inputs;
}

qint64 SampleImporter::execute(const QVariantMap &inputs)
{
    // In auto-commit the call's statements end here, whatever happens, and so commit the call.
    struct EndOfRecord
    {
        SampleImporter &importer;
        ~EndOfRecord()
        {
            if (importer.m_scope == StatementScope::Record)
                importer.m_statements.clear();
        }
    } endOfRecord{*this};

    QVariantList values;
    values.reserve(m_inputs.size());
    for (const Input &input : std::as_const(m_inputs))
        values << inputs.value(input.name);
    QSqlQuery &q = m_statements.exec(m_call, values);
    if (m_idColumn < 0)
        m_idColumn = m_statements.record(m_call).indexOf(QStringLiteral("ID"));
    if (!q.next() || m_idColumn < 0 || q.isNull(m_idColumn))
        throw VarnexError(QStringLiteral("%1 gave no sample id.").arg(ProcedureName()));
    return q.value(m_idColumn).toLongLong();
}
