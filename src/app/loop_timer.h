#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include "app/monitor_timer.h"

namespace monitor {

/** A monitoring timer for a plain loop (the headless service): the loop asks when the next tick
 *  is due, waits, and calls FireIfDue. Counts on a monotonic clock, so a change of the wall
 *  clock neither skips nor repeats ticks. Like a window timer, ticks missed while a tick ran
 *  long collapse into one that comes at once. */
class LoopTimer final : public MonitorTimer {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using NowFunction = std::function<TimePoint()>;

    explicit LoopTimer(NowFunction now = &std::chrono::steady_clock::now);

    void OnTick(std::function<void()> tick) { tick_ = std::move(tick); }

    void SetInterval(std::chrono::milliseconds interval) override;
    std::chrono::milliseconds Interval() const override { return interval_; }
    void SetEnabled(bool enabled) override;
    bool Enabled() const override { return next_.has_value(); }

    /** When the next tick is due; nothing while the timer is off. */
    std::optional<TimePoint> NextTick() const noexcept { return next_; }
    /** Runs the tick when its time has come; returns whether it did. */
    bool FireIfDue();

  private:
    NowFunction now_;
    std::function<void()> tick_;
    std::chrono::milliseconds interval_{60000};
    std::optional<TimePoint> next_;
};

}  // namespace monitor
