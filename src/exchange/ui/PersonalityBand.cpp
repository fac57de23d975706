#include "exchange/ui/PersonalityBand.h"

#include "base/ProductNames.h"

#include <QFrame>
#include <QLabel>
#include <QLayout>

namespace PersonalityBand {

QLabel *makeCaption(QFrame *band)
{
    auto *caption = new QLabel(band);
    caption->setObjectName(QStringLiteral("lblHeader"));
    caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QFont font = caption->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.3);
    caption->setFont(font);
    caption->setMinimumHeight(34);
    band->layout()->addWidget(caption);
    band->setAutoFillBackground(true);
    return caption;
}

void show(QFrame *band, QLabel *caption, const QString &personality, const QString &foodText, const QString &feedText)
{
    const bool feed = personality == Varnex::PersonalityAnimalFeed;
    QPalette palette = band->palette();
    palette.setColor(QPalette::Window, feed ? QColor(234, 255, 230) : QColor(202, 203, 251));
    band->setPalette(palette);
    caption->setText(feed ? feedText : foodText);
}

} // namespace PersonalityBand
