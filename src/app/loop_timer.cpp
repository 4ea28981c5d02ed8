#include "app/loop_timer.h"

namespace monitor {

LoopTimer::LoopTimer(NowFunction now) : now_(std::move(now)) {}

void LoopTimer::SetInterval(std::chrono::milliseconds interval) {
    if (interval == interval_) return;
    interval_ = interval;
    if (next_) next_ = now_() + interval_;
}

void LoopTimer::SetEnabled(bool enabled) {
    if (!enabled) {
        next_.reset();
    } else if (!next_) {
        next_ = now_() + interval_;
    }
}

bool LoopTimer::FireIfDue() {
    if (!next_) return false;
    const TimePoint now = now_();
    if (now < *next_) return false;
    // The next period is set before the tick runs, so a tick that switches the timer off and on
    // again keeps the fresh countdown it started.
    // Periods that went by while the previous tick ran are not made up for.
    TimePoint following = *next_ + interval_;
    if (following <= now) following = now + interval_;
    next_ = following;
    if (tick_) tick_();
    return true;
}

}  // namespace monitor
