#include "exchange/VRXSampleXML_DM.h"

#include "base/Clock.h"
#include "base/VarnexError.h"
#include "core/Main_DM.h"
#include "data/ResultBlobs.h"
#include "reference/LookupData_DM.h"

#include <QBuffer>
#include <QHash>
#include <QLocale>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

TVRXSampleXMLDM *VRXSampleXMLDM = nullptr;

namespace {

using L = TXMLSampleLeaf;
using C = TSampleLeafConversion;

const QString Complete = QStringLiteral("COMPLETE");
const QString ResultsColumn = QStringLiteral("CDS_LABORATORY_RESULTS");
const QString CodeColumn = QStringLiteral("CODE");
const QString OfficerNameColumn = QStringLiteral("SAMPLE_OFFICER_NAME");

// The day a missing date stands for: day 0 of the date scale the documents have always used.
const QDate EmptyDate(1899, 12, 30);

QDate dateOf(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::QDate:
        return value.toDate();
    case QMetaType::QDateTime:
        return value.toDateTime().date();
    case QMetaType::QString:
        return QDate::fromString(value.toString(), Qt::ISODate);
    default:
        return QDate();
    }
}

QTime timeOf(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::QTime:
        return value.toTime();
    case QMetaType::QDateTime:
        return value.toDateTime().time();
    case QMetaType::QString:
        return QTime::fromString(value.toString(), Qt::ISODateWithMs);
    default:
        return QTime();
    }
}

// Plain decimal text ("-12.50") in the locale's form, without trailing zeros ("-12,5").
QString localDecimal(QString text, const QLocale &locale)
{
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point >= 0) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
        else
            text.replace(point, 1, locale.decimalPoint());
    }
    return text;
}

} // namespace

namespace SampleXmlForms {

QString longTimeFormat(const QLocale &locale)
{
    // Drop the zone ("t" .. "tttt") outside quoted text: a stored time has none.
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out.append(c);
    }
    return out.simplified();
}

QString xmlDate(const QDate &date)
{
    return QStringLiteral("%1-%2-%3")
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'));
}

QString xmlTime(const QTime &time)
{
    return QStringLiteral("%1:%2:%3.%4Z")
        .arg(time.hour(), 2, 10, QLatin1Char('0'))
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.second(), 2, 10, QLatin1Char('0'))
        .arg(time.msec(), 3, 10, QLatin1Char('0'));
}

Forms::Forms(const QLocale &l)
    : locale(l), shortDate(l.dateFormat(QLocale::ShortFormat)), longTime(longTimeFormat(l))
{
}

QString columnText(const QVariant &value, const FieldDef &field, const Forms &forms)
{
    const QLocale &locale = forms.locale;
    if (!value.isValid() || value.isNull())
        return QString();
    switch (field.type) {
    case FieldType::String:
    case FieldType::Memo:
        return value.toString();
    case FieldType::Blob:
        return QString();
    case FieldType::Int16:
    case FieldType::Int32:
    case FieldType::Int64:
        return QString::number(value.toLongLong());
    case FieldType::Decimal:
        return localDecimal(value.toString(), locale);
    case FieldType::Float:
        return localDecimal(QString::number(value.toDouble(), 'f', 15), locale);
    case FieldType::Boolean:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case FieldType::Date:
        return locale.toString(dateOf(value), forms.shortDate);
    case FieldType::Time:
        return locale.toString(timeOf(value), forms.longTime);
    case FieldType::Timestamp: {
        const QDateTime at = value.toDateTime();
        QString text = locale.toString(at.date(), forms.shortDate);
        if (at.time() != QTime(0, 0))
            text += QLatin1Char(' ') + locale.toString(at.time(), forms.longTime);
        return text;
    }
    }
    return value.toString();
}

bool wholeNumber(const QVariant &value, qint64 *out)
{
    if (!value.isValid() || value.isNull()) {
        *out = 0;
        return true;
    }
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::LongLong:
        *out = value.toLongLong();
        return true;
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = std::round(value.toDouble()); // half away from zero
        if (!std::isfinite(d) || std::fabs(d) > 9.0e18)
            return false;
        *out = qint64(d);
        return true;
    }
    default:
        break;
    }
    // Text: plain decimal notation, rounded on its digits so that no binary fraction intrudes.
    const QString text = value.toString().trimmed();
    qsizetype i = 0;
    const bool negative = text.startsWith(QLatin1Char('-'));
    if (negative || text.startsWith(QLatin1Char('+')))
        ++i;
    const qsizetype digitsStart = i;
    while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128)
        ++i;
    const QString whole = text.mid(digitsStart, i - digitsStart);
    bool roundUp = false;
    if (i < text.size() && text.at(i) == QLatin1Char('.')) {
        ++i;
        const qsizetype fractionStart = i;
        while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128)
            ++i;
        if (i > fractionStart)
            roundUp = text.at(fractionStart) >= QLatin1Char('5');
        else if (whole.isEmpty())
            return false;
    }
    if (i != text.size() || (whole.isEmpty() && !roundUp && !text.contains(QLatin1Char('.'))))
        return false;
    bool ok = true;
    qint64 n = whole.isEmpty() ? 0 : whole.toLongLong(&ok);
    if (!ok || (roundUp && n == std::numeric_limits<qint64>::max()))
        return false;
    if (roundUp)
        ++n;
    *out = negative ? -n : n;
    return true;
}

} // namespace SampleXmlForms

const QList<TSampleLeafSource> &TVRXSampleXMLDM::SampleLeafSources()
{
    static const QList<TSampleLeafSource> sources{
        {L::RecordType, "RECORD_TYPE", C::RecordType, nullptr},
        {L::SampleNumber, "CODE", C::Text, nullptr},
        {L::LocalAuthorityCode, "LOCAL_AUTHORITY__CODE", C::Text, nullptr},
        {L::LocalAuthorityName, nullptr, C::AuthorityName, nullptr},
        {L::LocalAuthorityOfficeCode, "LOCAL_AUTH_OFFICE__CODE", C::Text, nullptr},
        {L::LocalAuthorityOfficeName, "LOCAL_AUTH_OFFICE_DESCRIPTION", C::Text, nullptr},
        {L::AnalysisType, "ANALYSIS_TYPE", C::AnalysisType, nullptr},
        {L::LocalAuthoritySampleNumber, "LA_SAMPLENO", C::Text, nullptr},
        {L::SamplingOfficerCode, "SAMPLE_OFFICER__CODE", C::OfficerCode, nullptr},
        {L::SamplingOfficerName, "NAME", C::OfficerName, nullptr},
        {L::DateSampleTaken, "SAMPLE_DATE", C::Date, nullptr},
        {L::TimeSampleTaken, "SAMPLE_TIME", C::Time, nullptr},
        {L::RecordedDate, "RECORDED_DATE", C::OptionalDate, nullptr},
        {L::AnimalFeedDateOfManufacture, "DATE_OF_MANUFACTURE", C::OptionalDate, "DATE_OF_MANUFACTURE"},
        {L::PremisesName, "PREMISES_NAME", C::Text, nullptr},
        {L::BusinessId, "BUSINESS_ID", C::Text, nullptr},
        {L::BusinessAddress1, "BUSINESS_ADDR_1", C::Text, nullptr},
        {L::BusinessAddress2, "BUSINESS_ADDR_2", C::Text, nullptr},
        {L::BusinessAddress3, "BUSINESS_ADDR_3", C::Text, nullptr},
        {L::BusinessAddress4, "BUSINESS_ADDR_4", C::Text, nullptr},
        {L::BusinessPostcode, "BUSINESS_POSTCODE", C::Text, nullptr},
        {L::PremisesTypeCode, "PREMISES_TYPE__CODE", C::Text, nullptr},
        {L::PremisesTypeDescription, "PREMISES_TYPE_DESCRIPTION", C::Text, nullptr},
        {L::ReasonForTakingSampleCode, "REASON__CODE", C::Text, nullptr},
        {L::ReasonForTakingSampleDescription, "REASON_DESCRIPTION", C::Text, nullptr},
        {L::SampleTypeCode, "SAMPLE_TYPE__CODE", C::Text, nullptr},
        {L::SampleTypeDescription, "SAMPLE_TYPE_DESCRIPTION", C::Text, nullptr},
        {L::IsFollowupSample, "FLAG_FOLLOW_UP", C::Flag, nullptr},
        {L::FollowUpSampleReference, "INDEX_NUMBER", C::Text, nullptr},
        {L::FoodSafetyRiskCategoryCode, "RISK_CATEGORY", C::Text, nullptr},
        {L::IsFoodBourneIllnessInvestigation, "FLAG_FOOD_POISONING", C::Flag, nullptr},
        {L::FoodBourneIllnessDetails, "DETAILS", C::Text, nullptr},
        {L::IsSurvey, "FLAG_SURVEY", C::Flag, nullptr},
        {L::SurveyBodyCode, "SURVEY_BODY__CODE", C::Text, nullptr},
        {L::SurveyBodyDescription, "SURVEY_BODY_DESCRIPTION", C::Text, nullptr},
        {L::SurveyReference, "SURVEY_NUMBER", C::Text, nullptr},
        {L::BrandName, "BRAND_NAME", C::Text, nullptr},
        {L::FoodDescription, "FOOD_DESCRIPTION", C::Text, nullptr},
        {L::CategoryCode, "CATEGORY__CODE", C::Text, nullptr},
        {L::SubcategoryCode, "SUB_CATEGORY__CODE", C::Text, nullptr},
        {L::SubcategoryDescription, "SUB_CATEGORY_DESCRIPTION", C::Text, nullptr},
        {L::Subcategory2Code, "SUB_CATEGORY_2__CODE", C::Text, nullptr},
        {L::Subcategory2Description, "SUB_CATEGORY_2_DESCRIPTION", C::Text, nullptr},
        {L::Subcategory3Code, "SUB_CATEGORY_3__CODE", C::Text, nullptr},
        {L::Subcategory3Description, "SUB_CATEGORY_3_DESCRIPTION", C::Text, nullptr},
        {L::AdditionalInformation, "ADDITIONAL_INFO", C::Text, nullptr},
        {L::NatureOfProductCode, "PRODUCT__CODE", C::Text, nullptr},
        {L::ProductDescription, "PRODUCT_DESCRIPTION", C::Text, nullptr},
        {L::ManufacturerDescription, "MANUFACTURER", C::Text, nullptr},
        {L::DistributerDescription, "DISTRIBUTER", C::Text, nullptr},
        {L::ImporterDescription, "IMPORTER", C::Text, nullptr},
        {L::CountryCode, "COUNTRY", C::Country, nullptr},
        {L::CountryDescription, "COUNTRY", C::Text, nullptr},
        {L::PackagingCode, "PACKAGING__CODE", C::Text, nullptr},
        {L::PackagingDescription, "PACKAGING_DESCRIPTION", C::Text, nullptr},
        {L::PackagingMaterialCode, "MATERIAL__CODE", C::Text, nullptr},
        {L::PackagingMaterialDescription, "MATERIAL_DESCRIPTION", C::Text, nullptr},
        {L::OtherPackagingMaterialDetails, "OTHER_MATERIAL", C::Text, nullptr},
        {L::PackageQuantity, "QUANTITY", C::Text, nullptr},
        {L::PackageUnitsCode, "PACK_SIZE", C::Text, nullptr},
        {L::PackageUnitsDescription, "PACK_SIZE_DESCRIPTION", C::Text, nullptr},
        {L::PackageBatchNumber, "BATCH_NUMBER", C::Text, nullptr},
        {L::PackageHealthmark, "HEALTH_MARK", C::Text, nullptr},
        {L::DurabilityCode, "DURABILITY__CODE", C::Text, nullptr},
        {L::DurabilityDescription, "DURABILITY_DESCRIPTION", C::Text, nullptr},
        {L::DurabilityDay, "DURABILITY_DAY", C::Integer, nullptr},
        {L::DurabilityMonth, "DURABILITY_MONTH", C::Integer, nullptr},
        {L::DurabilityYear, "DURABILITY_YEAR", C::Integer, nullptr},
        {L::ConditionCode, "CONDITION__CODE", C::Text, nullptr},
        {L::ConditionDescription, "CONDITION_DESCRIPTION", C::Text, nullptr},
        {L::OtherConditionDetails, "OTHER_CONDITION", C::Text, nullptr},
        {L::Temperature, "TEMPERATURE", C::Integer, nullptr},
        {L::MeetsCodeOfPractise, "FLAG_COP_CONDITION", C::Flag, nullptr},
        {L::CodeOfPractiseDetails, "NOT_COP", C::Text, nullptr},
        {L::MeetsCodeOfPractiseTransport, "FLAG_COP_LAB", C::Flag, nullptr},
        {L::TestingLaboratoryCode, "LABORATORY__CODE", C::Text, nullptr},
        {L::TestingLaboratoryDescription, "LABORATORY_DESCRIPTION", C::Text, nullptr},
        {L::LaboratoryComments, "LABORATORY_COMMENTS", C::Text, nullptr},
        {L::SampleComments, "SAMPLE_COMMENTS", C::Text, nullptr},
        {L::PurchaseCost, "PURCHASE_COST", C::Text, nullptr},
        {L::AnalysisCost, "ANALYSIS_COST", C::Text, nullptr},
        {L::IsSatisfactory, "FLAG_SATISFACTORY", C::Flag, nullptr},
        {L::Prosecution, "FLAG_PROSECUTION", C::Flag, nullptr},
        {L::IsRoutineAnalysisRequired, "ROUTINE_ANALYSIS", C::Flag, "ROUTINE_ANALYSIS"},
        {L::RoutineComments, "ANALYSIS_TEXT", C::Text, "ROUTINE_ANALYSIS"},
        {L::FoodStandardsRiskCategoryCode, "RISK_CATEGORY_FOOD_STAND__CODE", C::Text, "RISK_CATEGORY_FOOD_STAND__CODE"},
        {L::FoodStandardsRiskCategoryDescription, "RISK_CAT_FS_DESCRIPTION", C::Text, "RISK_CATEGORY_FOOD_STAND__CODE"},
        {L::QOVAInformation, "QOVA_INFO", C::Text, "QOVA_INFO"},
        {L::MAFFCategoryCode, "MAFF__CODE", C::Text, "MAFF__CODE"},
        {L::AnimalFeedRegistrationNumber, "REGISTRATION_NUMBER", C::Text, "REGISTRATION_NUMBER"},
        {L::AnimalFeedSpeciesCode, "ANIMAL_SPECIES__CODE", C::Text, "ANIMAL_SPECIES__CODE"},
        {L::AnimalFeedLabelRegistrationNumber, "LABEL_REGISTRATION_NUMBER", C::Text, "LABEL_REGISTRATION_NUMBER"},
        {L::AnimalFeedLabelBusinessTypeCode, "LABEL_BUSINESS_TYPE__CODE", C::Text, "LABEL_BUSINESS_TYPE__CODE"},
        {L::AnimalFeedLabelBusinessAddress, "LABEL_BUSINESS_ADDRESS", C::Text, "LABEL_BUSINESS_ADDRESS"},
    };
    return sources;
}

const QList<TResultLeafSource> &TVRXSampleXMLDM::ResultLeafSources()
{
    using R = TXMLResultLeaf;
    static const QList<TResultLeafSource> sources{
        {R::Output, "OUTPUT"},
        {R::TextResult, "TEXT_RESULT"},
        {R::ResultType, "Result_type"},
        {R::Qualifier, "Qualifier"},
        {R::TestSubstance, "SUBSTANCE"},
        {R::TestUnits, "LAB_UNIT"},
        {R::Result, "Result"},
        {R::ComponentDescription, "Component_Desc"},
        {R::ResultTimeStamp, "Result_Timestamp"},
        {R::BatchNumber, "Batch_Number"},
        {R::FailCode, "Failcode"},
        {R::FailDescription, "Failcode_Desc"},
        {R::ExpandedMeasureofUncertainty, "Exp_Measure_Of_Uncertainty"},
        {R::Recovery, "Recovery"},
        {R::CorrectionForRecovery, "Correction_For_Recovery"},
        {R::LODLOQ, "LODLOQ"},
    };
    return sources;
}

// Everything one run decides once: the settings, the locale's forms, the columns and the names
// of the elements it writes.
struct TVRXSampleXMLDM::Run
{
    bool xmlDates = false;
    bool isoCountryCodes = false;
    QString authorityName;
    const TLookupDataDm *lookups = nullptr;
    SampleXmlForms::Forms forms{QLocale()};

    struct Leaf
    {
        const TSampleLeafSource *source;
        int column;   // -1 for a value of the settings
        QString name; // the element
    };
    std::vector<Leaf> leaves; // the leaves this dataset gets, in document order
    int status = -1;
    int code = -1;
    int officerName = -1; // SAMPLE_OFFICER_NAME, when the dataset has it
    int results = -1;     // CDS_LABORATORY_RESULTS, when the dataset has it
    QList<FieldDef> fields;
    std::vector<QString> resultNames; // the Result leaves, in document order

    QHash<QString, QString> officerCodes; // by officer name
    QHash<QString, QString> isoCodes;     // by country name
};

TVRXSampleXMLDM::TVRXSampleXMLDM(TMaindm &settings, const TLookupDataDm *lookups, QObject *parent)
    : QObject(parent), m_settings(settings), m_lookups(lookups)
{
}

TVRXSampleXMLDM::~TVRXSampleXMLDM()
{
    if (VRXSampleXMLDM == this)
        VRXSampleXMLDM = nullptr;
}

QString TVRXSampleXMLDM::sampleName(int codeColumn) const
{
    const QString code = codeColumn >= 0 ? m_rows->Value(codeColumn).toString() : QString();
    return code.isEmpty() ? QStringLiteral("(without a code)") : code;
}

void TVRXSampleXMLDM::LoadResults()
{
    if (!m_rows)
        throw VarnexError(NoDatasetText());
    const DataTable columns(m_rows->Fields());
    loadResults(sampleName(columns.indexOf(CodeColumn)), columns.indexOf(ResultsColumn));
}

void TVRXSampleXMLDM::loadResults(const QString &sample, int blobColumn)
{
    m_results = DataTable();
    if (blobColumn < 0)
        throw VarnexError(QStringLiteral("Cannot generate XML for sample %1: the sample dataset has no column %2")
                              .arg(sample, ResultsColumn));
    const QVariant value = m_rows->Value(blobColumn);
    const QByteArray bytes = value.metaType().id() == QMetaType::QString ? value.toString().toUtf8() : value.toByteArray();
    try {
        m_results = ResultBlobs::readResults(bytes);
    } catch (const VarnexError &e) {
        throw VarnexError(QStringLiteral("Cannot generate XML for sample %1: its laboratory results cannot be read: %2")
                              .arg(sample, e.message()));
    }
}

void TVRXSampleXMLDM::GenerateXML()
{
    m_doc.Clear();
    QByteArray xml;
    QBuffer buffer(&xml);
    buffer.open(QIODevice::WriteOnly);
    GenerateXML(buffer);
    m_doc = TXMLDocument::LoadFromData(xml);
}

void TVRXSampleXMLDM::GenerateXML(QIODevice &device)
{
    m_written = 0;
    if (!m_rows)
        throw VarnexError(NoDatasetText());
    Run run = startRun();
    // The document names its number of samples before the first of them.
    const int count = m_rows->Count();
    XmlElementWriter out(device);
    out.startElement(SampleXmlNames::Root);
    writeFileInfo(out, run, count);
    try {
        reportProgress(count);
        while (m_rows->Next()) {
            writeSample(out, run);
            out.check();
            ++m_written;
            reportProgress(count);
        }
        if (m_written != count)
            throw VarnexError(QStringLiteral("Cannot generate XML: the samples changed while they were written (%1 "
                                             "counted, %2 read). Please export them again.")
                                  .arg(count)
                                  .arg(m_written));
        out.finish();
    } catch (...) {
        m_written = 0;
        throw;
    }
}

TVRXSampleXMLDM::Run TVRXSampleXMLDM::startRun() const
{
    // The settings once for the whole run, so that every sample of a document has the same forms.
    Run run;
    run.xmlDates = m_settings.UseWW3XMLDates();
    run.isoCountryCodes = m_settings.UseISOCountryCodes();
    run.authorityName = m_settings.LocalAuthorityDescription();
    run.lookups = m_lookups ? m_lookups : LookupDataDm;

    run.fields = m_rows->Fields();
    const DataTable columns(run.fields);
    const auto column = [&](const char *name) { return columns.indexOf(QLatin1String(name)); };
    const auto required = [&](const char *name) {
        const int c = column(name);
        if (c < 0)
            throw VarnexError(QStringLiteral("Cannot generate XML: the sample dataset has no column %1").arg(QLatin1String(name)));
        return c;
    };
    for (const TSampleLeafSource &source : SampleLeafSources()) {
        if (source.PresentIf && column(source.PresentIf) < 0)
            continue;
        int c = -1;
        if (source.Conversion == C::OfficerName) {
            // The joined officer's name, else the one the sample keeps; neither: no element.
            c = column(source.Column);
            if (c < 0 && columns.indexOf(OfficerNameColumn) < 0)
                continue;
        } else if (source.Column) {
            c = required(source.Column);
        }
        run.leaves.push_back({&source, c, QLatin1String(SampleLeaves().at(int(source.Leaf)).Name)});
    }
    run.status = required("SAMPLE_STATUS__CODE"); // decides whether a sample gets its results
    run.code = columns.indexOf(CodeColumn);
    run.officerName = columns.indexOf(OfficerNameColumn);
    run.results = columns.indexOf(ResultsColumn);
    for (const TResultLeafSource &source : ResultLeafSources())
        run.resultNames.push_back(QLatin1String(ResultLeaves().at(int(source.Leaf)).Name));
    return run;
}

void TVRXSampleXMLDM::writeFileInfo(XmlElementWriter &out, const Run &run, int count) const
{
    const SampleXmlForms::Forms &forms = run.forms;
    const auto name = [](TXMLFileInfoLeaf leaf) { return QLatin1String(FileInfoLeaves().at(int(leaf)).Name); };
    out.startElement(SampleXmlNames::FileInfo);
    out.leaf(name(TXMLFileInfoLeaf::DateGenerated), forms.locale.toString(Clock::instance().today(), forms.shortDate));
    out.leaf(name(TXMLFileInfoLeaf::SampleCount), TXMLElement::IntegerText(count));
    out.leaf(name(TXMLFileInfoLeaf::FileSource), QStringLiteral(" "));
    out.endElement();
}

void TVRXSampleXMLDM::writeSample(XmlElementWriter &out, Run &run)
{
    out.startElement(SampleXmlNames::Sample);
    for (const Run::Leaf &leaf : run.leaves) {
        const std::optional<QString> value = leafValue(run, *leaf.source, leaf.column);
        if (value)
            out.leaf(leaf.name, *value);
    }
    if (columnText(run, run.status) == Complete)
        writeResults(out, run);
    out.endElement();
}

QString TVRXSampleXMLDM::columnText(const Run &run, int column) const
{
    return SampleXmlForms::columnText(m_rows->Value(column), run.fields.at(column), run.forms);
}

std::optional<QString> TVRXSampleXMLDM::leafValue(Run &run, const TSampleLeafSource &source, int column) const
{
    const SampleXmlForms::Forms &forms = run.forms;
    const auto text = [&](int c) { return columnText(run, c); };
    const auto date = [&](const QVariant &v) {
        const QDate d = dateOf(v).isValid() ? dateOf(v) : EmptyDate;
        return run.xmlDates ? SampleXmlForms::xmlDate(d) : forms.locale.toString(d, forms.shortDate);
    };
    const auto time = [&](const QVariant &v) {
        const QTime t = timeOf(v).isValid() ? timeOf(v) : QTime(0, 0);
        return run.xmlDates ? SampleXmlForms::xmlTime(t) : forms.locale.toString(t, forms.longTime);
    };
    const auto isEmpty = [](const QVariant &v) {
        return !v.isValid() || v.isNull() || (v.metaType().id() == QMetaType::QString && v.toString().isEmpty());
    };

    switch (source.Conversion) {
    case C::Text:
        return text(column);
    case C::RecordType: {
        const QString value = text(column);
        return value.isEmpty() ? QStringLiteral("FOOD") : value;
    }
    case C::AuthorityName:
        return run.authorityName;
    case C::AnalysisType: {
        const QString type = text(column);
        return type == QLatin1String("MICRO") || type == QLatin1String("M") ? QStringLiteral("M") : QStringLiteral("C");
    }
    case C::OfficerCode: {
        const QString value = text(column);
        if (!value.trimmed().isEmpty())
            return value;
        const QString name = run.officerName >= 0 ? text(run.officerName) : QString();
        auto it = run.officerCodes.constFind(name);
        if (it == run.officerCodes.cend())
            it = run.officerCodes.insert(name, m_settings.GetSamplingOfficerCodeFromName(name));
        return it.value();
    }
    case C::OfficerName: {
        const QString value = column >= 0 ? text(column) : QString();
        if (!value.isEmpty())
            return value;
        if (run.officerName < 0)
            return std::nullopt;
        return text(run.officerName);
    }
    case C::Date:
        return date(m_rows->Value(column));
    case C::Time:
        return time(m_rows->Value(column));
    case C::OptionalDate:
        if (!run.xmlDates)
            return text(column);
        if (isEmpty(m_rows->Value(column)))
            return std::nullopt;
        return date(m_rows->Value(column));
    case C::Flag:
        return TXMLElement::BooleanText(text(column) == QLatin1String("T"));
    case C::Integer: {
        qint64 n = 0;
        if (!SampleXmlForms::wholeNumber(m_rows->Value(column), &n))
            throw VarnexError(QStringLiteral("Cannot generate XML for sample %1: the column %2 holds \"%3\", which is not "
                                             "a number")
                                  .arg(sampleName(run.code), QLatin1String(source.Column), text(column)));
        return TXMLElement::IntegerText(n);
    }
    case C::Country: {
        const QString value = text(column);
        if (!run.isoCountryCodes)
            return value;
        auto it = run.isoCodes.constFind(value);
        if (it == run.isoCodes.cend())
            it = run.isoCodes.insert(value, run.lookups ? run.lookups->GetISOCodeForCountry(value) : QStringLiteral("N/A"));
        return it.value();
    }
    }
    return QString();
}

void TVRXSampleXMLDM::writeResults(XmlElementWriter &out, const Run &run)
{
    loadResults(sampleName(run.code), run.results);
    std::vector<int> columns;
    for (const TResultLeafSource &source : ResultLeafSources()) {
        const int c = m_results.indexOf(QLatin1String(source.Column));
        if (c < 0)
            throw VarnexError(QStringLiteral("Cannot generate XML for sample %1: its laboratory results have no column %2")
                                  .arg(sampleName(run.code), QLatin1String(source.Column)));
        columns.push_back(c);
    }
    for (int r = 0; r < m_results.rowCount(); ++r) {
        out.startElement(SampleXmlNames::Result);
        for (size_t i = 0; i < columns.size(); ++i) {
            const int c = columns[i];
            out.leaf(run.resultNames[i], SampleXmlForms::columnText(m_results.value(r, c), m_results.field(c), run.forms));
        }
        out.endElement();
    }
}

void TVRXSampleXMLDM::reportProgress(int count) const
{
    if (m_progress)
        m_progress(m_written, count);
}
