#include "samples/ui/SampleBrowserAnimalFeed_FRM.h"

TSampleBrowserAnimalFeedFrm::TSampleBrowserAnimalFeedFrm(QObject *AOwner)
    : TSampleBrowserFrm(AOwner, SampleBrowserConfig::animalFeed())
{
}
