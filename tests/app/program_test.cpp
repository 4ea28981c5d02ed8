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

#include "common/cp1252.h"
#include "support/temp_dir.h"
#include "support/test_database.h"

namespace monitor {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::TestDatabase;
using testing::WriteFile;

struct RunResult {
    int status = -1;
    std::string output;  // standard output and standard error together
};

RunResult RunProgram(const std::string& args) {
    RunResult r;
    const std::string command = std::string(MONITOR_PROGRAM) + " " + args + " 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return r;
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) r.output.append(buf, n);
    const int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

/** The program running in the background, its standard output and error read through a pipe. */
class RunningProgram {
  public:
    explicit RunningProgram(const std::vector<std::string>& args) {
        int fds[2];
        if (pipe(fds) != 0) throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        std::vector<std::string> all{MONITOR_PROGRAM};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        const int rc = posix_spawn(&pid_, MONITOR_PROGRAM, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        out_ = fds[0];
        if (rc != 0) throw std::runtime_error("posix_spawn");
    }
    ~RunningProgram() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(out_);
    }

    /** Reads output until `text` shows up; false after the time-out. */
    bool WaitFor(const std::string& text, std::chrono::seconds timeout = std::chrono::seconds(20)) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (output.find(text) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char buf[4096];
            const ssize_t n = read(out_, buf, sizeof buf);
            if (n <= 0) return output.find(text) != std::string::npos;
            output.append(buf, static_cast<std::size_t>(n));
        }
        return true;
    }
    void Signal(int sig) const { kill(pid_, sig); }
    /** The exit status, or -1 when it did not exit normally in time. */
    int Wait(std::chrono::seconds timeout = std::chrono::seconds(20)) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        int raw = 0;
        while (waitpid(pid_, &raw, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > end) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        pid_ = -1;
        WaitFor("\x01", std::chrono::seconds(1));  // drain what is left
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    std::string output;

  private:
    pid_t pid_ = -1;
    int out_ = -1;
};

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
        RunningProgram program({"--headless", "--dir", dir.Path().string()});
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
    RunningProgram program({"--dir", dir.Path().string()});
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
