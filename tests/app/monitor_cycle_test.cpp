#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "app/cycle_rig.h"
#include "common/date_time.h"

namespace monitor {
namespace {

using std::chrono::seconds;
using testing::CycleRig;

constexpr seconds kMinute{60};

std::vector<std::string> Routines(const CycleRig& rig) {
    std::vector<std::string> out;
    for (const auto& [routine, message] : rig.LogEntries()) out.push_back(routine);
    return out;
}

bool Contains(const std::vector<std::string>& items, const std::string& item) {
    return std::find(items.begin(), items.end(), item) != items.end();
}

TEST(MonitorCycle, ADueCheckRunsEveryStepInOrderAndTheIntervalCountsFromTheResends) {
    CycleRig rig;
    std::vector<bool> timerOnAt;
    TDateTime endOfResends;
    LoopTimer::TimePoint monoEndOfResends;
    rig.operations.onCall = [&](const std::string& call) {
        if (call == "ImportaPromocoes") {
            timerOnAt.push_back(rig.timer.Enabled());
            rig.Move(seconds(30));  // a slow download
        } else if (call == "ProcessaReenvios") {
            timerOnAt.push_back(rig.timer.Enabled());
            rig.Move(seconds(20));
            endOfResends = rig.clock.Now();
            monoEndOfResends = rig.mono;
        } else if (call == "MarcaVendaScanntech 1001" || call == "ProcessaMovimento 501") {
            timerOnAt.push_back(rig.timer.Enabled());
            rig.Move(seconds(20));
        }
    };

    rig.Elapse(seconds(59));
    EXPECT_TRUE(rig.operations.calls.empty()) << "the first tick comes a minute after the show";
    rig.Elapse(seconds(1));

    const std::vector<std::string>& calls = rig.operations.calls;
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0], "ImportaPromocoes");
    EXPECT_EQ(calls[1], "ProcessaReenvios");
    // Each pending sale once (1002 is listed once per payment), its three calls together.
    std::set<std::string> sales;
    std::size_t i = 2;
    for (; i < calls.size() && calls[i].starts_with("MarcaVendaScanntech "); i += 3) {
        const std::string cod = calls[i].substr(std::string("MarcaVendaScanntech ").size());
        ASSERT_LT(i + 2, calls.size());
        EXPECT_EQ(calls[i + 1], "MarcaVendaNaoEnviada " + cod);
        EXPECT_EQ(calls[i + 2], "ProcessaVenda " + cod);
        EXPECT_TRUE(sales.insert(cod).second) << "sale " << cod << " uploaded twice";
    }
    EXPECT_EQ(sales, (std::set<std::string>{"1001", "1002", "1003", "1004", "1005"}));
    EXPECT_EQ(std::set<std::string>(calls.begin() + static_cast<long>(i), calls.end()),
              (std::set<std::string>{"ProcessaMovimento 501", "ProcessaMovimento 502",
                                     "ProcessaMovimento 506"}));
    EXPECT_EQ(calls.size(), i + 3);

    EXPECT_EQ(timerOnAt, (std::vector<bool>{false, false, true, true}))
        << "off during the promotion check, on again for the uploads";
    EXPECT_EQ(rig.NextCheck(), FormatSqlTimestamp(AddSeconds(endOfResends, 2 * 60)))
        << "the local time of the end of the resends, plus two minutes";
    ASSERT_TRUE(rig.timer.NextTick());
    EXPECT_EQ(*rig.timer.NextTick(), monoEndOfResends + kMinute)
        << "switching the timer on again restarted its countdown";
    EXPECT_TRUE(rig.notices.alerts.empty());
    EXPECT_FALSE(std::filesystem::exists(rig.log.LogFile()));

    // One minute after the resends the check is not due; two minutes after, exactly due.
    rig.operations.calls.clear();
    rig.operations.onCall = nullptr;
    rig.Elapse(seconds(20));
    EXPECT_TRUE(rig.operations.calls.empty());
    rig.Elapse(kMinute);
    ASSERT_FALSE(rig.operations.calls.empty());
    EXPECT_EQ(rig.operations.calls[0], "ImportaPromocoes");
    EXPECT_TRUE(rig.operations.CallsOf("ProcessaVenda").empty()) << "every sale was flagged";
    EXPECT_EQ(rig.operations.CallsOf("ProcessaMovimento").size(), 3u)
        << "closings are never flagged, so they are listed again";
}

TEST(MonitorCycle, TheDueTestComparesTheStoredTimeWithTheLocalClock) {
    CycleRig rig;
    struct Case {
        const char* name;
        long long offset;  // seconds from the tick's moment; nothing: null
        bool isNull;
        bool due;
    } cases[] = {
        {"null", 0, true, true},
        {"equal to the tick's moment", 0, false, true},
        {"one second ahead", 1, false, false},
        {"set a year into the past by another program", -365 * 24 * 3600, false, true},
        {"a minute ahead", 60, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TDateTime tick = AddSeconds(rig.clock.Now(), 60);
        rig.database.Exec(
            std::string("update config_scanntech set dataproximaconsultapromocao = ") +
            (c.isNull ? "null" : "'" + FormatSqlTimestamp(AddSeconds(tick, c.offset)) + "'"));
        rig.operations.calls.clear();
        rig.Elapse(kMinute);
        if (c.due) {
            ASSERT_FALSE(rig.operations.calls.empty());
            EXPECT_EQ(rig.operations.calls[0], "ImportaPromocoes");
            EXPECT_EQ(rig.NextCheck(), FormatSqlTimestamp(AddSeconds(tick, 120)));
        } else {
            EXPECT_TRUE(rig.operations.calls.empty()) << "not even the pending uploads run";
        }
        EXPECT_TRUE(rig.timer.Enabled());
        // Sales flagged by one check come back for the next rows.
        rig.database.Exec(
            "update venda set scanntech_enviado = false, scanntech_cancelamento = false "
            "where codvenda in (1001, 1002, 1003, 1005)");
    }
}

TEST(MonitorCycle, ANullOrZeroIntervalChecksAtEveryTick) {
    for (const char* minutes : {"null", "0"}) {
        SCOPED_TRACE(minutes);
        CycleRig rig;
        rig.database.Exec(
            std::string("update config_scanntech set minutosentreconsultapromocao = ") + minutes);
        rig.operations.onCall = [&](const std::string& call) {
            if (call == "ProcessaReenvios") rig.Move(seconds(5));
        };
        rig.Elapse(kMinute);
        EXPECT_EQ(rig.NextCheck(), FormatSqlTimestamp(rig.clock.Now()));
        rig.Elapse(kMinute);
        rig.Elapse(kMinute);
        EXPECT_EQ(rig.operations.CallsOf("ImportaPromocoes").size(), 3u);
        EXPECT_EQ(rig.operations.CallsOf("ProcessaMovimento").size(), 9u);
    }
}

TEST(MonitorCycle, AFailedPromotionCheckIsLoggedWithoutAlertAndRetriedAMinuteLater) {
    struct Case {
        const char* name;
        const char* failingCall;  // the scripted call that throws; null: the schedule write fails
        std::string message;
    } cases[] = {
        {"download", "ImportaPromocoes", "Erro ao consultar promoções: timeout"},
        {"resend requests", "ProcessaReenvios", "HTTP 500 on resend list"},
        {"schedule write", nullptr, "schedule is read-only"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CycleRig rig;
        if (c.failingCall == nullptr) {
            rig.database.Exec(
                "create function refuse() returns trigger language plpgsql as $$ begin raise "
                "exception 'schedule is read-only'; end $$; create trigger no_update before update "
                "on config_scanntech for each row execute function refuse()");
        }
        rig.operations.onCall = [&](const std::string& call) {
            if (c.failingCall != nullptr && call == c.failingCall)
                throw std::runtime_error(c.message);
        };
        rig.Elapse(kMinute);
        rig.Elapse(kMinute);

        EXPECT_EQ(rig.operations.CallsOf("ImportaPromocoes").size(), 2u) << "retried";
        EXPECT_EQ(rig.operations.CallsOf("ProcessaMovimento").size(), 6u) << "uploads still ran";
        EXPECT_EQ(rig.NextCheck(), "");
        const auto entries = rig.LogEntries();
        ASSERT_EQ(entries.size(), 2u);
        for (const auto& [routine, message] : entries) {
            EXPECT_EQ(routine, "ConsultaPromocoes");
            EXPECT_NE(message.find(c.message), std::string::npos) << message;
        }
        EXPECT_TRUE(rig.notices.alerts.empty());
        EXPECT_TRUE(rig.errors.messages.empty());
        EXPECT_TRUE(rig.timer.Enabled());
    }
}

TEST(MonitorCycle, AFailedSaleIsAlertedAndLeavesItAndTheRestForTheNextCheck) {
    CycleRig rig;
    int sale = 0;
    std::string failed;
    rig.operations.onCall = [&](const std::string& call) {
        if (call.starts_with("ProcessaVenda") && ++sale == 2) {
            failed = call;
            throw std::runtime_error("Falha ao gravar a venda");
        }
    };
    rig.Elapse(kMinute);

    EXPECT_EQ(rig.operations.CallsOf("ProcessaVenda").size(), 2u) << "no sale after the failure";
    EXPECT_EQ(rig.operations.CallsOf("ProcessaMovimento").size(), 3u) << "closings still ran";
    EXPECT_EQ(rig.LogEntries(), (std::vector<std::pair<std::string, std::string>>{
                                    {"EnviaVendasNaoEnviado", "Falha ao gravar a venda"}}));
    ASSERT_EQ(rig.notices.alerts.size(), 1u);
    EXPECT_EQ(rig.notices.alerts[0].texto, "Falha ao gravar a venda");
    EXPECT_EQ(rig.notices.alerts[0].tipo, TTipoAlerta::TAPressioneESC);

    // The next due check offers the failed sale and those after it, not the one that went.
    const std::string first = rig.operations.CallsOf("ProcessaVenda")[0];
    rig.operations.calls.clear();
    rig.Elapse(2 * kMinute);
    const auto again = rig.operations.CallsOf("ProcessaVenda");
    EXPECT_EQ(again.size(), 4u);
    EXPECT_TRUE(Contains(again, failed));
    EXPECT_FALSE(Contains(again, first));
}

TEST(MonitorCycle, AFailedClosingIsAlertedAndStopsTheClosingsOnly) {
    CycleRig rig;
    rig.operations.onCall = [&](const std::string& call) {
        if (call.starts_with("ProcessaMovimento")) throw std::runtime_error("closing refused");
    };
    rig.Elapse(kMinute);
    EXPECT_EQ(rig.operations.CallsOf("ProcessaVenda").size(), 5u);
    EXPECT_EQ(rig.operations.CallsOf("ProcessaMovimento").size(), 1u);
    EXPECT_EQ(Routines(rig), (std::vector<std::string>{"EnviaMovimentoNaoEnviado"}));
    ASSERT_EQ(rig.notices.alerts.size(), 1u);
    EXPECT_EQ(rig.notices.alerts[0].texto, "closing refused");
}

TEST(MonitorCycle, WithNothingPendingOnlyThePromotionCheckRuns) {
    CycleRig rig(false);
    rig.Elapse(kMinute);
    EXPECT_EQ(rig.operations.calls,
              (std::vector<std::string>{"ImportaPromocoes", "ProcessaReenvios"}));
    EXPECT_NE(rig.NextCheck(), "");
}

TEST(MonitorCycle, AnErrorLogThatCannotBeWrittenNeverStopsMonitoring) {
    CycleRig rig;
    std::filesystem::create_directories(rig.log.LogFile());  // a folder in the file's place
    rig.operations.onCall = [&](const std::string& call) {
        if (call == "ImportaPromocoes") throw std::runtime_error("download failed");
        if (call.starts_with("ProcessaVenda")) throw std::runtime_error("upload failed");
    };
    rig.Elapse(kMinute);

    EXPECT_TRUE(rig.timer.Enabled()) << "the timer came back on after the failed log write";
    EXPECT_EQ(rig.operations.CallsOf("ProcessaMovimento").size(), 3u);
    ASSERT_EQ(rig.errors.messages.size(), 2u);
    EXPECT_NE(rig.errors.messages[0].find("scanntech-monitor.log"), std::string::npos);
    EXPECT_NE(rig.errors.messages[0].find("download failed"), std::string::npos);
    EXPECT_NE(rig.errors.messages[1].find("upload failed"), std::string::npos);
    ASSERT_EQ(rig.notices.alerts.size(), 1u) << "the upload failure is still shown";
    EXPECT_EQ(rig.notices.alerts[0].texto, "upload failed");

    rig.Elapse(kMinute);
    EXPECT_EQ(rig.operations.CallsOf("ImportaPromocoes").size(), 2u) << "monitoring goes on";
}

TEST(MonitorCycle, ADatabaseThatStaysDownShowsOneErrorBoxAtATime) {
    CycleRig rig;
    const std::string name = rig.database.Name();
    testing::AdminExec("alter database " + name + " allow_connections false");
    testing::AdminExec("select pg_terminate_backend(pid) from pg_stat_activity where datname = '" +
                       name + "'");
    bool waited = false;
    rig.errors.whileShown = [&](const std::string&) {
        if (waited) return;
        waited = true;
        rig.Elapse(3 * kMinute);  // the box waits; the timer goes on ticking
    };
    rig.Elapse(kMinute);

    EXPECT_EQ(rig.errors.maxOpen, 1);
    EXPECT_GE(rig.errors.messages.size(), 1u);
    EXPECT_LE(rig.errors.messages.size(), 2u) << "ticks during the box run once it is closed";
    EXPECT_TRUE(rig.operations.calls.empty());
    EXPECT_TRUE(rig.timer.Enabled());
    EXPECT_FALSE(std::filesystem::exists(rig.log.LogFile())) << "the schedule read is not logged";

    testing::AdminExec("alter database " + name + " allow_connections true");
    rig.Elapse(kMinute);
    ASSERT_FALSE(rig.operations.calls.empty()) << "the next tick after the database is back checks";
    EXPECT_EQ(rig.operations.calls[0], "ImportaPromocoes");
}

TEST(MonitorCycle, ATickWhileAnAlertWaitsRunsAfterTheCheckNotInsideIt) {
    CycleRig rig;
    rig.operations.onCall = [&](const std::string& call) {
        if (call == "ImportaPromocoes") throw std::runtime_error("offline");  // stays due
        if (call.starts_with("ProcessaVenda")) throw std::runtime_error("upload failed");
    };
    std::size_t callsWhenAlertClosed = 0;
    rig.notices.whileShown = [&](const std::string&) {
        if (rig.notices.alerts.size() > 1) return;
        rig.Elapse(2 * kMinute);
        callsWhenAlertClosed = rig.operations.calls.size();
    };
    const std::size_t before = rig.operations.calls.size();
    rig.Elapse(kMinute);

    EXPECT_EQ(callsWhenAlertClosed - before, 4u) << "no check started inside the alert";
    EXPECT_EQ(rig.operations.CallsOf("ImportaPromocoes").size(), 2u)
        << "the ticks that came meanwhile ran one check after it";
    EXPECT_EQ(rig.notices.maxOpen, 1);
    EXPECT_EQ(rig.notices.alerts.size(), 2u);
}

TEST(MonitorCycle, AStopRequestEndsTheCheckBetweenSteps) {
    struct Case {
        const char* name;
        const char* stopAt;  // the call during which the stop comes
        std::vector<std::string> calls;
        bool scheduled;  // the next due time was written
    } cases[] = {
        {"during the download", "ImportaPromocoes", {"ImportaPromocoes"}, false},
        {"during the resends", "ProcessaReenvios", {"ImportaPromocoes", "ProcessaReenvios"}, false},
        {"during a sale",
         "ProcessaVenda",
         {"ImportaPromocoes", "ProcessaReenvios", "MarcaVendaScanntech", "MarcaVendaNaoEnviada",
          "ProcessaVenda"},
         true},
        {"during a closing", "ProcessaMovimento", {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CycleRig rig;
        bool stop = false;
        rig.cycle->SetStopRequested([&] { return stop; });
        rig.operations.onCall = [&](const std::string& call) {
            if (call.starts_with(c.stopAt)) stop = true;
        };
        rig.Elapse(kMinute);
        if (!c.calls.empty()) {
            std::vector<std::string> names;
            for (const std::string& call : rig.operations.calls)
                names.push_back(call.substr(0, call.find(' ')));
            EXPECT_EQ(names, c.calls);
        } else {
            EXPECT_EQ(rig.operations.CallsOf("ProcessaVenda").size(), 5u);
            EXPECT_EQ(rig.operations.CallsOf("ProcessaMovimento").size(), 1u);
        }
        EXPECT_EQ(rig.NextCheck() != "", c.scheduled);
        EXPECT_TRUE(rig.timer.Enabled());
        EXPECT_FALSE(std::filesystem::exists(rig.log.LogFile())) << "a stop is not a failure";
    }
}

}  // namespace
}  // namespace monitor
