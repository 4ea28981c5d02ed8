// The pending-upload pass over 5,000 sales, against its floor measured in the same run.
//
// Run it on a Release build without sanitizers, with a private PostgreSQL server:
//
//   cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DMONITOR_GUI=OFF
//         -DMONITOR_TESTS=OFF                                          (one line)
//   cmake --build build-release -j2 --target bench_upload
//   source scripts/lib/common.sh; pg_start
//   build-release/bench/upload/bench_upload [rounds]
//   pg_stop
//
// It needs MONITOR_PGHOST, MONITOR_PGPORT and MONITOR_PGPASSWORD (pg_start exports them),
// creates a database of its own from db/schema.sql and drops it at the end. The service is the
// in-process sandbox server on loopback, answering 200 to every movement. It exits with 1 when
// a sale ended unflagged or the service did not receive exactly the movements the pending rows
// called for.
//
// Each round clears the sent flags and runs the pass as the monitoring cycle runs it: the pending
// selection of the main data module, then for every sale it lists (once, though a sale with two
// payments is listed twice) EnviaVendaPendente, the cycle's MarcaVendaScanntech,
// MarcaVendaNaoEnviada and ProcessaVenda with the marks sent along with the first reads. The
// pass is timed in chunks of rows; after each chunk its floor is measured on the same machine
// state: as many trivial statements over one connection as the chunk issued, and one HTTP
// exchange of a movement-sized POST per row on one kept-alive connection, issued
//   - batched: all the statements, then all the exchanges;
//   - per sale: for each row its share of statements, then its exchange (the pass's pattern);
//   - per trip: the same with one statement per round trip the pass made (statements it sent
//     together count once), the network's own floor for the pass.
// References beside the floor: the same POSTs on a fresh connection each (what the client's
// one-connection-per-POST rule costs), and on a kept-alive connection with a body that libcurl
// cannot send a second time (a read callback that refuses to rewind).

#include <curl/curl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/clock.h"
#include "data/connection.h"
#include "data/dm1.h"
#include "data/query.h"
#include "sandbox/sandbox_server.h"
#include "scanntech/scanntech_module.h"
#include "upload/sale_upload.h"

namespace {

using namespace monitor;
using SteadyClock = std::chrono::steady_clock;

constexpr int kSales = 5000;

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    if (v == nullptr || *v == '\0') {
        throw std::runtime_error(std::string(name) +
                                 " is not set: source scripts/lib/common.sh and run pg_start");
    }
    return v;
}

db::ConnectionParams Params(const std::string& database) {
    db::ConnectionParams p;
    p.host = Env("MONITOR_PGHOST");
    p.port = std::stoi(Env("MONITOR_PGPORT"));
    p.user = "postgres";
    p.password = Env("MONITOR_PGPASSWORD");
    p.database = database;
    return p;
}

void ExecOn(const std::string& database, const std::string& sql) {
    db::Connection c;
    c.Params() = Params(database);
    c.Open();
    c.Exec(sql);
}

std::string Scalar(db::Connection& c, const std::string& sql) {
    db::Result r = c.Exec(sql);
    return PQntuples(r.get()) > 0 ? PQgetvalue(r.get(), 0, 0) : "";
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

/** A database of the benchmark's own, made from the store schema and dropped at the end. */
class BenchDatabase {
  public:
    BenchDatabase() : name_("bench_upload_" + std::to_string(getpid())) {
        ExecOn("postgres", "CREATE DATABASE " + name_);
        ExecOn(name_, ReadText(std::string(MONITOR_SOURCE_DIR) + "/db/schema.sql"));
    }
    ~BenchDatabase() {
        try {
            ExecOn("postgres", "DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
        } catch (...) {
        }
    }
    BenchDatabase(const BenchDatabase&) = delete;
    BenchDatabase& operator=(const BenchDatabase&) = delete;
    const std::string& Name() const noexcept { return name_; }

  private:
    std::string name_;
};

// 5,000 sales of four registers, emitted within the last 50 days, all of a valid status; a
// third of them with a second payment (so listed twice), three to six lines each.
std::string FillSql(const std::string& baseUrl) {
    return R"(
INSERT INTO config_scanntech (usuario, senha, idempresa, idlocal, urlbase, urlvendas,
                              dataenviartudo)
VALUES ('loja', 'segredo', '10', '2', ')" +
           baseUrl + R"(',
        'api-minoristas/api/v2/minoristas/{idEmpresa}/locales/{idLocal}/cajas/{idCaja}/movimientos',
        current_date - 90);
INSERT INTO modeloserie VALUES (65, '65', '1');
INSERT INTO caixa (codcaixa, numerocaixa, codmodeloserie)
SELECT c, lpad(c::text, 4, '0'), 65 FROM generate_series(1, 4) c;
INSERT INTO cliente VALUES (1, 'Cliente', '123.456.789-09');
INSERT INTO produto SELECT p, 'Produto ' || p FROM generate_series(1, 200) p;
INSERT INTO formapagamento VALUES
    (1, 'Dinheiro'), (2, 'Cartão de Crédito'), (3, 'Cartão de Débito'), (4, 'PIX');
INSERT INTO venda (codvenda, codcaixa, codcliente, codmodeloserie, dataemisao, datasaida,
                   horasaida, numeronf, valortotalnf, cnpjcpf, scanntech_promocaoativa,
                   scanntech_enviado, scanntech_cancelamento)
SELECT i, 1 + i % 4, CASE WHEN i % 5 = 0 THEN 1 END, 65, current_date - 1 - i % 50,
       current_date - 1 - i % 50, lpad((i % 24)::text, 2, '0') || ':' || lpad((i % 60)::text, 2, '0'),
       100000 + i, 30, NULL, true, false, false
  FROM generate_series(1, )" +
           std::to_string(kSales) + R"() i;
INSERT INTO nfce (codvenda, status)
SELECT codvenda, (ARRAY['Transmitida', 'Contingência', 'Fechado'])[1 + codvenda % 3] FROM venda;
INSERT INTO pgtomovimentoecf (codvenda, codformapagamento, valorpago, troco, cancelado)
SELECT codvenda, 1 + codvenda % 4, 25, 0, false FROM venda
UNION ALL
SELECT codvenda, 1, 5.5, 0.5, false FROM venda WHERE codvenda % 3 = 0;
INSERT INTO produtovenda (codvenda, sequencia, codproduto, codigobarra, quantidade,
                          valorunitario, valortotal, desconto, acrescimo, descontoitem,
                          acrescimoitem, valorfrete, statusatualizado)
SELECT v.codvenda, s, 1 + (v.codvenda * 7 + s) % 200,
       CASE WHEN s = 3 THEN '' ELSE '789' || lpad(((v.codvenda * 7 + s) % 200)::text, 10, '0') END,
       1 + s % 3, 4.5, 4.5 * (1 + s % 3), CASE WHEN s = 1 THEN 0.1 ELSE 0 END, 0,
       CASE WHEN s = 2 THEN 0.5 ELSE 0 END, 0, CASE WHEN s = 4 THEN 1.25 ELSE 0 END, NULL
  FROM venda v CROSS JOIN generate_series(1, 6) s
 WHERE s <= 3 + v.codvenda % 4;
-- A store's exchange log has a history; with an empty one the planner would scan it whole.
INSERT INTO logst (tipo, tempogasto, baseurl, resource, codigoresposta, codvenda)
SELECT 'EnviarVenda', 12, 'http://scanntech', 'movimientos', 200, i
  FROM generate_series(1, 20000) i;
ANALYZE;
)";
}

double Seconds(SteadyClock::duration d) {
    return std::chrono::duration<double>(d).count();
}

/** One connection that runs a trivial prepared statement. */
class TrivialStatements {
  public:
    explicit TrivialStatements(const std::string& database) {
        connection_.Params() = Params(database);
        connection_.Open();
    }
    double Run(std::uint64_t count) {
        const auto start = SteadyClock::now();
        for (std::uint64_t i = 0; i < count; ++i) {
            connection_.ExecPrepared("bench_trivial", "SELECT $1::integer", params_);
        }
        return Seconds(SteadyClock::now() - start);
    }

  private:
    db::Connection connection_;
    const std::vector<db::ParamValue> params_ = {std::string("1")};
};

std::size_t Discard(char*, std::size_t size, std::size_t count, void*) {
    return size * count;
}

/** POSTs of a movement-sized body to the sandbox. */
class Posts {
  public:
    enum class Mode {
        KeptAlive,         // one kept-alive connection
        Fresh,             // a new connection for each POST
        KeptAliveNoResend  // kept alive, the body read by a callback that cannot rewind
    };

    Posts(const std::string& url, Mode mode) : handle_(curl_easy_init()), mode_(mode) {
        if (handle_ == nullptr) throw std::runtime_error("curl_easy_init failed");
        headers_ = curl_slist_append(headers_, "Content-Type: application/json");
        headers_ = curl_slist_append(headers_, "Expect:");
        curl_easy_setopt(handle_, CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, headers_);
        curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, &Discard);
        curl_easy_setopt(handle_, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(handle_, CURLOPT_TIMEOUT_MS, 10000L);
        curl_easy_setopt(handle_, CURLOPT_POST, 1L);
        curl_easy_setopt(handle_, CURLOPT_FRESH_CONNECT, mode == Mode::Fresh ? 1L : 0L);
        if (mode == Mode::KeptAliveNoResend) {
            curl_easy_setopt(handle_, CURLOPT_READFUNCTION, &ReadBody);
            curl_easy_setopt(handle_, CURLOPT_READDATA, this);
            curl_easy_setopt(handle_, CURLOPT_SEEKFUNCTION, &RefuseRewind);
        }
    }
    ~Posts() {
        curl_slist_free_all(headers_);
        curl_easy_cleanup(handle_);
    }
    Posts(const Posts&) = delete;
    Posts& operator=(const Posts&) = delete;

    void SetBody(std::string body) {
        body_ = std::move(body);
        curl_easy_setopt(handle_, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(body_.size()));
        if (mode_ != Mode::KeptAliveNoResend) {
            curl_easy_setopt(handle_, CURLOPT_POSTFIELDS, body_.c_str());
        }
    }
    double Run(std::size_t count) {
        const auto start = SteadyClock::now();
        for (std::size_t i = 0; i < count; ++i) {
            sent_ = 0;
            if (curl_easy_perform(handle_) != CURLE_OK) {
                throw std::runtime_error("a reference POST failed");
            }
        }
        return Seconds(SteadyClock::now() - start);
    }

  private:
    static std::size_t ReadBody(char* buffer, std::size_t size, std::size_t count, void* user) {
        auto& self = *static_cast<Posts*>(user);
        const std::size_t n = std::min(size * count, self.body_.size() - self.sent_);
        std::copy_n(self.body_.data() + self.sent_, n, buffer);
        self.sent_ += n;
        return n;
    }
    static int RefuseRewind(void*, curl_off_t, int) { return CURL_SEEKFUNC_CANTSEEK; }

    CURL* handle_;
    Mode mode_;
    curl_slist* headers_ = nullptr;
    std::string body_;
    std::size_t sent_ = 0;
};

struct Round {
    double pass = 0;
    double batchedFloor = 0;
    double perSaleFloor = 0;
    double perTripFloor = 0;
    double statements = 0;  // the batched floor's statements
    double keptAlive = 0;   // the batched floor's exchanges
    double fresh = 0;
    double noResend = 0;
    std::size_t rows = 0;
    std::uint64_t statementCount = 0;
    std::uint64_t tripCount = 0;
    std::size_t exchanges = 0;
    std::size_t failures = 0;
    std::string firstFailure;
};

/** The floors and references for a chunk of the pass. */
class Floor {
  public:
    Floor(const std::string& database, const std::string& url)
        : trivial_(database),
          keptAlive_(url, Posts::Mode::KeptAlive),
          fresh_(url, Posts::Mode::Fresh),
          noResend_(url, Posts::Mode::KeptAliveNoResend) {}

    bool HasBody() const noexcept { return hasBody_; }
    void SetBody(const std::string& body) {
        keptAlive_.SetBody(body);
        fresh_.SetBody(body);
        noResend_.SetBody(body);
        hasBody_ = true;
    }

    void Measure(std::uint64_t statements, std::uint64_t trips, std::size_t exchanges, Round& r) {
        const double batchedStatements = trivial_.Run(statements);
        const double batchedExchanges = keptAlive_.Run(exchanges);
        r.statements += batchedStatements;
        r.keptAlive += batchedExchanges;
        r.batchedFloor += batchedStatements + batchedExchanges;

        r.perSaleFloor += Interleaved(statements, exchanges);
        // The same with one trivial statement per round trip the pass made.
        r.perTripFloor += Interleaved(trips, exchanges);

        r.fresh += fresh_.Run(exchanges);
        r.noResend += noResend_.Run(exchanges);
    }

  private:
    // For each exchange its share of the statements, then the exchange, as the pass goes.
    double Interleaved(std::uint64_t statements, std::size_t exchanges) {
        const auto start = SteadyClock::now();
        const std::uint64_t each = exchanges > 0 ? statements / exchanges : 0;
        for (std::size_t e = 0; e < exchanges; ++e) {
            trivial_.Run(each);
            keptAlive_.Run(1);
        }
        trivial_.Run(statements - each * exchanges);
        return Seconds(SteadyClock::now() - start);
    }

    TrivialStatements trivial_;
    Posts keptAlive_;
    Posts fresh_;
    Posts noResend_;
    bool hasBody_ = false;
};

constexpr std::size_t kChunk = 250;

Round RunRound(TDM1& dm1, db::Connection& DBPostgres, scanntech::ScanntechModule& module,
               sandbox::SandboxServer& server, Floor& floor) {
    Round r;
    const auto statementsNow = [&] {
        return DBPostgres.StatementCount() + dm1.ZConnection1.StatementCount();
    };
    const auto tripsNow = [&] {
        return DBPostgres.RoundTripCount() + dm1.ZConnection1.RoundTripCount();
    };
    std::uint64_t statements0 = statementsNow();
    std::uint64_t trips0 = tripsNow();
    std::size_t requests0 = server.RequestCount();
    std::size_t inChunk = 0;
    auto start = SteadyClock::now();
    const auto endChunk = [&] {
        r.pass += Seconds(SteadyClock::now() - start);
        const std::uint64_t statements = statementsNow() - statements0;
        const std::uint64_t trips = tripsNow() - trips0;
        const std::size_t exchanges = server.RequestCount() - requests0;
        r.statementCount += statements;
        r.tripCount += trips;
        r.exchanges += exchanges;
        if (!floor.HasBody() && exchanges > 0) floor.SetBody(server.Requests().back().body);
        floor.Measure(statements, trips, exchanges, r);
        inChunk = 0;
        statements0 = statementsNow();
        trips0 = tripsNow();
        requests0 = server.RequestCount();
        start = SteadyClock::now();
    };

    dm1.QVendasReenviar.Close();
    dm1.QVendasReenviar.Open();
    module.CriaDMScanntech();
    std::set<int> done;
    for (; !dm1.QVendasReenviar.Eof(); dm1.QVendasReenviar.Next()) {
        const int codvenda = static_cast<int>(dm1.QVendasReenviar.Field("codvenda").AsInteger());
        if (!done.insert(codvenda).second) continue;
        ++r.rows;
        try {
            upload::EnviaVendaPendente(module, codvenda);
        } catch (const std::exception& e) {
            if (r.failures++ == 0) r.firstFailure = e.what();
        }
        if (++inChunk == kChunk) endChunk();
    }
    endChunk();
    return r;
}

/** Every sale flagged, and per sale as many movements received as pending rows listed it. */
std::vector<std::string> Verify(db::Connection& c, sandbox::SandboxServer& server,
                                const std::map<std::string, int>& expectedPerNumero) {
    std::vector<std::string> problems;
    const std::string unflagged =
        Scalar(c, "SELECT count(*) FROM venda WHERE scanntech_enviado IS NOT TRUE");
    if (unflagged != "0") problems.push_back(unflagged + " sales not flagged as sent");
    std::map<std::string, int> received;
    for (const sandbox::ReceivedRequest& r : server.Requests()) {
        const std::string key = "\"numero\":\"";
        const std::size_t at = r.body.find(key);
        if (r.method != "POST" || !r.path.ends_with("/movimientos") || at == std::string::npos) {
            continue;
        }
        const std::size_t from = at + key.size();
        ++received[r.body.substr(from, r.body.find('"', from) - from)];
    }
    std::size_t differ = 0;
    for (const auto& [numero, count] : expectedPerNumero) {
        const auto it = received.find(numero);
        differ += it == received.end() || it->second != count ? 1 : 0;
    }
    if (differ > 0 || received.size() != expectedPerNumero.size()) {
        problems.push_back("the service's movements differ from the pending rows for " +
                           std::to_string(differ) + " sales (" + std::to_string(received.size()) +
                           " sales received)");
    }
    return problems;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int Run(int rounds) {
    BenchDatabase database;
    sandbox::SandboxServer server;
    server.SetFallback(
        [](const sandbox::ReceivedRequest&) { return sandbox::Reply::Json(200, "{}"); });
    ExecOn(database.Name(), FillSql(server.BaseUrl()));

    db::Connection check;
    check.Params() = Params(database.Name());
    check.Open();
    // Every sale reaches the service once per pass, however many payments list it.
    std::map<std::string, int> expectedPerNumero;
    std::size_t pendingRows = 0;
    {
        db::Result r = check.Exec(
            "SELECT 100000 + codvenda, count(*) FROM pgtomovimentoecf WHERE cancelado = false "
            "GROUP BY codvenda");
        for (int i = 0; i < PQntuples(r.get()); ++i) {
            expectedPerNumero[PQgetvalue(r.get(), i, 0)] = 1;
            pendingRows += static_cast<std::size_t>(std::atoi(PQgetvalue(r.get(), i, 1)));
        }
    }

    TDM1 dm1;
    dm1.ZConnection1.Params() = Params(database.Name());
    dm1.ZConnection1.Open();
    db::Connection DBPostgres;
    DBPostgres.Params() = Params(database.Name());
    DBPostgres.Open();
    SystemClock clock;
    scanntech::ScanntechModule module(DBPostgres, clock);
    Floor floor(database.Name(), server.BaseUrl() + "/floor");

    std::printf("%d sales, %zu pending rows per pass (a sale with two payments is listed twice and "
                "sent once)\n",
                kSales, pendingRows);
    std::printf("%-5s %6s %7s %5s %5s %5s | %7s %5s | %7s %5s | %7s %5s | %5s %5s %6s %6s %6s\n",
                "round", "pass s", "sales/s", "stmt", "trips", "http", "batched", "ratio",
                "perSale", "ratio", "perTrip", "ratio", "stmt", "keep", "fresh", "noResn", "fresh");
    std::printf("%-5s %6s %7s %5s %5s %5s | %7s %5s | %7s %5s | %7s %5s | %5s %5s %6s %6s %6s\n",
                "", "", "", "/sale", "/sale", "/sale", "floor s", "", "floor s", "", "floor s", "",
                "us", "us", "us", "us", "share");
    std::vector<double> salesPerSecond, batchedRatios, perSaleRatios, perTripRatios, freshShares;
    int status = 0;
    for (int round = 1; round <= rounds; ++round) {
        check.Exec("UPDATE venda SET scanntech_enviado = false, scanntech_cancelamento = false");
        server.ClearRequests();

        const Round r = RunRound(dm1, DBPostgres, module, server, floor);
        for (const std::string& problem : Verify(check, server, expectedPerNumero)) {
            std::printf("round %d: %s\n", round, problem.c_str());
            status = 1;
        }
        if (r.failures > 0) {
            std::printf("round %d: %zu rows failed, the first with: %s\n", round, r.failures,
                        r.firstFailure.c_str());
            status = 1;
        }
        const double rows = static_cast<double>(r.rows);
        const double exchanges = static_cast<double>(std::max<std::size_t>(r.exchanges, 1));
        const double statements = static_cast<double>(std::max<std::uint64_t>(r.statementCount, 1));
        salesPerSecond.push_back(kSales / r.pass);
        batchedRatios.push_back(r.pass / r.batchedFloor);
        perSaleRatios.push_back(r.pass / r.perSaleFloor);
        perTripRatios.push_back(r.pass / r.perTripFloor);
        freshShares.push_back((r.fresh - r.keptAlive) / r.pass);
        std::printf(
            "%-5d %6.2f %7.0f %5.2f %5.2f %5.2f | %7.2f %5.2f | %7.2f %5.2f | %7.2f %5.2f | %5.1f "
            "%5.1f %6.1f %6.1f %5.0f%%\n",
            round, r.pass, kSales / r.pass, statements / rows,
            static_cast<double>(r.tripCount) / rows, exchanges / rows, r.batchedFloor,
            r.pass / r.batchedFloor, r.perSaleFloor, r.pass / r.perSaleFloor, r.perTripFloor,
            r.pass / r.perTripFloor, 1e6 * r.statements / statements,
            1e6 * r.keptAlive / exchanges, 1e6 * r.fresh / exchanges, 1e6 * r.noResend / exchanges,
            100.0 * freshShares.back());
        server.ClearRequests();
    }
    std::printf(
        "median: %.0f sales/s (target: at least 1000); %.2f times the batched floor, %.2f times "
        "the per-sale floor (target: at most 1.5), %.2f times the floor of its round trips; a "
        "fresh connection per POST would take %.0f%% of the pass\n",
        Median(salesPerSecond), Median(batchedRatios), Median(perSaleRatios),
        Median(perTripRatios), 100.0 * Median(freshShares));
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    try {
        const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
        return Run(rounds);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_upload: %s\n", e.what());
        return 2;
    }
}
