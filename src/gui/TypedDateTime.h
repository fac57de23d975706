#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

#include <optional>

// Reading the dates and times officers type into the date and time editors. What every locale
// reads comes first, so that the same keys give the same value on every machine; the locale's own
// forms only add to it, never take a form away.
namespace TypedDateTime {

// The year a two-digit year stands for: the one ending in those digits within the hundred years
// from 80 years before thisYear to 19 years after it. In 2026: 26 is 2026, 45 is 2045, 46 is 1946.
// Dates officers type lie near today (sampling, manufacture, best before, a login's end), and the
// window follows the clock instead of ageing with the program.
int yearOfTwoDigits(int twoDigits, int thisYear);

// The date a text means, or nothing when it cannot be read (blank text included). In every locale:
//   day, month and year in figures, day first, parted by '/', '.', '-' or blanks: 11/12/2026,
//   1/2/26, 11.12.26;
//   the ISO order, with a four-figure year first: 2026-12-11;
//   the month by its English name or abbreviation, or by the locale's: 11 Dec 2026,
//   11-December-26, Dec 11 2026;
// then the locale's own short and long date forms. A year has two figures or four.
std::optional<QDate> readDate(const QString &text, const QLocale &locale, int thisYear);

// The time a text means, or nothing when it cannot be read (blank text included). In every
// locale: hours and minutes, and perhaps seconds, parted by ':' or '.' (10:30, 9.30, 9:5,
// 10:30:15); three or four figures, the last two the minutes (930, 1030); an hour alone (9).
// Then the locale's own short and long time forms.
std::optional<QTime> readTime(const QString &text, const QLocale &locale);

} // namespace TypedDateTime
