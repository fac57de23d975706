#include "samples/SampleMailMerge.h"

#include "base/AtomicFile.h"
#include "base/Clock.h"
#include "base/VarnexError.h"
#include "base/ZipArchive.h"
#include "store/SqlUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>

namespace {

const QString WordNs = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
const QString OfficeDocumentRel =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument");
const QString StrictOfficeDocumentRel = QStringLiteral("http://purl.oclc.org/ooxml/officeDocument/relationships/officeDocument");

// The merge names and the sample columns they show. The local sample keeps the file id in FILE_ID;
// "file_collected_id" names a column only the server's copy has, so it shows empty text.
const std::pair<const char *, const char *> Mappings[] = {
    {"AdditionalInformation", "ADDITIONAL_INFO"},
    {"AnalysisType", "ANALYSIS_TYPE"},
    {"AnimalFeedDateOfManufacture", "DATE_OF_MANUFACTURE"},
    {"AnimalFeedLabelBusinessAddress", "LABEL_BUSINESS_ADDRESS"},
    {"AnimalFeedLabelBusinessTypeCode", "LABEL_BUSINESS_TYPE__CODE"},
    {"AnimalFeedLabelRegistrationNumber", "LABEL_REGISTRATION_NUMBER"},
    {"AnimalFeedRegistrationNumber", "REGISTRATION_NUMBER"},
    {"AnimalFeedSpeciesCode", "ANIMAL_SPECIES__CODE"},
    {"AnimalFeedSpeciesDescription", "ANIMAL_SPECIES_DESCRIPTION"},
    {"BrandName", "BRAND_NAME"},
    {"BusinessAddress1", "BUSINESS_ADDR_1"},
    {"BusinessAddress2", "BUSINESS_ADDR_2"},
    {"BusinessAddress3", "BUSINESS_ADDR_3"},
    {"BusinessAddress4", "BUSINESS_ADDR_4"},
    {"BusinessId", "BUSINESS_ID"},
    {"BusinessPostcode", "BUSINESS_POSTCODE"},
    {"CategoryCode", "CATEGORY__CODE"},
    {"CategoryDescription", "CATEGORY_DESCRIPTION"},
    {"CodeOfPracticeDetails", "NOT_COP"},
    {"ConditionCode", "CONDITION__CODE"},
    {"ConditionDescription", "CONDITION_DESCRIPTION"},
    {"CountryCode", "COUNTRY"},
    {"CountryDescription", "COUNTRY"},
    {"CountryRegion", "COUNTRY_REGION"},
    {"DateSampleTaken", "SAMPLE_DATE"},
    {"DistributerDescription", "DISTRIBUTER"},
    {"DurabilityCode", "DURABILITY__CODE"},
    {"DurabilityDay", "DURABILITY_DAY"},
    {"DurabilityDescription", "DURABILITY_DESCRIPTION"},
    {"DurabilityMonth", "DURABILITY_MONTH"},
    {"DurabilityYear", "DURABILITY_YEAR"},
    {"FailCode", "SAMPLE_FAILURE__CODE"},
    {"file__id", "FILE_ID"},
    {"file_collected_id", "file_collected_id"},
    {"FollowUpSampleReference", "INDEX_NUMBER"},
    {"FoodBourneIllnessDetails", "DETAILS"},
    {"FoodDescription", "FOOD_DESCRIPTION"},
    {"FoodSafetyRiskCategoryCode", "RISK_CATEGORY"},
    {"FoodSafetyRiskCategoryDescription", "RISK_CATEGORY_DESCRIPTION"},
    {"FoodStandardsRiskCategoryCode", "RISK_CATEGORY_FOOD_STAND__CODE"},
    {"FoodStandardsRiskCategoryDescription", "RISK_CAT_FS_DESCRIPTION"},
    {"ImporterDescription", "IMPORTER"},
    {"IsFollowupSample", "FLAG_FOLLOW_UP"},
    {"IsFoodBourneIllnessInvestigation", "FLAG_FOOD_POISONING"},
    {"IsRoutineAnalysisRequired", "ROUTINE_ANALYSIS"},
    {"IsSatisfactory", "FLAG_SATISFACTORY"},
    {"IsSurvey", "FLAG_SURVEY"},
    {"LaboratoryComments", "LABORATORY_COMMENTS"},
    {"LIMSSampleNumber", "LIMS_NUMBER"},
    {"LocalAuthorityCode", "LOCAL_AUTHORITY__CODE"},
    {"LocalAuthorityName", "LOCAL_AUTHORITY_DESCRIPTION"},
    {"LocalAuthorityOfficeCode", "LOCAL_AUTH_OFFICE__CODE"},
    {"LocalAuthorityOfficeName", "LOCAL_AUTH_OFFICE_DESCRIPTION"},
    {"LocalAuthoritySampleNumber", "LA_SAMPLENO"},
    {"MAFFCategoryCode", "MAFF__CODE"},
    {"MAFFCategoryDescription", "MAFF_DESCRIPTION"},
    {"ManufacturerDescription", "MANUFACTURER"},
    {"MeetsCodeOfPracticeTransport", "FLAG_COP_LAB"},
    {"MeetsCodeOfPractise", "FLAG_COP_CONDITION"},
    {"NatureOfProductCode", "PRODUCT__CODE"},
    {"OtherConditionDetails", "OTHER_CONDITION"},
    {"OtherPackagingMaterialDetails", "OTHER_MATERIAL"},
    {"PackageBatchNumber", "BATCH_NUMBER"},
    {"PackageHealthmark", "HEALTH_MARK"},
    {"PackageQuantity", "QUANTITY"},
    {"PackageUnitsCode", "PACK_SIZE"},
    {"PackageUnitsDescription", "PACK_SIZE_DESCRIPTION"},
    {"PackagingCode", "PACKAGING__CODE"},
    {"PackagingDescription", "PACKAGING_DESCRIPTION"},
    {"PackagingMaterialCode", "MATERIAL__CODE"},
    {"PackagingMaterialDescription", "MATERIAL_DESCRIPTION"},
    {"PremisesName", "PREMISES_NAME"},
    {"PremisesTypeCode", "PREMISES_TYPE__CODE"},
    {"PremisesTypeDescription", "PREMISES_TYPE_DESCRIPTION"},
    {"ProductDescription", "PRODUCT_DESCRIPTION"},
    {"PurchaseCost", "PURCHASE_COST"},
    {"QOVAInformation", "QOVA_INFO"},
    {"ReasonForTakingSampleCode", "REASON__CODE"},
    {"ReasonForTakingSampleDescription", "REASON_DESCRIPTION"},
    {"RecordedDate", "RECORDED_DATE"},
    {"RecordType", "RECORD_TYPE"},
    {"RoutineComments", "ANALYSIS_TEXT"},
    {"SampleComments", "SAMPLE_COMMENTS"},
    {"SampleNumber", "CODE"},
    {"SampleTypeCode", "SAMPLE_TYPE__CODE"},
    {"SampleTypeDescription", "SAMPLE_TYPE_DESCRIPTION"},
    {"SamplingOfficerCode", "SAMPLE_OFFICER__CODE"},
    {"SamplingOfficerName", "SAMPLE_OFFICER_NAME"},
    {"Subcategory2Code", "SUB_CATEGORY_2__CODE"},
    {"Subcategory2Description", "SUB_CATEGORY_2_DESCRIPTION"},
    {"Subcategory3Code", "SUB_CATEGORY_3__CODE"},
    {"Subcategory3Description", "SUB_CATEGORY_3_DESCRIPTION"},
    {"SubcategoryCode", "SUB_CATEGORY__CODE"},
    {"SubcategoryDescription", "SUB_CATEGORY_DESCRIPTION"},
    {"SurveyBodyCode", "SURVEY_BODY__CODE"},
    {"SurveyBodyDescription", "SURVEY_BODY_DESCRIPTION"},
    {"SurveyReference", "SURVEY_NUMBER"},
    {"Temperature", "TEMPERATURE"},
    {"TestingLaboratoryCode", "LABORATORY__CODE"},
    {"TimeSampleTaken", "SAMPLE_TIME"},
};

const QString *mappedColumn(const QString &mergeName)
{
    static const QHash<QString, QString> byName = [] {
        QHash<QString, QString> h;
        for (const auto &[name, column] : Mappings)
            h.insert(QString::fromLatin1(name).toLower(), QString::fromLatin1(column));
        return h;
    }();
    const auto it = byName.constFind(mergeName.toLower());
    return it == byName.constEnd() ? nullptr : &it.value();
}

[[noreturn]] void badTemplate(const QString &why)
{
    throw VarnexError(QStringLiteral("The mail merge template cannot be used: %1").arg(why));
}

// ---- the document stream -------------------------------------------------------------------------

// One XML event, kept while a run is looked at as a whole.
struct Token
{
    QXmlStreamReader::TokenType type;
    QString name; // qualified, as written
    QString nsUri;
    QString localName;
    QXmlStreamNamespaceDeclarations namespaces;
    QXmlStreamAttributes attributes;
    QString text;
    bool cdata = false;
};

Token tokenOf(const QXmlStreamReader &r)
{
    Token t;
    t.type = r.tokenType();
    t.name = r.qualifiedName().toString();
    t.nsUri = r.namespaceUri().toString();
    t.localName = r.name().toString();
    if (t.type == QXmlStreamReader::StartElement) {
        t.namespaces = r.namespaceDeclarations();
        t.attributes = r.attributes();
    } else if (t.type == QXmlStreamReader::Characters || t.type == QXmlStreamReader::Comment) {
        t.text = r.text().toString();
        t.cdata = r.isCDATA();
    } else if (t.type == QXmlStreamReader::ProcessingInstruction) {
        t.name = r.processingInstructionTarget().toString();
        t.text = r.processingInstructionData().toString();
    }
    return t;
}

// Writes the event with the prefixes and declarations exactly as read.
void writeToken(QXmlStreamWriter &w, const Token &t)
{
    switch (t.type) {
    case QXmlStreamReader::StartElement:
        w.writeStartElement(t.name);
        for (const QXmlStreamNamespaceDeclaration &ns : t.namespaces) {
            const QString prefix = ns.prefix().toString();
            w.writeAttribute(prefix.isEmpty() ? QStringLiteral("xmlns") : QStringLiteral("xmlns:") + prefix,
                             ns.namespaceUri().toString());
        }
        for (const QXmlStreamAttribute &a : t.attributes)
            w.writeAttribute(a.qualifiedName().toString(), a.value().toString());
        break;
    case QXmlStreamReader::EndElement:
        w.writeEndElement();
        break;
    case QXmlStreamReader::Characters:
        if (t.cdata)
            w.writeCDATA(t.text);
        else
            w.writeCharacters(t.text);
        break;
    case QXmlStreamReader::Comment:
        w.writeComment(t.text);
        break;
    case QXmlStreamReader::ProcessingInstruction:
        w.writeProcessingInstruction(t.name, t.text);
        break;
    default:
        break;
    }
}

bool isWord(const Token &t, const char *local)
{
    return t.nsUri == WordNs && t.localName == QLatin1String(local);
}

QString wordAttribute(const Token &t, const char *local)
{
    for (const QXmlStreamAttribute &a : t.attributes) {
        if (a.namespaceUri() == WordNs && a.name() == QLatin1String(local))
            return a.value().toString();
    }
    return {};
}

class DocumentMerge
{
public:
    DocumentMerge(const QByteArray &xml, const TSampleMailMerge::SampleValues &sample) : m_reader(xml), m_sample(sample)
    {
        m_reader.setNamespaceProcessing(true);
    }

    QByteArray run()
    {
        QByteArray out;
        QXmlStreamWriter w(&out);
        m_w = &w;
        while (next()) {
            const Token t = tokenOf(m_reader);
            switch (t.type) {
            case QXmlStreamReader::StartDocument:
                if (m_reader.isStandaloneDocument())
                    w.writeStartDocument(m_reader.documentVersion().toString(), true);
                else
                    w.writeStartDocument(m_reader.documentVersion().isEmpty() ? QStringLiteral("1.0")
                                                                               : m_reader.documentVersion().toString());
                break;
            case QXmlStreamReader::EndDocument:
                w.writeEndDocument();
                break;
            case QXmlStreamReader::DTD:
                badTemplate(QStringLiteral("its document holds a document type declaration."));
            case QXmlStreamReader::EntityReference:
                badTemplate(QStringLiteral("its document refers to an unknown entity \"%1\".").arg(t.name));
            case QXmlStreamReader::StartElement:
                if (m_wordPrefix.isNull() && t.nsUri == WordNs)
                    m_wordPrefix = m_reader.prefix().toString();
                if (isWord(t, "r"))
                    handleRun(t);
                else if (isWord(t, "fldSimple") && !suppressing())
                    handleSimpleField(t);
                else
                    emitToken(t);
                break;
            default:
                emitToken(t);
                break;
            }
        }
        if (m_reader.hasError())
            badTemplate(QStringLiteral("its document is not well-formed XML: %1 (line %2).")
                            .arg(m_reader.errorString())
                            .arg(m_reader.lineNumber()));
        if (!m_fields.isEmpty())
            badTemplate(QStringLiteral("a field of its document has no end."));
        return out;
    }

private:
    struct Field
    {
        QString code;
        bool separated = false;
        bool inert = false;                // inside a result being replaced
        std::optional<QString> value;      // set at "separate" (or "end"): replace the result
        std::optional<QList<Token>> format; // the first result run's properties
    };

    bool next()
    {
        if (m_reader.atEnd())
            return false;
        m_reader.readNext();
        return !m_reader.hasError() && m_reader.tokenType() != QXmlStreamReader::Invalid;
    }

    bool suppressing() const
    {
        for (const Field &f : m_fields) {
            if (f.separated && f.value)
                return true;
        }
        return false;
    }

    // Outside runs nothing is dropped: of a result being replaced only its runs go, and what lies
    // between them (bookmarks, proofing marks) stays.
    void emitToken(const Token &t) { writeToken(*m_w, t); }

    // The element just started, whole, as tokens (the start included).
    QList<Token> readElement(const Token &start)
    {
        QList<Token> tokens{start};
        int depth = 1;
        while (depth > 0 && next()) {
            Token t = tokenOf(m_reader);
            if (t.type == QXmlStreamReader::StartElement)
                ++depth;
            else if (t.type == QXmlStreamReader::EndElement)
                --depth;
            else if (t.type == QXmlStreamReader::EntityReference)
                badTemplate(QStringLiteral("its document refers to an unknown entity \"%1\".").arg(t.name));
            tokens.append(std::move(t));
        }
        if (depth > 0)
            badTemplate(QStringLiteral("its document is not well-formed XML: %1 (line %2).")
                            .arg(m_reader.hasError() ? m_reader.errorString() : QStringLiteral("it ends early"))
                            .arg(m_reader.lineNumber()));
        return tokens;
    }

    static std::optional<QList<Token>> propertiesOf(const QList<Token> &run)
    {
        for (qsizetype i = 1; i < run.size(); ++i) {
            if (run.at(i).type == QXmlStreamReader::StartElement && isWord(run.at(i), "rPr")) {
                QList<Token> props;
                int depth = 0;
                for (qsizetype j = i; j < run.size(); ++j) {
                    props.append(run.at(j));
                    if (run.at(j).type == QXmlStreamReader::StartElement)
                        ++depth;
                    else if (run.at(j).type == QXmlStreamReader::EndElement && --depth == 0)
                        break;
                }
                return props;
            }
        }
        return QList<Token>();
    }

    QString w(const char *local) const
    {
        const QString prefix = m_wordPrefix.isNull() ? QStringLiteral("w") : m_wordPrefix;
        return prefix.isEmpty() ? QString::fromLatin1(local) : prefix + QLatin1Char(':') + QLatin1String(local);
    }

    // One run with the value in the given run properties; line breaks become w:br.
    void writeValueRun(const QString &value, const QList<Token> &format)
    {
        m_w->writeStartElement(w("r"));
        for (const Token &t : format)
            writeToken(*m_w, t);
        static const QRegularExpression breaks(QStringLiteral("\r\n|\n|\r"));
        const QStringList lines = value.split(breaks);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i > 0)
                m_w->writeEmptyElement(w("br"));
            if (lines.at(i).isEmpty())
                continue;
            m_w->writeStartElement(w("t"));
            m_w->writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
            m_w->writeCharacters(lines.at(i));
            m_w->writeEndElement();
        }
        m_w->writeEndElement();
    }

    void writeFieldCharRun(const char *type)
    {
        m_w->writeStartElement(w("r"));
        m_w->writeEmptyElement(w("fldChar"));
        m_w->writeAttribute(w("fldCharType"), QString::fromLatin1(type));
        m_w->writeEndElement();
    }

    void handleRun(const Token &start)
    {
        const QList<Token> run = readElement(start);
        bool dropRun = suppressing();
        bool hasFieldChar = false;
        for (qsizetype i = 1; i < run.size(); ++i) {
            const Token &t = run.at(i);
            if (t.type != QXmlStreamReader::StartElement)
                continue;
            if (isWord(t, "fldChar")) {
                hasFieldChar = true;
                const QString type = wordAttribute(t, "fldCharType");
                if (type == QLatin1String("begin")) {
                    Field f;
                    f.inert = suppressing();
                    m_fields.append(f);
                } else if (type == QLatin1String("separate") && !m_fields.isEmpty()) {
                    Field &f = m_fields.last();
                    f.separated = true;
                    if (!f.inert)
                        f.value = TSampleMailMerge::GetMergeFieldValue(f.code.trimmed(), m_sample);
                    if (f.value)
                        dropRun = false; // the separator stays; the runs after it are replaced
                } else if (type == QLatin1String("end") && !m_fields.isEmpty()) {
                    Field f = m_fields.takeLast();
                    if (!f.inert) {
                        if (!f.separated)
                            f.value = TSampleMailMerge::GetMergeFieldValue(f.code.trimmed(), m_sample);
                        if (f.value) {
                            if (!f.separated)
                                writeFieldCharRun("separate");
                            writeValueRun(*f.value, f.format.value_or(QList<Token>()));
                        }
                        dropRun = suppressing();
                    }
                }
            } else if (isWord(t, "instrText") && !m_fields.isEmpty() && !m_fields.last().separated) {
                if (i + 1 < run.size() && run.at(i + 1).type == QXmlStreamReader::Characters)
                    m_fields.last().code += run.at(i + 1).text;
            }
        }
        if (!hasFieldChar && dropRun) {
            // A run of a result being replaced: its properties dress the new result.
            for (Field &f : m_fields) {
                if (f.separated && f.value && !f.format)
                    f.format = propertiesOf(run);
            }
            return;
        }
        if (dropRun)
            return;
        for (const Token &t : run)
            writeToken(*m_w, t);
    }

    void handleSimpleField(const Token &start)
    {
        const std::optional<QString> value =
            TSampleMailMerge::GetMergeFieldValue(wordAttribute(start, "instr").trimmed(), m_sample);
        const QList<Token> field = readElement(start);
        if (!value) {
            for (const Token &t : field)
                writeToken(*m_w, t);
            return;
        }
        std::optional<QList<Token>> format;
        for (qsizetype i = 1; i < field.size() && !format; ++i) {
            if (field.at(i).type == QXmlStreamReader::StartElement && isWord(field.at(i), "r")) {
                QList<Token> run;
                int depth = 0;
                for (qsizetype j = i; j < field.size(); ++j) {
                    run.append(field.at(j));
                    if (field.at(j).type == QXmlStreamReader::StartElement)
                        ++depth;
                    else if (field.at(j).type == QXmlStreamReader::EndElement && --depth == 0)
                        break;
                }
                format = propertiesOf(run);
            }
        }
        writeToken(*m_w, field.first());
        writeValueRun(*value, format.value_or(QList<Token>()));
        m_w->writeEndElement();
    }

    QXmlStreamReader m_reader;
    const TSampleMailMerge::SampleValues &m_sample;
    QXmlStreamWriter *m_w = nullptr;
    QString m_wordPrefix; // the prefix the document gives the word namespace
    QList<Field> m_fields;
};

// The main document's part name, from the package relationships.
QString mainPartName(const ZipArchive &package)
{
    const QByteArray *rels = package.find(QStringLiteral("_rels/.rels"));
    if (!rels)
        badTemplate(QStringLiteral("it is not a Word document (it has no package relationships)."));
    QXmlStreamReader r(*rels);
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.name() == QLatin1String("Relationship")) {
            const QString type = r.attributes().value(QLatin1String("Type")).toString();
            if (type == OfficeDocumentRel || type == StrictOfficeDocumentRel) {
                QString target = r.attributes().value(QLatin1String("Target")).toString();
                while (target.startsWith(QLatin1Char('/')))
                    target.remove(0, 1);
                return target;
            }
        }
    }
    if (r.hasError())
        badTemplate(QStringLiteral("its package relationships cannot be read: %1").arg(r.errorString()));
    badTemplate(QStringLiteral("it is not a Word document (no main document is named)."));
}

QString textOf(const QVariant &value, QMetaType::Type type)
{
    if (!value.isValid() || value.isNull())
        return {};
    switch (type) {
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    case QMetaType::QTime:
        return value.toTime().toString(QStringLiteral("hh:mm:ss"));
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    default:
        return value.toString();
    }
}

} // namespace

TSampleMailMerge::TSampleMailMerge(const QSqlDatabase &db, const QString &programFolder, QObject *parent)
    : QObject(parent), m_db(db), m_programFolder(programFolder)
{
}

void TSampleMailMerge::AddSampleToReport(const QString &uuid)
{
    m_samples.append(uuid);
}

QString TSampleMailMerge::TemplatePath() const
{
    return QDir(m_programFolder).filePath(QStringLiteral("MergeTemplate/TemplateDoc.docx"));
}

QStringList TSampleMailMerge::CreateFieldMappings()
{
    QStringList list;
    for (const auto &[name, column] : Mappings)
        list << QString::fromLatin1(name) + QLatin1Char('=') + QString::fromLatin1(column);
    std::sort(list.begin(), list.end(), [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return list;
}

std::optional<QString> TSampleMailMerge::GetMergeFieldValue(const QString &fieldCode, const SampleValues &sample)
{
    if (fieldCode.size() <= 10 || !fieldCode.startsWith(QLatin1String("MERGEFIELD")))
        return std::nullopt;
    QString name = fieldCode.mid(10).trimmed();
    const qsizetype blank = name.indexOf(QRegularExpression(QStringLiteral("\\s")));
    if (blank >= 0)
        name.truncate(blank);
    // A merge name may be quoted in the field code.
    if (name.size() >= 2 && name.startsWith(QLatin1Char('"')) && name.endsWith(QLatin1Char('"')))
        name = name.mid(1, name.size() - 2);
    const QString *column = mappedColumn(name);
    if (!column)
        return fieldCode + QStringLiteral(" is not a valid Mail Merge fieldname");
    return sample.value(column->toUpper());
}

QByteArray TSampleMailMerge::MergeSampleDocument(const QByteArray &templateDocx, const SampleValues &sample)
{
    ZipArchive package;
    try {
        package = ZipArchive::read(templateDocx);
    } catch (const VarnexError &e) {
        badTemplate(e.message());
    }
    const QString main = mainPartName(package);
    const QByteArray *document = package.find(main);
    if (!document)
        badTemplate(QStringLiteral("its main document \"%1\" is missing.").arg(main));
    package.set(main, DocumentMerge(*document, sample).run());
    return package.write();
}

QString TSampleMailMerge::DocumentName(const QString &premisesName, const QDateTime &at)
{
    QString name = premisesName.isEmpty() ? QStringLiteral("New Document") : premisesName;
    name += QLatin1Char(' ') + at.toString(QStringLiteral("d-M-yy hh-mm-ss"));
    QString clean;
    for (const QChar c : std::as_const(name)) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || QStringLiteral("/\\<>:\"|?*").contains(c))
            clean += QLatin1Char('_');
        else
            clean += c;
    }
    clean = clean.trimmed();
    while (clean.startsWith(QLatin1Char('.')))
        clean.remove(0, 1);
    return clean + QStringLiteral(".docx");
}

QList<TSampleMailMerge::SampleValues> TSampleMailMerge::LoadSamples() const
{
    QStringList marks;
    QVariantList params;
    for (const QString &uuid : m_samples) {
        marks << QStringLiteral("?");
        params << uuid;
    }
    QSqlQuery q = SqlUtil::exec(m_db, QStringLiteral("select * from sample s where s.UNIQUE_UUID in (%1)").arg(marks.join(QLatin1Char(','))),
                                params);
    QHash<QString, SampleValues> byUuid;
    while (q.next()) {
        const QSqlRecord record = q.record();
        SampleValues values;
        for (int c = 0; c < record.count(); ++c)
            values.insert(record.fieldName(c).toUpper(), textOf(record.value(c), QMetaType::Type(record.field(c).metaType().id())));
        byUuid.insert(values.value(QStringLiteral("UNIQUE_UUID")), values);
    }
    QList<SampleValues> rows;
    QStringList seen;
    for (const QString &uuid : m_samples) {
        if (byUuid.contains(uuid) && !seen.contains(uuid)) {
            rows.append(byUuid.value(uuid));
            seen.append(uuid);
        }
    }
    return rows;
}

QStringList TSampleMailMerge::DoMailMerge()
{
    if (m_samples.isEmpty())
        throw VarnexError(QStringLiteral("No Samples selected to mail merge."));
    QFile templateFile(TemplatePath());
    if (!templateFile.exists())
        throw VarnexError(QStringLiteral("The mail merge template \"%1\" does not exist.").arg(TemplatePath()));
    if (!templateFile.open(QIODevice::ReadOnly))
        throw VarnexError(QStringLiteral("The mail merge template \"%1\" cannot be read: %2")
                              .arg(TemplatePath(), templateFile.errorString()));
    const QByteArray templateDocx = templateFile.readAll();
    // The whole template is tried once before any sample, so that a damaged one is named at once.
    try {
        MergeSampleDocument(templateDocx, {});
    } catch (const VarnexError &e) {
        throw VarnexError(QStringLiteral("%1\n(%2)").arg(e.message(), TemplatePath()));
    }

    QStringList written;
    for (const SampleValues &sample : LoadSamples()) {
        const QByteArray document = MergeSampleDocument(templateDocx, sample);
        const QString base = DocumentName(sample.value(QStringLiteral("PREMISES_NAME")), Clock::instance().now());
        QDir folder(m_programFolder);
        QString path = folder.filePath(base);
        // Two samples of one premises merged within a second would get one name: the later one
        // takes the next free " (n)", and no document is ever written over another.
        for (int n = 2; QFileInfo::exists(path); ++n)
            path = folder.filePath(base.chopped(5) + QStringLiteral(" (%1).docx").arg(n));
        QString why;
        if (!saveFileAtomically(path, document, &why))
            throw VarnexError(QStringLiteral("The merged document \"%1\" could not be written: %2").arg(path, why));
        written << path;
        if (OpenDocument)
            OpenDocument(path);
    }
    return written;
}
