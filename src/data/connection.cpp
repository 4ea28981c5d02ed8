#include "data/connection.h"

#include <string_view>

namespace monitor::db {
namespace {

std::string TrimMessage(const char* message) {
    std::string text = message != nullptr ? message : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text.empty() ? "unknown database error" : text;
}

}  // namespace

Connection::~Connection() { Close(); }

void Connection::Open() {
    Close();
    wanted_ = true;
    try {
        Connect();
    } catch (...) {
        wanted_ = false;
        throw;
    }
}

void Connection::Close() noexcept {
    if (conn_ != nullptr) PQfinish(conn_);
    conn_ = nullptr;
    wanted_ = false;
    prepared_.clear();
}

int Connection::BackendPid() const noexcept {
    return conn_ != nullptr && PQstatus(conn_) == CONNECTION_OK ? PQbackendPID(conn_) : 0;
}

void Connection::Connect() {
    if (conn_ != nullptr) PQfinish(conn_);
    conn_ = nullptr;
    prepared_.clear();

    const std::string port = std::to_string(params_.port);
    // Keep-alives: a vanished server is noticed within about 5 + 2 * 3 seconds of silence.
    std::vector<const char*> keys = {"host",     "port",       "dbname",         "user",
                                     "password", "connect_timeout", "keepalives", "keepalives_idle",
                                     "keepalives_interval", "keepalives_count", "client_encoding"};
    std::vector<const char*> values = {params_.host.c_str(), port.c_str(), params_.database.c_str(),
                                       params_.user.c_str(), params_.password.c_str(), "5", "1",
                                       "5", "2", "3", "UTF8"};
    if (!params_.applicationName.empty()) {
        keys.push_back("application_name");
        values.push_back(params_.applicationName.c_str());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);

    conn_ = PQconnectdbParams(keys.data(), values.data(), 0);
    if (conn_ == nullptr) throw DatabaseError("out of memory while connecting");
    if (PQstatus(conn_) != CONNECTION_OK) {
        std::string message = TrimMessage(PQerrorMessage(conn_));
        PQfinish(conn_);
        conn_ = nullptr;
        throw DatabaseError(message);
    }
    PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
    ++sessions_;
}

void Connection::EnsureSession() {
    if (!wanted_) throw DatabaseError("the connection is not open");
    if (conn_ == nullptr || PQstatus(conn_) != CONNECTION_OK) Connect();
}

Result Connection::Check(PGresult* raw, const char* what) {
    Result res(raw);
    const ExecStatusType status = res ? PQresultStatus(res.get()) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return res;
    std::string message = TrimMessage(res ? PQresultErrorMessage(res.get()) : PQerrorMessage(conn_));
    if (message == "unknown database error") message = std::string(what) + " failed";
    throw DatabaseError(message);
}

Result Connection::ExecPrepared(const std::string& name, const std::string& sql,
                                const std::vector<ParamValue>& params) {
    EnsureSession();
    if (!prepared_.contains(name)) {
        Check(PQprepare(conn_, name.c_str(), sql.c_str(), 0, nullptr), "prepare");
        prepared_.insert(name);
    }
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const ParamValue& p : params) values.push_back(p ? p->c_str() : nullptr);
    ++statements_;
    return Check(PQexecPrepared(conn_, name.c_str(), static_cast<int>(values.size()),
                                values.data(), nullptr, nullptr, 0),
                 "statement");
}

Result Connection::Exec(const std::string& sql) {
    EnsureSession();
    ++statements_;
    return Check(PQexec(conn_, sql.c_str()), "statement");
}

}  // namespace monitor::db
