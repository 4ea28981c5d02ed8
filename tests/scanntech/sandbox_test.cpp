// The sandbox service: the demo program on loopback, its built-in sample, and the in-process
// server's own housekeeping.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

#include "http_fixture.h"
#include "json/json_value.h"
#include "sandbox/scanntech_service.h"
#include "support/temp_dir.h"

extern char** environ;

namespace monitor::scanntech {
namespace {

using sandbox::Reply;
using ::testing::HasSubstr;
using testing::HttpFixture;
using testing::SecondsTaken;
using ::testing::StartsWith;
using namespace std::chrono_literals;

const std::string kPrefix = "api-minoristas/api/v2/minoristas/10/locales/2/";

/** The sandbox program running in a child process, stdout on a pipe. */
class SandboxProgram {
  public:
    explicit SandboxProgram(std::vector<std::string> args) {
        int out[2];
        if (pipe(out) != 0) throw std::runtime_error("pipe failed");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        args.insert(args.begin(), SANDBOX_PROGRAM);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const int rc = posix_spawn(&pid_, SANDBOX_PROGRAM, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        if (rc != 0) throw std::runtime_error("cannot start " SANDBOX_PROGRAM);
        output_ = fdopen(out[0], "r");
    }

    ~SandboxProgram() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (output_ != nullptr) fclose(output_);
    }

    std::string ReadLine() {
        char buf[4096];
        return fgets(buf, sizeof buf, output_) != nullptr ? std::string(buf) : std::string();
    }

    /** Sends SIGTERM and returns the exit status. */
    int Terminate() {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    pid_t pid_ = -1;
    FILE* output_ = nullptr;
};

TEST(SandboxProgram, RefusesAPortInUse) {
    sandbox::SandboxServer occupant;
    ::monitor::testing::TempDir dir;
    const std::string command = std::string(SANDBOX_PROGRAM) + " --port " +
                                std::to_string(occupant.Port()) + " 2>" +
                                (dir / "err.txt").string() + " >/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_THAT(::monitor::testing::ReadFile(dir / "err.txt"), HasSubstr("in use"));
}

TEST(SandboxProgram, ServesFilesAndKeepsMovementsOnLoopback) {
    ::monitor::testing::TempDir dir;
    ::monitor::testing::WriteFile(dir / "promociones-ACEPTADA.json", R"({"results":[{"id":1}]})");
    SandboxProgram program({"--port", "0", "--data", dir.Path().string()});
    const std::string banner = program.ReadLine();
    const std::size_t at = banner.find("http://");
    ASSERT_NE(at, std::string::npos) << banner;
    const std::string baseUrl = banner.substr(at, banner.find(' ', at) - at);

    HttpFixture http;
    struct Case {
        TRESTRequestMethod method;
        std::string resource;
        int status;
        std::string content;
    };
    const Case cases[] = {
        {TRESTRequestMethod::rmGET, kPrefix + "promociones/ACEPTADA", 200,
         R"({"results":[{"id":1}]})"},
        {TRESTRequestMethod::rmGET, kPrefix + "promociones?estado=ACEPTADA", 200,
         R"({"results":[{"id":1}]})"},
        {TRESTRequestMethod::rmGET, kPrefix + "promociones/RECHAZADA", 200,
         R"({"results":[],"total":0})"},
        {TRESTRequestMethod::rmGET, kPrefix + "solicitudes/movimientos", 200, "[]"},
        {TRESTRequestMethod::rmGET, kPrefix + "solicitudes/cierresDiarios", 200, "[]"},
        {TRESTRequestMethod::rmPOST, kPrefix + "cajas/0007/movimientos", 200, "{}"},
        {TRESTRequestMethod::rmGET, kPrefix + "desconhecido", 404,
         R"({"message":"Recurso no encontrado"})"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.resource);
        http.Prepare(c.method, c.resource, baseUrl);
        if (c.method == TRESTRequestMethod::rmPOST) {
            TRESTRequestParameter body;
            body.kind = TRESTRequestParameterKind::pkREQUESTBODY;
            body.value = "{\"numero\":\"-123\",\n\"d\":\"\xC3\xA7\"}";
            body.doNotEncode = true;
            http.request.AddParameter(body);
        }
        EXPECT_EQ(http.Execute(), "");
        EXPECT_EQ(http.response.StatusCode(), c.status);
        EXPECT_EQ(http.response.Content(), c.content);
        EXPECT_THAT(program.ReadLine(), HasSubstr("/" + c.resource));
    }
    EXPECT_EQ(::monitor::testing::ReadFile(dir / "movimientos.jsonl"),
              "{\"numero\":\"-123\", \"d\":\"\xE7\"}\n");
    EXPECT_EQ(program.Terminate(), 0);
}

TEST(SandboxService, BuiltInSampleListsBothStatesAndYesterdaysRequests) {
    sandbox::ScanntechService service(std::nullopt);
    HttpFixture http;
    http.server.SetFallback(
        [&service](const sandbox::ReceivedRequest& r) { return service.Handle(r); });
    const auto get = [&](const std::string& resource) {
        http.Get(resource);
        EXPECT_EQ(http.Execute(), "");
        EXPECT_EQ(http.response.StatusCode(), 200);
        return http.response.JSONValue();
    };
    for (const auto& [estado, count] : {std::pair{"ACEPTADA", 3u}, std::pair{"RECHAZADA", 2u}}) {
        SCOPED_TRACE(estado);
        const json::JsonValue* page = get(kPrefix + "promociones/" + estado);
        ASSERT_NE(page, nullptr);
        const json::JsonValue* results = page->Find("results");
        ASSERT_NE(results, nullptr);
        EXPECT_EQ(results->Size(), count);
    }
    for (const char* list : {"solicitudes/movimientos", "solicitudes/cierresDiarios"}) {
        SCOPED_TRACE(list);
        const json::JsonValue* requests = get(kPrefix + list);
        ASSERT_NE(requests, nullptr);
        ASSERT_EQ(requests->Size(), 1u);
        const json::JsonValue* fecha = (*requests)[0].Find("fecha");
        ASSERT_NE(fecha, nullptr);
        EXPECT_THAT(fecha->Text(), StartsWith(sandbox::YesterdayText() + "T"));
    }
}

TEST(SandboxServer, StopsPromptlyWithOpenConnectionsAndPendingAnswers) {
    HttpFixture http;
    Reply late = Reply::Json(200, "{}");
    late.delay = 30s;
    http.server.On("GET", "/q", Reply::Json(200, "{}"));
    http.server.On("GET", "/late", late);
    http.Get("/q");
    ASSERT_EQ(http.Execute(), "");  // a kept-alive connection stays open
    std::thread waiting([&] {
        HttpFixture other;
        other.Prepare(TRESTRequestMethod::rmGET, "/late", http.server.BaseUrl());
        other.Execute();
    });
    while (http.server.RequestCount() < 2) std::this_thread::sleep_for(5ms);
    EXPECT_LT(SecondsTaken([&] { http.server.Stop(); }), 1.0);
    waiting.join();
}

}  // namespace
}  // namespace monitor::scanntech
