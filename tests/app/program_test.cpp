#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "app/program_runner.h"
#include "common/cp1252.h"
#include "support/temp_dir.h"
#include "support/test_database.h"

namespace monitor {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::TestDatabase;
using testing::WriteFile;
using testing::RunningProgram;
using testing::RunResult;

testing::RunResult RunProgram(const std::string& args) { return testing::RunProgram(MONITOR_PROGRAM, args); }

TEST(Program, HeadlessOnceConnectsWithTheSettingsInItsFolder) {
    TestDatabase database(true);
    database.Exec(
        "update config_scanntech set dataproximaconsultapromocao = now() + interval '1 hour'");
    TempDir dir;
    database.WriteSettingsFile(dir.Path());
    const RunResult r = RunProgram("--headless --once --dir " + dir.Path().string());
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Connected: Mercado Bom Preço Ltda 12.345.678/0001-90"),
              std::string::npos);
    EXPECT_EQ(r.output.find("check started"), std::string::npos) << "not due";
    EXPECT_FALSE(std::filesystem::exists(dir / "scanntech-monitor.log")) << r.output;
}

TEST(Program, HeadlessOnceRunsADueCheckAndSummarisesIt) {
    TestDatabase database(true);
    TempDir dir;
    database.WriteSettingsFile(dir.Path());
    // The sample's service address answers nothing: the promotion check fails and is logged.
    database.Exec("update config_scanntech set urlbase = 'http://127.0.0.1:1'");
    const RunResult r = RunProgram("--headless --once --dir " + dir.Path().string());
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("check ended: promotions none (+0); sales sent "), std::string::npos)
        << r.output;
    const std::string log = Cp1252ToUtf8(ReadFile(dir / "scanntech-monitor.log"));
    EXPECT_NE(log.find("Função      : ConsultaPromocoes\r\n"), std::string::npos) << log;
    EXPECT_EQ(database.Scalar("select dataproximaconsultapromocao from config_scanntech"), "");
}

TEST(Program, HeadlessStopsOnSigtermOrSigintBetweenTicksWithStatusZero) {
    TestDatabase database(true);
    database.Exec(
        "update config_scanntech set dataproximaconsultapromocao = now() + interval '1 hour'");
    for (const int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(strsignal(sig));
        TempDir dir;
        database.WriteSettingsFile(dir.Path());
        RunningProgram program(MONITOR_PROGRAM, {"--headless", "--dir", dir.Path().string()});
        ASSERT_TRUE(program.WaitFor("Monitoring")) << program.output;
        program.Signal(sig);
        EXPECT_EQ(program.Wait(), 0) << program.output;
        EXPECT_NE(program.output.find("Stopped."), std::string::npos) << program.output;
    }
}

#ifdef MONITOR_WITH_GUI
TEST(Program, TheDesktopClosesOnSigtermLikeSair) {
    TestDatabase database(true);
    database.Exec(
        "update config_scanntech set dataproximaconsultapromocao = now() + interval '1 hour'");
    TempDir dir;
    database.WriteSettingsFile(dir.Path());
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    RunningProgram program(MONITOR_PROGRAM, {"--dir", dir.Path().string()});
    // The window is up once both of its connections are open.
    const std::string sessions = "select count(*) from pg_stat_activity where datname = '" +
                                 database.Name() + "' and pid <> pg_backend_pid()";
    for (int i = 0; i < 200 && database.Scalar(sessions) != "2"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_EQ(database.Scalar(sessions), "2") << program.output;
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(), 0) << program.output;
}
#endif

TEST(Program, HeadlessRefusedConnectionIsLoggedAlertedAndFails) {
    TempDir dir;
    WriteFile(dir / "arquivo.ini", "[dadosbanco]\nporta=1\n");
    const RunResult r = RunProgram("--headless --once --dir " + dir.Path().string());
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("Não foi possível estabelecer conexão com o Banco de dados!"),
              std::string::npos)
        << r.output;
    const std::string log = Cp1252ToUtf8(ReadFile(dir / "scanntech-monitor.log"));
    EXPECT_NE(log.find("Função      : ConectarBanco\r\n"), std::string::npos) << log;
}

TEST(Program, AnswersHelpVersionAndUnknownOptions) {
    const RunResult help = RunProgram("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("--headless"), std::string::npos);
    const RunResult version = RunProgram("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.output.find("scanntech-monitor 17"), std::string::npos);
    EXPECT_EQ(RunProgram("--bogus").status, 2);
}

}  // namespace
}  // namespace monitor
