#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <vector>

namespace monitor::db {

/** Any failure reported by the database server or by libpq. */
class DatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/** The session broke while statements were under way: whether they took effect is unknown.
 *  The next statement opens a new session. */
class SessionLostError : public DatabaseError {
public:
    using DatabaseError::DatabaseError;
};

struct ConnectionParams {
    std::string host;
    int port = 5432;
    std::string database;
    std::string user;
    std::string password;
    std::string applicationName;  // empty: libpq's default
};

/** An owned PGresult. */
class Result {
public:
    Result() = default;
    explicit Result(PGresult* res) noexcept : res_(res) {}
    PGresult* get() const noexcept { return res_.get(); }
    explicit operator bool() const noexcept { return res_ != nullptr; }

private:
    struct Clear {
        void operator()(PGresult* r) const noexcept { PQclear(r); }
    };
    std::unique_ptr<PGresult, Clear> res_;
};

/** One parameter value in libpq's text form; nullopt is SQL null. */
using ParamValue = std::optional<std::string>;

/** A prepared statement to run with its parameters; the texts must outlive the call. */
struct PreparedCall {
    const std::string* name;
    const std::string* sql;
    std::vector<ParamValue> params;
};

/** A PostgreSQL session that every statement commits on its own (no explicit transactions).
 *
 *  A session that the server dropped (a restart, pg_terminate_backend) is noticed by the
 *  statement that runs into it, which fails as usual; the next statement opens a new session
 *  and prepares its statements again. Connections carry a connect time-out and TCP
 *  keep-alives so that a vanished server is noticed in seconds. */
class Connection {
public:
    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    ConnectionParams& Params() noexcept { return params_; }
    const ConnectionParams& Params() const noexcept { return params_; }

    void Open();
    void Close() noexcept;
    /** Open() was called and Close() was not: statements may run (reconnecting if need be). */
    bool Connected() const noexcept { return wanted_; }
    /** Counts the physical sessions opened so far. */
    std::uint64_t SessionCount() const noexcept { return sessions_; }
    /** The server process of the current session, 0 without one. */
    int BackendPid() const noexcept;

    /** Runs a statement prepared once per session under `name`. */
    Result ExecPrepared(const std::string& name, const std::string& sql,
                        const std::vector<ParamValue>& params);
    /** Runs the statements in one round trip (libpq's pipeline mode) and in one transaction,
     *  preparing those new to the session on the way, and returns their results in order. Each
     *  statement still counts as one. The first failure is raised with its server message: the
     *  statements after it are not run and what those before it did is undone. A session that
     *  breaks on the way fails the call with SessionLostError. */
    std::vector<Result> ExecPreparedTogether(const std::vector<PreparedCall>& calls);
    /** Runs plain SQL without parameters (used for the one condition built at run time). */
    Result Exec(const std::string& sql);

    /** Statements run over this connection since it was created. */
    std::uint64_t StatementCount() const noexcept { return statements_; }
    /** Round trips made for them: statements run together count once. */
    std::uint64_t RoundTripCount() const noexcept { return roundTrips_; }

private:
    void Connect();
    void EnsureSession();
    Result Check(PGresult* res, const char* what);
    void LeavePipeline() noexcept;
    [[noreturn]] void FailTogether(const std::string& message);

    ConnectionParams params_;
    PGconn* conn_ = nullptr;
    bool wanted_ = false;
    std::uint64_t sessions_ = 0;
    std::uint64_t statements_ = 0;
    std::uint64_t roundTrips_ = 0;
    std::unordered_set<std::string> prepared_;
};

}  // namespace monitor::db
