#pragma once

#include <QDate>
#include <QString>

#include <functional>

class QAction;
class QKeyEvent;
class QLineEdit;

// What the data-aware and the plain date editors share: a date is typed as text into a line edit
// (read by TypedDateTime when the entry is finished) or chosen from a calendar that drops down from
// the button at the end of the editor.
class TzqcxDateEntry
{
public:
    // Adds the calendar button to edit, which owns it; the button opens the calendar on the
    // editor's date (shownDate) and hands the day chosen to picked.
    TzqcxDateEntry(QLineEdit *edit, std::function<QDate()> shownDate, std::function<void(QDate)> picked);

    // How a date is shown (a QLocale date format of the default locale: "dd MMM yyyy" shows
    // "11 Dec 2026" in English).
    void SetDisplayFormat(const QString &format) { m_format = format; }
    QString DisplayFormat() const { return m_format; }
    // The dates the editor takes; others are refused with a message naming the range.
    void SetDateRange(const QDate &minimum, const QDate &maximum);
    QDate Minimum() const { return m_minimum; }
    QDate Maximum() const { return m_maximum; }

    QString TextOf(const QDate &date) const;
    // The date a typed text means: an invalid date for a blank text. *problem says why a text
    // was refused (it cannot be read, or its date lies outside the range) and is empty otherwise.
    QDate Read(const QString &text, QString *problem) const;

    // Drops the calendar down below the editor, on shown (today, from the clock, when shown is
    // not a date).
    void OpenCalendar(const QDate &shown);
    // F4 and Alt+Down drop the calendar down.
    static bool IsCalendarKey(const QKeyEvent *e);
    QAction *CalendarButton() const { return m_button; }

private:
    QLineEdit *m_edit;
    QAction *m_button;
    std::function<void(QDate)> m_picked;
    QString m_format = QStringLiteral("dd/MM/yyyy");
    QDate m_minimum{1900, 1, 1};
    QDate m_maximum{2099, 12, 31};
};
