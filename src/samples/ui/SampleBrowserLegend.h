#pragma once

#include <QColor>
#include <QHash>
#include <QWidget>

// The sample browser's colour legend: a swatch and a caption for each status it names, coloured
// from the statuses' own colours once they are read.
class SampleBrowserLegend : public QWidget
{
    Q_OBJECT
public:
    explicit SampleBrowserLegend(QWidget *parent);

    // The colour of each status by its code; a status without a valid colour shows the window's.
    void SetColours(const QHash<QString, QColor> &colours);
};
