#pragma once

#include "samples/ui/SampleBrowser_FRM.h"

// The animal-feed browser's opening parameters: nothing of their own.
class TSampleBrowserAnimalFeedfrmDefaults : public TDefaultInfo
{
};

// "Samples Browser" of the animal-feed samples: the sample browser with the animal-feed make-up
// (SampleBrowserConfig::animalFeed): its own columns, every sample on the All tab, the outcomes of
// the local OUTCOME table, no XML export, labels or mail merge. Opened modeless by the main window
// under the key "SampleBrowserAF".
class TSampleBrowserAnimalFeedFrm : public TSampleBrowserFrm
{
    Q_OBJECT
public:
    static QString FormKey() { return QStringLiteral("SampleBrowserAF"); }

    explicit TSampleBrowserAnimalFeedFrm(QObject *AOwner);
};
