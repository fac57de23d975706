#include "samples/ui/SampleBrowserDelegates.h"

#include <QPainter>

#include <cmath>

QColor storedStatusColour(const QVariant &value)
{
    if (!value.isValid())
        return QColor();
    bool ok = false;
    const qint64 c = value.toLongLong(&ok);
    if (!ok || c < 0 || c > 0xFFFFFF)
        return QColor();
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

void StatusColourDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem plain = option;
    initStyleOption(&plain, index);
    plain.text.clear();
    QStyledItemDelegate::paint(painter, plain, QModelIndex());
    const QColor colour = storedStatusColour(index.data(Qt::EditRole));
    if (!colour.isValid())
        return;
    const QRect box = option.rect.adjusted(3, 3, -3, -3);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(colour.darker(140));
    painter->setBrush(colour);
    painter->drawRoundedRect(box, 3, 3);
    painter->restore();
}

QString CurrencyDelegate::displayText(const QVariant &value, const QLocale &) const
{
    const QString text = value.toString();
    if (text.isEmpty())
        return QString();
    bool ok = false;
    const double amount = QLocale::c().toDouble(text, &ok);
    if (!ok)
        return text;
    static const QLocale uk(QLocale::English, QLocale::UnitedKingdom);
    const QString digits = uk.toString(std::abs(amount), 'f', 2);
    return (amount < 0 && digits != QLatin1String("0.00") ? QStringLiteral("-£") : QStringLiteral("£")) + digits;
}

void CurrencyDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
}
