#include "gui/ZQCXDateEntry.h"

#include "base/Clock.h"
#include "gui/TypedDateTime.h"

#include <QAction>
#include <QCalendarWidget>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QVBoxLayout>

namespace {

// A small leaf of a calendar, drawn in the text colour so that it suits any style.
QIcon calendarIcon(const QWidget &owner)
{
    const int side = owner.fontMetrics().height();
    QPixmap picture(side * 2, side * 2); // drawn at twice the size for sharp high-density screens
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = owner.palette().color(QPalette::Text);
    const QRectF leaf(side * 0.3, side * 0.4, side * 1.4, side * 1.3);
    painter.setPen(QPen(ink, side * 0.12));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(leaf, side * 0.12, side * 0.12);
    painter.fillRect(QRectF(leaf.left(), leaf.top(), leaf.width(), side * 0.35), ink);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 3; ++column)
            painter.drawRect(QRectF(leaf.left() + side * (0.22 + column * 0.38), leaf.top() + side * (0.55 + row * 0.35),
                                    side * 0.2, side * 0.2));
    }
    painter.end();
    picture.setDevicePixelRatio(2.0);
    return QIcon(picture);
}

QString rangeText(const QDate &date)
{
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

} // namespace

TzqcxDateEntry::TzqcxDateEntry(QLineEdit *edit, std::function<QDate()> shownDate, std::function<void(QDate)> picked)
    : m_edit(edit), m_picked(std::move(picked))
{
    m_button = edit->addAction(calendarIcon(*edit), QLineEdit::TrailingPosition);
    m_button->setText(QStringLiteral("Calendar"));
    m_button->setToolTip(QStringLiteral("Choose the date from a calendar (F4)"));
    QObject::connect(m_button, &QAction::triggered, edit, [this, shownDate = std::move(shownDate)]() { OpenCalendar(shownDate()); });
}

void TzqcxDateEntry::SetDateRange(const QDate &minimum, const QDate &maximum)
{
    m_minimum = minimum;
    m_maximum = maximum;
}

QString TzqcxDateEntry::TextOf(const QDate &date) const
{
    return date.isValid() ? QLocale().toString(date, m_format) : QString();
}

QDate TzqcxDateEntry::Read(const QString &text, QString *problem) const
{
    problem->clear();
    if (text.trimmed().isEmpty())
        return QDate();
    const std::optional<QDate> date = TypedDateTime::readDate(text, QLocale(), Clock::instance().today().year());
    if (!date) {
        *problem = QStringLiteral("'%1' is not a date: type the day, month and year, for example 11/12/2026, "
                                  "11/12/26 or 11 Dec 2026.")
                       .arg(text.trimmed());
        return QDate();
    }
    if (*date < m_minimum || *date > m_maximum) {
        *problem = QStringLiteral("'%1' is outside the dates this field takes (%2 to %3).")
                       .arg(text.trimmed(), rangeText(m_minimum), rangeText(m_maximum));
        return QDate();
    }
    return *date;
}

void TzqcxDateEntry::OpenCalendar(const QDate &shown)
{
    if (m_edit->isReadOnly() || !m_edit->isEnabled())
        return;
    auto *popup = new QFrame(m_edit, Qt::Popup);
    popup->setObjectName(QStringLiteral("calendarPopup"));
    popup->setAttribute(Qt::WA_DeleteOnClose);
    popup->setFrameShape(QFrame::StyledPanel);
    auto *layout = new QVBoxLayout(popup);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *calendar = new QCalendarWidget(popup);
    calendar->setObjectName(QStringLiteral("calendar"));
    calendar->setDateRange(m_minimum, m_maximum);
    calendar->setGridVisible(true);
    const QDate today = Clock::instance().today();
    calendar->setSelectedDate(shown.isValid() ? shown : today);
    layout->addWidget(calendar);
    const auto choose = [this, popup](QDate day) {
        popup->close();
        m_picked(day);
    };
    QObject::connect(calendar, &QCalendarWidget::clicked, popup, choose);
    QObject::connect(calendar, &QCalendarWidget::activated, popup, choose);
    popup->adjustSize();
    popup->move(m_edit->mapToGlobal(QPoint(0, m_edit->height())));
    popup->show();
    calendar->setFocus(Qt::PopupFocusReason);
}

bool TzqcxDateEntry::IsCalendarKey(const QKeyEvent *e)
{
    return e->key() == Qt::Key_F4 || (e->key() == Qt::Key_Down && (e->modifiers() & Qt::AltModifier));
}
