#pragma once

#include <filesystem>
#include <string>

#include "data/connection.h"

namespace monitor::testing {

/** A database of its own for one test, cloned from the template that the test command loaded
 *  with the point-of-sale schema, and dropped afterwards. The private server is found through
 *  MONITOR_PGHOST, MONITOR_PGPORT, MONITOR_PGPASSWORD and MONITOR_PGTEMPLATE. */
class TestDatabase {
public:
    /** `withSample` loads the sample store (db/sample.sql) as well. */
    explicit TestDatabase(bool withSample = false);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    const std::string& Name() const noexcept { return name_; }
    /** Parameters for user "postgres" on this database. */
    db::ConnectionParams Params() const;
    /** Runs SQL (several statements allowed) on a connection of its own; throws on error. */
    void Exec(const std::string& sql) const;
    /** First column of the first row, as text ("" for null or no row). */
    std::string Scalar(const std::string& sql) const;
    /** Writes an arquivo.ini for this database into `dir`, with the given extra lines. */
    void WriteSettingsFile(const std::filesystem::path& dir) const;

    static std::string Host();
    static int Port();
    static std::string Password();
    static std::filesystem::path SourceDir();

private:
    std::string name_;
};

/** Runs SQL on the server's maintenance database (for pg_terminate_backend and the like). */
void AdminExec(const std::string& sql);

}  // namespace monitor::testing
