#include "data/connection.h"

#include <string_view>

namespace monitor::db {
namespace {

std::string TrimMessage(const char* message) {
    std::string text = message != nullptr ? message : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text.empty() ? "unknown database error" : text;
}

std::string FailureMessage(PGconn* conn, const PGresult* res, const char* what) {
    std::string message =
        TrimMessage(res != nullptr ? PQresultErrorMessage(res) : PQerrorMessage(conn));
    if (message == "unknown database error") message = std::string(what) + " failed";
    return message;
}

bool Succeeded(const PGresult* res) noexcept {
    const ExecStatusType status = res != nullptr ? PQresultStatus(res) : PGRES_FATAL_ERROR;
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
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
    if (Succeeded(res.get())) return res;
    throw DatabaseError(FailureMessage(conn_, res.get(), what));
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
    ++roundTrips_;
    return Check(PQexecPrepared(conn_, name.c_str(), static_cast<int>(values.size()),
                                values.data(), nullptr, nullptr, 0),
                 "statement");
}

std::vector<Result> Connection::ExecPreparedTogether(const std::vector<PreparedCall>& calls) {
    if (calls.empty()) return {};
    EnsureSession();
    if (PQenterPipelineMode(conn_) != 1) {
        throw DatabaseError(FailureMessage(conn_, nullptr, "pipeline"));
    }

    // Everything goes out before the one sync: the prepares of statements new to the session,
    // each ahead of its first run.
    struct Sent {
        std::size_t call;
        bool prepare;
    };
    std::vector<Sent> sent;
    std::unordered_set<std::string> preparing;
    bool queued = true;
    for (std::size_t i = 0; queued && i < calls.size(); ++i) {
        const PreparedCall& call = calls[i];
        if (!prepared_.contains(*call.name) && preparing.insert(*call.name).second) {
            queued = PQsendPrepare(conn_, call.name->c_str(), call.sql->c_str(), 0, nullptr) == 1;
            if (!queued) break;
            sent.push_back({i, true});
        }
        std::vector<const char*> values;
        values.reserve(call.params.size());
        for (const ParamValue& p : call.params) values.push_back(p ? p->c_str() : nullptr);
        ++statements_;
        queued = PQsendQueryPrepared(conn_, call.name->c_str(), static_cast<int>(values.size()),
                                     values.data(), nullptr, nullptr, 0) == 1;
        if (queued) sent.push_back({i, false});
    }
    ++roundTrips_;
    if (queued) queued = PQpipelineSync(conn_) == 1;
    if (!queued) {
        // Without the sync nothing was committed.
        const std::string message = FailureMessage(conn_, nullptr, "statement");
        LeavePipeline();
        FailTogether(message);
    }

    // One result per command, each followed by a null; after a failure the server skips the
    // rest up to the sync, and libpq reports those as aborted.
    std::vector<Result> results(calls.size());
    std::optional<std::string> failure;
    for (const Sent& s : sent) {
        Result res(PQgetResult(conn_));
        if (!res) {  // the session is gone
            if (!failure) failure = FailureMessage(conn_, nullptr, "statement");
            break;
        }
        while (PGresult* extra = PQgetResult(conn_)) PQclear(extra);
        if (Succeeded(res.get())) {
            if (s.prepare) {
                prepared_.insert(*calls[s.call].name);
            } else {
                results[s.call] = std::move(res);
            }
        } else if (!failure) {
            failure = FailureMessage(conn_, res.get(), s.prepare ? "prepare" : "statement");
        }
    }
    if (PQstatus(conn_) == CONNECTION_OK) PQclear(PQgetResult(conn_));  // the sync
    LeavePipeline();
    if (failure) FailTogether(*failure);
    return results;
}

void Connection::FailTogether(const std::string& message) {
    // A session given up on the way (by the server, or by LeavePipeline) may have committed.
    if (conn_ == nullptr || PQstatus(conn_) != CONNECTION_OK) throw SessionLostError(message);
    throw DatabaseError(message);
}

void Connection::LeavePipeline() noexcept {
    if (conn_ == nullptr || PQexitPipelineMode(conn_) == 1) return;
    // Results still pending (or a lost session): start afresh on the next statement.
    PQfinish(conn_);
    conn_ = nullptr;
    prepared_.clear();
}

Result Connection::Exec(const std::string& sql) {
    EnsureSession();
    ++statements_;
    ++roundTrips_;
    return Check(PQexec(conn_, sql.c_str()), "statement");
}

}  // namespace monitor::db
