#pragma once

#include <QColor>
#include <QStyledItemDelegate>
#include <QVariant>

// A status colour as SAMPLE_STATUS.COLOUR keeps it: red in the low byte, then green, then blue.
// Anything outside 0..0xFFFFFF (a system colour of the old platform) has no colour here.
QColor storedStatusColour(const QVariant &value);

// The swatch of a status colour, filling its cell but for a small margin.
class StatusColourDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

// Pounds with two decimals, a thousands comma, the minus before the sign ("£,0.00;-£,0.00").
class CurrencyDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QString displayText(const QVariant &value, const QLocale &locale) const override;
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};
