#include "samples/ui/SampleBrowserLegend.h"

#include "samples/SampleRecord.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>

SampleBrowserLegend::SampleBrowserLegend(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pnlLegend"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(6);
    row->addWidget(new QLabel(QStringLiteral("Colour legend:"), this));
    // The statuses the legend shows, in its order.
    const QList<std::pair<QString, QString>> statuses = {
        {SampleStatus::Entered, QStringLiteral("Entered")},     {SampleStatus::Validated, QStringLiteral("Validated")},
        {SampleStatus::Exported, QStringLiteral("Exported")},   {SampleStatus::Complete, QStringLiteral("Complete")},
        {SampleStatus::Cancelled, QStringLiteral("Cancelled")},
    };
    for (const auto &[code, caption] : statuses) {
        auto *shape = new QFrame(this);
        shape->setObjectName(QStringLiteral("shp") + code);
        shape->setFixedSize(18, 14);
        shape->setFrameShape(QFrame::Box);
        shape->setAutoFillBackground(true);
        row->addSpacing(6);
        row->addWidget(shape);
        row->addWidget(new QLabel(caption, this));
    }
    row->addStretch(1);
}

void SampleBrowserLegend::SetColours(const QHash<QString, QColor> &colours)
{
    for (auto it = colours.cbegin(); it != colours.cend(); ++it) {
        // The shapes are found by name, without regard to letter case.
        for (QFrame *shape : findChildren<QFrame *>()) {
            if (shape->objectName().compare(QStringLiteral("shp") + it.key(), Qt::CaseInsensitive) != 0)
                continue;
            QPalette p = shape->palette();
            p.setColor(QPalette::Window, it.value().isValid() ? it.value() : palette().color(QPalette::Window));
            shape->setPalette(p);
        }
    }
}
