#pragma once

#include <QTimer>

#include "app/monitor_timer.h"

namespace monitor {

/** The monitoring timer on a QTimer. QTimer::start() and setInterval() restart a running
 *  countdown, so both are only called when they change something. */
class QtMonitorTimer final : public MonitorTimer {
  public:
    explicit QtMonitorTimer(QObject* parent) : timer_(new QTimer(parent)) {
        timer_->setObjectName("tmImportaPromocao");
        // A coarse timer may run up to 5% off and report more time left than its interval;
        // the countdown should read what it is.
        timer_->setTimerType(Qt::PreciseTimer);
        timer_->setInterval(60000);
    }

    void SetInterval(std::chrono::milliseconds interval) override {
        if (std::chrono::milliseconds(timer_->interval()) != interval)
            timer_->setInterval(interval);
    }
    std::chrono::milliseconds Interval() const override {
        return std::chrono::milliseconds(timer_->interval());
    }
    void SetEnabled(bool enabled) override {
        if (!enabled) {
            timer_->stop();
        } else if (!timer_->isActive()) {
            timer_->start();
        }
    }
    bool Enabled() const override { return timer_->isActive(); }

    QTimer& Timer() const noexcept { return *timer_; }

  private:
    QTimer* timer_;  // owned by the parent
};

}  // namespace monitor
