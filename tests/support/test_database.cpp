#include "support/test_database.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>

#include "support/temp_dir.h"

namespace monitor::testing {
namespace {

std::string Env(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0' ? v : fallback;
}

std::string RequireEnv(const char* name) {
    const char* v = std::getenv(name);
    if (v == nullptr || *v == '\0') {
        throw std::runtime_error(std::string(name) +
                                 " is not set: run the tests through ./scripts/test, which starts "
                                 "the private PostgreSQL server");
    }
    return v;
}

db::ConnectionParams ParamsFor(const std::string& database) {
    db::ConnectionParams p;
    p.host = TestDatabase::Host();
    p.port = TestDatabase::Port();
    p.database = database;
    p.user = "postgres";
    p.password = TestDatabase::Password();
    return p;
}

void ExecOn(const std::string& database, const std::string& sql) {
    db::Connection c;
    c.Params() = ParamsFor(database);
    c.Open();
    c.Exec(sql);
}

}  // namespace

std::string TestDatabase::Host() { return Env("MONITOR_PGHOST", "127.0.0.1"); }
int TestDatabase::Port() { return std::stoi(RequireEnv("MONITOR_PGPORT")); }
std::string TestDatabase::Password() { return RequireEnv("MONITOR_PGPASSWORD"); }
std::filesystem::path TestDatabase::SourceDir() {
    return Env("MONITOR_SOURCE_DIR", MONITOR_DEFAULT_SOURCE_DIR);
}

void AdminExec(const std::string& sql) { ExecOn("postgres", sql); }

TestDatabase::TestDatabase(bool withSample) {
    static std::atomic<int> counter{0};
    name_ = "test_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
    const std::string templ = Env("MONITOR_PGTEMPLATE", "monitor_template");
    AdminExec("CREATE DATABASE " + name_ + " TEMPLATE " + templ);
    if (withSample) Exec(ReadFile(SourceDir() / "db" / "sample.sql"));
}

TestDatabase::~TestDatabase() {
    try {
        AdminExec("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
    } catch (...) {
        // A database left behind goes with the private cluster.
    }
}

db::ConnectionParams TestDatabase::Params() const { return ParamsFor(name_); }

void TestDatabase::Exec(const std::string& sql) const { ExecOn(name_, sql); }

std::string TestDatabase::Scalar(const std::string& sql) const {
    db::Connection c;
    c.Params() = Params();
    c.Open();
    db::Result r = c.Exec(sql);
    if (PQntuples(r.get()) == 0 || PQgetisnull(r.get(), 0, 0)) return "";
    return PQgetvalue(r.get(), 0, 0);
}

void TestDatabase::WriteSettingsFile(const std::filesystem::path& dir) const {
    WriteFile(dir / "arquivo.ini",
              "[bd]\r\nhost=" + Host() + "\r\nnome=" + name_ + "\r\n[dadosbanco]\r\nlogin=postgres\r\nsenha=" +
                  Password() + "\r\nporta=" + std::to_string(Port()) + "\r\n");
}

}  // namespace monitor::testing
