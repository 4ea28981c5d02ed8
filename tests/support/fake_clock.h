#pragma once

#include "common/clock.h"

namespace monitor::testing {

/** A clock that stands still until the test moves it. */
class FakeClock final : public Clock {
public:
    explicit FakeClock(TDateTime now = EncodeDateTime(2023, 12, 9, 14, 33, 5)) : now_(now) {}
    TDateTime Now() const override { return now_; }
    void Set(TDateTime now) { now_ = now; }
    void AdvanceSeconds(long long seconds) { now_ = AddSeconds(now_, seconds); }
    void AdvanceMinutes(long long minutes) { AdvanceSeconds(minutes * 60); }

private:
    TDateTime now_;
};

}  // namespace monitor::testing
