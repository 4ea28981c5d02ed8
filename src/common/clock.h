#pragma once

#include "common/date_time.h"

namespace monitor {

/** The local wall clock of the monitor's computer. Injected everywhere a time stamp is taken
 *  so that tests can set the time instead of waiting for it. */
class Clock {
public:
    virtual ~Clock() = default;
    virtual TDateTime Now() const = 0;
};

class SystemClock final : public Clock {
public:
    TDateTime Now() const override;
};

}  // namespace monitor
