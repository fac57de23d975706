#include "gui/TypedDateTime.h"

#include <QHash>
#include <QList>
#include <QRegularExpression>

namespace TypedDateTime {

namespace {

// A run of figures or of letters; the characters between runs only part them.
struct Part
{
    QString text;
    bool figures;
};

bool isSeparator(QChar c)
{
    return c.isSpace() || c == QLatin1Char('/') || c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char(',');
}

// The parts of a date's text; nothing when it holds a character that belongs to no date.
std::optional<QList<Part>> partsOf(const QString &text)
{
    QList<Part> parts;
    for (const QChar c : text) {
        if (isSeparator(c)) {
            parts.append({QString(), false}); // a break; empty parts are dropped below
            continue;
        }
        const bool figure = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (!figure && !c.isLetter())
            return std::nullopt;
        if (parts.isEmpty() || parts.last().text.isEmpty() || parts.last().figures != figure)
            parts.append({QString(), figure});
        parts.last().text += c;
    }
    parts.removeIf([](const Part &p) { return p.text.isEmpty(); });
    return parts;
}

QString monthKey(const QString &name)
{
    QString key = name.toLower();
    while (key.endsWith(QLatin1Char('.')))
        key.chop(1);
    return key;
}

// The month a name stands for, by the English names and abbreviations or by the locale's.
int monthOfName(const QString &name, const QLocale &locale)
{
    QHash<QString, int> months;
    for (const QLocale &l : {QLocale::c(), locale}) {
        for (int m = 1; m <= 12; ++m) {
            for (QLocale::FormatType f : {QLocale::LongFormat, QLocale::ShortFormat}) {
                months.insert(monthKey(l.monthName(m, f)), m);
                months.insert(monthKey(l.standaloneMonthName(m, f)), m);
            }
        }
    }
    months.insert(QStringLiteral("sept"), 9);
    return months.value(monthKey(name), 0);
}

std::optional<QDate> dateOf(int year, int month, int day)
{
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

// A year of two figures or four; 0 for any other.
int yearOf(const QString &figures, int thisYear)
{
    if (figures.size() == 4)
        return figures.toInt();
    if (figures.size() == 2)
        return yearOfTwoDigits(figures.toInt(), thisYear);
    return 0;
}

// A day or a month: one or two figures; 0 for any other.
int smallNumber(const QString &figures)
{
    return figures.size() <= 2 ? figures.toInt() : 0;
}

std::optional<QDate> readFixedForms(const QString &text, const QLocale &locale, int thisYear)
{
    const std::optional<QList<Part>> found = partsOf(text);
    if (!found || found->size() != 3)
        return std::nullopt;
    const Part &a = found->at(0);
    const Part &b = found->at(1);
    const Part &c = found->at(2);
    if (a.figures && b.figures && c.figures) {
        if (a.text.size() == 4) // ISO: year, month, day
            return dateOf(a.text.toInt(), smallNumber(b.text), smallNumber(c.text));
        const int year = yearOf(c.text, thisYear);
        return year ? dateOf(year, smallNumber(b.text), smallNumber(a.text)) : std::nullopt;
    }
    if (a.figures && !b.figures && c.figures) { // 11 Dec 2026
        const int year = yearOf(c.text, thisYear);
        return year ? dateOf(year, monthOfName(b.text, locale), smallNumber(a.text)) : std::nullopt;
    }
    if (!a.figures && b.figures && c.figures) { // Dec 11 2026
        const int year = yearOf(c.text, thisYear);
        return year ? dateOf(year, monthOfName(a.text, locale), smallNumber(b.text)) : std::nullopt;
    }
    return std::nullopt;
}

std::optional<QDate> readLocaleForms(const QString &text, const QLocale &locale, int thisYear)
{
    for (QLocale::FormatType type : {QLocale::ShortFormat, QLocale::LongFormat}) {
        const QString format = locale.dateFormat(type);
        QDate date = locale.toDate(text, format);
        if (!date.isValid())
            continue;
        // A two-figure year is read in the same window as ours, not in the 1900s.
        if (!format.contains(QLatin1String("yyyy")) && format.contains(QLatin1String("yy")))
            date = QDate(yearOfTwoDigits(date.year() % 100, thisYear), date.month(), date.day());
        if (date.isValid())
            return date;
    }
    return std::nullopt;
}

} // namespace

int yearOfTwoDigits(int twoDigits, int thisYear)
{
    int year = thisYear - thisYear % 100 + twoDigits;
    if (year > thisYear + 19)
        year -= 100;
    else if (year < thisYear - 80)
        year += 100;
    return year;
}

std::optional<QDate> readDate(const QString &text, const QLocale &locale, int thisYear)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    if (std::optional<QDate> date = readFixedForms(t, locale, thisYear))
        return date;
    return readLocaleForms(t, locale, thisYear);
}

std::optional<QTime> readTime(const QString &text, const QLocale &locale)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    static const QRegularExpression parted(QStringLiteral("^(\\d{1,2})[:.](\\d{1,2})(?:[:.](\\d{1,2}))?$"));
    static const QRegularExpression figures(QStringLiteral("^\\d{1,4}$"));
    std::optional<QTime> time;
    if (const QRegularExpressionMatch m = parted.match(t); m.hasMatch()) {
        time = QTime(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).isEmpty() ? 0 : m.captured(3).toInt());
    } else if (figures.match(t).hasMatch()) {
        const qsizetype hourFigures = t.size() <= 2 ? t.size() : t.size() - 2;
        time = QTime(t.left(hourFigures).toInt(), t.mid(hourFigures).toInt());
    } else {
        for (QLocale::FormatType type : {QLocale::ShortFormat, QLocale::LongFormat}) {
            const QTime fromLocale = locale.toTime(t, type);
            if (fromLocale.isValid())
                return fromLocale;
        }
        return std::nullopt;
    }
    if (!time->isValid())
        return std::nullopt;
    return time;
}

} // namespace TypedDateTime
