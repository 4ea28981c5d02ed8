#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/loop_timer.h"
#include "app/monitor_cycle.h"
#include "app/monitor_operations.h"
#include "app/unhandled_errors.h"
#include "common/cp1252.h"
#include "data/store_database.h"
#include "notices/error_log.h"
#include "support/fake_clock.h"
#include "support/recording_notices.h"
#include "support/temp_dir.h"
#include "support/test_database.h"

namespace monitor::testing {

/** Our own operations, scripted: every call is recorded as "ProcessaVenda 1001" and the like,
 *  `onCall` may throw or move time on, and a sale that went through ProcessaVenda is flagged in
 *  the database as sent, so that the next check no longer lists it. */
class ScriptedOperations final : public MonitorOperations {
  public:
    explicit ScriptedOperations(const TestDatabase& database) : database_(database) {}

    void ImportaPromocoes() override { Call("ImportaPromocoes"); }
    void ProcessaReenvios() override { Call("ProcessaReenvios"); }
    void MarcaVendaScanntech(std::int32_t codvenda) override {
        Call("MarcaVendaScanntech " + std::to_string(codvenda));
    }
    void MarcaVendaNaoEnviada(std::int32_t codvenda) override {
        Call("MarcaVendaNaoEnviada " + std::to_string(codvenda));
    }
    void ProcessaVenda(std::int32_t codvenda) override {
        Call("ProcessaVenda " + std::to_string(codvenda));
        database_.Exec(
            "update venda set scanntech_enviado = true, scanntech_cancelamento = true "
            "where codvenda = " +
            std::to_string(codvenda));
    }
    void ProcessaMovimento(std::int32_t codmovimento) override {
        Call("ProcessaMovimento " + std::to_string(codmovimento));
    }

    /** The calls whose text starts with `prefix`, in order. */
    std::vector<std::string> CallsOf(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const std::string& c : calls) {
            if (c.starts_with(prefix)) out.push_back(c);
        }
        return out;
    }

    std::vector<std::string> calls;
    std::function<void(const std::string&)> onCall;

  private:
    void Call(const std::string& call) {
        calls.push_back(call);
        if (onCall) onCall(call);
    }

    const TestDatabase& database_;
};

/** The default error handler, recording; `whileShown` runs while the "box" is open. */
class RecordingErrors final : public UnhandledErrors {
  public:
    void ShowUnhandled(const std::string& message) override {
        messages.push_back(message);
        ++open;
        maxOpen = std::max(maxOpen, open);
        if (whileShown) whileShown(message);
        --open;
    }

    std::vector<std::string> messages;
    std::function<void(const std::string&)> whileShown;
    int open = 0;
    int maxOpen = 0;
};

/** The cycle on a real database (a clone of the store, with the sample by default), with the
 *  loop timer counting on a time the test moves together with the wall clock. The window's
 *  show has happened: connected, interval 60000 ms, timer on. */
class CycleRig {
  public:
    explicit CycleRig(bool withSample = true) : database(withSample) {
        if (!withSample) {
            database.Exec(
                "insert into emitente (razaosocial, cnpjcpf) values ('Loja', '1');"
                "insert into config_scanntech (minutosentreconsultapromocao) values (2)");
        }
        database.WriteSettingsFile(dir.Path());
        if (!store.ConectarBanco()) throw std::runtime_error("the rig could not connect");
        cycle = std::make_unique<MonitorCycle>(*store.DM1(), operations, timer, clock, log, notices,
                                               errorBox);
        timer.OnTick([this] { cycle->tmImportaPromocaoTimer(); });
        timer.SetInterval(std::chrono::milliseconds(60000));
        timer.SetEnabled(true);
    }

    /** Moves both clocks on without firing anything (time spent inside a step). */
    void Move(std::chrono::seconds d) {
        mono += d;
        clock.AdvanceSeconds(d.count());
    }
    /** Lets time pass, firing each tick when its moment comes. */
    void Elapse(std::chrono::seconds d) {
        const LoopTimer::TimePoint target = mono + d;
        while (timer.NextTick() && *timer.NextTick() <= target) {
            Move(std::chrono::duration_cast<std::chrono::seconds>(*timer.NextTick() - mono));
            timer.FireIfDue();
        }
        // A tick that moved time on by itself may have gone past the target already.
        if (target > mono) Move(std::chrono::duration_cast<std::chrono::seconds>(target - mono));
    }

    std::string NextCheck() const {
        return database.Scalar("select dataproximaconsultapromocao from config_scanntech");
    }

    /** (routine, message) of every error-log entry, in order. */
    std::vector<std::pair<std::string, std::string>> LogEntries() const {
        const std::string text = Cp1252ToUtf8(ReadFile(log.LogFile()));
        std::vector<std::pair<std::string, std::string>> out;
        const std::string routine = "Função      : ";
        const std::string error = "Erro        : ";
        for (std::size_t at = text.find(routine); at != std::string::npos;
             at = text.find(routine, at + 1)) {
            const std::size_t r = at + routine.size();
            const std::size_t e = text.find(error, r) + error.size();
            out.emplace_back(text.substr(r, text.find("\r\n", r) - r),
                             text.substr(e, text.find("\r\n", e) - e));
        }
        return out;
    }

    TestDatabase database;
    TempDir dir;
    FakeClock clock;
    LoopTimer::TimePoint mono{};
    RecordingNotices notices;
    ErrorLog log{dir.Path(), "scanntech-monitor", clock, notices};
    StoreDatabase store{dir.Path(), log, notices};
    ScriptedOperations operations{database};
    LoopTimer timer{[this] { return mono; }};
    RecordingErrors errors;
    SingleErrorBox errorBox{errors};
    std::unique_ptr<MonitorCycle> cycle;
};

}  // namespace monitor::testing
