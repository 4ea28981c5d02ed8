#include "app/headless_shell.h"

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <iostream>
#include <optional>

#include "app/check_summary.h"
#include "app/interval_text.h"
#include "app/loop_timer.h"
#include "app/monitor_cycle.h"
#include "app/stderr_notices.h"
#include "app/store_operations.h"
#include "common/clock.h"
#include "data/store_database.h"
#include "notices/error_log.h"

namespace monitor {
namespace {

/** SIGTERM and SIGINT stay blocked for the whole run: the loop takes them with sigtimedwait
 *  between ticks, and a check in progress only looks whether one is pending, so a stop never
 *  falls between an upload and the flag that records it. */
sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

bool StopPending() {
    sigset_t pending;
    sigemptyset(&pending);
    if (sigpending(&pending) != 0) return false;
    return sigismember(&pending, SIGTERM) == 1 || sigismember(&pending, SIGINT) == 1;
}

std::string Stamp(const Clock& clock) {
    return "[" + FormatSqlTimestamp(clock.Now()).substr(0, 19) + "] ";
}

/** One line before and after each check, with what the check changed in the store. */
class SummaryPrinter final : public CheckObserver {
  public:
    SummaryPrinter(db::Connection& connection, const Clock& clock)
        : summary_(connection), clock_(clock) {}

    void CheckStarting() override {
        std::cout << Stamp(clock_) << "check started" << std::endl;
        before_ = Counted();
    }
    void CheckFinished() override {
        const std::optional<StoreCounts> after = Counted();
        std::cout << Stamp(clock_) << "check ended";
        if (before_ && after) std::cout << ": " << CheckSummary::Describe(*before_, *after);
        std::cout << std::endl;
    }

  private:
    std::optional<StoreCounts> Counted() noexcept {
        try {
            return summary_.Count();
        } catch (const std::exception& e) {
            std::cout << "(no summary: " << e.what() << ")" << std::endl;
            return std::nullopt;
        }
    }

    CheckSummary summary_;
    const Clock& clock_;
    std::optional<StoreCounts> before_;
};

/** Waits for the next tick or a stop signal; returns true when told to stop. */
bool WaitForTickOrStop(const LoopTimer& timer, const sigset_t& signals) {
    using namespace std::chrono;
    milliseconds wait = seconds(1);
    if (const auto next = timer.NextTick()) {
        wait = std::max(milliseconds(0), duration_cast<milliseconds>(*next - steady_clock::now()));
    }
    const timespec timeout{static_cast<time_t>(wait.count() / 1000),
                           static_cast<long>(wait.count() % 1000) * 1000000L};
    const int signal = sigtimedwait(&signals, nullptr, &timeout);
    return signal == SIGTERM || signal == SIGINT;
}

}  // namespace

int RunHeadless(const ProgramOptions& options) {
    const sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    SystemClock clock;
    StderrNotices notices(std::cerr);
    StderrUnhandledErrors stderrErrors(std::cerr);
    SingleErrorBox errors(stderrErrors);
    ErrorLog log(options.dir, "scanntech-monitor", clock, notices);
    StoreDatabase store(options.dir, log, notices);
    if (!store.ConectarBanco()) return 1;
    TDM1& dm = *store.DM1();
    std::cout << "Connected: " << store.RazaoSocial() << " " << store.Cnpj() << "\n"
              << TextoIntervalo(dm.QConfigScannTech) << std::endl;

    const std::unique_ptr<MonitorOperations> operations =
        CreateStoreOperations({store, clock, log, notices});
    LoopTimer timer;
    MonitorCycle cycle(dm, *operations, timer, clock, log, notices, errors);
    cycle.SetStopRequested(&StopPending);
    SummaryPrinter printer(dm.ZConnection1, clock);
    cycle.SetObserver(&printer);

    if (options.once) {
        cycle.tmImportaPromocaoTimer();
        return 0;
    }

    timer.OnTick([&cycle] { cycle.tmImportaPromocaoTimer(); });
    timer.SetInterval(std::chrono::milliseconds(60000));
    timer.SetEnabled(true);
    std::cout << "Monitoring: the schedule is looked at once a minute. Stop with SIGTERM or "
                 "Ctrl+C."
              << std::endl;
    while (!WaitForTickOrStop(timer, signals)) timer.FireIfDue();
    std::cout << "Stopped." << std::endl;
    return 0;
}

}  // namespace monitor
