#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app/monitor_operations.h"
#include "app/monitor_timer.h"
#include "app/unhandled_errors.h"
#include "common/clock.h"
#include "data/dm1.h"
#include "notices/error_log.h"
#include "notices/notices.h"

namespace monitor {

/** Told when a due check starts and when it has ended (the headless service prints a summary). */
class CheckObserver {
  public:
    virtual ~CheckObserver() = default;
    virtual void CheckStarting() {}
    virtual void CheckFinished() {}
};

/** The monitoring cycle: at every tick of the one-minute timer it re-reads the schedule row and,
 *  when the next check is due, runs the promotion check and then the pending uploads.
 *
 *  The tick handler never lets an error out: failures of the check are written to the error
 *  log, a failing schedule read goes to the default error handler. A tick that arrives while
 *  another is still running (a modal alert lets the timer through) does not start a second
 *  check; it runs once the running one has ended. */
class MonitorCycle {
  public:
    MonitorCycle(TDM1& dm, MonitorOperations& operations, MonitorTimer& timer, const Clock& clock,
                 ErrorLog& log, Notices& notices, UnhandledErrors& errors);

    /** Asked between steps (never between an upload and its flag); once it answers true the
     *  check ends early, leaving the remaining work for the next one. */
    void SetStopRequested(std::function<bool()> stopRequested) { stop_ = std::move(stopRequested); }
    void SetObserver(CheckObserver* observer) noexcept { observer_ = observer; }

    /** The timer's tick. */
    void tmImportaPromocaoTimer() noexcept;
    /** Downloads promotions, obeys resend requests and stores the next due time; switches the
     *  timer on at the end whatever happened. */
    void ConsultaPromocoes() noexcept;
    /** Uploads every pending sale, then passes every pending register movement to the closing
     *  step; a failure in one block leaves the rest of it for the next check. */
    void EnviaPendentes() noexcept;

    /** Whether the stored next due time has come (null counts as due). Re-reads the row. */
    bool CheckDue();
    bool Running() const noexcept { return running_; }

  private:
    void RunTick();
    bool StopRequested() const;
    void EnviaVendas();
    void EnviaMovimentos();
    /** An upload block's failure, if any: logged with the log's alert. */
    void LogAndAlert(const std::string& routine, const std::optional<std::string>& failure) noexcept;
    /** Writes an error-log entry; a log that cannot be written is returned, not thrown, so the
     *  caller can finish its own duties before reporting it. */
    std::optional<std::string> LogFailure(const std::string& routine, const std::string& message,
                                          bool exibir) noexcept;
    void ShowUnhandled(const std::string& message) noexcept;
    void ReportLogFailure(const std::string& logError, const std::string& message,
                          bool exibir) noexcept;

    TDM1& dm_;
    MonitorOperations& operations_;
    MonitorTimer& timer_;
    const Clock& clock_;
    ErrorLog& log_;
    Notices& notices_;
    UnhandledErrors& errors_;
    std::function<bool()> stop_;
    CheckObserver* observer_ = nullptr;
    bool running_ = false;
    bool deferred_ = false;
};

}  // namespace monitor
