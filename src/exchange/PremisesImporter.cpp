#include "exchange/PremisesImporter.h"

#include "base/ProductNames.h"
#include "base/VarnexError.h"
#include "exchange/CsvReader.h"
#include "exchange/PremisesXmlReader.h"
#include "exchange/TranslationTerms.h"
#include "store/SqlUtil.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

#include <array>
#include <optional>

namespace {

// The inputs of PREMISES_RECORD_IMPORT_R1 that come from the file, in the procedure's order; the
// authority, the office and the personality's flag follow them.
enum Input { Code, Name, Addr1, Addr2, Addr3, Addr4, Postcode, PremisesType, Risk, FoodStandardsRisk, Registration, InputCount };
using Inputs = std::array<QVariant, InputCount>; // a null value leaves the stored one as it is

constexpr int ReportEveryMs = 100;
const QString NothingImported = QStringLiteral("Nothing of the file was imported.");

const QString RiskCategory = QStringLiteral("Risk Category");
const QString FoodStandardsRiskCategory = QStringLiteral("Food Standards Risk Category");
const QString FeedRiskCategory = QStringLiteral("Animal Feed Risk Category");
const QString PremisesTypeField = QStringLiteral("Premises type");

// Empty, never null, so that an empty column empties the stored value.
QVariant text(const QString &value)
{
    return value.isNull() ? QVariant(QString(QLatin1String(""))) : QVariant(value);
}

// A leaf that a record leaves out is null, so that a premises updated keeps what it holds and a
// new one has nothing; a leaf written empty empties the stored value, as an empty CSV column does.
QVariant given(const std::optional<QString> &leaf)
{
    return leaf ? text(*leaf) : QVariant();
}

QString codeText(const QVariant &code)
{
    const QString c = code.toString();
    return c.trimmed().isEmpty() ? QStringLiteral("no CODE") : QStringLiteral("CODE \"%1\"").arg(c);
}

class PremisesWriter
{
public:
    PremisesWriter(const QSqlDatabase &db, const PremisesImportSettings &settings, const TranslationTerms &terms,
         const std::function<void(const PremisesImportCounts &)> &progress, PremisesImportCounts &counts)
        : m_db(db), m_settings(settings), m_terms(terms), m_progress(progress), m_counts(counts),
          m_feed(settings.personality == Varnex::PersonalityAnimalFeed), m_call(db)
    {
        QStringList marks;
        for (int i = 0; i < InputCount + 4; ++i)
            marks << QStringLiteral("?");
        if (!m_call.prepare(QStringLiteral("EXECUTE PROCEDURE PREMISES_RECORD_IMPORT_R1 (%1)").arg(marks.join(QLatin1Char(',')))))
            throw VarnexError(QStringLiteral("PREMISES_RECORD_IMPORT_R1 cannot be called: %1").arg(m_call.lastError().text()));
        m_sinceReport.start();
    }

    // The columns of a CSV line: CODE, name, four address lines, postcode, risk category,
    // premises type, and the food standards risk category (food) or the registration number (feed).
    void csv(const CsvRecord &record)
    {
        if (record.blank) {
            skip();
            return;
        }
        const auto column = [&record](int n) { return n <= record.values.size() ? record.values.at(n - 1) : QString(); };
        Inputs in;
        for (int i = Code; i <= Postcode; ++i)
            in[i] = text(column(i + 1));
        in[Risk] = code(m_feed ? FeedRiskCategory : RiskCategory, column(8));
        in[PremisesType] = code(PremisesTypeField, column(9));
        if (m_feed)
            in[Registration] = text(column(10));
        else
            in[FoodStandardsRisk] = code(FoodStandardsRiskCategory, column(10));
        write(in, QStringLiteral("Line %1").arg(record.line));
    }

    void xml(const PremisesXmlReader::Record &record)
    {
        const bool cp = record.layout == PremisesXmlLayout::CP;
        const auto leaf = [&record](const char16_t *name) { return record.leafIfPresent(QStringView(name)); };
        Inputs in;
        in[Code] = given(leaf(cp ? u"CODE" : u"BusinessId"));
        in[Name] = given(leaf(cp ? u"PREMISES_NAME" : u"PremisesName"));
        in[Addr1] = given(leaf(cp ? u"BUSINESS_ADDR_1" : u"BusinessAddress1"));
        in[Addr2] = given(leaf(cp ? u"BUSINESS_ADDR_2" : u"BusinessAddress2"));
        in[Addr3] = given(leaf(cp ? u"BUSINESS_ADDR_3" : u"BusinessAddress3"));
        in[Addr4] = given(leaf(cp ? u"BUSINESS_ADDR_4" : u"BusinessAddress4"));
        in[Postcode] = given(leaf(cp ? u"BUSINESS_POSTCODE" : u"BusinessPostcode"));
        in[PremisesType] = code(PremisesTypeField, leaf(cp ? u"PREMISES_TYPE_CODE" : u"PremisesTypeCode"));
        const std::optional<QString> risk = leaf(cp ? u"RISK_CATEGORY_CODE" : u"FoodSafetyRiskCategoryCode");
        const std::optional<QString> standardsRisk =
            leaf(cp ? u"RISK_CATEGORY_FOOD_STAND_CODE" : u"FoodStandardsRiskCategoryCode");
        if (m_feed) {
            // The V3 layout carries a feed premises' risk in its food standards leaf.
            in[Risk] = feedRisk(cp ? risk : standardsRisk);
            in[FoodStandardsRisk] = feedRisk(standardsRisk);
            if (!cp)
                in[Registration] = given(leaf(u"RegistrationNumber"));
        } else {
            in[Risk] = code(RiskCategory, risk);
            in[FoodStandardsRisk] = code(FoodStandardsRiskCategory, standardsRisk);
        }
        write(in, QStringLiteral("Record %1 at line %2").arg(record.number).arg(record.line));
    }

    void finish()
    {
        if (m_settings.removeCurrentRecords && m_counts.inserted + m_counts.updated > 0)
            m_counts.removed = RemoveCurrentRecords(m_db, m_settings.personality);
        if (m_progress)
            m_progress(m_counts);
    }

private:
    // A code as this system keeps it: without the blanks that registers pad it with, which would
    // make it match no list entry and no term, then translated.
    QVariant code(const QString &field, const QString &value) const
    {
        return text(m_terms.TranslateValue(field, value.trimmed()));
    }

    QVariant code(const QString &field, const std::optional<QString> &leaf) const
    {
        return leaf ? code(field, *leaf) : QVariant();
    }

    static QVariant feedRisk(const std::optional<QString> &leaf)
    {
        return leaf ? QVariant(NormaliseRiskCategory(*leaf)) : QVariant();
    }

    void skip()
    {
        ++m_counts.skipped;
        counted();
    }

    void counted()
    {
        ++m_counts.processed;
        if (m_progress && m_sinceReport.elapsed() >= ReportEveryMs) {
            m_progress(m_counts);
            m_sinceReport.restart();
        }
    }

    void write(const Inputs &in, const QString &where)
    {
        // The procedure refuses a premises without a code; the file goes on without it.
        if (in[Code].toString().trimmed().isEmpty()) {
            skip();
            return;
        }
        int i = 0;
        for (const QVariant &value : in)
            m_call.bindValue(i++, value);
        m_call.bindValue(i++, m_settings.LocalAuthorityCode);
        m_call.bindValue(i++, m_settings.LocalAuthorityOfficeCode);
        m_call.bindValue(i++, m_feed ? QVariant() : QVariant(QStringLiteral("T")));
        m_call.bindValue(i++, m_feed ? QVariant(QStringLiteral("T")) : QVariant());
        if (!m_call.exec()) {
            const QSqlError error = m_call.lastError();
            const QString cause = (error.databaseText().isEmpty() ? error.text() : error.databaseText()).trimmed();
            throw VarnexError(QStringLiteral("%1 (%2): the database refused the premises: %3. %4")
                                  .arg(where, codeText(in[Code]), cause, NothingImported));
        }
        const bool updated = m_call.next() && m_call.value(0).toString() == QLatin1String("T");
        m_call.finish();
        ++(updated ? m_counts.updated : m_counts.inserted);
        counted();
    }

    QSqlDatabase m_db;
    const PremisesImportSettings &m_settings;
    const TranslationTerms &m_terms;
    const std::function<void(const PremisesImportCounts &)> &m_progress;
    PremisesImportCounts &m_counts;
    bool m_feed;
    QSqlQuery m_call;
    QElapsedTimer m_sinceReport;
};

VarnexError decodingError(const CsvError &e)
{
    return VarnexError(QStringLiteral("Error Decoding String: line %1, column %2 (%3): %4 %5")
                           .arg(e.line())
                           .arg(e.column())
                           .arg(codeText(e.firstValue()), CsvError::causeText(e.cause()), NothingImported));
}

} // namespace

QString NormaliseRiskCategory(const QString &value)
{
    const QString v = value.trimmed().toLower();
    if (v == QLatin1String("high") || v == QLatin1String("h") || v == QLatin1String("a"))
        return QStringLiteral("H");
    if (v == QLatin1String("medium") || v == QLatin1String("med") || v == QLatin1String("m") || v == QLatin1String("b"))
        return QStringLiteral("M");
    if (v == QLatin1String("low") || v == QLatin1String("l") || v == QLatin1String("c"))
        return QStringLiteral("L");
    return QStringLiteral("U");
}

QString PremisesTableName(const QString &personality)
{
    return personality == Varnex::PersonalityFood ? QStringLiteral("PREMISES_DETAIL")
                                                  : QStringLiteral("PREMISES_DETAIL_ANIMAL_FEED");
}

int RemoveCurrentRecords(const QSqlDatabase &db, const QString &personality)
{
    // A premises already deleted stays as it is, so that it does not go up to the server again.
    QSqlQuery q = SqlUtil::exec(db, QStringLiteral("UPDATE %1 SET FLAG_DELETED = 'T' WHERE UPDATE_ID > 0 AND "
                                                   "FLAG_DELETED IS DISTINCT FROM 'T'")
                                        .arg(SqlUtil::quoteIdentifier(PremisesTableName(personality))));
    return q.numRowsAffected();
}

PremisesImporter::PremisesImporter(const QSqlDatabase &db, const PremisesImportSettings &settings)
    : m_db(db), m_settings(settings)
{
}

bool PremisesImporter::IsXmlFile(const QString &fileName)
{
    return fileName.right(3).toLower() == QLatin1String("xml");
}

PremisesImportCounts PremisesImporter::Load(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw VarnexError(QStringLiteral("The file %1 cannot be read: %2").arg(fileName, file.errorString()));
    const bool xml = IsXmlFile(fileName);

    // All of the file is read once before anything is written: its faults stop the load at once,
    // and the number of records is known.
    PremisesImportCounts counts;
    CsvEncoding encoding = CsvEncoding::Utf8;
    if (xml) {
        PremisesXmlReader reader;
        reader.OnRecord = [&counts](const PremisesXmlReader::Record &) { ++counts.records; };
        reader.Read(file, fileName);
    } else {
        encoding = DetectCsvEncoding(file);
        CsvReader reader(file, encoding);
        CsvRecord record;
        try {
            while (reader.next(record))
                ++counts.records;
        } catch (const CsvError &e) {
            throw decodingError(e);
        }
    }
    if (Progress)
        Progress(counts);
    if (!file.seek(0))
        throw VarnexError(QStringLiteral("The file %1 cannot be read: %2").arg(fileName, file.errorString()));

    // Read at every load, so that terms added since the last one count.
    const TranslationTerms terms = TranslationTerms::Load(
        m_db, TranslationGroupName(m_settings.personality == Varnex::PersonalityAnimalFeed
                                       ? TTranslationType::trnTypeFeedPremises
                                       : TTranslationType::trnTypeFoodPremises));
    SqlUtil::inTransaction(m_db, [&](QSqlDatabase &db) {
        PremisesWriter load(db, m_settings, terms, Progress, counts);
        if (xml) {
            PremisesXmlReader reader;
            reader.OnRecord = [&load](const PremisesXmlReader::Record &record) { load.xml(record); };
            reader.Read(file, fileName);
        } else {
            CsvReader reader(file, encoding);
            CsvRecord record;
            try {
                while (reader.next(record))
                    load.csv(record);
            } catch (const CsvError &e) {
                throw decodingError(e);
            }
        }
        load.finish();
    });
    return counts;
}
