#pragma once

#include "base/BusyIndicator.h"

// The program's busy indicator: the hourglass over every window while logic works. Nested work
// stacks on Qt's override cursor, so the arrow comes back with the last end().
class WaitCursorIndicator : public BusyIndicator
{
public:
    void begin() override;
    void end() override;
};
