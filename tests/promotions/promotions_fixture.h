#pragma once

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

#include "data/connection.h"
#include "sandbox/sandbox_server.h"
#include "scanntech/scanntech_module.h"
#include "support/fake_clock.h"
#include "support/test_database.h"

namespace monitor::promotions::testing {

inline const std::string kPrefix = "/api-minoristas/api/v2/minoristas/10/locales/2/";
inline const std::string kAceptadaPath = kPrefix + "promociones/ACEPTADA";
inline const std::string kRechazadaPath = kPrefix + "promociones/RECHAZADA";
inline const std::string kMovimentosPath = kPrefix + "solicitudes/movimientos";
inline const std::string kFechamentosPath = kPrefix + "solicitudes/cierresDiarios";

/** A private store whose settings point at a sandbox service on loopback, and the Scanntech
 *  module working on it. */
class ScanntechStoreTest : public ::testing::Test {
  protected:
    ScanntechStoreTest() {
        connection.Params() = database.Params();
        connection.Open();
        database.Exec(
            "INSERT INTO config_scanntech (usuario, senha, idempresa, idlocal, urlbase, urlvendas, "
            "urlpromocao, dataenviartudo) VALUES ('user', 'secret', '10', '2', '" +
            server.BaseUrl() +
            "', 'api-minoristas/api/v2/minoristas/{idEmpresa}/locales/{idLocal}/cajas/{idCaja}/"
            "movimientos', 'api-minoristas/api/v2/minoristas/{idEmpresa}/locales/{idLocal}/"
            "promociones/{estado}', '2020-01-01')");
    }

    /** Runs `routine`; returns the message of what it raised, "" when nothing. What it raises
     *  must be a plain std::runtime_error. */
    template <typename F>
    std::string Failure(F&& routine) {
        try {
            routine();
        } catch (const std::exception& e) {
            EXPECT_EQ(typeid(e), typeid(std::runtime_error)) << e.what();
            return e.what();
        }
        return {};
    }

    std::string Scalar(const std::string& sql) const { return database.Scalar(sql); }
    int Count(const std::string& sql) const { return std::stoi(database.Scalar(sql)); }
    /** The logst rows so far as "tipo codigoresposta resource-tail", in order. */
    std::string LogRows() const {
        return database.Scalar(
            "SELECT string_agg(tipo || ' ' || codigoresposta || ' ' || "
            "regexp_replace(resource, '^.*/', '') || ' ' || COALESCE(codvenda::text, '-'), "
            "'; ' ORDER BY id) FROM logst");
    }
    std::size_t Requests(const std::string& path) const {
        std::size_t n = 0;
        for (const auto& r : server.Requests()) n += r.path == path;
        return n;
    }

    monitor::testing::TestDatabase database;
    db::Connection connection;
    monitor::testing::FakeClock clock;
    sandbox::SandboxServer server;
    scanntech::ScanntechModule module{connection, clock};
};

}  // namespace monitor::promotions::testing
