#pragma once

#include <chrono>

namespace monitor {

/** The monitoring timer. Switching it on from off starts a fresh countdown; switching it on
 *  when it is already on, or setting the interval it already has, leaves the running countdown
 *  alone. A tick that comes while the previous one still runs is not queued twice. */
class MonitorTimer {
  public:
    virtual ~MonitorTimer() = default;

    virtual void SetInterval(std::chrono::milliseconds interval) = 0;
    virtual std::chrono::milliseconds Interval() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
};

}  // namespace monitor
