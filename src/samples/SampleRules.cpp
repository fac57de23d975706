#include "samples/SampleRules.h"

#include "base/Clock.h"
#include "core/Main_DM.h"

namespace {

const QString Enforcement = QStringLiteral("E");

bool enforcement(const SampleRow &row)
{
    return row.is(QStringLiteral("REASON__CODE"), Enforcement);
}

DurabilityParts partsOf(const SampleRow &row)
{
    return durabilityParts(row.text(QStringLiteral("DURABILITY__CODE")));
}

bool outside(int value, int lowest, int highest)
{
    return value < lowest || value > highest;
}

// The text of a decimal value: a double (the driver's reading of an exact column) is written in
// its shortest form that reads back the same, which is the decimal the column holds.
QString decimalText(const QVariant &value)
{
    if (value.metaType().id() == QMetaType::Double || value.metaType().id() == QMetaType::Float) {
        const QString shortest = QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
        if (!shortest.contains(QLatin1Char('e')))
            return shortest;
        return QString::number(value.toDouble(), 'f', 6);
    }
    return value.toString().trimmed();
}

} // namespace

SampleRuleContext SampleRuleContext::fromSettings(TMaindm &settings, const SampleLookups *lookups, bool sent)
{
    SampleRuleContext context;
    context.lookups = lookups;
    context.today = Clock::instance().today();
    context.MinDurablityYearLimit = settings.MinDurablityYearLimit();
    context.MaxDurablityYearLimit = settings.MaxDurablityYearLimit();
    context.UseLAEMSPremisesCodes = settings.UseLAEMSPremisesCodes();
    context.sent = sent;
    return context;
}

DurabilityParts durabilityParts(const QString &durabilityCode)
{
    if (durabilityCode == QLatin1String("N"))
        return {};
    if (durabilityCode == QLatin1String("E"))
        return {false, true, true};
    return {true, true, true};
}

bool durabilityYearWithinLimits(int year, const SampleRuleContext &context)
{
    const int current = context.today.year();
    return !outside(year, current - context.MinDurablityYearLimit, current + context.MaxDurablityYearLimit);
}

std::optional<qint64> roundHalfToEven(const QString &decimalText)
{
    QString text = decimalText.trimmed();
    bool negative = false;
    if (text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+'))) {
        negative = text.startsWith(QLatin1Char('-'));
        text.remove(0, 1);
    }
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    const QString whole = point < 0 ? text : text.left(point);
    const QString fraction = point < 0 ? QString() : text.mid(point + 1);
    if (whole.isEmpty() && fraction.isEmpty())
        return std::nullopt;
    for (const QChar c : whole + fraction)
        if (!c.isDigit() || c.unicode() > 127)
            return std::nullopt;
    if (whole.size() > 18)
        return std::nullopt;

    qint64 magnitude = whole.isEmpty() ? 0 : whole.toLongLong();
    // Compare the fraction with one half, digit by digit.
    int versusHalf = 0; // -1 below, 0 exactly, 1 above
    if (fraction.isEmpty()) {
        versusHalf = -1;
    } else if (fraction.at(0) != QLatin1Char('5')) {
        versusHalf = fraction.at(0) > QLatin1Char('5') ? 1 : -1;
    } else {
        for (qsizetype i = 1; i < fraction.size(); ++i)
            if (fraction.at(i) != QLatin1Char('0')) {
                versusHalf = 1;
                break;
            }
    }
    if (versusHalf > 0 || (versusHalf == 0 && magnitude % 2 == 1))
        ++magnitude;
    return negative ? -magnitude : magnitude;
}

void ValidationOutcome::add(const QString &target, const QString &message)
{
    m_registrations.append({target, message});
    for (RuleFailure &failure : m_failures)
        if (failure.target == target) {
            failure.message = message;
            return;
        }
    m_failures.append({target, message});
}

QStringList ValidationOutcome::messages() const
{
    QStringList list;
    for (const RuleFailure &r : m_registrations)
        list << r.message;
    return list;
}

QString ValidationOutcome::messageFor(const QString &target) const
{
    for (const RuleFailure &failure : m_failures)
        if (failure.target == target)
            return failure.message;
    return QString();
}

namespace SampleRules {

SampleRule required(const QString &column)
{
    return [column](const SampleRow &row, const SampleRuleContext &) { return row.isEmpty(column); };
}

bool premisesTypeX(const SampleRow &row, const SampleRuleContext &)
{
    return row.is(QStringLiteral("PREMISES_TYPE__CODE"), QStringLiteral("X"));
}

bool enforcementSampleTypeMissing(const SampleRow &row, const SampleRuleContext &)
{
    return enforcement(row) && row.isEmpty(QStringLiteral("SAMPLE_TYPE__CODE"));
}

bool followUpIndexMissing(const SampleRow &row, const SampleRuleContext &)
{
    return enforcement(row) && row.flag(QStringLiteral("FLAG_FOLLOW_UP")) && row.isEmpty(QStringLiteral("INDEX_NUMBER"));
}

bool foodPoisoningDetailsMissing(const SampleRow &row, const SampleRuleContext &)
{
    return enforcement(row) && row.flag(QStringLiteral("FLAG_FOOD_POISONING")) && row.isEmpty(QStringLiteral("DETAILS"));
}

bool surveillanceSampleTypeMissing(const SampleRow &row, const SampleRuleContext &)
{
    return !enforcement(row) && row.isEmpty(QStringLiteral("SAMPLE_TYPE__CODE"));
}

bool surveyBodyMissing(const SampleRow &row, const SampleRuleContext &)
{
    return !enforcement(row) && row.flag(QStringLiteral("FLAG_SURVEY")) && row.isEmpty(QStringLiteral("SURVEY_BODY__CODE"));
}

bool surveyReferenceMissing(const SampleRow &row, const SampleRuleContext &)
{
    return !enforcement(row) && row.flag(QStringLiteral("FLAG_SURVEY")) && row.isEmpty(QStringLiteral("SURVEY_NUMBER"));
}

bool sampleTakenFromMissing(const SampleRow &row, const SampleRuleContext &)
{
    return row.is(QStringLiteral("ANALYSIS_TYPE"), QStringLiteral("M")) && row.isEmpty(QStringLiteral("ADDITIONAL_INFO"));
}

bool packagingMaterialMissing(const SampleRow &row, const SampleRuleContext &)
{
    const QString packaging = row.text(QStringLiteral("PACKAGING__CODE"));
    return packaging != QLatin1String("N") && packaging != QLatin1String("O")
           && row.isEmpty(QStringLiteral("MATERIAL__CODE"));
}

bool otherMaterialMissing(const SampleRow &row, const SampleRuleContext &)
{
    return row.is(QStringLiteral("MATERIAL__CODE"), QStringLiteral("O")) && row.isEmpty(QStringLiteral("OTHER_MATERIAL"));
}

bool durabilityDayMissing(const SampleRow &row, const SampleRuleContext &)
{
    return partsOf(row).day && row.isNull(QStringLiteral("DURABILITY_DAY"));
}

bool durabilityDayInvalid(const SampleRow &row, const SampleRuleContext &)
{
    return partsOf(row).day && outside(row.integer(QStringLiteral("DURABILITY_DAY")), 1, 31);
}

bool durabilityMonthMissing(const SampleRow &row, const SampleRuleContext &)
{
    return partsOf(row).month && row.isNull(QStringLiteral("DURABILITY_MONTH"));
}

bool durabilityMonthInvalid(const SampleRow &row, const SampleRuleContext &)
{
    return partsOf(row).month && outside(row.integer(QStringLiteral("DURABILITY_MONTH")), 1, 12);
}

bool durabilityYearMissing(const SampleRow &row, const SampleRuleContext &)
{
    return partsOf(row).year && row.isNull(QStringLiteral("DURABILITY_YEAR"));
}

bool durabilityYearInvalid(const SampleRow &row, const SampleRuleContext &context)
{
    return partsOf(row).year && !durabilityYearWithinLimits(row.integer(QStringLiteral("DURABILITY_YEAR")), context);
}

bool frozenTooWarm(const SampleRow &row, const SampleRuleContext &)
{
    if (!row.is(QStringLiteral("CONDITION__CODE"), QStringLiteral("F")))
        return false;
    const QVariant temperature = row.value(QStringLiteral("TEMPERATURE"));
    if (row.isNull(QStringLiteral("TEMPERATURE")))
        return false;
    const std::optional<qint64> rounded = roundHalfToEven(decimalText(temperature));
    return rounded && *rounded > 0;
}

bool explanationMissing(const SampleRow &row, const SampleRuleContext &)
{
    return row.is(QStringLiteral("FLAG_COP_CONDITION"), QStringLiteral("F")) && row.isEmpty(QStringLiteral("NOT_COP"));
}

bool compoundFeedSpeciesMissing(const SampleRow &row, const SampleRuleContext &)
{
    return row.is(QStringLiteral("CATEGORY__CODE"), QStringLiteral("50")) && row.isEmpty(QStringLiteral("ANIMAL_SPECIES__CODE"));
}

bool compoundFeedSpeciesNotSpecified(const SampleRow &row, const SampleRuleContext &)
{
    return row.is(QStringLiteral("CATEGORY__CODE"), QStringLiteral("50"))
           && row.is(QStringLiteral("ANIMAL_SPECIES__CODE"), QStringLiteral("09.01"));
}

} // namespace SampleRules

void runRules(const RuleProfile &profile, const SampleRow &row, const SampleRuleContext &context,
              ValidationOutcome &outcome, int from, int to)
{
    const int end = to < 0 ? int(profile.rules.size()) : std::min(to, int(profile.rules.size()));
    for (int i = std::max(from, 0); i < end; ++i) {
        const ProfileRule &rule = profile.rules.at(i);
        if (rule.failsWhen(row, context))
            outcome.add(rule.target, rule.message);
    }
}

ValidationOutcome runRules(const RuleProfile &profile, const SampleRow &row, const SampleRuleContext &context)
{
    ValidationOutcome outcome;
    runRules(profile, row, context, outcome);
    return outcome;
}
