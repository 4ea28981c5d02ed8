#include "app/monitor_cycle.h"

#include <cstdint>
#include <exception>
#include <set>

namespace monitor {
namespace {

constexpr const char* kUnknownError = "Unknown error";
constexpr const char* kNextCheck = "dataproximaconsultapromocao";
constexpr const char* kMinutes = "minutosentreconsultapromocao";

// Runs a guarded block; the message of whatever it raised, if it raised.
template <typename Block>
std::optional<std::string> FailureOf(Block&& block) noexcept {
    try {
        block();
    } catch (const std::exception& e) {
        return std::string(e.what());
    } catch (...) {
        return std::string(kUnknownError);
    }
    return std::nullopt;
}

}  // namespace

MonitorCycle::MonitorCycle(TDM1& dm, MonitorOperations& operations, MonitorTimer& timer,
                           const Clock& clock, ErrorLog& log, Notices& notices,
                           UnhandledErrors& errors)
    : dm_(dm),
      operations_(operations),
      timer_(timer),
      clock_(clock),
      log_(log),
      notices_(notices),
      errors_(errors) {}

bool MonitorCycle::StopRequested() const {
    return stop_ && stop_();
}

void MonitorCycle::tmImportaPromocaoTimer() noexcept {
    if (running_) {
        deferred_ = true;
        return;
    }
    running_ = true;
    do {
        deferred_ = false;
        const std::optional<std::string> failure = FailureOf([&] { RunTick(); });
        // The timer stays as it was: a failed schedule read is tried again at the next tick.
        if (failure) ShowUnhandled(*failure);
    } while (deferred_ && !StopRequested());
    deferred_ = false;
    running_ = false;
}

bool MonitorCycle::CheckDue() {
    db::Query& config = dm_.QConfigScannTech;
    config.Refresh();
    const db::Value& next = config.Field(kNextCheck);
    if (next.IsNull() || next.AsString().empty()) return true;
    // Whole milliseconds, so that a stored time equal to the clock counts as due.
    return ToMilliseconds(clock_.Now()) >= ToMilliseconds(next.AsDateTime());
}

void MonitorCycle::RunTick() {
    if (!CheckDue()) return;
    timer_.SetEnabled(false);
    if (observer_ != nullptr) observer_->CheckStarting();
    ConsultaPromocoes();
    if (!StopRequested()) EnviaPendentes();
    if (observer_ != nullptr) observer_->CheckFinished();
}

void MonitorCycle::ConsultaPromocoes() noexcept {
    db::Query& config = dm_.QConfigScannTech;
    const std::optional<std::string> failure = FailureOf([&] {
        operations_.ImportaPromocoes();
        if (StopRequested()) return;
        operations_.ProcessaReenvios();
        if (StopRequested()) return;
        const std::int64_t minutes = config.Field(kMinutes).AsInteger();
        config.Edit();
        const TDateTime now = clock_.Now();
        config.SetField(kNextCheck, db::Value::Timestamp(AddSeconds(now, minutes * 60)));
        config.Apply();
    });
    std::optional<std::string> logError;
    if (failure) {
        config.Cancel();
        logError = LogFailure("ConsultaPromocoes", *failure, false);
    }
    // Whatever went wrong above, monitoring must go on.
    timer_.SetEnabled(true);
    if (logError) ReportLogFailure(*logError, *failure, false);
}

void MonitorCycle::EnviaPendentes() noexcept {
    EnviaVendas();
    if (!StopRequested()) EnviaMovimentos();
}

void MonitorCycle::EnviaVendas() {
    LogAndAlert("EnviaVendasNaoEnviado", FailureOf([&] {
        db::Query& vendas = dm_.QVendasReenviar;
        vendas.Close();
        vendas.Open();
        // The selection lists a sale once per payment; uploading it again in the same pass
        // would clear the flags the first upload set and post the same movement twice.
        std::set<std::int64_t> done;
        for (; !vendas.Eof() && !StopRequested(); vendas.Next()) {
            const std::int64_t codvenda = vendas.Field("codvenda").AsInteger();
            if (!done.insert(codvenda).second) continue;
            operations_.EnviaVendaPendente(static_cast<std::int32_t>(codvenda));
        }
    }));
}

void MonitorCycle::EnviaMovimentos() {
    LogAndAlert("EnviaMovimentoNaoEnviado", FailureOf([&] {
        db::Query& movimentos = dm_.QMovimentoReenviar;
        movimentos.Close();
        movimentos.Open();
        for (; !movimentos.Eof() && !StopRequested(); movimentos.Next()) {
            operations_.ProcessaMovimento(
                static_cast<std::int32_t>(movimentos.Field("codmovimentoacumulado").AsInteger()));
        }
    }));
}

void MonitorCycle::LogAndAlert(const std::string& routine,
                               const std::optional<std::string>& failure) noexcept {
    if (!failure) return;
    if (auto logError = LogFailure(routine, *failure, true)) {
        ReportLogFailure(*logError, *failure, true);
    }
}

std::optional<std::string> MonitorCycle::LogFailure(const std::string& routine,
                                                    const std::string& message,
                                                    bool exibir) noexcept {
    try {
        log_.GravaLogErro("", "", routine, message, exibir);
    } catch (const LogWriteError& e) {
        return std::string(e.what());
    } catch (const std::exception& e) {
        // The entry was written; showing it failed.
        ShowUnhandled(e.what());
    } catch (...) {
        ShowUnhandled(kUnknownError);
    }
    return std::nullopt;
}

void MonitorCycle::ShowUnhandled(const std::string& message) noexcept {
    try {
        errors_.ShowUnhandled(message);
    } catch (...) {
        // The default handler itself failed; there is nowhere left to report to.
    }
}

void MonitorCycle::ReportLogFailure(const std::string& logError, const std::string& message,
                                    bool exibir) noexcept {
    // The failure the entry was about would otherwise leave no trace at all.
    ShowUnhandled(logError + "\n" + message);
    if (!exibir) return;
    try {
        notices_.ExibeAlerta(message, TTipoAlerta::TAPressioneESC);
    } catch (...) {
        // Nothing is left to report with; the next check tries again.
    }
}

}  // namespace monitor
